#include "settings/settings.h"

#include "platform/os.h"
#include "platform/host.h"

PluginSettingsRecord PluginSettings = DefaultSettings;

const qchar SettingsKeyPath[] = QT("Software\\TavoPlugins\\Quorvel");

int LoadSettings(QHandle root) {
  QHandle key = nullptr;
  if (OsRegOpenRead(root, SettingsKeyPath, &key) != 0) return 1;
  int result = 2;
  for (Flag::Index i : Flag::LoadOrder) {
    uint32_t data = 0, size = 4, type = 0;
    if (OsRegQuery(key, FlagRows[i].Name, &type, &data, &size) == 0 && type == OS_REG_DWORD && size == 4) {
      PluginSettings.*FlagRows[i].Field = data != 0;
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
  // Only the failure of the first value written is reported.
  for (const Flag::Index& i : Flag::SaveOrder) {
    if (OsRegSetDword(key, FlagRows[i].Name, PluginSettings.*FlagRows[i].Field != 0) != 0 &&
        &i == Flag::SaveOrder) {
      ReportErrorPrefix();
      Qprintf(OsStdErrorHandle(), QT("Error writing to registry\r\n"));
      OsRegClose(key);
      return 2;
    }
  }
  OsRegClose(key);
  return 0;
}

void RestoreDefaults(void) { PluginSettings = DefaultSettings; }
