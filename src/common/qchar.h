// Wide characters and calling conventions shared by every module.
//
// The plug-in speaks UTF-16 at every boundary. On Windows that is wchar_t;
// the platform-free code is also compiled natively (Linux), where wchar_t is
// 32 bits wide, so it uses char16_t there. Code that must build both ways
// writes `qchar` and QT("...") instead of wchar_t and L"...".
#pragma once

#include <stdint.h>
#include <stddef.h>

#ifdef _WIN32
typedef wchar_t qchar;
#define QT(s) L##s
#define QAPI __stdcall
#define QCDECL __cdecl
#else
typedef char16_t qchar;
#define QT(s) u##s
#define QAPI
#define QCDECL
#endif

// An opaque system handle (a Windows HANDLE or HKEY).
typedef void* QHandle;

#define QCOUNT(a) (sizeof(a) / sizeof((a)[0]))
