// Searches over a block of bytes, sixteen at a time where the processor has
// SSE2 (every x86-64 processor, and every x86 processor that runs a
// supported Windows; the 32-bit build enables it), else one at a time. Each
// looks at the bytes of [from, to) only, never beyond to, and gives to for
// an empty or inverted range.
#pragma once

#include <stdint.h>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define QBYTESCAN_SSE2 1
#endif

// Offset of the first zero byte in d[from, to), or to when there is none.
static inline uint32_t QFindZeroByte(const uint8_t* d, uint32_t from, uint32_t to) {
  if (from >= to) return to;
  uint32_t i = from;
#ifdef QBYTESCAN_SSE2
  const __m128i zero = _mm_setzero_si128();
  for (; to - i >= 64; i += 64) {
    __m128i a = _mm_cmpeq_epi8(_mm_loadu_si128((const __m128i*)(d + i)), zero);
    __m128i b = _mm_cmpeq_epi8(_mm_loadu_si128((const __m128i*)(d + i + 16)), zero);
    __m128i c = _mm_cmpeq_epi8(_mm_loadu_si128((const __m128i*)(d + i + 32)), zero);
    __m128i e = _mm_cmpeq_epi8(_mm_loadu_si128((const __m128i*)(d + i + 48)), zero);
    if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, e)))) break;
  }
  for (; to - i >= 16; i += 16) {
    int m = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128((const __m128i*)(d + i)), zero));
    if (m) return i + (uint32_t)__builtin_ctz((unsigned)m);
  }
#endif
  for (; i < to; ++i)
    if (d[i] == 0) return i;
  return to;
}

// Offset of the first zero 16-bit unit among the units from, from + 2, ...
// that lie wholly inside [from, to), or to when there is none.
static inline uint32_t QFindZeroUnit(const uint8_t* d, uint32_t from, uint32_t to) {
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

// Offset of the first byte at or above 0x80 in d[from, to), or to.
static inline uint32_t QFindHighByte(const uint8_t* d, uint32_t from, uint32_t to) {
  if (from >= to) return to;
  uint32_t i = from;
#ifdef QBYTESCAN_SSE2
  for (; to - i >= 16; i += 16) {
    int m = _mm_movemask_epi8(_mm_loadu_si128((const __m128i*)(d + i)));
    if (m) return i + (uint32_t)__builtin_ctz((unsigned)m);
  }
#endif
  for (; i < to; ++i)
    if (d[i] >= 0x80) return i;
  return to;
}

// Offset of the first byte in d[from, to) that is zero or at or above 0x80,
// or to.
static inline uint32_t QFindZeroOrHighByte(const uint8_t* d, uint32_t from, uint32_t to) {
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
static inline uint32_t QFindZeroOrByteOf(const uint8_t* d, uint32_t from, uint32_t to, uint8_t a, uint8_t b,
                                         uint8_t c, uint8_t e) {
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
static inline uint32_t QFindBytePair(const uint8_t* d, uint32_t from, uint32_t to, uint8_t first,
                                     uint8_t last, uint32_t gap) {
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
