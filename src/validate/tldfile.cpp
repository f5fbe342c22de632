#include "validate/tldfile.h"

#include "common/bytescan.h"
#include "common/qstr.h"
#include "platform/os.h"
#include "platform/host.h"
#include "settings/settings.h"
#include "textsource/textsource.h"

static const qchar kListFileName[] = QT("TLDs.txt");

// Longest label sought in the units themselves (longer ones, which no
// address can hold, are sought in the lines), terminator included.
#define MAX_FOLDED_LABEL 1024

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

// Length of the label as lower-case ASCII bytes in folded (cap bytes), for
// the search in the units: when every unit is an ASCII letter, digit or
// hyphen and the first a letter. 0 when the label must be sought in the lines
// (a unit above 0x7F, or too long); -1 when it is ASCII but no entry can equal
// it (another character, or no letter first).
static int32_t FoldLabel(const qchar* label, uint8_t* folded, size_t cap) {
  int32_t k = 0;
  for (; label[k]; ++k) {
    unsigned c = label[k];
    if (c >= 0x80 || (size_t)k + 1 >= cap) return 0;
    folded[k] = (uint8_t)((c >= 'A' && c <= 'Z') ? c | 0x20 : c);
  }
  for (int32_t j = 0; j < k; ++j) {
    unsigned c = folded[j];
    int letter = c >= 'a' && c <= 'z';
    if (j == 0 ? !letter : !(letter || QIsAsciiDigit(c) || c == '-')) return -1;
  }
  return k;
}

// The text of a source as units of size 1 (bytes) or 2 (UTF-16, big-endian
// or not) from start, the first unit read, to end.
struct UnitText {
  const uint8_t* Data;
  uint32_t Start, End, Size;
  int BigEndian;
  // The unit at byte offset p (a unit boundary, p + Size <= End).
  unsigned At(uint32_t p) const {
    if (Size == 1) return Data[p];
    return BigEndian ? (unsigned)Data[p] << 8 | Data[p + 1] : Data[p] | (unsigned)Data[p + 1] << 8;
  }
};

// Judges the place s (a unit boundary) where the folded label (k units)
// stands in the text t: 1 when it is the entry of its line, 0 when it is not,
// -1 when the units alone cannot tell (units from 0x80 up or zero units next
// to it, or a line long enough to be cut).
static int JudgeCandidate(const UnitText& t, uint32_t s, const uint8_t* label, uint32_t k) {
  const uint32_t w = t.Size;
  for (uint32_t j = 0; j < k; ++j) {
    unsigned c = t.At(s + j * w);
    if (((c >= 'A' && c <= 'Z') ? c | 0x20 : c) != label[j]) return 0;
  }
  // Before it on its line: white space only, then one optional dot.
  uint32_t p = s;
  if (p > t.Start && t.At(p - w) == '.') p -= w;
  for (; p > t.Start; p -= w) {
    unsigned c = t.At(p - w);
    if (c == '\r' || c == '\n') break;
    if (c == 0 || c >= 0x80) return -1;
    if (!QIsSpace(c)) return 0;
    if ((s - p) / w + k + 4 > TEXT_LINE_LEN) return -1;
  }
  if ((s - p) / w + k + 4 > TEXT_LINE_LEN) return -1;
  // After it: anything but a letter, digit or hyphen, or the end.
  const uint32_t after = s + k * w;
  if (t.End - after >= w) {
    unsigned c = t.At(after);
    if (c == 0 || c >= 0x80) return -1;
    if (QIsAsciiLetter(c) || QIsAsciiDigit(c) || c == '-') return 0;
  }
  return 1;
}

// The lookup over the units of a source that reads ASCII as units: seeks the
// label's first and last characters together, judges each place found, and
// reads the lines around a place the units cannot judge. Returns 1 found, 0
// not found, -1 when the lines must be read (the units may hide an entry).
static int FindEntryInUnits(const TextSource* source, const qchar* label, const uint8_t* folded, uint32_t k,
                            qchar* line) {
  UnitText t = {source->Data, source->Position, source->Size, AsciiUnitSize(source),
                source->Encoding == EncUtf16Be};
  const uint32_t w = t.Size;
  if (t.Start >= t.End || (t.End - t.Start) / w < k) return IsAsciiTransparent(source) ? 0 : -1;
  // The byte of a unit that holds an ASCII character's value, and the gap
  // from the first character's byte to the last one's.
  const uint32_t low = t.BigEndian ? 1 : 0, gap = (k - 1) * w;
  uint32_t read = t.Start;  // the lines before this offset have been read
  for (uint32_t b = QFindBytePair(t.Data, t.Start + low, t.End, folded[0], folded[k - 1], gap); b < t.End;
       b = QFindBytePair(t.Data, b + 1 > read + low ? b + 1 : read + low, t.End, folded[0], folded[k - 1], gap)) {
    const uint32_t s = b - low;
    if ((s - t.Start) % w != 0 || t.End - s < k * w) continue;  // not on a unit boundary
    int judged = JudgeCandidate(t, s, folded, k);
    if (judged > 0) return 1;
    if (judged == 0) continue;
    uint32_t lineStart = s;
    while (lineStart > read && t.At(lineStart - w) != '\r' && t.At(lineStart - w) != '\n') lineStart -= w;
    TextSource view = *source;
    view.Position = lineStart;
    while (view.Position <= s && ReadTextLine(&view, line) == 0) {
      line[TEXT_LINE_LEN - 1] = 0;
      const qchar* entry = LineEntry(line);
      if (entry && QStrEqualNoCase(label, entry)) return 1;
    }
    read = view.Position;
  }
  return IsAsciiTransparent(source) ? 0 : -1;
}

int FindEntryInSource(TextSource* source, const qchar* label) {
  if (!source || !label) return 0;
  qchar line[TEXT_LINE_LEN];
  uint8_t folded[MAX_FOLDED_LABEL];
  int32_t k = FoldLabel(label, folded, sizeof folded);
  if (k < 0) return 0;
  if (k > 0 && AsciiUnitSize(source)) {
    int found = FindEntryInUnits(source, label, folded, (uint32_t)k, line);
    if (found >= 0) return found;
  }
  while (source->Position <= source->Size && ReadTextLine(source, line) == 0) {
    line[TEXT_LINE_LEN - 1] = 0;
    const qchar* entry = LineEntry(line);
    if (entry && QStrEqualNoCase(label, entry)) return 1;
  }
  return 0;
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
    while (!found && source.Position <= source.Size && ReadTextLine(&source, line) == 0) {
      line[TEXT_LINE_LEN - 1] = 0;
      const qchar* entry = LineEntry(line);
      if (!entry) continue;
      Printf(QT("   * Compare '%s' against '%s' :\n"), label, entry);
      found = QStrEqualNoCase(label, entry);
    }
  }
  CloseTextSource(&source);
  return found;
}
