#include "validate/tldfile.h"

#include "common/bytescan.h"
#include "common/qstr.h"
#include "platform/os.h"
#include "platform/host.h"
#include "settings/settings.h"
#include "textsource/textsource.h"

static const qchar kListFileName[] = QT("TLDs.txt");

// Most units of a label sought in the units themselves (longer ones, which
// no address can hold, are sought in the lines).
#define MAX_LABEL_PATTERN 1024

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

// Reads the lines of source from its Position while it stands at or before
// until, and returns 1 at the first whose entry equals label ignoring the
// case of A-Z, else 0. line holds TEXT_LINE_LEN units. With trace, writes
// each comparison first.
static int FindEntryInLines(TextSource* source, const qchar* label, uint32_t until, qchar* line, int trace) {
  while (source->Position <= until && ReadTextLine(source, line) == 0) {
    line[TEXT_LINE_LEN - 1] = 0;
    const qchar* entry = LineEntry(line);
    if (!entry) continue;
    if (trace) Printf(QT("   * Compare '%s' against '%s' :\n"), label, entry);
    if (QStrEqualNoCase(label, entry)) return 1;
  }
  return 0;
}

// The label as the search in the units seeks it.
struct LabelPattern {
  uint16_t Units[MAX_LABEL_PATTERN];  // in the text's units (UTF-8 bytes or UTF-16 units), A-Z as a-z
  uint32_t Count;
  int Ascii;  // every unit below 0x80
};

// 1 when an entry can equal the label: a letter first, then letters, digits
// and hyphens, by the classification the lines are read with.
static int CanBeEntry(const qchar* label) {
  if (!QIsAlpha(label[0])) return 0;
  for (const qchar* p = label + 1; *p; ++p)
    if (!QIsAlnum(*p) && *p != '-') return 0;
  return 1;
}

// Writes the label in the units of the source's encoding (unit size w) into
// *pattern: ASCII as it is in every such encoding, other characters in UTF-8
// or UTF-16. Returns 1, or 0 when the label must be sought in the lines
// instead (too long, a surrogate, or other than ASCII in a single-byte code
// page).
static int MakePattern(const qchar* label, const TextSource* source, uint32_t w, LabelPattern* pattern) {
  uint32_t n = 0;
  pattern->Ascii = 1;
  for (const qchar* p = label; *p; ++p) {
    unsigned c = *p;
    if (n + 3 >= MAX_LABEL_PATTERN) return 0;
    if (c < 0x80) {
      pattern->Units[n++] = (uint16_t)((c >= 'A' && c <= 'Z') ? c | 0x20 : c);
      continue;
    }
    pattern->Ascii = 0;
    if (c >= 0xD800 && c <= 0xDFFF) return 0;
    if (w == 2) {
      pattern->Units[n++] = (uint16_t)c;
    } else if (source->Encoding == EncUtf8) {
      if (c < 0x800) {
        pattern->Units[n++] = (uint16_t)(0xC0 | c >> 6);
      } else {
        pattern->Units[n++] = (uint16_t)(0xE0 | c >> 12);
        pattern->Units[n++] = (uint16_t)(0x80 | ((c >> 6) & 0x3F));
      }
      pattern->Units[n++] = (uint16_t)(0x80 | (c & 0x3F));
    } else {
      return 0;
    }
  }
  pattern->Count = n;
  return n > 0;
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

// Judges the place s (a unit boundary) where the pattern's units may stand in
// the text t: 1 when the label is the entry of that line, 0 when it is not,
// -1 when the units alone cannot tell (a label beyond ASCII, units from 0x80
// up or zero units next to it, or a line long enough to be cut).
static int JudgeCandidate(const UnitText& t, uint32_t s, const LabelPattern& label) {
  const uint32_t w = t.Size, k = label.Count;
  for (uint32_t j = 0; j < k; ++j) {
    unsigned c = t.At(s + j * w);
    if (((c >= 'A' && c <= 'Z') ? c | 0x20 : c) != label.Units[j]) return 0;
  }
  if (!label.Ascii) return -1;
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

// 1 when the label holds the unit c.
static int LabelHolds(const qchar* label, unsigned c) {
  for (; *label; ++label)
    if (*label == c) return 1;
  return 0;
}

// 1 when a search of the pattern that found nothing settles the lookup: when
// every entry of the reading stands in the units as its pattern would. For
// ASCII, that is ASCII-transparent text; else text in which every character
// has its one form, and undecodable bytes cannot read as one of the label's
// characters.
static int NotFoundIsSure(const TextSource* source, const qchar* label, const LabelPattern& pattern) {
  if (pattern.Ascii) return IsAsciiTransparent(source);
  return IsCanonicalText(source) && (AsciiUnitSize(source) == 2 || !LabelHolds(label, source->Replacement));
}

// The lookup over the units of a source that reads ASCII as units: seeks the
// label's first and last units together, judges each place found, and reads
// the lines around a place the units cannot judge. Returns 1 found, 0 not
// found, -1 when the lines must be read (the units may hide an entry).
static int FindEntryInUnits(const TextSource* source, const qchar* label, const LabelPattern& pattern,
                            qchar* line) {
  UnitText t = {source->Data, source->Position, source->Size, AsciiUnitSize(source),
                source->Encoding == EncUtf16Be};
  const uint32_t w = t.Size, k = pattern.Count;
  if (t.Start >= t.End || (t.End - t.Start) / w < k) return NotFoundIsSure(source, label, pattern) ? 0 : -1;
  // The byte of a unit that holds its low eight bits, and the gap from the
  // first unit's such byte to the last one's. The search matches them with
  // 0x20 set, so the pattern's bytes get it too.
  const uint32_t low = t.BigEndian ? 1 : 0, gap = (k - 1) * w;
  const uint8_t first = (uint8_t)((pattern.Units[0] & 0xFF) | 0x20);
  const uint8_t last = (uint8_t)((pattern.Units[k - 1] & 0xFF) | 0x20);
  uint32_t read = t.Start;  // the lines before this offset have been read
  for (uint32_t b = QFindBytePair(t.Data, t.Start + low, t.End, first, last, gap); b < t.End;
       b = QFindBytePair(t.Data, b + 1 > read + low ? b + 1 : read + low, t.End, first, last, gap)) {
    const uint32_t s = b - low;
    if ((s - t.Start) % w != 0 || t.End - s < k * w) continue;  // not on a unit boundary
    int judged = JudgeCandidate(t, s, pattern);
    if (judged > 0) return 1;
    if (judged == 0) continue;
    uint32_t lineStart = s;
    while (lineStart > read && t.At(lineStart - w) != '\r' && t.At(lineStart - w) != '\n') lineStart -= w;
    TextSource view = *source;
    view.Position = lineStart;
    if (FindEntryInLines(&view, label, s, line, 0)) return 1;
    read = view.Position;
  }
  return NotFoundIsSure(source, label, pattern) ? 0 : -1;
}

int FindEntryInSource(TextSource* source, const qchar* label) {
  if (!source || !label) return 0;
  if (!label[0] || !CanBeEntry(label)) return 0;  // no entry can equal it
  qchar line[TEXT_LINE_LEN];
  const uint32_t w = AsciiUnitSize(source);
  LabelPattern pattern;
  if (w && MakePattern(label, source, w, &pattern)) {
    int found = FindEntryInUnits(source, label, pattern, line);
    if (found >= 0) return found;
  }
  return FindEntryInLines(source, label, source->Size, line, 0);
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
