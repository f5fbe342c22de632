#include "validate/mx.h"

#include "common/qstr.h"
#include "platform/os_dns.h"
#include "platform/host.h"
#include "settings/settings.h"
#include "validate/validate.h"

// Judges the exchange host named by the first MX record: -2 for no host
// (null, empty or the root "."), "localhost" in any case of A-Z, or a loopback
// or invalid dotted quad; else 0.
static int JudgeExchangeHost(const qchar* host) {
  if (!host || !host[0] || (host[0] == '.' && !host[1])) return -2;  // a null MX: no mail
  int cls = CheckForDottedQuad(host, 0);
  if (cls == QUAD_LOOPBACK || cls == QUAD_INVALID) return -2;
  if (QStrEqualNoCase(host, QT("localhost"))) return -2;
  return 0;
}

int GetMXRecord(const qchar* domain) {
  if (!domain || !*domain) return -1;
  if (PluginSettings.DebugMode) Printf(QT("   * GetMXRecord( %s )\r\n"), domain);

  // An ordinary dotted quad has no MX record to look for; loopback quads
  // that got this far are queried as names.
  if (CheckForDottedQuad(domain, 1) == QUAD_ORDINARY) return 0;
  // Without the system's resolver or a connection the test is skipped, not
  // failed.
  const qchar* missing = OsNetLoad();
  if (missing) {
    if (PluginSettings.DebugMode) Printf(QT("   * MX check skipped: %s\r\n"), missing);
    return 0;
  }
  if (!OsNetConnected()) return 0;

  long status = 0;
  QHandle list = OsDnsQueryMX(domain, &status);
  if (!list) {
    // The name does not exist, has no MX record, or the resolver answered
    // success with nothing: a verdict on the name.
    if (status == 0 || status == OS_DNS_NAME_ERROR || status == OS_DNS_NO_RECORDS) return -3;
    // The resolver could not answer: skipped, as without a connection.
    if (PluginSettings.DebugMode) Printf(QT("   * MX check skipped: DNS status %d\r\n"), (int)status);
    return 0;
  }

  int result = 0;
  if (OsDnsFirstType(list) == OS_DNS_TYPE_MX) result = JudgeExchangeHost(OsDnsFirstMXHost(list));
  OsDnsFreeList(list);
  return result;
}
