// Stand-in wininet.dll: InternetGetConnectedState reports the connection
// state the test sets.
#define STUB_NET_BUILD
#include "stub_net.h"

// wininet.h declares the function as imported, so its values are repeated.
#define INTERNET_CONNECTION_LAN 0x02
#define INTERNET_CONNECTION_OFFLINE 0x20

static BOOL g_connected = TRUE;
static int g_calls;
static int g_badCalls;

STUB_API void __cdecl StubNetSetConnected(BOOL connected) {
  g_connected = connected;
  g_calls = 0;
  g_badCalls = 0;
}

STUB_API int __cdecl StubNetCalls(void) { return g_calls; }
STUB_API int __cdecl StubNetBadCalls(void) { return g_badCalls; }

extern "C" __declspec(dllexport) BOOL WINAPI InternetGetConnectedState(LPDWORD flags, DWORD reserved) {
  g_calls++;
  if (!flags || reserved != 0) g_badCalls++;
  if (flags) *flags = g_connected ? INTERNET_CONNECTION_LAN : INTERNET_CONNECTION_OFFLINE;
  return g_connected;
}
