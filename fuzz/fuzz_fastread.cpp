// The reader's detection and the list file's fast scan against plain
// readings, on arbitrary bytes: the detectors against plain
// one-byte-at-a-time counts; the lookup (FindEntryInSource, which tries the
// fast scan first) against the plain lookup (FindEntryInLines) of the same
// text; and IsAsciiTransparent and IsCanonicalText against the characters
// ReadTextChar reads. Every encoding, Supplementary, Flags and Replacement
// value, any start position.
//
// Input: 1 byte encoding (index into kKinds), 1 byte options (bit 0
// Supplementary; bits 1-2 Flags 0, 0x400, 0x800, 0xC00; bits 3-4 Replacement
// U+FFFD, the next two bytes, LF or 0; bit 5 ANSI code page 65001 for the
// detection; bit 6 start at the position in the next two bytes, else behind
// the mark found; bit 7 label taken from the lines read), 1 byte ANSI table,
// 1 byte label length (with bit 7 of the options: the index of the entry
// taken), the label (one unit per byte), then the text.
//
// Invariants: the same detection, BomLength and Position; the same lookup
// answer; with IsAsciiTransparent every character below U+0080 read from the
// text is one unit of that value at its own offset, and no zero character is
// read; with IsCanonicalText every character but Replacement stands in its
// one form (shortest UTF-8, or its UTF-16 units) at its own offset.
#include <string.h>

#include <memory>
#include <vector>

#include "common/qstr.h"
#include "fakes.h"
#include "fuzz_support.h"
#include "textsource/textsource.h"
#include "validate/fastscan.h"
#include "validate/tldfile.h"

namespace {

const int kKinds[8] = {EncAnsi, EncUtf16Le, EncUtf16Be, EncUtf8, EncEbcdic, EncUtf32Le, EncUtf32Be, EncRawBytes};

uint32_t Min(uint32_t a, uint32_t b) { return a < b ? a : b; }

// ---- plain detection: each detector's counts, one unit or byte at a time

int PlainUtf32(TextSource* s) {
  if (!s->Data || s->Size < 4 || s->Size % 4 != 0) return 0;
  const uint8_t* d = s->Data;
  if (d[0] == 0xFF && d[1] == 0xFE && d[2] == 0 && d[3] == 0) return s->BomLength = 4, EncUtf32Le;
  if (d[0] == 0 && d[1] == 0 && d[2] == 0xFE && d[3] == 0xFF) return s->BomLength = 4, EncUtf32Be;
  uint32_t m = Min(s->Size / 2, 65536), t = 3 * m / 8;
  uint32_t big[2] = {0, 0}, zero[2] = {0, 0}, wide[2] = {0, 0};
  for (uint32_t i = 0; i < m; ++i) {
    unsigned u = d[2 * i] | (unsigned)d[2 * i + 1] << 8;
    if (u > 0x10) ++big[i & 1];
    else if (u == 0) ++zero[i & 1];
    if (u & 0xE0FF) ++wide[i & 1];
  }
  if (big[0] >= t && big[1] == 0 && zero[1] >= t) return EncUtf32Le;
  if (wide[1] >= t && wide[0] == 0 && zero[0] >= t) return EncUtf32Be;
  return 0;
}

int PlainUtf16(TextSource* s) {
  if (!s->Data || s->Size < 2) return 0;
  const uint8_t* d = s->Data;
  if (d[0] == 0xFF && d[1] == 0xFE) return s->BomLength = 2, EncUtf16Le;
  if (d[0] == 0xFE && d[1] == 0xFF) return s->BomLength = 2, EncUtf16Be;
  uint32_t n = Min(s->Size, 131072);
  uint32_t space[2] = {0, 0}, nul[2] = {0, 0};
  for (uint32_t i = 0; i < n; ++i) {
    if (d[i] == 0x20) ++space[i & 1];
    else if (d[i] == 0) ++nul[i & 1];
  }
  uint32_t f = n > 128 ? 4 : 2;
  if (n <= 32 && nul[0] != nul[1]) return nul[0] < nul[1] ? EncUtf16Le : EncUtf16Be;
  if (space[0] > f * space[1] && nul[1] > f * nul[0]) return EncUtf16Le;
  if (space[1] > f * space[0] && nul[0] > f * nul[1]) return EncUtf16Be;
  return 0;
}

int PlainUtf8(TextSource* s) {
  if (!s->Data || s->Size < 2) return 0;
  const uint8_t* d = s->Data;
  if (s->Size >= 3 && d[0] == 0xEF && d[1] == 0xBB && d[2] == 0xBF) return s->BomLength = 3, EncUtf8;
  uint32_t n = Min(s->Size, 262144), expected = 0, sequences = 0;
  for (uint32_t i = 0; i < n; ++i) {
    unsigned b = d[i];
    if (expected) {
      if (b < 0x80 || b > 0xBF) return 0;
      --expected;
    } else if (b >= 0x80) {
      if (b < 0xC0 || b >= 0xF8) return 0;
      expected = b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
      ++sequences;
    }
  }
  return sequences ? EncUtf8 : 0;
}

int PlainDetect(TextSource* s) {
  int kind = PlainUtf32(s);
  if (!kind) kind = PlainUtf16(s);
  if (!kind && s->AnsiCodePage == 65001) {
    kind = EncUtf8;
    if (s->Size >= 3 && s->Data[0] == 0xEF && s->Data[1] == 0xBB && s->Data[2] == 0xBF) s->BomLength = 3;
  } else if (!kind) {
    kind = PlainUtf8(s);
  }
  if (s->Position < s->BomLength) s->Position = s->BomLength;
  s->Encoding = kind;
  return kind;
}

// ---- the characters of the reading

// A character as ReadTextChar read it: its value and the offsets before and
// after it.
struct CharRead {
  uint32_t At;
  int32_t Char;
  uint32_t After;
};

// Every character ReadTextChar reads from the source's Position to the end.
std::vector<CharRead> CharsRead(TextSource s) {
  std::vector<CharRead> chars;
  for (uint32_t at = s.Position;; at = s.Position) {
    const int32_t c = ReadTextChar(&s);
    if (c < 0) return chars;
    chars.push_back({at, c, s.Position});
  }
}

// The entry of a line as the list file gives it: white space, one optional
// dot, a letter, then letters, digits and hyphens.
std::u16string Entry(const qchar* line) {
  const qchar* p = line;
  while (*p && QIsSpace(*p)) ++p;
  if (*p == '.') ++p;
  if (!QIsAlpha(*p)) return u"";
  const qchar* e = p;
  while (*e && (QIsAlnum(*e) || *e == '-')) ++e;
  return std::u16string(p, e);
}

}  // namespace

