// The configuration command through the real export: listing, switches,
// errors and exit codes, restoring and saving.
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "support/options.h"
#include "support/plugin_fixture.h"

namespace {

// The flags at their defaults, in the record's order.
std::vector<int32_t> DefaultFlags() {
  std::vector<int32_t> flags;
  for (const PinnedFlag& f : kFlags) flags.push_back(f.Default);
  return flags;
}

const std::wstring kDefaultList = SettingsList(DefaultFlags().data());

// The default list with some lines changed (each given as L"/B:Yes" and the
// like) and, when debug is set, the debug line.
std::wstring ListWith(std::initializer_list<const wchar_t*> changes, bool debug = false) {
  std::vector<int32_t> flags = DefaultFlags();
  flags[FlagIndex(L"DebugMode")] = debug;
  std::wstring list = SettingsList(flags.data());
  for (const wchar_t* change : changes) {
    std::wstring c = change;
    size_t at = list.find(c.substr(0, 3));
    size_t end = list.find(L"\r\n", at);
    list.replace(at, end - at, c);
  }
  return list;
}

struct SavedValue {
  DWORD Type;
  DWORD Size;
  DWORD Data;
};

// Every value under the current user's settings key; false when the key is
// missing.
bool ReadSavedValues(std::map<std::wstring, SavedValue>* values) {
  values->clear();
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameLen = 256, type = 0, data = 0, size = sizeof data;
    LONG rc = RegEnumValueW(key, i, name, &nameLen, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    EXPECT_EQ(rc, ERROR_SUCCESS) << "value " << i;
    if (rc != ERROR_SUCCESS) break;
    (*values)[name] = SavedValue{type, size, data};
  }
  RegCloseKey(key);
  return true;
}

class CommandTest : public PluginTest {
 protected:
  // The settings list as the command writes it with no argument.
  std::wstring Listing() {
    std::wstring out, err;
    EXPECT_EQ(Command(L"", &out, &err), 0);
    EXPECT_EQ(err, L"");
    return out;
  }
  // 1 when the list shows the switch (for example L"/B") as Yes, 0 for No,
  // -1 when it is not listed.
  int Listed(const std::wstring& name) {
    std::wstring list = Listing();
    if (list.find(name + L":Yes\r\n") != std::wstring::npos) return 1;
    if (list.find(name + L":No\r\n") != std::wstring::npos) return 0;
    return -1;
  }
  // Runs a line that must fail with exit code 1, nothing on standard output
  // and exactly the given message after the prefix on standard error.
  void ExpectError(const std::wstring& line, const std::wstring& message) {
    std::wstring out, err;
    EXPECT_EQ(Command(line, &out, &err), 1) << line;
    EXPECT_EQ(out, L"") << line;
    EXPECT_EQ(err, L"Quorvel plugin: " + message + L"\r\n") << line;
  }
};

TEST_F(CommandTest, ListsTheSettingsExactly) {
  std::wstring out, err;
  EXPECT_EQ(Command(L"", &out, &err), 0);
  EXPECT_EQ(out, kDefaultList);
  EXPECT_EQ(err, L"");
  // White space only is no argument either.
  EXPECT_EQ(Command(L"  \t ", &out, &err), 0);
  EXPECT_EQ(out, kDefaultList);
}

TEST_F(CommandTest, NullLineAndQuiet) {
  OutputCapture capture;
  EXPECT_EQ(plugin_.quorvel(nullptr), -1);
  EXPECT_EQ(capture.Out() + capture.Err(), L"");

  std::wstring out, err;
  EXPECT_EQ(Command(L"/z", &out, &err), 0);
  EXPECT_EQ(out + err, L"");
}

TEST_F(CommandTest, ValueForms) {
  struct Case {
    const wchar_t* Line;
    int On;
  };
  const Case cases[] = {
      {L"/b:y", 1},     {L"/BY", 1},         {L"/B=1", 1},          {L"/B:0x10", 1},
      {L"/B:yes", 1},   {L"/B:4294967295", 1}, {L"/B:0xFFFFFFFF", 1}, {L"/B:007", 1},
      {L"\"/B:1 \"", 1}, {L"/b:n", 0},        {L"/B:0", 0},          {L"/B:0X0", 0},
      {L"/B:nonsense", 0}, {L"/B=no", 0},     {L"/B:0x00000000", 0},
      // The hexadecimal digits may carry one prefix of their own, as for wcstoul.
      {L"/B:0x0x1", 1},  {L"/B:0X0xa", 1},   {L"/B:0x0X0", 0},
  };
  for (const Case& c : cases) {
    // Start from the opposite value so that every case changes the flag.
    EXPECT_EQ(Command(c.On ? L"/B:N /Z" : L"/B:Y /Z"), 0);
    std::wstring out, err;
    EXPECT_EQ(Command(c.Line, &out, &err), 0) << c.Line;
    EXPECT_EQ(err, L"") << c.Line;
    EXPECT_NE(out.find(c.On ? L"/B:Yes\r\n" : L"/B:No\r\n"), std::wstring::npos) << c.Line;
  }
}

TEST_F(CommandTest, EachSwitchReachesItsFlag) {
  // Every switch of a listed flag turned around at once, written together.
  std::vector<int32_t> flags = DefaultFlags();
  std::wstring line, out;
  for (const auto& l : kListLines) {
    const int i = FlagIndex(l.Name);
    flags[i] = !flags[i];
    line += std::wstring(L"/") + kFlags[i].Letter + (flags[i] ? L":y" : L":n");
  }
  EXPECT_EQ(Command(line, &out), 0);
  EXPECT_EQ(out, SettingsList(flags.data()));
}

TEST_F(CommandTest, ChangesRulesOfTheNextValidation) {
  EXPECT_EQ(Quorvel(L"<a@example.com>"), L"1045");
  EXPECT_EQ(Quorvel(L"postmaster@example.com"), L"1046");
  EXPECT_EQ(Command(L"/b:y /p:y /z"), 0);
  EXPECT_EQ(Quorvel(L"<a@example.com>"), L"0");
  EXPECT_EQ(Quorvel(L"postmaster@example.com"), L"0");

  // /E and /Q are not listed, but they work.
  const wchar_t quoted[] = L"\"ab\"@example.com";
  const wchar_t escaped[] = L"\"a\\\\b\"@example.com";  // "a\\b"@example.com
  EXPECT_EQ(Quorvel(quoted), L"1045");
  std::wstring out;
  EXPECT_EQ(Command(L"/q:y", &out), 0);
  EXPECT_EQ(out.find(L"/Q"), std::wstring::npos);
  EXPECT_EQ(Quorvel(quoted), L"0");
  EXPECT_EQ(Quorvel(escaped), L"1045");
  EXPECT_EQ(Command(L"/e:y", &out), 0);
  EXPECT_EQ(out.find(L"/E"), std::wstring::npos);
  EXPECT_EQ(Quorvel(escaped), L"0");
  EXPECT_EQ(Command(L"/e:n /z"), 0);
  EXPECT_EQ(Quorvel(escaped), L"1045");
}

TEST_F(CommandTest, DebugLineOnlyWhileDebugModeIsOn) {
  std::wstring out;
  EXPECT_EQ(Command(L"/$:1", &out), 0);
  EXPECT_EQ(out, ListWith({}, true));
  EXPECT_EQ(Command(L"/$:n", &out), 0);
  EXPECT_EQ(out, kDefaultList);
}

TEST_F(CommandTest, BadValues) {
  for (const wchar_t* token :
       {L"/B", L"/B:", L"/B=", L"/BOGUS", L"/B:-1", L"/B:+1", L"/B:4294967296", L"/B:0X100000000",
        L"/B:1X", L"/B:0X", L"/B:0XG", L"/B:0X1G", L"/B:X1", L"/B:?", L"/$", L"/2:",
        L"/B:0X0X", L"/B:0X0XG", L"/B:0X0X0X1", L"/B:0X0X100000000", L"/B:00X1"}) {
    ExpectError(token, L"Expected Y or N: \"" + std::wstring(token) + L"\"");
  }
  // The message shows the token as tokenized: upper case, quotes removed.
  ExpectError(L"/b:\"1 2\"", L"Expected Y or N: \"/B:1 2\"");
  ExpectError(L"/t:maybe", L"Expected Y or N: \"/T:MAYBE\"");
  EXPECT_EQ(Listing(), kDefaultList);
}

TEST_F(CommandTest, UnknownOptionsAndSyntaxErrors) {
  ExpectError(L"/x", L"Unknown option: \"/X\"");
  ExpectError(L"/D:Y", L"Unknown option: \"/D:Y\"");
  ExpectError(L"/R:Y", L"Unknown option: \"/R:Y\"");
  ExpectError(L"/S:Y", L"Unknown option: \"/S:Y\"");
  ExpectError(L"/Zz", L"Unknown option: \"/ZZ\"");
  ExpectError(L"/?x", L"Unknown option: \"/?X\"");
  ExpectError(L"/", L"Unknown option: \"/\"");
  ExpectError(L"y", L"Syntax error: \"Y\"");
  ExpectError(L"b:y", L"Syntax error: \"B:Y\"");
  // Only the first bad token is reported.
  ExpectError(L"/x /y", L"Unknown option: \"/X\"");
  ExpectError(L"/B:what /x", L"Expected Y or N: \"/B:WHAT\"");
}

TEST_F(CommandTest, AnErrorChangesNothing) {
  ExpectError(L"/B:Y /C:Y /x", L"Unknown option: \"/X\"");
  ExpectError(L"/D /2:n /B:bad", L"Expected Y or N: \"/B:BAD\"");
  ExpectError(L"/S /B:Y junk", L"Syntax error: \"JUNK\"");
  EXPECT_EQ(Listing(), kDefaultList);
  std::map<std::wstring, SavedValue> values;
  EXPECT_FALSE(ReadSavedValues(&values)) << "nothing may be saved";
  // /R does not run either: a saved value stays unread.
  WriteSavedDword(HKEY_CURRENT_USER, L"CheckMX", 1);
  ExpectError(L"/R /x", L"Unknown option: \"/X\"");
  EXPECT_EQ(Listed(L"/M"), 0);
}

TEST_F(CommandTest, ErrorsInsideABatchFileNameTheFileAndLine) {
  HostSetVariable(L"_batch", L"1");
  HostSetVariable(L"_batchname", L"C:\\jobs\\50%off.btm");
  HostSetVariable(L"_batchline", L"12");
  std::wstring out, err;
  EXPECT_EQ(Command(L"/x", &out, &err), 1);
  EXPECT_EQ(err, L"Quorvel plugin: C:\\jobs\\50%off.btm [12]  Unknown option: \"/X\"\r\n");
  EXPECT_EQ(out, L"");
}

TEST_F(CommandTest, HelpEndsTheCommand) {
  std::wstring out, err;
  EXPECT_EQ(Command(L"/?", &out, &err), 0);
  EXPECT_EQ(out, kHelp);
  EXPECT_EQ(err, L"");
  EXPECT_EQ(Command(L"/??", &out, &err), 0);
  const wchar_t* platform = sizeof(void*) == 8 ? L"x64" : L"x86";
  EXPECT_EQ(out, std::wstring(kHelp) + L"\r\n\t\t\t\tQuorvel  0.36.0.1 (" + platform + L")\r\n");
  // Switches before /? are dropped, tokens after it are not looked at.
  EXPECT_EQ(Command(L"/B:Y /S /? /x", &out, &err), 0);
  EXPECT_EQ(out, kHelp);
  EXPECT_EQ(err, L"");
  // A bad token before it is an error.
  ExpectError(L"/x /?", L"Unknown option: \"/X\"");
  EXPECT_EQ(Listing(), kDefaultList);
  std::map<std::wstring, SavedValue> values;
  EXPECT_FALSE(ReadSavedValues(&values));
}

TEST_F(CommandTest, DefaultsThenExplicitValues) {
  EXPECT_EQ(Command(L"/b:y /c:y /2:n /$:y /z"), 0);
  std::wstring out, err;
  EXPECT_EQ(Command(L"/D /B:Y", &out, &err), 0);
  EXPECT_EQ(out, L"\r\nDefault plugin settings restored.\r\n" + ListWith({L"/B:Yes"}));
  EXPECT_EQ(err, L"");
  // Later values win, in any order relative to /D.
  EXPECT_EQ(Command(L"/B:Y /B:N /d /z", &out), 0);
  EXPECT_EQ(out, L"\r\nDefault plugin settings restored.\r\n");
  EXPECT_EQ(Listing(), kDefaultList);
}

TEST_F(CommandTest, RestoreFromTheRegistry) {
  std::wstring out, err;
  // Nothing saved: no message, flags unchanged, explicit values still apply.
  EXPECT_EQ(Command(L"/b:y /z"), 0);
  EXPECT_EQ(Command(L"/R /L:Y /Z", &out, &err), 0);
  EXPECT_EQ(out + err, L"");
  EXPECT_EQ(Listed(L"/B"), 1);
  EXPECT_EQ(Listed(L"/L"), 1);

  // The current user's values; flags the key does not hold keep their values.
  WriteSavedDword(HKEY_CURRENT_USER, L"AllowLocalhost", 0);
  WriteSavedDword(HKEY_CURRENT_USER, L"CheckMX", 7);
  WriteSavedDword(HKEY_LOCAL_MACHINE, L"AllowNoReply", 1);
  EXPECT_EQ(Command(L"/R /z", &out, &err), 0);
  EXPECT_EQ(out, L"\r\nSettings restored from registry.\r\n");
  EXPECT_EQ(err, L"");
  EXPECT_EQ(Listed(L"/L"), 0);
  EXPECT_EQ(Listed(L"/M"), 1);
  EXPECT_EQ(Listed(L"/B"), 1);
  EXPECT_EQ(Listed(L"/N"), 0) << "the machine's key must not be read";

  // /R wins over /D; explicit values win over both.
  EXPECT_EQ(Command(L"/D /R /I:y", &out, &err), 0);
  EXPECT_EQ(out.find(L"Default plugin settings restored."), std::wstring::npos);
  EXPECT_EQ(out.rfind(L"\r\nSettings restored from registry.\r\n", 0), 0u);
  EXPECT_NE(out.find(L"/B:Yes\r\n"), std::wstring::npos);
  EXPECT_NE(out.find(L"/I:Yes\r\n"), std::wstring::npos);

  // A current user's key without usable values falls back to the machine's.
  RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
  WriteSavedValue(HKEY_CURRENT_USER, L"CheckMX", REG_SZ, L"0", 4);
  EXPECT_EQ(Command(L"/R /Z", &out), 0);
  EXPECT_EQ(out, L"\r\nSettings restored from registry.\r\n");
  EXPECT_EQ(Listed(L"/N"), 1);
  EXPECT_EQ(Listed(L"/M"), 1);
}

TEST_F(CommandTest, SaveWritesTwelveValues) {
  std::wstring out, err;
  EXPECT_EQ(Command(L"/b:y /2:n /$:y /S /Z", &out, &err), 0);
  EXPECT_EQ(out, L"Settings saved to registry.\r\n");
  EXPECT_EQ(err, L"");

  std::map<std::wstring, SavedValue> values;
  ASSERT_TRUE(ReadSavedValues(&values));
  EXPECT_EQ(values.size(), kSavedCount);
  for (const std::wstring name : kLoadOrder) {
    const DWORD data = name == L"StripAngleBrackets" || name == L"CheckTopLevelDomain";
    auto it = values.find(name);
    ASSERT_NE(it, values.end()) << "missing " << std::string(name.begin(), name.end());
    EXPECT_EQ(it->second.Type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(it->second.Size, 4u);
    EXPECT_EQ(it->second.Data, data);
  }

  // The list comes before the save message; a new load finds the values,
  // but not DebugMode.
  EXPECT_EQ(Command(L"/S", &out, &err), 0);
  EXPECT_EQ(out, ListWith({L"/2:No", L"/B:Yes"}, true) + L"Settings saved to registry.\r\n");
  Reload();
  std::wstring list = Listing();
  EXPECT_NE(list.find(L"/B:Yes\r\n"), std::wstring::npos);
  EXPECT_NE(list.find(L"/2:No\r\n"), std::wstring::npos);
  EXPECT_EQ(list.find(L"/$"), std::wstring::npos);
}

TEST_F(CommandTest, TooLongALineDoesNothing) {
  std::wstring out, err;
  std::wstring line = L"/B:Y /S " + std::wstring(8192, L'x');
  EXPECT_EQ(Command(line, &out, &err), 1);
  EXPECT_EQ(out, L"");
  EXPECT_EQ(err, L"Quorvel plugin: Buffer overflow: b = 8191, MAX_ARG_LEN = 8192 \r\n");
  EXPECT_EQ(Listing(), kDefaultList);
  std::map<std::wstring, SavedValue> values;
  EXPECT_FALSE(ReadSavedValues(&values));
}

}  // namespace
