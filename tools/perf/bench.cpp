// Throughput benchmark of the plug-in as a host uses it: loads the real
// plug-in (beside this program and the stand-in TakeCmd.dll), sets
// the options the way a user does (registry values, then a fresh load), and
// calls f_quorvel on every address of a corpus.
//
//   perf_bench.exe --corpus FILE [--mode default|tlds|mx] [--tlds FILE]
//                  [--runs N] [--verdicts FILE]
//
// Modes:
//   default  no saved settings and no TLDs.txt beside the plug-in;
//   tlds     no saved settings; the file given by --tlds is copied to
//            TLDs.txt beside the plug-in for the run and removed afterwards;
//   mx       the saved value CheckMX = 1, no TLDs.txt; the DNS client and
//            WinINet must be the stand-ins of this folder
//            (WINEDLLOVERRIDES=dnsapi,wininet=n).
//
// The corpus is UTF-8, one address a line. One untimed warm-up pass over the
// first 10,000 addresses, then N timed passes over all of them (one host
// buffer of 8192 units, each address copied into it as the host would). The
// codes of the first timed pass go to the verdict file, one a line. Prints
// one line "RESULT name=Quorvel mode=... n=... runs=... median_s=...
// rate=... ns_per_call=... valid=...", then "SUBSET" lines of the same form
// for the calls that never reach the list-file lookup (timed apart, at least
// five passes) and for those that do (the rest of the whole pass).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "corpus.h"
#include "support/plugin_fixture.h"
#include "takecmd.h"
#include "common/version.h"

namespace {

const size_t kHostBufferUnits = 8192;
const size_t kWarmUpCount = 10000;

typedef int(WINAPI* TextFunction)(LPWSTR);
typedef void*(WINAPI* InfoFunction)(void);
typedef int(WINAPI* InitFunction)(void);

struct Options {
  std::wstring Corpus;
  std::wstring Mode = L"default";
  std::wstring Tlds;
  std::wstring Verdicts;
  int Runs = 5;
};

// Prints a message to standard error and ends the program with code 2.
[[noreturn]] void Fail(const char* what, const std::wstring& detail = L"") {
  fprintf(stderr, "perf_bench: %s %ls (error %lu)\n", what, detail.c_str(), GetLastError());
  ExitProcess(2);
}

// The folder of this program, ending in a backslash.
std::wstring OwnFolder() {
  std::vector<wchar_t> path(32768);
  DWORD n = GetModuleFileNameW(nullptr, path.data(), (DWORD)path.size());
  if (n == 0 || n >= path.size()) Fail("cannot find own path");
  std::wstring s(path.data(), n);
  size_t slash = s.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L".\\" : s.substr(0, slash + 1);
}

// Reads a UTF-8 file of lines (LF or CRLF) into wide strings.
std::vector<std::wstring> ReadLines(const std::wstring& path) {
  std::vector<std::wstring> lines;
  if (!ReadCorpusLines(path, &lines)) Fail("cannot open corpus", path);
  return lines;
}

// Sets the saved settings for the mode: none, or CheckMX = 1 alone.
void PrepareRegistry(bool checkMx) {
  RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
  if (!checkMx) return;
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    Fail("cannot create the settings key");
  DWORD one = 1;
  RegSetValueExW(key, L"CheckMX", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
  RegCloseKey(key);
}

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER freq) {
  return (double)(b.QuadPart - a.QuadPart) / (double)freq.QuadPart;
}

// 1 when judging address reached the list-file lookup: its code comes from
// the known-TLD rule or a later one (0, 1048, 1052, 1053), and the last label
// of its domain is not one that the two-letter rule settles (two ASCII
// letters).
int ReachesListLookup(const std::wstring& address, int code) {
  if (code != 0 && code != 1048 && code != 1052 && code != 1053) return 0;
  size_t dot = address.find_last_of(L'.');
  if (dot == std::wstring::npos) return 0;
  std::wstring label = address.substr(dot + 1);
  auto asciiLetter = [](wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); };
  return !(label.size() == 2 && asciiLetter(label[0]) && asciiLetter(label[1]));
}

