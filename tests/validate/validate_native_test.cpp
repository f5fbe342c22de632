// The validator over the fakes, in exactly sized heap blocks: the variable
// functions in the smallest buffer they may get, and the list file and MX
// lookups releasing everything they take.
#include <gtest/gtest.h>

#include "common/qstr.h"
#include "fakes.h"
#include "platform/os_dns.h"
#include "support/both_builds.h"
#include "settings/settings.h"
#include "textbytes.h"
#include "validate/mx.h"
#include "validate/tldfile.h"
#include "validate/validate.h"

extern "C" int f_quorvel(qchar* buffer);
extern "C" int f_emaildpart(qchar* buffer);
extern "C" int f_emaillpart(qchar* buffer);

namespace {

std::u16string Text(const qchar* s) { return s ? std::u16string(s) : std::u16string(); }

// Nothing of the reader, the registry or the resolver is left open.
void ExpectNothingHeld() {
  EXPECT_EQ(Fake.LiveHandles, 0);
  EXPECT_EQ(Fake.LiveViews, 0);
  EXPECT_EQ(Fake.Allocations, 0);
  EXPECT_EQ(Fake.OpenKeys, 0);
  EXPECT_EQ(Fake.DnsLists, 0);
}

// The host's buffer for a variable function holds at least 257 units; each
// function reads its argument from it and writes at most 257 units back.
TEST(VariableFunctions, WorkWithinABufferOf257Units) {
  const std::u16string local = Repeat('l', 64), domain = Repeat('d', 187) + u".com";
  const std::u16string address = local + u"@" + domain;  // 256 units
  ASSERT_EQ(address.size(), 256u);

  auto buffer = ExactText(address, 257);
  EXPECT_EQ(f_quorvel(buffer.get()), 0);
  EXPECT_EQ(Text(buffer.get()), u"0");
  buffer = ExactText(address, 257);
  EXPECT_EQ(f_emaildpart(buffer.get()), 0);
  EXPECT_EQ(Text(buffer.get()), domain);
  buffer = ExactText(address, 257);
  EXPECT_EQ(f_emaillpart(buffer.get()), 0);
  EXPECT_EQ(Text(buffer.get()), local);

  buffer = ExactText(u"", 257);
  EXPECT_EQ(f_quorvel(buffer.get()), 0);
  EXPECT_EQ(Text(buffer.get()), u"1024");
  buffer = ExactText(u"no-at-sign", 257);
  EXPECT_EQ(f_emaildpart(buffer.get()), 0);
  EXPECT_EQ(Text(buffer.get()), u"");

  EXPECT_EQ(f_quorvel(nullptr), 87);
  EXPECT_EQ(f_emaildpart(nullptr), 87);
  EXPECT_EQ(f_emaillpart(nullptr), 87);
}

std::vector<uint8_t> Utf8(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

TEST(KnownTLD, ListFileLookupsReleaseEverything) {
  PluginSettings.TwoLetterTLDs = 0;
  const std::u16string list = u"C:\\Plugins\\TLDs.txt";
  Fake.Files[list] = Utf8("\xEF\xBB\xBF# known\r\n.Com\r\n  xn--p1ai  remark\r\nmuseum\r\n");
  EXPECT_EQ(KnownTLD(u"com"), 1);
  ExpectNothingHeld();
  EXPECT_EQ(KnownTLD(u"museum"), 1);
  EXPECT_EQ(KnownTLD(u"XN--P1AI"), 1);
  EXPECT_EQ(KnownTLD(u"org"), 0);  // in the built-in table, but the file decides
  ExpectNothingHeld();

  Fake.Files[list].clear();  // an empty file knows no label
  EXPECT_EQ(KnownTLD(u"com"), 0);
  ExpectNothingHeld();
  Fake.Files.erase(list);  // no file: the built-in table
  EXPECT_EQ(KnownTLD(u"com"), 1);
  ExpectNothingHeld();
}

// List files whose bytes look otherwise than their lines read: the lookup
// must give the answer of the lines, with and without the trace.
TEST(FindTLDInFile, AnswersAsTheLinesReadWhateverTheBytesShow) {
  struct Case {
    std::string File;
    const char16_t* Label;
    int Found;
    uint32_t CodePage = 1252;
  };
  const std::string cut(8185, ' ');  // the entry ends where the line is cut, at 8191 units
  auto utf16 = [](const std::u16string& text, bool bigEndian) {  // with its byte-order mark
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : text)
      bytes += (char)(bigEndian ? c >> 8 : c & 0xFF), bytes += (char)(bigEndian ? c & 0xFF : c >> 8);
    return bytes;
  };
  auto utf16le = [&](const std::u16string& text) { return utf16(text, false); };
  const Case cases[] = {
      {"c\xC1\xAFm\n", u"com", 1},              // an overlong o
      {"co\xC0\x8Am\n", u"co", 1},              // an overlong line feed ends the line
      {"co\xC0\x8Am\n", u"com", 0},
      {"x\xC2\x85net\n", u"net", 1},            // next line (U+0085) ends the line x
      {"\xC2\xA0org\n", u"org", 1},             // no-break space before the entry
      {"\xE3\x80\x80info\r\n", u"INFO", 1},     // ideographic space
      {"museum\xC3\xA9\n", u"museum", 0},       // an e with acute continues the entry
      {"\xEF\xBB\xBF a.com\r\n..net\r\n", u"com", 0},
      {"\xEF\xBB\xBF a.com\r\n..net\r\n", u"net", 0},
      {cut + "museumx\n", u"museum", 1},
      {cut + "museum-\n", u"museum", 1},
      {"comx\ncom\n", u"com", 1},                // the search goes on past a longer entry
      {"cxm\n", u"com", 0},                      // first and last units alike
      {"comx", u"com", 0},                       // a letter in the text's last unit
      {"c\xE0\x80\xB0m\n", u"c0m", 1},             // an overlong digit of three bytes
      {"zz\n", u"ZZ", 1},
      {std::string(8183, ' ') + "museum\n", u"museum", 1},  // 4 units short of the cut
      {"\xF0\xF4\n", u"\u0440\u0444", 1, 1251},   // a code page's letters: read in the lines
      {"c_m\n1com\n", u"c_m", 0},               // no entry can be either label
      {"c_m\n1com\n", u"1com", 0},
      {"xn--p1ai\n\xD1\x80\xD1\x84\n", u"\u0440\u0444", 1},
      {"\xD1\x80\xD1\x84x\n\xC2\xA0\xD1\x80\xD1\x84\n", u"\u0440\u0444", 1},  // behind a no-break space
      {"\xD1\x80\xD1\x84x\n", u"\u0440\u0444", 0},
      {"\xE0\x91\x80\xD1\x84\n", u"\u0440\u0444", 1},  // an overlong form of the first letter
      {"com\n\xED\x95\x9C\xEA\xB5\xAD\n", u"\uD55C\uAD6D", 1},     // three bytes a character
      {"com\n\xED\x95\x9C\xEA\xB5\xADx\n", u"\uD55C\uAD6D", 0},
      {"com\n\xE4\xB8\xAD\xE5\x9B\xBD\n", u"\u4E2D\u56FD", 1},     // an even middle byte
      {utf16le(u"\u0440\u0444x\r\n"), u"\u0440\u0444", 0},
      {utf16le(u"\u0163om\r\n"), u"com", 0},  // the low byte of the first unit alike
      {utf16(u"net\r\ncom\r\n", true), u"com", 1},
      {utf16le(u"\u0440\u0444x\r\n .\u0440\u0444\r\n"), u"\u0440\u0444", 1},
      {utf16le(u"x\u0085net\r\n\u3000org\r\n"), u"net", 1},
      {utf16le(u"x\u0085net\r\n\u3000org\r\n"), u"org", 1},
      {utf16le(u"co\u0000m\r\n\u0441om\r\nmuseum\u00e9\r\n"), u"com", 0},
      {utf16le(u"co\u0000m\r\n\u0441om\r\nmuseum\u00e9\r\n"), u"museum", 0},
      {utf16le(std::u16string(8185, ' ') + u"museumx"), u"museum", 1},
  };
  PluginSettings.TwoLetterTLDs = 0;
  Fake.CaptureLimit = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(FakeNarrow(std::u16string(c.File.begin(), c.File.begin() + std::min<size_t>(c.File.size(), 40))));
    Fake.Files[u"C:\\Plugins\\TLDs.txt"] = Utf8(c.File);
    Fake.AnsiCodePage = c.CodePage;
    PluginSettings.DebugMode = 0;
    EXPECT_EQ(FindTLDInFile(c.Label), c.Found) << FakeNarrow(c.Label);
    PluginSettings.DebugMode = 1;
    EXPECT_EQ(FindTLDInFile(c.Label), c.Found) << FakeNarrow(c.Label) << " traced";
    ExpectNothingHeld();
  }
}

