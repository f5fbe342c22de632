// Failures injected into every platform call of the open path, one use at a
// time: the open either succeeds and reads the whole text, or fails with the
// right code; either way the record ends clear (Error kept), no block,
// handle, view or clipboard is left, and no temporary file remains.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "os_faults.h"
#include "textbytes.h"

namespace {

// One way of opening a source: prepares it, opens it into *s and cleans up.
struct Scenario {
  const char* name;
  std::function<int(TextSource*)> open;
  std::vector<std::u16string> lines;  // what a successful open reads
  bool clipboard;
};

std::string Text() {
  std::string text;
  for (int i = 0; i < 1500; ++i) text += "entry" + std::to_string(i) + "\r\n";  // > 8192 bytes
  return text;
}

std::vector<std::u16string> TextLines() {
  std::vector<std::u16string> lines;
  for (int i = 0; i < 1500; ++i) {
    std::string l = "entry" + std::to_string(i);
    lines.push_back(std::u16string(l.begin(), l.end()));
  }
  return lines;
}

std::wstring WriteFileOnce(const std::string& text) {
  wchar_t folder[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, folder);
  std::wstring path = std::wstring(folder) + L"textsource-faults-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD n;
  WriteFile(h, text.data(), (DWORD)text.size(), &n, nullptr);
  CloseHandle(h);
  return path;
}

// Runs the scenario with each call failing at each of its uses in turn.
void RunWithEveryFault(const Scenario& sc) {
  SCOPED_TRACE(sc.name);
  std::wstring temp = TemporaryCopyPath();
  std::wstring relativeTemp = temp.substr(temp.find_last_of(L'\\') + 1);
  InstallFaultCalls();
  TextSource s;
  ASSERT_EQ(sc.open(&s), 0);
  EXPECT_EQ(ReadAllLines(&s), sc.lines);
  CloseTextSource(&s);
  int uses[kFaultCallCount];
  for (int call = 0; call < kFaultCallCount; ++call) uses[call] = CallCount(call);

  int failures = 0;
  for (int call = 0; call < kFaultCallCount; ++call) {
    for (int n = 1; n <= uses[call]; ++n) {
      SCOPED_TRACE(std::string(FaultCallName(call)) + " fails at use " + std::to_string(n));
      InstallFaultCalls();
      SetFault(call, n);
      memset(&s, 0x5A, sizeof s);
      int rc = sc.open(&s);
      if (rc == 0) {
        std::vector<std::u16string> lines = ReadAllLines(&s);
        if (call == kFaultReadFile) {  // a failed read ends the copy early
          ASSERT_LE(lines.size(), sc.lines.size());
          for (size_t i = 0; i + 1 < lines.size(); ++i) EXPECT_EQ(lines[i], sc.lines[i]);
        } else {
          EXPECT_EQ(lines, sc.lines);
        }
        EXPECT_EQ(CloseTextSource(&s), 0);
      } else {
        ++failures;
        if (sc.clipboard && !(call == kFaultAlloc && n == 1)) {
          EXPECT_EQ(rc, -1);  // every failure of the clipboard itself
          EXPECT_EQ(s.Error, 0);
        } else {
          EXPECT_EQ(s.Error, rc);
          if (call == kFaultAlloc) {
            EXPECT_EQ(rc, 8);
          } else if (call == kFaultCreateFileW || call == kFaultWriteFile ||
                     call == kFaultCreateFileMappingW || call == kFaultMapViewOfFile ||
                     call == kFaultGetTempPathW) {
            EXPECT_EQ(rc, (int)FaultError(call));
          }
        }
      }
      EXPECT_TRUE(IsClear(s));
      EXPECT_EQ(LiveBlocks(), 0);
      EXPECT_EQ(LiveHandles(), 0);
      EXPECT_EQ(LiveViews(), 0);
      EXPECT_EQ(OpenClipboards(), 0);
      EXPECT_FALSE(FileExists(temp));
      EXPECT_FALSE(FileExists(relativeTemp));
    }
  }
  EXPECT_GT(failures, 0);
  RemoveFaultCalls();
}

TEST(OpenFaults, NamedFile) {
  std::wstring path = WriteFileOnce(Text());
  RunWithEveryFault({"named file", [&](TextSource* s) { return OpenTextSource(s, path.c_str()); },
                     TextLines(), false});
  DeleteFileW(path.c_str());
}

TEST(OpenFaults, StandardInputFromAPipe) {
  HANDLE saved = GetStdHandle(STD_INPUT_HANDLE);
  RunWithEveryFault({"pipe",
                     [&](TextSource* s) {
                       HANDLE r, w;
                       CreatePipe(&r, &w, nullptr, 1 << 16);
                       std::string text = Text();
                       DWORD n;
                       WriteFile(w, text.data(), (DWORD)text.size(), &n, nullptr);
                       CloseHandle(w);
                       SetStdHandle(STD_INPUT_HANDLE, r);
                       int closes = ForeignCloses();
                       int rc = OpenTextSource(s, L"-");
                       // The reader closes the pipe once it holds it (a failed
                       // open too); before that it is still ours.
                       if (ForeignCloses() == closes) CloseHandle(r);
                       SetStdHandle(STD_INPUT_HANDLE, saved);
                       return rc;
                     },
                     TextLines(), false});
}

TEST(OpenFaults, Clipboard) {
  wchar_t display[256];
  if (!GetEnvironmentVariableW(L"DISPLAY", display, 256)) GTEST_SKIP() << "no X display";
  if (!OpenClipboard(nullptr)) GTEST_SKIP() << "clipboard not usable";
  EmptyClipboard();
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, 16);
  memcpy(GlobalLock(g), L"one\ntwo", 16);
  GlobalUnlock(g);
  bool set = SetClipboardData(CF_UNICODETEXT, g) != nullptr;
  CloseClipboard();
  if (!set) GTEST_SKIP() << "clipboard not usable";
  RunWithEveryFault({"clipboard", [](TextSource* s) { return OpenTextSource(s, L"clip:"); },
                     {u"one", u"two"}, true});
}

