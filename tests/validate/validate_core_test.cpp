// The validator's helpers and its trace, called directly; built for Windows
// and natively, where texts in exactly sized blocks meet the sanitizers.
#include <gtest/gtest.h>

#include <string>

#include "common/qstr.h"
#include "settings/settings.h"
#include "support/both_builds.h"
#include "validate/invisible.h"
#include "validate/validate.h"

namespace {

class ValidateCore : public ::testing::Test {
 protected:
  void SetUp() override { RestoreDefaults(); }
  void TearDown() override { RestoreDefaults(); }
};

TEST_F(ValidateCore, DottedQuadClasses) {
  struct {
    const qchar* text;
    int brackets, expected;
  } cases[] = {
      {QT("1.2.3.4"), 0, 1},          {QT("[1.2.3.4]"), 1, 1},         {QT("[1.2.3.4]"), 0, 0},
      {QT("01.002.3.4"), 0, 1},       {QT("1.2.3.4 "), 0, 0},          {QT("1..2.3"), 0, 0},
      {QT("1.2.3"), 0, 0},            {QT("1.2.3.4.5"), 0, 0},         {QT(".1.2.3"), 0, 0},
      {QT("1.2.3."), 0, 0},           {QT("127.0.0.1"), 0, 2},         {QT("127.0.0.255"), 0, 2},
      {QT("127.0.1.1"), 0, 1},        {QT("0.0.0.0"), 0, 3},           {QT("255.255.255.255"), 0, 3},
      {QT("224.0.0.1"), 0, 3},        {QT("239.255.255.255"), 0, 3},   {QT("1.2.3.256"), 0, 3},
      {QT("300.1.1.1"), 0, 3},        {QT("4294967295.1.1.1"), 0, 3},  {QT("4294967296.1.1.1"), 0, 0},
      {QT("99999999999.1.1.1"), 0, 0}, {QT("0.1.2.3"), 0, 1},          {QT("255.255.255.254"), 0, 1},
      {QT("223.1.1.1"), 0, 1},        {QT("240.0.0.1"), 0, 1},         {QT(""), 1, 0},
      {QT("[]"), 1, 0},               {QT("+1.2.3.4"), 0, 0},          {QT("1.2.3.-4"), 0, 0},
      {QT("1.256.3.4"), 0, 3},        {QT("1.2.256.4"), 0, 3},         {QT("256.1.1.1"), 0, 3},
      {QT("255.255.254.255"), 0, 1},
  };
  for (const auto& c : cases) {
    auto text = ExactText(c.text);
    EXPECT_EQ(CheckForDottedQuad(text.get(), c.brackets), c.expected) << (&c - cases) << " " << c.brackets;
  }
  EXPECT_EQ(CheckForDottedQuad(nullptr, 1), 0);

  // Longer than the working copy of 1023 units: never a dotted quad, and
  // not copied (leading zeros make long quads).
  const QString quad = QT("1.2.3.4");
  auto longest = ExactText(Repeat('0', 1023 - quad.size()) + quad);
  EXPECT_EQ(CheckForDottedQuad(longest.get(), 0), 1);
  auto bracketed = ExactText(QT("[") + Repeat('0', 1021 - quad.size()) + quad + QT("]"));
  EXPECT_EQ(CheckForDottedQuad(bracketed.get(), 1), 1);
  auto tooLong = ExactText(Repeat('0', 1024 - quad.size()) + quad);
  EXPECT_EQ(CheckForDottedQuad(tooLong.get(), 0), 0);
  auto cutToAQuad = ExactText(Repeat('0', 1016) + QT("1.2.3.45"));  // 1024 units
  EXPECT_EQ(CheckForDottedQuad(cutToAQuad.get(), 0), 0);
  auto huge = ExactText(QT("[") + Repeat('0', 70000) + quad + QT("]"));
  EXPECT_EQ(CheckForDottedQuad(huge.get(), 1), 0);
}

TEST_F(ValidateCore, KnownTopLevelDomainsWithoutListFile) {
  EXPECT_EQ(KnownTLD(QT("com")), 1);
  EXPECT_EQ(KnownTLD(QT("info")), 1);
  EXPECT_EQ(KnownTLD(QT("name")), 1);
  EXPECT_EQ(KnownTLD(QT("COM")), 1);
  EXPECT_EQ(KnownTLD(QT("nAmE")), 1);
  EXPECT_EQ(KnownTLD(QT("n\u00c1me")), 0);  // only A-Z fold
  EXPECT_EQ(KnownTLD(QT("museum")), 0);
  EXPECT_EQ(KnownTLD(QT("")), 0);
  EXPECT_EQ(KnownTLD(nullptr), 0);
  EXPECT_EQ(KnownTLD(QT("de")), 1);
  EXPECT_EQ(KnownTLD(QT("Zz")), 1);
  EXPECT_EQ(KnownTLD(QT("d1")), 0);  // both characters are ASCII letters
  EXPECT_EQ(KnownTLD(QT("d-")), 0);
  EXPECT_EQ(KnownTLD(QT("d\u00e9")), 0);
  EXPECT_EQ(KnownTLD(QT("1d")), 0);
  EXPECT_EQ(KnownTLD(QT("\u00e9s")), 0);
  PluginSettings.TwoLetterTLDs = 0;
  EXPECT_EQ(KnownTLD(QT("de")), 0);
}

TEST_F(ValidateCore, EnclosingPairs) {
  qchar text[1024] = QT("<a>");
  EXPECT_EQ(StripEnclosingPair(text, '<', '>'), 1);
  EXPECT_EQ(QString(text), QT("a"));
  EXPECT_EQ(StripEnclosingPair(text, '<', '>'), 0);
  EXPECT_EQ(QString(text), QT("a"));
  QStrCopy(text, QCOUNT(text), QT("<a"));
  EXPECT_EQ(StripEnclosingPair(text, '<', '>'), 0);
  QStrCopy(text, QCOUNT(text), QT("<>"));
  EXPECT_EQ(StripEnclosingPair(text, '<', '>'), 1);
  EXPECT_EQ(QString(text), QT(""));
  EXPECT_EQ(StripEnclosingPair(nullptr, '<', '>'), -1);
  // One unit that is both ends is removed too, and nothing before it touched.
  auto one = ExactText(QT("\""));
  EXPECT_EQ(StripEnclosingPair(one.get(), '"', '"'), 1);
  EXPECT_EQ(one[0], 0);

  EXPECT_EQ(AddEnclosingQuotes(nullptr), -1);
  QStrCopy(text, QCOUNT(text), QT(""));
  EXPECT_EQ(AddEnclosingQuotes(text), 1);
  EXPECT_EQ(QString(text), QT("\"\""));
  // 1020 units still fit with both quotes and the terminator; 1021 do not.
  QString s1020(1020, 'x');
  QStrCopy(text, QCOUNT(text), s1020.c_str());
  EXPECT_EQ(AddEnclosingQuotes(text), 1);
  EXPECT_EQ(QString(text), QT("\"") + s1020 + QT("\""));
  QString s1021(1021, 'x');
  QStrCopy(text, QCOUNT(text), s1021.c_str());
  EXPECT_EQ(AddEnclosingQuotes(text), 0);
  EXPECT_EQ(QString(text), s1021);
}

TEST_F(ValidateCore, DebugTrace) {
  PluginSettings.DebugMode = 1;
  PluginSettings.AllowDottedQuadDomain = 1;
  {
    OutputCapture capture;
    EXPECT_EQ(ValidateAddress(QT("john@example.com"), nullptr, nullptr), 0);
    EXPECT_EQ(capture.Out(),
              QT("   * Buffer     = 'john@example.com'\r\n")
              QT("   * LocalPart  = 'john'\r\n")
              QT("   * DomainPart = 'example.com'\r\n")
              QT("   * CheckForDottedQuad( 'example.com' )\r\n")
              QT("   * KnownTLD( 'com' )\r\n"));
  }
  {
    OutputCapture capture;
    EXPECT_EQ(ValidateAddress(QT("john@[10.0.0.1]"), nullptr, nullptr), 0);
    EXPECT_EQ(capture.Out(),
              QT("   * Buffer     = 'john@[10.0.0.1]'\r\n")
              QT("   * LocalPart  = 'john'\r\n")
              QT("   * DomainPart = '[10.0.0.1]'\r\n")
              QT("   * CheckForDottedQuad( '10.0.0.1' )\r\n")
              QT("   * Bytes are 10 0 0 1\r\n"));
  }
  {
    OutputCapture capture;
    EXPECT_EQ(ValidateAddress(QT("@x"), nullptr, nullptr), 1040);
    EXPECT_EQ(capture.Out(), QT("   * Buffer     = '@x'\r\n"));
  }
}

// The edges of the rules, each address with the one option it needs (the flag
// set directly) and its code.
TEST_F(ValidateCore, RuleEdges) {
  struct {
    int32_t PluginSettingsRecord::*Option;
    const qchar* Address;
    int Code;
  } cases[] = {
      {nullptr, QT("john.@example.com"), QV_BAD_DOT},
      {nullptr, QT("a@b-.com"), QV_BAD_DOMAIN_CHAR},
      {&PluginSettingsRecord::AllowNonAscii, QT("a\u007Fb@example.com"), QV_BAD_LOCAL_CHAR},
  };
  for (const auto& c : cases) {
    RestoreDefaults();
    if (c.Option) PluginSettings.*c.Option = 1;
    EXPECT_EQ(ValidateAddress(ExactText(c.Address).get(), nullptr, nullptr), c.Code) << "case " << (&c - cases);
  }
}

// With AllowNonAscii, the first and last code point of every refused range
// give 1045 and their neighbours (never in a range: the table joins adjacent
// ones) pass unless ASCII or surrogates, each written in UTF-16 as it comes.
TEST_F(ValidateCore, EveryRefusedRangeEndsWhereTheTableSays) {
  PluginSettings.AllowNonAscii = 1;
  auto judge = [](uint32_t cp) {
    QString unit = cp < 0x10000 ? QString(1, (qchar)cp)
                                : QString{(qchar)(0xD7C0 + (cp >> 10)), (qchar)(0xDC00 | (cp & 0x3FF))};
    return ValidateAddress(ExactText(QT("a") + unit + QT("b@example.com")).get(), nullptr, nullptr);
  };
  for (size_t i = 0; i < InvisibleRangeCount; ++i) {
    for (uint32_t cp : {InvisibleRanges[i][0], InvisibleRanges[i][1]})
      EXPECT_EQ(judge(cp), QV_BAD_LOCAL_CHAR) << std::hex << cp;
    for (uint32_t cp : {InvisibleRanges[i][0] - 1, InvisibleRanges[i][1] + 1})
      EXPECT_TRUE(cp <= 0x7F || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) || judge(cp) == QV_VALID) << std::hex << cp;
  }
}