// A replacement character that is a letter of the label: text in which no
// byte shows the label may still read as it. Zero bytes skipped by the
// record's reading join what the bytes show apart.
TEST(FindEntryInSource, ReplacementInTheLabel) {
  const Bytes bytes = {0xFF, 'x', '\n'};
  TextSource s = RecordOver(bytes, EncUtf8);
  s.Replacement = 0x0444;
  EXPECT_EQ(FindEntryInSource(&s, u"\u0444x"), 1);
  const Bytes joined = {'c', 'o', 'm', 0, 'x', '\n'};
  TextSource skip = RecordOver(joined, EncUtf8);
  skip.Flags = FlagSkipNul;
  EXPECT_EQ(FindEntryInSource(&skip, u"com"), 0);
}

// A library path near the 16384-unit limit: the list file's path fits
// exactly, or does not fit, or the library's own path does not, and then the
// built-in table decides. The separator may also be the path's first unit or
// a drive prefix "X:".
TEST(KnownTLD, LibraryPathAtTheLimit) {
  PluginSettings.TwoLetterTLDs = 0;
  const std::u16string folder = u"C:\\" + Repeat('d', 16375 - 4) + u"\\";  // 16375 units
  ASSERT_EQ((folder + u"TLDs.txt").size(), 16383u);
  Fake.ModulePath = folder + u"Q.dll";
  Fake.Files[folder + u"TLDs.txt"] = Utf8("zz\n");
  EXPECT_EQ(KnownTLD(u"zz"), 1);
  EXPECT_EQ(KnownTLD(u"com"), 0);
  ExpectNothingHeld();

  Fake.ModulePath = folder + u"Quorvel-x86.dll";  // 16390 units: no path at all
  EXPECT_EQ(KnownTLD(u"zz"), 0);
  EXPECT_EQ(KnownTLD(u"com"), 1);
  ExpectNothingHeld();

  const std::u16string deeper = folder.substr(0, folder.size() - 1) + u"e\\";
  Fake.ModulePath = deeper + u"Q.dll";
  Fake.Files[deeper + u"TLDs.txt"] = Utf8("zz\n");  // unreachable: the path does not fit
  EXPECT_EQ(KnownTLD(u"zz"), 0);
  EXPECT_EQ(KnownTLD(u"com"), 1);
  ExpectNothingHeld();

  Fake.ModulePath = u"\\Q.dll";  // the separator is the path's first unit
  Fake.Files[u"\\TLDs.txt"] = Utf8("zz\n");
  EXPECT_EQ(KnownTLD(u"zz"), 1);
  Fake.ModulePath = u"Q.dll";  // no separator: no list file
  Fake.Files[u"QTLDs.txt"] = Utf8("zz\n");
  EXPECT_EQ(KnownTLD(u"zz"), 0);
  Fake.ModulePath = u"C:Q.dll";  // a drive prefix without a separator counts as one
  Fake.Files[u"C:TLDs.txt"] = Utf8("zz\n");
  EXPECT_EQ(KnownTLD(u"zz"), 1);
  Fake.ModulePath = u"C:";  // the prefix alone
  EXPECT_EQ(KnownTLD(u"zz"), 1);
}

