// The white-box settings tests start and end alike: no saved settings, the
// flags at their load values, the real platform table, not inside a batch
// file. Tests that replace registry calls do so after SetUp.
#pragma once

#include "platform/host.h"
#include "platform/os_win.h"
#include "settings/settings.h"
#include "support/plugin_fixture.h"

class SettingsFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearSavedSettings();
    RestoreDefaults();
    OsWin = OsWinDefaults;
    HostSetVariable(L"_batch", L"0");
  }
  void TearDown() override {
    OsWin = OsWinDefaults;
    ClearSavedSettings();
    RestoreDefaults();
    HostSetVariable(L"_batch", nullptr);
  }
};
