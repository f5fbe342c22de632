// The stand-in TakeCmd.dll: the six host services a plug-in imports and
// hooks for tests (services.cpp), and a small command processor that loads a
// plug-in (processor.h, expand.cpp, batch.cpp, commands.cpp).
#pragma once

#include <windows.h>

#ifdef TAKECMD_BUILD
#define TAKECMD_API extern "C" __declspec(dllexport)
#else
#define TAKECMD_API extern "C" __declspec(dllimport)
#endif

// Host services (the conventions plug-ins rely on).
TAKECMD_API int __cdecl Printf(LPCWSTR format, ...);
TAKECMD_API int __cdecl Qprintf(HANDLE handle, LPCWSTR format, ...);
TAKECMD_API int WINAPI QPuts(LPCWSTR text);
TAKECMD_API int WINAPI CrLf(void);
TAKECMD_API int WINAPI ExpandVariables(LPWSTR buffer, int recurse);
TAKECMD_API LPWSTR WINAPI QueryTrueName(LPCWSTR path, LPWSTR result);

// Sets a host variable (_batch, _batchname, _batchline, _transient, _pipe, ?);
// a null value removes it, so the environment is consulted again.
TAKECMD_API void __cdecl HostSetVariable(LPCWSTR name, LPCWSTR value);

// While capturing, output of the services is kept in memory instead of being
// written: text for the standard-error handle apart from everything else.
// HostCaptureStart clears both texts; HostCaptureStop ends capturing.
TAKECMD_API void __cdecl HostCaptureStart(void);
TAKECMD_API void __cdecl HostCaptureStop(void);
TAKECMD_API LPCWSTR __cdecl HostCapturedOut(void);
TAKECMD_API LPCWSTR __cdecl HostCapturedErr(void);

// Runs the command processor with the program's arguments:
//   [-p PLUGIN] [-c COMMAND ...] [BATCHFILE]
// Returns the process exit code.
TAKECMD_API int __cdecl HostMain(int argc, LPWSTR* argv);

#ifdef TAKECMD_BUILD
#include <string>
// Between the two halves of the library: output through WriteText (a console
// gets wide text, anything else UTF-8, a capturing test the text itself), and
// the expansion of ExpandVariables through the command processor.
void WriteText(HANDLE handle, const std::wstring& text);
std::wstring ExpandText(const std::wstring& text);
#endif
