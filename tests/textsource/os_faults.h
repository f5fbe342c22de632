// Counting and failing stand-ins for every entry of the reader's platform
// table (OsText, as OS_TEXT_WIN_CALLS lists them): every use is counted, and
// every block, handle and view the reader holds; any one call can be made to
// fail at its n-th use with FaultError(call). A failing use returns zero, all
// bits set (CreateFileW, GetStdHandle, SetFilePointer), no bytes done
// (ReadFile, WriteFile) or rubbish (GetFileInformationByHandle); one that
// gives something back (Free, UnmapViewOfFile, CloseHandle, DeleteFileW,
// GlobalUnlock, CloseClipboard) still does so: the reader can do no more.
#pragma once

#include <windows.h>

#include <string>

#include "platform/os_textsource_win.h"

#define OS_FAULT_CALL(type, name, parameters) kFault##name,
enum FaultCall { OS_TEXT_WIN_CALLS(OS_FAULT_CALL) kFaultCallCount };
#undef OS_FAULT_CALL
const char* FaultCallName(int call);
// The error a failing use of call sets (0 for Alloc: the heap sets none).
DWORD FaultError(int call);

// Puts the counting stand-ins into OsText and resets every count and fault.
void InstallFaultCalls();
// Puts the real functions back.
void RemoveFaultCalls();
// Makes call fail at its n-th use (1-based); n 0 clears it.
void SetFault(int call, int n);
// How often call was used since the last reset.
int CallCount(int call);
void ResetCallCounts();

// Blocks, handles (files and mappings) and views the reader holds now.
int LiveBlocks();
int LiveHandles();
int LiveViews();
// Calls of CloseHandle on handles the reader did not make (such as a
// standard-input pipe), and of OpenClipboard without CloseClipboard.
int ForeignCloses();
int OpenClipboards();

// The path of the temporary copy that the reader makes in this process.
std::wstring TemporaryCopyPath();
bool FileExists(const std::wstring& path);
