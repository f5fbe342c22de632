// The Win32 functions behind the text source reader's platform calls, reached
// through a table so that tests can put failing stand-ins in place of single
// calls (memory included).
#pragma once

#include <windows.h>

struct OsTextWinCalls {
  void*(WINAPI* Alloc)(SIZE_T bytes);  // null when out of memory
  void(WINAPI* Free)(void* block);
  HANDLE(WINAPI* GetStdHandle)(DWORD);
  BOOL(WINAPI* GetConsoleMode)(HANDLE, LPDWORD);
  HWND(WINAPI* GetConsoleWindow)(void);
  BOOL(WINAPI* WriteConsoleW)(HANDLE, const void*, DWORD, LPDWORD, LPVOID);
  HANDLE(WINAPI* CreateFileW)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
  BOOL(WINAPI* GetFileInformationByHandle)(HANDLE, LPBY_HANDLE_FILE_INFORMATION);
  BOOL(WINAPI* ReadFile)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
  BOOL(WINAPI* WriteFile)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
  BOOL(WINAPI* FlushFileBuffers)(HANDLE);
  DWORD(WINAPI* SetFilePointer)(HANDLE, LONG, PLONG, DWORD);
  HANDLE(WINAPI* CreateFileMappingW)(HANDLE, LPSECURITY_ATTRIBUTES, DWORD, DWORD, DWORD, LPCWSTR);
  LPVOID(WINAPI* MapViewOfFile)(HANDLE, DWORD, DWORD, DWORD, SIZE_T);
  BOOL(WINAPI* UnmapViewOfFile)(LPCVOID);
  BOOL(WINAPI* CloseHandle)(HANDLE);
  BOOL(WINAPI* DeleteFileW)(LPCWSTR);
  DWORD(WINAPI* GetTempPathW)(DWORD, LPWSTR);
  DWORD(WINAPI* GetCurrentProcessId)(void);
  BOOL(WINAPI* OpenClipboard)(HWND);
  HANDLE(WINAPI* GetClipboardData)(UINT);
  LPVOID(WINAPI* GlobalLock)(HGLOBAL);
  BOOL(WINAPI* GlobalUnlock)(HGLOBAL);
  BOOL(WINAPI* CloseClipboard)(void);
  UINT(WINAPI* GetACP)(void);
  LCID(WINAPI* GetUserDefaultLCID)(void);
  // The host's service (TakeCmd.dll), here so that tests can choose the true name.
  LPWSTR(WINAPI* QueryTrueName)(LPCWSTR path, LPWSTR result);
};

// The table in use; starts out holding the real functions.
extern OsTextWinCalls OsText;
// The real functions, for putting entries back.
extern const OsTextWinCalls OsTextDefaults;
