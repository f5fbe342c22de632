// Loading and saving the flags against the real (Wine) registry, with
// failures of single registry calls put in through the platform table.
#include "platform/os_win.h"
#include "plugin/plugin.h"
#include "platform/host.h"
#include "platform/os.h"
#include "settings/settings.h"
#include "settings_fixture.h"
#include "support/options.h"
#include "support/plugin_fixture.h"

namespace {

using SettingsCore = SettingsFixture;

TEST_F(SettingsCore, LoadResults) {
  EXPECT_EQ(LoadSettings(OS_HKEY_CURRENT_USER), 1);
  WriteSavedValue(HKEY_CURRENT_USER, L"CheckMX", REG_SZ, L"1", 4);
  EXPECT_EQ(LoadSettings(OS_HKEY_CURRENT_USER), 2);
  EXPECT_EQ(PluginSettings.CheckMX, 0);

  PluginSettings.StripAngleBrackets = 1;  // not in the key: must survive
  WriteSavedDword(HKEY_CURRENT_USER, L"CheckMX", 1);
  EXPECT_EQ(LoadSettings(OS_HKEY_CURRENT_USER), 0);
  EXPECT_EQ(PluginSettings.CheckMX, 1);
  EXPECT_EQ(PluginSettings.StripAngleBrackets, 1);
  EXPECT_EQ(PluginSettings.TwoLetterTLDs, 1);
}

TEST_F(SettingsCore, SaveWritesTwelveDwords) {
  PluginSettings.DebugMode = 1;
  PluginSettings.AllowQuotedStrings = 1;
  WriteSavedDword(HKEY_CURRENT_USER, L"StrictCharList", 7);
  ASSERT_EQ(LoadSettings(OS_HKEY_CURRENT_USER), 0);
  ASSERT_EQ(SaveSettings(), 0);

  HKEY key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD count = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                   nullptr, nullptr);
  EXPECT_EQ(count, kSavedCount);
  for (const std::wstring name : kLoadOrder) {
    DWORD type = 0, data = 99, size = sizeof data;
    ASSERT_EQ(RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size), ERROR_SUCCESS)
        << name;
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    DWORD expected = (name == L"TwoLetterTLDs" || name == L"CheckTopLevelDomain" ||
                      name == L"AllowQuotedStrings" || name == L"StrictCharList")
                         ? 1 : 0;
    EXPECT_EQ(data, expected) << name;
  }
  RegCloseKey(key);
}

// Counts closes, so that a failing path is seen to release its key.
int g_closes = 0;
LONG WINAPI CountingClose(HKEY key) {
  ++g_closes;
  return OsWinDefaults.RegCloseKey(key);
}
LONG WINAPI FailCreate(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD) {
  return ERROR_ACCESS_DENIED;
}
int g_sets = 0;
LONG WINAPI FailFirstSet(HKEY key, LPCWSTR name, DWORD r, DWORD type, const BYTE* data, DWORD size) {
  if (g_sets++ == 0) return ERROR_ACCESS_DENIED;
  return OsWinDefaults.RegSetValueExW(key, name, r, type, data, size);
}
LONG WINAPI FailLaterSets(HKEY key, LPCWSTR name, DWORD r, DWORD type, const BYTE* data, DWORD size) {
  if (g_sets++ > 0) return ERROR_ACCESS_DENIED;
  return OsWinDefaults.RegSetValueExW(key, name, r, type, data, size);
}
LONG WINAPI FailOpen(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY) { return ERROR_ACCESS_DENIED; }

TEST_F(SettingsCore, SaveFailures) {
  OsWin.RegCloseKey = CountingClose;
  g_closes = 0;
  OsWin.RegCreateKeyExW = FailCreate;
  {
    OutputCapture capture;
    EXPECT_EQ(SaveSettings(), 1);
    EXPECT_EQ(capture.Err(), L"Quorvel plugin: Error opening registry key\r\n");
    EXPECT_EQ(capture.Out(), L"");
  }
  EXPECT_EQ(g_closes, 0);

  OsWin.RegCreateKeyExW = OsWinDefaults.RegCreateKeyExW;
  OsWin.RegSetValueExW = FailFirstSet;
  g_sets = 0;
  {
    OutputCapture capture;
    EXPECT_EQ(SaveSettings(), 2);
    EXPECT_EQ(capture.Err(), L"Quorvel plugin: Error writing to registry\r\n");
  }
  EXPECT_EQ(g_sets, 1);  // nothing written after the first failure
  EXPECT_EQ(g_closes, 1);

  // Failures after the first value are not reported.
  OsWin.RegSetValueExW = FailLaterSets;
  g_sets = 0;
  {
    OutputCapture capture;
    EXPECT_EQ(SaveSettings(), 0);
    EXPECT_EQ(capture.Err(), L"");
  }
  EXPECT_EQ(g_sets, (int)kSavedCount);

  // A key that cannot be opened for reading changes nothing.
  OsWin = OsWinDefaults;
  WriteSavedDword(HKEY_CURRENT_USER, L"CheckMX", 1);
  OsWin.RegOpenKeyExW = FailOpen;
  EXPECT_EQ(LoadSettings(OS_HKEY_CURRENT_USER), 1);
  EXPECT_EQ(PluginSettings.CheckMX, 0);
}

TEST_F(SettingsCore, RestoreDefaultsResetsEveryFlag) {
  memset(&PluginSettings, 0, sizeof PluginSettings);
  RestoreDefaults();
  EXPECT_EQ(PluginSettings.TwoLetterTLDs + PluginSettings.CheckTopLevelDomain + PluginSettings.CheckDomainChars, 3);
  int32_t* flags = &PluginSettings.TwoLetterTLDs;
  int on = 0;
  for (size_t i = 0; i < sizeof PluginSettings / sizeof(int32_t); ++i) on += flags[i];
  EXPECT_EQ(on, 3);
}

// The error prefix names the batch file and line only inside a batch file;
// the name is written as it stands, '%' and all.
TEST_F(SettingsCore, ErrorPrefix) {
  struct {
    const wchar_t *batch, *name, *line, *expected;
  } cases[] = {
      {L"0", L"C:\\x.btm", L"3", L"Quorvel plugin: "},
      {L"1", L"C:\\dir\\x.btm", L"12", L"Quorvel plugin: C:\\dir\\x.btm [12]  "},
      {L"2", L"C:\\100%25%%\\a%b.btm", L"1", L"Quorvel plugin: C:\\100%25%%\\a%b.btm [1]  "},
      {L"", L"C:\\x.btm", L"4", L"Quorvel plugin: C:\\x.btm [4]  "},
      {L"01", L"C:\\x.btm", L"5", L"Quorvel plugin: "},
  };
  for (const auto& c : cases) {
    HostSetVariable(L"_batch", c.batch);
    HostSetVariable(L"_batchname", c.name);
    HostSetVariable(L"_batchline", c.line);
    OutputCapture capture;
    EXPECT_EQ(ReportErrorPrefix(), 0);
    EXPECT_EQ(capture.Err(), c.expected);
    EXPECT_EQ(capture.Out(), L"");
  }
  HostSetVariable(L"_batchname", nullptr);
  HostSetVariable(L"_batchline", nullptr);
}

}  // namespace
