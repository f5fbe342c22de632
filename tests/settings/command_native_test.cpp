// The command's failures: nothing changes, every registry key is closed
// again.
#include <gtest/gtest.h>

#include <string.h>

#include "fakes.h"
#include "support/both_builds.h"
#include "settings/command.h"
#include "platform/os.h"
#include "settings/settings.h"
#include "settings/tokenizer.h"

namespace {

// An empty line lists the flags (debug mode only while on); a value switch
// sets its flag; /? writes the help, /?? the version line after it.
TEST(QuorvelCommand, ListsAndSets) {
  const auto npos = std::u16string::npos;
  EXPECT_EQ(QuorvelCommand(u""), 0);
  EXPECT_NE(Fake.Out.find(u"/B:No\r\n"), npos) << FakeNarrow(Fake.Out);
  EXPECT_EQ(Fake.Out.find(u"/$:"), npos);
  Fake.Out.clear();
  EXPECT_EQ(QuorvelCommand(u"/b:y /c=0x1 /2:n /$:1"), 0);
  EXPECT_EQ(PluginSettings.StripAngleBrackets, 1);
  EXPECT_EQ(PluginSettings.StrictCharList, 1);
  EXPECT_EQ(PluginSettings.TwoLetterTLDs, 0);
  EXPECT_NE(Fake.Out.find(u"/$:Yes\r\n"), npos) << FakeNarrow(Fake.Out);
  EXPECT_EQ(QuorvelCommand(u"/S /Z"), 0);
  EXPECT_EQ(QuorvelCommand(u"/D /Z"), 0);
  EXPECT_EQ(PluginSettings.StripAngleBrackets, 0);
  EXPECT_EQ(LoadSettings(OS_HKEY_CURRENT_USER), 0);
  EXPECT_EQ(PluginSettings.StripAngleBrackets, 1);
  EXPECT_EQ(QuorvelCommand(u"/bn /Z"), 0);  // the ':' or '=' may be left out
  EXPECT_EQ(PluginSettings.StripAngleBrackets, 0);
  Fake.Out.clear();
  EXPECT_EQ(QuorvelCommand(u"/?"), 0);  // the help alone; /?? adds the version line
  EXPECT_NE(Fake.Out.find(u"feature on or off."), npos) << FakeNarrow(Fake.Out);
  EXPECT_EQ(Fake.Out.find(u"\t\t\t\t"), npos) << FakeNarrow(Fake.Out);
  EXPECT_EQ(QuorvelCommand(u"/??"), 0);
  EXPECT_NE(Fake.Out.find(u"\r\n\t\t\t\t"), npos) << FakeNarrow(Fake.Out);
}

// The numbers a value switch takes: decimal, or hexadecimal after "0x" (a
// second "0x" is taken too), nothing else after the digits.
TEST(ParseNumber, Forms) {
  const struct {
    const char16_t* Text;
    int Result;
    uint32_t Value;
  } cases[] = {{u"12", 0, 12},  {u"0x1F", 0, 31}, {u"0X0x10", 0, 16}, {u"0xfg", -1, 0},
               {u"0x", -1, 0},  {u"x1", -1, 0},   {u"4294967296", -1, 0}};
  for (const auto& c : cases) {
    uint32_t value = 0;
    EXPECT_EQ(ParseNumber(c.Text, &value), c.Result) << FakeNarrow(c.Text);
    EXPECT_EQ(value, c.Value) << FakeNarrow(c.Text);
  }
}

TEST(QuorvelCommand, TooLongLineChangesNothing) {
  PluginSettingsRecord before = PluginSettings;
  EXPECT_EQ(QuorvelCommand(nullptr), -1);
  auto line = ExactText(u"/B:Y /S " + Repeat('x', MAX_ARG_LEN));
  EXPECT_EQ(QuorvelCommand(line.get()), 1);
  EXPECT_EQ(memcmp(&before, &PluginSettings, sizeof before), 0);
  EXPECT_EQ(Fake.Out, u"");
  EXPECT_EQ(Fake.RegWrites, 0);
}

TEST(QuorvelCommand, RegistryFailuresCloseEveryKey) {
  Fake.FailRegSet = 5;
  EXPECT_EQ(QuorvelCommand(u"/Z /S"), 2);
  EXPECT_EQ(Fake.Err, u"Quorvel plugin: Error writing to registry\r\n");
  EXPECT_EQ(Fake.OpenKeys, 0);

  FakeReset();
  Fake.FailRegCreate = 5;
  EXPECT_EQ(QuorvelCommand(u"/Z /S"), 2);
  EXPECT_EQ(Fake.Err, u"Quorvel plugin: Error opening registry key\r\n");
  EXPECT_EQ(Fake.OpenKeys, 0);

  // Saved, then read back; a value of the wrong type or size is passed over.
  FakeReset();
  PluginSettings.AllowNoReply = 1;
  ASSERT_EQ(QuorvelCommand(u"/Z /S"), 0);
  Fake.Registry[FakeKeyName(OS_HKEY_CURRENT_USER, SettingsKeyPath)][u"CheckMX"] = {3, {1, 0, 0, 0}};
  RestoreDefaults();
  EXPECT_EQ(QuorvelCommand(u"/R /Z"), 0);
  EXPECT_EQ(PluginSettings.AllowNoReply, 1);
  EXPECT_EQ(PluginSettings.CheckMX, 0);
  EXPECT_EQ(Fake.OpenKeys, 0);
}

// Inside a batch file the error prefix names it; a '%' in the name is text.
TEST(QuorvelCommand, ErrorPrefixInsideABatchFile) {
  Fake.Variables[u"_batch"] = u"1";
  Fake.Variables[u"_batchname"] = u"C:\\x%s%d.btm";
  Fake.Variables[u"_batchline"] = u"12";
  EXPECT_EQ(QuorvelCommand(u"/X"), 1);
  EXPECT_EQ(Fake.Err, u"Quorvel plugin: C:\\x%s%d.btm [12]  Unknown option: \"/X\"\r\n");
}

}  // namespace
