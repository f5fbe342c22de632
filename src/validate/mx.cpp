#include "validate/mx.h"

#include "common/qstr.h"
#include "platform/os_dns.h"
#include "platform/host.h"
#include "settings/settings.h"
#include "validate/validate.h"

// Judges the exchange host named by the first MX record: -2 for "localhost"
// (exactly, case-sensitive) or a loopback or invalid dotted quad, else 0.
static int JudgeExchangeHost(const qchar* host) {
  int cls = CheckForDottedQuad(host, 0);
  if (cls == QUAD_LOOPBACK || cls == QUAD_INVALID) return -2;
  if (QStrEqual(host, QT("localhost"))) return -2;
  return 0;
}

int GetMXRecord(const qchar* domain) {
  if (!domain || !*domain) return -1;
  if (PluginSettings.DebugMode) Printf(QT("   * GetMXRecord( %s )\r\n"), domain);

  // An ordinary dotted quad has no MX record to look for; loopback quads
  // that got this far are queried as names.
  if (CheckForDottedQuad(domain, 1) == QUAD_ORDINARY) return 0;
  // Without a connection the test is skipped, not failed.
  if (!OsNetConnected()) return 0;

  QHandle list = OsDnsQueryMX(domain);
  if (!list) return -3;

  int result = 0;
  if (OsDnsFirstType(list) == OS_DNS_TYPE_MX) {
    const qchar* host = OsDnsFirstMXHost(list);
    if (host) result = JudgeExchangeHost(host);
  }
  OsDnsFreeList(list);
  return result;
}
