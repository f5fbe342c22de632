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

// Registry roots, with the values Windows gives HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE: 32-bit values sign-extended to the pointer's width
// (0xFFFFFFFF80000001 in a 64-bit process).
#define OS_HKEY_CURRENT_USER ((QHandle)(intptr_t)(int32_t)0x80000001u)
#define OS_HKEY_LOCAL_MACHINE ((QHandle)(intptr_t)(int32_t)0x80000002u)

// The key under either root that holds the saved flags.
extern const qchar SettingsKeyPath[];

// Overlays the saved flags from "Software\TavoPlugins\Quorvel" under root.
// Returns 0 when at least one value was taken over, 1 when the key cannot be
// opened, 2 when it was opened but no value was taken over. Prints nothing.
int LoadSettings(QHandle root);

// Writes the twelve saved flags under the current user's key. Returns 0, or
// 1 (key not created/opened) or 2 (first value not written) after printing the
// error prefix and message on standard error.
int SaveSettings(void);

// Sets every flag to its default. Touches neither registry nor output.
void RestoreDefaults(void);
