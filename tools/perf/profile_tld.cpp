// Where the time of one list-file lookup goes. A white-box program linked
// with the plug-in's core: every platform call of the lookup is routed
// through a timing wrapper (the replaceable tables OsText and OsWin), so one
// FindTLDInFile splits into the time spent in each system call, in the
// host's QueryTrueName, and in the plug-in's own computation; the
// computation is split further by timing DetectEncoding and a pass of
// ReadTextLine over the open file on their own.
//
// Without a module handle the core finds this program's own folder, so the
// list file read is TLDs.txt beside this program.
//
//   perf_profile.exe --tlds FILE [--reps N] [--corpus FILE]
//
// Then it puts white-box stand-ins for the proposed changes in place of the
// platform calls, one after another, and times the lookup again; with a
// corpus also the whole corpus through @quorvel, and the rules alone (the
// lookup cut short: no library path, so the built-in table decides), i.e.
// what a call costs when the lookup costs nothing.
//
// Prints a report in Markdown.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "corpus.h"
#include "common/qstr.h"
#include "platform/os.h"
#include "platform/os_textsource_win.h"
#include "platform/os_win.h"
#include "settings/settings.h"
#include "textsource/textsource.h"
#include "validate/tldfile.h"
#include "validate/validate.h"

namespace {

LARGE_INTEGER g_freq;

double Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return (double)t.QuadPart / (double)g_freq.QuadPart;
}

// Time and count of one kind of platform call.
struct Meter {
  const char* Name;
  double Seconds;
  long Calls;
};

enum MeterId {
  M_MODULE_NAME, M_TRUE_NAME, M_ALLOC, M_FREE, M_CREATE_FILE, M_FILE_INFO, M_CREATE_MAPPING,
  M_MAP_VIEW, M_UNMAP_VIEW, M_CLOSE_HANDLE, M_ACP, M_LCID, M_COUNT
};

Meter g_meters[M_COUNT] = {
    {"GetModuleFileNameW", 0, 0}, {"QueryTrueName (host)", 0, 0}, {"HeapAlloc", 0, 0},
    {"HeapFree", 0, 0}, {"CreateFileW", 0, 0}, {"GetFileInformationByHandle", 0, 0},
    {"CreateFileMappingW", 0, 0}, {"MapViewOfFile", 0, 0}, {"UnmapViewOfFile", 0, 0},
    {"CloseHandle", 0, 0}, {"GetACP", 0, 0}, {"GetUserDefaultLCID", 0, 0},
};

// Runs one platform call under meter id.
#define METERED(id, call)                 \
  do {                                    \
    double t0_ = Now();                   \
    call;                                 \
    g_meters[id].Seconds += Now() - t0_;  \
    g_meters[id].Calls++;                 \
  } while (0)

DWORD WINAPI TimedModuleName(HMODULE m, LPWSTR p, DWORD n) {
  DWORD r; METERED(M_MODULE_NAME, r = OsWinDefaults.GetModuleFileNameW(m, p, n)); return r;
}
LPWSTR WINAPI TimedTrueName(LPCWSTR a, LPWSTR b) {
  LPWSTR r; METERED(M_TRUE_NAME, r = OsTextDefaults.QueryTrueName(a, b)); return r;
}
void* WINAPI TimedAlloc(SIZE_T n) { void* r; METERED(M_ALLOC, r = OsTextDefaults.Alloc(n)); return r; }
void WINAPI TimedFree(void* p) { METERED(M_FREE, OsTextDefaults.Free(p)); }
HANDLE WINAPI TimedCreateFile(LPCWSTR a, DWORD b, DWORD c, LPSECURITY_ATTRIBUTES d, DWORD e, DWORD f, HANDLE g) {
  HANDLE r; METERED(M_CREATE_FILE, r = OsTextDefaults.CreateFileW(a, b, c, d, e, f, g)); return r;
}
BOOL WINAPI TimedFileInfo(HANDLE h, LPBY_HANDLE_FILE_INFORMATION i) {
  BOOL r; METERED(M_FILE_INFO, r = OsTextDefaults.GetFileInformationByHandle(h, i)); return r;
}
HANDLE WINAPI TimedMapping(HANDLE a, LPSECURITY_ATTRIBUTES b, DWORD c, DWORD d, DWORD e, LPCWSTR f) {
  HANDLE r; METERED(M_CREATE_MAPPING, r = OsTextDefaults.CreateFileMappingW(a, b, c, d, e, f)); return r;
}
LPVOID WINAPI TimedMapView(HANDLE a, DWORD b, DWORD c, DWORD d, SIZE_T e) {
  LPVOID r; METERED(M_MAP_VIEW, r = OsTextDefaults.MapViewOfFile(a, b, c, d, e)); return r;
}
BOOL WINAPI TimedUnmap(LPCVOID p) { BOOL r; METERED(M_UNMAP_VIEW, r = OsTextDefaults.UnmapViewOfFile(p)); return r; }
BOOL WINAPI TimedClose(HANDLE h) { BOOL r; METERED(M_CLOSE_HANDLE, r = OsTextDefaults.CloseHandle(h)); return r; }
UINT WINAPI TimedAcp(void) { UINT r; METERED(M_ACP, r = OsTextDefaults.GetACP()); return r; }
LCID WINAPI TimedLcid(void) { LCID r; METERED(M_LCID, r = OsTextDefaults.GetUserDefaultLCID()); return r; }

