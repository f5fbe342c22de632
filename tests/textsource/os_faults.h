// Counting and failing stand-ins for the reader's platform table (OsText):
// every allocation, handle and view the reader takes is counted, and any one
// call can be made to fail at its n-th use with a chosen system error.
#pragma once

#include <windows.h>

#include <string>

#include "platform/os_textsource_win.h"

enum FaultCall {
  kFaultAlloc,
  kFaultCreateFile,
  kFaultGetFileInformation,
  kFaultReadFile,
  kFaultWriteFile,
  kFaultCreateMapping,
  kFaultMapView,
  kFaultGetTempPath,
  kFaultOpenClipboard,
  kFaultGetClipboardData,
  kFaultGlobalLock,
  kFaultCallCount
};
const char* FaultCallName(int call);

// Puts the counting stand-ins into OsText and resets every count and fault.
void InstallFaultCalls();
// Puts the real functions back.
void RemoveFaultCalls();
// Makes call fail at its n-th use (1-based) with error; n 0 clears it.
void SetFault(int call, int n, DWORD error);
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
