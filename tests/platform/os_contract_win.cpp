// The contract cases' world under Wine: the real registry and the test
// program's own module.
#include <windows.h>

#include "os_contract.h"

void ContractReset() {
  RegDeleteTreeW(HKEY_CURRENT_USER, CONTRACT_KEY);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, CONTRACT_KEY);
}

QHandle ContractModule(QString* path) {
  HMODULE module = GetModuleHandleW(nullptr);
  wchar_t buffer[MAX_PATH];
  DWORD n = GetModuleFileNameW(module, buffer, MAX_PATH);
  path->assign(buffer, n < MAX_PATH ? n : 0);
  return module;
}
