// Opens standard input ("-") with the text source reader and reports, one
// "key=value" line each, what it found: the result and fields, whether the
// temporary copy exists while open and after closing, and every line read
// (UTF-8). Started by textsource_open_test with standard input redirected.
#include <windows.h>
#include <stdio.h>

#include <string>

#include "textsource/textsource.h"

static void PrintWide(const char* key, const wchar_t* text) {
  char utf8[3 * TEXT_LINE_LEN + 1];
  int n = WideCharToMultiByte(CP_UTF8, 0, text ? text : L"", -1, utf8, sizeof utf8, nullptr, nullptr);
  if (n <= 0) utf8[0] = 0;
  printf("%s=%s\n", key, utf8);
}

int main() {
  printf("console=%d\n", IsConsoleHandle((QHandle)(intptr_t)-10));
  TextSource s;
  int rc = OpenTextSource(&s, L"-");
  printf("rc=%d\nerror=%d\nsize=%u\nencoding=%d\nposition=%u\n", rc, (int)s.Error, s.Size,
         (int)s.Encoding, s.Position);
  PrintWide("name", s.SourceName);
  PrintWide("temp", s.TempName ? s.TempName : L"");
  std::wstring temp = s.TempName ? s.TempName : L"";
  printf("temp_exists=%d\n", !temp.empty() && GetFileAttributesW(temp.c_str()) != INVALID_FILE_ATTRIBUTES);
  static qchar line[TEXT_LINE_LEN];
  while (rc == 0 && ReadTextLine(&s, line) == 0) PrintWide("line", line);
  printf("close=%d\n", CloseTextSource(&s));
  printf("temp_after=%d\n", !temp.empty() && GetFileAttributesW(temp.c_str()) != INVALID_FILE_ATTRIBUTES);
  DWORD flags = 0;
  printf("stdin_open=%d\n", GetHandleInformation(GetStdHandle(STD_INPUT_HANDLE), &flags) ? 1 : 0);
  fflush(stdout);
  return 0;
}
