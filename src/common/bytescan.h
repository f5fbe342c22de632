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
