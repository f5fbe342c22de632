// The command processor of the stand-in TakeCmd.dll, around one loaded
// plug-in:
//   - variables: _batch, _batchname, _batchline, _transient, _pipe and ? are
//     the host's own, every other name comes from the environment;
//   - a command line is expanded first (variables, batch arguments %0 to %9,
//     then variable functions %@name[argument], innermost first, in a buffer
//     of 8192 units; the host's own are @trim and @repeat) and then run:
//     echo, set, type, del, help, usage, exit, quit, a batch file, or a
//     command of the plug-in; "> file" or ">> file" sends its output to a file;
//   - as much batch language as the user guide's examples use: "@" before a
//     command, echo on/off, if [not] A==B, if [not] exist, for %v in (list),
//     for /f ["delims=..."] %v in (file), and ( ... ) blocks over several
//     lines of a batch file;
//   - files (batch files, type, for /f) are read by their byte-order mark
//     (UTF-8, UTF-16 or UTF-32), else as UTF-8 when they are valid UTF-8,
//     else in the ANSI code page.
// The exit code is that of "exit N", else the last command's; a line the host
// itself cannot run (unknown command or function, bad syntax, a line over
// 8191 characters as typed or as expanded) is reported and makes it at least 1.
#include "takecmd.h"
#include "common/version.h"

#include <map>
#include <vector>

