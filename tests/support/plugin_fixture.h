// Test bed for the plug-in: loads the real library of the build's platform
// (Quorvel-x86.dll or Quorvel-x64.dll) the way a host does, captures what it
// writes through the stand-in host's services, and resets the saved settings
// in the (Wine) registry.
#pragma once

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "takecmd.h"

// The exports of a loaded plug-in, found by their plain names.
struct PluginExports {
  HMODULE Module = nullptr;
  void*(WINAPI* GetPluginInfo)(void) = nullptr;
  int(WINAPI* InitializePlugin)(void) = nullptr;
  int(WINAPI* ShutdownPlugin)(BOOL) = nullptr;
  int(WINAPI* Help)(LPWSTR) = nullptr;
  int(WINAPI* Usage)(LPWSTR, LPWSTR) = nullptr;
  int(WINAPI* quorvel)(LPWSTR) = nullptr;
  int(WINAPI* f_quorvel)(LPWSTR) = nullptr;
  int(WINAPI* f_emaildpart)(LPWSTR) = nullptr;
  int(WINAPI* f_emaillpart)(LPWSTR) = nullptr;
};

// Loads the library at path and looks up every export; false (with a test
// failure) when the library or an export is missing.
bool LoadPluginExports(PluginExports* p, const wchar_t* path);
// Unloads the library, so that the next load starts from its initial state.
void UnloadPluginExports(PluginExports* p);

// The folder of the running test program, with a trailing backslash.
std::wstring ProgramFolder();

// Points module's import of GetSystemDirectoryW at a stand-in that names this
// program's folder, so that the MX rule of the plug-in (or of the core linked
// into the program) loads the stand-in DNS client and WinINet beside the
// program, which the program has loaded already, in place of the system's.
// False when module does not import it from KERNEL32.
bool UseProgramFolderAsSystemFolder(HMODULE module);
// Writes bytes to path, replacing the file (a test failure when it cannot).
void WriteBytes(const std::wstring& path, const std::string& bytes);

// The registry key that holds the saved settings.
extern const wchar_t kSettingsKey[];
// Deletes the saved settings under both roots.
void ClearSavedSettings();
// Writes one value under root's settings key (type and raw bytes as given).
void WriteSavedValue(HKEY root, const wchar_t* name, DWORD type, const void* data, DWORD size);
void WriteSavedDword(HKEY root, const wchar_t* name, DWORD value);

// Captures the host services' output for its lifetime.
class OutputCapture {
 public:
  OutputCapture() { HostCaptureStart(); }
  ~OutputCapture() { HostCaptureStop(); }
  std::wstring Out() const { return HostCapturedOut(); }
  std::wstring Err() const { return HostCapturedErr(); }
};

// Each test gets a freshly loaded plug-in (flags at their load values, no
// saved settings, not inside a batch file) that InitializePlugin has run on
// quietly.
class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Loads the plug-in anew and runs InitializePlugin with the given host
  // variables (_transient and _pipe); output is captured into *out if given.
  void Reload(const wchar_t* transient = L"1", const wchar_t* pipe = L"0",
              std::wstring* out = nullptr);

  // @quorvel, @emaildpart and @emaillpart through their exports, with a host
  // buffer of 8192 units; each returns the text left in the buffer.
  std::wstring Quorvel(const std::wstring& arg);
  std::wstring DomainPart(const std::wstring& arg);
  std::wstring LocalPart(const std::wstring& arg);

  // Runs the command `quorvel` with the argument line; returns its exit code
  // and the captured standard output and error.
  int Command(const std::wstring& line, std::wstring* out = nullptr, std::wstring* err = nullptr);

  PluginExports plugin_;
};
