#include "common/qstr.h"

#include <string.h>
#include <wctype.h>

size_t QStrLen(const qchar* s) {
  if (!s) return 0;
  size_t n = 0;
  while (s[n]) ++n;
  return n;
}

size_t QStrCopy(qchar* dst, size_t cap, const qchar* src) {
  if (!dst || cap == 0) return 0;
  size_t n = 0;
  if (src)
    while (n + 1 < cap && src[n]) { dst[n] = src[n]; ++n; }
  dst[n] = 0;
  return n;
}

size_t QStrCopyLen(qchar* dst, size_t cap, const qchar* src, size_t n) {
  if (!dst || cap == 0) return 0;
  if (!src) n = 0;
  if (n > cap - 1) n = cap - 1;
  if (n) memcpy(dst, src, n * sizeof(qchar));
  dst[n] = 0;
  return n;
}

size_t QStrAppend(qchar* dst, size_t cap, const qchar* src) {
  if (!dst || cap == 0) return 0;
  size_t n = 0;
  while (n < cap && dst[n]) ++n;
  if (n == cap) { dst[cap - 1] = 0; return cap - 1; }
  return n + QStrCopy(dst + n, cap - n, src);
}

void QStrFillZero(qchar* dst, size_t cap, const qchar* src) {
  size_t n = QStrCopy(dst, cap, src);
  if (n < cap) memset(dst + n, 0, (cap - n) * sizeof(qchar));
}

int QStrEqual(const qchar* a, const qchar* b) {
  if (!a || !b) return a == b;
  while (*a && *a == *b) { ++a; ++b; }
  return *a == *b;
}

int QStrEqualNoCase(const qchar* a, const qchar* b) {
  if (!a || !b) return a == b;
  while (*a && QFoldUpperAscii(*a) == QFoldUpperAscii(*b)) { ++a; ++b; }
  return QFoldUpperAscii(*a) == QFoldUpperAscii(*b);
}

// On Windows the C runtime classifies UTF-16 units with the system's Unicode
// tables. Natively the C library does the same once a UTF-8 locale is active
// (the native test runner selects C.UTF-8).
// The C library of Linux leaves the no-break spaces (U+00A0, U+2007, U+202F)
// out of its space class; Windows counts them, as the reader's white-space
// rule requires.
int QIsSpaceOther(unsigned c) {
#ifndef _WIN32
  if (c == 0xA0 || c == 0x2007 || c == 0x202F) return 1;
#endif
  return iswspace((wint_t)c) != 0;
}
// ASCII letters and digits are answered inline (qstr.h), the same way the C
// runtime answers them; only other characters come here.
int QIsAlphaOther(unsigned c) { return c < 0x80 ? QIsAsciiLetter(c) : iswalpha((wint_t)c) != 0; }
int QIsAlnumOther(unsigned c) {
  return c < 0x80 ? (QIsAsciiLetter(c) || QIsAsciiDigit(c)) : iswalnum((wint_t)c) != 0;
}

uint32_t QStrToU32(const qchar* s, int base, const qchar** end, int* overflow) {
  *overflow = 0;
  uint64_t value = 0;
  for (;; ++s) {
    unsigned c = *s, d;
    if (QIsAsciiDigit(c)) d = c - '0';
    else if (c >= 'a' && c <= 'z') d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'Z') d = c - 'A' + 10;
    else break;
    if (d >= (unsigned)base) break;
    if (!*overflow) {
      value = value * (unsigned)base + d;
      if (value > 0xFFFFFFFFull) *overflow = 1;
    }
  }
  *end = s;
  return *overflow ? 0xFFFFFFFFu : (uint32_t)value;
}
