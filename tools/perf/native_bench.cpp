// Native benchmark of the plug-in's own work: the platform-free code linked
// with the in-memory fakes of tests/native (no sanitizers, -O2), so that the
// figures show what the code between the platform calls costs. Built by the
// native build as bin/native_bench (tools/CMakeLists.txt);
// tools/perf/run_all.sh runs it, the test command does not.
//
//   native_bench --corpus FILE --tlds FILE [--runs N] [--today TABLE]
//                [--profile corpus|nolist|rules|lookup:LABEL [--count N]]
//
// The corpus is UTF-8, one address a line; the list file is placed beside
// the (fake) library as TLDs.txt. Every figure is the median of N timed runs
// (7 by default) after one untimed run; one run of a corpus figure is a pass
// over the whole corpus, one run of a single-lookup figure repeats the
// lookup until 20 ms have passed. Prints a Markdown table; with --today, an
// earlier table of this program (of another tree, say), each figure beside
// its earlier one.
//
// With --profile it times nothing and runs one kind of work only, N times
// (1 by default): a pass over the corpus with the list, without a list file,
// or with the top-level-domain check off, or one lookup of LABEL; for
// counting instructions under valgrind --tool=callgrind.
#include <locale.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/qstr.h"
#include "fakes.h"
#include "platform/os.h"
#include "platform/os_textsource.h"
#include "settings/settings.h"
#include "textsource/textsource.h"
#include "validate/tldfile.h"
#include "validate/validate.h"

