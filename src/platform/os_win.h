// The Win32 functions behind the platform layer, reached through a table so
// that tests can put failing stand-ins in place of single calls.
#pragma once

#include <windows.h>

struct OsWinCalls {
  LONG(WINAPI* RegOpenKeyExW)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY);
  LONG(WINAPI* RegCreateKeyExW)(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM,
                                LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD);
  LONG(WINAPI* RegQueryValueExW)(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
  LONG(WINAPI* RegSetValueExW)(HKEY, LPCWSTR, DWORD, DWORD, const BYTE*, DWORD);
  LONG(WINAPI* RegCloseKey)(HKEY);
  HANDLE(WINAPI* GetStdHandle)(DWORD);
  DWORD(WINAPI* GetModuleFileNameW)(HMODULE, LPWSTR, DWORD);
  int(WINAPI* MessageBoxW)(HWND, LPCWSTR, LPCWSTR, UINT);
  HWND(WINAPI* GetForegroundWindow)(void);
};

// The table in use; starts out holding the real functions.
extern OsWinCalls OsWin;
// The real functions, for putting entries back.
extern const OsWinCalls OsWinDefaults;
