// The list file's fast scan: where a text reads ASCII as units of its own
// (single bytes, UTF-8, UTF-16), the label is sought in the units instead of
// in the decoded lines, with the same answers as the plain lookup.
#pragma once

#include <stdint.h>

#include "common/qchar.h"

struct TextSource;

// Looks label up in source from its Position on: 1 found, 0 not found, as
// FindEntryInLines (tldfile.h) would answer; -1 when the units cannot settle
// it (an encoding or label they cannot show, a text that may hide an entry
// from them). Reads lines they cannot judge into line (TEXT_LINE_LEN units).
int FindEntryFast(const TextSource* source, const qchar* label, qchar* line);

// The size in bytes of the units in which the open source's encoding reads
// every character below U+0080 as one unit of that value, standing at its
// own offset, so that ASCII text can be sought in the bytes themselves: 1 for
// EncAnsi, EncUtf8 and EncRawBytes; 2 for EncUtf16Le and EncUtf16Be (units
// from Position on); 0 for the others, for null and for a clear record.
uint32_t AsciiUnitSize(const TextSource* source);

// 1 when, besides, no character below U+0080 can be read from Position to the
// end but those units: no zero unit, no byte from 0x80 up that reads as a
// character below U+0080 (UTF-8 overlong forms, a Replacement below
// U+0080, an ANSI table entry below U+0080). Then ASCII text of the reading
// stands, unit for unit, in the bytes. Else 0.
int IsAsciiTransparent(const TextSource* source);

// 1 when, besides, every character read from Position to the end stands in
// the bytes in its one form at its own offset, Replacement for undecodable
// bytes apart: UTF-16 without zero units, or ASCII-transparent UTF-8 without
// any overlong form. Then any text of the reading without Replacement can be
// sought as its UTF-8 bytes or UTF-16 units. 0 for other encodings.
int IsCanonicalText(const TextSource* source);

// The byte searches the scan is built on (fastscan.cpp says what each finds);
// like those of common/bytescan.h, each looks at d[from, to) only and gives
// to when it finds nothing.
uint32_t QFindZeroUnit(const uint8_t* d, uint32_t from, uint32_t to);
uint32_t QFindZeroOrHighByte(const uint8_t* d, uint32_t from, uint32_t to);
uint32_t QFindZeroOrByteOf(const uint8_t* d, uint32_t from, uint32_t to, uint8_t a, uint8_t b, uint8_t c,
                           uint8_t e);
uint32_t QFindBytePair(const uint8_t* d, uint32_t from, uint32_t to, uint8_t first, uint8_t last,
                       uint32_t gap);