Options ParseArgs() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::wstring a = argv[i];
    std::wstring v = i + 1 < argc ? argv[i + 1] : L"";
    if (a == L"--corpus") o.Corpus = v, ++i;
    else if (a == L"--mode") o.Mode = v, ++i;
    else if (a == L"--tlds") o.Tlds = v, ++i;
    else if (a == L"--verdicts") o.Verdicts = v, ++i;
    else if (a == L"--runs") o.Runs = std::max(1, _wtoi(v.c_str())), ++i;
    else Fail("unknown argument", a);
  }
  if (o.Corpus.empty()) Fail("usage: perf_bench --corpus FILE [--mode default|tlds|mx] [--tlds FILE] [--runs N] [--verdicts FILE]");
  if (o.Mode != L"default" && o.Mode != L"tlds" && o.Mode != L"mx") Fail("unknown mode", o.Mode);
  if (o.Mode == L"tlds" && o.Tlds.empty()) Fail("mode tlds needs --tlds FILE");
  return o;
}

}  // namespace

int main() {
  Options opt = ParseArgs();
  std::wstring folder = OwnFolder();
  std::wstring dllPath = folder + PLUGIN_FILE_NAME;
  std::wstring listPath = folder + L"TLDs.txt";

  std::vector<std::wstring> corpus = ReadLines(opt.Corpus);
  if (corpus.empty()) Fail("empty corpus", opt.Corpus);
  for (const std::wstring& a : corpus)
    if (a.size() >= kHostBufferUnits) Fail("address longer than the host buffer");

  // The options, as a user sets them: saved values, then a fresh load.
  PrepareRegistry(opt.Mode == L"mx");
  DeleteFileW(listPath.c_str());
  if (opt.Mode == L"tlds" && !CopyFileW(opt.Tlds.c_str(), listPath.c_str(), FALSE))
    Fail("cannot copy the list file", opt.Tlds);

  if (opt.Mode == L"mx") {
    // The plug-in loads the DNS client and WinINet by their full paths in
    // the system folder on first use; below, its system folder is pointed at
    // this folder, so it takes the stand-ins of this folder, loaded here
    // first.
    HMODULE dns = nullptr;
    for (const wchar_t* stub : {L"dnsapi.dll", L"wininet.dll"}) {
      wchar_t path[MAX_PATH] = L"";
      HMODULE m = LoadLibraryW((folder + stub).c_str());
      if (m) GetModuleFileNameW(m, path, MAX_PATH);
      if (!m || _wcsnicmp(path, folder.c_str(), folder.size()) != 0)
        Fail("the stand-in is not in use (set WINEDLLOVERRIDES=dnsapi,wininet=n); loaded:", m ? path : stub);
      if (!dns) dns = m;
    }
    // Every name gets one MX record with a good exchange host, so the MX
    // rule passes and costs the plug-in's own work plus one answer.
    using AddFunction = void(__cdecl*)(LPCWSTR, WORD, LPCWSTR);
    auto add = reinterpret_cast<AddFunction>(reinterpret_cast<void*>(GetProcAddress(dns, "StubDnsAdd")));
    if (!add) Fail("the stand-in DNS client has no StubDnsAdd");
    add(L"*", 15, L"mx.example.com");
  }

  HostSetVariable(L"_transient", L"1");
  HostCaptureStart();  // the load message and the settings list stay quiet
  HMODULE plugin = LoadLibraryW(dllPath.c_str());
  if (!plugin) Fail("cannot load", dllPath);
  if (opt.Mode == L"mx" && !UseProgramFolderAsSystemFolder(plugin))
    Fail("the plug-in does not import GetSystemDirectoryW:", dllPath);
  auto info = reinterpret_cast<InfoFunction>(reinterpret_cast<void*>(GetProcAddress(plugin, "GetPluginInfo")));
  auto init = reinterpret_cast<InitFunction>(reinterpret_cast<void*>(GetProcAddress(plugin, "InitializePlugin")));
  auto command = reinterpret_cast<TextFunction>(reinterpret_cast<void*>(GetProcAddress(plugin, "quorvel")));
  auto quorvel = reinterpret_cast<TextFunction>(reinterpret_cast<void*>(GetProcAddress(plugin, "f_quorvel")));
  if (!info || !init || !command || !quorvel) Fail("missing export in", dllPath);
  info();
  init();
  wchar_t list[2] = L"";
  command(list);  // the settings list, to confirm what the run measures
  std::wstring settings = HostCapturedOut();
  HostCaptureStop();
  bool mxOn = settings.find(L"/M:Yes") != std::wstring::npos;
  if (mxOn != (opt.Mode == L"mx")) Fail("the CheckMX setting did not take effect; settings:", settings);

  std::vector<wchar_t> buffer(kHostBufferUnits);
  std::vector<int> codes(corpus.size());
  auto callOne = [&](const std::wstring& a) {
    memcpy(buffer.data(), a.c_str(), (a.size() + 1) * sizeof(wchar_t));
    quorvel(buffer.data());
    return _wtoi(buffer.data());
  };

  for (size_t i = 0; i < corpus.size() && i < kWarmUpCount; ++i) callOne(corpus[i]);

  LARGE_INTEGER freq;
  QueryPerformanceFrequency(&freq);
  std::vector<double> times;
  for (int r = 0; r < opt.Runs; ++r) {
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    if (r == 0) {
      for (size_t i = 0; i < corpus.size(); ++i) codes[i] = callOne(corpus[i]);
    } else {
      for (size_t i = 0; i < corpus.size(); ++i) callOne(corpus[i]);
    }
    QueryPerformanceCounter(&t1);
    times.push_back(Seconds(t0, t1, freq));
  }

  // The calls that never reach the list-file lookup (the code comes from a
  // rule before the known-TLD rule, or the two-letter rule settles the last
  // label), timed on their own. The cost of the calls that do reach it is
  // what remains of the whole pass.
  std::vector<const std::wstring*> quick;
  size_t lookups = 0;
  for (size_t i = 0; i < corpus.size(); ++i) {
    if (ReachesListLookup(corpus[i], codes[i])) ++lookups;
    else quick.push_back(&corpus[i]);
  }
  std::vector<double> quickTimes;
  for (int r = 0; r < std::max(opt.Runs, 5) && !quick.empty(); ++r) {
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    for (const std::wstring* a : quick) callOne(*a);
    QueryPerformanceCounter(&t1);
    quickTimes.push_back(Seconds(t0, t1, freq));
  }
  std::sort(quickTimes.begin(), quickTimes.end());
  double quickMedian = quickTimes.empty() ? 0 : quickTimes[quickTimes.size() / 2];

  FreeLibrary(plugin);
  DeleteFileW(listPath.c_str());
  RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);

  if (!opt.Verdicts.empty()) {
    FILE* out = _wfopen(opt.Verdicts.c_str(), L"wb");
    if (!out) Fail("cannot write", opt.Verdicts);
    for (int c : codes) fprintf(out, "%d\n", c);
    fclose(out);
  }
  std::sort(times.begin(), times.end());
  double median = times[times.size() / 2];
  size_t valid = (size_t)std::count(codes.begin(), codes.end(), 0);
  printf("RESULT name=Quorvel mode=%ls n=%u runs=%d median_s=%.6f rate=%.0f ns_per_call=%.1f valid=%u\n",
         opt.Mode.c_str(), (unsigned)corpus.size(), opt.Runs, median, corpus.size() / median,
         median * 1e9 / corpus.size(), (unsigned)valid);
  if (!quick.empty())
    printf("SUBSET name=Quorvel mode=%ls kind=no_list_lookup n=%u median_s=%.6f rate=%.0f ns_per_call=%.1f\n",
           opt.Mode.c_str(), (unsigned)quick.size(), quickMedian, quick.size() / quickMedian,
           quickMedian * 1e9 / quick.size());
  if (lookups) {
    double rest = median - quickMedian;
    printf("SUBSET name=Quorvel mode=%ls kind=list_lookup n=%u median_s=%.6f rate=%.0f ns_per_call=%.1f\n",
           opt.Mode.c_str(), (unsigned)lookups, rest, lookups / rest, rest * 1e9 / lookups);
  }
  fflush(stdout);
  return 0;
}
