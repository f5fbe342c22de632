// The validator's helpers and its trace, called directly.
#include <string>

#include "settings/settings.h"
#include "support/plugin_fixture.h"
#include "validate/validate.h"

namespace {

class ValidateCore : public ::testing::Test {
 protected:
  void SetUp() override { RestoreDefaults(); }
  void TearDown() override { RestoreDefaults(); }
};

TEST_F(ValidateCore, DottedQuadClasses) {
  struct {
    const wchar_t* text;
    int brackets, expected;
  } cases[] = {
      {L"1.2.3.4", 0, 1},          {L"[1.2.3.4]", 1, 1},         {L"[1.2.3.4]", 0, 0},
      {L"01.002.3.4", 0, 1},       {L"1.2.3.4 ", 0, 0},          {L"1..2.3", 0, 0},
      {L"1.2.3", 0, 0},            {L"1.2.3.4.5", 0, 0},         {L".1.2.3", 0, 0},
      {L"1.2.3.", 0, 0},           {L"127.0.0.1", 0, 2},         {L"127.0.0.255", 0, 2},
      {L"127.0.1.1", 0, 1},        {L"0.0.0.0", 0, 3},           {L"255.255.255.255", 0, 3},
      {L"224.0.0.1", 0, 3},        {L"239.255.255.255", 0, 3},   {L"1.2.3.256", 0, 3},
      {L"300.1.1.1", 0, 3},        {L"4294967295.1.1.1", 0, 3},  {L"4294967296.1.1.1", 0, 0},
      {L"99999999999.1.1.1", 0, 0}, {L"0.1.2.3", 0, 1},          {L"255.255.255.254", 0, 1},
      {L"223.1.1.1", 0, 1},        {L"240.0.0.1", 0, 1},         {L"", 1, 0},
      {L"[]", 1, 0},               {L"+1.2.3.4", 0, 0},          {L"1.2.3.-4", 0, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CheckForDottedQuad(c.text, c.brackets), c.expected) << "'" << c.text << "' " << c.brackets;
  EXPECT_EQ(CheckForDottedQuad(nullptr, 1), 0);

  // Longer than the working copy: never a dotted quad, and not copied.
  std::wstring padded = L"1.2.3." + std::wstring(1100, L'0') + L"4";
  EXPECT_EQ(CheckForDottedQuad(padded.c_str(), 0), 0);
  std::wstring fits = L"1.2.3." + std::wstring(1016, L'0') + L"4";  // 1023 units
  EXPECT_EQ(CheckForDottedQuad(fits.c_str(), 0), 1);
}

TEST_F(ValidateCore, KnownTopLevelDomainsWithoutListFile) {
  EXPECT_EQ(KnownTLD(L"com"), 1);
  EXPECT_EQ(KnownTLD(L"info"), 1);
  EXPECT_EQ(KnownTLD(L"name"), 1);
  EXPECT_EQ(KnownTLD(L"COM"), 1);
  EXPECT_EQ(KnownTLD(L"nAmE"), 1);
  EXPECT_EQ(KnownTLD(L"n\u00c1me"), 0);  // only A-Z fold
  EXPECT_EQ(KnownTLD(L"museum"), 0);
  EXPECT_EQ(KnownTLD(L""), 0);
  EXPECT_EQ(KnownTLD(nullptr), 0);
  EXPECT_EQ(KnownTLD(L"de"), 1);
  EXPECT_EQ(KnownTLD(L"Zz"), 1);
  EXPECT_EQ(KnownTLD(L"d1"), 0);  // both characters are ASCII letters
  EXPECT_EQ(KnownTLD(L"d-"), 0);
  EXPECT_EQ(KnownTLD(L"d\u00e9"), 0);
  EXPECT_EQ(KnownTLD(L"1d"), 0);
  EXPECT_EQ(KnownTLD(L"\u00e9s"), 0);
  PluginSettings.TwoLetterTLDs = 0;
  EXPECT_EQ(KnownTLD(L"de"), 0);
}

TEST_F(ValidateCore, EnclosingPairs) {
  wchar_t text[1024] = L"<a>";
  EXPECT_EQ(StripEnclosingPair(text, L'<', L'>'), 1);
  EXPECT_STREQ(text, L"a");
  EXPECT_EQ(StripEnclosingPair(text, L'<', L'>'), 0);
  EXPECT_STREQ(text, L"a");
  wcscpy(text, L"<a");
  EXPECT_EQ(StripEnclosingPair(text, L'<', L'>'), 0);
  wcscpy(text, L"<>");
  EXPECT_EQ(StripEnclosingPair(text, L'<', L'>'), 1);
  EXPECT_STREQ(text, L"");
  EXPECT_EQ(StripEnclosingPair(nullptr, L'<', L'>'), -1);

  EXPECT_EQ(AddEnclosingQuotes(nullptr), -1);
  wcscpy(text, L"");
  EXPECT_EQ(AddEnclosingQuotes(text), 1);
  EXPECT_STREQ(text, L"\"\"");
  // 1020 units still fit with both quotes and the terminator; 1021 do not.
  std::wstring s1020(1020, L'x');
  wcscpy(text, s1020.c_str());
  EXPECT_EQ(AddEnclosingQuotes(text), 1);
  EXPECT_EQ(std::wstring(text), L"\"" + s1020 + L"\"");
  std::wstring s1021(1021, L'x');
  wcscpy(text, s1021.c_str());
  EXPECT_EQ(AddEnclosingQuotes(text), 0);
  EXPECT_EQ(std::wstring(text), s1021);
}

TEST_F(ValidateCore, DebugTrace) {
  PluginSettings.DebugMode = 1;
  PluginSettings.AllowDottedQuadDomain = 1;
  {
    OutputCapture capture;
    EXPECT_EQ(ValidateAddress(L"john@example.com", nullptr, nullptr), 0);
    EXPECT_EQ(capture.Out(),
              L"   * Buffer     = 'john@example.com'\r\n"
              L"   * LocalPart  = 'john'\r\n"
              L"   * DomainPart = 'example.com'\r\n"
              L"   * CheckForDottedQuad( 'example.com' )\r\n"
              L"   * KnownTLD( 'com' )\r\n");
  }
  {
    OutputCapture capture;
    EXPECT_EQ(ValidateAddress(L"john@[10.0.0.1]", nullptr, nullptr), 0);
    EXPECT_EQ(capture.Out(),
              L"   * Buffer     = 'john@[10.0.0.1]'\r\n"
              L"   * LocalPart  = 'john'\r\n"
              L"   * DomainPart = '[10.0.0.1]'\r\n"
              L"   * CheckForDottedQuad( '10.0.0.1' )\r\n"
              L"   * Bytes are 10 0 0 1\r\n");
  }
  {
    OutputCapture capture;
    EXPECT_EQ(ValidateAddress(L"@x", nullptr, nullptr), 1040);
    EXPECT_EQ(capture.Out(), L"   * Buffer     = '@x'\r\n");
  }
}

TEST_F(ValidateCore, DestinationsOnlyOnSuccess) {
  wchar_t domain[1024] = L"old", local[1024] = L"old";
  EXPECT_EQ(ValidateAddress(L"john@example.xyz", domain, local), 1048);
  EXPECT_STREQ(domain, L"old");
  EXPECT_STREQ(local, L"old");
  EXPECT_EQ(ValidateAddress(L"john@example.com", domain, local), 0);
  EXPECT_STREQ(domain, L"example.com");
  EXPECT_STREQ(local, L"john");
  EXPECT_EQ(ValidateAddress(nullptr, domain, local), -1);
}

}  // namespace
