// The Win32 functions behind the network part of the platform layer, reached
// through a table so that tests can put stand-ins in place of single calls.
#pragma once

#include <windows.h>
#include <windns.h>
#include <wininet.h>

struct OsDnsWinCalls {
  BOOL(WINAPI* InternetGetConnectedState)(LPDWORD, DWORD);
  DNS_STATUS(WINAPI* DnsQuery_W)(PCWSTR, WORD, DWORD, PIP4_ARRAY, PDNS_RECORD*, PVOID*);
  VOID(WINAPI* DnsFree)(PVOID, DNS_FREE_TYPE);
};

// The table in use; starts out holding the real functions.
extern OsDnsWinCalls OsDnsWin;
// The real functions, for putting entries back.
extern const OsDnsWinCalls OsDnsWinDefaults;
