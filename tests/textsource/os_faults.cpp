#include "os_faults.h"

#include <set>

namespace {

int counts[kFaultCallCount];
int failAt[kFaultCallCount];
std::set<const void*> handles;
std::set<const void*> views;
int blocks, foreignCloses, clipboards;
// What the stand-ins run: inner on a use that succeeds (the real function, or
// one that also counts what the reader takes and gives back), failing on a
// use that fails (with its error set).
OsTextWinCalls inner, failing;

// Counts one use of call; true when this use is to fail (the error is set).
bool Fails(int call) {
  ++counts[call];
  if (failAt[call] != counts[call]) return false;
  SetLastError(FaultError(call));
  return true;
}

// The stand-ins of one entry (member) of the table, whose uses count as call.
template <int call, auto member> struct StandIn;
template <int call, typename R, typename... A, R(WINAPI* OsTextWinCalls::*member)(A...)>
struct StandIn<call, member> {
  // The entry of OsText: counts the use and runs inner's entry or failing's.
  static R WINAPI Use(A... a) { return ((Fails(call) ? failing : inner).*member)(a...); }
  // Fails with zero (null, FALSE), doing nothing.
  static R WINAPI Zero(A...) { return R(); }
  // Fails with all bits set (INVALID_HANDLE_VALUE, INVALID_SET_FILE_POINTER), doing nothing.
  static R WINAPI AllBits(A...) { return (R)(intptr_t)-1; }
  // Gives back what it was given all the same, and fails with zero.
  static R WINAPI GivesBack(A... a) {
    (inner.*member)(a...);
    SetLastError(FaultError(call));
    return R();
  }
  // inner's entry of a call whose result the reader holds (a handle, a view):
  // the real call, with the result kept in held.
  template <std::set<const void*>& held>
  static R WINAPI Keeps(A... a) {
    R r = (OsTextDefaults.*member)(a...);
    if (r && r != INVALID_HANDLE_VALUE) held.insert(r);
    return r;
  }
};
#define STAND_IN(name) StandIn<kFault##name, &OsTextWinCalls::name>

// A failing read or write: nothing done.
template <typename Buffer>
BOOL WINAPI NothingDone(HANDLE, Buffer, DWORD, LPDWORD done, LPOVERLAPPED) {
  *done = 0;
  return FALSE;
}
// A failing GetFileInformationByHandle, which may leave rubbish behind.
BOOL WINAPI LeavesRubbish(HANDLE, LPBY_HANDLE_FILE_INFORMATION info) {
  memset(info, 0x5A, sizeof *info);
  return FALSE;
}

// inner's other entries that count what the reader takes and gives back.
void* WINAPI Alloc(SIZE_T bytes) {
  void* p = OsTextDefaults.Alloc(bytes);
  if (p) ++blocks;
  return p;
}
void WINAPI Free(void* block) {
  --blocks;
  OsTextDefaults.Free(block);
}
BOOL WINAPI UnmapViewOfFile_(LPCVOID v) {
  views.erase(v);
  return OsTextDefaults.UnmapViewOfFile(v);
}
BOOL WINAPI CloseHandle_(HANDLE h) {
  if (!handles.erase(h)) ++foreignCloses;
  return OsTextDefaults.CloseHandle(h);
}
BOOL WINAPI OpenClipboard_(HWND owner) {
  BOOL ok = OsTextDefaults.OpenClipboard(owner);
  if (ok) ++clipboards;
  return ok;
}
BOOL WINAPI CloseClipboard_(void) {
  --clipboards;
  return OsTextDefaults.CloseClipboard();
}

}  // namespace

const char* FaultCallName(int call) {
#define OS_FAULT_NAME(type, name, parameters) #name,
  static const char* const names[kFaultCallCount] = {OS_TEXT_WIN_CALLS(OS_FAULT_NAME)};
#undef OS_FAULT_NAME
  return call >= 0 && call < kFaultCallCount ? names[call] : "?";
}

DWORD FaultError(int call) {
  switch (call) {
    case kFaultAlloc: return 0;
    case kFaultCreateFileW: case kFaultOpenClipboard: return ERROR_ACCESS_DENIED;
    case kFaultGetFileInformationByHandle: return ERROR_INVALID_FUNCTION;
    case kFaultReadFile: return ERROR_BROKEN_PIPE;
    case kFaultWriteFile: return ERROR_DISK_FULL;
    case kFaultCreateFileMappingW: return ERROR_FILE_INVALID;
    case kFaultMapViewOfFile: return ERROR_NOT_ENOUGH_MEMORY;
    case kFaultGetTempPathW: return ERROR_INVALID_PARAMETER;
    case kFaultGetClipboardData: return ERROR_CLIPBOARD_NOT_OPEN;
    default: return ERROR_INVALID_HANDLE;
  }
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
#define OS_FAULT_STAND_IN(type, name, parameters) \
  OsText.name = STAND_IN(name)::Use;              \
  failing.name = STAND_IN(name)::Zero;
  OS_TEXT_WIN_CALLS(OS_FAULT_STAND_IN)
#undef OS_FAULT_STAND_IN
  failing.GetStdHandle = STAND_IN(GetStdHandle)::AllBits;
  failing.CreateFileW = STAND_IN(CreateFileW)::AllBits;
  failing.SetFilePointer = STAND_IN(SetFilePointer)::AllBits;
  failing.ReadFile = NothingDone<LPVOID>;
  failing.WriteFile = NothingDone<LPCVOID>;
  failing.GetFileInformationByHandle = LeavesRubbish;
  failing.Free = STAND_IN(Free)::GivesBack;
  failing.UnmapViewOfFile = STAND_IN(UnmapViewOfFile)::GivesBack;
  failing.CloseHandle = STAND_IN(CloseHandle)::GivesBack;
  failing.DeleteFileW = STAND_IN(DeleteFileW)::GivesBack;
  failing.GlobalUnlock = STAND_IN(GlobalUnlock)::GivesBack;
  failing.CloseClipboard = STAND_IN(CloseClipboard)::GivesBack;
  inner = OsTextDefaults;
  inner.Alloc = Alloc;
  inner.Free = Free;
  inner.CreateFileW = STAND_IN(CreateFileW)::Keeps<handles>;
  inner.CreateFileMappingW = STAND_IN(CreateFileMappingW)::Keeps<handles>;
  inner.MapViewOfFile = STAND_IN(MapViewOfFile)::Keeps<views>;
  inner.UnmapViewOfFile = UnmapViewOfFile_;
  inner.CloseHandle = CloseHandle_;
  inner.OpenClipboard = OpenClipboard_;
  inner.CloseClipboard = CloseClipboard_;
}

void RemoveFaultCalls() { OsText = OsTextDefaults; }

void SetFault(int call, int n) { failAt[call] = n; }

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
