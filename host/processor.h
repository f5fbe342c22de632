// What the parts of the stand-in command processor share: its state, the
// outcome of running a line, and the functions that one part calls in another
// (expand.cpp, batch.cpp, commands.cpp: each says what it holds).
#pragma once

#include "takecmd.h"

#include <map>
#include <vector>

const size_t kLineSize = 8192;  // a command line and a function's buffer
const size_t npos = std::wstring::npos;

// The loaded plug-in.
struct Plugin {
  HMODULE module = nullptr;
  int(WINAPI* help)(LPWSTR) = nullptr;
  int(WINAPI* usage)(LPWSTR, LPWSTR) = nullptr;
  int(WINAPI* shutdown)(BOOL) = nullptr;
  std::map<std::wstring, int(WINAPI*)(LPWSTR)> functions;  // "@NAME" -> f_name
  std::map<std::wstring, int(WINAPI*)(LPWSTR)> commands;   // "NAME" -> name
};

struct RunResult {
  bool exit = false;  // exit: the host ends
  bool quit = false;  // quit: the batch file ends
  int code = 0;
};

extern std::map<std::wstring, std::wstring> g_vars;  // host variables, by upper-case name
extern std::vector<std::wstring> g_params;           // %0 to %9 of the running batch file
extern bool g_echo;                                  // echo on/off (commands are never shown)
extern Plugin g_plugin;

// expand.cpp
std::wstring Upper(std::wstring s);  // s with its ASCII letters in upper case
// Value of a variable: a host variable, else the environment ("" when
// neither has it).
std::wstring Lookup(const std::wstring& name);
bool IsNameChar(wchar_t c);  // a letter, digit, _ or $: part of a variable's name
// s without the blanks around it.
std::wstring Trim(const std::wstring& s);
// The message for a line over the line size: as typed, or once expanded.
std::wstring TooLong(bool expanded);
void SetHostVariable(const std::wstring& name, const std::wstring& value);  // name in any case
// Expands text into *out; a failed expansion is reported into *fail.
bool ExpandOrFail(const std::wstring& text, std::wstring* out, RunResult* fail);

// batch.cpp
// Decodes text by its byte-order mark (UTF-32 or UTF-16, either byte order,
// or UTF-8), else as UTF-8 when it is valid UTF-8, else in the ANSI code page.
std::wstring Decode(const std::string& bytes);
// Splits text (Decode) into lines.
std::vector<std::wstring> SplitLines(const std::string& bytes);
// Appends the bytes of the file at path to *bytes; false when it cannot be
// opened.
bool ReadWholeFile(const std::wstring& path, std::string* bytes);
// Position of the first character from i on that is not blank.
size_t SkipBlanks(const std::wstring& s, size_t i);
// The token at i (up to a blank outside double quotes and square brackets),
// with *next set past it and the blanks after it.
std::wstring NextToken(const std::wstring& s, size_t i, size_t* next);
// s without the double quotes around it, when it has both.
std::wstring Unquote(const std::wstring& s);
// Runs one command line: if, for, a ( ... ) block (its lines one after the
// other), or a command, its output sent to a file by a "> file" or ">> file"
// outside quotes and brackets (a ">" with nothing after it is text). The
// exit code of a command goes into %?.
RunResult RunLine(const std::wstring& raw);
// Runs a batch file with its arguments (%0 is its name), a "(" left open at
// the end of a line joining the lines up to its ")"; a batch file run from
// another returns to it. Stops at exit or quit.
RunResult RunBatch(const std::wstring& path, const std::vector<std::wstring>& args);

// commands.cpp
// A line the host cannot run: reports message, sets %? to 1 and gives 1.
RunResult HostFailure(const std::wstring& message);
// Runs one command (no if, for or block) with its output to standard output.
RunResult RunCommand(const std::wstring& line);
