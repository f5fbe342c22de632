// The list file TLDs.txt, through the real exports: the plug-in is loaded from
// a folder of this test's own (bin/tldtest/plugin), and the test writes the
// list file beside it in many encodings and shapes.
#include <windows.h>

#include <string>
#include <vector>

#include "common/version.h"
#include "support/plugin_fixture.h"

namespace {

std::wstring PluginFolder() { return ProgramFolder() + L"plugin\\"; }
std::wstring ListPath() { return PluginFolder() + L"TLDs.txt"; }

void RemoveList(const std::wstring& path) {
  DeleteFileW(path.c_str());
  RemoveDirectoryW(path.c_str());
}

// Text encoders (the test texts hold characters of the BMP only).
enum Enc { Utf8, Utf8Bom, Utf16Le, Utf16LeBom, Utf16Be, Utf16BeBom, Utf32LeBom, Utf32BeBom };

std::string Encode(const std::wstring& text, Enc enc) {
  std::string out;
  auto put = [&](unsigned u, int bytes, bool le) {
    for (int i = 0; i < bytes; ++i) out += (char)(u >> (8 * (le ? i : bytes - 1 - i)));
  };
  int width = (enc == Utf32LeBom || enc == Utf32BeBom) ? 4 : 2;
  bool le = enc == Utf16Le || enc == Utf16LeBom || enc == Utf32LeBom;
  if (enc == Utf8 || enc == Utf8Bom) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &s[0], n, nullptr, nullptr);
    return (enc == Utf8Bom ? "\xEF\xBB\xBF" : "") + s;
  }
  if (enc != Utf16Le && enc != Utf16Be) put(0xFEFF, width, le);
  for (wchar_t c : text) put(c, width, le);
  return out;
}

std::wstring Join(const std::vector<std::wstring>& lines, const std::wstring& eol) {
  std::wstring s;
  for (const std::wstring& l : lines) s += l + eol;
  return s;
}

const std::wstring kMoskva = L"\x043C\x043E\x0441\x043A\x0432\x0430";  // lower-case Cyrillic
const std::wstring kMOSKVA = L"\x041C\x041E\x0421\x041A\x0412\x0410";  // its capitals

// One line of each shape the parser meets.
const std::vector<std::wstring> kListLines = {
    L"# top-level domains known here",
    L"  com    commercial",
    L".org",
    L"   NET   network",
    L"info.example   first label only",
    L"-bad",
    L"..museum",
    L"2xyz",
    L"c_m",
    kMoskva + L"  (non-Latin)",
};

class TldFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearSavedSettings();
    RemoveList(ListPath());
    RemoveList(ProgramFolder() + L"TLDs.txt");
    HostSetVariable(L"_transient", L"1");
    ASSERT_TRUE(LoadPluginExports(&plugin_, (PluginFolder() + PLUGIN_FILE_NAME).c_str()));
    OutputCapture capture;
    plugin_.GetPluginInfo();
    ASSERT_EQ(plugin_.InitializePlugin(), 0);
  }
  void TearDown() override {
    if (plugin_.ShutdownPlugin) plugin_.ShutdownPlugin(TRUE);
    UnloadPluginExports(&plugin_);
    RemoveList(ListPath());
    RemoveList(ProgramFolder() + L"TLDs.txt");
    HostSetVariable(L"_transient", nullptr);
    ClearSavedSettings();
  }

  // Runs the command quietly with the given switches.
  void Set(std::wstring switches) {
    switches += L" /Z";
    OutputCapture capture;
    ASSERT_EQ(plugin_.quorvel(&switches[0]), 0);
  }

  // @quorvel of user@example.<tld>.
  std::wstring CheckTld(const std::wstring& tld) {
    wchar_t buffer[8192] = {};
    (L"user@example." + tld).copy(buffer, 8191);
    EXPECT_EQ(plugin_.f_quorvel(buffer), 0);
    return buffer;
  }

  // Each label with the result @quorvel must give for it.
  void Expect(const std::vector<std::pair<std::wstring, std::wstring>>& cases) {
    for (const auto& c : cases) EXPECT_EQ(CheckTld(c.first), c.second) << "label " << testing::PrintToString(c.first);
  }

  // What the common list decides, label by label.
  void ExpectCommonList() {
    Expect({{L"com", L"0"}, {L"COM", L"0"}, {L"Com", L"0"}, {L"org", L"0"}, {L"net", L"0"},
            {L"info", L"0"}, {L"example", L"1048"}, {L"bad", L"1048"}, {L"museum", L"1048"},
            {L"xyz", L"1048"}, {L"c_m", L"1048"}, {L"c", L"0"}, {L"edu", L"1048"},
            {L"commercial", L"1048"}, {kMoskva, L"0"}, {kMOSKVA, L"1048"}});
  }

  // The list file can be opened exclusively: the plug-in left nothing open.
  void ExpectListClosed() {
    HANDLE h = CreateFileW(ListPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << "list file still in use, error " << GetLastError();
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }

  PluginExports plugin_;
};

class TldFileEncodingTest : public TldFileTest, public ::testing::WithParamInterface<Enc> {};

TEST_P(TldFileEncodingTest, EntriesDecide) {
  WriteBytes(ListPath(), Encode(Join(kListLines, L"\r\n"), GetParam()));
  ExpectCommonList();
  ExpectListClosed();
}

INSTANTIATE_TEST_SUITE_P(Encodings, TldFileEncodingTest,
                         ::testing::Values(Utf8, Utf8Bom, Utf16Le, Utf16LeBom, Utf16Be, Utf16BeBom,
                                           Utf32LeBom, Utf32BeBom));

