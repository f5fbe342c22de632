// The plug-in as the host meets it: its information record, the entries that
// do no work, and the load message.
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

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
  // Pointers of the platform's width, then five 32-bit integers.
  EXPECT_EQ(offsetof(InfoRecord, MajorVersion), 6 * sizeof(void*));
  EXPECT_EQ(sizeof(InfoRecord), sizeof(void*) == 8 ? 72u : 44u);
}

// The version resource that Windows shows under Properties, Details.
TEST_F(PluginTest, VersionResource) {
  wchar_t path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(plugin_.Module, path, MAX_PATH), 0u);
  std::vector<char> data(GetFileVersionInfoSizeW(path, nullptr));
  ASSERT_FALSE(data.empty());
  ASSERT_TRUE(GetFileVersionInfoW(path, 0, static_cast<DWORD>(data.size()), data.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(36, 0));
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(1, 0));
  EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(36, 0));
  EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(1, 0));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
  std::wstring file = path;
  file = file.substr(file.find_last_of(L'\\') + 1);
  const std::pair<const wchar_t*, std::wstring> strings[] = {
      {L"FileVersion", L"0.36.0.1"},      {L"ProductVersion", L"0.36.0.1"},
      {L"ProductName", L"Quorvel"},       {L"FileDescription", L"Validate email addresses."},
      {L"OriginalFilename", file},        {L"InternalName", file},
      {L"CompanyName", std::wstring(static_cast<InfoRecord*>(plugin_.GetPluginInfo())->Author)},
  };
  for (const auto& s : strings) {
    wchar_t* value = nullptr;
    std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + s.first;
    ASSERT_TRUE(VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &size)) << s.first;
    EXPECT_EQ(std::wstring(value), s.second) << s.first;
  }
}

TEST_F(PluginTest, EntriesWithoutWork) {
  // Loading and starting the plug-in, and judging addresses without the MX
  // rule, loads neither WinINet nor the DNS client.
  EXPECT_EQ(Quorvel(L"john@example.com"), L"0");
  EXPECT_EQ(GetModuleHandleW(L"dnsapi.dll"), nullptr);
  EXPECT_EQ(GetModuleHandleW(L"wininet.dll"), nullptr);
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
