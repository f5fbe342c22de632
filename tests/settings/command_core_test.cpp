// The configuration command, white-box: saving that fails (registry calls
// replaced through the platform table) gives exit code 2.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "platform/os_win.h"
#include "settings/command.h"
#include "settings/settings.h"
#include "settings_fixture.h"
#include "support/plugin_fixture.h"

namespace {

LONG WINAPI FailCreateKey(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES,
                          PHKEY key, LPDWORD) {
  *key = nullptr;
  return ERROR_ACCESS_DENIED;
}

LONG WINAPI FailSetValue(HKEY, LPCWSTR, DWORD, DWORD, const BYTE*, DWORD) {
  return ERROR_ACCESS_DENIED;
}

class SaveFailureTest : public SettingsFixture {
 protected:
  int Run(const wchar_t* line, std::wstring* out, std::wstring* err) {
    OutputCapture capture;
    int rc = QuorvelCommand(line);
    *out = capture.Out();
    *err = capture.Err();
    return rc;
  }
};

TEST_F(SaveFailureTest, KeyNotCreated) {
  OsWin.RegCreateKeyExW = FailCreateKey;
  std::wstring out, err;
  EXPECT_EQ(Run(L"/b:y /s", &out, &err), 2);
  // The list was written, the change stays in memory, no save message.
  EXPECT_NE(out.find(L"Strip angle brackets    /B:Yes\r\n"), std::wstring::npos);
  EXPECT_EQ(out.find(L"Settings saved"), std::wstring::npos);
  EXPECT_EQ(err, L"Quorvel plugin: Error opening registry key\r\n");
  EXPECT_EQ(PluginSettings.StripAngleBrackets, 1);
}

TEST_F(SaveFailureTest, FirstValueNotWritten) {
  OsWin.RegSetValueExW = FailSetValue;
  std::wstring out, err;
  EXPECT_EQ(Run(L"/S /Z", &out, &err), 2);
  EXPECT_EQ(out, L"");
  EXPECT_EQ(err, L"Quorvel plugin: Error writing to registry\r\n");
}

}  // namespace