namespace {

const size_t kLineSize = 8192;  // a command line and a function's buffer

std::map<std::wstring, std::wstring> g_vars;  // host variables, by upper-case name
std::vector<std::wstring> g_params;           // %0 to %9 of the running batch file
bool g_echo = true;                           // echo on/off (commands are never shown)
bool g_hostError = false;                     // the host reported an error of its own

std::wstring Upper(std::wstring s) {
  for (auto& c : s)
    if (c >= L'a' && c <= L'z') c -= 32;
  return s;
}

// Value of a variable: a host variable, else the environment ("" when
// neither has it).
std::wstring Lookup(const std::wstring& name) {
  auto it = g_vars.find(Upper(name));
  if (it != g_vars.end()) return it->second;
  wchar_t small[1];
  DWORD n = GetEnvironmentVariableW(name.c_str(), small, 0);
  if (n == 0) return L"";
  std::vector<wchar_t> value(n);
  GetEnvironmentVariableW(name.c_str(), value.data(), n);
  return value.data();
}

bool IsNameChar(wchar_t c) { return iswalnum(c) || c == L'_' || c == L'$'; }

// The loaded plug-in.
struct Plugin {
  HMODULE module = nullptr;
  int(WINAPI* help)(LPWSTR) = nullptr;
  int(WINAPI* usage)(LPWSTR, LPWSTR) = nullptr;
  int(WINAPI* shutdown)(BOOL) = nullptr;
  std::map<std::wstring, int(WINAPI*)(LPWSTR)> functions;  // "@NAME" -> f_name
  std::map<std::wstring, int(WINAPI*)(LPWSTR)> commands;   // "NAME" -> name
};
Plugin g_plugin;

// s without the blanks around it.
std::wstring Trim(const std::wstring& s) {
  size_t a = 0, b = s.size();
  while (a < b && iswspace(s[a])) ++a;
  while (b > a && iswspace(s[b - 1])) --b;
  return s.substr(a, b - a);
}

// The host's own variable functions: @TRIM[text] (without blanks around it)
// and @REPEAT[text,n] (text n times, at most one line). Returns false for
// any other name.
bool HostFunction(const std::wstring& name, const std::wstring& arg, std::wstring* value) {
  if (name == L"@TRIM") {
    *value = Trim(arg);
    return true;
  }
  if (name == L"@REPEAT") {
    size_t comma = arg.rfind(L',');
    std::wstring text = comma == std::wstring::npos ? arg : arg.substr(0, comma);
    int n = comma == std::wstring::npos ? 0 : _wtoi(arg.c_str() + comma + 1);
    value->clear();
    // Past one line it stops, the result still too long for a line.
    for (int i = 0; i < n && value->size() < kLineSize; ++i) *value += text;
    return true;
  }
  return false;
}

// The message for a line over the line size: as typed, or once expanded.
std::wstring TooLong(bool expanded) {
  return L"the line is longer than " + std::to_wstring(kLineSize - 1) + L" characters" +
         (expanded ? L" when expanded" : L"") + L"; none of it was run";
}

// Expands text: %% to %, %[name], %name (and %name%), %? and %@name[argument]
// through the plug-in or the host (the argument expanded first). Values are
// inserted as they are, never expanded again. Sets *error, when given, to a
// message when a function is unknown, its argument has no closing bracket or
// is longer than a line.
std::wstring Expand(const std::wstring& text, std::wstring* error) {
  std::wstring out;
  size_t i = 0;
  while (i < text.size()) {
    wchar_t c = text[i];
    if (c != L'%' || i + 1 >= text.size()) {
      out += c;
      ++i;
      continue;
    }
    wchar_t next = text[i + 1];
    if (next == L'%') {
      out += L'%';
      i += 2;
    } else if (next == L'[') {
      size_t close = text.find(L']', i + 2);
      if (close == std::wstring::npos) {
        out += c;
        ++i;
        continue;
      }
      out += Lookup(text.substr(i + 2, close - i - 2));
      i = close + 1;
    } else if (next == L'?') {
      out += Lookup(L"?");
      i += 2;
    } else if (next >= L'0' && next <= L'9') {
      size_t n = next - L'0';
      if (n < g_params.size()) out += g_params[n];
      i += 2;
    } else if (next == L'@') {
      size_t open = text.find(L'[', i + 2);
      size_t j = i + 2;
      while (j < text.size() && IsNameChar(text[j])) ++j;
      if (open == std::wstring::npos || open != j || j == i + 2) {
        out += c;
        ++i;
        continue;
      }
      std::wstring name = L"@" + Upper(text.substr(i + 2, j - i - 2));
      // Find the matching bracket; nested brackets count.
      size_t k = open + 1;
      int depth = 1;
      for (; k < text.size(); ++k) {
        if (text[k] == L'[') ++depth;
        if (text[k] == L']' && --depth == 0) break;
      }
      if (k >= text.size()) {
        if (error && error->empty()) *error = L"Missing ] in " + name;
        out += text.substr(i);
        break;
      }
      std::wstring arg = Expand(text.substr(open + 1, k - open - 1), error);
      auto fn = g_plugin.functions.find(name);
      std::wstring value;
      if (fn == g_plugin.functions.end() && HostFunction(name, arg, &value)) {
        out += value;
      } else if (fn == g_plugin.functions.end()) {
        if (error && error->empty()) *error = L"Unknown function " + name;
      } else if (arg.size() >= kLineSize) {
        if (error && error->empty()) *error = TooLong(true);
      } else {
        std::vector<wchar_t> buffer(kLineSize, L'\0');
        arg.copy(buffer.data(), kLineSize - 1);
        fn->second(buffer.data());
        buffer[kLineSize - 1] = 0;
        out += buffer.data();
      }
      i = k + 1;
    } else if (IsNameChar(next)) {
      size_t j = i + 1;
      while (j < text.size() && IsNameChar(text[j])) ++j;
      out += Lookup(text.substr(i + 1, j - i - 1));
      i = j;
      if (i < text.size() && text[i] == L'%') ++i;  // %name% form
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

void SetHostVariable(const std::wstring& name, const std::wstring& value) { g_vars[Upper(name)] = value; }

void WriteError(const std::wstring& message) {
  g_hostError = true;
  WriteText(GetStdHandle(STD_ERROR_HANDLE), L"qhost: " + message + L"\r\n");
}

std::wstring ModuleFolder(HMODULE module) {
  std::vector<wchar_t> path(32768);
  DWORD n = GetModuleFileNameW(module, path.data(), (DWORD)path.size());
  std::wstring s(path.data(), n);
  size_t cut = s.find_last_of(L"\\/");
  return cut == std::wstring::npos ? L"" : s.substr(0, cut + 1);
}

// Loads the plug-in, maps its implemented names to exports and initialises it.
bool LoadPlugin(const std::wstring& path) {
  g_plugin.module = LoadLibraryW(path.c_str());
  if (!g_plugin.module) {
    WriteError(L"cannot load " + path + L" (error " + std::to_wstring(GetLastError()) + L")");
    return false;
  }
  auto proc = [](const std::string& name) { return (void*)GetProcAddress(g_plugin.module, name.c_str()); };
  auto getInfo = (void**(WINAPI*)(void))proc("GetPluginInfo");
  auto init = (int(WINAPI*)(void))proc("InitializePlugin");
  if (!getInfo || !init) {
    WriteError(L"" + path + L" is not a plug-in");
    return false;
  }
  void** info = getInfo();
  const wchar_t* names = static_cast<const wchar_t*>(info[5]);  // ImplementedNames
  std::wstring list = names ? names : L"";
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(L',', start);
    std::wstring name = list.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start);
    if (!name.empty()) {
      bool function = name[0] == L'@';
      std::wstring exportName = function ? L"f_" + name.substr(1) : name;
      std::string narrow(exportName.begin(), exportName.end());
      auto fn = (int(WINAPI*)(LPWSTR))proc(narrow);
      if (!fn)
        WriteError(L"plug-in has no export " + exportName);
      else if (function)
        g_plugin.functions[Upper(name)] = fn;
      else
        g_plugin.commands[Upper(name)] = fn;
    }
    if (comma == std::wstring::npos) break;
    start = comma + 1;
  }
  g_plugin.help = (int(WINAPI*)(LPWSTR))proc("Help");
  g_plugin.usage = (int(WINAPI*)(LPWSTR, LPWSTR))proc("Usage");
  g_plugin.shutdown = (int(WINAPI*)(BOOL))proc("ShutdownPlugin");
  init();
  return true;
}

// Decodes text by its byte-order mark (UTF-32 or UTF-16, either byte order,
// or UTF-8), else as UTF-8 when it is valid UTF-8, else in the ANSI code page.
std::wstring Decode(const std::string& bytes) {
  static const struct { const char* mark; size_t size, width; bool big; } kMarks[] = {
      {"\xFF\xFE\0\0", 4, 4, false}, {"\0\0\xFE\xFF", 4, 4, true}, {"\xFF\xFE", 2, 2, false}, {"\xFE\xFF", 2, 2, true}};
  std::wstring text;
  for (const auto& m : kMarks) {
    if (bytes.compare(0, m.size, m.mark, m.size) != 0) continue;
    for (size_t i = m.size; i + m.width <= bytes.size(); i += m.width) {
      unsigned long c = 0;
      for (size_t k = 0; k < m.width; ++k)
        c |= (unsigned long)(unsigned char)bytes[i + k] << 8 * (m.big ? m.width - 1 - k : k);
      if (c > 0xFFFF && c <= 0x10FFFF) text += (wchar_t)(0xD7C0 + (c >> 10));
      text += (wchar_t)(c > 0x10FFFF ? 0xFFFD : c > 0xFFFF ? 0xDC00 | (c & 0x3FF) : c);
    }
    return text;
  }
  size_t skip = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  const char* from = bytes.data() + skip;
  int size = (int)(bytes.size() - skip);
  UINT page = skip || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, from, size, nullptr, 0) ? CP_UTF8 : CP_ACP;
  text.resize(MultiByteToWideChar(page, 0, from, size, nullptr, 0));
  MultiByteToWideChar(page, 0, from, size, &text[0], (int)text.size());
  return text;
}

// Splits text (Decode) into lines.
std::vector<std::wstring> SplitLines(const std::string& bytes) {
  std::wstring text = Decode(bytes);
  std::vector<std::wstring> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find(L'\n', start);
    std::wstring line = text.substr(start, nl == std::wstring::npos ? std::wstring::npos : nl - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    lines.push_back(line);
    if (nl == std::wstring::npos) break;
    start = nl + 1;
  }
  return lines;
}

// Appends the bytes of the file at path to *bytes; false when it cannot be
// opened.
bool ReadWholeFile(const std::wstring& path, std::string* bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  char chunk[65536];
  DWORD got;
  while (ReadFile(h, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes->append(chunk, got);
  CloseHandle(h);
  return true;
}

struct RunResult {
  bool exit = false;  // exit: the host ends
  bool quit = false;  // quit: the batch file ends
  int code = 0;
};

const size_t npos = std::wstring::npos;

RunResult RunLine(const std::wstring& raw);

// A line the host cannot run: reports message, sets %? to 1 and gives 1.
RunResult HostFailure(const std::wstring& message) {
  WriteError(message);
  SetHostVariable(L"?", L"1");
  RunResult r;
  r.code = 1;
  return r;
}

// Position of what in s from from on, outside double quotes and square
// brackets (so inside no %@name[...] argument); npos when there is none.
size_t FindOutside(const std::wstring& s, const std::wstring& what, size_t from = 0) {
  bool quoted = false;
  int depth = 0;
  for (size_t i = from; i < s.size(); ++i) {
    wchar_t c = s[i];
    if (!quoted && depth == 0 && s.compare(i, what.size(), what) == 0) return i;
    if (c == L'"')
      quoted = !quoted;
    else if (!quoted && c == L'[')
      ++depth;
    else if (!quoted && c == L']' && depth > 0)
      --depth;
  }
  return npos;
}

// Position of the first character from i on that is not blank.
size_t SkipBlanks(const std::wstring& s, size_t i) {
  while (i < s.size() && iswspace(s[i])) ++i;
  return i;
}

// End of the token that starts at i: the next blank outside double quotes
// and square brackets, or the end of s.
size_t TokenEnd(const std::wstring& s, size_t i) {
  size_t blank = npos;
  for (const wchar_t* b = L" \t\r\n"; *b; ++b) {
    size_t at = FindOutside(s, std::wstring(1, *b), i);
    if (at < blank) blank = at;
  }
  return blank == npos ? s.size() : blank;
}

// The token at i, with *next set past it and the blanks after it.
std::wstring NextToken(const std::wstring& s, size_t i, size_t* next) {
  size_t end = TokenEnd(s, i);
  *next = SkipBlanks(s, end);
  return s.substr(i, end - i);
}

// s without the double quotes around it, when it has both.
std::wstring Unquote(const std::wstring& s) {
  return s.size() >= 2 && s.front() == L'"' && s.back() == L'"' ? s.substr(1, s.size() - 2) : s;
}

// Expands text into *out; a failed expansion is reported into *fail.
bool ExpandOrFail(const std::wstring& text, std::wstring* out, RunResult* fail) {
  std::wstring error;
  *out = Expand(text, &error);
  if (error.empty() && out->size() >= kLineSize) error = TooLong(true);
  if (error.empty()) return true;
  *fail = HostFailure(error);
  return false;
}

// Number of unclosed "(" in a line, outside quotes and brackets.
int OpenParens(const std::wstring& s) {
  int open = 0;
  for (size_t i = FindOutside(s, L"("); i != npos; i = FindOutside(s, L"(", i + 1)) ++open;
  for (size_t i = FindOutside(s, L")"); i != npos; i = FindOutside(s, L")", i + 1)) --open;
  return open;
}

// if [not] exist FILE command, or if [not] A==B command (blanks around ==
// allowed; letters compared ignoring case). rest follows the word "if".
RunResult RunIf(const std::wstring& rest) {
  size_t i = SkipBlanks(rest, 0), next;
  bool negate = false;
  if (Upper(NextToken(rest, i, &next)) == L"NOT") {
    negate = true;
    i = next;
  }
  bool truth;
  RunResult fail;
  if (Upper(NextToken(rest, i, &next)) == L"EXIST") {
    std::wstring name = NextToken(rest, next, &i), file;
    if (name.empty()) return HostFailure(L"if exist: no file name");
    if (!ExpandOrFail(name, &file, &fail)) return fail;
    file = Unquote(file);  // "" names no file
    truth = !file.empty() && GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES;
  } else {
    size_t eq = FindOutside(rest, L"==", i);
    if (eq == npos) return HostFailure(L"if: no == in \"" + Trim(rest) + L"\"");
    std::wstring left = Trim(rest.substr(i, eq - i));
    std::wstring right = NextToken(rest, SkipBlanks(rest, eq + 2), &i), a, b;
    if (!ExpandOrFail(left, &a, &fail) || !ExpandOrFail(right, &b, &fail)) return fail;
    truth = Upper(a) == Upper(b);
  }
  std::wstring command = Trim(rest.substr(i));
  if (command.empty()) return HostFailure(L"if: no command");
  return truth != negate ? RunLine(command) : RunResult();
}

// for %v in (list) do command, or for /f ["delims=..."] %v in (file) do
// command: the command runs once for each blank- or comma-separated item of
// the expanded list, or for each line of the file that is not empty (its
// first field, split at the delimiters: blanks and tabs unless given; the
// whole line with "delims="), with the variable v set to it. %%v is %v.
RunResult RunFor(const std::wstring& rest) {
  size_t i = SkipBlanks(rest, 0), next;
  bool lines = false;
  std::wstring delims = L" \t";
  if (Upper(NextToken(rest, i, &next)) == L"/F") {
    lines = true;
    i = next;
    if (i < rest.size() && rest[i] == L'"') {
      std::wstring options = Unquote(NextToken(rest, i, &i));
      if (Upper(options.substr(0, 7)) != L"DELIMS=")
        return HostFailure(L"for /f: options other than \"delims=\" are not known here");
      delims = options.substr(7);
    }
  }
  std::wstring var = NextToken(rest, i, &i);
  std::wstring name = var.compare(0, 2, L"%%") == 0 ? var.substr(2) : var.compare(0, 1, L"%") == 0 ? var.substr(1) : L"";
  bool nameOk = !name.empty();
  for (wchar_t c : name) nameOk = nameOk && IsNameChar(c);
  if (!nameOk) return HostFailure(L"for: expected %name, not \"" + var + L"\"");
  if (Upper(NextToken(rest, i, &i)) != L"IN" || i >= rest.size() || rest[i] != L'(')
    return HostFailure(L"for: expected \"in (...)\"");
  size_t close = FindOutside(rest, L")", i + 1);
  if (close == npos) return HostFailure(L"for: no ) after the list");
  std::wstring listText = rest.substr(i + 1, close - i - 1);
  if (Upper(NextToken(rest, SkipBlanks(rest, close + 1), &i)) != L"DO")
    return HostFailure(L"for: expected \"do\" after the list");
  std::wstring body = Trim(rest.substr(i));
  if (body.empty()) return HostFailure(L"for: no command after do");
  for (size_t at = body.find(L"%%" + name); at != npos; at = body.find(L"%%" + name, at + 1)) {
    size_t after = at + 2 + name.size();
    if (after >= body.size() || !IsNameChar(body[after])) body.erase(at, 1);
  }
  std::wstring list;
  RunResult fail;
  if (!ExpandOrFail(listText, &list, &fail)) return fail;
  std::vector<std::wstring> values;
  if (lines) {
    std::string bytes;
    std::wstring file = Unquote(Trim(list));
    if (!ReadWholeFile(file, &bytes)) return HostFailure(L"for /f: cannot read " + file);
    for (const std::wstring& line : SplitLines(bytes)) {
      if (line.empty()) continue;
      if (delims.empty()) {
        values.push_back(line);
        continue;
      }
      size_t a = line.find_first_not_of(delims);
      if (a == npos) continue;
      size_t b = line.find_first_of(delims, a);
      values.push_back(line.substr(a, b == npos ? npos : b - a));
    }
  } else {
    for (size_t at = list.find_first_not_of(L" \t,"); at != npos;) {
      size_t end = list.find_first_of(L" \t,", at);
      values.push_back(list.substr(at, end == npos ? npos : end - at));
      at = end == npos ? npos : list.find_first_not_of(L" \t,", end);
    }
  }
  std::wstring key = Upper(name);
  auto saved = g_vars.find(key);
  bool had = saved != g_vars.end();
  std::wstring old = had ? saved->second : L"";
  RunResult r;
  for (const std::wstring& value : values) {
    g_vars[key] = value;
    r = RunLine(body);
    if (r.exit || r.quit) break;
  }
  if (had)
    g_vars[key] = old;
  else
    g_vars.erase(key);
  return r;
}

// Whether a message box can be shown: always on Windows; under Wine only
// with an X or Wayland display.
bool HaveDisplay() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) return true;
  return !Lookup(L"DISPLAY").empty() || !Lookup(L"WAYLAND_DISPLAY").empty();
}

RunResult RunBatch(const std::wstring& path, const std::vector<std::wstring>& args);

// Runs one command (no if, for or block) with its output to standard output.
RunResult RunCommand(const std::wstring& line) {
  RunResult result;
  std::wstring expanded;
  if (!ExpandOrFail(line, &expanded, &result)) return result;
  size_t end = 0;
  while (end < expanded.size() && !iswspace(expanded[end])) ++end;
  std::wstring name = Upper(expanded.substr(0, end));
  std::wstring args = end < expanded.size() ? expanded.substr(end + 1) : L"";
  std::wstring trimmedArgs = Trim(args);
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  int code = 0;

  if (name == L"ECHO") {
    std::wstring word = Upper(trimmedArgs);
    if (word == L"OFF" || word == L"ON")
      g_echo = word == L"ON";
    else if (trimmedArgs.empty())
      WriteText(out, g_echo ? L"ECHO is on\r\n" : L"ECHO is off\r\n");
    else
      WriteText(out, args + L"\r\n");
  } else if (name == L"SET") {
    size_t eq = args.find(L'=');
    if (eq == std::wstring::npos) return HostFailure(L"usage: set name=value");
    std::wstring var = Trim(args.substr(0, eq)), value = args.substr(eq + 1);
    SetEnvironmentVariableW(var.c_str(), value.empty() ? nullptr : value.c_str());
  } else if (name == L"TYPE" || name == L"DEL") {
    if (trimmedArgs.empty()) return HostFailure(name == L"TYPE" ? L"usage: type file" : L"usage: del file");
    std::wstring file = Unquote(trimmedArgs);
    std::string bytes;
    if (name == L"DEL") {
      if (!DeleteFileW(file.c_str())) return HostFailure(L"cannot delete " + file);
    } else if (!ReadWholeFile(file, &bytes)) {
      return HostFailure(L"cannot read " + file);
    } else {
      for (const std::wstring& l : SplitLines(bytes)) WriteText(out, l + L"\r\n");
    }
  } else if (name == L"HELP" || name == L"USAGE") {
    std::vector<wchar_t> arg(trimmedArgs.begin(), trimmedArgs.end());
    arg.push_back(0);
    std::wstring key = Upper(trimmedArgs);
    bool known = g_plugin.commands.count(key) || g_plugin.functions.count(key);
    if (name == L"HELP" && known && !HaveDisplay()) {
      return HostFailure(L"no display here for the help box of " + trimmedArgs +
                         L"; \"quorvel /?\" prints the plug-in's help text");
    } else if (name == L"HELP") {
      if (!g_plugin.help || !g_plugin.help(arg.data())) return HostFailure(L"no help for \"" + trimmedArgs + L"\"");
    } else {
      std::vector<wchar_t> text(1024, L'\0');
      if (!g_plugin.usage || !g_plugin.usage(arg.data(), text.data()))
        return HostFailure(L"no usage for \"" + trimmedArgs + L"\"");
      text[1023] = 0;
      WriteText(out, std::wstring(text.data()) + L"\r\n");
    }
  } else if (name == L"EXIT" || name == L"QUIT") {
    (name == L"EXIT" ? result.exit : result.quit) = true;
    code = trimmedArgs.empty() ? _wtoi(Lookup(L"?").c_str()) : _wtoi(trimmedArgs.c_str());
  } else if (g_plugin.commands.count(name)) {
    std::vector<wchar_t> buffer(kLineSize, L'\0');
    trimmedArgs.copy(buffer.data(), kLineSize - 1);
    code = g_plugin.commands[name](buffer.data());
  } else if (name.size() > 4 && (name.compare(name.size() - 4, 4, L".BTM") == 0 ||
                                 name.compare(name.size() - 4, 4, L".BAT") == 0 ||
                                 name.compare(name.size() - 4, 4, L".CMD") == 0)) {
    std::vector<std::wstring> params{expanded.substr(0, end)};
    for (size_t i = SkipBlanks(args, 0), next; i < args.size(); i = next) params.push_back(NextToken(args, i, &next));
    RunResult r = RunBatch(params[0], params);
    if (r.exit) return r;
    code = r.code;
  } else {
    return HostFailure(L"unknown command \"" + name + L"\"");
  }
  SetHostVariable(L"?", std::to_wstring(code));
  result.code = code;
  return result;
}

// Runs one command line: if, for, a ( ... ) block (its lines one after the
// other), or a command, its output sent to a file by a "> file" or ">> file"
// outside quotes and brackets (a ">" with nothing after it is text). The
// exit code of a command goes into %?.
RunResult RunLine(const std::wstring& raw) {
  if (raw.find(L'\n') == npos && raw.size() >= kLineSize)
    return HostFailure(TooLong(false));
  std::wstring line = Trim(raw);
  while (!line.empty() && line[0] == L'@') line = Trim(line.substr(1));
  if (line.empty() || line.compare(0, 2, L"::") == 0) return RunResult();
  std::wstring firstWord = Upper(line.substr(0, line.find_first_of(L" \t\r\n(")));
  if (firstWord == L"REM") return RunResult();
  if (firstWord == L"IF") return RunIf(line.substr(2));
  if (firstWord == L"FOR") return RunFor(line.substr(3));
  if (line[0] == L'(') {
    if (line.back() != L')' || OpenParens(line) != 0) return HostFailure(L"no ) to close the block");
    std::wstring inner = line.substr(1, line.size() - 2);
    RunResult r;
    for (size_t start = 0; start <= inner.size();) {
      size_t nl = inner.find(L'\n', start);
      r = RunLine(inner.substr(start, nl == npos ? npos : nl - start));
      if (r.exit || r.quit || nl == npos) break;
      start = nl + 1;
    }
    return r;
  }

  size_t gt = FindOutside(line, L">");
  size_t targetStart = npos;
  for (; gt != npos; gt = FindOutside(line, L">", targetStart)) {
    targetStart = gt + (line.compare(gt, 2, L">>") == 0 ? 2 : 1);
    if (!Trim(line.substr(targetStart)).empty()) break;
  }
  if (gt == npos) return RunCommand(line);
  bool append = targetStart == gt + 2;
  std::wstring target;
  RunResult result;
  if (!ExpandOrFail(Trim(line.substr(targetStart)), &target, &result)) return result;
  target = Unquote(target);
  HANDLE file = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return HostFailure(L"cannot write " + target);
  if (append) SetFilePointer(file, 0, nullptr, FILE_END);
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  SetStdHandle(STD_OUTPUT_HANDLE, file);
  result = RunCommand(Trim(line.substr(0, gt)));
  SetStdHandle(STD_OUTPUT_HANDLE, out);
  CloseHandle(file);
  return result;
}

// Runs a batch file with its arguments (%0 is its name), a "(" left open at
// the end of a line joining the lines up to its ")"; a batch file run from
// another returns to it. Stops at exit or quit.
RunResult RunBatch(const std::wstring& path, const std::vector<std::wstring>& args) {
  std::string bytes;
  wchar_t full[MAX_PATH * 4];
  DWORD n = GetFullPathNameW(Unquote(path).c_str(), MAX_PATH * 4, full, nullptr);
  std::wstring fullPath = (n > 0 && n < MAX_PATH * 4) ? full : path;
  if (!ReadWholeFile(fullPath, &bytes)) return HostFailure(L"cannot read batch file " + path);
  std::map<std::wstring, std::wstring> outer = g_vars;
  std::vector<std::wstring> outerParams = g_params;
  bool outerEcho = g_echo;
  g_params = args;
  SetHostVariable(L"_batch", std::to_wstring(_wtoi(Lookup(L"_batch").c_str()) + 1));
  SetHostVariable(L"_batchname", fullPath);
  std::vector<std::wstring> lines = SplitLines(bytes);
  RunResult r;
  for (size_t i = 0; i < lines.size(); ++i) {
    SetHostVariable(L"_batchline", std::to_wstring(i + 1));
    if (lines[i].size() >= kLineSize) {
      r = RunLine(lines[i]);  // reported as too long
      continue;
    }
    std::wstring line = lines[i];
    for (int open = OpenParens(line); open > 0 && i + 1 < lines.size(); open = OpenParens(line)) line += L"\n" + lines[++i];
    r = RunLine(line);
    if (r.exit || r.quit) break;
  }
  r.quit = false;
  for (const wchar_t* name : {L"_BATCH", L"_BATCHNAME", L"_BATCHLINE"}) g_vars[name] = outer[name];
  g_params = outerParams;
  g_echo = outerEcho;
  return r;
}

// Reads command lines from standard input: a console line by line with a
// prompt, anything else as UTF-8 text.
RunResult RunInteractive() {
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode;
  bool console = GetConsoleMode(in, &mode) != 0;
  bool prompt = GetFileType(in) != FILE_TYPE_PIPE && GetFileType(in) != FILE_TYPE_DISK;
  RunResult r;
  std::string pending;
  for (;;) {
    if (prompt) WriteText(out, L"quorvel-host> ");
    std::wstring line;
    bool got = false;
    if (console) {
      // A line longer than the buffer comes in pieces: read up to its end.
      wchar_t buf[1024];
      DWORD read = 0;
      while (ReadConsoleW(in, buf, 1024, &read, nullptr) && read > 0) {
        line.append(buf, read);
        got = true;
        if (buf[read - 1] == L'\n' || read < 1024) break;
      }
    } else {
      for (;;) {
        size_t nl = pending.find('\n');
        if (nl != std::string::npos) {
          line = Decode(pending.substr(0, nl));
          pending.erase(0, nl + 1);
          got = true;
          break;
        }
        char chunk[4096];
        DWORD read = 0;
        if (!ReadFile(in, chunk, sizeof chunk, &read, nullptr) || read == 0) {
          if (!pending.empty()) {
            line = Decode(pending);
            pending.clear();
            got = true;
          }
          break;
        }
        pending.append(chunk, read);
      }
    }
    if (!got) break;
    while (!line.empty() && (line.back() == L'\r' || line.back() == L'\n')) line.pop_back();
    r = RunLine(line);
    if (r.exit) break;
  }
  if (prompt) WriteText(out, L"\r\n");
  return r;
}

}  // namespace

