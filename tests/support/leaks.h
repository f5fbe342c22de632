// Leak checks that need no help from the code under test.
//
// HandleProbe: the system hands out the lowest free slot of the process's
// handle table (Wine does; GetProcessHandleCount reports 0 there), so a
// probe handle made and closed before some work and made again after it gets
// the same value exactly when the work left no handle behind in a lower
// slot. Registry keys, files and mappings are all such handles. GoogleTest
// takes a handle of its own at the first SCOPED_TRACE of a thread, so the
// probe makes that happen first.
//
// TemporaryCopyExists: the reader's temporary copy of this process.
#pragma once

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

// The value a new handle gets now (made and closed at once).
inline HANDLE NextHandleValue() {
  HANDLE e = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  CloseHandle(e);
  return e;
}

class HandleProbe {
 public:
  HandleProbe() : before_(WarmUp()) {}
  // True when no handle was left open since the probe was made.
  bool NothingLeft() const { return NextHandleValue() == before_; }

 private:
  static HANDLE WarmUp() {
    { SCOPED_TRACE(""); }
    return NextHandleValue();
  }
  HANDLE before_;
};

// True when the reader's temporary copy of this process ("Quorvel-<pid>.tmp"
// in the temporary folder) exists. Other processes' copies are not looked at:
// test programs run side by side.
inline std::wstring TemporaryCopyName() {
  wchar_t folder[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, folder);
  wchar_t name[32];
  wsprintfW(name, L"Quorvel-%04x.tmp", GetCurrentProcessId());
  return std::wstring(folder) + name;
}
inline bool TemporaryCopyExists() {
  return GetFileAttributesW(TemporaryCopyName().c_str()) != INVALID_FILE_ATTRIBUTES;
}
// Wine hands out process ids again soon: a copy of this name that exists
// before this process made one was left by an earlier process.
inline void RemoveStaleTemporaryCopy() { DeleteFileW(TemporaryCopyName().c_str()); }
