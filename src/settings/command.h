// The configuration command `quorvel`: lists, changes, restores, reloads and
// saves the option flags.
#pragma once

#include "common/qchar.h"

// The command's help text, written for /? and /?? and shown by the host's
// help and usage requests for the command.
extern const qchar CommandHelpText[];

// Runs the command with its terminated argument line. Every switch is checked
// before anything changes; with an error nothing is applied, loaded, saved or
// listed. Returns 0 on success, 1 for a bad token, a bad value or an argument
// line too long to tokenize, 2 when /S was given and saving failed, and -1
// for a null line.
int QuorvelCommand(const qchar* line);

// Reads a switch's value: text beginning with Y or N (any case; the rest is
// not looked at) gives 1 or 0; otherwise a number (see ParseNumber) gives 1
// when nonzero and 0 for zero. Writes *out and returns 0 on success; returns
// -1 for a null or empty text or a null out, 1 when the text is no number
// (then *out is unchanged).
int ParseYesNo(const qchar* text, int32_t* out);

// Reads the whole of text as an unsigned 32-bit number: decimal digits, or
// "0x"/"0X" followed by hexadecimal digits, which may begin with one more
// "0x"/"0X" (the standard conversion in base 16 takes a prefix of its own, so
// 0x0x1 is 1). No sign, no white space, no other character, no value above
// 4294967295. Writes *out and returns 0 on success; returns -1 otherwise
// (null text or out included), with *out unchanged.
int ParseNumber(const qchar* text, uint32_t* out);
