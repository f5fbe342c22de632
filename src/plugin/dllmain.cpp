// The library's entry routine: keeps the module handle, and when the host
// unloads the library, releases the system libraries the MX rule loaded (not
// at process exit, when they may be gone already). Always succeeds.
#include <windows.h>

#include "platform/host.h"
#include "platform/os_dns.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) ModuleHandle = instance;
  if (reason == DLL_PROCESS_DETACH && !reserved) OsNetUnload();
  return TRUE;
}