void InstallMeters() {
  OsWin.GetModuleFileNameW = TimedModuleName;
  OsText.QueryTrueName = TimedTrueName;
  OsText.Alloc = TimedAlloc;
  OsText.Free = TimedFree;
  OsText.CreateFileW = TimedCreateFile;
  OsText.GetFileInformationByHandle = TimedFileInfo;
  OsText.CreateFileMappingW = TimedMapping;
  OsText.MapViewOfFile = TimedMapView;
  OsText.UnmapViewOfFile = TimedUnmap;
  OsText.CloseHandle = TimedClose;
  OsText.GetACP = TimedAcp;
  OsText.GetUserDefaultLCID = TimedLcid;
}

void ResetMeters() {
  for (Meter& m : g_meters) m.Seconds = 0, m.Calls = 0;
}

double MeteredTotal() {
  double s = 0;
  for (const Meter& m : g_meters) s += m.Seconds;
  return s;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Microseconds, for the report.
double Us(double seconds) { return seconds * 1e6; }

// The line (1-based) of the list file whose entry is label, or 0.
int LineOf(const std::vector<std::wstring>& entries, const wchar_t* label) {
  for (size_t i = 0; i < entries.size(); ++i)
    if (QStrEqualNoCase(entries[i].c_str(), label)) return (int)i + 1;
  return 0;
}

// The entries of the list file as plain text (ASCII lines only), for the
// line numbers in the report.
std::vector<std::wstring> ReadEntries(const std::wstring& path) {
  std::vector<std::wstring> out;
  FILE* f = _wfopen(path.c_str(), L"rb");
  if (!f) return out;
  char line[512];
  while (fgets(line, sizeof line, f)) {
    std::wstring w;
    for (char* p = line; *p && *p != '\r' && *p != '\n'; ++p) w += (wchar_t)(unsigned char)*p;
    out.push_back(w);
  }
  fclose(f);
  return out;
}

std::wstring OwnFolder() {
  wchar_t path[MAX_PATH * 4];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  std::wstring s(path, n);
  return s.substr(0, s.find_last_of(L"\\/") + 1);
}

// Times FindTLDInFile(label) reps times; prints one table row with the
// median time and the mean split into platform calls and computation.
void ProfileLabel(const wchar_t* label, int line, int reps) {
  std::vector<double> times;
  ResetMeters();
  int result = 0;
  for (int i = 0; i < reps; ++i) {
    double t0 = Now();
    result = FindTLDInFile(label);
    times.push_back(Now() - t0);
  }
  double total = 0;
  for (double t : times) total += t;
  double mean = total / reps, calls = MeteredTotal() / reps;
  printf("| %ls | %s | %d | %.1f | %.1f | %.1f | %.1f |\n", label, line ? std::to_string(line).c_str() : "-",
         result, Us(Median(times)), Us(mean), Us(calls), Us(mean - calls));
}

// Median time in seconds of reps calls of fn.
template <typename Fn>
double TimeMedian(int reps, Fn fn) {
  std::vector<double> t;
  for (int i = 0; i < reps; ++i) {
    double t0 = Now();
    fn();
    t.push_back(Now() - t0);
  }
  return Median(t);
}

// Single platform calls on the list file, and the alternatives a faster
// lookup could use, each timed on its own.
void ProfileAlternatives(const std::wstring& path, int reps) {
  std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
  std::wstring missing = folder + L"NoSuchFile.txt";
  static wchar_t out[TEXT_PATH_LEN];
  printf("\n## Single platform calls on the list file (median of %d)\n\n", reps);
  printf("| call | us |\n|---|---:|\n");
  auto row = [](const char* name, double s) { printf("| %s | %.2f |\n", name, Us(s)); };
  row("QueryTrueName of the stand-in host (GetFullPathNameW + GetLongPathNameW)",
      TimeMedian(reps, [&] { OsTextDefaults.QueryTrueName(path.c_str(), out); }));
  row("GetFullPathNameW alone", TimeMedian(reps, [&] { GetFullPathNameW(path.c_str(), TEXT_PATH_LEN, out, nullptr); }));
  row("GetLongPathNameW alone", TimeMedian(reps, [&] { GetLongPathNameW(path.c_str(), out, TEXT_PATH_LEN); }));
  row("CreateFileW of a missing file",
      TimeMedian(reps, [&] { CreateFileW(missing.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr); }));
  row("CreateFileW + CloseHandle of the list file", TimeMedian(reps, [&] {
        HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        CloseHandle(h);
      }));
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  BY_HANDLE_FILE_INFORMATION fi;
  row("GetFileInformationByHandle", TimeMedian(reps, [&] { GetFileInformationByHandle(h, &fi); }));
  row("GetFileTime + GetFileSizeEx (the same times and size)", TimeMedian(reps, [&] {
        FILETIME c, a, w;
        LARGE_INTEGER size;
        GetFileTime(h, &c, &a, &w);
        GetFileSizeEx(h, &size);
      }));
  row("CreateFileMappingW + MapViewOfFile + UnmapViewOfFile + CloseHandle", TimeMedian(reps, [&] {
        HANDLE m = CreateFileMappingW(h, nullptr, PAGE_READONLY, 0, 0, nullptr);
        void* v = MapViewOfFile(m, FILE_MAP_READ, 0, 0, 0);
        UnmapViewOfFile(v);
        CloseHandle(m);
      }));
  static char buffer[1 << 16];
  row("ReadFile of the whole file from offset 0 (instead of a mapping)", TimeMedian(reps, [&] {
        DWORD got = 0;
        SetFilePointer(h, 0, nullptr, FILE_BEGIN);
        ReadFile(h, buffer, sizeof buffer, &got, nullptr);
      }));
  CloseHandle(h);
  WIN32_FILE_ATTRIBUTE_DATA attr;
  row("GetFileAttributesExW of the list file", TimeMedian(reps, [&] { GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attr); }));
  HANDLE change = FindFirstChangeNotificationW(folder.c_str(), FALSE,
      FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);
  if (change != INVALID_HANDLE_VALUE) {
    row("WaitForSingleObject(change notification of the folder, 0)", TimeMedian(reps, [&] { WaitForSingleObject(change, 0); }));
    FindCloseChangeNotification(change);
  }
  // The floor with the list held in memory: a sorted table of the entries
  // (letters folded to lower case), searched for a label.
  std::vector<std::wstring> table = ReadEntries(path);
  for (std::wstring& e : table)
    for (wchar_t& c : e)
      if (c >= L'A' && c <= L'Z') c = (wchar_t)(c + 32);
  std::sort(table.begin(), table.end());
  wchar_t label[64];
  row("in-memory table: fold the label, binary search (label not listed)", TimeMedian(reps, [&] {
        const wchar_t* src = L"Con";
        size_t n = 0;
        for (; src[n] && n < 63; ++n) label[n] = (src[n] >= L'A' && src[n] <= L'Z') ? (wchar_t)(src[n] + 32) : src[n];
        label[n] = 0;
        std::binary_search(table.begin(), table.end(), std::wstring(label));
      }));
  volatile int sink = 0;
  row("iswalnum, 1000 ASCII characters", TimeMedian(reps, [&] {
        for (int i = 0; i < 1000; ++i) sink += QIsAlnum('a' + i % 26);
      }));
  row("ASCII letter-or-digit test, 1000 ASCII characters", TimeMedian(reps, [&] {
        for (int i = 0; i < 1000; ++i) {
          unsigned c = (unsigned)('a' + i % 26 + sink % 2);
          sink += QIsAsciiLetter(c) || QIsAsciiDigit(c);
        }
      }));
}

