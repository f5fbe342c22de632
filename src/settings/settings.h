// The option flags of the plug-in and their registry persistence.
#pragma once

#include "common/qchar.h"

// Every field holds 0 (off) or 1 (on); readers test for nonzero.
struct PluginSettingsRecord {
  int32_t TwoLetterTLDs;
  int32_t CheckTopLevelDomain;
  int32_t CheckDomainChars;
  int32_t StripAngleBrackets;
  int32_t StrictCharList;
  int32_t AllowEscapedChars;
  int32_t AllowNonAscii;
  int32_t AllowDottedQuadDomain;
  int32_t AllowLocalhost;
  int32_t CheckMX;
  int32_t AllowNoReply;
  int32_t AllowPostmaster;
  int32_t AllowQuotedStrings;
  int32_t DebugMode;
};

// The process-wide flags, holding their values at load until changed.
extern PluginSettingsRecord PluginSettings;

// The values at load, which RestoreDefaults brings back: TwoLetterTLDs,
// CheckTopLevelDomain and CheckDomainChars on, every other flag off.
inline constexpr PluginSettingsRecord DefaultSettings = {1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// A flag that the registry holds: the value's name (the flag's own) and the
// field of the record.
struct SavedFlag {
  const qchar* Name;
  int32_t PluginSettingsRecord::*Field;
};

// The twelve saved flags, in the order LoadSettings reads them. SaveSettings
// writes StripAngleBrackets first, then the others in this order.
// CheckDomainChars and DebugMode are never saved.
inline constexpr SavedFlag SavedFlags[12] = {
    {QT("TwoLetterTLDs"), &PluginSettingsRecord::TwoLetterTLDs},
    {QT("StripAngleBrackets"), &PluginSettingsRecord::StripAngleBrackets},
    {QT("StrictCharList"), &PluginSettingsRecord::StrictCharList},
    {QT("AllowDottedQuadDomain"), &PluginSettingsRecord::AllowDottedQuadDomain},
    {QT("AllowNonAscii"), &PluginSettingsRecord::AllowNonAscii},
    {QT("AllowLocalhost"), &PluginSettingsRecord::AllowLocalhost},
    {QT("CheckMX"), &PluginSettingsRecord::CheckMX},
    {QT("AllowNoReply"), &PluginSettingsRecord::AllowNoReply},
    {QT("AllowPostmaster"), &PluginSettingsRecord::AllowPostmaster},
    {QT("CheckTopLevelDomain"), &PluginSettingsRecord::CheckTopLevelDomain},
    {QT("AllowEscapedChars"), &PluginSettingsRecord::AllowEscapedChars},
    {QT("AllowQuotedStrings"), &PluginSettingsRecord::AllowQuotedStrings},
};

// The key under either root that holds the saved flags.
extern const qchar SettingsKeyPath[];

// Overlays the saved flags from "Software\TavoPlugins\Quorvel" under root.
// Only REG_DWORD values of exactly 4 bytes are taken over (nonzero is on);
// shorter or longer ones and other types are passed over. Returns 0 when at
// least one value was taken over, 1 when the key cannot be opened, 2 when it
// was opened but no value was taken over. Prints nothing.
int LoadSettings(QHandle root);

// Writes the twelve saved flags under the current user's key. Returns 0, or
// 1 (key not created/opened) or 2 (first value not written) after printing the
// error prefix and message on standard error.
int SaveSettings(void);

// Sets every flag to its default. Touches neither registry nor output.
void RestoreDefaults(void);
