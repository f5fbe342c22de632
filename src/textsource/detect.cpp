// Encoding detection: byte-order marks first, then statistics over a bounded
// prefix of the text; and the choice of the ANSI and EBCDIC tables.
#include "common/bytescan.h"
#include "common/qstr.h"
#include "platform/os_textsource.h"
#include "textsource/textsource.h"

#define UTF32_SAMPLE_UNITS 65536u
#define UTF16_SAMPLE_BYTES 131072u
#define UTF8_SAMPLE_BYTES 262144u
#define EBCDIC_SAMPLE_BYTES 131072u
#define EBCDIC_MIN_SIZE 128u

const LocaleEbcdic LocaleEbcdicTable[LOCALE_EBCDIC_COUNT] = {
    {0x0407, 1141}, {0x0C07, 1141}, {0x083C, 1146}, {0x1809, 1146},
    {0x0809, 1146}, {0x040C, 1147}, {0x0406, 1142}, {0x0414, 1142},
    {0x0814, 1142}, {0x040B, 1143}, {0x041D, 1143}, {0x040A, 1145},
    {0x0C0A, 1145}, {0x080A, 1145}, {0x0410, 1144}, {0x040F, 1149},
};

uint32_t EbcdicCodePageForLocale(uint32_t locale) {
  uint32_t id = locale & 0xFFFF;
  if (id == 0) return 1140;
  for (const LocaleEbcdic& row : LocaleEbcdicTable)
    if (row.Locale == id) return row.CodePage;
  uint32_t language = id & 0x3FF;
  if (language == 0 || language == 9) return 1140;
  for (const LocaleEbcdic& row : LocaleEbcdicTable)
    if ((row.Locale & 0x3FFu) == language) return row.CodePage;
  return 1140;
}

uint32_t DefaultEbcdicCodePage(void) { return EbcdicCodePageForLocale(OsTextUserLocale()); }

int FindCodePageTables(int32_t* ansiIndex, int32_t* ebcdicIndex, uint32_t ansiCodePage,
                       uint32_t ebcdicCodePage) {
  if (!ansiIndex) return -1;
  int32_t i = ANSI_TABLE_COUNT - 1;  // the code pages are unique; the first is the fallback
  while (i > 0 && AnsiCodePages[i] != ansiCodePage) --i;
  *ansiIndex = i;
  if (ebcdicIndex)
    *ebcdicIndex = (ebcdicCodePage >= 1140 && ebcdicCodePage <= 1149) ? (int32_t)(ebcdicCodePage - 1140) : 0;
  return 0;
}

static uint32_t Min(uint32_t a, uint32_t b) { return a < b ? a : b; }

// Records a byte-order mark of length bytes and returns kind, the encoding it
// names.
static int WithBom(TextSource* s, uint32_t length, int kind) {
  s->BomLength = length;
  return kind;
}

// 1 when the text begins with the UTF-8 byte-order mark.
static int HasUtf8Bom(const TextSource* s) {
  return s->Size >= 3 && s->Data[0] == 0xEF && s->Data[1] == 0xBB && s->Data[2] == 0xBF;
}

int DetectUtf32(TextSource* s) {
  if (!s || !s->Data || s->Size < 4 || s->Size % 4 != 0) return 0;
  const uint8_t* d = s->Data;
  // A UTF-32 byte-order mark decides by itself: the statistics below miss
  // texts with many line ends (controls count neither way), which would
  // otherwise be read as UTF-16 or single bytes.
  if (d[0] == 0xFF && d[1] == 0xFE && d[2] == 0 && d[3] == 0) return WithBom(s, 4, EncUtf32Le);
  if (d[0] == 0 && d[1] == 0 && d[2] == 0xFE && d[3] == 0xFF) return WithBom(s, 4, EncUtf32Be);
  uint32_t m = Min(s->Size / 2, UTF32_SAMPLE_UNITS);
  uint32_t t = 3 * m / 8;
  uint32_t big[2] = {0, 0}, zero[2] = {0, 0}, wide[2] = {0, 0};
  for (uint32_t i = 0; i < m; ++i) {
    unsigned u = d[2 * i] | (unsigned)d[2 * i + 1] << 8;
    unsigned p = i & 1;
    if (u > 0x10) ++big[p];
    else if (u == 0) ++zero[p];
    if (u & 0xE0FF) ++wide[p];
    // Little-endian needs Big[1] = 0 and big-endian Wide[0] = 0: once both
    // are broken, nothing further can make either win (most texts are ruled
    // out by their first two units).
    if (big[1] && wide[0]) return 0;
  }
  if (big[0] >= t && big[1] == 0 && zero[1] >= t) return EncUtf32Le;
  if (wide[1] >= t && wide[0] == 0 && zero[0] >= t) return EncUtf32Be;
  return 0;
}

