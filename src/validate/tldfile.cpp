#include "validate/tldfile.h"

#include "common/qstr.h"
#include "platform/os.h"
#include "platform/host.h"
#include "settings/settings.h"
#include "textsource/textsource.h"
#include "validate/fastscan.h"

static const qchar kListFileName[] = QT("TLDs.txt");

// Turns the library path in path (capacity cap units) into the path of the
// list file beside it: everything after the last separator is replaced by
// "TLDs.txt". The separator is the last '\' or '/'; when none stands after the
// second character, a drive prefix "X:" counts as one. Returns 0, or -1 when
// there is no separator or the result would not fit.
static int ListFilePathFromModule(qchar* path, size_t cap) {
  size_t n = QStrLen(path);
  long sep = -1;
  for (size_t i = 0; i < n; ++i)
    if (path[i] == '\\' || path[i] == '/') sep = (long)i;
  if (sep < 2 && n >= 2 && path[1] == ':' && QIsAsciiLetter(path[0])) sep = 1;
  if (sep < 0) return -1;
  size_t keep = (size_t)sep + 1;
  if (keep + QCOUNT(kListFileName) > cap) return -1;  // QCOUNT counts the terminator
  path[keep] = 0;
  QStrAppend(path, cap, kListFileName);
  return 0;
}

// Finds the entry of one line (in place): skips leading white space and one
// optional dot, then takes a letter followed by letters, digits and hyphens,
// cutting the line after them. Returns the entry, or null when the line
// holds none.
static qchar* LineEntry(qchar* line) {
  qchar* p = line;
  while (*p && QIsSpace(*p)) ++p;
  if (!QIsAlpha(*p)) {
    if (*p != '.') return nullptr;
    ++p;
    if (!QIsAlpha(*p)) return nullptr;
  }
  qchar* end = p;
  while (*end && (QIsAlnum(*end) || *end == '-')) ++end;
  *end = 0;
  return p;
}

int FindEntryInLines(TextSource* source, const qchar* label, uint32_t until, qchar* line, int trace) {
  while (source->Position <= until && ReadTextLine(source, line) == 0) {
    line[TEXT_LINE_LEN - 1] = 0;
    const qchar* entry = LineEntry(line);
    if (!entry) continue;
    if (trace) Printf(QT("   * Compare '%s' against '%s' :\n"), label, entry);
    if (QStrEqualNoCase(label, entry)) return 1;
  }
  return 0;
}

int FindEntryInSource(TextSource* source, const qchar* label) {
  if (!source || !label) return 0;
  qchar line[TEXT_LINE_LEN];
  const int found = FindEntryFast(source, label, line);  // -1 where the lines must be read
  return found >= 0 ? found : FindEntryInLines(source, label, source->Size, line, 0);
}

int FindTLDInFile(const qchar* label) {
  if (!label || !*label) return -1;

  qchar path[TEXT_PATH_LEN];
  if (OsModuleFileName(ModuleHandle, path, QCOUNT(path)) == 0 || !path[0]) return -1;
  if (ListFilePathFromModule(path, QCOUNT(path)) != 0) return -1;

  TextSource source = {};
  int rc = OpenTextSource(&source, path);
  if (rc == OPEN_EMPTY) return 0;  // an empty file knows no label
  if (rc != 0) return -1;

  int found = 0;
  if (!PluginSettings.DebugMode) {
    found = FindEntryInSource(&source, label);
  } else {
    // The traced reading: every candidate compared is written out.
    Printf(QT("   * Looking for top-level domain '%s' in file %s :\n"), label, path);
    qchar line[TEXT_LINE_LEN];
    found = FindEntryInLines(&source, label, source.Size, line, 1);
  }
  CloseTextSource(&source);
  return found;
}