// The reader's record is set up by hand: no platform call is made.
const bool FuzzUsesFakeWorld = false;

int FuzzOne(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const int kind = kKinds[in.U8() % 8];
  const uint8_t options = in.U8();
  const uint16_t replacementBytes = in.U16();
  const uint16_t positionBytes = in.U16();
  const int32_t ansiTable = in.U8() % ANSI_TABLE_COUNT;
  const uint8_t labelByte = in.U8();
  std::u16string label = (options & 0x80) ? u"" : in.Text(labelByte, true);
  const std::string text = in.Bytes(in.Left());

  std::unique_ptr<uint8_t[]> bytes(new uint8_t[text.size() ? text.size() : 1]);  // exactly the text
  memcpy(bytes.get(), text.data(), text.size());
  TextSource base = TextSource{};
  base.Data = bytes.get();
  base.Size = (uint32_t)text.size();
  base.FileHandle = (QHandle)1;
  base.MappingHandle = (QHandle)2;
  base.AnsiCodePage = (options & 0x20) ? 65001 : 1252;
  base.AnsiTable = ansiTable;

  // Detection.
  TextSource fast = base, plain = base;
  const int detected = DetectEncoding(&fast, 0);
  const int expected = PlainDetect(&plain);
  FUZZ_CHECK(detected == expected && fast.BomLength == plain.BomLength && fast.Position == plain.Position,
             "detected %d (mark %u, at %u), plainly %d (mark %u, at %u)", detected, fast.BomLength,
             fast.Position, expected, plain.BomLength, plain.Position);

  // The record as read: any encoding and reading fields.
  base.Encoding = kind;
  base.Supplementary = options & 1;
  static const uint32_t kFlags[4] = {0, FlagSkipNul, FlagNulAsReplacement, FlagSkipNul | FlagNulAsReplacement};
  base.Flags = kFlags[(options >> 1) & 3];
  static const uint16_t kReplacements[4] = {0xFFFD, 0, 0x000A, 0x0000};
  const int r = (options >> 3) & 3;
  base.Replacement = r == 1 ? replacementBytes : kReplacements[r];
  base.Position = (options & 0x40) ? positionBytes % (base.Size + 1) : fast.Position;

  // The lines' entries, from which the label may be taken.
  static qchar* const line = new qchar[TEXT_LINE_LEN];
  std::vector<std::u16string> entries;
  TextSource lines = base;
  for (uint64_t n = 0; ReadTextLine(&lines, line) == 0; ++n) {
    FUZZ_CHECK(n <= (uint64_t)base.Size + 1, "reading does not end");
    std::u16string e = Entry(line);
    if (!e.empty()) entries.push_back(e);
  }
  if (options & 0x80) {
    if (!entries.empty()) label = entries[labelByte % entries.size()];
    if (labelByte & 0x40)
      for (qchar& c : label) c = (qchar)QFoldUpperAscii(c);
  }

  // The lookup: the answer of the plain lookup.
  TextSource lookup = base, plainLookup = base;
  const int found = FindEntryInSource(&lookup, label.c_str());
  const int listed = FindEntryInLines(&plainLookup, label.c_str(), base.Size, line, 0);
  FUZZ_CHECK(found == listed, "lookup of %s gave %d, plainly %d", Show(label).c_str(), found, listed);

  // What IsAsciiTransparent and IsCanonicalText promise is checked over the
  // characters of the reading.
  const std::vector<CharRead> charsRead = CharsRead(base);
  const int transparent = IsAsciiTransparent(&base), canonical = IsCanonicalText(&base);
  if (canonical) {
    FUZZ_CHECK(kind == EncUtf8 || kind == EncUtf16Le || kind == EncUtf16Be, "canonical %d", kind);
    FUZZ_CHECK(transparent, "canonical but not ASCII-transparent");
  }
  const uint32_t w = transparent ? AsciiUnitSize(&base) : 0;
  if (transparent) FUZZ_CHECK(w == 1 || w == 2, "transparent without reading ASCII as units");
  for (size_t i = 0; (transparent || canonical) && i < charsRead.size(); ++i) {
    const uint32_t at = charsRead[i].At;
    const int32_t c = charsRead[i].Char;
    const uint32_t next = charsRead[i].After;
    // With IsAsciiTransparent every character below U+0080 is one unit of
    // that value at its own offset, and no zero character is read.
    if (transparent && c < 0x80) {
      FUZZ_CHECK(c != 0, "a zero character at %u of a transparent text", at);
      const uint8_t* u = base.Data + at;
      const unsigned unit = w == 1 ? u[0] : kind == EncUtf16Be ? (unsigned)u[0] << 8 | u[1] : u[0] | (unsigned)u[1] << 8;
      FUZZ_CHECK(next == at + w && (int32_t)unit == c, "U+%04X at %u is not its own unit", c, at);
    }
    // With IsCanonicalText every character but Replacement stands in its one
    // form at its own offset.
    if (!canonical || c == base.Replacement) continue;
    uint8_t form[4];
    uint32_t n = 0;
    if (kind == EncUtf8) {
      if (c < 0x80) form[n++] = (uint8_t)c;
      else if (c < 0x800) form[n++] = (uint8_t)(0xC0 | c >> 6);
      else if (c < 0x10000) form[n++] = (uint8_t)(0xE0 | c >> 12), form[n++] = (uint8_t)(0x80 | ((c >> 6) & 0x3F));
      else form[n++] = (uint8_t)(0xF0 | c >> 18), form[n++] = (uint8_t)(0x80 | ((c >> 12) & 0x3F)),
           form[n++] = (uint8_t)(0x80 | ((c >> 6) & 0x3F));
      if (c >= 0x80) form[n++] = (uint8_t)(0x80 | (c & 0x3F));
    } else {
      uint16_t units[2] = {(uint16_t)c, 0};
      uint32_t count = 1;
      if (c > 0xFFFF) units[0] = (uint16_t)(0xD800 | (c - 0x10000) >> 10), units[1] = (uint16_t)(0xDC00 | (c & 0x3FF)), count = 2;
      for (uint32_t k = 0; k < count; ++k) {
        form[n++] = (uint8_t)(kind == EncUtf16Be ? units[k] >> 8 : units[k] & 0xFF);
        form[n++] = (uint8_t)(kind == EncUtf16Be ? units[k] & 0xFF : units[k] >> 8);
      }
    }
    FUZZ_CHECK(next == at + n && memcmp(base.Data + at, form, n) == 0, "U+%04X at %u is not in its one form", c, at);
  }
  return 0;
}
