// Opening and closing real sources under Wine: files, standard input in a
// child process (from a file and from a pipe), standard input in this
// process, the clipboard; and the path helpers.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "os_faults.h"
#include "textbytes.h"

namespace {

std::wstring Wide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }

// A folder of files of its own under the temporary folder, removed after
// each test.
class TextFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    dir_ = std::wstring(temp) + L"textsource-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(dir_.c_str(), nullptr);
    InstallFaultCalls();
  }
  void TearDown() override {
    EXPECT_EQ(LiveBlocks(), 0);
    EXPECT_EQ(LiveHandles(), 0);
    EXPECT_EQ(LiveViews(), 0);
    RemoveFaultCalls();
    for (const auto& f : files_) DeleteFileW(f.c_str());
    RemoveDirectoryW(dir_.c_str());
  }
  std::wstring Write(const wchar_t* name, const Bytes& bytes) {
    std::wstring path = dir_ + L"\\" + name;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    if (!bytes.empty()) WriteFile(h, bytes.data(), (DWORD)bytes.size(), &n, nullptr);
    CloseHandle(h);
    files_.push_back(path);
    return path;
  }
  std::wstring dir_;
  std::vector<std::wstring> files_;
};

Bytes WithMark(const Bytes& mark, const std::u32string& text, int encoding) {
  Bytes out = mark, body;
  EXPECT_TRUE(EncodeText(text, encoding, &body));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

TEST(OpenTextSourceArgs, BadArgumentsLeaveTheRecordAlone) {
  TextSource s;
  memset(&s, 0xAB, sizeof s);
  TextSource before = s;
  EXPECT_EQ(OpenTextSource(nullptr, L"x"), -1);
  EXPECT_EQ(OpenTextSource(&s, nullptr), -1);
  EXPECT_EQ(OpenTextSource(&s, L""), -1);
  EXPECT_EQ(memcmp(&s, &before, sizeof s), 0);
  EXPECT_EQ(CloseTextSource(nullptr), -1);
}

TEST_F(TextFiles, MissingAndEmptyFiles) {
  TextSource s;
  std::wstring missing = dir_ + L"\\missing.txt";
  EXPECT_EQ(OpenTextSource(&s, missing.c_str()), 2);
  EXPECT_EQ(s.Error, 2);
  EXPECT_TRUE(IsClear(s));
  EXPECT_EQ(CloseTextSource(&s), 0);  // closing a clear record changes nothing
  EXPECT_EQ(s.Error, 2);
  EXPECT_TRUE(IsClear(s));

  std::wstring empty = Write(L"empty.txt", {});
  EXPECT_EQ(OpenTextSource(&s, empty.c_str()), -100);
  EXPECT_EQ(s.Error, -100);
  EXPECT_TRUE(IsClear(s));
  EXPECT_EQ(ForeignCloses(), 0);
}

TEST_F(TextFiles, FileOfFourGigabytesIsRefused) {
  std::wstring path = dir_ + L"\\huge.bin";
  files_.push_back(path);
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD ret = 0;
  DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ret, nullptr);
  LARGE_INTEGER size;
  size.QuadPart = 1ll << 32;
  ASSERT_TRUE(SetFilePointerEx(h, size, nullptr, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(h));
  CloseHandle(h);
  TextSource s;
  EXPECT_EQ(OpenTextSource(&s, path.c_str()), 223);
  EXPECT_EQ(s.Error, 223);
  EXPECT_TRUE(IsClear(s));
}

TEST_F(TextFiles, OpensFilesInEveryEncoding) {
  struct Case {
    const wchar_t* name;
    Bytes mark;
    int encoding;
  } cases[] = {
      {L"utf16le.txt", {0xFF, 0xFE}, EncUtf16Le}, {L"utf16be.txt", {0xFE, 0xFF}, EncUtf16Be},
      {L"utf8bom.txt", {0xEF, 0xBB, 0xBF}, EncUtf8}, {L"utf8.txt", {}, EncUtf8},
      {L"utf32le.txt", {0xFF, 0xFE, 0, 0}, EncUtf32Le}, {L"utf32be.txt", {0, 0, 0xFE, 0xFF}, EncUtf32Be},
      {L"ansi.txt", {}, EncAnsi},
  };
  const std::u32string text = U"com\r\n\r\n  caf\u00E9 \n\tnet";
  for (const Case& c : cases) {
    SCOPED_TRACE(EncodingName(c.encoding));
    std::wstring path = Write(c.name, WithMark(c.mark, text, c.encoding));
    TextSource s;
    ASSERT_EQ(OpenTextSource(&s, path.c_str()), 0);
    EXPECT_EQ(s.Encoding, c.encoding);
    EXPECT_EQ(s.BomLength, c.mark.size());
    EXPECT_EQ(s.Position, c.mark.size());
    EXPECT_EQ(Wide(std::u16string((const char16_t*)s.SourceName)), path);
    EXPECT_EQ(s.TempName, nullptr);
    EXPECT_NE(s.FileHandle, nullptr);
    EXPECT_NE(s.MappingHandle, nullptr);
    EXPECT_EQ(s.Error, 0);
    EXPECT_EQ(s.Replacement, 0xFFFD);
    EXPECT_EQ(s.Flags, 0u);
    EXPECT_EQ(s.Supplementary, 0);
    EXPECT_EQ(s.AnsiCodePage, GetACP());
    EXPECT_EQ(s.EbcdicCodePage, EbcdicCodePageForLocale(GetUserDefaultLCID()));
    EXPECT_EQ(s.EbcdicTable, (int32_t)s.EbcdicCodePage - 1140);
    EXPECT_EQ(ReadAllLines(&s), (std::vector<std::u16string>{u"com", u"  caf\u00E9 ", u"\tnet"}));
    EXPECT_EQ(CloseTextSource(&s), 0);
    EXPECT_TRUE(IsClear(s));
    EXPECT_EQ(s.Error, 0);
  }
}

TEST_F(TextFiles, ClipWithoutColonOrWithMoreIsAFileName) {
  std::wstring saved(MAX_PATH, L'\0');
  saved.resize(GetCurrentDirectoryW(MAX_PATH, &saved[0]));
  SetCurrentDirectoryW(dir_.c_str());
  std::wstring clip = Write(L"clip", WithMark({}, U"from a file", EncAnsi));
  TextSource s;
  EXPECT_EQ(OpenTextSource(&s, L"clip"), 0);
  EXPECT_EQ(Wide(std::u16string((const char16_t*)s.SourceName)), clip);
  EXPECT_EQ(ReadAllLines(&s), (std::vector<std::u16string>{u"from a file"}));
  CloseTextSource(&s);
  int rc = OpenTextSource(&s, L"clip:x");
  EXPECT_NE(rc, 0);
  EXPECT_NE(rc, -1);
  EXPECT_EQ(s.Error, rc);
  SetCurrentDirectoryW(saved.c_str());
}

std::wstring openedPath;
HANDLE WINAPI RecordingCreateFile(LPCWSTR name, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) {
  openedPath = name;
  SetLastError(ERROR_PATH_NOT_FOUND);
  return INVALID_HANDLE_VALUE;
}
const wchar_t* trueNameToGive;
LPWSTR WINAPI GivenTrueName(LPCWSTR, LPWSTR result) {
  lstrcpyW(result, trueNameToGive);
  return result;
}

TEST(OpenTextSourceNames, VolumeNamesGetTheDevicePrefix) {
  struct {
    const wchar_t* trueName;
    const wchar_t* opened;
  } cases[] = {
      {L"Volume{0a1b2c3d}\\dir\\x.txt", L"\\\\.\\Volume{0a1b2c3d}\\dir\\x.txt"},
      {L"Volume{Fa1b}\\x.txt", L"\\\\.\\Volume{Fa1b}\\x.txt"},
      {L"Volume{xa1b}\\x.txt", L"Volume{xa1b}\\x.txt"},
      {L"volume{0a1b}\\x.txt", L"volume{0a1b}\\x.txt"},
      {L"C:\\Volume{0a1b}\\x.txt", L"C:\\Volume{0a1b}\\x.txt"},
  };
  for (const auto& c : cases) {
    OsText.QueryTrueName = GivenTrueName;
    OsText.CreateFileW = RecordingCreateFile;
    trueNameToGive = c.trueName;
    TextSource s;
    EXPECT_EQ(OpenTextSource(&s, L"x.txt"), ERROR_PATH_NOT_FOUND);
    OsText = OsTextDefaults;
    EXPECT_EQ(openedPath, c.opened);
    EXPECT_TRUE(IsClear(s));
  }
}

TEST(PathHelpers, AppendFileName) {
  struct {
    const wchar_t* folder;
    const wchar_t* name;
    const wchar_t* result;
  } cases[] = {
      {L"C:\\dir", L"x.txt", L"C:\\dir\\x.txt"}, {L"C:\\dir\\", L"x.txt", L"C:\\dir\\x.txt"},
      {L"C:", L"x.txt", L"C:x.txt"},             {L"", L"x.txt", L"x.txt"},
      {L"dir", L"\\x.txt", L"dir\\x.txt"},       {L"dir/", L"x.txt", L"dir/x.txt"},
      {L"dir", L"/x.txt", L"dir/x.txt"},         {L"dir", L"", L"dir\\"},
  };
  static qchar folder[TEXT_PATH_LEN];
  for (const auto& c : cases) {
    lstrcpyW(folder, c.folder);
    EXPECT_EQ(AppendFileName(folder, c.name), 0);
    EXPECT_STREQ(folder, c.result);
  }
  EXPECT_EQ(AppendFileName(nullptr, L"x"), -1);
  EXPECT_EQ(AppendFileName(folder, nullptr), -1);

  // Bounded by the buffer: a full folder stays terminated, nothing spills.
  static qchar big[TEXT_PATH_LEN + 8];
  for (int i = 0; i < TEXT_PATH_LEN + 8; ++i) big[i] = L'#';
  for (int i = 0; i < TEXT_PATH_LEN - 3; ++i) big[i] = L'd';
  big[TEXT_PATH_LEN - 3] = 0;
  EXPECT_EQ(AppendFileName(big, L"name.txt"), 0);
  EXPECT_EQ(lstrlenW(big), TEXT_PATH_LEN - 1);
  EXPECT_EQ(big[TEXT_PATH_LEN - 3], L'\\');
  EXPECT_EQ(big[TEXT_PATH_LEN - 2], L'n');
  for (int i = TEXT_PATH_LEN; i < TEXT_PATH_LEN + 8; ++i) EXPECT_EQ(big[i], L'#');
}

TEST(PathHelpers, AddDevicePrefix) {
  static qchar path[TEXT_PATH_LEN + 8];
  lstrcpyW(path, L"Volume{0a1b}\\x.txt");
  EXPECT_EQ(AddDevicePrefix(path), 0);
  EXPECT_STREQ(path, L"\\\\.\\Volume{0a1b}\\x.txt");
  EXPECT_EQ(AddDevicePrefix(nullptr), -1);
  for (int i = 0; i < TEXT_PATH_LEN + 8; ++i) path[i] = L'#';
  for (int i = 0; i < TEXT_PATH_LEN - 1; ++i) path[i] = L'v';
  path[TEXT_PATH_LEN - 1] = 0;
  EXPECT_EQ(AddDevicePrefix(path), 0);
  EXPECT_EQ(lstrlenW(path), TEXT_PATH_LEN - 1);
  EXPECT_EQ(path[4], L'v');
  for (int i = TEXT_PATH_LEN; i < TEXT_PATH_LEN + 8; ++i) EXPECT_EQ(path[i], L'#');
}

TEST(PathHelpers, IsConsoleHandle) {
  EXPECT_EQ(IsConsoleHandle(nullptr), 0);
  DWORD mode;
  int expected = GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) ? 1 : 0;
  EXPECT_EQ(IsConsoleHandle((QHandle)(intptr_t)-10), expected);
  HANDLE r, w;
  ASSERT_TRUE(CreatePipe(&r, &w, nullptr, 0));
  EXPECT_EQ(IsConsoleHandle(r), 0);
  CloseHandle(r);
  CloseHandle(w);
}

