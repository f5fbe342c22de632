#include "platform/host.h"

#include "common/qstr.h"
#include "common/version.h"
#include "platform/os.h"

QHandle ModuleHandle = nullptr;

int ReportErrorPrefix(void) {
  Qprintf(OsStdErrorHandle(), QT("%s plugin: "), PLUGIN_NAME);
  static qchar buffer[8192];
  QStrFillZero(buffer, QCOUNT(buffer), QT("%_batch"));
  ExpandVariables(buffer, 1);
  if (buffer[0] == '0') return 0;
  QStrCopy(buffer, QCOUNT(buffer), QT("%_batchname [%_batchline]  "));
  ExpandVariables(buffer, 1);
  buffer[QCOUNT(buffer) - 1] = 0;
  // Written as text, not as a format: a batch name may hold '%'.
  Qprintf(OsStdErrorHandle(), QT("%s"), buffer);
  return 0;
}
