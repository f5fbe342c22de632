// The text source reader: opens a named file, the clipboard (ClipboardName) or
// standard input ("-") as one contiguous read-only block of bytes, detects its
// encoding and reads it as lines of wide text.
//
// Typical use:
//   TextSource src;
//   if (OpenTextSource(&src, path) == 0) {
//     qchar line[TEXT_LINE_LEN];
//     while (src.Position <= src.Size && ReadTextLine(&src, line) == 0) { ... }
//     CloseTextSource(&src);
//   }
//
// Detection, decoding and line reading are plain computation over the record
// and its bytes; opening and closing reach the system only through the
// platform layer (platform/os_textsource.h).
#pragma once

#include "common/qchar.h"

// Size in units of the caller's line buffer for ReadTextLine: a line holds at
// most TEXT_LINE_LEN - 1 units followed by a terminating zero unit. The
// plug-in uses 8192; the fuzz build sets a smaller limit, so that short
// inputs reach the cut.
#ifndef TEXT_LINE_LEN
#define TEXT_LINE_LEN 8192
#endif
// Size in units of the path buffers of AppendFileName and AddDevicePrefix.
#define TEXT_PATH_LEN 16384

// Encoding kinds: the values of TextSource.Encoding and the results of the
// detectors (for a single detector, 0 also means "not recognised").
enum TextEncoding {
  EncAnsi = 0,       // single bytes; 0x80-0xFF through AnsiTables[AnsiTable]
  EncUtf16Le = 1,
  EncUtf16Be = 2,
  EncUtf8 = 3,
  EncEbcdic = 16,    // single bytes through EbcdicTables[EbcdicTable]
  EncUtf32Le = 32,
  EncUtf32Be = 33,
  EncRawBytes = 64,  // each byte is the code point of its value; never detected
};

// Bits of TextSource.Flags: how ReadTextChar treats a decoded zero character.
// FlagSkipNul alone skips it, FlagNulAsReplacement alone returns Replacement,
// neither or both return 0.
#define FlagSkipNul 0x400u
#define FlagNulAsReplacement 0x800u

// One opened text source. The caller owns the record; between a successful
// OpenTextSource and CloseTextSource the record owns its name copies, mapped
// view (or clipboard copy), handles and temporary file. A record is either
// clear (all fields zero except possibly Error) or open (Data set).
struct TextSource {
  const uint8_t* Data;     // the text: mapped view, or heap copy of the clipboard text
                           // (with its terminating zero unit); null when clear
  qchar* SourceName;       // ClipboardName / "-" as given, or the true name of a named file
  qchar* TempName;         // full path of the temporary copy, or null
  QHandle FileHandle;      // named file, standard input or temporary copy; null for the clipboard
  QHandle MappingHandle;   // read-only mapping over FileHandle; null for the clipboard
  int32_t Error;           // code of the last failure; survives close and a failed open
  int32_t Encoding;        // a TextEncoding value
  uint32_t Size;           // size of the text in bytes (clipboard: units * 2, no terminator)
  uint32_t Position;       // byte offset in Data of the next character to read
  uint32_t BomLength;      // byte-order mark length at the start: 0, 2, 3 or 4
  int32_t Supplementary;   // nonzero: combine surrogate pairs, return code points above U+FFFF
  uint32_t AnsiCodePage;   // the system's ANSI code page at the time of opening
  int32_t AnsiTable;       // index 0-23 into AnsiTables for AnsiCodePage
  uint32_t EbcdicCodePage; // EBCDIC code page chosen from the user's locale (1140-1149)
  int32_t EbcdicTable;     // index 0-9 into EbcdicTables for EbcdicCodePage
  uint16_t Replacement;    // returned for undecodable input; U+FFFD after opening
  uint32_t Flags;          // FlagSkipNul / FlagNulAsReplacement; 0 after opening
};

// ---- Opening and closing ----------------------------------------------------

// The name that opens the clipboard, in any letter case.
inline constexpr qchar ClipboardName[] = QT("clip:");

// Opens name (ClipboardName, "-" for standard input, else a file name) into
// *source, which must not hold an open source. Returns 0 on success; -1 when
// source or name is null or name is empty (record untouched) and for every
// failure of the clipboard (record cleared, Error 0); SYSERR_NOT_ENOUGH_MEMORY
// when out of memory; the system's error value when a file cannot be opened,
// created, written or mapped; OPEN_EMPTY (-100) for an empty text;
// SYSERR_FILE_TOO_LARGE for a text of 4 GiB or more (common/syserror.h).
// After any failure but bad arguments the record is clear and Error holds the
// code.
int OpenTextSource(TextSource* source, const qchar* name);
#define OPEN_EMPTY (-100)

// Releases everything *source holds (view or copy, handles, temporary file,
// names) and clears it, keeping Error. Closing a clear record changes nothing.
// Returns 0, or -1 for a null source.
int CloseTextSource(TextSource* source);