TEST_F(ValidateCore, InputOfAnyLengthIsJudgedWithoutCopyingIt) {
  auto huge = ExactText(Repeat('a', 200000) + QT("@example.com"));
  EXPECT_EQ(ValidateAddress(huge.get(), nullptr, nullptr), QV_TOO_LONG);
  PluginSettings.StripAngleBrackets = 1;
  auto bracketed = ExactText(QT("<") + Repeat('a', 244) + QT("@example.com>"));  // 258 units
  EXPECT_EQ(ValidateAddress(bracketed.get(), nullptr, nullptr), QV_VALID);
}

// Every destination is written only on success, within its 1024 units, with
// the parts as they stood in the input (quotes, escapes and brackets kept).
TEST_F(ValidateCore, DestinationsHoldThePartsAsInTheInput) {
  PluginSettings.AllowQuotedStrings = 1;
  PluginSettings.AllowEscapedChars = 1;
  PluginSettings.AllowDottedQuadDomain = 1;
  PluginSettings.StripAngleBrackets = 1;
  struct {
    QString input, local, domain;
  } valid[] = {
      {QT("john.doe@example.com"), QT("john.doe"), QT("example.com")},
      {QT("<\"a@b\"@example.com>"), QT("\"a@b\""), QT("example.com")},
      {QT("\"\"@example.com"), QT("\"\""), QT("example.com")},
      {QT("\"a\\\"b\"@example.com"), QT("\"a\\\"b\""), QT("example.com")},
      {QT("x@[1.2.3.4]"), QT("x"), QT("[1.2.3.4]")},
      {QT("john@10.1.0.0"), QT("john"), QT("10.1.0.0")},
      {QT("<") + Repeat('a', 64) + QT("@") + Repeat('b', 187) + QT(".com>"), Repeat('a', 64),
       Repeat('b', 187) + QT(".com")},
  };
  for (const auto& c : valid) {
    SCOPED_TRACE(&c - valid);
    auto input = ExactText(c.input);
    auto domain = ExactText(QT(""), MAX_PART_LEN), local = ExactText(QT(""), MAX_PART_LEN);
    ASSERT_EQ(ValidateAddress(input.get(), domain.get(), local.get()), QV_VALID);
    EXPECT_EQ(QString(input.get()), c.input);
    EXPECT_EQ(QString(local.get()), c.local);
    EXPECT_EQ(QString(domain.get()), c.domain);
  }

  auto domain = ExactText(QT("keep"), MAX_PART_LEN), local = ExactText(QT("keep"), MAX_PART_LEN);
  for (const qchar* bad : {QT("john@@example.com"), QT("john@example.xyz")}) {
    EXPECT_NE(ValidateAddress(bad, domain.get(), local.get()), QV_VALID);
    EXPECT_EQ(QString(domain.get()), QT("keep"));
    EXPECT_EQ(QString(local.get()), QT("keep"));
  }
  EXPECT_EQ(ValidateAddress(nullptr, domain.get(), local.get()), -1);
}

}  // namespace
