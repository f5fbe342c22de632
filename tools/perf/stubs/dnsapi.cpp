// Stand-in dnsapi.dll for the benchmark: DnsQuery_W answers every query at
// once with one MX record whose exchange host is "mx." followed by the name,
// so the MX rule passes and its cost is the plug-in's own work plus one
// allocation. DnsFree releases the answer.
#include <windows.h>
#include <windns.h>

namespace {

// One answer: the record and the texts it points to, in one block.
struct Answer {
  DNS_RECORDW Record;
  WCHAR Name[256];
  WCHAR Exchange[260];
};

// Copies src into dst (cap units), cut to fit and terminated.
void CopyText(WCHAR* dst, int cap, LPCWSTR src) {
  int n = 0;
  if (src)
    while (n + 1 < cap && src[n]) { dst[n] = src[n]; ++n; }
  dst[n] = 0;
}

}  // namespace

extern "C" __declspec(dllexport) DNS_STATUS WINAPI DnsQuery_W(PCWSTR name, WORD type, DWORD options,
                                                              PIP4_ARRAY servers, PDNS_RECORD* results,
                                                              PVOID* reserved) {
  if (!results) return ERROR_INVALID_PARAMETER;
  *results = nullptr;
  if (!name || !*name) return DNS_ERROR_RCODE_NAME_ERROR;
  auto* a = static_cast<Answer*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Answer)));
  if (!a) return ERROR_OUTOFMEMORY;
  CopyText(a->Name, 256, name);
  CopyText(a->Exchange, 4, L"mx.");
  CopyText(a->Exchange + 3, 256, name);
  a->Record.pName = a->Name;
  a->Record.wType = DNS_TYPE_MX;
  a->Record.dwTtl = 3600;
  a->Record.wDataLength = sizeof(DNS_MX_DATAW);
  a->Record.Data.MX.pNameExchange = a->Exchange;
  a->Record.Data.MX.wPreference = 10;
  *results = reinterpret_cast<PDNS_RECORD>(&a->Record);
  return ERROR_SUCCESS;
}

extern "C" __declspec(dllexport) VOID WINAPI DnsFree(PVOID data, DNS_FREE_TYPE type) {
  if (data) HeapFree(GetProcessHeap(), 0, data);  // the record is the block's first member
}