int DetectUtf16(TextSource* s) {
  if (!s || !s->Data || s->Size < 2) return 0;
  const uint8_t* d = s->Data;
  if (d[0] == 0xFF && d[1] == 0xFE) return WithBom(s, 2, EncUtf16Le);
  if (d[0] == 0xFE && d[1] == 0xFF) return WithBom(s, 2, EncUtf16Be);
  uint32_t n = Min(s->Size, UTF16_SAMPLE_BYTES);
  // Without zero bytes neither byte order can win (each needs more zero
  // bytes on one side than f times those on the other), so a text without
  // them is settled by one fast search.
  if (QFindZeroByte(d, 0, n) == n) return 0;
  uint32_t space[2] = {0, 0}, nul[2] = {0, 0};  // [0] even offsets, [1] odd
  for (uint32_t i = 0; i < n; ++i) {
    if (d[i] == 0x20) ++space[i & 1];
    else if (d[i] == 0) ++nul[i & 1];
  }
  uint32_t f = n > 128 ? 4 : 2;
  if (n <= 32) {
    if (nul[0] < nul[1]) return EncUtf16Le;
    if (nul[0] > nul[1]) return EncUtf16Be;
  }
  if (space[0] > f * space[1] && nul[1] > f * nul[0]) return EncUtf16Le;
  if (space[1] > f * space[0] && nul[0] > f * nul[1]) return EncUtf16Be;
  return 0;
}

int DetectUtf8(TextSource* s) {
  if (!s || !s->Data || s->Size < 2) return 0;
  const uint8_t* d = s->Data;
  if (HasUtf8Bom(s)) return WithBom(s, 3, EncUtf8);
  uint32_t n = Min(s->Size, UTF8_SAMPLE_BYTES);
  uint32_t expected = 0, sequences = 0;
  for (uint32_t i = 0; i < n; ++i) {
    if (!expected) {  // 7-bit bytes between sequences are accepted as they come
      i = QFindHighByte(d, i, n);
      if (i == n) break;
    }
    unsigned b = d[i];
    if (expected) {
      if (b < 0x80 || b > 0xBF) return 0;
      --expected;
    } else if (b < 0x80) {
    } else if (b < 0xC0) {
      return 0;
    } else if (b < 0xE0) {
      expected = 1, ++sequences;
    } else if (b < 0xF0) {
      expected = 2, ++sequences;
    } else if (b < 0xF8) {
      expected = 3, ++sequences;
    } else {
      return 0;
    }
  }
  return sequences ? EncUtf8 : 0;
}

// Bytes of the EBCDIC letter and digit blocks.
static int IsEbcdicAlnum(unsigned b) {
  return (b >= 0x81 && b <= 0x89) || (b >= 0x91 && b <= 0x99) || (b >= 0xA2 && b <= 0xA9) ||
         (b >= 0xC1 && b <= 0xC9) || (b >= 0xD1 && b <= 0xD9) || (b >= 0xE2 && b <= 0xE9) ||
         (b >= 0xF0 && b <= 0xF9);
}

int DetectEbcdic(TextSource* s) {
  if (!s || !s->Data || s->Size < EBCDIC_MIN_SIZE) return 0;
  const uint8_t* d = s->Data;
  uint64_t f = s->Size >= 1024 ? 5 : 4;
  uint32_t n = Min(s->Size, EBCDIC_SAMPLE_BYTES);
  uint64_t alnum = 0, space = 0, ebcdicAlnum = 0, otherHigh = 0, at = 0;
  for (uint32_t i = 0; i < n; ++i) {
    unsigned b = d[i];
    if (QIsAsciiLetter(b) || QIsAsciiDigit(b)) ++alnum;
    else if (b == 0x20) ++space;
    else if (b == 0x40) ++at;
    else if (b >= 0x80) {
      if (IsEbcdicAlnum(b)) ++ebcdicAlnum;
      else ++otherHigh;
    }
  }
  if (ebcdicAlnum >= f * alnum && ebcdicAlnum >= f * otherHigh && at >= f * space) return EncEbcdic;
  return 0;
}

int DetectEncoding(TextSource* s, int allowEbcdic) {
  if (!s) return 0;
  if (!s->Data) {
    s->Encoding = EncAnsi;
    return 0;
  }
  int kind = 0;
  if (!s->FileHandle && !s->MappingHandle && QStrEqualNoCase(s->SourceName, ClipboardName)) {
    s->BomLength = (s->Size >= 2 && s->Data[0] == 0xFF && s->Data[1] == 0xFE) ? 2 : 0;
    kind = EncUtf16Le;
  } else {
    kind = DetectUtf32(s);
    if (!kind) kind = DetectUtf16(s);
    if (!kind) {
      if (s->AnsiCodePage == 65001) {
        kind = HasUtf8Bom(s) ? WithBom(s, 3, EncUtf8) : EncUtf8;
      } else {
        kind = DetectUtf8(s);
        if (!kind && allowEbcdic) kind = DetectEbcdic(s);
      }
    }
  }
  if (s->Position < s->BomLength) s->Position = s->BomLength;
  s->Encoding = kind;
  return kind;
}
