#include "support/plugin_fixture.h"

#include "common/version.h"

#include <vector>

const wchar_t kSettingsKey[] = L"Software\\TavoPlugins\\Quorvel";

bool LoadPluginExports(PluginExports* p, const wchar_t* path) {
  *p = PluginExports();
  p->Module = LoadLibraryW(path);
  EXPECT_NE(p->Module, nullptr) << "cannot load plug-in, error " << GetLastError();
  if (!p->Module) return false;
  bool ok = true;
  auto find = [&](auto& fn, const char* name) {
    fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(
        reinterpret_cast<void*>(GetProcAddress(p->Module, name)));
    EXPECT_NE(reinterpret_cast<void*>(fn), nullptr) << "missing export " << name;
    ok = ok && fn;
  };
  find(p->GetPluginInfo, "GetPluginInfo");
  find(p->InitializePlugin, "InitializePlugin");
  find(p->ShutdownPlugin, "ShutdownPlugin");
  find(p->Help, "Help");
  find(p->Usage, "Usage");
  find(p->quorvel, "quorvel");
  find(p->f_quorvel, "f_quorvel");
  find(p->f_emaildpart, "f_emaildpart");
  find(p->f_emaillpart, "f_emaillpart");
  return ok;
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring s(path, n);
  return s.substr(0, s.find_last_of(L"\\/") + 1);
}

// GetSystemDirectoryW as it answers for this program's folder.
static UINT WINAPI ProgramFolderAsSystem(LPWSTR buffer, UINT size) {
  std::wstring folder = ProgramFolder();
  folder.pop_back();
  if (size <= folder.size()) return (UINT)folder.size() + 1;
  lstrcpynW(buffer, folder.c_str(), (int)size);
  return (UINT)folder.size();
}

bool UseProgramFolderAsSystemFolder(HMODULE module) {
  auto* base = reinterpret_cast<BYTE*>(module);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); dir.Size && d->Name; d++) {
    if (lstrcmpiA(reinterpret_cast<char*>(base + d->Name), "KERNEL32.dll") != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
    for (; names->u1.AddressOfData; names++, slots++) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (lstrcmpA(reinterpret_cast<char*>(byName->Name), "GetSystemDirectoryW") != 0) continue;
      DWORD old;
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(&ProgramFolderAsSystem);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
      return true;
    }
  }
  return false;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << "cannot write, error " << GetLastError();
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(h, bytes.data(), (DWORD)bytes.size(), &written, nullptr));
  CloseHandle(h);
}

void UnloadPluginExports(PluginExports* p) {
  if (p->Module) FreeLibrary(p->Module);
  *p = PluginExports();
}

void ClearSavedSettings() {
  RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSettingsKey);
}

void WriteSavedValue(HKEY root, const wchar_t* name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(root, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
  RegCloseKey(key);
}

void WriteSavedDword(HKEY root, const wchar_t* name, DWORD value) {
  WriteSavedValue(root, name, REG_DWORD, &value, sizeof value);
}

void PluginTest::SetUp() {
  ClearSavedSettings();
  HostSetVariable(L"_batch", L"0");
  HostSetVariable(L"_batchname", L"");
  HostSetVariable(L"_batchline", L"0");
  Reload();
}

void PluginTest::TearDown() {
  if (plugin_.ShutdownPlugin) plugin_.ShutdownPlugin(TRUE);
  UnloadPluginExports(&plugin_);
  ClearSavedSettings();
  for (const wchar_t* v : {L"_batch", L"_batchname", L"_batchline", L"_transient", L"_pipe"})
    HostSetVariable(v, nullptr);
}

void PluginTest::Reload(const wchar_t* transient, const wchar_t* pipe, std::wstring* out) {
  UnloadPluginExports(&plugin_);
  ASSERT_TRUE(LoadPluginExports(&plugin_, PLUGIN_FILE_NAME));
  HostSetVariable(L"_transient", transient);
  HostSetVariable(L"_pipe", pipe);
  OutputCapture capture;
  plugin_.GetPluginInfo();
  EXPECT_EQ(plugin_.InitializePlugin(), 0);
  if (out) *out = capture.Out();
}

static std::wstring CallFunction(int(WINAPI* fn)(LPWSTR), const std::wstring& arg) {
  std::vector<wchar_t> buffer(8192, L'\0');
  arg.copy(buffer.data(), buffer.size() - 1);
  EXPECT_EQ(fn(buffer.data()), 0);
  return buffer.data();
}

std::wstring PluginTest::Quorvel(const std::wstring& arg) { return CallFunction(plugin_.f_quorvel, arg); }
std::wstring PluginTest::DomainPart(const std::wstring& arg) { return CallFunction(plugin_.f_emaildpart, arg); }
std::wstring PluginTest::LocalPart(const std::wstring& arg) { return CallFunction(plugin_.f_emaillpart, arg); }

int PluginTest::Command(const std::wstring& line, std::wstring* out, std::wstring* err) {
  std::vector<wchar_t> buffer(line.begin(), line.end());
  buffer.push_back(L'\0');
  OutputCapture capture;
  int rc = plugin_.quorvel(buffer.data());
  if (out) *out = capture.Out();
  if (err) *err = capture.Err();
  return rc;
}
