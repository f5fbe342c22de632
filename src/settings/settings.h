// The option flags of the plug-in and their registry persistence.
#pragma once

#include <array>

#include "common/qchar.h"

// The flags, one row each, in the order in which the record holds them:
//   FLAG(field, default, load, save, switch, switchPlace, list, listPlace, label)
// field        the field of PluginSettingsRecord; the registry value that holds
//              the flag has the field's name
// default      the value at load, which RestoreDefaults brings back
// load, save   the flag's place (from 0) in the order in which LoadSettings
//              reads the saved values and SaveSettings writes them; only the
//              failure of the first value written counts. -1: not saved
// switch       the character after the '/' of the switch that sets the flag
//              (a string; "" for none), and the switch's place among all the
//              command's switches (the command places its own, command.cpp)
// list         when the settings list shows the flag (LIST_NEVER, LIST_ALWAYS,
//              LIST_WHILE_ON), its place there and the label of its line; the
//              line is the label, "/", the switch and ":%s\r\n"
// A place of -1 is no place. The places of each column run from 0 to one less
// than the number of rows placed in it, each used once; anything else does
// not compile.
#define PLUGIN_FLAGS(FLAG)                                                                       \
  FLAG(TwoLetterTLDs,         1,  0,  1, "2",  3, LIST_ALWAYS,    0, "All two-letter TLDs     ") \
  FLAG(CheckTopLevelDomain,   1,  9,  9, "T", 17, LIST_ALWAYS,    9, "Check top-level domain  ") \
  FLAG(CheckDomainChars,      1, -1, -1, "",  -1, LIST_NEVER,    -1, "")                         \
  FLAG(StripAngleBrackets,    0,  1,  0, "B",  4, LIST_ALWAYS,    1, "Strip angle brackets    ") \
  FLAG(StrictCharList,        0,  2,  2, "C",  5, LIST_ALWAYS,    2, "Use strict char list    ") \
  FLAG(AllowEscapedChars,     0, 10, 10, "E",  7, LIST_NEVER,    -1, "")                         \
  FLAG(AllowNonAscii,         0,  4,  4, "H",  8, LIST_ALWAYS,    3, "Allow non-ASCII chars   ") \
  FLAG(AllowDottedQuadDomain, 0,  3,  3, "I",  9, LIST_ALWAYS,    4, "Allow dotted quad       ") \
  FLAG(AllowLocalhost,        0,  5,  5, "L", 10, LIST_ALWAYS,    5, "Allow localhost         ") \
  FLAG(CheckMX,               0,  6,  6, "M", 11, LIST_ALWAYS,    6, "Check MX record         ") \
  FLAG(AllowNoReply,          0,  7,  7, "N", 12, LIST_ALWAYS,    7, "Allow noreply           ") \
  FLAG(AllowPostmaster,       0,  8,  8, "P", 13, LIST_ALWAYS,    8, "Allow postmaster        ") \
  FLAG(AllowQuotedStrings,    0, 11, 11, "Q", 14, LIST_NEVER,    -1, "")                         \
  FLAG(DebugMode,             0, -1, -1, "$",  2, LIST_WHILE_ON, 10, "Debug mode              ")

// When the settings list shows a flag.
enum FlagListing { LIST_NEVER, LIST_ALWAYS, LIST_WHILE_ON };

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
  int SwitchPlace;
  FlagListing Listing;
  int ListPlace;
  const qchar* ListLine;  // Printf format of the list line, one "%s" for Yes or No
};

inline constexpr FlagRow FlagRows[] = {
#define FLAG_ROW(field, value, load, save, letter, switchPlace, listing, listPlace, label) \
  {&PluginSettingsRecord::field, QT(#field), load, save, QT(letter)[0], switchPlace,     \
   listing, listPlace, listing == LIST_NEVER ? nullptr : QT(label "/" letter ":%s\r\n")},
    PLUGIN_FLAGS(FLAG_ROW)
#undef FLAG_ROW
};
static_assert(QCOUNT(FlagRows) * sizeof(int32_t) == sizeof(PluginSettingsRecord), "one row per field");

// The row at place of an order (a column of places), null when none is there.
constexpr const FlagRow* FlagAt(int FlagRow::*order, int place) {
  for (const FlagRow& r : FlagRows)
    if (r.*order == place) return &r;
  return nullptr;
}

// The number of rows that have a place in an order.
constexpr int CountPlaced(int FlagRow::*order) {
  int n = 0;
  for (const FlagRow& r : FlagRows) n += r.*order >= 0;
  return n;
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

// True when each row is saved in both orders or in neither, and has a
// switch and a list line exactly where it has their places.
constexpr bool RowsAgree(void) {
  for (const FlagRow& r : FlagRows)
    if ((r.LoadPlace < 0) != (r.SavePlace < 0) || (r.Switch != 0) != (r.SwitchPlace >= 0) ||
        (r.Listing != LIST_NEVER) != (r.ListPlace >= 0))
      return false;
  return true;
}
static_assert(RowsAgree() && IsWholeOrder(&FlagRow::LoadPlace) && IsWholeOrder(&FlagRow::SavePlace) &&
                  IsWholeOrder(&FlagRow::ListPlace),
              "each flag's places and columns agree, and each order is whole");

// A flag that the registry holds: the value's name (the flag's own) and the
// field of the record.
struct SavedFlag {
  const qchar* Name;
  int32_t PluginSettingsRecord::*Field;
};

// The saved flags in the order of a place column.
template <int FlagRow::*Order>
constexpr std::array<SavedFlag, CountPlaced(Order)> SavedInOrder(void) {
  std::array<SavedFlag, CountPlaced(Order)> saved{};
  for (const FlagRow& r : FlagRows)
    if (r.*Order >= 0) saved[(size_t)(r.*Order)] = {r.Name, r.Field};
  return saved;
}

// The saved flags in the order LoadSettings reads them, and in the order
// SaveSettings writes them. CheckDomainChars and DebugMode are never saved.
inline constexpr auto SavedFlags = SavedInOrder<&FlagRow::LoadPlace>();
inline constexpr auto SaveOrder = SavedInOrder<&FlagRow::SavePlace>();

// The key under either root that holds the saved flags.
extern const qchar SettingsKeyPath[];

// Overlays the saved flags from "Software\TavoPlugins\Quorvel" under root, in
// the order of SavedFlags. Only REG_DWORD values of exactly 4 bytes are taken
// over (nonzero is on); shorter or longer ones and other types are passed
// over. Returns 0 when at least one value was taken over, 1 when the key
// cannot be opened, 2 when it was opened but no value was taken over. Prints
// nothing.
int LoadSettings(QHandle root);

// Writes the saved flags under the current user's key, in the order of
// SaveOrder. Returns 0, or 1 (key not created/opened) or 2 (first value not
// written; nothing written) after printing the error prefix and message on
// standard error. Failures of the later values are not reported.
int SaveSettings(void);

// Sets every flag to its default. Touches neither registry nor output.
void RestoreDefaults(void);
