// Standard input from a console: the prompt goes to the console's screen,
// what is typed up to ^Z is copied into the temporary file, and the
// console's input handle stays open. Needs an X display for Wine's console
// window; skips without one.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "os_faults.h"
#include "textbytes.h"

namespace {

// Wine hands ^Z at the start of a console line to the reader as a byte;
// Windows ends the input there. This stand-in does what Windows does.
BOOL WINAPI ReadConsoleLikeWindows(HANDLE h, LPVOID buffer, DWORD size, LPDWORD got, LPOVERLAPPED o) {
  BOOL ok = OsTextDefaults.ReadFile(h, buffer, size, got, o);
  if (ok && *got > 0 && ((const char*)buffer)[0] == 0x1A) *got = 0;
  return ok;
}

void Type(HANDLE input, const wchar_t* text) {
  for (const wchar_t* p = text; *p; ++p) {
    INPUT_RECORD r[2] = {};
    for (int i = 0; i < 2; ++i) {
      r[i].EventType = KEY_EVENT;
      r[i].Event.KeyEvent.bKeyDown = i == 0;
      r[i].Event.KeyEvent.wRepeatCount = 1;
      r[i].Event.KeyEvent.uChar.UnicodeChar = *p;
      r[i].Event.KeyEvent.wVirtualKeyCode = *p == L'\r' ? VK_RETURN : *p == 0x1A ? 'Z' : 0;
      if (*p == 0x1A) r[i].Event.KeyEvent.dwControlKeyState = LEFT_CTRL_PRESSED;
    }
    DWORD n = 0;
    WriteConsoleInputW(input, r, 2, &n);
  }
}

TEST(ConsoleInput, PromptsCopiesAndKeepsTheConsole) {
  wchar_t display[256];
  if (!GetEnvironmentVariableW(L"DISPLAY", display, 256)) GTEST_SKIP() << "no X display";
  HANDLE savedIn = GetStdHandle(STD_INPUT_HANDLE), savedOut = GetStdHandle(STD_OUTPUT_HANDLE),
         savedErr = GetStdHandle(STD_ERROR_HANDLE);
  FreeConsole();
  AllocConsole();
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode;
  if (!GetConsoleMode(input, &mode)) {
    SetStdHandle(STD_INPUT_HANDLE, savedIn);
    GTEST_SKIP() << "no console here";
  }
  // Standard output goes elsewhere: the prompt must still reach the screen.
  HANDLE outRead, outWrite;
  ASSERT_TRUE(CreatePipe(&outRead, &outWrite, nullptr, 1 << 16));
  SetStdHandle(STD_OUTPUT_HANDLE, outWrite);

  Type(input, L"hello\r \r\x1A\r");
  InstallFaultCalls();
  OsText.ReadFile = ReadConsoleLikeWindows;
  EXPECT_EQ(IsConsoleHandle((QHandle)(intptr_t)-10), 1);
  TextSource s;
  ASSERT_EQ(OpenTextSource(&s, L"-"), 0);
  std::wstring temp = TemporaryCopyPath();
  ASSERT_NE(s.TempName, nullptr);
  EXPECT_EQ(std::wstring((const wchar_t*)s.TempName), temp);
  EXPECT_TRUE(FileExists(temp));
  EXPECT_STREQ((const wchar_t*)s.SourceName, L"-");
  EXPECT_EQ(ReadAllLines(&s), (std::vector<std::u16string>{u"hello"}));
  EXPECT_EQ(CloseTextSource(&s), 0);
  EXPECT_FALSE(FileExists(temp));
  EXPECT_EQ(LiveBlocks(), 0);
  EXPECT_EQ(LiveHandles(), 0);
  EXPECT_EQ(ForeignCloses(), 0);  // the console's input handle was not closed
  EXPECT_TRUE(GetConsoleMode(input, &mode));
  RemoveFaultCalls();

  HANDLE screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  wchar_t row[64] = {};
  DWORD read = 0;
  ReadConsoleOutputCharacterW(screen, row, 40, COORD{0, 0}, &read);
  EXPECT_EQ(std::wstring(row, read), L"Reading text from the console: (^Z ends)");
  CloseHandle(screen);
  DWORD pending = 1;
  PeekNamedPipe(outRead, nullptr, 0, nullptr, &pending, nullptr);
  EXPECT_EQ(pending, 0u);  // nothing went to standard output

  CloseHandle(outRead);
  CloseHandle(outWrite);
  FreeConsole();
  SetStdHandle(STD_INPUT_HANDLE, savedIn);
  SetStdHandle(STD_OUTPUT_HANDLE, savedOut);
  SetStdHandle(STD_ERROR_HANDLE, savedErr);
}

}  // namespace