// Reads a UTF-8 file of lines into wide strings (none when it cannot be read).
std::vector<std::wstring> ReadCorpus(const std::wstring& path) {
  std::vector<std::wstring> out;
  ReadCorpusLines(path, &out);
  return out;
}

DWORD WINAPI NoModuleName(HMODULE, LPWSTR path, DWORD cap) {
  if (cap) path[0] = 0;
  return 0;
}

// One pass of @quorvel over the corpus; seconds.
double CorpusPass(const std::vector<std::wstring>& corpus) {
  static wchar_t buffer[8192];
  double t0 = Now();
  for (const std::wstring& a : corpus) {
    memcpy(buffer, a.c_str(), (a.size() + 1) * sizeof(wchar_t));
    FunctionQuorvel(buffer);
  }
  return Now() - t0;
}

// ---- What-if stand-ins for the proposals --------------------------------

// The stand-in host's QueryTrueName without GetLongPathNameW unless the path
// holds a short (8.3) component, the only thing that call changes.
LPWSTR WINAPI TrueNameWithoutLongPath(LPCWSTR path, LPWSTR result) {
  DWORD n = GetFullPathNameW(path, TEXT_PATH_LEN, result, nullptr);
  if (n == 0 || n >= TEXT_PATH_LEN) lstrcpynW(result, path, TEXT_PATH_LEN);
  else if (wcschr(result, L'~')) GetLongPathNameW(result, result, TEXT_PATH_LEN);
  return result;
}

