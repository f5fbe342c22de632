#include "validate/fastscan.h"

#include "common/bytescan.h"
#include "common/qstr.h"
#include "textsource/textsource.h"
#include "validate/tldfile.h"

// Most units of a label sought in the units themselves (longer ones, which
// no address can hold, are sought in the lines).
#define MAX_LABEL_PATTERN 1024

// Offset of the first zero 16-bit unit among the units from, from + 2, ...
// that lie wholly inside [from, to), or to when there is none.
uint32_t QFindZeroUnit(const uint8_t* d, uint32_t from, uint32_t to) {
  if (from >= to) return to;
  uint32_t i = from;
#ifdef QBYTESCAN_SSE2
  const __m128i zero = _mm_setzero_si128();
  for (; i < to && to - i >= 16; i += 16) {
    int m = _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_loadu_si128((const __m128i*)(d + i)), zero));
    if (m) return i + (uint32_t)__builtin_ctz((unsigned)m);  // the unit's first byte
  }
#endif
  for (; i < to && to - i >= 2; i += 2)
    if (d[i] == 0 && d[i + 1] == 0) return i;
  return to;
}

// Offset of the first byte in d[from, to) that is zero or at or above 0x80,
// or to.
uint32_t QFindZeroOrHighByte(const uint8_t* d, uint32_t from, uint32_t to) {
  if (from >= to) return to;
  uint32_t i = from;
#ifdef QBYTESCAN_SSE2
  const __m128i zero = _mm_setzero_si128();
  for (; to - i >= 16; i += 16) {
    __m128i v = _mm_loadu_si128((const __m128i*)(d + i));
    int m = _mm_movemask_epi8(_mm_or_si128(v, _mm_cmpeq_epi8(v, zero)));
    if (m) return i + (uint32_t)__builtin_ctz((unsigned)m);
  }
#endif
  for (; i < to; ++i)
    if (d[i] == 0 || d[i] >= 0x80) return i;
  return to;
}

// Offset of the first byte in d[from, to) that is zero or one of a, b, c and
// e, or to.
uint32_t QFindZeroOrByteOf(const uint8_t* d, uint32_t from, uint32_t to, uint8_t a, uint8_t b, uint8_t c,
                           uint8_t e) {
  if (from >= to) return to;
  uint32_t i = from;
#ifdef QBYTESCAN_SSE2
  const __m128i zero = _mm_setzero_si128();
  const __m128i va = _mm_set1_epi8((char)a), vb = _mm_set1_epi8((char)b);
  const __m128i vc = _mm_set1_epi8((char)c), ve = _mm_set1_epi8((char)e);
  for (; to - i >= 16; i += 16) {
    __m128i v = _mm_loadu_si128((const __m128i*)(d + i));
    __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, zero), _mm_cmpeq_epi8(v, va)),
                               _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, vb), _mm_cmpeq_epi8(v, vc)),
                                            _mm_cmpeq_epi8(v, ve)));
    int m = _mm_movemask_epi8(hit);
    if (m) return i + (uint32_t)__builtin_ctz((unsigned)m);
  }
#endif
  for (; i < to; ++i)
    if (d[i] == 0 || d[i] == a || d[i] == b || d[i] == c || d[i] == e) return i;
  return to;
}

// The first offset p in [from, to) with (d[p] | 0x20) == first and
// (d[p + gap] | 0x20) == last, where p + gap < to; to when there is none.
// OR-ing 0x20 makes the ASCII letters match in either case (it also lets a
// few other bytes through, so the caller checks each offset found).
uint32_t QFindBytePair(const uint8_t* d, uint32_t from, uint32_t to, uint8_t first, uint8_t last,
                       uint32_t gap) {
  if (to <= gap || from >= to - gap) return to;
  const uint32_t end = to - gap;  // p < end keeps p + gap inside
  uint32_t i = from;
#ifdef QBYTESCAN_SSE2
  const __m128i fold = _mm_set1_epi8(0x20);
  const __m128i a = _mm_set1_epi8((char)first), b = _mm_set1_epi8((char)last);
  for (; i < end && end - i >= 16; i += 16) {
    __m128i x = _mm_or_si128(_mm_loadu_si128((const __m128i*)(d + i)), fold);
    __m128i y = _mm_or_si128(_mm_loadu_si128((const __m128i*)(d + i + gap)), fold);
    int m = _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(x, a), _mm_cmpeq_epi8(y, b)));
    if (m) return i + (uint32_t)__builtin_ctz((unsigned)m);
  }
