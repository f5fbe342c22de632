#include "platform/os.h"
#include "platform/os_win.h"

const OsWinCalls OsWinDefaults = {
    ::RegOpenKeyExW,     ::RegCreateKeyExW, ::RegQueryValueExW,
    ::RegSetValueExW,    ::RegCloseKey,     ::GetStdHandle,
    ::GetModuleFileNameW, ::MessageBoxW,    ::GetForegroundWindow,
};

OsWinCalls OsWin = OsWinDefaults;

QHandle OsStdErrorHandle(void) { return OsWin.GetStdHandle(STD_ERROR_HANDLE); }

long OsRegOpenRead(QHandle root, const qchar* path, QHandle* key) {
  HKEY k = nullptr;
  LONG rc = OsWin.RegOpenKeyExW((HKEY)root, path, 0, KEY_READ, &k);
  *key = rc == ERROR_SUCCESS ? (QHandle)k : nullptr;
  return rc;
}

long OsRegCreateWrite(QHandle root, const qchar* path, QHandle* key) {
  HKEY k = nullptr;
  LONG rc = OsWin.RegCreateKeyExW((HKEY)root, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_WRITE, nullptr, &k, nullptr);
  *key = rc == ERROR_SUCCESS ? (QHandle)k : nullptr;
  return rc;
}

long OsRegQuery(QHandle key, const qchar* name, uint32_t* type, void* data, uint32_t* size) {
  DWORD t = *type, s = *size;
  LONG rc = OsWin.RegQueryValueExW((HKEY)key, name, nullptr, &t, (LPBYTE)data, &s);
  *type = t;
  *size = s;
  return rc;
}

long OsRegSetDword(QHandle key, const qchar* name, uint32_t value) {
  DWORD v = value;
  return OsWin.RegSetValueExW((HKEY)key, name, 0, REG_DWORD, (const BYTE*)&v, sizeof v);
}

void OsRegClose(QHandle key) { OsWin.RegCloseKey((HKEY)key); }

size_t OsModuleFileName(QHandle module, qchar* path, size_t cap) {
  if (!path || cap == 0) return 0;
  DWORD n = OsWin.GetModuleFileNameW((HMODULE)module, path, (DWORD)cap);
  if (n >= cap) n = 0;  // truncated: not a usable path
  path[n] = 0;
  return n;
}

void OsMessageBox(const qchar* text, const qchar* caption) {
  OsWin.MessageBoxW(OsWin.GetForegroundWindow(), text, caption, MB_OK);
}
