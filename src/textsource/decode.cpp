// Character decoding and line reading over the bytes of an open text source.
#include "common/bytescan.h"
#include "common/qstr.h"
#include "textsource/textsource.h"

int32_t DecodeUtf8(const uint8_t* b) {
  if (!b) return -1;
  unsigned b0 = b[0];
  if (b0 < 0x80) return (int32_t)b0;
  if (b0 < 0xC0 || b0 >= 0xF8) return -1;
  if ((b[1] & 0xC0) != 0x80) return -1;
  if (b0 < 0xE0) return (int32_t)(((b0 & 0x1F) << 6) | (b[1] & 0x3F));
  if ((b[2] & 0xC0) != 0x80) return -1;
  if (b0 < 0xF0) return (int32_t)(((b0 & 0x0F) << 12) | ((b[1] & 0x3Fu) << 6) | (b[2] & 0x3F));
  if ((b[3] & 0xC0) != 0x80) return -1;
  return (int32_t)(((b0 & 0x07) << 18) | ((b[1] & 0x3Fu) << 12) | ((b[2] & 0x3Fu) << 6) |
                   (b[3] & 0x3F));
}

// Decodes the character at byte offset p (< Size) by Encoding. Returns the
// code point and sets *used to the bytes it takes, or returns -1 when the
// text ends inside a UTF-16 or UTF-32 unit (or, with peek, inside a UTF-8
// sequence), leaving *used alone.
static inline int32_t DecodeAt(const TextSource* s, uint32_t p, uint32_t* used, int peek) {
  const uint8_t* d = s->Data;
  uint32_t left = s->Size - p;
  switch (s->Encoding) {
    case EncUtf16Le:
    case EncUtf16Be: {
      if (left < 2) return -1;
      int be = s->Encoding == EncUtf16Be;
      unsigned u = be ? (unsigned)d[p] << 8 | d[p + 1] : d[p] | (unsigned)d[p + 1] << 8;
      *used = 2;
      if (s->Supplementary && u >= 0xD800 && u <= 0xDBFF && left >= 4) {
        unsigned v = be ? (unsigned)d[p + 2] << 8 | d[p + 3] : d[p + 2] | (unsigned)d[p + 3] << 8;
        if (v >= 0xDC00 && v <= 0xDFFF) {
          *used = 4;
          return (int32_t)((((u & 0x3FF) << 10) | (v & 0x3FF)) + 0x10000);
        }
      }
      return (int32_t)u;
    }
    case EncUtf8: {
      unsigned b = d[p];
      *used = 1;
      if (b < 0x80) return (int32_t)b;
      uint32_t len = b < 0xC0 ? 0 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : b < 0xF8 ? 4 : 0;
      if (len == 0) return s->Replacement;
      if (left < len) return peek ? -1 : s->Replacement;
      int32_t v = DecodeUtf8(d + p);
      if (v < 0) return s->Replacement;
      *used = len;
      if ((v >= 0xD800 && v <= 0xDFFF) || v > 0x10FFFF || (v > 0xFFFF && !s->Supplementary))
        return s->Replacement;
      return v;
    }
    case EncEbcdic: {
      *used = 1;
      uint32_t row = (uint32_t)s->EbcdicTable < EBCDIC_TABLE_COUNT ? (uint32_t)s->EbcdicTable : 0;
      return EbcdicTables[row][d[p]];
    }
    case EncUtf32Le:
    case EncUtf32Be: {
      if (left < 4) return -1;
      *used = 4;
      uint32_t v = s->Encoding == EncUtf32Le
                       ? d[p] | (uint32_t)d[p + 1] << 8 | (uint32_t)d[p + 2] << 16 | (uint32_t)d[p + 3] << 24
                       : (uint32_t)d[p] << 24 | (uint32_t)d[p + 1] << 16 | (uint32_t)d[p + 2] << 8 | d[p + 3];
      if (v > 0x10FFFF || (v > 0xFFFF && !s->Supplementary)) return s->Replacement;
      return (int32_t)v;
    }
    case EncRawBytes:
      *used = 1;
      return d[p];
    default: {  // EncAnsi
      unsigned b = d[p];
      *used = 1;
      if (b < 0x80) return (int32_t)b;
      uint32_t row = (uint32_t)s->AnsiTable < ANSI_TABLE_COUNT ? (uint32_t)s->AnsiTable : 0;
      return AnsiTables[row][b - 0x80];
    }
  }
}

