// The exports the host calls. Each checks its arguments, calls the module that
// does the work and returns; nothing here throws or allocates.
#include "common/syserror.h"
#include "plugin/help.h"
#include "plugin/plugin.h"
#include "settings/command.h"
#include "validate/validate.h"

#define QUORVEL_EXPORT extern "C" __declspec(dllexport)

QUORVEL_EXPORT PluginInfoRecord* QAPI GetPluginInfo(void) { return PluginGetInfo(); }

QUORVEL_EXPORT int QAPI InitializePlugin(void) { return PluginInitialize(); }

QUORVEL_EXPORT int QAPI ShutdownPlugin(int endProcess) { return 0; }

QUORVEL_EXPORT int QAPI Help(qchar* name) { return name ? PluginHelp(name) : 0; }

QUORVEL_EXPORT int QAPI Usage(qchar* name, qchar* result) {
  return (name && result) ? PluginUsage(name, result) : 0;
}

QUORVEL_EXPORT int QAPI quorvel(qchar* line) { return line ? QuorvelCommand(line) : -1; }

QUORVEL_EXPORT int QAPI f_quorvel(qchar* buffer) {
  if (!buffer) return SYSERR_INVALID_PARAMETER;
  FunctionQuorvel(buffer);
  return 0;
}

QUORVEL_EXPORT int QAPI f_emaildpart(qchar* buffer) {
  if (!buffer) return SYSERR_INVALID_PARAMETER;
  FunctionDomainPart(buffer);
  return 0;
}

QUORVEL_EXPORT int QAPI f_emaillpart(qchar* buffer) {
  if (!buffer) return SYSERR_INVALID_PARAMETER;
  FunctionLocalPart(buffer);
  return 0;
}
