#include "settings/settings.h"

#include "platform/os.h"
#include "plugin/host.h"
#include "plugin/plugin.h"

PluginSettingsRecord PluginSettings = {
    1,  // TwoLetterTLDs
    1,  // CheckTopLevelDomain
    1,  // CheckDomainChars
    0,  // StripAngleBrackets
    0,  // StrictCharList
    0,  // AllowEscapedChars
    0,  // AllowNonAscii
    0,  // AllowDottedQuadDomain
    0,  // AllowLocalhost
    0,  // CheckMX
    0,  // AllowNoReply
    0,  // AllowPostmaster
    0,  // AllowQuotedStrings
    0,  // DebugMode
};

const qchar SettingsKeyPath[] = QT("Software\\TavoPlugins\\Quorvel");

struct SavedFlag {
  const qchar* Name;
  int32_t* Flag;
};

// The saved flags in the order they are read. Saving writes
// StripAngleBrackets first (only its failure is reported), then the rest in
// this order.
static const SavedFlag LoadOrder[] = {
    {QT("TwoLetterTLDs"), &PluginSettings.TwoLetterTLDs},
    {QT("StripAngleBrackets"), &PluginSettings.StripAngleBrackets},
    {QT("StrictCharList"), &PluginSettings.StrictCharList},
    {QT("AllowDottedQuadDomain"), &PluginSettings.AllowDottedQuadDomain},
    {QT("AllowNonAscii"), &PluginSettings.AllowNonAscii},
    {QT("AllowLocalhost"), &PluginSettings.AllowLocalhost},
    {QT("CheckMX"), &PluginSettings.CheckMX},
    {QT("AllowNoReply"), &PluginSettings.AllowNoReply},
    {QT("AllowPostmaster"), &PluginSettings.AllowPostmaster},
    {QT("CheckTopLevelDomain"), &PluginSettings.CheckTopLevelDomain},
    {QT("AllowEscapedChars"), &PluginSettings.AllowEscapedChars},
    {QT("AllowQuotedStrings"), &PluginSettings.AllowQuotedStrings},
};

int LoadSettings(QHandle root) {
  QHandle key = nullptr;
  if (OsRegOpenRead(root, SettingsKeyPath, &key) != 0) return 1;
  int result = 2;
  for (const SavedFlag& f : LoadOrder) {
    uint32_t data = 0, size = 4, type = 0;
    if (OsRegQuery(key, f.Name, &type, &data, &size) == 0 && type == OS_REG_DWORD && size == 4) {
      *f.Flag = data != 0;
      result = 0;
    }
  }
  OsRegClose(key);
  return result;
}

int SaveSettings(void) {
  QHandle key = nullptr;
  if (OsRegCreateWrite(OS_HKEY_CURRENT_USER, SettingsKeyPath, &key) != 0) {
    ReportErrorPrefix();
    Qprintf(OsStdErrorHandle(), QT("Error opening registry key\r\n"));
    return 1;
  }
  if (OsRegSetDword(key, QT("StripAngleBrackets"), PluginSettings.StripAngleBrackets != 0) != 0) {
    ReportErrorPrefix();
    Qprintf(OsStdErrorHandle(), QT("Error writing to registry\r\n"));
    OsRegClose(key);
    return 2;
  }
  for (const SavedFlag& f : LoadOrder)
    if (f.Flag != &PluginSettings.StripAngleBrackets) OsRegSetDword(key, f.Name, *f.Flag != 0);
  OsRegClose(key);
  return 0;
}

void RestoreDefaults(void) {
  PluginSettings.TwoLetterTLDs = 1;
  PluginSettings.CheckTopLevelDomain = 1;
  PluginSettings.CheckDomainChars = 1;
  PluginSettings.StripAngleBrackets = 0;
  PluginSettings.StrictCharList = 0;
  PluginSettings.AllowEscapedChars = 0;
  PluginSettings.AllowNonAscii = 0;
  PluginSettings.AllowDottedQuadDomain = 0;
  PluginSettings.AllowLocalhost = 0;
  PluginSettings.CheckMX = 0;
  PluginSettings.AllowNoReply = 0;
  PluginSettings.AllowPostmaster = 0;
  PluginSettings.AllowQuotedStrings = 0;
  PluginSettings.DebugMode = 0;
}
