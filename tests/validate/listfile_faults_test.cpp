// The list file lookup with the reader's platform calls failing, one use at a
// time (the counting stand-ins of tests/textsource): a lookup either gives
// the file's answer or reports the file unusable (-1), so that KnownTLD falls
// back on its built-in table; either way every block, handle and view is
// released, the list file is no longer held open, and no temporary copy is
// left behind. The library's path comes from a stand-in GetModuleFileNameW,
// so the list file lives in a folder of this test's own.
#include <windows.h>

#include <string>

#include "support/leaks.h"
#include "platform/os_win.h"
#include "settings/settings.h"
#include "textsource/os_faults.h"
#include "validate/tldfile.h"
#include "validate/validate.h"
#include "common/version.h"
#include "support/plugin_fixture.h"

namespace {

std::wstring g_folder;  // with a trailing backslash

DWORD WINAPI ModulePath(HMODULE, LPWSTR path, DWORD size) {
  std::wstring p = g_folder + PLUGIN_FILE_NAME;
  lstrcpynW(path, p.c_str(), (int)size);
  return (DWORD)p.size();
}

std::wstring ListPath() { return g_folder + L"TLDs.txt"; }

void WriteList(const std::string& bytes) {
  HANDLE h = CreateFileW(ListPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n = 0;
  WriteFile(h, bytes.data(), (DWORD)bytes.size(), &n, nullptr);
  CloseHandle(h);
}

class ListFileFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    g_folder = std::wstring(temp) + L"quorvel-listfaults-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(g_folder.c_str(), nullptr);
    RemoveStaleTemporaryCopy();
    RestoreDefaults();
    OsWin = OsWinDefaults;
    OsWin.GetModuleFileNameW = ModulePath;
  }
  void TearDown() override {
    RemoveFaultCalls();
    OsWin = OsWinDefaults;
    RestoreDefaults();
    DeleteFileW(ListPath().c_str());
    RemoveDirectoryW(g_folder.c_str());
  }

  // Nothing of the reader is left: no block, handle, view or temporary copy,
  // and the list file can be opened exclusively.
  void ExpectNothingLeft() {
    EXPECT_EQ(LiveBlocks(), 0);
    EXPECT_EQ(LiveHandles(), 0);
    EXPECT_EQ(LiveViews(), 0);
    EXPECT_EQ(ForeignCloses(), 0);
    EXPECT_FALSE(TemporaryCopyExists());
    std::wstring temp = TemporaryCopyPath();
    EXPECT_FALSE(FileExists(temp.substr(temp.find_last_of(L'\\') + 1)));  // nor beside us
    HANDLE h = CreateFileW(ListPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << "list file still open";
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }

  // Looks label up with every call failing at each of its uses in turn (with
  // the file information failing first when copied, which sends the open
  // through a temporary copy). expected is the answer without failures.
  void RunWithEveryFault(const wchar_t* label, int expected, bool copied) {
    auto install = [&] {
      InstallFaultCalls();
      if (copied) SetFault(kFaultGetFileInformationByHandle, 1);
    };
    install();
    ASSERT_EQ(FindTLDInFile(label), expected);
    ExpectNothingLeft();
    int uses[kFaultCallCount];
    for (int call = 0; call < kFaultCallCount; ++call) uses[call] = CallCount(call);
    if (copied) {
      ASSERT_GE(uses[kFaultCreateFileW], 2);  // the list file, then the temporary copy
    }

    int failures = 0;
    for (int call = 0; call < kFaultCallCount; ++call) {
      for (int n = copied && call == kFaultGetFileInformationByHandle ? 2 : 1; n <= uses[call]; ++n) {
        SCOPED_TRACE(std::string(FaultCallName(call)) + " fails at use " + std::to_string(n));
        install();
        SetFault(call, n);
        int rc = FindTLDInFile(label);
        if (rc != expected) {
          ++failures;
          // A failed read only ends the copy early: what was copied is read.
          if (copied && call == kFaultReadFile) {
            EXPECT_TRUE(rc == -1 || rc == 0) << rc;
          } else {
            EXPECT_EQ(rc, -1);
          }
        }
        ExpectNothingLeft();
      }
    }
    EXPECT_GT(failures, 0);
  }
};

std::string LongList() {
  std::string text;
  for (int i = 0; i < 1500; ++i) text += "entry" + std::to_string(i) + "\r\n";  // > 8192 bytes
  return text + "zzz\r\n";
}

TEST_F(ListFileFaults, NamedFile) {
  WriteList(LongList());
  RunWithEveryFault(L"zzz", 1, false);
  RunWithEveryFault(L"com", 0, false);
}

TEST_F(ListFileFaults, FileCopiedToATemporaryFile) {
  WriteList(LongList());
  RunWithEveryFault(L"zzz", 1, true);
}

// An empty file knows no label (0) unless it cannot even be opened (-1).
TEST_F(ListFileFaults, EmptyFile) {
  WriteList("");
  RunWithEveryFault(L"com", 0, false);
  RunWithEveryFault(L"com", 0, true);
}

// What the validator makes of it: a list file that cannot be opened or
// mapped leaves the decision to the built-in table.
TEST_F(ListFileFaults, ValidatorFallsBackOnTheBuiltInTable) {
  WriteList("zzz\r\n");
  InstallFaultCalls();
  EXPECT_EQ(ValidateAddress(L"john@example.zzz", nullptr, nullptr), 0);
  EXPECT_EQ(ValidateAddress(L"john@example.com", nullptr, nullptr), 1048);
  for (int call : {kFaultAlloc, kFaultCreateFileW, kFaultCreateFileMappingW, kFaultMapViewOfFile}) {
    SCOPED_TRACE(FaultCallName(call));
    InstallFaultCalls();
    SetFault(call, 1);
    EXPECT_EQ(ValidateAddress(L"john@example.com", nullptr, nullptr), 0);
    InstallFaultCalls();
    SetFault(call, 1);
    EXPECT_EQ(ValidateAddress(L"john@example.zzz", nullptr, nullptr), 1048);
    ExpectNothingLeft();
  }
}

}  // namespace