// The file times and size from GetFileTime and GetFileSizeEx.
BOOL WINAPI FileInfoFromTimeAndSize(HANDLE h, LPBY_HANDLE_FILE_INFORMATION info) {
  ZeroMemory(info, sizeof *info);
  LARGE_INTEGER size;
  if (!GetFileTime(h, &info->ftCreationTime, &info->ftLastAccessTime, &info->ftLastWriteTime) ||
      !GetFileSizeEx(h, &size)) {
    ZeroMemory(info, sizeof *info);
    return FALSE;
  }
  info->nFileSizeHigh = (DWORD)(size.QuadPart >> 32);
  info->nFileSizeLow = (DWORD)size.QuadPart;
  return TRUE;
}

// The whole file read into a heap block instead of a mapped view: the
// "mapping" handle stands for the file handle it was made from.
HANDLE g_readFile;
const HANDLE kReadMapping = (HANDLE)(intptr_t)0x5EAD;
HANDLE WINAPI ReadInsteadOfMapping(HANDLE file, LPSECURITY_ATTRIBUTES, DWORD, DWORD, DWORD, LPCWSTR) {
  g_readFile = file;
  return kReadMapping;
}
LPVOID WINAPI ReadInsteadOfView(HANDLE, DWORD, DWORD, DWORD, SIZE_T) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(g_readFile, &size)) return nullptr;
  void* block = HeapAlloc(GetProcessHeap(), 0, (SIZE_T)size.QuadPart);
  DWORD got = 0;
  SetFilePointer(g_readFile, 0, nullptr, FILE_BEGIN);
  if (block && !ReadFile(g_readFile, block, (DWORD)size.QuadPart, &got, nullptr)) got = 0;
  return block;
}
BOOL WINAPI ReadInsteadOfUnmap(LPCVOID view) { return HeapFree(GetProcessHeap(), 0, (void*)view); }
BOOL WINAPI CloseUnlessReadMapping(HANDLE h) { return h == kReadMapping ? TRUE : CloseHandle(h); }