class TldFileLineEndTest : public TldFileTest,
                           public ::testing::WithParamInterface<std::tuple<const wchar_t*, Enc>> {};

TEST_P(TldFileLineEndTest, EntriesDecide) {
  std::wstring text = Join(kListLines, std::get<0>(GetParam()));
  text.pop_back();  // the last line without its (last) line-end character
  WriteBytes(ListPath(), Encode(text, std::get<1>(GetParam())));
  ExpectCommonList();
}

INSTANTIATE_TEST_SUITE_P(LineEnds, TldFileLineEndTest,
                         ::testing::Combine(::testing::Values(L"\r", L"\n", L"\r\n", L"\n\r", L"\x0085"),
                                            ::testing::Values(Utf8Bom, Utf16Be)));

TEST_F(TldFileTest, AnsiCodePage) {
  // A word of non-ASCII letters that the system's ANSI code page can write.
  UINT acp = GetACP();
  if (acp == CP_UTF8) GTEST_SKIP() << "the ANSI code page is UTF-8";
  std::wstring word;
  std::string bytes;
  for (const wchar_t* w : {L"fa\x00E7" L"ade", L"\x043C\x043E\x0441\x043A\x0432\x0430", L"\x03B5\x03BB\x03BB\x03AC\x03B4\x03B1"}) {
    BOOL lossy = FALSE;
    char out[32];
    int n = WideCharToMultiByte(acp, WC_NO_BEST_FIT_CHARS, w, -1, out, sizeof out, nullptr, &lossy);
    if (n > 0 && !lossy) { word = w; bytes = out; break; }
  }
  if (word.empty()) GTEST_SKIP() << "no test word for code page " << acp;
  WriteBytes(ListPath(), "  com remark\r\n.org\r\n" + bytes + "\r\n");
  Expect({{L"com", L"0"}, {L"org", L"0"}, {word, L"0"}, {L"net", L"1048"}});
}

TEST_F(TldFileTest, OnlyItsEntriesDecide) {
  WriteBytes(ListPath(), "com\r\nc0\r\n");
  Expect({{L"com", L"0"}, {L"COM", L"0"}, {L"Com", L"0"}, {L"org", L"1048"}, {L"info", L"1048"},
          {L"uk", L"0"}, {L"c0", L"0"}, {L"x0", L"1048"}});  // no two-letter rule for a digit
  ExpectListClosed();
}

TEST_F(TldFileTest, EmptyOrBlankFileKnowsNothing) {
  for (const char* content : {"", "\r\n   \r\n\t\n"}) {
    WriteBytes(ListPath(), content);
    Set(L"/2:Y");
    Expect({{L"com", L"1048"}, {L"org", L"1048"}, {L"uk", L"0"}});
    Set(L"/2:N");
    Expect({{L"uk", L"1048"}});
    ExpectListClosed();
  }
}

TEST_F(TldFileTest, BuiltInTableWithoutUsableFile) {
  auto expectBuiltIn = [&] {
    Expect({{L"com", L"0"}, {L"info", L"0"}, {L"COM", L"0"}, {L"xyz", L"1048"}});
  };
  expectBuiltIn();  // no file at all
  // A file beside the host program, not beside the library, is not looked at.
  WriteBytes(ProgramFolder() + L"TLDs.txt", "xyz\r\n");
  expectBuiltIn();
  // A folder where the file should be.
  ASSERT_TRUE(CreateDirectoryW(ListPath().c_str(), nullptr));
  expectBuiltIn();
  RemoveDirectoryW(ListPath().c_str());
  // A file that another program holds open exclusively.
  WriteBytes(ListPath(), "xyz\r\n");
  HANDLE h = CreateFileW(ListPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  expectBuiltIn();
  CloseHandle(h);
  Expect({{L"xyz", L"0"}, {L"com", L"1048"}});
}

TEST_F(TldFileTest, ReadAfreshAtEveryLookup) {
  WriteBytes(ListPath(), "xyz\n");
  Expect({{L"xyz", L"0"}, {L"com", L"1048"}});
  WriteBytes(ListPath(), "com\n");
  Expect({{L"xyz", L"1048"}, {L"com", L"0"}});
  RemoveList(ListPath());
  Expect({{L"xyz", L"1048"}, {L"org", L"0"}});
}

TEST_F(TldFileTest, LineLongerThanTheBuffer) {
  // The long line is cut: its tail, past 8191 characters, gives no entry.
  WriteBytes(ListPath(), std::string(9000, 'x') + " net\r\norg\r\n");
  Expect({{L"org", L"0"}, {L"net", L"1048"}});
  ExpectListClosed();
}

TEST_F(TldFileTest, DebugTrace) {
  WriteBytes(ListPath(), "# remark\r\n  com\r\n.net\r\n\r\norg\r\ninfo\r\n");
  Set(L"/$:Y");
  std::wstring path = ListPath();
  {
    OutputCapture capture;
    EXPECT_EQ(CheckTld(L"org"), L"0");
    std::wstring out = capture.Out();
    size_t at = out.find(L"   * KnownTLD(");
    ASSERT_NE(at, std::wstring::npos) << testing::PrintToString(out);
    EXPECT_EQ(out.substr(at),
              L"   * KnownTLD( 'org' )\r\n"
              L"   * Looking for top-level domain 'org' in file " + path + L" :\n"
              L"   * Compare 'org' against 'com' :\n"
              L"   * Compare 'org' against 'net' :\n"
              L"   * Compare 'org' against 'org' :\n");
  }
  {
    // Two ASCII letters: the file is not opened.
    OutputCapture capture;
    EXPECT_EQ(CheckTld(L"uk"), L"0");
    EXPECT_EQ(capture.Out().find(L"Looking for"), std::wstring::npos);
  }
}

}  // namespace
