// The library's entry routine: keeps the module handle at process attach and
// does nothing else. Always succeeds.
#include <windows.h>

#include "platform/host.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) ModuleHandle = instance;
  return TRUE;
}
