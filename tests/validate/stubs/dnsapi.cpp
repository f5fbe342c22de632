// Stand-in dnsapi.dll: DnsQuery_W answers MX queries from a zone held in
// memory; DnsFree releases the lists it handed out and counts misuse.
#define STUB_NET_BUILD
#include <windows.h>
#include <windns.h>

#include "stub_net.h"

namespace {

struct ZoneRecord {
  WCHAR Name[256];
  WORD Type;
  WCHAR Data[256];
  BOOL HasData;
  DWORD Section;
};

ZoneRecord g_zone[64];
int g_zoneCount;
LONG g_status;
BOOL g_statusSet;
StubDnsQueryInfo g_info;
int g_live;
int g_badFrees;

// One allocated record of a list handed out: the record and the strings it
// points to.
struct AnswerRecord {
  DNS_RECORDW Record;
  WCHAR Name[256];
  WCHAR Data[256];
  AnswerRecord* Magic;  // points to itself while handed out
};

WCHAR Fold(WCHAR c) { return (c >= L'a' && c <= L'z') ? c - 32 : c; }

bool SameName(LPCWSTR a, LPCWSTR b) {
  while (*a && Fold(*a) == Fold(*b)) { ++a; ++b; }
  return Fold(*a) == Fold(*b);
}

void CopyText(WCHAR* dst, int cap, LPCWSTR src) {
  int n = 0;
  if (src)
    while (n + 1 < cap && src[n]) { dst[n] = src[n]; ++n; }
  dst[n] = 0;
}

}  // namespace

STUB_API void __cdecl StubDnsReset(void) {
  g_zoneCount = 0;
  g_status = 0;
  g_statusSet = FALSE;
  g_info = StubDnsQueryInfo();
  g_live = 0;
  g_badFrees = 0;
}

STUB_API void __cdecl StubDnsAddRecord(LPCWSTR name, WORD type, LPCWSTR data, DWORD section) {
  if (g_zoneCount >= (int)(sizeof g_zone / sizeof g_zone[0])) return;
  ZoneRecord& z = g_zone[g_zoneCount++];
  CopyText(z.Name, 256, name);
  z.Type = type;
  z.HasData = data != nullptr;
  CopyText(z.Data, 256, data);
  z.Section = section;
}

STUB_API void __cdecl StubDnsAdd(LPCWSTR name, WORD type, LPCWSTR data) {
  StubDnsAddRecord(name, type, data, DNSREC_ANSWER);
}

STUB_API void __cdecl StubDnsSetStatus(LONG status) {
  g_status = status;
  g_statusSet = TRUE;
}
STUB_API const StubDnsQueryInfo* __cdecl StubDnsQueries(void) { return &g_info; }
STUB_API int __cdecl StubDnsLiveLists(void) { return g_live; }
STUB_API int __cdecl StubDnsBadFrees(void) { return g_badFrees; }

extern "C" __declspec(dllexport) DNS_STATUS WINAPI DnsQuery_W(PCWSTR name, WORD type, DWORD options,
                                                              PIP4_ARRAY servers,
                                                              PDNS_RECORD* results, PVOID* reserved) {
  g_info.Count++;
  CopyText(g_info.Name, 512, name);
  g_info.Type = type;
  g_info.Options = options;
  g_info.HadServerList = servers != nullptr;
  g_info.HadReserved = reserved != nullptr;
  g_info.HadResultPlace = results != nullptr;
  if (!results) return ERROR_INVALID_PARAMETER;
  *results = nullptr;

  AnswerRecord* first = nullptr;
  AnswerRecord* last = nullptr;
  for (int i = 0; i < g_zoneCount; ++i) {
    const ZoneRecord& z = g_zone[i];
    if (!name || !(SameName(z.Name, name) || SameName(z.Name, L"*"))) continue;
    auto* a = static_cast<AnswerRecord*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(AnswerRecord)));
    CopyText(a->Name, 256, z.Name);
    CopyText(a->Data, 256, z.Data);
    a->Magic = a;
    DNS_RECORDW& r = a->Record;
    r.pName = a->Name;
    r.wType = z.Type;
    r.dwTtl = 3600;
    r.Flags.S.Section = z.Section;
    if (z.Type == DNS_TYPE_MX) {
      r.wDataLength = sizeof(DNS_MX_DATAW);
      r.Data.MX.pNameExchange = z.HasData ? a->Data : nullptr;
      r.Data.MX.wPreference = 10;
    } else if (z.Type == DNS_TYPE_CNAME) {
      r.wDataLength = sizeof(DNS_PTR_DATAW);
      r.Data.CNAME.pNameHost = a->Data;
    } else if (z.Type == DNS_TYPE_SOA) {
      r.wDataLength = sizeof(DNS_SOA_DATAW);
      r.Data.SOA.pNamePrimaryServer = a->Data;
      r.Data.SOA.pNameAdministrator = a->Data;
    }
    if (last) last->Record.pNext = &a->Record;
    else first = a;
    last = a;
  }
  if (!first) return g_statusSet ? g_status : DNS_ERROR_RCODE_NAME_ERROR;
  g_live++;
  *results = reinterpret_cast<PDNS_RECORD>(&first->Record);
  return g_status;
}

extern "C" __declspec(dllexport) VOID WINAPI DnsFree(PVOID data, DNS_FREE_TYPE type) {
  auto* a = static_cast<AnswerRecord*>(data);  // the record is the first member
  if (!a || type != DnsFreeRecordList || a->Magic != a) {
    g_badFrees++;
    return;
  }
  g_live--;
  while (a) {
    AnswerRecord* next = reinterpret_cast<AnswerRecord*>(a->Record.pNext);
    a->Magic = nullptr;
    HeapFree(GetProcessHeap(), 0, a);
    a = next;
  }
}
