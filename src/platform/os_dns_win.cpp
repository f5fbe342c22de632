#include "platform/os_dns.h"
#include "platform/os_dns_win.h"

const OsDnsWinCalls OsDnsWinDefaults = {
    ::LoadLibraryExW, ::GetProcAddress, ::FreeLibrary, nullptr, nullptr, nullptr,
};

OsDnsWinCalls OsDnsWin = OsDnsWinDefaults;

static_assert(OS_DNS_NAME_ERROR == DNS_ERROR_RCODE_NAME_ERROR && OS_DNS_NO_RECORDS == DNS_INFO_NO_RECORDS,
              "the resolver's status values");

// The libraries loaded by OsNetLoad, until OsNetUnload.
static HMODULE g_wininet, g_dnsapi;

// Finds name in the library (loading it from the system folder into *module
// first when it is not loaded yet) and stores it in *slot. Null on success,
// else the reason given.
template <typename F>
static const qchar* Find(HMODULE* module, const wchar_t* library, F* slot, const char* name,
                         const qchar* noLibrary, const qchar* noFunction) {
  if (*slot) return nullptr;
  if (!*module) *module = OsDnsWin.LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!*module) return noLibrary;
  FARPROC p = OsDnsWin.GetProcAddress(*module, name);
  if (!p) return noFunction;
  *slot = reinterpret_cast<F>(reinterpret_cast<void (*)(void)>(p));
  return nullptr;
}

const qchar* OsNetLoad(void) {
  const qchar* missing =
      Find(&g_wininet, L"wininet.dll", &OsDnsWin.InternetGetConnectedState, "InternetGetConnectedState",
           QT("wininet.dll cannot be loaded"), QT("wininet.dll has no InternetGetConnectedState"));
  if (!missing)
    missing = Find(&g_dnsapi, L"dnsapi.dll", &OsDnsWin.DnsQuery_W, "DnsQuery_W",
                   QT("dnsapi.dll cannot be loaded"), QT("dnsapi.dll has no DnsQuery_W"));
  if (!missing)
    missing = Find(&g_dnsapi, L"dnsapi.dll", &OsDnsWin.DnsFree, "DnsFree", QT("dnsapi.dll cannot be loaded"),
                   QT("dnsapi.dll has no DnsFree"));
  return missing;
}

void OsNetUnload(void) {
  HMODULE* loaded[] = {&g_dnsapi, &g_wininet};
  for (HMODULE* m : loaded) {
    if (*m) OsDnsWin.FreeLibrary(*m);
    *m = nullptr;
  }
  OsDnsWin.InternetGetConnectedState = nullptr;
  OsDnsWin.DnsQuery_W = nullptr;
  OsDnsWin.DnsFree = nullptr;
}

// The first record of list's answer section, in the wide form whatever
// UNICODE says about DNS_RECORD (DnsQuery_W always fills in wide names); null
// when there is none. Each record's section is in its flags.
static const DNS_RECORDW* FirstAnswer(QHandle list) {
  const DNS_RECORDW* r = (const DNS_RECORDW*)list;
  while (r && r->Flags.S.Section != DNSREC_ANSWER) r = r->pNext;
  return r;
}

int OsNetConnected(void) {
  DWORD flags = 0;  // the kind of connection is not used
  return OsDnsWin.InternetGetConnectedState(&flags, 0) ? 1 : 0;
}

QHandle OsDnsQueryMX(const qchar* name, long* status) {
  PDNS_RECORD list = nullptr;
  *status = OsDnsWin.DnsQuery_W(name, DNS_TYPE_MX, DNS_QUERY_STANDARD, nullptr, &list, nullptr);
  return (QHandle)list;
}

unsigned OsDnsAnswerType(QHandle list) {
  const DNS_RECORDW* r = FirstAnswer(list);
  return r ? r->wType : 0u;
}

const qchar* OsDnsAnswerMXHost(QHandle list) {
  const DNS_RECORDW* r = FirstAnswer(list);
  if (!r || r->wType != DNS_TYPE_MX) return nullptr;
  return r->Data.MX.pNameExchange;
}

void OsDnsFreeList(QHandle list) {
  if (list) OsDnsWin.DnsFree(list, DnsFreeRecordList);
}
