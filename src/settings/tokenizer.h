// The token table of the configuration command's argument line and the
// tokenizer that fills it.
#pragma once

#include "common/qchar.h"

// Tokens a line may give, and units of Buffer. The plug-in uses 1024 and
// 8192; the fuzz build sets smaller limits, so that short lines reach both
// (MAX_ARG_LEN stays above 2 * MAX_ARGS, or a full table would overflow).
#ifndef MAX_ARGS
#define MAX_ARGS 1024
#endif
#ifndef MAX_ARG_LEN
#define MAX_ARG_LEN 8192
#endif
static_assert(MAX_ARG_LEN > 2 * MAX_ARGS, "a full table fits in Buffer");

// One tokenized argument line. Token[i] points into Buffer at a terminated
// text of Length[i] units (i < Count); entries at and beyond Count are null
// and 0 after a successful call.
struct ArgListRecord {
  int32_t Count;
  qchar* Token[MAX_ARGS];
  int32_t Length[MAX_ARGS];
  qchar Buffer[MAX_ARG_LEN];
};

// The process-wide table, overwritten by every TokenizeArgs call.
extern ArgListRecord ArgList;

// Splits line (terminated, may be empty) into ArgList: white space separates
// tokens, double quotes group text and are dropped, a-z are folded to A-Z,
// switches written together (/B:Y/C:N) are split at each '/' that begins a
// new switch unless the token holds a letter, ':' and "//" (URL mode), and
// trailing white space of each token is removed. At most MAX_ARGS tokens are
// kept; characters of further tokens are dropped silently.
// Returns Count (0..MAX_ARGS); -1 for a null line (table untouched) or when
// the text does not fit in Buffer (then the error prefix and an overflow
// message are on standard error, and the table is empty with Count 0).
int TokenizeArgs(const qchar* line);
