// The stand-in TakeCmd.dll. It offers the host services a plug-in imports and
// runs a small command processor around one loaded plug-in:
//   - output goes to standard output (Qprintf: its handle), as wide text on a
//     console and as UTF-8 elsewhere, or into memory while a test captures it;
//   - variables: _batch, _batchname, _batchline, _transient, _pipe and ? are
//     the host's own, every other name comes from the environment;
//   - a command line is expanded first (variables, then variable functions
//     %@name[argument], innermost first, in a buffer of 8192 units) and then
//     run: echo, set, help, usage, exit, or a command of the plug-in.
#include "takecmd.h"
#include "common/version.h"

#include <stdarg.h>
#include <stdio.h>

#include <map>
#include <string>
#include <vector>

namespace {

const size_t kExpandLimit = 1024;  // ExpandVariables never writes more
const size_t kLineSize = 8192;     // a command line and a function's buffer

std::map<std::wstring, std::wstring> g_vars;  // host variables, by upper-case name
bool g_capturing = false;
std::wstring g_capturedOut, g_capturedErr;

std::wstring Upper(std::wstring s) {
  for (auto& c : s)
    if (c >= L'a' && c <= L'z') c -= 32;
  return s;
}

// Writes text to handle: WriteConsoleW on a console, UTF-8 otherwise; or into
// the capture buffers.
void WriteText(HANDLE handle, const std::wstring& text) {
  if (text.empty()) return;
  if (g_capturing) {
    (handle == GetStdHandle(STD_ERROR_HANDLE) ? g_capturedErr : g_capturedOut) += text;
    return;
  }
  DWORD mode, written;
  if (GetConsoleMode(handle, &mode)) {
    WriteConsoleW(handle, text.data(), (DWORD)text.size(), &written, nullptr);
    return;
  }
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
  std::string bytes(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &bytes[0], n, nullptr, nullptr);
  WriteFile(handle, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
}

// Formats with "%s" (wide string), "%d", "%u" and "%%"; anything else after a
// '%' is written as it stands.
std::wstring Format(LPCWSTR format, va_list args) {
  std::wstring out;
  if (!format) return out;
  for (const wchar_t* p = format; *p; ++p) {
    if (*p != L'%') {
      out += *p;
      continue;
    }
    wchar_t conversion = p[1];
    if (conversion == L's') {
      LPCWSTR s = va_arg(args, LPCWSTR);
      out += s ? s : L"(null)";
    } else if (conversion == L'd') {
      out += std::to_wstring(va_arg(args, int));
    } else if (conversion == L'u') {
      out += std::to_wstring(va_arg(args, unsigned));
    } else if (conversion == L'%') {
      out += L'%';
    } else {
      out += L'%';
      continue;
    }
    ++p;
  }
  return out;
}

// Value of a variable: a host variable, else the environment; found tells
// whether it exists at all.
std::wstring Lookup(const std::wstring& name, bool* found = nullptr) {
  auto it = g_vars.find(Upper(name));
  if (it != g_vars.end()) {
    if (found) *found = true;
    return it->second;
  }
  wchar_t small[1];
  DWORD n = GetEnvironmentVariableW(name.c_str(), small, 0);
  if (found) *found = n > 0;
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

struct ExpandError {
  std::wstring message;
};

// Expands text: %% to %, %[name], %name (and %name%), %? and, when functions
// is set, %@name[argument] through the plug-in (the argument expanded first).
// Values are inserted as they are, never expanded again. Sets *error when a
// function is unknown or its argument has no closing bracket.
std::wstring Expand(const std::wstring& text, bool functions, ExpandError* error) {
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
    } else if (next == L'@' && functions) {
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
        if (error && error->message.empty()) error->message = L"Missing ] in " + name;
        out += text.substr(i);
        break;
      }
      std::wstring arg = Expand(text.substr(open + 1, k - open - 1), true, error);
      auto fn = g_plugin.functions.find(name);
      if (fn == g_plugin.functions.end()) {
        if (error && error->message.empty()) error->message = L"Unknown function " + name;
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

std::wstring Trim(const std::wstring& s) {
  size_t a = 0, b = s.size();
  while (a < b && iswspace(s[a])) ++a;
  while (b > a && iswspace(s[b - 1])) --b;
  return s.substr(a, b - a);
}

struct RunResult {
  bool exit = false;
  int code = 0;
};

// Runs one command line; the exit code of a command goes into %?.
RunResult RunLine(const std::wstring& raw) {
  RunResult result;
  std::wstring line = Trim(raw);
  if (!line.empty() && line[0] == L'@') line = Trim(line.substr(1));
  if (line.empty() || line.compare(0, 2, L"::") == 0) return result;
  std::wstring firstWord = Upper(line.substr(0, line.find_first_of(L" \t")));
  if (firstWord == L"REM") return result;

  ExpandError error;
  std::wstring expanded = Expand(line, true, &error);
  if (!error.message.empty()) {
    WriteError(error.message);
    SetHostVariable(L"?", L"1");
    return result;
  }
  if (expanded.size() >= kLineSize) expanded.resize(kLineSize - 1);
  size_t end = 0;
  while (end < expanded.size() && !iswspace(expanded[end])) ++end;
  std::wstring name = Upper(expanded.substr(0, end));
  std::wstring args = end < expanded.size() ? expanded.substr(end + 1) : L"";
  std::wstring trimmedArgs = Trim(args);
  int code = 0;

  if (name == L"ECHO") {
    WriteText(GetStdHandle(STD_OUTPUT_HANDLE), args + L"\r\n");
  } else if (name == L"SET") {
    size_t eq = args.find(L'=');
    if (eq == std::wstring::npos) {
      WriteError(L"usage: set name=value");
      code = 1;
    } else {
      std::wstring var = Trim(args.substr(0, eq)), value = args.substr(eq + 1);
      SetEnvironmentVariableW(var.c_str(), value.empty() ? nullptr : value.c_str());
    }
  } else if (name == L"HELP" || name == L"USAGE") {
    std::vector<wchar_t> arg(trimmedArgs.begin(), trimmedArgs.end());
    arg.push_back(0);
    if (name == L"HELP") {
      if (!g_plugin.help || !g_plugin.help(arg.data())) {
        WriteError(L"no help for \"" + trimmedArgs + L"\"");
        code = 1;
      }
    } else {
      std::vector<wchar_t> text(1024, L'\0');
      if (g_plugin.usage && g_plugin.usage(arg.data(), text.data())) {
        text[1023] = 0;
        WriteText(GetStdHandle(STD_OUTPUT_HANDLE), std::wstring(text.data()) + L"\r\n");
      } else {
        WriteError(L"no usage for \"" + trimmedArgs + L"\"");
        code = 1;
      }
    }
  } else if (name == L"EXIT") {
    result.exit = true;
    code = trimmedArgs.empty() ? _wtoi(Lookup(L"?").c_str()) : _wtoi(trimmedArgs.c_str());
  } else if (g_plugin.commands.count(name)) {
    std::vector<wchar_t> buffer(kLineSize, L'\0');
    trimmedArgs.copy(buffer.data(), kLineSize - 1);
    code = g_plugin.commands[name](buffer.data());
  } else {
    WriteError(L"unknown command \"" + name + L"\"");
    code = 1;
  }
  SetHostVariable(L"?", std::to_wstring(code));
  result.code = code;
  return result;
}

// Splits UTF-8 (optionally with a mark) or UTF-16LE (with a mark) text into
// lines.
std::vector<std::wstring> SplitLines(const std::string& bytes) {
  std::wstring text;
  if (bytes.size() >= 2 && (unsigned char)bytes[0] == 0xFF && (unsigned char)bytes[1] == 0xFE) {
    text.assign((const wchar_t*)(bytes.data() + 2), (bytes.size() - 2) / 2);
  } else {
    size_t skip = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data() + skip, (int)(bytes.size() - skip), nullptr, 0);
    text.resize(n);
    MultiByteToWideChar(CP_UTF8, 0, bytes.data() + skip, (int)(bytes.size() - skip), &text[0], n);
  }
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

bool ReadWholeFile(const std::wstring& path, std::string* bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  char chunk[65536];
  DWORD got;
  while (ReadFile(h, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes->append(chunk, got);
  CloseHandle(h);
  return true;
}

int RunBatch(const std::wstring& path) {
  std::string bytes;
  wchar_t full[MAX_PATH * 4];
  DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH * 4, full, nullptr);
  std::wstring fullPath = (n > 0 && n < MAX_PATH * 4) ? full : path;
  if (!ReadWholeFile(fullPath, &bytes)) {
    WriteError(L"cannot read batch file " + path);
    return 1;
  }
  SetHostVariable(L"_batch", L"1");
  SetHostVariable(L"_batchname", fullPath);
  std::vector<std::wstring> lines = SplitLines(bytes);
  int code = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    SetHostVariable(L"_batchline", std::to_wstring(i + 1));
    RunResult r = RunLine(lines[i]);
    code = r.code;
    if (r.exit) break;
  }
  SetHostVariable(L"_batch", L"0");
  SetHostVariable(L"_batchname", L"");
  SetHostVariable(L"_batchline", L"0");
  return code;
}

// Reads command lines from standard input: a console line by line with a
// prompt, anything else as UTF-8 text.
int RunInteractive() {
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode;
  bool console = GetConsoleMode(in, &mode) != 0;
  bool prompt = GetFileType(in) != FILE_TYPE_PIPE && GetFileType(in) != FILE_TYPE_DISK;
  int code = 0;
  std::string pending;
  for (;;) {
    if (prompt) WriteText(out, L"quorvel-host> ");
    std::wstring line;
    bool got = false;
    if (console) {
      wchar_t buf[kLineSize];
      DWORD read = 0;
      if (!ReadConsoleW(in, buf, kLineSize - 1, &read, nullptr) || read == 0) break;
      line.assign(buf, read);
      got = true;
    } else {
      for (;;) {
        size_t nl = pending.find('\n');
        if (nl != std::string::npos) {
          std::vector<std::wstring> l = SplitLines(pending.substr(0, nl));
          line = l.empty() ? L"" : l[0];
          pending.erase(0, nl + 1);
          got = true;
          break;
        }
        char chunk[4096];
        DWORD read = 0;
        if (!ReadFile(in, chunk, sizeof chunk, &read, nullptr) || read == 0) {
          if (!pending.empty()) {
            std::vector<std::wstring> l = SplitLines(pending);
            line = l.empty() ? L"" : l[0];
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
    RunResult r = RunLine(line);
    code = r.code;
    if (r.exit) break;
  }
  if (prompt) WriteText(out, L"\r\n");
  return code;
}

}  // namespace

// ---- host services ----

extern "C" int __cdecl Printf(LPCWSTR format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring text = Format(format, args);
  va_end(args);
  WriteText(GetStdHandle(STD_OUTPUT_HANDLE), text);
  return (int)text.size();
}

extern "C" int __cdecl Qprintf(HANDLE handle, LPCWSTR format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring text = Format(format, args);
  va_end(args);
  WriteText(handle, text);
  return (int)text.size();
}

extern "C" int WINAPI QPuts(LPCWSTR text) {
  if (text) WriteText(GetStdHandle(STD_OUTPUT_HANDLE), text);
  return 0;
}

extern "C" int WINAPI CrLf(void) {
  WriteText(GetStdHandle(STD_OUTPUT_HANDLE), L"\r\n");
  return 0;
}

extern "C" int WINAPI ExpandVariables(LPWSTR buffer, int recurse) {
  if (!buffer) return 1;
  std::wstring text;
  for (size_t i = 0; i < kExpandLimit && buffer[i]; ++i) text += buffer[i];
  std::wstring out = Expand(text, true, nullptr);
  size_t n = out.size() < kExpandLimit - 1 ? out.size() : kExpandLimit - 1;
  out.copy(buffer, n);
  buffer[n] = 0;
  return 0;
}

extern "C" LPWSTR WINAPI QueryTrueName(LPCWSTR path, LPWSTR result) {
  const DWORD size = 16384;
  if (!path || !result) return result;
  DWORD n = GetFullPathNameW(path, size, result, nullptr);
  if (n == 0 || n >= size) {
    lstrcpynW(result, path, size);
    return result;
  }
  // Wine 8's GetLongPathNameW brings the process down on names longer than
  // about 1024 units (it jumps to address 0), so those are left as they are.
  if (n >= 1024) return result;
  // Only a name with a short (8.3) component has a longer true form; asking
  // for it costs more than the rest of a lookup, so other names skip it.
  if (!wcschr(result, L'~')) return result;
  std::vector<wchar_t> longName(size);
  DWORD m = GetLongPathNameW(result, longName.data(), size);
  if (m > 0 && m < size) lstrcpynW(result, longName.data(), size);
  return result;
}

// ---- hooks ----

extern "C" void __cdecl HostSetVariable(LPCWSTR name, LPCWSTR value) {
  if (!name) return;
  if (value)
    SetHostVariable(name, value);
  else
    g_vars.erase(Upper(name));
}

extern "C" void __cdecl HostCaptureStart(void) {
  g_capturedOut.clear();
  g_capturedErr.clear();
  g_capturing = true;
}

extern "C" void __cdecl HostCaptureStop(void) { g_capturing = false; }
extern "C" LPCWSTR __cdecl HostCapturedOut(void) { return g_capturedOut.c_str(); }
extern "C" LPCWSTR __cdecl HostCapturedErr(void) { return g_capturedErr.c_str(); }

extern "C" int __cdecl HostMain(int argc, LPWSTR* argv) {
  std::wstring pluginPath = ModuleFolder(nullptr) + PLUGIN_FILE_NAME;
  std::wstring command, batch;
  bool haveCommand = false;
  for (int i = 1; i < argc; ++i) {
    std::wstring a = argv[i];
    if ((a == L"-p" || a == L"/p") && i + 1 < argc) {
      pluginPath = argv[++i];
    } else if (a == L"-c" || a == L"/c") {
      haveCommand = true;
      for (++i; i < argc; ++i) command += (command.empty() ? L"" : L" ") + std::wstring(argv[i]);
    } else if (a == L"-h" || a == L"--help" || a == L"/?") {
      WriteText(GetStdHandle(STD_OUTPUT_HANDLE),
                L"qhost [-p PLUGIN] [-c COMMAND ...] [BATCHFILE]\r\n"
                L"Loads the plug-in (default: " PLUGIN_FILE_NAME L" beside qhost.exe) and runs\r\n"
                L"one command, a batch file, or commands from standard input.\r\n");
      return 0;
    } else {
      batch = a;
    }
  }
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  SetHostVariable(L"_transient", haveCommand ? L"1" : L"0");
  SetHostVariable(L"_pipe", GetFileType(in) == FILE_TYPE_PIPE ? L"1" : L"0");
  SetHostVariable(L"_batch", L"0");
  SetHostVariable(L"_batchname", L"");
  SetHostVariable(L"_batchline", L"0");
  SetHostVariable(L"?", L"0");
  if (!LoadPlugin(pluginPath)) return 1;
  int code;
  if (haveCommand)
    code = RunLine(command).code;
  else if (!batch.empty())
    code = RunBatch(batch);
  else
    code = RunInteractive();
  if (g_plugin.shutdown) g_plugin.shutdown(TRUE);
  return code;
}
