// Test helpers: texts written as code points, encoded into bytes in each of
// the reader's encodings, and read back through a hand-made record.
#pragma once

#include <string.h>

#include <string>
#include <vector>

#include "textsource/textsource.h"

typedef std::vector<uint8_t> Bytes;

// Encodes text (code points) into bytes of the given TextEncoding. EncAnsi
// uses the 1252 table and EncEbcdic the 1140 table, EncRawBytes one byte per
// code point. Returns false when the encoding cannot express the text.
bool EncodeText(const std::u32string& text, int encoding, Bytes* out);

// A record over bytes as an open source would be: Data and Size set, the
// given encoding, Replacement U+FFFD, 1252 and 1140 tables, a stand-in file
// handle (so that detection does not take it for the clipboard).
TextSource RecordOver(const Bytes& bytes, int encoding);

// Reads every line of *source with ReadTextLine until -1 (at most limit
// lines), as UTF-16 strings.
std::vector<std::u16string> ReadAllLines(TextSource* source, size_t limit = 100000);

// The UTF-16 form of an ASCII or code-point text, for comparisons.
std::u16string U16(const std::u32string& text);

// Every encoding a reader test should be tried in.
extern const int kAllEncodings[8];
const char* EncodingName(int encoding);

// True when every field of the record but Error is zero, as closing leaves it.
inline bool IsClear(const TextSource& s) {
  TextSource copy = s;
  copy.Error = 0;
  TextSource zero = {};
  return memcmp(&copy, &zero, sizeof copy) == 0;
}