// ---- Standard input in a child process -------------------------------------

// Runs textsource_stdin_child with the given standard input; returns its
// report as key -> values. When feed is given, it is written into the pipe
// that stdin reads from.
std::multimap<std::string, std::string> RunChild(HANDLE input, HANDLE feed = nullptr,
                                                 const std::string& data = "") {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring child = exe;
  child = child.substr(0, child.find_last_of(L'\\') + 1) + L"textsource_stdin_child.exe";
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE outRead, outWrite;
  EXPECT_TRUE(CreatePipe(&outRead, &outWrite, &sa, 0));
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = input;
  si.hStdOutput = outWrite;
  si.hStdError = outWrite;
  PROCESS_INFORMATION pi = {};
  std::wstring cmd = L"\"" + child + L"\"";
  BOOL ok = CreateProcessW(child.c_str(), &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  EXPECT_TRUE(ok) << GetLastError();
  CloseHandle(outWrite);
  CloseHandle(input);
  if (feed) {
    DWORD n = 0;
    WriteFile(feed, data.data(), (DWORD)data.size(), &n, nullptr);
    CloseHandle(feed);
  }
  std::string report;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(outRead, buffer, sizeof buffer, &got, nullptr) && got) report.append(buffer, got);
  CloseHandle(outRead);
  if (ok) {
    WaitForSingleObject(pi.hProcess, 60000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
  std::multimap<std::string, std::string> fields;
  fields.emplace("pid", std::to_string(pi.dwProcessId));
  size_t start = 0;
  while (start < report.size()) {
    size_t end = report.find('\n', start);
    if (end == std::string::npos) end = report.size();
    std::string line = report.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t eq = line.find('=');
    if (eq != std::string::npos) fields.emplace(line.substr(0, eq), line.substr(eq + 1));
    start = end + 1;
  }
  return fields;
}

std::string Field(const std::multimap<std::string, std::string>& f, const char* key) {
  auto it = f.find(key);
  return it == f.end() ? "<none>" : it->second;
}

std::vector<std::string> Fields(const std::multimap<std::string, std::string>& f, const char* key) {
  std::vector<std::string> out;
  auto range = f.equal_range(key);
  for (auto it = range.first; it != range.second; ++it) out.push_back(it->second);
  return out;
}

TEST_F(TextFiles, StandardInputFromAFileIsMappedFromItsFirstByte) {
  std::wstring path = Write(L"stdin.txt", WithMark({0xFF, 0xFE}, U"first\r\nsecond\r\n", EncUtf16Le));
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, &sa, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  SetFilePointer(file, 6, nullptr, FILE_BEGIN);  // the position does not matter
  auto report = RunChild(file);
  EXPECT_EQ(Field(report, "console"), "0");
  EXPECT_EQ(Field(report, "rc"), "0");
  EXPECT_EQ(Field(report, "encoding"), "1");
  EXPECT_EQ(Field(report, "position"), "2");
  EXPECT_EQ(Field(report, "name"), "-");
  EXPECT_EQ(Field(report, "temp"), "");
  EXPECT_EQ(Fields(report, "line"), (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(Field(report, "close"), "0");
  EXPECT_EQ(Field(report, "stdin_open"), "0");  // closing closed standard input
}

TEST_F(TextFiles, StandardInputFromAPipeIsCopied) {
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE r, w;
  ASSERT_TRUE(CreatePipe(&r, &w, &sa, 1 << 16));
  SetHandleInformation(w, HANDLE_FLAG_INHERIT, 0);
  // Several rounds of the 8192-byte copy buffer.
  std::string data;
  std::vector<std::string> expected;
  for (int i = 0; i < 3000; ++i) {
    expected.push_back("line" + std::to_string(i) + " caf\xC3\xA9");
    data += expected.back() + "\n";
  }
  ASSERT_GT(data.size(), 3u * 8192);
  auto report = RunChild(r, w, data);
  EXPECT_EQ(Field(report, "rc"), "0");
  EXPECT_EQ(Field(report, "size"), std::to_string(data.size()));
  EXPECT_EQ(Field(report, "encoding"), "3");
  // The temporary folder, the plug-in's name and the child's id in hexadecimal.
  char folder[MAX_PATH + 1] = {}, name[64];
  GetTempPathA(MAX_PATH + 1, folder);
  wsprintfA(name, "Quorvel-%04x.tmp", (unsigned)std::stoul(Field(report, "pid")));
  EXPECT_EQ(Field(report, "temp"), std::string(folder) + name);
  EXPECT_EQ(Field(report, "temp_exists"), "1");
  EXPECT_EQ(Fields(report, "line"), expected);
  EXPECT_EQ(Field(report, "temp_after"), "0");
  EXPECT_EQ(Field(report, "stdin_open"), "0");  // the pipe was closed after the copy
}

TEST_F(TextFiles, StandardInputFromAnEmptyPipe) {
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE r, w;
  ASSERT_TRUE(CreatePipe(&r, &w, &sa, 0));
  SetHandleInformation(w, HANDLE_FLAG_INHERIT, 0);
  auto report = RunChild(r, w, "");
  EXPECT_EQ(Field(report, "rc"), "-100");
  EXPECT_EQ(Field(report, "error"), "-100");
  EXPECT_EQ(Field(report, "temp"), "");
  // The temporary file was deleted by the failed open.
  wchar_t folder[MAX_PATH + 1] = {}, name[64];
  GetTempPathW(MAX_PATH + 1, folder);
  wsprintfW(name, L"Quorvel-%04x.tmp", (unsigned)std::stoul(Field(report, "pid")));
  EXPECT_FALSE(FileExists(std::wstring(folder) + name));
}

// ---- Standard input in this process ----------------------------------------

// Sets this process's standard input to the read end of a pipe that holds
// text; restores the original at the end of the scope. The reader closing
// the pipe shows in ForeignCloses (its handle value may be reused at once).
class PipeInput {
 public:
  explicit PipeInput(const std::string& text) {
    saved_ = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE w;
    CreatePipe(&read_, &w, nullptr, 1 << 16);
    DWORD n;
    if (!text.empty()) WriteFile(w, text.data(), (DWORD)text.size(), &n, nullptr);
    CloseHandle(w);
    SetStdHandle(STD_INPUT_HANDLE, read_);
    closes_ = ForeignCloses();
  }
  ~PipeInput() {
    if (!Closed()) CloseHandle(read_);
    SetStdHandle(STD_INPUT_HANDLE, saved_);
  }
  bool Closed() const { return ForeignCloses() > closes_; }

 private:
  HANDLE saved_, read_;
  int closes_;
};

TEST_F(TextFiles, SecondTemporaryCopyInOneProcessIsASharingViolation) {
  std::wstring temp = TemporaryCopyPath();
  TextSource first, second;
  {
    PipeInput input("first source\n");
    ASSERT_EQ(OpenTextSource(&first, L"-"), 0);
    EXPECT_TRUE(input.Closed());
  }
  ASSERT_NE(first.TempName, nullptr);
  EXPECT_EQ(Wide(std::u16string((const char16_t*)first.TempName)), temp);
  EXPECT_TRUE(FileExists(temp));
  {
    PipeInput input("second source\n");
    EXPECT_EQ(OpenTextSource(&second, L"-"), ERROR_SHARING_VIOLATION);
    EXPECT_TRUE(IsClear(second));
    EXPECT_TRUE(input.Closed());  // the failed open released standard input too
  }
  EXPECT_TRUE(FileExists(temp));  // the first source's copy is left alone
  EXPECT_EQ(ReadAllLines(&first), (std::vector<std::u16string>{u"first source"}));
  EXPECT_EQ(CloseTextSource(&first), 0);
  EXPECT_FALSE(FileExists(temp));
  EXPECT_TRUE(IsClear(first));
}

// ---- The clipboard ----------------------------------------------------------

// Puts text on the clipboard as CF_UNICODETEXT, or empties it when text is
// null. False when the clipboard is not usable here.
bool SetClipboardText(const wchar_t* text) {
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  bool ok = true;
  if (text) {
    size_t units = lstrlenW(text) + 1;
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, units * sizeof(wchar_t));
    memcpy(GlobalLock(g), text, units * sizeof(wchar_t));
    GlobalUnlock(g);
    ok = SetClipboardData(CF_UNICODETEXT, g) != nullptr;
  }
  CloseClipboard();
  return ok;
}

class Clipboard : public TextFiles {
 protected:
  void SetUp() override {
    wchar_t display[256];
    if (!GetEnvironmentVariableW(L"DISPLAY", display, 256)) GTEST_SKIP() << "no X display";
    if (!SetClipboardText(L"probe")) GTEST_SKIP() << "clipboard not usable";
    TextFiles::SetUp();
  }
};

TEST_F(Clipboard, OpensTheUnicodeTextInAnyLetterCase) {
  for (const wchar_t* name : {L"clip:", L"CLIP:", L"Clip:"}) {
    ASSERT_TRUE(SetClipboardText(L"ab"));
    TextSource s;
    ASSERT_EQ(OpenTextSource(&s, name), 0);
    EXPECT_STREQ((const wchar_t*)s.SourceName, name);
    EXPECT_EQ(s.Size, 4u);
    EXPECT_EQ(s.Encoding, EncUtf16Le);
    EXPECT_EQ(s.Position, 0u);
    EXPECT_EQ(s.BomLength, 0u);
    EXPECT_EQ(s.FileHandle, nullptr);
    EXPECT_EQ(s.MappingHandle, nullptr);
    EXPECT_EQ(s.TempName, nullptr);
    EXPECT_EQ(LiveBlocks(), 2);  // the name and the 6-byte copy
    EXPECT_EQ(memcmp(s.Data, "a\0b\0\0\0", 6), 0);
    EXPECT_EQ(OpenClipboards(), 0);  // held only while copying
    EXPECT_EQ(ReadAllLines(&s), (std::vector<std::u16string>{u"ab"}));
    EXPECT_EQ(CloseTextSource(&s), 0);
    EXPECT_TRUE(IsClear(s));
  }
}

TEST_F(Clipboard, LeadingMarkIsACharacter) {
  ASSERT_TRUE(SetClipboardText(L"\xFEFFx\r\ny"));
  TextSource s;
  ASSERT_EQ(OpenTextSource(&s, L"clip:"), 0);
  EXPECT_EQ(s.Position, 0u);
  EXPECT_EQ(ReadAllLines(&s), (std::vector<std::u16string>{u"\xFEFFx", u"y"}));
  CloseTextSource(&s);
}

TEST_F(Clipboard, EmptyOrMissingTextFails) {
  TextSource s;
  ASSERT_TRUE(SetClipboardText(L""));
  EXPECT_EQ(OpenTextSource(&s, L"clip:"), -1);
  EXPECT_EQ(s.Error, 0);
  EXPECT_TRUE(IsClear(s));
  ASSERT_TRUE(SetClipboardText(nullptr));
  EXPECT_EQ(OpenTextSource(&s, L"clip:"), -1);
  EXPECT_TRUE(IsClear(s));
  EXPECT_EQ(OpenClipboards(), 0);
}

}  // namespace
