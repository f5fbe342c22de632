// Start-up loads the saved options from the current user's key, or from the
// machine's when the user's yields nothing; observed through the validator.
#include "support/plugin_fixture.h"

namespace {

// "<john@example.com>" passes only while StripAngleBrackets is on.
const wchar_t kBracketed[] = L"<john@example.com>";

TEST_F(PluginTest, NoSavedSettingsMeansLoadValues) {
  EXPECT_EQ(Quorvel(L"john@example.de"), L"0");      // TwoLetterTLDs on
  EXPECT_EQ(Quorvel(L"john@example.xyz"), L"1048");  // CheckTopLevelDomain on
  EXPECT_EQ(Quorvel(L"john@ex_ample.com"), L"1053"); // CheckDomainChars on
  EXPECT_EQ(Quorvel(kBracketed), L"1045");            // the rest off
  EXPECT_EQ(Quorvel(L"\"j\"@example.com"), L"1045");
  EXPECT_EQ(Quorvel(L"postmaster@example.com"), L"1046");
}

TEST_F(PluginTest, MachineKeyOnlyWhenUserKeyYieldsNothing) {
  WriteSavedDword(HKEY_LOCAL_MACHINE, L"StripAngleBrackets", 1);
  Reload();  // no user key
  EXPECT_EQ(Quorvel(kBracketed), L"0");

  // A user key whose values are all of the wrong type yields nothing.
  WriteSavedValue(HKEY_CURRENT_USER, L"StripAngleBrackets", REG_SZ, L"0", 4);
  WriteSavedValue(HKEY_CURRENT_USER, L"CheckTopLevelDomain", REG_SZ, L"0", 4);
  Reload();
  EXPECT_EQ(Quorvel(kBracketed), L"0");
  EXPECT_EQ(Quorvel(L"john@example.xyz"), L"1048");

  // One usable value keeps the machine's key from being read at all.
  WriteSavedDword(HKEY_CURRENT_USER, L"AllowPostmaster", 1);
  Reload();
  EXPECT_EQ(Quorvel(kBracketed), L"1045");
  EXPECT_EQ(Quorvel(L"postmaster@example.com"), L"0");
}

TEST_F(PluginTest, SavedValuesOfEveryShape) {
  DWORD seven = 7;
  unsigned long long wide = 1;
  WriteSavedValue(HKEY_CURRENT_USER, L"StripAngleBrackets", REG_DWORD, &seven, 4);
  WriteSavedValue(HKEY_CURRENT_USER, L"AllowPostmaster", REG_DWORD, &wide, 8);  // more than 4 bytes
  WriteSavedValue(HKEY_CURRENT_USER, L"AllowNoReply", REG_BINARY, &seven, 4);
  WriteSavedDword(HKEY_CURRENT_USER, L"TwoLetterTLDs", 0);
  Reload();
  EXPECT_EQ(Quorvel(kBracketed), L"0");                  // 7 means on
  EXPECT_EQ(Quorvel(L"postmaster@example.com"), L"1046"); // ignored
  EXPECT_EQ(Quorvel(L"noreply@example.com"), L"1046");    // ignored
  EXPECT_EQ(Quorvel(L"john@example.de"), L"1048");        // 0 means off
}

// On 64-bit Windows the machine's key is seen through the reader's registry
// view: a 32-bit library reads Software\WOW6432Node\TavoPlugins\Quorvel, a
// 64-bit one Software\TavoPlugins\Quorvel. Both keys are written here as an
// administrator sees them in the 64-bit view.
TEST_F(PluginTest, MachineKeyOfTheLibrarysRegistryView) {
  const wchar_t* ownKey = sizeof(void*) == 4 ? L"Software\\WOW6432Node\\TavoPlugins\\Quorvel"
                                             : L"Software\\TavoPlugins\\Quorvel";
  const wchar_t* otherKey = sizeof(void*) == 4 ? L"Software\\TavoPlugins\\Quorvel"
                                               : L"Software\\WOW6432Node\\TavoPlugins\\Quorvel";
  auto write = [](const wchar_t* path, DWORD value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, L"StripAngleBrackets", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
    RegCloseKey(key);
  };
  write(ownKey, 1);
  write(otherKey, 0);
  Reload();
  EXPECT_EQ(Quorvel(kBracketed), L"0") << "the machine's key of the other view was read";
  for (const wchar_t* path : {ownKey, otherKey}) RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY, 0);
}

}  // namespace
