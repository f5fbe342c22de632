// Character decoding and line reading over byte buffers, each case in every
// encoding that can express its characters.
#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

#include "textbytes.h"
#include "validate/fastscan.h"

namespace {

typedef std::vector<std::u16string> Lines;

Lines L(std::initializer_list<std::u32string> lines) {
  Lines out;
  for (const auto& l : lines) out.push_back(U16(l));
  return out;
}

// Reads text as lines in every encoding that can express it; expects the
// given lines, then -1 from every further call.
void ExpectLines(const std::u32string& text, const Lines& expected, uint32_t flags = 0,
                 int supplementary = 0) {
  int tried = 0;
  for (int encoding : kAllEncodings) {
    Bytes bytes;
    if (!EncodeText(text, encoding, &bytes)) continue;
    ++tried;
    SCOPED_TRACE(EncodingName(encoding));
    bytes.shrink_to_fit();  // a block of exactly its size, for the sanitizers
    TextSource s = RecordOver(bytes, encoding);
    s.Flags = flags;
    s.Supplementary = supplementary;
    EXPECT_EQ(ReadAllLines(&s), expected);
    qchar line[TEXT_LINE_LEN];
    EXPECT_EQ(ReadTextLine(&s, line), -1);
    EXPECT_EQ(line[0], 0);
    EXPECT_EQ(ReadTextChar(&s), -1);
  }
  EXPECT_GT(tried, 0) << "no encoding can express the text";
}

TEST(ReadTextLine, LineEndsAndPairs) {
  ExpectLines(U"\u4100\u2000x", L({U"\u4100\u2000x"}));  // UTF-16 units with a printable byte
  ExpectLines(U"a\r\nb", L({U"a", U"b"}));
  ExpectLines(U"a\n\rb", L({U"a", U"b"}));
  ExpectLines(U"a\rb", L({U"a", U"b"}));
  ExpectLines(U"a\nb\n", L({U"a", U"b"}));
  ExpectLines(U"a\r\rb", L({U"a", U"b"}));          // the empty line between is skipped
  ExpectLines(U"a\n\r\n\rb", L({U"a", U"b"}));      // LF CR, then LF CR: one empty line
  ExpectLines(U"a\u0085\nb", L({U"a", U"b"}));      // NEL ends a; LF ends an empty line
  ExpectLines(U"a\u0085\u0085b", L({U"a", U"b"}));
}

// After a line, Position is just past its line end: both units of a CR LF
// or LF CR pair, one unit otherwise.
TEST(ReadTextLine, PositionAfterALine) {
  struct {
    std::u32string text, consumed;
  } cases[] = {{U"a\r\nb", U"a\r\n"}, {U"a\n\rb", U"a\n\r"}, {U"a\r\rb", U"a\r"},
               {U"a\n\nb", U"a\n"},   {U"a\u0085\nb", U"a\u0085"}, {U"a\0\nb"s, U"a\0"s}};
  for (const auto& c : cases) {
    for (int encoding : kAllEncodings) {
      Bytes text, consumed;
      if (!EncodeText(c.text, encoding, &text) || !EncodeText(c.consumed, encoding, &consumed)) continue;
      SCOPED_TRACE(EncodingName(encoding));
      TextSource s = RecordOver(text, encoding);
      qchar line[TEXT_LINE_LEN];
      ASSERT_EQ(ReadTextLine(&s, line), 0);
      EXPECT_EQ(s.Position, consumed.size());
    }
  }
}

TEST(ReadTextLine, WhiteSpaceLines) {
  ExpectLines(U"x\n   \ny", L({U"x", U"y"}));
  ExpectLines(U"a  \n\tb", L({U"a  ", U"\tb"}));    // not trimmed
  ExpectLines(U"x\n\t\v\f \u00A0\ny", L({U"x", U"y"}));
  ExpectLines(U"x\n\u3000\u2003\ny", L({U"x", U"y"}));  // spaces above U+00FF
  ExpectLines(U"abc", L({U"abc"}));                  // no line end at the end
  ExpectLines(U"x\n   ", L({U"x", U"   "}));         // a last piece of blanks is delivered
  ExpectLines(U"  \r\n \n\t\r\n", L({}));            // only blanks and line ends
  ExpectLines(U"\u00A0x", L({U"\u00A0x"}));
}

TEST(ReadTextLine, ZeroCharacters) {
  ExpectLines(U"a\0b"s, L({U"a", U"b"}));
  ExpectLines(U"a\0b"s, L({U"ab"}), FlagSkipNul);
  ExpectLines(U"a\0\0"s, L({U"a"}), FlagSkipNul);
  ExpectLines(U"a\0b"s, L({U"a\uFFFDb"}), FlagNulAsReplacement);
  ExpectLines(U"a\0b"s, L({U"a", U"b"}), FlagSkipNul | FlagNulAsReplacement);
  // CR, zero, LF with the zero skipped: the peek after CR sees the zero, so
  // the LF ends an empty line of its own.
  ExpectLines(U"a\r\0\nb"s, L({U"a", U"b"}), FlagSkipNul);
}

TEST(ReadTextLine, LongLinesAreCut) {
  std::u32string text(10000, U'x');
  text += U"\nnext";
  Lines expected = {std::u16string(TEXT_LINE_LEN - 1, u'x'), u"next"};
  ExpectLines(text, expected);

  // A pair that no longer fits behind 8190 units is dropped; behind 8189 it fits.
  std::u32string emoji = U"\U0001F600";
  ExpectLines(std::u32string(8190, U'x') + emoji + U"y\nz",
              {std::u16string(8190, u'x') + u"y", u"z"}, 0, 1);
  ExpectLines(std::u32string(8189, U'x') + emoji + U"y\nz",
              {std::u16string(8189, u'x') + U16(emoji), u"z"}, 0, 1);
  // A line of nothing but a supplementary character has content.
  ExpectLines(emoji + U"\n", {U16(emoji)}, 0, 1);
  // Without Supplementary, UTF-16 surrogates are units of their own: the high
  // one is the line's 8191st unit, the low one is dropped.
  Bytes bytes;
  ASSERT_TRUE(EncodeText(std::u32string(8190, U'x') + emoji + U"\nz", EncUtf16Le, &bytes));
  TextSource s = RecordOver(bytes, EncUtf16Le);
  EXPECT_EQ(ReadAllLines(&s), (Lines{std::u16string(8190, u'x') + U16(emoji).substr(0, 1), u"z"}));
}

TEST(ReadTextLine, NullArguments) {
  Bytes bytes = {'a'};
  TextSource s = RecordOver(bytes, EncAnsi);
  qchar line[TEXT_LINE_LEN];
  EXPECT_EQ(ReadTextLine(nullptr, line), -1);
  EXPECT_EQ(ReadTextLine(&s, nullptr), -1);
  EXPECT_EQ(ReadTextChar(nullptr), -1);
  EXPECT_EQ(PeekTextChar(nullptr), -1);
  TextSource clear = {};
  line[0] = 'x';
  EXPECT_EQ(ReadTextLine(&clear, line), -1);
  EXPECT_EQ(line[0], 0);
  EXPECT_EQ(ReadTextChar(&clear), -1);
}

// Reads every character of bytes in the given encoding.
std::vector<int32_t> Chars(const Bytes& bytes, int encoding, int supplementary = 0) {
  TextSource s = RecordOver(bytes, encoding);
  s.Supplementary = supplementary;
  std::vector<int32_t> out;
  for (int32_t c; (c = ReadTextChar(&s)) != -1;) out.push_back(c);
  return out;
}

TEST(DecodeUtf8, SequencesByLeadByte) {
  const uint8_t ascii[] = {0x41}, two[] = {0xC3, 0xA9}, three[] = {0xE2, 0x82, 0xAC},
                four[] = {0xF0, 0x9F, 0x98, 0x80}, overlong[] = {0xC0, 0xAF},
                overlongNul[] = {0xC0, 0x80}, cont[] = {0x80}, f8[] = {0xF8, 0x80, 0x80, 0x80},
                badCont[] = {0xE2, 0x41, 0x80}, badLast[] = {0xF0, 0x9F, 0x98, 0x41},
                badThird[] = {0xE2, 0x82, 0x41};
  EXPECT_EQ(DecodeUtf8(ascii), 0x41);
  EXPECT_EQ(DecodeUtf8(two), 0xE9);
  EXPECT_EQ(DecodeUtf8(three), 0x20AC);
  EXPECT_EQ(DecodeUtf8(four), 0x1F600);
  EXPECT_EQ(DecodeUtf8(overlong), 0x2F);
  EXPECT_EQ(DecodeUtf8(overlongNul), 0);
  EXPECT_EQ(DecodeUtf8(cont), -1);
  EXPECT_EQ(DecodeUtf8(f8), -1);
  EXPECT_EQ(DecodeUtf8(badCont), -1);
  EXPECT_EQ(DecodeUtf8(badLast), -1);
  EXPECT_EQ(DecodeUtf8(badThird), -1);
  EXPECT_EQ(DecodeUtf8(nullptr), -1);
}

TEST(ReadTextChar, Utf8) {
  EXPECT_EQ(Chars({0x63, 0x61, 0x66, 0xC3, 0xA9}, EncUtf8), (std::vector<int32_t>{'c', 'a', 'f', 0xE9}));
  EXPECT_EQ(Chars({0x61, 0xFF, 0x62}, EncUtf8), (std::vector<int32_t>{'a', 0xFFFD, 'b'}));
  EXPECT_EQ(Chars({0xF0, 0x9F, 0x98, 0x80}, EncUtf8, 0), (std::vector<int32_t>{0xFFFD}));
  EXPECT_EQ(Chars({0xF0, 0x9F, 0x98, 0x80}, EncUtf8, 1), (std::vector<int32_t>{0x1F600}));
  // Cut off by the end: each byte is replaced on its own.
  EXPECT_EQ(Chars({0x61, 0xE2, 0x82}, EncUtf8), (std::vector<int32_t>{'a', 0xFFFD, 0xFFFD}));
  // A bad continuation uses one byte; decoding resumes at the next.
  EXPECT_EQ(Chars({0xE2, 0x41, 0x42}, EncUtf8), (std::vector<int32_t>{0xFFFD, 'A', 'B'}));
  EXPECT_EQ(Chars({0x80, 0xBF, 0xF8}, EncUtf8), (std::vector<int32_t>{0xFFFD, 0xFFFD, 0xFFFD}));
  // Surrogates and values above U+10FFFF use their whole sequence.
  EXPECT_EQ(Chars({0xED, 0xA0, 0x80, 0x61}, EncUtf8, 1), (std::vector<int32_t>{0xFFFD, 'a'}));
  EXPECT_EQ(Chars({0xF4, 0x90, 0x80, 0x80, 0x61}, EncUtf8, 1), (std::vector<int32_t>{0xFFFD, 'a'}));
  EXPECT_EQ(Chars({0xF4, 0x8F, 0xBF, 0xBF}, EncUtf8, 1), (std::vector<int32_t>{0x10FFFF}));
  // The characters next to the surrogates and at the end of the basic plane.
  EXPECT_EQ(Chars({0xEE, 0x80, 0x80, 0xEF, 0xBF, 0xBF}, EncUtf8, 0), (std::vector<int32_t>{0xE000, 0xFFFF}));
  // Overlong forms are taken by their bits.
  EXPECT_EQ(Chars({0xC0, 0xAF}, EncUtf8), (std::vector<int32_t>{'/'}));

  Bytes text = {0x63, 0x61, 0x66, 0xC3, 0xA9, 0x0A, 0xF0, 0x9F, 0x98, 0x80, 0x78};
  TextSource lines = RecordOver(text, EncUtf8);
  EXPECT_EQ(ReadAllLines(&lines), (Lines{u"caf\u00E9", u"\xFFFDx"}));

  Bytes bytes = {0x61, 0xE2};
  TextSource s = RecordOver(bytes, EncUtf8);
  EXPECT_EQ(ReadTextChar(&s), 'a');
  EXPECT_EQ(PeekTextChar(&s), -1);  // cut-off sequence: peek sees the end
  EXPECT_EQ(s.Position, 1u);
  EXPECT_EQ(ReadTextChar(&s), 0xFFFD);
  EXPECT_EQ(s.Position, 2u);
  EXPECT_EQ(ReadTextChar(&s), -1);
}

TEST(ReadTextChar, Utf16) {
  // Units D83D DE00: returned one by one unless Supplementary is set; the
  // line holds the same two units either way.
  Bytes le = {0x3D, 0xD8, 0x00, 0xDE}, be = {0xD8, 0x3D, 0xDE, 0x00};
  EXPECT_EQ(Chars(le, EncUtf16Le, 0), (std::vector<int32_t>{0xD83D, 0xDE00}));
  EXPECT_EQ(Chars(le, EncUtf16Le, 1), (std::vector<int32_t>{0x1F600}));
  EXPECT_EQ(Chars(be, EncUtf16Be, 1), (std::vector<int32_t>{0x1F600}));
  EXPECT_EQ(Chars({0xFF, 0xDB, 0xFF, 0xDF}, EncUtf16Le, 1), (std::vector<int32_t>{0x10FFFF}));
  for (int supplementary = 0; supplementary < 2; ++supplementary) {
    TextSource s = RecordOver(le, EncUtf16Le);
    s.Supplementary = supplementary;
    EXPECT_EQ(ReadAllLines(&s), (Lines{u"\xD83D\xDE00"}));
  }
  // Unpaired surrogates pass as they are; a high surrogate at the end too.
  EXPECT_EQ(Chars({0x00, 0xDE, 0x61, 0x00, 0x3D, 0xD8}, EncUtf16Le, 1),
            (std::vector<int32_t>{0xDE00, 'a', 0xD83D}));
  // An odd size ends one byte early.
  Bytes odd = {0x61, 0x00, 0x62};
  TextSource s = RecordOver(odd, EncUtf16Le);
  EXPECT_EQ(ReadTextChar(&s), 'a');
  EXPECT_EQ(PeekTextChar(&s), -1);
  EXPECT_EQ(ReadTextChar(&s), -1);
  EXPECT_EQ(s.Position, 2u);
}

TEST(ReadTextChar, Utf32) {
  EXPECT_EQ(Chars({0x00, 0x00, 0x11, 0x00}, EncUtf32Le, 1), (std::vector<int32_t>{0xFFFD}));
  EXPECT_EQ(Chars({0xFF, 0xFF, 0xFF, 0xFF}, EncUtf32Le, 1), (std::vector<int32_t>{0xFFFD}));
  EXPECT_EQ(Chars({0x00, 0x01, 0xF6, 0x00}, EncUtf32Be, 0), (std::vector<int32_t>{0xFFFD}));
  EXPECT_EQ(Chars({0x00, 0x01, 0xF6, 0x00}, EncUtf32Be, 1), (std::vector<int32_t>{0x1F600}));
  EXPECT_EQ(Chars({0xFF, 0xFF, 0x10, 0x00}, EncUtf32Le, 1), (std::vector<int32_t>{0x10FFFF}));
  EXPECT_EQ(Chars({0xFF, 0xFF, 0x00, 0x00}, EncUtf32Le, 0), (std::vector<int32_t>{0xFFFF}));
  EXPECT_EQ(Chars({0x41, 0x00, 0x00, 0x80}, EncUtf32Le, 1), (std::vector<int32_t>{0xFFFD}));
  EXPECT_EQ(Chars({0x80, 0x00, 0x00, 0x41}, EncUtf32Be, 1), (std::vector<int32_t>{0xFFFD}));
  // A surrogate value passes; the line stores it as one unit.
  Bytes d800 = {0x00, 0xD8, 0x00, 0x00};
  TextSource s = RecordOver(d800, EncUtf32Le);
  EXPECT_EQ(ReadAllLines(&s), (Lines{u"\xD800"}));
  // A size that is not a multiple of 4 ends early.
  EXPECT_EQ(Chars({0x61, 0, 0, 0, 0x62, 0, 0}, EncUtf32Le), (std::vector<int32_t>{'a'}));
}

TEST(ReadTextChar, SingleByteTables) {
  Bytes high = {0x80, 0x81, 0xE9};
  EXPECT_EQ(Chars(high, EncAnsi), (std::vector<int32_t>{0x20AC, 0xFFFD, 0xE9}));
  EXPECT_EQ(Chars(high, EncRawBytes), (std::vector<int32_t>{0x80, 0x81, 0xE9}));
  TextSource s = RecordOver(high, EncAnsi);
  s.AnsiTable = 2;  // 1251
  EXPECT_EQ(ReadTextChar(&s), 0x0402);
  s.AnsiTable = ANSI_TABLE_COUNT;  // no such row: 1252's
  EXPECT_EQ(ReadTextChar(&s), 0xFFFD);
  Bytes ebcdic = {0xC8, 0x89, 0x40, 0xF1, 0x25, 0x15, 0x9F, 0xFF};
  EXPECT_EQ(Chars(ebcdic, EncEbcdic),
            (std::vector<int32_t>{'H', 'i', ' ', '1', '\n', 0x85, 0x20AC, 0xFFFD}));
  // Another table row: 1141 (Germany) has the A umlaut at 0x4A.
  Bytes umlaut = {0x4A};
  TextSource g = RecordOver(umlaut, EncEbcdic);
  g.EbcdicTable = 1;
  EXPECT_EQ(ReadTextChar(&g), 0xC4);
  g.EbcdicTable = EBCDIC_TABLE_COUNT;  // no such row: 1140's
  g.Position = 0;
  EXPECT_EQ(ReadTextChar(&g), 0xA2);
}

TEST(ReadTextChar, PeekDoesNotMoveAndIgnoresFlags) {
  Bytes bytes;
  ASSERT_TRUE(EncodeText(U"\0x"s, EncUtf16Le, &bytes));
  TextSource s = RecordOver(bytes, EncUtf16Le);
  s.Flags = FlagNulAsReplacement;
  EXPECT_EQ(PeekTextChar(&s), 0);
  EXPECT_EQ(PeekTextChar(&s), 0);
  EXPECT_EQ(s.Position, 0u);
  EXPECT_EQ(ReadTextChar(&s), 0xFFFD);
  s.Flags = FlagSkipNul;
  EXPECT_EQ(PeekTextChar(&s), 'x');
  EXPECT_EQ(ReadTextChar(&s), 'x');
  EXPECT_EQ(ReadTextChar(&s), -1);
  EXPECT_EQ(s.Position, s.Size);
}

TEST(ReadTextChar, ReplacementIsTheRecordsChoice) {
  Bytes bad = {0xFF};
  TextSource s = RecordOver(bad, EncUtf8);
  s.Replacement = 0x003F;
  EXPECT_EQ(ReadTextChar(&s), '?');
}

// What decides whether ASCII text of the reading stands unit for unit in the
// bytes: the encoding, zero bytes or units, the lead bytes of overlong forms, a
// Replacement below U+0080, and only the bytes from Position on.
TEST(IsAsciiTransparent, OverlongFormsZerosAndReplacementDecide) {
  struct Case {
    std::string Text;
    int Encoding;
    uint16_t Replacement;
    uint32_t Position;
    int Transparent;
  };
  const Case cases[] = {
      {"com\r\nnet\n", EncUtf8, 0xFFFD, 0, 1},
      {"\xD1\x80\xD1\x84 \xE0\xA4\x95 \xF0\x90\x80\x80 \xFF", EncUtf8, 0xFFFD, 0, 1},
      {"c\xC1\xAFm", EncUtf8, 0xFFFD, 0, 0},
      {"c\xC0\x8A", EncUtf8, 0xFFFD, 0, 0},
      {"\xE0\x81\xAF", EncUtf8, 0xFFFD, 0, 0},
      {"\xE0\x82\x80", EncUtf8, 0xFFFD, 0, 1},
      {"\xE0\xA4\x85\xC0\xAF", EncUtf8, 0xFFFD, 0, 0},
      {"\xF0\x80\x81\xAF", EncUtf8, 0xFFFD, 0, 0},
      {"a\xFF" "b", EncUtf8, 0x000A, 0, 0},
      {"ab", EncUtf8, 0x000A, 0, 1},
      {"a\xFF" "b", EncUtf8, 0x0080, 0, 1},
      {std::string("a\0b", 3), EncUtf8, 0xFFFD, 0, 0},
      {std::string("a\0b", 3), EncUtf8, 0xFFFD, 2, 1},
      {std::string("a\0b", 3), EncRawBytes, 0xFFFD, 0, 0},
      {std::string("a\0b", 3), EncAnsi, 0xFFFD, 0, 0},
      {"caf\xE9 \x80\x81\xFF", EncAnsi, 0xFFFD, 0, 1},
      {"\x85\xC1\xAF", EncRawBytes, 0xFFFD, 0, 1},
      {std::string("a\0b\0", 4), EncUtf16Le, 0xFFFD, 0, 1},
      {std::string("a\0\0\0b", 5), EncUtf16Le, 0xFFFD, 0, 0},  // a zero unit
      {std::string("\0a\0\0", 4), EncUtf16Be, 0xFFFD, 0, 0},
      {std::string("\0a\0", 3), EncUtf16Be, 0xFFFD, 0, 1},      // the odd last byte is never read
      {"COM", EncEbcdic, 0xFFFD, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    const Bytes text(c.Text.begin(), c.Text.end());
    TextSource s = RecordOver(text, c.Encoding);
    s.Replacement = c.Replacement;
    s.Position = c.Position;
    EXPECT_EQ(IsAsciiTransparent(&s), c.Transparent);
    const bool bytes = c.Encoding == EncUtf8 || c.Encoding == EncAnsi || c.Encoding == EncRawBytes;
    EXPECT_EQ(AsciiUnitSize(&s), bytes ? 1u : (c.Encoding == EncUtf16Le || c.Encoding == EncUtf16Be) ? 2u : 0u);
  }
}

// In every encoding whose units show ASCII (AsciiUnitSize), the fast scan
// settles a listed and an unlisted label on its own, without the lines; in
// the others it leaves every lookup to them.
TEST(FindEntryFast, SettlesEachEncodingItClaims) {
  const std::u32string list = U"# domains\r\ncom\r\n.org\r\n  net  remark\r\ncaf\u00e9\r\nmuseum";
  for (int encoding : kAllEncodings) {
    SCOPED_TRACE(EncodingName(encoding));
    Bytes bytes;
    ASSERT_TRUE(EncodeText(list, encoding, &bytes));
    TextSource s = RecordOver(bytes, encoding);
    qchar line[TEXT_LINE_LEN];
    const int claimed = AsciiUnitSize(&s) != 0;
    EXPECT_EQ(FindEntryFast(&s, QT("net"), line), claimed ? 1 : -1);
    EXPECT_EQ(FindEntryFast(&s, QT("MUSEUM"), line), claimed ? 1 : -1);
    EXPECT_EQ(FindEntryFast(&s, QT("domains"), line), claimed ? 0 : -1);
    EXPECT_EQ(FindEntryFast(&s, QT("xyz"), line), claimed ? 0 : -1);
  }
}

// Where the text stops being canonical: E0 and F0 before the bytes of their
// overlong forms, also at the very end of the text.
TEST(IsCanonicalText, OverlongLeadBytes) {
  const std::pair<std::string, int> cases[] = {
      {"ab\xE0", 1}, {"\xE0\xA4\x85", 1}, {"\xE0\xA0\x80", 1}, {"\xE0\xA4\x85\xE1\x80\x80", 1}, {"\xE0\x9F\xBF", 0}, {"\xE0\x80\x80", 0}, {"\xF0\x90\x80\x80", 1}, {"\xF0\x8F\xBF\xBF", 0}};
  for (const auto& c : cases) {
    const Bytes text(c.first.begin(), c.first.end());
    TextSource s = RecordOver(text, EncUtf8);
    EXPECT_EQ(IsCanonicalText(&s), c.second) << "case " << (&c - cases);
  }
  const Bytes ascii = {'a'};  // other encodings are never canonical text
  TextSource ansi = RecordOver(ascii, EncAnsi);
  EXPECT_EQ(IsCanonicalText(&ansi), 0);
  const Bytes unit = {'a', 0};
  TextSource utf16 = RecordOver(unit, EncUtf16Le);
  EXPECT_EQ(IsCanonicalText(&utf16), 1);
}

}  // namespace
