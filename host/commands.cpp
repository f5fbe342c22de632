// The commands of the stand-in command processor and its prompt, around one
// loaded plug-in: loading it, the commands a line runs once expanded (echo,
// set, type, del, help, usage, exit, quit, a batch file, or a command of the
// plug-in), command lines from standard input, and HostMain. The exit code
// is that of "exit N", else the last command's; a line the host itself
// cannot run (unknown command or function, bad syntax, a line over 8191
// characters as typed or as expanded) is reported and makes it at least 1.
#include "processor.h"
#include "common/version.h"

static bool g_hostError = false;  // the host reported an error of its own

// Writes message to standard error as an error of the host's own.
static void WriteError(const std::wstring& message) {
  g_hostError = true;
  WriteText(GetStdHandle(STD_ERROR_HANDLE), L"qhost: " + message + L"\r\n");
}

// The folder of module (null: the program), with its trailing separator.
static std::wstring ModuleFolder(HMODULE module) {
  std::vector<wchar_t> path(32768);
  DWORD n = GetModuleFileNameW(module, path.data(), (DWORD)path.size());
  std::wstring s(path.data(), n);
  size_t cut = s.find_last_of(L"\\/");
  return cut == npos ? L"" : s.substr(0, cut + 1);
}

// Loads the plug-in, maps its implemented names to exports and initialises it.
static bool LoadPlugin(const std::wstring& path) {
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
  for (size_t start = 0, comma = 0; comma != npos; start = comma + 1) {
    comma = list.find(L',', start);
    std::wstring name = list.substr(start, comma == npos ? npos : comma - start);
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
  }
  g_plugin.help = (int(WINAPI*)(LPWSTR))proc("Help");
  g_plugin.usage = (int(WINAPI*)(LPWSTR, LPWSTR))proc("Usage");
  g_plugin.shutdown = (int(WINAPI*)(BOOL))proc("ShutdownPlugin");
  init();
  return true;
}

RunResult HostFailure(const std::wstring& message) {
  WriteError(message);
  SetHostVariable(L"?", L"1");
  return RunResult{false, false, 1};
}

// Whether a message box can be shown: always on Windows; under Wine only
// with an X or Wayland display.
static bool HaveDisplay() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) return true;
  return !Lookup(L"DISPLAY").empty() || !Lookup(L"WAYLAND_DISPLAY").empty();
}

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
    std::vector<wchar_t> arg(trimmedArgs.c_str(), trimmedArgs.c_str() + trimmedArgs.size() + 1);
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

// Reads command lines from standard input: a console line by line with a
// prompt, anything else as UTF-8 text.
static RunResult RunInteractive() {
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
      // Up to a line feed, else to the end of the input.
      char chunk[4096];
      DWORD read = 0;
      size_t nl;
      while ((nl = pending.find('\n')) == npos && ReadFile(in, chunk, sizeof chunk, &read, nullptr) && read > 0)
        pending.append(chunk, read);
      got = nl != npos || !pending.empty();
      line = Decode(pending.substr(0, nl));
      pending.erase(0, nl == npos ? npos : nl + 1);
    }
    if (!got) break;
    while (!line.empty() && (line.back() == L'\r' || line.back() == L'\n')) line.pop_back();
    r = RunLine(line);
    if (r.exit) break;
  }
  if (prompt) WriteText(out, L"\r\n");
  return r;
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