#endif
  for (; i < end; ++i)
    if ((d[i] | 0x20) == first && (d[i + gap] | 0x20) == last) return i;
  return to;
}

uint32_t AsciiUnitSize(const TextSource* source) {
  if (!source || !source->Data) return 0;
  int32_t e = source->Encoding;
  if (e == EncAnsi || e == EncUtf8 || e == EncRawBytes) return 1;
  return (e == EncUtf16Le || e == EncUtf16Be) ? 2 : 0;
}

int IsAsciiTransparent(const TextSource* source) {
  const uint32_t unit = AsciiUnitSize(source);
  if (!unit) return 0;
  const TextSource* s = source;
  const uint8_t* d = s->Data;
  const uint32_t end = s->Size;
  if (unit == 2) return QFindZeroUnit(d, s->Position, end) == end;  // UTF-16: only zero units can hurt
  if (s->Encoding == EncRawBytes) return QFindZeroByte(d, s->Position, end) == end;
  if (s->Encoding == EncAnsi) {
    const uint32_t row = (uint32_t)s->AnsiTable < ANSI_TABLE_COUNT ? (uint32_t)s->AnsiTable : 0;
    for (uint32_t p = QFindZeroOrHighByte(d, s->Position, end); p < end; p = QFindZeroOrHighByte(d, p + 1, end))
      if (d[p] == 0 || AnsiTables[row][d[p] - 0x80] < 0x80) return 0;
    return 1;
  }
  // UTF-8: undecodable bytes read as Replacement; of the lead bytes only C0
  // and C1, E0 before 80-81 and F0 before 80 (overlong forms) can decode
  // below U+0080.
  if (s->Replacement < 0x80) return QFindZeroOrHighByte(d, s->Position, end) == end;
  for (uint32_t p = QFindZeroOrByteOf(d, s->Position, end, 0xC0, 0xC1, 0xE0, 0xF0); p < end;
       p = QFindZeroOrByteOf(d, p + 1, end, 0xC0, 0xC1, 0xE0, 0xF0)) {
    unsigned b = d[p], next = p + 1 < end ? d[p + 1] : 0;
    if (b == 0 || b == 0xC0 || b == 0xC1 || (b == 0xE0 && (next == 0x80 || next == 0x81)) ||
        (b == 0xF0 && next == 0x80))
      return 0;
  }
  return 1;
}

int IsCanonicalText(const TextSource* source) {
  if (!source || (source->Encoding != EncUtf8 && source->Encoding != EncUtf16Le &&
                  source->Encoding != EncUtf16Be))
    return 0;
  if (!IsAsciiTransparent(source)) return 0;
  if (source->Encoding != EncUtf8) return 1;
  // Besides the forms that read below U+0080: E0 before 80-9F and F0 before
  // 80-8F begin the other overlong forms.
  const uint8_t* d = source->Data;
  const uint32_t end = source->Size;
  for (uint32_t p = QFindZeroOrByteOf(d, source->Position, end, 0xE0, 0xF0, 0xE0, 0xF0); p < end;
       p = QFindZeroOrByteOf(d, p + 1, end, 0xE0, 0xF0, 0xE0, 0xF0)) {
    unsigned next = p + 1 < end ? d[p + 1] : 0;
    if (next >= 0x80 && next < (d[p] == 0xE0 ? 0xA0u : 0x90u)) return 0;
  }
  return 1;
}

// The label as the search in the units seeks it.
struct LabelPattern {
  uint16_t Units[MAX_LABEL_PATTERN];  // in the text's units (UTF-8 bytes or UTF-16 units), A-Z as a-z
  uint32_t Count;
  int Ascii;  // every unit below 0x80
};

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

// 1 when an entry can equal the label: a letter first, then letters, digits
// and hyphens, by the classification the lines are read with.
static int CanBeEntry(const qchar* label) {
  if (!QIsAlpha(label[0])) return 0;
  for (const qchar* p = label + 1; *p; ++p)
    if (!QIsAlnum(*p) && *p != '-') return 0;
  return 1;
}

int FindEntryFast(const TextSource* source, const qchar* label, qchar* line) {
  if (!CanBeEntry(label)) return 0;  // no entry can equal it
  const uint32_t w = AsciiUnitSize(source);
  LabelPattern pattern;
  if (!w || !MakePattern(label, source, w, &pattern)) return -1;
  return FindEntryInUnits(source, label, pattern, line);
}
