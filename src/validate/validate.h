// The address validator and the variable functions built on it.
#pragma once

#include "common/qchar.h"

// Result codes of ValidateAddress.
enum {
  QV_VALID = 0,
  QV_EMPTY = 1024,
  QV_TOO_LONG = 1025,
  QV_LOCAL_EMPTY = 1040,
  QV_DOMAIN_EMPTY = 1041,
  QV_NO_AT = 1042,
  QV_SECOND_AT = 1043,
  QV_BAD_DOT = 1044,
  QV_BAD_LOCAL_CHAR = 1045,
  QV_RESERVED_NAME = 1046,
  QV_NO_DOMAIN_DOT = 1047,
  QV_UNKNOWN_TLD = 1048,
  QV_DOTTED_QUAD = 1049,
  QV_BAD_DOTTED_QUAD = 1050,
  QV_LOCALHOST = 1051,
  QV_NO_MX = 1052,
  QV_BAD_DOMAIN_CHAR = 1053,
  QV_BAD_QUOTE = 1054,
  // The rules' codes, one each, run from QV_FIRST_RULE to QV_LAST_RULE.
  QV_FIRST_RULE = QV_LOCAL_EMPTY,
  QV_LAST_RULE = QV_BAD_QUOTE,
};

// Longest address accepted, in units (after the angle brackets are removed).
#define MAX_ADDRESS_LEN 256
// Size of each working part, terminator included.
#define MAX_PART_LEN 1024

// Judges the terminated address in input (never modified). On 0 writes the
// domain part to domainOut and the local part to localOut where given (at
// most 257 units each, 256 and a terminator; either may be input itself), as
// they stood in the input. Returns 0, a code from 1024 up naming the first
// rule broken, or -1 for a null input.
int ValidateAddress(const qchar* input, qchar* domainOut, qchar* localOut);

// When text begins with first and ends with last, removes both and returns 1;
// else 0 (text unchanged); -1 for null.
int StripEnclosingPair(qchar* text, qchar first, qchar last);

// Puts a double quote before and after text (in place); 1 on success, 0 when
// the text holds 1021 units or more (unchanged), -1 for null.
int AddEnclosingQuotes(qchar* text);

// 1 when the character c (a code point; a surrogate code point is one that
// stands alone) may not stand in a local part under the current flags, else
// 0. Above U+007F, with AllowNonAscii on, only the characters of
// IsInvisibleOrControl (lone surrogates among them) are refused.
int IsBadLocalChar(uint32_t c);

// The classes of a text as a dotted quad.
enum {
  QUAD_NONE = 0,      // not a dotted quad
  QUAD_ORDINARY = 1,  // an ordinary address
  QUAD_LOOPBACK = 2,  // 127.0.0.x
  QUAD_INVALID = 3,   // a number over 255, 0.0.0.0, 255.255.255.255 or 224-239.x
};

// Class of text as a dotted quad (QUAD_NONE to QUAD_INVALID). With
// stripBrackets set, one enclosing [ ] pair is removed first. The text is
// never modified; texts over 1023 units give QUAD_NONE.
int CheckForDottedQuad(const qchar* text, int stripBrackets);

// 1 when label is a known top-level domain (two-letter rule: two ASCII
// letters; then the list file, else the built-in table; the file and the
// table ignore the case of A-Z), 0 when not.
int KnownTLD(const qchar* label);

// The built-in top-level domains.
extern const qchar* const BuiltInTLDs[8];

// The variable functions: each reads its argument from buffer and writes its
// result back (at most 256 units and a terminator).
// @quorvel: the result code in decimal.
void FunctionQuorvel(qchar* buffer);
// @emaildpart: the domain part, or empty when the address is not valid.
void FunctionDomainPart(qchar* buffer);
// @emaillpart: the local part, or empty when the address is not valid.
void FunctionLocalPart(qchar* buffer);