// ReadTextChar without the null check.
static inline int32_t NextChar(TextSource* s) {
  for (;;) {
    uint32_t p = s->Position;
    if (p >= s->Size) return -1;
    uint32_t used = 0;
    int32_t c = DecodeAt(s, p, &used, 0);
    if (c < 0) return -1;
    s->Position = p + used;
    if (c != 0) return c;
    uint32_t nul = s->Flags & (FlagSkipNul | FlagNulAsReplacement);
    if (nul == FlagSkipNul) continue;
    if (nul == FlagNulAsReplacement) return s->Replacement;
    return 0;
  }
}

int32_t ReadTextChar(TextSource* source) {
  if (!source || !source->Data) return -1;
  return NextChar(source);
}

int32_t PeekTextChar(const TextSource* source) {
  if (!source || !source->Data || source->Position >= source->Size) return -1;
  uint32_t used = 0;
  return DecodeAt(source, source->Position, &used, 1);
}

// White space as the platform classifies it; no printable ASCII character
// but the space is one.
static inline int IsWhiteSpace(int32_t c) {
  if (c > 0x20 && c < 0x7F) return 0;
  return QIsSpace((unsigned)c);
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

// Stores the run of printable ASCII characters (U+0020-U+007E) at Position
// into the line as ReadTextLine does one character at a time, and moves
// Position past it. Unit is 1 for the encodings that read ASCII as bytes, 2
// for UTF-16 (BigEndian for EncUtf16Be): there each such byte or unit is one
// character of its own value.
template <uint32_t Unit, bool BigEndian>
static inline void StorePrintableRun(TextSource* s, qchar* line, uint32_t* stored, int* hasContent) {
  const uint8_t* d = s->Data;
  uint32_t p = s->Position, end = s->Size, n = *stored;
  int content = *hasContent;
  for (; p < end && end - p >= Unit; p += Unit) {
    unsigned c = Unit == 1 ? d[p] : BigEndian ? (unsigned)d[p] << 8 | d[p + 1] : d[p] | (unsigned)d[p + 1] << 8;
    if (c < 0x20 || c > 0x7E) break;
    content |= c != ' ';  // the one white-space character among them
    if (n < TEXT_LINE_LEN - 1) line[n++] = (qchar)c;
  }
  if (p == s->Position) return;
  line[n] = 0;
  *stored = n;
  *hasContent = content;
  s->Position = p;
}

// StorePrintableRun for the record's encoding; nothing for the others.
static inline void StorePrintable(TextSource* s, int kind, qchar* line, uint32_t* stored, int* hasContent) {
  if (kind == 1) StorePrintableRun<1, false>(s, line, stored, hasContent);
  else if (kind == 2) StorePrintableRun<2, false>(s, line, stored, hasContent);
  else if (kind == 3) StorePrintableRun<2, true>(s, line, stored, hasContent);
}

int ReadTextLine(TextSource* source, qchar* line) {
  if (!source || !line) return -1;
  if (!source->Data) {
    line[0] = 0;
    return -1;
  }
  TextSource* s = source;
  // Runs of printable ASCII are stored straight from the bytes where the
  // encoding allows (1 bytes, 2 UTF-16LE, 3 UTF-16BE); everything else goes
  // through NextChar.
  const uint32_t unit = AsciiUnitSize(s);
  const int runs = unit == 1 ? 1 : unit == 2 ? (s->Encoding == EncUtf16Le ? 2 : 3) : 0;
  int hasContent = 0;
  uint32_t stored;
  int32_t c;
  for (;;) {
    stored = 0;
    line[0] = 0;
    for (;;) {
      if (runs) StorePrintable(s, runs, line, &stored, &hasContent);
      c = NextChar(s);
      if (c == 0x0D || c == 0x0A || c == 0x85 || c <= 0) break;
      if (c <= 0xFFFF) {
        if (!hasContent && !IsWhiteSpace(c)) hasContent = 1;
        if (stored < TEXT_LINE_LEN - 1) {
          line[stored++] = (qchar)c;
          line[stored] = 0;
        }
      } else {
        hasContent = 1;
        if (stored < TEXT_LINE_LEN - 2) {
          line[stored++] = (qchar)(((c - 0x10000) >> 10) | 0xD800);
          line[stored++] = (qchar)((c & 0x3FF) | 0xDC00);
          line[stored] = 0;
        }
      }
    }
    if (c < 0) break;
    // CR LF and LF CR each end one line.
    if ((c == 0x0D && PeekTextChar(s) == 0x0A) || (c == 0x0A && PeekTextChar(s) == 0x0D)) NextChar(s);
    if (hasContent) break;
  }
  return (stored == 0 && c < 0) ? -1 : 0;
}
