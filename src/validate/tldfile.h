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