// The resolver's status decides first; only a success is judged, by the first
// record of its answer section, whose exchange host counts without one
// trailing dot. Every list that comes back is released.
TEST(GetMXRecord, StatusFirstThenTheAnswerSection) {
  PluginSettings.CheckMX = 1;
  const FakeDnsRecord soa = {FAKE_DNS_AUTHORITY, 6, 0, u""};
  auto mx = [](const char16_t* host) { return FakeDnsRecord{FAKE_DNS_ANSWER, 15, 1, host}; };
  const struct {
    const char16_t* domain;
    FakeMxAnswer answer;
    int expected;
  } cases[] = {
      {u"good.com", {0, {mx(u"mx.good.com"), {FAKE_DNS_ADDITIONAL, 1, 0, u""}}}, QV_VALID},
      {u"fqdn.com", {0, {mx(u"mx.fqdn.com.")}}, QV_VALID},
      {u"loop.com", {0, {mx(u"127.0.0.1.")}}, QV_NO_MX},
      {u"local.com", {0, {mx(u"LocalHost.")}}, QV_NO_MX},
      {u"root.com", {0, {mx(u".")}}, QV_NO_MX},  // a null MX
      {u"nohost.com", {0, {{FAKE_DNS_ANSWER, 15, 0, u""}}}, QV_NO_MX},
      {u"m.com", {0, {mx(u"m")}}, QV_VALID},
      {u"cname.com", {0, {{FAKE_DNS_ANSWER, 5, 0, u""}, mx(u"localhost")}}, QV_VALID},
      {u"soa.com", {0, {soa}}, QV_NO_MX},  // a success with an empty answer section
      {u"nx.com", {OS_DNS_NAME_ERROR, {soa}}, QV_NO_MX},
      {u"nodata.com", {OS_DNS_NO_RECORDS, {soa}}, QV_NO_MX},
      {u"failed.com", {9002, {mx(u"localhost")}}, QV_VALID},  // no verdict: skipped, the list unread
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(FakeNarrow(c.domain));
    Fake.Dns[c.domain] = c.answer;
    EXPECT_EQ(ValidateAddress((u"a@" + std::u16string(c.domain)).c_str(), nullptr, nullptr), c.expected);
  }
  EXPECT_EQ(GetMXRecord(u"nohost.com"), -2);
  EXPECT_EQ(GetMXRecord(u"loop.com"), -2);
  EXPECT_EQ(GetMXRecord(u"local.com"), -2);
  EXPECT_EQ(GetMXRecord(u"nx.com"), -3);
  EXPECT_EQ(GetMXRecord(u"nodata.com"), -3);
  EXPECT_EQ(GetMXRecord(u"soa.com"), -3);
  EXPECT_EQ(GetMXRecord(u""), -1);
  EXPECT_EQ(GetMXRecord(u"[1.2.3.4]"), 0);  // an ordinary dotted quad is not looked up
  PluginSettings.DebugMode = 1;
  EXPECT_EQ(GetMXRecord(u"good.com"), 0);
  EXPECT_EQ(Fake.Out.rfind(u"   * GetMXRecord( good.com )\r\n", 0), 0u) << FakeNarrow(Fake.Out);
  PluginSettings.DebugMode = 0;
  EXPECT_EQ(ValidateAddress(u"a@missing.com", nullptr, nullptr), QV_NO_MX);
  Fake.DnsStatus = 1460;  // a time-out: no verdict, skipped
  EXPECT_EQ(ValidateAddress(u"a@missing.com", nullptr, nullptr), QV_VALID);
  PluginSettings.DebugMode = 1;
  EXPECT_EQ(GetMXRecord(u"missing.com"), 0);
  EXPECT_NE(Fake.Out.find(u"   * MX check skipped: DNS status 1460\r\n"), std::u16string::npos);
  PluginSettings.DebugMode = 0;
  ExpectNothingHeld();
  Fake.NetConnected = 0;
  EXPECT_EQ(ValidateAddress(u"a@missing.com", nullptr, nullptr), QV_VALID);
}

}  // namespace
