// Character decoding and line reading over the bytes of an open text source.
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

int ReadTextLine(TextSource* s, qchar* line) {
  if (!s || !line) return -1;
  if (!s->Data) {
    line[0] = 0;
    return -1;
  }
  int hasContent = 0;
  uint32_t stored;
  int32_t c;
  for (;;) {
    stored = 0;
    line[0] = 0;
    for (;;) {
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
