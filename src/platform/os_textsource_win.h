// The Win32 functions behind the text source reader's platform calls, reached
// through a table so that tests can put failing stand-ins in place of single
// calls (memory included). One list, X(return type, name, parameters), makes
// the table's entries, their defaults and the tests' stand-ins; each entry
// starts out holding the function of its name: Win32's, the process heap's
// (Alloc, null when out of memory; Free) or the host's (QueryTrueName, here so
// that tests can choose the true name).
#pragma once

#include <windows.h>

#define OS_TEXT_WIN_CALLS(X)                                                                   \
  X(void*, Alloc, (SIZE_T bytes))                                                              \
  X(void, Free, (void* block))                                                                 \
  X(HANDLE, GetStdHandle, (DWORD))                                                             \
  X(BOOL, GetConsoleMode, (HANDLE, LPDWORD))                                                   \
  X(HWND, GetConsoleWindow, (void))                                                            \
  X(BOOL, WriteConsoleW, (HANDLE, const void*, DWORD, LPDWORD, LPVOID))                        \
  X(HANDLE, CreateFileW, (LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE)) \
  X(BOOL, GetFileInformationByHandle, (HANDLE, LPBY_HANDLE_FILE_INFORMATION))                  \
  X(BOOL, ReadFile, (HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED))                            \
  X(BOOL, WriteFile, (HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED))                          \
  X(BOOL, FlushFileBuffers, (HANDLE))                                                          \
  X(DWORD, SetFilePointer, (HANDLE, LONG, PLONG, DWORD))                                       \
  X(HANDLE, CreateFileMappingW, (HANDLE, LPSECURITY_ATTRIBUTES, DWORD, DWORD, DWORD, LPCWSTR)) \
  X(LPVOID, MapViewOfFile, (HANDLE, DWORD, DWORD, DWORD, SIZE_T))                              \
  X(BOOL, UnmapViewOfFile, (LPCVOID))                                                          \
  X(BOOL, CloseHandle, (HANDLE))                                                               \
  X(BOOL, DeleteFileW, (LPCWSTR))                                                              \
  X(DWORD, GetTempPathW, (DWORD, LPWSTR))                                                      \
  X(DWORD, GetCurrentProcessId, (void))                                                        \
  X(BOOL, OpenClipboard, (HWND))                                                               \
  X(HANDLE, GetClipboardData, (UINT))                                                          \
  X(LPVOID, GlobalLock, (HGLOBAL))                                                             \
  X(BOOL, GlobalUnlock, (HGLOBAL))                                                             \
  X(BOOL, CloseClipboard, (void))                                                              \
  X(UINT, GetACP, (void))                                                                      \
  X(LCID, GetUserDefaultLCID, (void))                                                          \
  X(LPWSTR, QueryTrueName, (LPCWSTR path, LPWSTR result))
#define OS_TEXT_WIN_ENTRY(type, name, parameters) type(WINAPI* name) parameters;
struct OsTextWinCalls { OS_TEXT_WIN_CALLS(OS_TEXT_WIN_ENTRY) };
#undef OS_TEXT_WIN_ENTRY

// The table in use; starts out holding the real functions.
extern OsTextWinCalls OsText;
// The real functions, for putting entries back.
extern const OsTextWinCalls OsTextDefaults;
