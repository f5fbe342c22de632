// The list file of known top-level domains, TLDs.txt beside the library.
#pragma once

#include "common/qchar.h"

// Looks label (a terminated text, never modified) up in TLDs.txt in the folder
// of the plug-in library, read afresh on every call in any encoding the text
// source reader detects. Each line gives at most one entry: after leading
// white space and one optional dot, a letter followed by letters, digits and
// hyphens. Entries match ignoring the case of A-Z.
// Returns 1 when the label is listed, 0 when the file was usable but does not
// list it (an empty file lists nothing), -1 when the file is not usable (no
// label, no library path, no file, failed to open).
int FindTLDInFile(const qchar* label);

struct TextSource;

// Looks label (terminated, never modified) up in the lines of the open source
// from its Position on, as FindTLDInFile reads TLDs.txt without DebugMode:
// each line gives at most one entry, entries match ignoring the case of A-Z.
// Returns 1 when found, 0 when not (also for a null argument): the answer of
// FindEntryInLines, from the fast scan (fastscan.h) where it can settle it.
// Position may move.
int FindEntryInSource(TextSource* source, const qchar* label);

// The plain lookup: reads the lines of source from its Position while it
// stands at or before until; 1 at the first whose entry equals label (A-Z in
// either case), else 0. line holds TEXT_LINE_LEN units; trace writes each.
int FindEntryInLines(TextSource* source, const qchar* label, uint32_t until, qchar* line, int trace);
