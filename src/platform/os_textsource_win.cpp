// The text source reader's platform calls on Windows, each through the
// replaceable table OsText.
#include "platform/os_textsource.h"
#include "platform/os_textsource_win.h"
#include "platform/host.h"
#include "common/syserror.h"

static_assert(SYSERR_NOT_ENOUGH_MEMORY == ERROR_NOT_ENOUGH_MEMORY &&
                  SYSERR_INVALID_PARAMETER == ERROR_INVALID_PARAMETER && SYSERR_FILE_TOO_LARGE == ERROR_FILE_TOO_LARGE,
              "the system's error values");

// The defaults of Alloc and Free: the process heap.
static void* WINAPI Alloc(SIZE_T bytes) { return HeapAlloc(GetProcessHeap(), 0, bytes); }
static void WINAPI Free(void* block) { HeapFree(GetProcessHeap(), 0, block); }

#define OS_TEXT_WIN_DEFAULT(type, name, parameters) ::name,
const OsTextWinCalls OsTextDefaults = {OS_TEXT_WIN_CALLS(OS_TEXT_WIN_DEFAULT)};

OsTextWinCalls OsText = OsTextDefaults;

void* OsTextAlloc(size_t bytes) { return OsText.Alloc(bytes); }

void OsTextFree(void* block) {
  if (block) OsText.Free(block);
}

QHandle OsTextStdHandle(int32_t which) { return OsText.GetStdHandle((DWORD)which); }

int OsTextConsoleMode(QHandle handle, uint32_t* mode) {
  DWORD m = *mode;
  if (!OsText.GetConsoleMode((HANDLE)handle, &m)) return 0;
  *mode = m;
  return 1;
}

void OsTextConsolePrompt(const qchar* text) {
  HANDLE screen = OsText.CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                     nullptr);
  if (screen == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  OsText.WriteConsoleW(screen, text, (DWORD)lstrlenW(text), &written, nullptr);
  OsText.CloseHandle(screen);
}

// The calling thread's last error, or fallback where that is 0: a failure is
// never reported as 0.
static long LastErrorOr(long fallback) {
  long error = (long)GetLastError();
  return error ? error : fallback;
}

static uint64_t Join(DWORD high, DWORD low) { return ((uint64_t)high << 32) | low; }

int OsTextGetFileInfo(QHandle file, OsTextFileInfo* info) {
  BY_HANDLE_FILE_INFORMATION fi;
  ZeroMemory(&fi, sizeof fi);
  int ok = OsText.GetFileInformationByHandle((HANDLE)file, &fi) != 0;
  if (!ok) ZeroMemory(&fi, sizeof fi);
  info->CreationTime = Join(fi.ftCreationTime.dwHighDateTime, fi.ftCreationTime.dwLowDateTime);
  info->LastAccessTime = Join(fi.ftLastAccessTime.dwHighDateTime, fi.ftLastAccessTime.dwLowDateTime);
  info->LastWriteTime = Join(fi.ftLastWriteTime.dwHighDateTime, fi.ftLastWriteTime.dwLowDateTime);
  info->Size = Join(fi.nFileSizeHigh, fi.nFileSizeLow);
  return ok;
}

long OsTextOpenRead(const qchar* path, QHandle* file) {
  HANDLE h = OsText.CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                nullptr);
  *file = h == INVALID_HANDLE_VALUE ? nullptr : (QHandle)h;
  return h == INVALID_HANDLE_VALUE ? LastErrorOr(ERROR_OPEN_FAILED) : (long)GetLastError();
}

long OsTextCreateTemp(const qchar* path, QHandle* file) {
  HANDLE h = OsText.CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  *file = h == INVALID_HANDLE_VALUE ? nullptr : (QHandle)h;
  return h == INVALID_HANDLE_VALUE ? LastErrorOr(ERROR_OPEN_FAILED) : 0;
}

int OsTextRead(QHandle file, void* buffer, uint32_t size, uint32_t* got) {
  DWORD n = 0;
  BOOL ok = OsText.ReadFile((HANDLE)file, buffer, size, &n, nullptr);
  *got = ok ? n : 0;
  return ok != 0;
}

long OsTextWrite(QHandle file, const void* buffer, uint32_t size) {
  DWORD n = 0;
  if (!OsText.WriteFile((HANDLE)file, buffer, size, &n, nullptr)) return LastErrorOr(ERROR_WRITE_FAULT);
  return n == size ? 0 : (long)ERROR_DISK_FULL;
}

void OsTextFlushAndRewind(QHandle file) {
  OsText.FlushFileBuffers((HANDLE)file);
  OsText.SetFilePointer((HANDLE)file, 0, nullptr, FILE_BEGIN);
}

long OsTextCreateMapping(QHandle file, QHandle* mapping) {
  HANDLE m = OsText.CreateFileMappingW((HANDLE)file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  *mapping = (QHandle)m;
  return m ? 0 : LastErrorOr(ERROR_NOT_ENOUGH_MEMORY);
}

long OsTextMapView(QHandle mapping, const void** view) {
  void* v = OsText.MapViewOfFile((HANDLE)mapping, FILE_MAP_READ, 0, 0, 0);
  *view = v;
  return v ? 0 : LastErrorOr(ERROR_NOT_ENOUGH_MEMORY);
}

void OsTextUnmapView(const void* view) { OsText.UnmapViewOfFile(view); }

void OsTextCloseHandle(QHandle handle) { OsText.CloseHandle((HANDLE)handle); }

void OsTextDeleteFile(const qchar* path) { OsText.DeleteFileW(path); }

long OsTextTempPath(qchar* path, size_t cap) {
  if (!path || cap == 0) return ERROR_INVALID_PARAMETER;
  DWORD n = OsText.GetTempPathW((DWORD)cap, path);
  if (n > 0 && n < cap) return 0;
  path[0] = 0;
  return n == 0 ? LastErrorOr(ERROR_PATH_NOT_FOUND) : (long)ERROR_FILENAME_EXCED_RANGE;
}

uint32_t OsTextProcessId(void) { return OsText.GetCurrentProcessId(); }

int OsTextOpenClipboard(void) { return OsText.OpenClipboard(OsText.GetConsoleWindow()) != 0; }

QHandle OsTextClipboardText(void) { return (QHandle)OsText.GetClipboardData(CF_UNICODETEXT); }

const void* OsTextLock(QHandle memory, size_t* bytes) {
  void* p = OsText.GlobalLock((HGLOBAL)memory);
  *bytes = p ? GlobalSize((HGLOBAL)memory) : 0;
  return p;
}

void OsTextUnlock(QHandle memory) { OsText.GlobalUnlock((HGLOBAL)memory); }

void OsTextCloseClipboard(void) { OsText.CloseClipboard(); }

uint32_t OsTextAnsiCodePage(void) { return OsText.GetACP(); }

uint32_t OsTextUserLocale(void) { return OsText.GetUserDefaultLCID(); }

void OsTextTrueName(const qchar* name, qchar* result) { OsText.QueryTrueName(name, result); }