// The lookup and the whole corpus as built, then with the proposals in
// place one after another (each on top of the ones before), and the rules
// alone.
void ProfileWhatIf(const std::wstring& corpusPath, const std::wstring& listPath, const std::wstring& tlds, int reps) {
  OsText = OsTextDefaults;
  OsWin = OsWinDefaults;
  std::vector<std::wstring> corpus = ReadCorpus(corpusPath);
  printf("\n## The lookup with the proposals in place (white-box stand-ins, cumulative; median of %d)\n\n", reps);
  printf("| platform calls | no TLDs.txt: one lookup us | TLDs.txt, com (line 52) us | TLDs.txt, label not listed us |\n");
  printf("|---|---:|---:|---:|\n");
  const char* steps[] = {"as built", "+ host QueryTrueName without GetLongPathNameW",
                         "+ GetFileTime and GetFileSizeEx for the file information",
                         "+ ReadFile into a heap block instead of a mapped view"};
  for (int step = 0; step < 4; ++step) {
    if (step >= 1) OsText.QueryTrueName = TrueNameWithoutLongPath;
    if (step >= 2) OsText.GetFileInformationByHandle = FileInfoFromTimeAndSize;
    if (step >= 3) {
      OsText.CreateFileMappingW = ReadInsteadOfMapping;
      OsText.MapViewOfFile = ReadInsteadOfView;
      OsText.UnmapViewOfFile = ReadInsteadOfUnmap;
      OsText.CloseHandle = CloseUnlessReadMapping;
    }
    DeleteFileW(listPath.c_str());
    double none = TimeMedian(reps, [] { FindTLDInFile(L"com"); });
    CopyFileW(tlds.c_str(), listPath.c_str(), FALSE);
    double hit = TimeMedian(reps, [] { FindTLDInFile(L"com"); });
    double miss = TimeMedian(reps, [] { FindTLDInFile(L"con"); });
    printf("| %s | %.1f | %.1f | %.1f |\n", steps[step], Us(none), Us(hit), Us(miss));
  }
  if (corpus.empty()) return;
  // Whole corpus with every proposal in place (one pass each).
  DeleteFileW(listPath.c_str());
  double none = CorpusPass(corpus);
  CopyFileW(tlds.c_str(), listPath.c_str(), FALSE);
  double with = CorpusPass(corpus);
  DeleteFileW(listPath.c_str());
  OsText = OsTextDefaults;
  // The rules alone: the lookup cut short at its first step (no library
  // path), so the built-in table decides.
  OsWin.GetModuleFileNameW = NoModuleName;
  std::vector<double> t;
  for (int r = 0; r < 5; ++r) t.push_back(CorpusPass(corpus));
  OsWin = OsWinDefaults;
  double alone = Median(t);
  size_t n = corpus.size();
  printf("\n%u addresses through @quorvel with all of the above (one pass each): no TLDs.txt %.0f addresses/s "
         "(%.1f us each); with TLDs.txt %.0f addresses/s (%.1f us each).\n",
         (unsigned)n, n / none, Us(none / n), n / with, Us(with / n));
  printf("\nThe rules alone (lookup cut short, built-in table; median of 5 passes): %.0f addresses/s, %.0f ns "
         "each - what a call costs when the list-file lookup costs nothing.\n", n / alone, alone * 1e9 / n);

  // The domain character rule's letter-or-digit tests over every domain of
  // the corpus: the wide classification as built, and ASCII tests first.
  std::vector<std::wstring> domains;
  for (const std::wstring& a : corpus) {
    size_t at = a.find_last_of(L'@');
    if (at != std::wstring::npos) domains.push_back(a.substr(at + 1));
  }
  auto asciiFirst = [](unsigned c) { return c < 0x80 ? (QIsAsciiLetter(c) || QIsAsciiDigit(c)) : QIsAlnum(c); };
  auto wide = [](unsigned c) { return QIsAlnum(c) != 0; };
  volatile int sink = 0;
  auto rule = [&](auto alnum) {
    for (const std::wstring& d : domains) {
      const wchar_t* p = d.c_str();
      int bad = !alnum(p[0]);
      for (size_t i = 0; p[i] && !bad; ++i) {
        if (p[i] == '.') bad = i == 0 || !alnum(p[i - 1]) || !alnum(p[i + 1]);
        else bad = !alnum(p[i]) && p[i] != '-';
      }
      sink += bad;
    }
  };
  std::vector<double> tw, ta;
  for (int r = 0; r < 5; ++r) {
    double t0 = Now();
    rule(wide);
    double t1 = Now();
    rule(asciiFirst);
    tw.push_back(t1 - t0);
    ta.push_back(Now() - t1);
  }
  printf("\nThe domain character rule's tests over the corpus' domains: %.0f ns per address with the wide "
         "classification, %.0f ns with ASCII tests first.\n", Median(tw) * 1e9 / n, Median(ta) * 1e9 / n);
}

}  // namespace

