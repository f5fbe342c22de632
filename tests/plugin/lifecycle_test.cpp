// The plug-in as the host meets it: its information record, the entries that
// do no work, and the load message.
#include <string>

#include "support/plugin_fixture.h"

namespace {

struct InfoRecord {
  const wchar_t* Name;
  const wchar_t* Author;
  const wchar_t* AuthorEmail;
  const wchar_t* WebPage;
  const wchar_t* Description;
  const wchar_t* ImplementedNames;
  int MajorVersion, MinorVersion, BuildNumber;
  int Reserved[2];
};

TEST_F(PluginTest, InformationRecord) {
  auto* first = static_cast<InfoRecord*>(plugin_.GetPluginInfo());
  auto* second = static_cast<InfoRecord*>(plugin_.GetPluginInfo());
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  EXPECT_STREQ(first->Name, L"Quorvel");
  EXPECT_STREQ(first->Description, L"Validate email addresses.");
  EXPECT_STREQ(first->ImplementedNames, L"@quorvel,@emaildpart,@emaillpart,quorvel");
  EXPECT_NE(first->Author, nullptr);
  EXPECT_NE(first->AuthorEmail, nullptr);
  EXPECT_NE(first->WebPage, nullptr);
  EXPECT_EQ(first->MajorVersion, 0);
  EXPECT_EQ(first->MinorVersion, 36);
  EXPECT_EQ(first->BuildNumber, 0);
  EXPECT_EQ(first->Reserved[0], 0);
  EXPECT_EQ(first->Reserved[1], 0);
  EXPECT_EQ(sizeof(InfoRecord), 44u);
}

TEST_F(PluginTest, EntriesWithoutWork) {
  EXPECT_EQ(plugin_.ShutdownPlugin(FALSE), 0);
  EXPECT_EQ(plugin_.InitializePlugin(), 0);
  EXPECT_EQ(plugin_.quorvel(nullptr), -1);
  EXPECT_EQ(plugin_.Help(nullptr), 0);
  wchar_t result[1024] = L"untouched";
  EXPECT_EQ(plugin_.Usage(nullptr, result), 0);
  EXPECT_STREQ(result, L"untouched");
  EXPECT_EQ(plugin_.Usage(const_cast<wchar_t*>(L"quorvel"), nullptr), 0);
}

// Only "%[_transient]%[_pipe]%[noloadmsg]" expanding to exactly "00" prints
// the load message.
TEST_F(PluginTest, LoadMessage) {
  struct {
    const wchar_t *transient, *pipe, *noloadmsg;
    bool printed;
  } cases[] = {
      {L"0", L"0", nullptr, true},  {L"0", L"1", nullptr, false}, {L"1", L"0", nullptr, false},
      {L"0", L"0", L"0", false},    {L"0", L"", nullptr, false},  {L"", L"", nullptr, false},
      {L"0", L"0", L"", true},
  };
  for (const auto& c : cases) {
    SetEnvironmentVariableW(L"noloadmsg", c.noloadmsg);
    std::wstring out;
    Reload(c.transient, c.pipe, &out);
    EXPECT_EQ(out, c.printed ? L"Quorvel v0.36.0 loaded.\r\n" : L"")
        << "transient '" << c.transient << "' pipe '" << c.pipe << "'";
  }
  SetEnvironmentVariableW(L"noloadmsg", nullptr);
}

}  // namespace
