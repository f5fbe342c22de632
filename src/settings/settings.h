// The option flags of the plug-in and their registry persistence.
#pragma once

#include "common/qchar.h"

// The flags, one row each, in the order in which the record holds them:
//   FLAG(field, default, load, save, switch, switchPlace, list, whileOn, label)
// field        the field of PluginSettingsRecord; the registry value that holds
//              the flag has the field's name
// default      the value at load, which RestoreDefaults brings back
// load, save   the flag's place (from 0) in the order in which LoadSettings
//              reads the saved values and SaveSettings writes them; only the
//              failure of the first value written counts. -1: not saved
// switch       the character after the '/' of the switch that sets the flag
//              (a string; "" for none), and the switch's place among all the
//              command's switches (the command places its own, command.cpp)
// list         the flag's place in the settings list, whose line is the
//              label, "/", the switch and ":%s\r\n"; with whileOn 1 the line
//              is shown only while the flag is on
// A place of -1 is no place. The places of each column run from 0 to one less
// than the number of rows placed in it, each used once; a flag is saved in
// both orders or in neither, and has a switch or a label exactly where it has
// a place for it. Anything else does not compile.
#define PLUGIN_FLAGS(FLAG)                                                               \
  FLAG(TwoLetterTLDs,         1,  0,  1, "2",  3,  0, 0, "All two-letter TLDs     ")   \
  FLAG(CheckTopLevelDomain,   1,  9,  9, "T", 17,  9, 0, "Check top-level domain  ")   \
  FLAG(CheckDomainChars,      1, -1, -1, "",  -1, -1, 0, "")                           \
  FLAG(StripAngleBrackets,    0,  1,  0, "B",  4,  1, 0, "Strip angle brackets    ")   \
  FLAG(StrictCharList,        0,  2,  2, "C",  5,  2, 0, "Use strict char list    ")   \
  FLAG(AllowEscapedChars,     0, 10, 10, "E",  7, -1, 0, "")                           \
  FLAG(AllowNonAscii,         0,  4,  4, "H",  8,  3, 0, "Allow non-ASCII chars   ")   \
  FLAG(AllowDottedQuadDomain, 0,  3,  3, "I",  9,  4, 0, "Allow dotted quad       ")   \
  FLAG(AllowLocalhost,        0,  5,  5, "L", 10,  5, 0, "Allow localhost         ")   \
  FLAG(CheckMX,               0,  6,  6, "M", 11,  6, 0, "Check MX record         ")   \
  FLAG(AllowNoReply,          0,  7,  7, "N", 12,  7, 0, "Allow noreply           ")   \
  FLAG(AllowPostmaster,       0,  8,  8, "P", 13,  8, 0, "Allow postmaster        ")   \
  FLAG(AllowQuotedStrings,    0, 11, 11, "Q", 14, -1, 0, "")                           \
  FLAG(DebugMode,             0, -1, -1, "$",  2, 10, 1, "Debug mode              ")

// Every field holds 0 (off) or 1 (on); readers test for nonzero.
struct PluginSettingsRecord {
#define FLAG_FIELD(field, ...) int32_t field;
  PLUGIN_FLAGS(FLAG_FIELD)
#undef FLAG_FIELD
};

// The process-wide flags, holding their values at load until changed.
extern PluginSettingsRecord PluginSettings;

// The values at load, which RestoreDefaults brings back.
inline constexpr PluginSettingsRecord DefaultSettings = {
#define FLAG_DEFAULT(field, value, ...) value,
    PLUGIN_FLAGS(FLAG_DEFAULT)
#undef FLAG_DEFAULT
};

// One row of the table (see PLUGIN_FLAGS).
struct FlagRow {
  int32_t PluginSettingsRecord::*Field;
  const qchar* Name;  // the field's name, also its registry value's name
  int LoadPlace, SavePlace;
  qchar Switch;  // the character after '/', 0 for none
  int SwitchPlace, ListPlace, ListedWhileOn;
  const qchar* ListLine;  // Printf format of the list line, one "%s" for Yes or No
};

inline constexpr FlagRow FlagRows[] = {
#define FLAG_ROW(field, value, load, save, letter, switchPlace, listPlace, whileOn, label)       \
  {&PluginSettingsRecord::field, QT(#field), load, save, QT(letter)[0], switchPlace, listPlace, \
   whileOn, QT(label "/" letter ":%s\r\n")},
    PLUGIN_FLAGS(FLAG_ROW)
#undef FLAG_ROW
};
static_assert(QCOUNT(FlagRows) * sizeof(int32_t) == sizeof(PluginSettingsRecord), "one row per field");
#define FLAG_CHECK(field, value, load, save, letter, switchPlace, listPlace, whileOn, label)       \
  static_assert((load < 0) == (save < 0) && (sizeof(letter) > 1) == (switchPlace >= 0) &&         \
                    (sizeof(label) > 1) == (listPlace >= 0),                                      \
                #field ": saved in both orders or neither, a switch and a label where placed");
PLUGIN_FLAGS(FLAG_CHECK)
#undef FLAG_CHECK

// The row at place of an order (a column of places), null when none is there.
constexpr const FlagRow* FlagAt(int FlagRow::*order, int place) {
  for (const FlagRow& r : FlagRows)
    if (r.*order == place) return &r;
  return nullptr;
}

// True when the rows' places in an order, with the places others take (bits
// of taken), are the places from 0 up, each taken once and none left out.
constexpr bool IsWholeOrder(int FlagRow::*order, uint32_t taken = 0) {
  for (const FlagRow& r : FlagRows) {
    if (r.*order < 0) continue;
    if (r.*order >= 32 || (taken >> r.*order & 1)) return false;
    taken |= 1u << r.*order;
  }
  return (taken & (taken + 1)) == 0;
}
static_assert(IsWholeOrder(&FlagRow::LoadPlace) && IsWholeOrder(&FlagRow::SavePlace) &&
                  IsWholeOrder(&FlagRow::ListPlace),
              "each order is whole");

// The key under either root that holds the saved flags.
extern const qchar SettingsKeyPath[];

// Overlays the saved flags from "Software\TavoPlugins\Quorvel" under root, in
// the order of their LoadPlace. Only REG_DWORD values of exactly 4 bytes are
// taken over (nonzero is on); shorter or longer ones and other types are
// passed over. Returns 0 when at least one value was taken over, 1 when the
// key cannot be opened, 2 when it was opened but no value was taken over.
// Prints nothing.
int LoadSettings(QHandle root);

// Writes the saved flags under the current user's key, in the order of their
// SavePlace. Returns 0, or 1 (key not created/opened) or 2 (first value not
// written; nothing written) after printing the error prefix and message on
// standard error. Failures of the later values are not reported.
int SaveSettings(void);

// Sets every flag to its default. Touches neither registry nor output.
void RestoreDefaults(void);