int main() {
  QueryPerformanceFrequency(&g_freq);
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::wstring tlds, corpus;
  int reps = 300;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::wstring a = argv[i];
    if (a == L"--tlds") tlds = argv[i + 1];
    else if (a == L"--reps") reps = std::max(10, _wtoi(argv[i + 1]));
    else if (a == L"--corpus") corpus = argv[i + 1];
  }
  if (tlds.empty()) {
    fprintf(stderr, "usage: perf_profile --tlds FILE [--reps N] [--corpus FILE]\n");
    return 2;
  }
  std::wstring listPath = OwnFolder() + L"TLDs.txt";
  DeleteFileW(listPath.c_str());
  RestoreDefaults();
  InstallMeters();

  // 1. Without a list file: what every label that passes the two-letter rule
  //    pays with the default options.
  printf("## One lookup without TLDs.txt (the default)\n\n");
  printf("| label | line | result | median us | mean us | in platform calls us | own computation us |\n");
  printf("|---|---|---|---|---|---|---|\n");
  ProfileLabel(L"com", 0, reps);
  printf("\nPlatform calls per lookup (mean us):\n\n");
  for (const Meter& m : g_meters)
    if (m.Calls) printf("- %s: %.2f calls, %.2f us\n", m.Name, (double)m.Calls / reps, Us(m.Seconds / reps));

  if (!CopyFileW(tlds.c_str(), listPath.c_str(), FALSE)) {
    fprintf(stderr, "perf_profile: cannot copy %ls\n", tlds.c_str());
    return 2;
  }
  std::vector<std::wstring> entries = ReadEntries(listPath);
  WIN32_FILE_ATTRIBUTE_DATA attr = {};
  GetFileAttributesExW(listPath.c_str(), GetFileExInfoStandard, &attr);

  // 2. With the list file: cost by the position of the entry.
  printf("\n## One lookup with TLDs.txt (%u lines, %lu bytes)\n\n", (unsigned)entries.size(), attr.nFileSizeLow);
  printf("| label | line | result | median us | mean us | in platform calls us | own computation us |\n");
  printf("|---|---|---|---|---|---|---|\n");
  const wchar_t* labels[] = {L"ac", L"com", L"net", L"org", L"info", L"online", L"xyz", L"zw", L"con", L"local"};
  for (const wchar_t* label : labels) ProfileLabel(label, LineOf(entries, label), reps);

  // 3. The full scan (a label that is not listed), split into its parts.
  ResetMeters();
  std::vector<double> whole;
  for (int i = 0; i < reps; ++i) {
    double t0 = Now();
    FindTLDInFile(L"con");
    whole.push_back(Now() - t0);
  }
  std::vector<Meter> perLookup(g_meters, g_meters + M_COUNT);

  TextSource src = {};
  OpenTextSource(&src, listPath.c_str());
  int encoding = src.Encoding;
  std::vector<double> detect, read, parse;
  static qchar line[TEXT_LINE_LEN];
  int lines = 0, chars = 0;
  for (int i = 0; i < reps; ++i) {
    src.Position = 0;
    src.BomLength = 0;
    double t0 = Now();
    DetectEncoding(&src, 0);
    double t1 = Now();
    lines = chars = 0;
    while (src.Position <= src.Size && ReadTextLine(&src, line) == 0) {
      ++lines;
      chars += (int)QStrLen(line);
    }
    double t2 = Now();
    detect.push_back(t1 - t0);
    read.push_back(t2 - t1);
  }
  // The entry parse of every line: the wide classification calls it makes
  // (white space, letters, letters-or-digits), one pass over all lines.
  src.Position = src.BomLength;
  std::vector<std::wstring> textLines;
  while (src.Position <= src.Size && ReadTextLine(&src, line) == 0) textLines.push_back(line);
  CloseTextSource(&src);
  volatile int sink = 0;
  for (int i = 0; i < reps; ++i) {
    double t0 = Now();
    for (const std::wstring& l : textLines) {
      const wchar_t* p = l.c_str();
      while (*p && QIsSpace(*p)) ++p;
      if (*p == '.') ++p;
      if (!QIsAlpha(*p)) continue;
      const wchar_t* e = p;
      while (*e && (QIsAlnum(*e) || *e == '-')) ++e;
      sink += (int)(e - p) + QStrEqualNoCase(L"con", p);
    }
    parse.push_back(Now() - t0);
  }
  // The same parse with ASCII tests in front of the wide classification.
  std::vector<double> parseAscii;
  auto alpha = [](unsigned c) { return c < 0x80 ? QIsAsciiLetter(c) : QIsAlpha(c); };
  auto alnum = [](unsigned c) { return c < 0x80 ? (QIsAsciiLetter(c) || QIsAsciiDigit(c)) : QIsAlnum(c); };
  auto space = [](unsigned c) { return c < 0x80 ? (c == ' ' || (c >= 9 && c <= 13)) : QIsSpace(c); };
  for (int i = 0; i < reps; ++i) {
    double t0 = Now();
    for (const std::wstring& l : textLines) {
      const wchar_t* p = l.c_str();
      while (*p && space(*p)) ++p;
      if (*p == '.') ++p;
      if (!alpha(*p)) continue;
      const wchar_t* e = p;
      while (*e && (alnum(*e) || *e == '-')) ++e;
      sink += (int)(e - p) + QStrEqualNoCase(L"con", p);
    }
    parseAscii.push_back(Now() - t0);
  }
  // A zeroed path buffer of 16384 units, as the open of a named file makes.
  std::vector<double> zero;
  for (int i = 0; i < reps; ++i) {
    double t0 = Now();
    QStrFillZero(line, TEXT_LINE_LEN, QT(""));
    QStrFillZero(line, TEXT_LINE_LEN, QT(""));
    zero.push_back(Now() - t0);
    sink += line[100];
  }
  // What a lookup would cost if it only asked whether the file changed.
  std::vector<double> stat;
  for (int i = 0; i < reps; ++i) {
    double t0 = Now();
    GetFileAttributesExW(listPath.c_str(), GetFileExInfoStandard, &attr);
    stat.push_back(Now() - t0);
  }

  double mean = 0;
  for (double t : whole) mean += t;
  mean /= reps;
  double platform = 0;
  printf("\n## Where the time of a full scan goes (label not listed, mean of %d lookups)\n\n", reps);
  printf("Encoding detected: %d; lines read: %d; characters: %d.\n\n", encoding, lines, chars);
  printf("| part | calls per lookup | us per lookup | share |\n|---|---|---|---|\n");
  for (const Meter& m : perLookup) {
    if (!m.Calls) continue;
    platform += m.Seconds / reps;
    printf("| %s | %.1f | %.1f | %.0f%% |\n", m.Name, (double)m.Calls / reps, Us(m.Seconds / reps),
           100 * m.Seconds / reps / mean);
  }
  double own = mean - platform;
  double d = Median(detect), r = Median(read), pa = Median(parse), z = Median(zero) / 2;
  printf("| own computation: DetectEncoding | | %.1f | %.0f%% |\n", Us(d), 100 * d / mean);
  printf("| own computation: ReadTextLine over all lines | | %.1f | %.0f%% |\n", Us(r), 100 * r / mean);
  printf("| own computation: entry parse and compare | | %.1f | %.0f%% |\n", Us(pa), 100 * pa / mean);
  printf("| own computation: zeroing the 16384-unit name buffer | | %.1f | %.0f%% |\n", Us(z), 100 * z / mean);
  printf("| own computation: rest | | %.1f | %.0f%% |\n", Us(own - d - r - pa - z), 100 * (own - d - r - pa - z) / mean);
  printf("| **total** | | **%.1f** | 100%% |\n", Us(mean));
  printf("\nFor comparison: the entry parse with ASCII tests before the wide "
         "classification takes %.1f us; GetFileAttributesExW on the list file takes %.1f us.\n",
         Us(Median(parseAscii)), Us(Median(stat)));

  ProfileAlternatives(listPath, reps);
  ProfileWhatIf(corpus, listPath, tlds, reps);
  DeleteFileW(listPath.c_str());
  return sink == -1;
}
