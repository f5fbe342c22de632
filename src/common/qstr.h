// Bounded string helpers and character classification over qchar.
// None of them allocates; every write is bounded by the capacity passed in.
#pragma once

#include "common/qchar.h"

// Length of a terminated text in units; 0 for null.
size_t QStrLen(const qchar* s);

// Copies src into dst, which holds cap units (terminator included). Copies at
// most cap - 1 units and always terminates when cap > 0. Returns the number of
// units copied (without terminator).
size_t QStrCopy(qchar* dst, size_t cap, const qchar* src);

// Copies the first n units of src (cut to cap - 1) into dst, which holds cap
// units, and terminates it when cap > 0; the units need not end in a zero.
// Returns the number of units copied.
size_t QStrCopyLen(qchar* dst, size_t cap, const qchar* src, size_t n);

// Appends src to the terminated text in dst (capacity cap units), bounded as
// QStrCopy. Returns the new length of dst.
size_t QStrAppend(qchar* dst, size_t cap, const qchar* src);

// Fills dst[0..cap) with src followed by zeros up to the end.
void QStrFillZero(qchar* dst, size_t cap, const qchar* src);

// 1 when a and b are equal unit for unit, else 0. Null equals only null.
int QStrEqual(const qchar* a, const qchar* b);

// 1 when a and b are equal ignoring the case of the ASCII letters A-Z only.
int QStrEqualNoCase(const qchar* a, const qchar* b);

// ASCII-only tests and folding (inline: they run once a character).
inline int QIsAsciiLetter(unsigned c) { return (c | 0x20u) - 'a' < 26u; }
inline int QIsAsciiDigit(unsigned c) { return c - '0' < 10u; }
inline int QIsHexDigit(unsigned c) { return c - '0' < 10u || (c | 0x20u) - 'a' < 6u; }
inline unsigned QFoldUpperAscii(unsigned c) { return c - 'a' < 26u ? c - 32 : c; }

// The platform's wide-character classification of the characters that are
// not printable ASCII (controls, U+007F and everything from U+0080 up).
int QIsSpaceOther(unsigned c);
int QIsAlphaOther(unsigned c);
int QIsAlnumOther(unsigned c);

// The platform's wide-character classification (Unicode-aware); printable
// ASCII is answered inline, the way the C runtime answers it.
inline int QIsSpace(unsigned c) { return (c >= 0x20 && c < 0x7F) ? c == ' ' : QIsSpaceOther(c); }
inline int QIsAlpha(unsigned c) { return c < 0x80 ? QIsAsciiLetter(c) : QIsAlphaOther(c); }
inline int QIsAlnum(unsigned c) {
  return c < 0x80 ? (QIsAsciiLetter(c) || QIsAsciiDigit(c)) : QIsAlnumOther(c);
}

// Reads the digits of base (10 or 16; letters in either case) at the start of
// the terminated text s as an unsigned 32-bit number: no white space, sign or
// prefix. *end receives the first position that holds no such digit (s itself
// when there is none, and the result is then 0); *overflow is set to 1 when the
// value does not fit in 32 bits (the result is then 0xFFFFFFFF), else 0.
uint32_t QStrToU32(const qchar* s, int base, const qchar** end, int* overflow);
