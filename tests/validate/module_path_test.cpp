// The list file's path made from the library's path at the limits of the
// 16384-unit path buffer. Wine keeps real paths far below that (its file
// names must fit the host system's), so the library's path comes from a
// stand-in GetModuleFileNameW, and a stand-in QueryTrueName records which
// list file the reader was asked to open and sends it to a real one.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/os_textsource_win.h"
#include "platform/os_win.h"
#include "settings/settings.h"
#include "validate/tldfile.h"
#include "support/plugin_fixture.h"

namespace {

const DWORD kPathUnits = 16384;

std::wstring g_module;         // what GetModuleFileNameW reports
std::vector<DWORD> g_sizes;    // the buffer sizes it was given
std::vector<std::wstring> g_asked;  // the names the reader was asked to open
std::wstring g_realList;       // where those names are sent

// Like the system's: a name that does not fit is cut to size - 1 units and
// terminated, and the result is size.
DWORD WINAPI ModulePath(HMODULE, LPWSTR path, DWORD size) {
  g_sizes.push_back(size);
  if (g_module.size() >= size) {
    g_module.copy(path, size - 1);
    path[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  lstrcpyW(path, g_module.c_str());
  return (DWORD)g_module.size();
}

LPWSTR WINAPI TrueName(LPCWSTR name, LPWSTR result) {
  g_asked.push_back(name);
  lstrcpynW(result, g_realList.c_str(), kPathUnits);
  return result;
}

class ModulePathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    g_realList = std::wstring(temp) + L"quorvel-modulepath-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    HANDLE h = CreateFileW(g_realList.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n;
    WriteFile(h, "zzz\r\n", 5, &n, nullptr);
    CloseHandle(h);
    RestoreDefaults();
    OsWin = OsWinDefaults;
    OsWin.GetModuleFileNameW = ModulePath;
    OsText = OsTextDefaults;
    OsText.QueryTrueName = TrueName;
  }
  void TearDown() override {
    OsWin = OsWinDefaults;
    OsText = OsTextDefaults;
    DeleteFileW(g_realList.c_str());
  }

  // Looks zzz up with the library at module; returns the result and the name
  // the reader was asked to open ("" when none).
  int Lookup(const std::wstring& module, std::wstring* asked) {
    g_module = module;
    g_sizes.clear();
    g_asked.clear();
    int rc = FindTLDInFile(L"zzz");
    EXPECT_EQ(g_sizes, std::vector<DWORD>{kPathUnits});
    EXPECT_LE(g_asked.size(), 1u);
    *asked = g_asked.empty() ? L"" : g_asked[0];
    return rc;
  }
};

// A folder of the given length (up to and including its last backslash).
std::wstring Folder(size_t length) { return L"C:\\" + std::wstring(length - 4, L'd') + L"\\"; }

TEST_F(ModulePathTest, ListFileNameFitsExactly) {
  // 16375 units of folder and "TLDs.txt" make 16383 units and the terminator.
  std::wstring asked;
  EXPECT_EQ(Lookup(Folder(16375) + L"q.dll", &asked), 1);
  EXPECT_EQ(asked, Folder(16375) + L"TLDs.txt");
  EXPECT_EQ(asked.size(), 16383u);

  // One unit more does not fit: refused before anything is opened.
  EXPECT_EQ(Lookup(Folder(16376) + L"q.dll", &asked), -1);
  EXPECT_EQ(asked, L"");
}

TEST_F(ModulePathTest, LongestLibraryPath) {
  // A library path of 16383 units fits the buffer; one of 16384 comes back cut
  // and is no path at all.
  std::wstring asked;
  std::wstring name = L"C:\\dir\\" + std::wstring(16383 - 7, L'q');
  EXPECT_EQ(Lookup(name, &asked), 1);
  EXPECT_EQ(asked, L"C:\\dir\\TLDs.txt");
  EXPECT_EQ(Lookup(name + L"q", &asked), -1);
  EXPECT_EQ(asked, L"");
  EXPECT_EQ(Lookup(Folder(20000) + L"q.dll", &asked), -1);
  EXPECT_EQ(asked, L"");
  EXPECT_EQ(Lookup(L"", &asked), -1);
  EXPECT_EQ(asked, L"");
}

TEST_F(ModulePathTest, Separators) {
  struct {
    const wchar_t *module, *list;
  } cases[] = {
      {L"C:\\q.dll", L"C:\\TLDs.txt"},
      {L"C:q.dll", L"C:TLDs.txt"},
      {L"C:/dir/q.dll", L"C:/dir/TLDs.txt"},
      {L"C:\\dir/sub\\q.dll", L"C:\\dir/sub\\TLDs.txt"},
      {L"\\\\server\\share\\q.dll", L"\\\\server\\share\\TLDs.txt"},
      {L"q.dll", L""},
      {L"1:q.dll", L""},
      {L"ab:q.dll", L""},
  };
  for (const auto& c : cases) {
    std::wstring asked;
    EXPECT_EQ(Lookup(c.module, &asked), *c.list ? 1 : -1) << testing::PrintToString(std::wstring(c.module));
    EXPECT_EQ(asked, c.list);
  }
}

}  // namespace
