// Stand-ins for the DNS client (dnsapi.dll) and WinINet (wininet.dll) that the
// MX tests put beside their test program. The DNS stand-in answers from a
// small zone the test fills in; the WinINet stand-in reports whatever
// connection state the test sets. Both count their calls.
#pragma once

#include <windows.h>

#ifdef STUB_NET_BUILD
#define STUB_API extern "C" __declspec(dllexport)
#else
#define STUB_API extern "C" __declspec(dllimport)
#endif

// --- dnsapi.dll ---

// Empties the zone and resets every counter and the forced status.
STUB_API void __cdecl StubDnsReset(void);
// Appends a record of the answer section to the list for name (names match
// ignoring the case of A-Z; the name "*" matches every name). type 15 (MX):
// data is the exchange host, null for none; type 5 (CNAME): data is the alias
// target; type 6 (SOA): data is the primary server; other types carry no data.
STUB_API void __cdecl StubDnsAdd(LPCWSTR name, WORD type, LPCWSTR data);
// The same for a record of any section (DNSREC_ANSWER, DNSREC_AUTHORITY or
// DNSREC_ADDITIONAL), which the record's flags carry. The list holds the
// records in the order they were added.
STUB_API void __cdecl StubDnsAddRecord(LPCWSTR name, WORD type, LPCWSTR data, DWORD section);
// The status DnsQuery_W returns from now on, with a list (when name has
// records) or without one (after a reset: 0 with a list, 9003, no such name,
// without).
STUB_API void __cdecl StubDnsSetStatus(LONG status);

// What DnsQuery_W was asked, last time and in all.
struct StubDnsQueryInfo {
  int Count;            // queries since the last reset
  WCHAR Name[512];      // the name of the last query, as passed
  WORD Type;            // its record type
  DWORD Options;        // its options
  BOOL HadServerList;   // a server list was passed
  BOOL HadReserved;     // a reserved argument was passed
  BOOL HadResultPlace;  // a place for the result list was passed
};
STUB_API const StubDnsQueryInfo* __cdecl StubDnsQueries(void);
// Lists handed out and not yet released with DnsFree(list, DnsFreeRecordList).
STUB_API int __cdecl StubDnsLiveLists(void);
// DnsFree calls with an unknown pointer or another free type.
STUB_API int __cdecl StubDnsBadFrees(void);

// --- wininet.dll ---

// The answer InternetGetConnectedState gives from now on (TRUE at load); also
// resets its counters.
STUB_API void __cdecl StubNetSetConnected(BOOL connected);
// InternetGetConnectedState calls since the last StubNetSetConnected.
STUB_API int __cdecl StubNetCalls(void);
// Calls that passed no place for the flags or a reserved value other than 0.
STUB_API int __cdecl StubNetBadCalls(void);
