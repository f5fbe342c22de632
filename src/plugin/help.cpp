#include "plugin/help.h"

#include "common/qstr.h"
#include "platform/os.h"
#include "settings/command.h"

#define HELP_CAPTION QT("Quorvel Plugin Help")
#define USAGE_CAPACITY 1024

// The plug-in's names and their help texts, in the order a name is matched.
struct HelpEntry {
  const qchar* Name;
  const qchar* Text;
};

static const HelpEntry HelpEntries[] = {
    {QT("quorvel"), CommandHelpText},
    {QT("@quorvel"),
     QT("@QUORVEL[address] \r\n\nReturns 0 if address is a valid email address, nonzero  \n")
     QT("if it is not.\n")},
    {QT("@emaildpart"),
     QT("@EMAILDPART[address] \r\n\nReturns the domain part of an email address, or an  \n")
     QT("empty string on any error.\n")},
    {QT("@emaillpart"),
     QT("@EMAILLPART[address] \r\n\nReturns the local part of an email address, or an  \n")
     QT("empty string on any error.\n")},
};

int PluginHelp(const qchar* name) {
  if (!name) return 0;
  for (const HelpEntry& e : HelpEntries) {
    if (QStrEqualNoCase(name, e.Name)) {
      OsMessageBox(e.Text, HELP_CAPTION);  // returns when the user closes it
      return 1;
    }
  }
  return 0;
}

int PluginUsage(const qchar* name, qchar* result) {
  if (!name || !result || !QStrEqualNoCase(name, QT("quorvel"))) return 0;
  // The usage text is the help text from its syntax line on: past the first
  // line feed and the line feeds right after it.
  const qchar* p = CommandHelpText;
  while (*p && *p != '\n') ++p;
  while (*p == '\n') ++p;
  QStrCopy(result, USAGE_CAPACITY, p);
  return 1;
}
