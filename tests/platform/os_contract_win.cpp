// The contract cases' world under Wine: the real registry and the test
// program's own module.
#include <windows.h>

#include <gtest/gtest.h>

#include "os_contract.h"

// The stack guard of the plug-in's code, set by the platform layer.
extern "C" uintptr_t __stack_chk_guard;

// Seeded among the static constructors, before any protected function ran:
// no longer the value the image carries.
TEST(StackGuard, SeededAtStartUp) {
  EXPECT_NE(__stack_chk_guard, (uintptr_t)0x2B992DDFA232ull);
  EXPECT_NE(__stack_chk_guard, (uintptr_t)0);
}

void ContractReset() {
  RegDeleteTreeW(HKEY_CURRENT_USER, CONTRACT_KEY);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, CONTRACT_KEY);
  for (int which : {0, 1}) DeleteFileW(ContractFile(which).c_str());
}

QHandle ContractModule(QString* path) {
  HMODULE module = GetModuleHandleW(nullptr);
  wchar_t buffer[MAX_PATH];
  DWORD n = GetModuleFileNameW(module, buffer, MAX_PATH);
  path->assign(buffer, n < MAX_PATH ? n : 0);
  return module;
}

QString ContractFile(int which) {
  wchar_t folder[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, folder);
  return QString(folder) + (which ? L"quorvel-contract-1.tmp" : L"quorvel-contract-0.txt");
}

void ContractWriteFile(const QString& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD n = 0;
  WriteFile(h, bytes.data(), (DWORD)bytes.size(), &n, nullptr);
  CloseHandle(h);
}
