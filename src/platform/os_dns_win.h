// The Win32 functions behind the network part of the platform layer, reached
// through a table so that tests can put stand-ins in place of single calls.
// WinINet and the DNS client are not imported: OsNetLoad loads them from the
// system folder the first time the MX rule needs them and fills in the three
// entries that come from them. The system folder itself comes from
// GetSystemDirectoryW, called through the import table (which the tests of
// the real library redirect to their stand-ins' folder).
#pragma once

#include <windows.h>
#include <windns.h>
#include <wininet.h>

struct OsDnsWinCalls {
  HMODULE(WINAPI* LoadLibraryExW)(LPCWSTR, HANDLE, DWORD);
  FARPROC(WINAPI* GetProcAddress)(HMODULE, LPCSTR);
  // Null until OsNetLoad finds them (or a test puts stand-ins here).
  BOOL(WINAPI* InternetGetConnectedState)(LPDWORD, DWORD);
  DNS_STATUS(WINAPI* DnsQuery_W)(PCWSTR, WORD, DWORD, PIP4_ARRAY, PDNS_RECORD*, PVOID*);
  VOID(WINAPI* DnsFree)(PVOID, DNS_FREE_TYPE);
};

// The table in use; starts out holding the loader's functions and no network
// functions.
extern OsDnsWinCalls OsDnsWin;
// The starting table, for putting entries back.
extern const OsDnsWinCalls OsDnsWinDefaults;

// For tests: forgets the outcome of OsNetLoad and empties the three network
// entries, so that the next OsNetLoad loads again (through the table as it
// then stands). What was loaded stays loaded.
void OsNetForget(void);
