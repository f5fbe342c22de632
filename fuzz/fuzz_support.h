// Shared pieces of the fuzz targets: reading the fuzzer's bytes as settings
// and texts, and invariant checks that abort (so that libFuzzer keeps the
// input) with a message naming the breach.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "common/qchar.h"

#define FUZZ_CHECK(cond, ...)                                             \
  do {                                                                    \
    if (!(cond)) {                                                        \
      fprintf(stderr, "invariant broken at %s:%d: %s\n  ", __FILE__, __LINE__, #cond); \
      fprintf(stderr, __VA_ARGS__);                                       \
      fprintf(stderr, "\n");                                              \
      abort();                                                            \
    }                                                                     \
  } while (0)

// Consumes the fuzzer's bytes from the front; reads past the end give zeros.
class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t U8() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint16_t U16() { return (uint16_t)(U8() | U8() << 8); }
  uint32_t U32() { return (uint32_t)U16() | (uint32_t)U16() << 16; }
  size_t Left() const { return size_ - pos_; }
  // n bytes (fewer at the end) as they are.
  std::string Bytes(size_t n) {
    if (n > Left()) n = Left();
    std::string out((const char*)data_ + pos_, n);
    pos_ += n;
    return out;
  }
  // Text of at most n units: with ascii set, one unit per byte; otherwise
  // little-endian pairs of bytes. Cut at the first zero unit (the plug-in's
  // texts are terminated).
  std::u16string Text(size_t n, bool ascii) {
    std::u16string out;
    while (out.size() < n && Left() >= (ascii ? 1u : 2u)) {
      qchar c = ascii ? U8() : U16();
      if (c == 0) break;
      out += c;
    }
    return out;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// The body of each fuzz target: runs one input and checks its invariants. It
// finds the fake world reset: the shared entry point resets it before the
// first input and, when FuzzUsesFakeWorld, after each one, so that an input
// leaves no allocation behind and libFuzzer's leak check stays idle.
int FuzzOne(const uint8_t* data, size_t size);

// Whether FuzzOne arranges or reads the fake world (each target defines it).
extern const bool FuzzUsesFakeWorld;

// Sets every flag of PluginSettings from the low bits, one bit each in the
// order of the flag table (PLUGIN_FLAGS), which is the record's.
void SetFlagsFromBits(uint32_t bits);

// Printable form of a text for the messages of FUZZ_CHECK.
std::string Show(const std::u16string& text);
