#include "platform/os_dns.h"
#include "platform/os_dns_win.h"

#include "common/qstr.h"

const OsDnsWinCalls OsDnsWinDefaults = {
    ::LoadLibraryExW, ::GetProcAddress, nullptr, nullptr, nullptr,
};

OsDnsWinCalls OsDnsWin = OsDnsWinDefaults;

static_assert(OS_DNS_NAME_ERROR == DNS_ERROR_RCODE_NAME_ERROR && OS_DNS_NO_RECORDS == DNS_INFO_NO_RECORDS,
              "the resolver's status values");

// The outcome of the one load per process: null when the three functions are
// in the table, else what could not be had.
static INIT_ONCE g_netOnce = INIT_ONCE_STATIC_INIT;
static const qchar* g_netMissing;

// Loads library from the system folder by its full path, which every Windows
// version takes and which names no other folder; the libraries it depends on
// are looked for in the system folder first (LOAD_WITH_ALTERED_SEARCH_PATH,
// also known to every version), not in the host's. Null when it cannot.
static HMODULE LoadSystemLibrary(const wchar_t* library) {
  wchar_t path[MAX_PATH];
  // The system's own call, not the table's: the tests of the real library
  // point it at the folder of their stand-ins.
  UINT n = GetSystemDirectoryW(path, MAX_PATH);
  if (!n || n >= MAX_PATH) return nullptr;
  QStrAppend(path, MAX_PATH, QT("\\"));
  if (QStrAppend(path, MAX_PATH, library) != n + 1 + QStrLen(library)) return nullptr;  // cut short
  return OsDnsWin.LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// Finds name in module (null when the library could not be loaded) and
// stores it in *slot. Null on success, else the reason given.
template <typename F>
static const qchar* Find(HMODULE module, F* slot, const char* name, const qchar* noLibrary,
                         const qchar* noFunction) {
  if (!module) return noLibrary;
  FARPROC p = OsDnsWin.GetProcAddress(module, name);
  if (!p) return noFunction;
  *slot = reinterpret_cast<F>(reinterpret_cast<void (*)(void)>(p));
  return nullptr;
}

// The one load: WinINet, then the DNS client, each loaded once and never
// released (the libraries stay for the life of the process).
static BOOL CALLBACK LoadNet(PINIT_ONCE, PVOID, PVOID*) {
  g_netMissing = Find(LoadSystemLibrary(L"wininet.dll"), &OsDnsWin.InternetGetConnectedState,
                      "InternetGetConnectedState", QT("wininet.dll cannot be loaded"),
                      QT("wininet.dll has no InternetGetConnectedState"));
  if (g_netMissing) return TRUE;
  HMODULE dns = LoadSystemLibrary(L"dnsapi.dll");
  g_netMissing = Find(dns, &OsDnsWin.DnsQuery_W, "DnsQuery_W", QT("dnsapi.dll cannot be loaded"),
                      QT("dnsapi.dll has no DnsQuery_W"));
  if (!g_netMissing)
    g_netMissing = Find(dns, &OsDnsWin.DnsFree, "DnsFree", QT("dnsapi.dll cannot be loaded"),
                        QT("dnsapi.dll has no DnsFree"));
  return TRUE;
}

const qchar* OsNetLoad(void) {
  InitOnceExecuteOnce(&g_netOnce, LoadNet, nullptr, nullptr);
  return g_netMissing;
}

void OsNetForget(void) {
  InitOnceInitialize(&g_netOnce);
  g_netMissing = nullptr;
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