namespace {

const char16_t kModulePath[] = u"C:\\Plugins\\Quorvel-x86.dll";
const char16_t kListPath[] = u"C:\\Plugins\\TLDs.txt";

struct Options {
  std::string Corpus, Tlds;
  int Runs = 7;
  std::string Profile;
  int Count = 1;
  std::string Today;
};

[[noreturn]] void Fail(const char* what, const std::string& detail) {
  fprintf(stderr, "native_bench: %s %s\n", what, detail.c_str());
  exit(2);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("cannot read", path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// UTF-8 to UTF-16 for the corpus (a bad byte stands for itself).
std::u16string Widen(const std::string& text) {
  std::u16string out;
  for (size_t i = 0; i < text.size();) {
    unsigned b = (unsigned char)text[i];
    unsigned len = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    if (i + len > text.size()) len = 1;
    uint32_t v = len == 1 ? b : b & (0x3F >> (len - 1));
    for (unsigned k = 1; k < len; ++k) v = v << 6 | ((unsigned char)text[i + k] & 0x3F);
    if (v >= 0x10000) {
      out += (char16_t)(0xD800 | ((v - 0x10000) >> 10));
      out += (char16_t)(0xDC00 | (v & 0x3FF));
    } else {
      out += (char16_t)v;
    }
    i += len;
  }
  return out;
}

double Seconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The world of one measurement: fresh fakes, default flags, the list file
// beside the library or none.
void Arrange(const std::string* list) {
  FakeReset();
  RestoreDefaults();
  Fake.CaptureLimit = 0;
  Fake.ModulePath = kModulePath;
  if (list) Fake.Files[kListPath].assign(list->begin(), list->end());
}

// ns per address of a pass over the corpus, median of runs.
double CorpusNs(const std::vector<std::u16string>& corpus, int runs) {
  std::vector<double> times;
  for (int r = 0; r <= runs; ++r) {
    double t0 = Seconds();
    unsigned sink = 0;
    for (const std::u16string& a : corpus) sink += (unsigned)ValidateAddress(a.c_str(), nullptr, nullptr);
    double t = Seconds() - t0;
    if (sink == 1) puts("");  // keeps the calls
    if (r > 0) times.push_back(t);
  }
  return Median(times) / (double)corpus.size() * 1e9;
}

// ns per call of body, median of runs of at least 20 ms each.
template <typename Body>
double CallNs(int runs, Body body) {
  std::vector<double> times;
  for (int r = 0; r <= runs; ++r) {
    long n = 0;
    double t0 = Seconds(), t;
    do {
      for (int i = 0; i < 16; ++i) body();
      n += 16;
      t = Seconds() - t0;
    } while (t < 0.02);
    if (r > 0) times.push_back(t / (double)n);
  }
  return Median(times) * 1e9;
}

// The entries of the list file in order (first label of each line, as the
// lookup reads them).
std::vector<std::u16string> Entries() {
  std::vector<std::u16string> out;
  TextSource s;
  if (OpenTextSource(&s, kListPath) != 0) return out;
  static qchar line[TEXT_LINE_LEN];
  while (s.Position <= s.Size && ReadTextLine(&s, line) == 0) {
    const qchar* p = line;
    while (*p && QIsSpace(*p)) ++p;
    if (*p == '.') ++p;
    if (!QIsAlpha(*p)) continue;
    const qchar* e = p;
    while (*e && (QIsAlnum(*e) || *e == '-')) ++e;
    out.push_back(std::u16string(p, e));
  }
  CloseTextSource(&s);
  return out;
}

std::string Narrow(const std::u16string& s) { return FakeNarrow(s); }

struct Row {
  std::string Name;    // the measurement, the same in every run
  std::string Detail;  // what it was measured on
  double Ns;
};

// A figure in ns or µs, as the table shows it.
std::string Figure(double ns) {
  char text[40];
  if (ns >= 10000) snprintf(text, sizeof text, "%.1f µs", ns / 1000);
  else snprintf(text, sizeof text, "%.0f ns", ns);
  return text;
}

// The figures of an earlier table printed by this program (name -> ns).
std::vector<std::pair<std::string, double>> ReadToday(const std::string& path) {
  std::vector<std::pair<std::string, double>> out;
  std::istringstream in(ReadFile(path));
  std::string line;
  while (std::getline(in, line)) {
    // | name | detail | figure | ...
    std::vector<std::string> cells;
    size_t p = 0;
    while ((p = line.find('|', p)) != std::string::npos) {
      size_t q = line.find('|', p + 1);
      if (q == std::string::npos) break;
      std::string cell = line.substr(p + 1, q - p - 1);
      cell.erase(0, cell.find_first_not_of(' '));
      cell.erase(cell.find_last_not_of(' ') + 1);
      cells.push_back(cell);
      p = q;
    }
    if (cells.size() < 3) continue;
    double v = atof(cells[2].c_str());
    if (v <= 0) continue;
    if (cells[2].find("µs") != std::string::npos) v *= 1000;
    out.push_back({cells[0], v});
  }
  return out;
}

void Print(const std::vector<Row>& rows, const std::string& todayPath) {
  std::vector<std::pair<std::string, double>> today;
  if (!todayPath.empty()) today = ReadToday(todayPath);
  if (today.empty()) {
    printf("| measurement | on | figure |\n|---|---|---:|\n");
  } else {
    printf("| measurement | on | figure | today | today / figure |\n|---|---|---:|---:|---:|\n");
  }
  for (const Row& r : rows) {
    printf("| %s | %s | %s |", r.Name.c_str(), r.Detail.c_str(), Figure(r.Ns).c_str());
    if (!today.empty()) {
      double before = 0;
      for (const auto& t : today)
        if (t.first == r.Name) before = t.second;
      if (before > 0) printf(" %s | %.1f× |", Figure(before).c_str(), before / r.Ns);
      else printf(" | |");
    }
    printf("\n");
  }
}

// The work of --profile, untimed. Returns the exit code.
int Profile(const Options& o, const std::vector<std::u16string>& corpus, const std::string& list) {
  const std::string& p = o.Profile;
  Arrange(p == "nolist" || p == "rules" ? nullptr : &list);
  if (p == "rules") PluginSettings.CheckTopLevelDomain = 0;
  unsigned sink = 0;
  if (p.compare(0, 7, "lookup:") == 0) {
    std::u16string label = Widen(p.substr(7));
    for (int i = 0; i < o.Count; ++i) sink += (unsigned)FindTLDInFile(label.c_str());
  } else if (p == "corpus" || p == "nolist" || p == "rules") {
    for (int i = 0; i < o.Count; ++i)
      for (const std::u16string& a : corpus) sink += (unsigned)ValidateAddress(a.c_str(), nullptr, nullptr);
  } else {
    Fail("unknown --profile", p);
  }
  printf("%u\n", sink);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--corpus" && i + 1 < argc) o.Corpus = argv[++i];
    else if (a == "--tlds" && i + 1 < argc) o.Tlds = argv[++i];
    else if (a == "--runs" && i + 1 < argc) o.Runs = atoi(argv[++i]);
    else if (a == "--profile" && i + 1 < argc) o.Profile = argv[++i];
    else if (a == "--count" && i + 1 < argc) o.Count = atoi(argv[++i]);
    else if (a == "--today" && i + 1 < argc) o.Today = argv[++i];
    else Fail("usage: native_bench --corpus FILE --tlds FILE [--runs N] [--today TABLE] [--profile WHAT [--count N]]", "");
  }
  if (o.Corpus.empty() || o.Tlds.empty() || o.Runs < 1) Fail("usage: native_bench --corpus FILE --tlds FILE [--runs N] [--today TABLE] [--profile WHAT [--count N]]", "");
  if (!setlocale(LC_ALL, "C.UTF-8")) Fail("the C.UTF-8 locale is not available", "");

  std::vector<std::u16string> corpus;
  {
    std::istringstream in(ReadFile(o.Corpus));
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      corpus.push_back(Widen(line));
    }
  }
  const std::string list = ReadFile(o.Tlds);
  if (!o.Profile.empty()) return Profile(o, corpus, list);
  Arrange(&list);
  const std::vector<std::u16string> entries = Entries();
  if (entries.empty()) Fail("no entries in", o.Tlds);
  const size_t middle = entries.size() / 2;
  const std::u16string unlisted = u"cmo";

  std::vector<Row> rows;
  const std::string corpusDetail = std::to_string(corpus.size()) + " addresses";
  const std::string listDetail = std::to_string(entries.size()) + " entries";
  Arrange(&list);
  rows.push_back({"per address of the corpus, with the list", corpusDetail + ", " + listDetail,
                  CorpusNs(corpus, o.Runs)});
  Arrange(nullptr);
  rows.push_back({"per address of the corpus, without a list file", corpusDetail, CorpusNs(corpus, o.Runs)});
  Arrange(nullptr);
  PluginSettings.CheckTopLevelDomain = 0;
  rows.push_back({"per address, rules alone (top-level-domain check off)", corpusDetail, CorpusNs(corpus, o.Runs)});

  Arrange(&list);
  struct Lookup {
    std::string Name;
    std::u16string Label;
    std::string Detail;
  };
  std::vector<Lookup> lookups = {
      {"lookup of the first entry", entries[0], Narrow(entries[0]) + ", entry 1"},
      {"lookup of com", u"com", ""},
      {"lookup of net", u"net", ""},
      {"lookup of a middle entry", entries[middle], Narrow(entries[middle]) + ", entry " + std::to_string(middle + 1)},
      {"lookup of an unlisted label", unlisted, Narrow(unlisted) + ", every line"},
  };
  // The last entry beyond ASCII (an internationalized name in Unicode), if any.
  for (size_t i = entries.size(); i-- > 0;) {
    bool ascii = true;
    for (char16_t c : entries[i]) ascii = ascii && c < 0x80;
    if (ascii) continue;
    lookups.push_back({"lookup of the last entry beyond ASCII", entries[i],
                       Narrow(entries[i]) + ", entry " + std::to_string(i + 1)});
    break;
  }
  double unlistedNs = 0;
  for (const Lookup& l : lookups) {
    if (FindTLDInFile(l.Label.c_str()) != (l.Label == unlisted ? 0 : 1))
      Fail("unexpected answer for", Narrow(l.Label));
    std::string detail = l.Detail;
    if (detail.empty()) {
      size_t at = std::find(entries.begin(), entries.end(), l.Label) - entries.begin();
      detail = "entry " + std::to_string(at + 1);
    }
    const double ns = CallNs(o.Runs, [&] { FindTLDInFile(l.Label.c_str()); });
    if (l.Label == unlisted) unlistedNs = ns;
    rows.push_back({l.Name, detail, ns});
  }

  // The phases of one lookup.
  rows.push_back({"phase: the platform calls of one lookup alone", "the fakes", CallNs(o.Runs, [&] {
                    qchar path[TEXT_PATH_LEN];
                    OsModuleFileName(nullptr, path, TEXT_PATH_LEN);  // the fake reports Fake.ModulePath
                    static qchar trueName[TEXT_PATH_LEN];
                    OsTextTrueName(kListPath, trueName);
                    QHandle file = nullptr, mapping = nullptr;
                    OsTextOpenRead(kListPath, &file);
                    OsTextFileInfo info;
                    OsTextGetFileInfo(file, &info);
                    OsTextCreateMapping(file, &mapping);
                    const void* view = nullptr;
                    OsTextMapView(mapping, &view);
                    OsTextUnmapView(view);
                    OsTextCloseHandle(mapping);
                    OsTextCloseHandle(file);
                  })});
  const double openNs = CallNs(o.Runs, [&] {
    TextSource s;
    OpenTextSource(&s, kListPath);
    CloseTextSource(&s);
  });
  rows.push_back({"phase: opening and closing, detection included", "", openNs});
  {
    TextSource s;
    OpenTextSource(&s, kListPath);
    rows.push_back({"phase: detection", "", CallNs(o.Runs, [&] {
                      s.BomLength = 0;
                      s.Position = 0;
                      DetectEncoding(&s, 0);
                    })});
    const uint32_t start = s.Position;
    static qchar line[TEXT_LINE_LEN];
    rows.push_back({"phase: reading every line (ReadTextLine)", "", CallNs(o.Runs, [&] {
                      s.Position = start;
                      while (s.Position <= s.Size && ReadTextLine(&s, line) == 0) {
                      }
                    })});
    CloseTextSource(&s);
  }
  rows.push_back({"phase: reading and matching, unlisted label", "the lookup less opening", unlistedNs - openNs});
  Print(rows, o.Today);
  return 0;
}
