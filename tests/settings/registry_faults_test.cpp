// Registry calls that fail, one value at a time, while the flags are loaded
// and saved against the real (Wine) registry: each failing call changes only
// what it stands for, the results and messages are those of the settings
// layer, and every key that was opened is closed again.
#include <windows.h>

#include <map>
#include <string>
#include <iterator>
#include <vector>

#include "support/leaks.h"
#include "platform/os_win.h"
#include "plugin/plugin.h"
#include "settings/command.h"
#include "platform/os.h"
#include "settings/settings.h"
#include "settings_fixture.h"
#include "support/options.h"
#include "support/plugin_fixture.h"

namespace {

// ---- Counting and failing stand-ins for the registry entries of OsWin ----

std::map<HKEY, HKEY> g_open;  // key opened through the table -> its root
int g_opens, g_closes, g_foreignCloses;
HKEY g_failOpenRoot;           // opening under this root fails
bool g_failCreate;             // creating the key fails
HKEY g_failQueryRoot;          // every query on a key under this root fails
std::wstring g_failQueryName;  // the query of this value fails
std::wstring g_failSetName;    // writing this value fails
int g_sets;
std::vector<std::wstring> g_queried, g_written;  // value names, in the order of the calls

void ResetStandIns() {
  g_open.clear();
  g_opens = g_closes = g_foreignCloses = g_sets = 0;
  g_failOpenRoot = nullptr;
  g_failCreate = false;
  g_failQueryRoot = nullptr;
  g_failQueryName.clear();
  g_failSetName.clear();
  g_queried.clear();
  g_written.clear();
}

LONG WINAPI OpenKey(HKEY root, LPCWSTR path, DWORD options, REGSAM access, PHKEY key) {
  if (root == g_failOpenRoot) return ERROR_ACCESS_DENIED;
  LONG rc = OsWinDefaults.RegOpenKeyExW(root, path, options, access, key);
  if (rc == ERROR_SUCCESS) {
    g_open[*key] = root;
    ++g_opens;
  }
  return rc;
}

LONG WINAPI OpenNothing(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY) { return ERROR_ACCESS_DENIED; }

LONG WINAPI CreateKey(HKEY root, LPCWSTR path, DWORD reserved, LPWSTR cls, DWORD options,
                      REGSAM access, LPSECURITY_ATTRIBUTES sa, PHKEY key, LPDWORD disposition) {
  if (g_failCreate) return ERROR_ACCESS_DENIED;
  LONG rc = OsWinDefaults.RegCreateKeyExW(root, path, reserved, cls, options, access, sa, key,
                                          disposition);
  if (rc == ERROR_SUCCESS) {
    g_open[*key] = root;
    ++g_opens;
  }
  return rc;
}

// A failing query reports an error but leaves a plausible REG_DWORD of
// nonzero rubbish behind: only the result tells it apart from a success.
LONG WINAPI QueryValue(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                       LPDWORD size) {
  g_queried.push_back(name);
  auto it = g_open.find(key);
  bool fail = (it != g_open.end() && it->second == g_failQueryRoot) || g_failQueryName == name;
  if (!fail) return OsWinDefaults.RegQueryValueExW(key, name, reserved, type, data, size);
  if (data && size) memset(data, 0xA5, *size);
  if (type) *type = REG_DWORD;
  return ERROR_ACCESS_DENIED;
}

LONG WINAPI SetValue(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data,
                     DWORD size) {
  ++g_sets;
  g_written.push_back(name);
  if (g_failSetName == name) return ERROR_ACCESS_DENIED;
  return OsWinDefaults.RegSetValueExW(key, name, reserved, type, data, size);
}

LONG WINAPI CloseKey(HKEY key) {
  if (g_open.erase(key)) ++g_closes;
  else ++g_foreignCloses;
  return OsWinDefaults.RegCloseKey(key);
}

// ---- The saved values as they stand in the registry ----

// name -> data of each REG_DWORD value under root's key; false if no key.
bool ReadValues(HKEY root, std::map<std::wstring, DWORD>* values) {
  values->clear();
  HKEY key;
  if (RegOpenKeyExW(root, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameLen = 256, type = 0, data = 0, size = sizeof data;
    if (RegEnumValueW(key, i, name, &nameLen, nullptr, &type, reinterpret_cast<BYTE*>(&data),
                      &size) != ERROR_SUCCESS)
      break;
    (*values)[name] = type == REG_DWORD ? data : 0xDEADu;
  }
  RegCloseKey(key);
  return true;
}

// Every saved value under root set to data.
void WriteAll(HKEY root, DWORD data) {
  for (const wchar_t* name : kLoadOrder) WriteSavedDword(root, name, data);
}

// The fourteen flags, for comparing whole records.
std::vector<int32_t> Flags() {
  const int32_t* first = &PluginSettings.TwoLetterTLDs;
  return std::vector<int32_t>(first, first + sizeof PluginSettings / sizeof(int32_t));
}

class RegistryFaults : public SettingsFixture {
 protected:
  void SetUp() override {
    SettingsFixture::SetUp();
    ResetStandIns();
    OsWin.RegOpenKeyExW = OpenKey;
    OsWin.RegCreateKeyExW = CreateKey;
    OsWin.RegQueryValueExW = QueryValue;
    OsWin.RegSetValueExW = SetValue;
    OsWin.RegCloseKey = CloseKey;
    HostSetVariable(L"_transient", L"1");
  }
  void TearDown() override {
    SettingsFixture::TearDown();
    HostSetVariable(L"_transient", nullptr);
  }
  // Every key opened through the table was closed once, and nothing else.
  void ExpectKeysClosed() {
    EXPECT_TRUE(g_open.empty());
    EXPECT_EQ(g_opens, g_closes);
    EXPECT_EQ(g_foreignCloses, 0);
  }
};

// Each saved value holds the opposite of its flag's default, so every value
// taken over shows; a query that fails keeps its flag alone.
TEST_F(RegistryFaults, QueryFailsForOneValue) {
  for (const wchar_t* name : kLoadOrder) WriteSavedDword(HKEY_CURRENT_USER, name, !kFlags[FlagIndex(name)].Default);
  HandleProbe probe;
  for (const std::wstring failing : kLoadOrder) {
    SCOPED_TRACE(testing::PrintToString(failing));
    RestoreDefaults();
    g_failQueryName = failing;
    OutputCapture capture;
    EXPECT_EQ(LoadSettings(OS_HKEY_CURRENT_USER), 0);
    for (const std::wstring name : kLoadOrder) {
      int32_t def = kFlags[FlagIndex(name)].Default;
      EXPECT_EQ(Flags()[FlagIndex(name)], name == failing ? def : !def) << testing::PrintToString(name);
    }
    EXPECT_EQ(PluginSettings.CheckDomainChars, 1);
    EXPECT_EQ(PluginSettings.DebugMode, 0);
    EXPECT_EQ(capture.Out() + capture.Err(), L"");
  }
  ExpectKeysClosed();
  EXPECT_TRUE(probe.NothingLeft());
}

// A current user's key whose every query fails yields nothing (2, no flag
// changed); start-up then takes the machine's key, and both keys are closed.
TEST_F(RegistryFaults, EveryQueryFailsUnderTheUsersKey) {
  WriteAll(HKEY_CURRENT_USER, 1);
  WriteSavedDword(HKEY_LOCAL_MACHINE, L"StripAngleBrackets", 1);
  g_failQueryRoot = HKEY_CURRENT_USER;
  HandleProbe probe;

  PluginSettings.AllowNoReply = 1;  // not a default: must survive
  std::vector<int32_t> before = Flags();
  EXPECT_EQ(LoadSettings(OS_HKEY_CURRENT_USER), 2);
  EXPECT_EQ(Flags(), before);
  ExpectKeysClosed();

  RestoreDefaults();
  OutputCapture capture;
  EXPECT_EQ(PluginInitialize(), 0);
  EXPECT_EQ(capture.Out() + capture.Err(), L"");
  EXPECT_EQ(g_opens, 3);  // the user's key twice, the machine's once
  EXPECT_EQ(PluginSettings.StripAngleBrackets, 1);  // from the machine's key
  EXPECT_EQ(PluginSettings.AllowPostmaster, 0);     // the user's values never arrived
  ExpectKeysClosed();
  EXPECT_TRUE(probe.NothingLeft());
}

// A user's key that cannot be opened counts as missing: the machine's key
// decides at start-up and for /R. When neither can be opened, /R writes
// nothing, keeps the flags and still applies the explicit values.
TEST_F(RegistryFaults, OpenFails) {
  WriteAll(HKEY_CURRENT_USER, 1);
  WriteSavedDword(HKEY_LOCAL_MACHINE, L"AllowLocalhost", 1);
  HandleProbe probe;
  g_failOpenRoot = HKEY_CURRENT_USER;
  {
    OutputCapture capture;
    EXPECT_EQ(PluginInitialize(), 0);
    EXPECT_EQ(PluginSettings.AllowLocalhost, 1);
    EXPECT_EQ(PluginSettings.AllowPostmaster, 0);
    RestoreDefaults();
    EXPECT_EQ(QuorvelCommand(L"/R /Z"), 0);
    EXPECT_EQ(capture.Out(), L"\r\nSettings restored from registry.\r\n");
    EXPECT_EQ(PluginSettings.AllowLocalhost, 1);
    EXPECT_EQ(PluginSettings.AllowPostmaster, 0);
  }
  ClearSavedSettings();
  WriteAll(HKEY_CURRENT_USER, 1);
  RestoreDefaults();
  OsWin.RegOpenKeyExW = OpenNothing;
  {
    OutputCapture capture;
    EXPECT_EQ(QuorvelCommand(L"/R /B:Y /Z"), 0);
    EXPECT_EQ(capture.Out() + capture.Err(), L"");
  }
  std::vector<int32_t> expected = Flags();
  RestoreDefaults();
  PluginSettings.StripAngleBrackets = 1;
  EXPECT_EQ(expected, Flags());
  ExpectKeysClosed();
  EXPECT_TRUE(probe.NothingLeft());
}

// Writing one value fails: the first value (StripAngleBrackets) makes the save
// fail with nothing written; any other is not reported and only that value
// keeps its old data. The flags in memory never change.
TEST_F(RegistryFaults, SetFailsForOneValue) {
  HandleProbe probe;
  for (const std::wstring failing : kLoadOrder) {
    SCOPED_TRACE(testing::PrintToString(failing));
    bool first = failing == kSaveOrder[0];
    WriteAll(HKEY_CURRENT_USER, 7);  // older data, neither 0 nor 1
    RestoreDefaults();
    PluginSettings.AllowQuotedStrings = 1;
    PluginSettings.DebugMode = 1;
    const std::vector<int32_t> before = Flags();
    g_failSetName = failing;
    g_sets = 0;
    OutputCapture capture;
    EXPECT_EQ(SaveSettings(), first ? 2 : 0);
    EXPECT_EQ(capture.Err(), first ? L"Quorvel plugin: Error writing to registry\r\n" : L"");
    EXPECT_EQ(capture.Out(), L"");
    EXPECT_EQ(g_sets, first ? 1 : (int)kSavedCount);
    EXPECT_EQ(Flags(), before);

    std::map<std::wstring, DWORD> values;
    ASSERT_TRUE(ReadValues(HKEY_CURRENT_USER, &values));
    EXPECT_EQ(values.size(), kSavedCount);
    for (const std::wstring name : kLoadOrder) {
      DWORD expected = (first || name == failing) ? 7u : (DWORD)(before[FlagIndex(name)] != 0);
      EXPECT_EQ(values[name], expected) << testing::PrintToString(name);
    }
  }
  ExpectKeysClosed();
  EXPECT_TRUE(probe.NothingLeft());
}

// The saved values are read and written in their fixed orders.
TEST_F(RegistryFaults, LoadAndSaveOrders) {
  WriteAll(HKEY_CURRENT_USER, 1);
  EXPECT_EQ(LoadSettings(OS_HKEY_CURRENT_USER), 0);
  EXPECT_EQ(g_queried, std::vector<std::wstring>(std::begin(kLoadOrder), std::end(kLoadOrder)));
  EXPECT_EQ(SaveSettings(), 0);
  EXPECT_EQ(g_written, std::vector<std::wstring>(std::begin(kSaveOrder), std::end(kSaveOrder)));
  ExpectKeysClosed();
}

// The key cannot be created: 1 and its message; a key that is there keeps
// its values, a key that is not stays missing; no key is left open.
TEST_F(RegistryFaults, CreateFails) {
  HandleProbe probe;
  g_failCreate = true;
  PluginSettings.StripAngleBrackets = 1;
  const std::vector<int32_t> before = Flags();
  for (bool existing : {false, true}) {
    SCOPED_TRACE(existing ? "key exists" : "no key");
    ClearSavedSettings();
    if (existing) WriteAll(HKEY_CURRENT_USER, 7);
    OutputCapture capture;
    EXPECT_EQ(SaveSettings(), 1);
    EXPECT_EQ(capture.Err(), L"Quorvel plugin: Error opening registry key\r\n");
    EXPECT_EQ(g_sets, 0);
    std::map<std::wstring, DWORD> values;
    EXPECT_EQ(ReadValues(HKEY_CURRENT_USER, &values), existing);
    for (const auto& v : values) EXPECT_EQ(v.second, 7u);
    EXPECT_FALSE(ReadValues(HKEY_LOCAL_MACHINE, &values));  // never written
    EXPECT_EQ(Flags(), before);
  }
  ExpectKeysClosed();
  EXPECT_TRUE(probe.NothingLeft());
}

}  // namespace