// Stand-ins for a clipboard whose text has no terminating zero.
HGLOBAL unterminated;
BOOL WINAPI FakeOpenClipboard(HWND) { return TRUE; }
BOOL WINAPI FakeCloseClipboard(void) { return TRUE; }
HANDLE WINAPI FakeClipboardData(UINT format) { return format == CF_UNICODETEXT ? unterminated : nullptr; }

TEST(OpenFaults, ClipboardTextWithoutZeroEndsWithItsBlock) {
  unterminated = GlobalAlloc(GMEM_MOVEABLE, 8);
  memcpy(GlobalLock(unterminated), L"abcd", 8);
  GlobalUnlock(unterminated);
  ASSERT_EQ(GlobalSize(unterminated), 8u);
  InstallFaultCalls();
  OsText.OpenClipboard = FakeOpenClipboard;
  OsText.CloseClipboard = FakeCloseClipboard;
  OsText.GetClipboardData = FakeClipboardData;
  TextSource s;
  ASSERT_EQ(OpenTextSource(&s, L"clip:"), 0);
  EXPECT_EQ(s.Size, 8u);
  EXPECT_EQ(memcmp(s.Data, L"abcd", 10), 0);  // copied with a zero unit of its own
  EXPECT_EQ(ReadAllLines(&s), (std::vector<std::u16string>{u"abcd"}));
  CloseTextSource(&s);
  EXPECT_EQ(LiveBlocks(), 0);
  RemoveFaultCalls();
  GlobalFree(unterminated);
}

// A file whose information cannot be read is copied like a pipe.
TEST(OpenFaults, FileWithoutInformationIsCopied) {
  std::wstring path = WriteFileOnce("alpha\nbeta\n");
  InstallFaultCalls();
  SetFault(kFaultGetFileInformationByHandle, 1);
  TextSource s;
  ASSERT_EQ(OpenTextSource(&s, path.c_str()), 0);
  ASSERT_NE(s.TempName, nullptr);
  EXPECT_EQ(std::wstring((const wchar_t*)s.TempName), TemporaryCopyPath());
  EXPECT_EQ(s.Size, 11u);
  EXPECT_EQ(ReadAllLines(&s), (std::vector<std::u16string>{u"alpha", u"beta"}));
  CloseTextSource(&s);
  EXPECT_FALSE(FileExists(TemporaryCopyPath()));
  EXPECT_EQ(LiveHandles(), 0);
  EXPECT_EQ(ForeignCloses(), 0);
  RemoveFaultCalls();
  DeleteFileW(path.c_str());
}

}  // namespace
