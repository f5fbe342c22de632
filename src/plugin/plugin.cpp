#include "plugin/plugin.h"

#include "platform/os.h"
#include "common/qstr.h"
#include "platform/host.h"
#include "settings/settings.h"

PluginInfoRecord PluginInfo;

// Fills the information record (the same values at every call) and returns it.
PluginInfoRecord* PluginGetInfo(void) {
  PluginInfo.Name = PLUGIN_NAME;
  PluginInfo.Author = PLUGIN_AUTHOR;
  PluginInfo.AuthorEmail = QT("quorvel@example.org");
  PluginInfo.WebPage = QT("https://example.org/quorvel");
  PluginInfo.Description = PLUGIN_DESCRIPTION;
  PluginInfo.ImplementedNames = QT("@quorvel,@emaildpart,@emaillpart,quorvel");
  PluginInfo.MajorVersion = PLUGIN_MAJOR;
  PluginInfo.MinorVersion = PLUGIN_MINOR;
  PluginInfo.BuildNumber = PLUGIN_BUILD;
  return &PluginInfo;
}

// Loads the saved settings (current user, else machine) and writes the load
// message unless the host's variables ask for quiet. Always returns 0.
int PluginInitialize(void) {
  qchar buffer[1024];
  QStrFillZero(buffer, QCOUNT(buffer), QT("%[_transient]%[_pipe]%[noloadmsg]"));
  if (LoadSettings(OS_HKEY_CURRENT_USER) != 0) LoadSettings(OS_HKEY_LOCAL_MACHINE);
  ExpandVariables(buffer, 1);
  buffer[QCOUNT(buffer) - 1] = 0;
  if (QStrEqual(buffer, QT("00")))
    Printf(QT("%s v%d.%d.%d loaded.\r\n"), PLUGIN_NAME, PLUGIN_MAJOR, PLUGIN_MINOR, PLUGIN_BUILD);
  return 0;
}
