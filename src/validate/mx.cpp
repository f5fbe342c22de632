#include "validate/mx.h"

#include "common/qstr.h"
#include "platform/os_dns.h"
#include "platform/host.h"
#include "settings/settings.h"
#include "validate/validate.h"

// Judges the exchange host named by the first MX record: -2 for no host
// (null, empty or the root "."), "localhost" in any case of A-Z, or a loopback
// or invalid dotted quad, each also when written fully qualified (with the
// root's trailing dot); else 0.
static int JudgeExchangeHost(const qchar* host) {
  if (!host || !host[0] || (host[0] == '.' && !host[1])) return -2;  // a null MX: no mail
  size_t n = QStrLen(host);
  if (host[n - 1] == '.') --n;  // "localhost." is localhost
  qchar name[MAX_PART_LEN];
  if (n >= QCOUNT(name)) return 0;  // too long for a dotted quad or "localhost"
  QStrCopyLen(name, QCOUNT(name), host, n);
  int cls = CheckForDottedQuad(name, 0);
  if (cls == QUAD_LOOPBACK || cls == QUAD_INVALID) return -2;
  if (QStrEqualNoCase(name, QT("localhost"))) return -2;
  return 0;
}

// The verdict of the resolver's answer: the status decides first, whether a
// list came back or not; only a success is judged by its answer section.
static int JudgeAnswer(long status, QHandle list) {
  // The name does not exist or has no MX record: a negative answer, which may
  // carry the zone's SOA record, but never an MX record to judge.
  if (status == OS_DNS_NAME_ERROR || status == OS_DNS_NO_RECORDS) return -3;
  if (status != 0) {
    // The resolver could not answer: skipped, as without a connection.
    if (PluginSettings.DebugMode) Printf(QT("   * MX check skipped: DNS status %d\r\n"), (int)status);
    return 0;
  }
  unsigned type = OsDnsAnswerType(list);
  if (type == 0) return -3;  // a success with an empty answer section
  return type == OS_DNS_TYPE_MX ? JudgeExchangeHost(OsDnsAnswerMXHost(list)) : 0;
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
  int result = JudgeAnswer(status, list);
  OsDnsFreeList(list);
  return result;
}
