// The stand-in command processor's program: hands its arguments to TakeCmd.dll.
#include <windows.h>
#include <shellapi.h>

#include "takecmd.h"

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  int rc = HostMain(argc, argv);
  LocalFree(argv);
  return rc;
}
