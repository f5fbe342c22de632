// The option flags of the plug-in and their registry persistence.
#pragma once

#include "common/qchar.h"

// The flags, one row each, in the order in which the record holds them:
//   FLAG(field, default, switch, whileOn, label)
// field    the field of PluginSettingsRecord; the registry value that holds
//          the flag has the field's name
// default  the value at load, which RestoreDefaults brings back
// switch   the character after the '/' of the switch that sets the flag (a
//          string; "" for none)
// label    the start of the flag's line in the settings list, which goes on
//          "/", the switch and ":%s\r\n" ("" for none); with whileOn 1 the
//          line is shown only while the flag is on
// The orders of loading, saving, switches and list are the lists after it.
#define PLUGIN_FLAGS(FLAG)                                                  \
  FLAG(TwoLetterTLDs,         1, "2", 0, "All two-letter TLDs     ")       \
  FLAG(CheckTopLevelDomain,   1, "T", 0, "Check top-level domain  ")       \
  FLAG(CheckDomainChars,      1, "",  0, "")                               \
  FLAG(StripAngleBrackets,    0, "B", 0, "Strip angle brackets    ")       \
  FLAG(StrictCharList,        0, "C", 0, "Use strict char list    ")       \
  FLAG(AllowEscapedChars,     0, "E", 0, "")                               \
  FLAG(AllowNonAscii,         0, "H", 0, "Allow non-ASCII chars   ")       \
  FLAG(AllowDottedQuadDomain, 0, "I", 0, "Allow dotted quad       ")       \
  FLAG(AllowLocalhost,        0, "L", 0, "Allow localhost         ")       \
  FLAG(CheckMX,               0, "M", 0, "Check MX record         ")       \
  FLAG(AllowNoReply,          0, "N", 0, "Allow noreply           ")       \
  FLAG(AllowPostmaster,       0, "P", 0, "Allow postmaster        ")       \
  FLAG(AllowQuotedStrings,    0, "Q", 0, "")                               \
  FLAG(DebugMode,             0, "$", 1, "Debug mode              ")

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
  qchar Switch;       // the character after '/', 0 for none
  int ListedWhileOn;
  const qchar* ListLine;  // Printf format of the list line, one "%s" for Yes or No
};

inline constexpr FlagRow FlagRows[] = {
#define FLAG_ROW(field, value, letter, whileOn, label)                                    \
  {&PluginSettingsRecord::field, QT(#field), QT(letter)[0], whileOn, QT(label "/" letter ":%s\r\n")},
    PLUGIN_FLAGS(FLAG_ROW)
#undef FLAG_ROW
};
static_assert(QCOUNT(FlagRows) * sizeof(int32_t) == sizeof(PluginSettingsRecord), "one row per field");

// Each flag by its name (Flag::CheckMX: CheckMX's row), and the orders.
#define FLAG_INDEX(field, ...) field,
namespace Flag {
enum Index { PLUGIN_FLAGS(FLAG_INDEX) };

// The saved flags in the order in which LoadSettings reads them.
inline constexpr Index LoadOrder[] = {
    TwoLetterTLDs,  StripAngleBrackets, StrictCharList,  AllowDottedQuadDomain, AllowNonAscii,     AllowLocalhost,
    CheckMX,        AllowNoReply,       AllowPostmaster, CheckTopLevelDomain,   AllowEscapedChars, AllowQuotedStrings};

// The same flags in the order in which SaveSettings writes them.
inline constexpr Index SaveOrder[] = {
    StripAngleBrackets, TwoLetterTLDs, StrictCharList,  AllowDottedQuadDomain, AllowNonAscii,     AllowLocalhost,
    CheckMX,            AllowNoReply,  AllowPostmaster, CheckTopLevelDomain,   AllowEscapedChars, AllowQuotedStrings};

// The flags with a label, in the order of their lines in the settings list.
inline constexpr Index ListOrder[] = {
    TwoLetterTLDs, StripAngleBrackets, StrictCharList,  AllowNonAscii,       AllowDottedQuadDomain, AllowLocalhost,
    CheckMX,       AllowNoReply,       AllowPostmaster, CheckTopLevelDomain, DebugMode};
}  // namespace Flag
#undef FLAG_INDEX

// The command's switches in the order in which it tests a token against them
// (the first that matches decides): a flag's ("/" and its letter) matches the
// token's first two characters, one of the command's own its whole.
inline constexpr const qchar* SwitchOrder[] = {
    QT("/?"), QT("/??"), QT("/$"), QT("/2"), QT("/B"), QT("/C"), QT("/D"), QT("/E"), QT("/H"), QT("/I"),
    QT("/L"), QT("/M"), QT("/N"), QT("/P"), QT("/Q"), QT("/R"), QT("/S"), QT("/T"), QT("/Z")};

// How often order names the flag; how often SwitchOrder names the switch.
template <size_t N>
constexpr int Times(const Flag::Index (&order)[N], Flag::Index flag, int n = 0) {
  for (Flag::Index f : order) n += f == flag;
  return n;
}
constexpr int SwitchTimes(const qchar* name, int n = 0) {
  for (const qchar* s : SwitchOrder) {
    size_t i = 0;
    while (s[i] && s[i] == name[i]) ++i;
    n += s[i] == name[i];
  }
  return n;
}

// Each flag once in both saved orders or neither, in the others where it has a switch or label.
#define FLAG_CHECK(field, value, letter, whileOn, label)                                              \
  static_assert(Times(Flag::LoadOrder, Flag::field) == Times(Flag::SaveOrder, Flag::field) &&        \
                    Times(Flag::LoadOrder, Flag::field) <= 1,                                         \
                #field ": once in LoadOrder and SaveOrder, or in neither");                           \
  static_assert(sizeof(letter) == 1 || SwitchTimes(QT("/" letter)) == 1, #field ": once in SwitchOrder"); \
  static_assert(Times(Flag::ListOrder, Flag::field) == (sizeof(label) > 1), #field ": once in ListOrder");
PLUGIN_FLAGS(FLAG_CHECK)
#undef FLAG_CHECK

// The key under either root that holds the saved flags.
extern const qchar SettingsKeyPath[];

// Overlays the saved flags from "Software\TavoPlugins\Quorvel" under root, in
// Flag::LoadOrder. Only REG_DWORD values of exactly 4 bytes are taken over
// (nonzero is on); shorter or longer ones and other types are passed over.
// Returns 0 when at least one value was taken over, 1 when the key cannot be
// opened, 2 when it was opened but no value was taken over. Prints nothing.
int LoadSettings(QHandle root);

// Writes the saved flags under the current user's key, in Flag::SaveOrder.
// Returns 0, or 1 (key not created/opened) or 2 (first value not written;
// nothing written) after printing the error prefix and message on standard
// error. Failures of the later values are not reported.
int SaveSettings(void);

// Sets every flag to its default. Touches neither registry nor output.
void RestoreDefaults(void);
