// The tokenizer at the edges of its table and buffer, and the command's
// failures: nothing changes, every registry key is closed again.
#include <gtest/gtest.h>

#include <string.h>

#include "fakes.h"
#include "native_support.h"
#include "settings/command.h"
#include "platform/os.h"
#include "settings/settings.h"
#include "settings/tokenizer.h"

namespace {

// n tokens of width letters each, separated by single spaces.
std::u16string Words(size_t n, size_t width) {
  std::u16string line;
  for (size_t i = 0; i < n; ++i) line += Repeat((char16_t)('a' + i % 26), width) + u" ";
  return line;
}

TEST(TokenizeArgs, FillsTheBufferToItsLastUnit) {
  auto line = ExactText(Repeat('x', MAX_ARG_LEN - 1));
  ASSERT_EQ(TokenizeArgs(line.get()), 1);
  EXPECT_EQ(ArgList.Length[0], MAX_ARG_LEN - 1);
  EXPECT_EQ(ArgList.Token[0], ArgList.Buffer);
  EXPECT_EQ(ArgList.Buffer[MAX_ARG_LEN - 1], 0);
  line = ExactText(u":Y");  // a colon first: nothing before the line is read
  ASSERT_EQ(TokenizeArgs(line.get()), 1);
  EXPECT_EQ(ArgList.Length[0], 2);

  // 1024 tokens of 7 units and their terminators use all 8192 units; the
  // separator after the last one ends it at the buffer's end.
  line = ExactText(Words(MAX_ARGS, 7));
  ASSERT_EQ(TokenizeArgs(line.get()), MAX_ARGS);
  for (int i = 0; i < MAX_ARGS; ++i) {
    ASSERT_EQ(ArgList.Length[i], 7);
    ASSERT_EQ(ArgList.Token[i], ArgList.Buffer + 8 * i);
    ASSERT_EQ(ArgList.Token[i][7], 0);
  }
  EXPECT_EQ(Fake.Err, u"");
}

TEST(TokenizeArgs, OverflowEmptiesTheTable) {
  auto line = ExactText(Repeat('x', MAX_ARG_LEN));
  EXPECT_EQ(TokenizeArgs(line.get()), -1);
  EXPECT_EQ(ArgList.Count, 0);
  EXPECT_EQ(ArgList.Token[0], nullptr);
  EXPECT_EQ(Fake.Err, u"Quorvel plugin: Buffer overflow: b = 8191, MAX_ARG_LEN = 8192 \r\n");

  // A token after a full table of 1024 tokens that also fills the buffer.
  Fake.Err.clear();
  line = ExactText(Words(MAX_ARGS, 7) + u"z");
  EXPECT_EQ(TokenizeArgs(line.get()), -1);
  EXPECT_EQ(ArgList.Count, 0);
  EXPECT_EQ(Fake.Err, u"Quorvel plugin: Buffer overflow: b = 8192, MAX_ARG_LEN = 8192 \r\n");

  // Beyond 1024 tokens that leave room, further tokens are dropped silently.
  Fake.Err.clear();
  line = ExactText(Words(1100, 1));
  EXPECT_EQ(TokenizeArgs(line.get()), MAX_ARGS);
  EXPECT_EQ(Fake.Err, u"");
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
