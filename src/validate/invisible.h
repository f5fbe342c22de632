// The characters above U+007F that stay out of a local part even where
// non-ASCII characters are allowed: controls, format characters, spaces and
// separators, the tag characters, the noncharacters and surrogates that stand
// alone. The table is generated (invisible_table.cpp, by gen_invisible.py).
#pragma once

#include <stddef.h>
#include <stdint.h>

// The refused code points as ranges {first, last}, sorted, none overlapping
// or adjacent.
extern const uint32_t InvisibleRanges[][2];
extern const size_t InvisibleRangeCount;

// 1 when the code point cp lies in one of InvisibleRanges, else 0.
int IsInvisibleOrControl(uint32_t cp);
