// Stand-in wininet.dll for the benchmark: InternetGetConnectedState always
// reports a LAN connection, so the MX rule goes on to its DNS query.
#include <windows.h>

extern "C" __declspec(dllexport) BOOL WINAPI InternetGetConnectedState(LPDWORD flags, DWORD reserved) {
  if (flags) *flags = 0x02;  // INTERNET_CONNECTION_LAN
  return TRUE;
}
