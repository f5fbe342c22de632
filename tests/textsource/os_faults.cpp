#include "os_faults.h"

#include <set>

namespace {

int counts[kFaultCallCount];
int failAt[kFaultCallCount];
DWORD failError[kFaultCallCount];
std::set<HANDLE> handles;
std::set<const void*> views;
int blocks, foreignCloses, clipboards;

// Counts one use of call; true when this use is to fail (the error is set).
bool Fails(int call) {
  ++counts[call];
  if (failAt[call] != counts[call]) return false;
  SetLastError(failError[call]);
  return true;
}

void* WINAPI Alloc(SIZE_T bytes) {
  if (Fails(kFaultAlloc)) return nullptr;
  void* p = OsTextDefaults.Alloc(bytes);
  if (p) ++blocks;
  return p;
}
void WINAPI Free(void* block) {
  --blocks;
  OsTextDefaults.Free(block);
}
HANDLE WINAPI CreateFileW_(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                           DWORD disposition, DWORD flags, HANDLE tmpl) {
  if (Fails(kFaultCreateFile)) return INVALID_HANDLE_VALUE;
  HANDLE h = OsTextDefaults.CreateFileW(name, access, share, sa, disposition, flags, tmpl);
  if (h != INVALID_HANDLE_VALUE) handles.insert(h);
  return h;
}
BOOL WINAPI GetFileInformationByHandle_(HANDLE h, LPBY_HANDLE_FILE_INFORMATION info) {
  if (Fails(kFaultGetFileInformation)) {
    memset(info, 0x5A, sizeof *info);  // a failed call may leave rubbish behind
    return FALSE;
  }
  return OsTextDefaults.GetFileInformationByHandle(h, info);
}
BOOL WINAPI ReadFile_(HANDLE h, LPVOID buffer, DWORD size, LPDWORD got, LPOVERLAPPED o) {
  if (Fails(kFaultReadFile)) {
    *got = 0;
    return FALSE;
  }
  return OsTextDefaults.ReadFile(h, buffer, size, got, o);
}
BOOL WINAPI WriteFile_(HANDLE h, LPCVOID buffer, DWORD size, LPDWORD done, LPOVERLAPPED o) {
  if (Fails(kFaultWriteFile)) {
    *done = 0;
    return FALSE;
  }
  return OsTextDefaults.WriteFile(h, buffer, size, done, o);
}
HANDLE WINAPI CreateFileMappingW_(HANDLE file, LPSECURITY_ATTRIBUTES sa, DWORD protect, DWORD high,
                                  DWORD low, LPCWSTR name) {
  if (Fails(kFaultCreateMapping)) return nullptr;
  HANDLE h = OsTextDefaults.CreateFileMappingW(file, sa, protect, high, low, name);
  if (h) handles.insert(h);
  return h;
}
LPVOID WINAPI MapViewOfFile_(HANDLE m, DWORD access, DWORD high, DWORD low, SIZE_T size) {
  if (Fails(kFaultMapView)) return nullptr;
  LPVOID v = OsTextDefaults.MapViewOfFile(m, access, high, low, size);
  if (v) views.insert(v);
  return v;
}
BOOL WINAPI UnmapViewOfFile_(LPCVOID v) {
  views.erase(v);
  return OsTextDefaults.UnmapViewOfFile(v);
}
BOOL WINAPI CloseHandle_(HANDLE h) {
  if (!handles.erase(h)) ++foreignCloses;
  return OsTextDefaults.CloseHandle(h);
}
DWORD WINAPI GetTempPathW_(DWORD size, LPWSTR buffer) {
  if (Fails(kFaultGetTempPath)) return 0;
  return OsTextDefaults.GetTempPathW(size, buffer);
}
BOOL WINAPI OpenClipboard_(HWND owner) {
  if (Fails(kFaultOpenClipboard)) return FALSE;
  BOOL ok = OsTextDefaults.OpenClipboard(owner);
  if (ok) ++clipboards;
  return ok;
}
BOOL WINAPI CloseClipboard_(void) {
  --clipboards;
  return OsTextDefaults.CloseClipboard();
}
HANDLE WINAPI GetClipboardData_(UINT format) {
  if (Fails(kFaultGetClipboardData)) return nullptr;
  return OsTextDefaults.GetClipboardData(format);
}
LPVOID WINAPI GlobalLock_(HGLOBAL memory) {
  if (Fails(kFaultGlobalLock)) return nullptr;
  return OsTextDefaults.GlobalLock(memory);
}

}  // namespace

const char* FaultCallName(int call) {
  static const char* const names[kFaultCallCount] = {
      "Alloc",       "CreateFileW",   "GetFileInformationByHandle", "ReadFile",
      "WriteFile",   "CreateFileMappingW", "MapViewOfFile",         "GetTempPathW",
      "OpenClipboard", "GetClipboardData", "GlobalLock"};
  return call >= 0 && call < kFaultCallCount ? names[call] : "?";
}

void ResetCallCounts() {
  for (int i = 0; i < kFaultCallCount; ++i) counts[i] = 0;
}

void InstallFaultCalls() {
  ResetCallCounts();
  for (int i = 0; i < kFaultCallCount; ++i) failAt[i] = 0;
  handles.clear();
  views.clear();
  blocks = foreignCloses = clipboards = 0;
  OsText = OsTextDefaults;
  OsText.Alloc = Alloc;
  OsText.Free = Free;
  OsText.CreateFileW = CreateFileW_;
  OsText.GetFileInformationByHandle = GetFileInformationByHandle_;
  OsText.ReadFile = ReadFile_;
  OsText.WriteFile = WriteFile_;
  OsText.CreateFileMappingW = CreateFileMappingW_;
  OsText.MapViewOfFile = MapViewOfFile_;
  OsText.UnmapViewOfFile = UnmapViewOfFile_;
  OsText.CloseHandle = CloseHandle_;
  OsText.GetTempPathW = GetTempPathW_;
  OsText.OpenClipboard = OpenClipboard_;
  OsText.CloseClipboard = CloseClipboard_;
  OsText.GetClipboardData = GetClipboardData_;
  OsText.GlobalLock = GlobalLock_;
}

void RemoveFaultCalls() { OsText = OsTextDefaults; }

void SetFault(int call, int n, DWORD error) {
  failAt[call] = n;
  failError[call] = error;
}

int CallCount(int call) { return counts[call]; }
int LiveBlocks() { return blocks; }
int LiveHandles() { return (int)handles.size(); }
int LiveViews() { return (int)views.size(); }
int ForeignCloses() { return foreignCloses; }
int OpenClipboards() { return clipboards; }

std::wstring TemporaryCopyPath() {
  wchar_t folder[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, folder);
  wchar_t name[64];
  wsprintfW(name, L"Quorvel-%04x.tmp", GetCurrentProcessId());
  return std::wstring(folder) + name;
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