// Appends name to the path in folder (a buffer of TEXT_PATH_LEN units), with
// one backslash between them when folder does not end in '/', '\' or ':' (and
// is not empty) and name does not begin with '/' or '\'. Bounded by the
// buffer. Returns 0, or -1 if either argument is null.
int AppendFileName(qchar* folder, const qchar* name);

// 1 if handle is a console, else 0. The standard-device identifiers -10, -11
// and -12 are first turned into the real handles; a null handle is not one.
int IsConsoleHandle(QHandle handle);

// Puts the device prefix "\\.\" in front of the path in path (a buffer of
// TEXT_PATH_LEN units), bounded by the buffer. Returns 0, or -1 for null.
int AddDevicePrefix(qchar* path);

// ---- Encoding detection and code-page tables -------------------------------
//
// The EBCDIC detector (DetectEbcdic) and the EBCDIC tables serve the reader
// as a whole, but the plug-in never reaches them: its one reader, the list
// file lookup, opens through OpenTextSource, which detects with EBCDIC off.
// Only the reader's own tests and fuzz target exercise them.

#define ANSI_TABLE_COUNT 24
#define EBCDIC_TABLE_COUNT 10
#define LOCALE_EBCDIC_COUNT 16

// The 24 single-byte code pages with a table, in table order.
extern const uint16_t AnsiCodePages[ANSI_TABLE_COUNT];
// Row i maps bytes 0x80-0xFF (entry j for byte 0x80 + j) of AnsiCodePages[i].
extern const uint16_t AnsiTables[ANSI_TABLE_COUNT][128];
// The EBCDIC code pages 1140-1149; index = code page - 1140.
extern const uint16_t EbcdicCodePages[EBCDIC_TABLE_COUNT];
// Row i maps every byte of code page 1140 + i.
extern const uint16_t EbcdicTables[EBCDIC_TABLE_COUNT][256];

// A Windows locale identifier and the EBCDIC code page that suits it.
struct LocaleEbcdic {
  uint16_t Locale;
  uint16_t CodePage;
};
extern const LocaleEbcdic LocaleEbcdicTable[LOCALE_EBCDIC_COUNT];

// The EBCDIC code page (1140-1149) for a locale identifier: only its low 16
// bits count; 0 gives 1140; an exact row of LocaleEbcdicTable, else a row of
// the same primary language (low 10 bits), else 1140 (English: 1140).
uint32_t EbcdicCodePageForLocale(uint32_t locale);

// The EBCDIC code page for the user's default locale (one of 1140-1149).
uint32_t DefaultEbcdicCodePage(void);

// Writes the table index of ansiCodePage (0-23; 0 when it has no table) to
// *ansiIndex and of ebcdicCodePage (0-9; 0 outside 1140-1149) to *ebcdicIndex
// (skipped when null). Returns 0, or -1 if ansiIndex is null.
int FindCodePageTables(int32_t* ansiIndex, int32_t* ebcdicIndex, uint32_t ansiCodePage,
                       uint32_t ebcdicCodePage);

// Classifies the open text: sets Encoding, raises Position to at least
// BomLength and returns the kind. allowEbcdic nonzero lets DetectEbcdic run.
// Null source: 0. A record without Data gets Encoding 0 and gives 0.
int DetectEncoding(TextSource* source, int allowEbcdic);

// Single detectors: each returns its kind (EncUtf32Le/Be, EncUtf16Le/Be,
// EncUtf8, EncEbcdic) or 0, may set BomLength, and changes nothing else.
int DetectUtf32(TextSource* source);
int DetectUtf16(TextSource* source);
int DetectUtf8(TextSource* source);
int DetectEbcdic(TextSource* source);

// ---- Decoding and line reading ------------------------------------------

// Decodes the one UTF-8 sequence starting at bytes (the caller has made sure
// the whole sequence lies inside the text). Returns its value (overlong forms
// decode to the value of their bits), or -1 for a bad lead or continuation
// byte, or for a null pointer.
int32_t DecodeUtf8(const uint8_t* bytes);

// Returns the next character (a code point, never above U+10FFFF) and moves
// Position past it; -1 for a null record or at the end of the text.
int32_t ReadTextChar(TextSource* source);

// Returns the character at Position without moving; zero characters are
// returned as 0 whatever Flags say; a UTF-8 sequence cut off by the end of
// the text gives -1. -1 for a null record or at the end of the text.
int32_t PeekTextChar(const TextSource* source);

// Fills lineBuffer (TEXT_LINE_LEN units) with the next line that holds
// something other than white space, terminated; longer lines are cut to
// TEXT_LINE_LEN - 1 units. Returns 0 when a line (or a final piece of text)
// was stored, -1 for a null argument or when the text is used up and nothing
// was stored.
int ReadTextLine(TextSource* source, qchar* lineBuffer);
