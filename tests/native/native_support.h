// Helpers of the native tests: texts in heap blocks of an exact size, so that
// AddressSanitizer reports any access beyond the size the interface promises.
#pragma once

#include <memory>
#include <string>

#include "common/qchar.h"

// A heap block of exactly cap units holding text and its terminator (text is
// cut to cap - 1 units); units after the terminator hold 0xA5A5.
inline std::unique_ptr<qchar[]> ExactText(const std::u16string& text, size_t cap) {
  std::unique_ptr<qchar[]> block(new qchar[cap]);
  size_t n = text.size() < cap ? text.size() : cap - 1;
  for (size_t i = 0; i < n; ++i) block[i] = text[i];
  block[n] = 0;
  for (size_t i = n + 1; i < cap; ++i) block[i] = 0xA5A5;
  return block;
}

// ExactText with room for the text and its terminator only.
inline std::unique_ptr<qchar[]> ExactText(const std::u16string& text) {
  return ExactText(text, text.size() + 1);
}

inline std::u16string Repeat(char16_t c, size_t n) { return std::u16string(n, c); }
