#include "platform/os_dns.h"
#include "platform/os_dns_win.h"

const OsDnsWinCalls OsDnsWinDefaults = {
    ::InternetGetConnectedState,
    ::DnsQuery_W,
    ::DnsFree,
};

OsDnsWinCalls OsDnsWin = OsDnsWinDefaults;

static_assert(OS_DNS_NAME_ERROR == DNS_ERROR_RCODE_NAME_ERROR && OS_DNS_NO_RECORDS == DNS_INFO_NO_RECORDS,
              "the resolver's status values");

// The wide form of the record, whatever UNICODE says about DNS_RECORD:
// DnsQuery_W always fills in wide names.
static const DNS_RECORDW* FirstRecord(QHandle list) { return (const DNS_RECORDW*)list; }

int OsNetConnected(void) {
  DWORD flags = 0;  // the kind of connection is not used
  return OsDnsWin.InternetGetConnectedState(&flags, 0) ? 1 : 0;
}

QHandle OsDnsQueryMX(const qchar* name, long* status) {
  PDNS_RECORD list = nullptr;
  *status = OsDnsWin.DnsQuery_W(name, DNS_TYPE_MX, DNS_QUERY_STANDARD, nullptr, &list, nullptr);
  return (QHandle)list;
}

unsigned OsDnsFirstType(QHandle list) {
  const DNS_RECORDW* r = FirstRecord(list);
  return r ? r->wType : 0u;
}

const qchar* OsDnsFirstMXHost(QHandle list) {
  const DNS_RECORDW* r = FirstRecord(list);
  if (!r || r->wType != DNS_TYPE_MX) return nullptr;
  return r->Data.MX.pNameExchange;
}

void OsDnsFreeList(QHandle list) {
  if (list) OsDnsWin.DnsFree(list, DnsFreeRecordList);
}