std::wstring ExpandText(const std::wstring& text) { return Expand(text, nullptr); }

extern "C" void __cdecl HostSetVariable(LPCWSTR name, LPCWSTR value) {
  if (name && value) SetHostVariable(name, value);
  if (name && !value) g_vars.erase(Upper(name));
}

extern "C" int __cdecl HostMain(int argc, LPWSTR* argv) {
  std::wstring pluginPath = ModuleFolder(nullptr) + PLUGIN_FILE_NAME;
  std::wstring command, batch;
  std::vector<std::wstring> batchArgs;
  bool haveCommand = false;
  for (int i = 1; i < argc; ++i) {
    std::wstring a = argv[i];
    if (!batch.empty()) {
      batchArgs.push_back(a);
    } else if ((a == L"-p" || a == L"/p") && i + 1 < argc) {
      pluginPath = argv[++i];
    } else if (a == L"-c" || a == L"/c") {
      haveCommand = true;
      for (++i; i < argc; ++i) command += (command.empty() ? L"" : L" ") + std::wstring(argv[i]);
    } else if (a == L"-h" || a == L"--help" || a == L"/?") {
      WriteText(GetStdHandle(STD_OUTPUT_HANDLE),
                L"qhost [-p PLUGIN] [-c COMMAND ...] [BATCHFILE [ARGUMENT ...]]\r\n"
                L"Loads the plug-in (default: " PLUGIN_FILE_NAME L" beside qhost.exe) and runs\r\n"
                L"one command, a batch file, or commands from standard input.\r\n");
      return 0;
    } else if (a.size() > 1 && a[0] == L'-') {
      WriteError(L"unknown option " + a + L" (./host.sh --help lists them)");
      return 2;
    } else {
      batch = a;
    }
  }
  SetHostVariable(L"_transient", haveCommand ? L"1" : L"0");
  SetHostVariable(L"_pipe", GetFileType(GetStdHandle(STD_INPUT_HANDLE)) == FILE_TYPE_PIPE ? L"1" : L"0");
  SetHostVariable(L"_batch", L"0");
  SetHostVariable(L"_batchname", L"");
  SetHostVariable(L"_batchline", L"0");
  SetHostVariable(L"?", L"0");
  if (!LoadPlugin(pluginPath)) return 1;
  RunResult r;
  if (haveCommand) {
    r = RunLine(command);
  } else if (!batch.empty()) {
    batchArgs.insert(batchArgs.begin(), batch);
    r = RunBatch(batch, batchArgs);
  } else {
    r = RunInteractive();
  }
  if (g_plugin.shutdown) g_plugin.shutdown(TRUE);
  return r.exit || r.code != 0 || !g_hostError ? r.code : 1;
}
