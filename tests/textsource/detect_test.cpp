// Encoding detection over byte buffers, the locale's EBCDIC code page and the
// generated code-page tables.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "textbytes.h"

namespace {

Bytes Ascii(const char* text) { return Bytes(text, text + strlen(text)); }

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes Encoded(const std::u32string& text, int encoding) {
  Bytes b;
  EXPECT_TRUE(EncodeText(text, encoding, &b));
  return b;
}

// Detects bytes as a freshly opened file would be (code page 1252 unless
// given); returns the record for its fields.
TextSource Detect(const Bytes& bytes, int allowEbcdic = 0, uint32_t codePage = 1252) {
  TextSource s = RecordOver(bytes, -1);
  s.AnsiCodePage = codePage;
  int kind = DetectEncoding(&s, allowEbcdic);
  EXPECT_EQ(kind, s.Encoding);
  return s;
}

TEST(DetectEncoding, ByteOrderMarks) {
  TextSource s = Detect(Concat({0xFF, 0xFE}, Encoded(U"a b", EncUtf16Le)));
  EXPECT_EQ(s.Encoding, EncUtf16Le);
  EXPECT_EQ(s.BomLength, 2u);
  EXPECT_EQ(s.Position, 2u);
  s = Detect(Concat({0xFE, 0xFF}, Encoded(U"ab", EncUtf16Be)));
  EXPECT_EQ(s.Encoding, EncUtf16Be);
  EXPECT_EQ(s.Position, 2u);
  s = Detect({0xFF, 0xFE, 0x00, 0x00, 0x41, 0x00, 0x00, 0x00});
  EXPECT_EQ(s.Encoding, EncUtf32Le);
  EXPECT_EQ(s.BomLength, 4u);
  EXPECT_EQ(s.Position, 4u);
  s = Detect(Concat({0x00, 0x00, 0xFE, 0xFF}, Encoded(U"Ab\n", EncUtf32Be)));
  EXPECT_EQ(s.Encoding, EncUtf32Be);
  EXPECT_EQ(s.BomLength, 4u);
  // A UTF-32 mark decides even when line ends outweigh the letters.
  s = Detect(Concat({0xFF, 0xFE, 0, 0}, Encoded(U"com\r\nnet\r\n", EncUtf32Le)));
  EXPECT_EQ(s.Encoding, EncUtf32Le);
  EXPECT_EQ(s.BomLength, 4u);
  s = Detect(Concat({0, 0, 0xFE, 0xFF}, Encoded(U"com\r\nnet\r\n", EncUtf32Be)));
  EXPECT_EQ(s.Encoding, EncUtf32Be);
  EXPECT_EQ(s.BomLength, 4u);
  // Not a multiple of 4: FF FE 00 00 is a UTF-16 mark and a zero character.
  s = Detect({0xFF, 0xFE, 0, 0, 0x41, 0});
  EXPECT_EQ(s.Encoding, EncUtf16Le);
  EXPECT_EQ(s.BomLength, 2u);
  s = Detect(Concat({0xEF, 0xBB, 0xBF}, Ascii("plain")));
  EXPECT_EQ(s.Encoding, EncUtf8);
  EXPECT_EQ(s.Position, 3u);
  // A byte-order mark alone: nothing to read.
  for (const Bytes& bom : {Bytes{0xFF, 0xFE}, Bytes{0xEF, 0xBB, 0xBF}, Bytes{0xFF, 0xFE, 0, 0}}) {
    s = Detect(bom);
    EXPECT_EQ(s.Position, s.Size);
    EXPECT_EQ(ReadAllLines(&s).size(), 0u);
  }
}

TEST(DetectEncoding, WithoutMarks) {
  EXPECT_EQ(Detect(Ascii("com\r\nnet\r\n")).Encoding, EncAnsi);
  EXPECT_EQ(Detect(Ascii("com\r\nnet\r\n")).BomLength, 0u);
  EXPECT_EQ(Detect(Ascii("caf\xC3\xA9 au lait")).Encoding, EncUtf8);
  EXPECT_EQ(Detect(Ascii("caf\xE9 au lait")).Encoding, EncAnsi);
  EXPECT_EQ(Detect(Ascii("a\xC3")).Encoding, EncUtf8);  // cut off by the end: accepted
  EXPECT_EQ(Detect(Ascii("\xF8\x88\x80\x80\x80")).Encoding, EncAnsi);
  EXPECT_EQ(Detect(Ascii("\xF8\x88\x80\x80")).Encoding, EncAnsi);  // no lead byte from F8 up
  EXPECT_EQ(Detect(Ascii("\x80\xC3\xA9")).Encoding, EncAnsi);      // nor a continuation byte first
  EXPECT_EQ(Detect(Ascii("x")).Encoding, EncAnsi);
  EXPECT_EQ(Detect(Ascii("abc\xFF")).Encoding, EncAnsi);          // half a UTF-32 mark
  EXPECT_EQ(Detect(Bytes{'a', 0, 0, 'b', 'c', 'd'}).Encoding, EncAnsi);  // as many zeros each side
  EXPECT_EQ(Detect(Bytes{0, 'a'}).Encoding, EncUtf16Be);
  EXPECT_EQ(Detect(Bytes{'A', 0, 0xFE, 0xFF}).Encoding, EncUtf16Le);  // not the UTF-32 mark
  EXPECT_EQ(Detect(Bytes{'A', 0, 1, 0, 'B', 0, 1, 0}).Encoding, EncUtf16Le);  // UTF-32 needs zero units
  EXPECT_EQ(Detect(Ascii("x\xFF\xFE")).Encoding, EncAnsi);  // no byte-order mark at the start
  EXPECT_EQ(Detect(Ascii("x\xFE\xFF")).Encoding, EncAnsi);
  EXPECT_EQ(Detect(Encoded(U"a b", EncUtf16Le)).Encoding, EncUtf16Le);
  EXPECT_EQ(Detect(Encoded(U"a b", EncUtf16Be)).Encoding, EncUtf16Be);
  EXPECT_EQ(Detect(Encoded(U"ab", EncUtf32Le)).Encoding, EncUtf32Le);
  EXPECT_EQ(Detect(Encoded(U"ab", EncUtf32Be)).Encoding, EncUtf32Be);
  EXPECT_EQ(Detect(Encoded(U"ab", EncUtf32Le)).BomLength, 0u);

  // UTF-16 words one per line, no mark, no space, over 32 bytes: not UTF-16.
  Bytes words = Encoded(U"com\r\nnet\r\norg\r\nedu\r\n", EncUtf16Le);
  ASSERT_GT(words.size(), 32u);
  EXPECT_EQ(Detect(words).Encoding, EncAnsi);
  // The same with spaces is recognised, in either order; more than 128
  // bytes need four times as many.
  std::u32string sentence;
  for (int i = 0; i < 20; ++i) sentence += U"a few words ";
  EXPECT_EQ(Detect(Encoded(sentence, EncUtf16Le)).Encoding, EncUtf16Le);
  EXPECT_EQ(Detect(Encoded(sentence, EncUtf16Be)).Encoding, EncUtf16Be);
  EXPECT_EQ(Detect(Encoded(sentence + U"\u4E2D\u6587", EncUtf8)).Encoding, EncUtf8);
}

// Without a mark, UTF-16 needs its zero bytes on one side to outnumber the
// other side twice over up to 128 bytes, four times over beyond.
TEST(DetectEncoding, Utf16Factor) {
  auto text = [](size_t letters, size_t zeroLow) {  // U+0100 has its zero byte on the other side
    std::u32string t;
    for (size_t i = 0; i < letters; ++i) t += (i % 4 == 3) ? U' ' : U'x';
    for (size_t i = 0; i < zeroLow; ++i) t += U'\u0100';
    return t;
  };
  EXPECT_EQ(Detect(Encoded(text(48, 16), EncUtf16Le)).Encoding, EncUtf16Le);  // 128 bytes, 3:1
  EXPECT_EQ(Detect(Encoded(text(60, 20), EncUtf16Le)).Encoding, EncAnsi);     // 160 bytes, 3:1
  EXPECT_EQ(Detect(Encoded(text(68, 12), EncUtf16Le)).Encoding, EncUtf16Le);  // 160 bytes, 5.7:1
  EXPECT_EQ(Detect(Encoded(text(48, 16), EncUtf16Be)).Encoding, EncUtf16Be);
  EXPECT_EQ(Detect(Encoded(text(60, 20), EncUtf16Be)).Encoding, EncAnsi);
  Bytes odd = Encoded(text(48, 16), EncUtf16Le);
  odd.push_back('x');  // 129 bytes
  EXPECT_EQ(Detect(odd).Encoding, EncAnsi);
  // Up to 32 bytes one zero byte more on a side decides; the ratio from 33
  // bytes on must be exceeded.
  Bytes short32(32, 'a');
  short32[1] = 0;
  EXPECT_EQ(Detect(short32).Encoding, EncUtf16Le);
  Bytes even40(40, 'a');
  even40[1] = ' ', even40[2] = 0, even40[3] = 0, even40[4] = 0;  // zeros 2:1, spaces 1:0
  EXPECT_EQ(Detect(even40).Encoding, EncAnsi);
}

TEST(DetectEncoding, Utf8CodePage) {
  EXPECT_EQ(Detect(Ascii("plain"), 0, 65001).Encoding, EncUtf8);
  EXPECT_EQ(Detect(Ascii("caf\xE9"), 0, 65001).Encoding, EncUtf8);
  EXPECT_EQ(Detect(Ascii("x"), 0, 65001).Encoding, EncUtf8);
  TextSource s = Detect(Ascii("\xEF\xBB\xBFx"), 0, 65001);
  EXPECT_EQ(s.BomLength, 3u);
  EXPECT_EQ(s.Position, 3u);
  // UTF-16 still comes first; EBCDIC never runs.
  EXPECT_EQ(Detect(Encoded(U"a b", EncUtf16Le), 0, 65001).Encoding, EncUtf16Le);
  EXPECT_EQ(Detect(Bytes(128, 0), 1, 65001).Encoding, EncUtf8);
}

TEST(DetectEncoding, Ebcdic) {
  EXPECT_EQ(Detect(Bytes(128, 0), 1).Encoding, EncEbcdic);
  EXPECT_EQ(Detect(Bytes(128, 0), 0).Encoding, EncAnsi);
  EXPECT_EQ(Detect(Bytes(127, 0), 1).Encoding, EncAnsi);
  // The first and last byte of each block of EBCDIC letters and digits, and
  // the bytes around them.
  for (uint8_t b : {0x81, 0x89, 0x91, 0x99, 0xA2, 0xA9, 0xC1, 0xC9, 0xD1, 0xD9, 0xE2, 0xE9, 0xF0, 0xF9})
    EXPECT_EQ(Detect(Bytes(128, b), 1).Encoding, EncEbcdic) << (int)b;
  for (uint8_t b : {0x80, 0x8A, 0x90, 0x9A, 0xA1, 0xAA, 0xC0, 0xCA, 0xD0, 0xDA, 0xE1, 0xEA, 0xEF, 0xFA})
    EXPECT_EQ(Detect(Bytes(128, b), 1).Encoding, EncAnsi) << (int)b;
  // From 1024 bytes on, five times as many EBCDIC letters as ASCII ones.
  Bytes four = Concat(Bytes(823, 0xC1), Bytes(200, 'a'));
  EXPECT_EQ(Detect(four, 1).Encoding, EncEbcdic);
  four.push_back(0xC1);
  EXPECT_EQ(Detect(four, 1).Encoding, EncAnsi);
  std::u32string text;
  while (text.size() < 2000) text += U"HELLO WORLD 2024 from the host\n";
  Bytes ebcdic = Encoded(text, EncEbcdic);
  EXPECT_EQ(Detect(ebcdic, 1).Encoding, EncEbcdic);
  EXPECT_EQ(Detect(ebcdic, 0).Encoding, EncAnsi);
  EXPECT_EQ(Detect(Encoded(text, EncAnsi), 1).Encoding, EncAnsi);
  // Too many high bytes that are no EBCDIC letter or digit.
  Bytes noisy = ebcdic;
  noisy.insert(noisy.end(), ebcdic.size() / 4, 0x8F);
  EXPECT_EQ(Detect(noisy, 1).Encoding, EncAnsi);
  // EBCDIC spaces outweigh an ASCII one.
  EXPECT_EQ(Detect(Concat(Bytes(100, 0x81), Concat(Bytes(27, 0x40), Ascii(" "))), 1).Encoding, EncEbcdic);
}

TEST(DetectEncoding, LooksOnlyAtAPrefix) {
  // A bad byte behind the UTF-8 sample does not count.
  Bytes text = Concat(Ascii("\xC3\xA9"), Bytes(262144, 'a'));
  text.push_back(0xFF);
  EXPECT_EQ(Detect(text).Encoding, EncUtf8);
  text[262143] = 0xFF;  // the last byte of the sample
  EXPECT_EQ(Detect(text).Encoding, EncAnsi);
}

TEST(DetectEncoding, RecordStates) {
  EXPECT_EQ(DetectEncoding(nullptr, 1), 0);
  TextSource clear = {};
  clear.Encoding = 3;
  EXPECT_EQ(DetectEncoding(&clear, 1), 0);
  EXPECT_EQ(clear.Encoding, 0);
  clear.Size = 256;
  for (auto detect : {DetectUtf32, DetectUtf16, DetectUtf8, DetectEbcdic}) {
    EXPECT_EQ(detect(nullptr), 0);
    EXPECT_EQ(detect(&clear), 0);  // a size but no data
  }
  // Position is never lowered.
  Bytes bytes = Concat({0xFF, 0xFE}, Encoded(U"abc", EncUtf16Le));
  TextSource s = RecordOver(bytes, 0);
  s.Position = 6;
  EXPECT_EQ(DetectEncoding(&s, 0), EncUtf16Le);
  EXPECT_EQ(s.Position, 6u);
  // A clipboard record is UTF-16LE whatever its bytes.
  Bytes clip = {0xFF, 0xFE, 'z', 0, 0, 0};
  TextSource c = RecordOver(clip, 0);
  c.Size = 4;
  c.FileHandle = c.MappingHandle = nullptr;
  qchar name[] = {'C', 'l', 'I', 'p', ':', 0};
  c.SourceName = name;
  EXPECT_EQ(DetectEncoding(&c, 1), EncUtf16Le);
  EXPECT_EQ(c.BomLength, 2u);
  c.Size = 2;  // the mark alone
  c.BomLength = 0;
  EXPECT_EQ(DetectEncoding(&c, 1), EncUtf16Le);
  EXPECT_EQ(c.BomLength, 2u);
  Bytes plain = {'a', 'b', 'c', 'd', 0, 0};
  c.Data = plain.data();
  c.BomLength = 0;
  c.Position = 0;
  EXPECT_EQ(DetectEncoding(&c, 1), EncUtf16Le);
  EXPECT_EQ(c.BomLength, 0u);
  qchar file[] = {'C', ':', '\\', 'x', 0};  // no handles, but not the clipboard
  c.SourceName = file;
  EXPECT_EQ(DetectEncoding(&c, 1), EncAnsi);
}

TEST(EbcdicCodePage, ByLocale) {
  EXPECT_EQ(EbcdicCodePageForLocale(0x0407), 1141u);
  EXPECT_EQ(EbcdicCodePageForLocale(0x0C07), 1141u);  // German (Austria), a row of its own
  EXPECT_EQ(EbcdicCodePageForLocale(0x0807), 1141u);  // Swiss German, by language
  EXPECT_EQ(EbcdicCodePageForLocale(0x0409), 1140u);
  EXPECT_EQ(EbcdicCodePageForLocale(0x0809), 1146u);
  EXPECT_EQ(EbcdicCodePageForLocale(0x083C), 1146u);  // Irish, a row of its own
  EXPECT_EQ(EbcdicCodePageForLocale(0x1009), 1140u);  // English (Canada): English goes to 1140
  EXPECT_EQ(EbcdicCodePageForLocale(0x0C0C), 1147u);
  EXPECT_EQ(EbcdicCodePageForLocale(0x0411), 1140u);
  EXPECT_EQ(EbcdicCodePageForLocale(0x040F), 1149u);
  EXPECT_EQ(EbcdicCodePageForLocale(0x2C0A), 1145u);  // Spanish (Argentina)
  EXPECT_EQ(EbcdicCodePageForLocale(0x00010000), 1140u);
  EXPECT_EQ(EbcdicCodePageForLocale(0x00010407), 1141u);  // sort bits are ignored
  EXPECT_EQ(EbcdicCodePageForLocale(0), 1140u);
  uint32_t cp = DefaultEbcdicCodePage();
  EXPECT_GE(cp, 1140u);
  EXPECT_LE(cp, 1149u);
}

TEST(FindCodePageTables, Indexes) {
  int32_t a = -1, e = -1;
  EXPECT_EQ(FindCodePageTables(&a, &e, 1251, 1141), 0);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(e, 1);
  EXPECT_EQ(FindCodePageTables(&a, &e, 932, 1150), 0);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(e, 0);
  EXPECT_EQ(FindCodePageTables(&a, &e, 21866, 1149), 0);
  EXPECT_EQ(a, 23);
  EXPECT_EQ(e, 9);
  EXPECT_EQ(FindCodePageTables(&a, &e, 65001, 1139), 0);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(e, 0);
  EXPECT_EQ(FindCodePageTables(&a, nullptr, 437, 1140), 0);
  EXPECT_EQ(a, 9);
  EXPECT_EQ(FindCodePageTables(nullptr, &e, 437, 1140), -1);
}

TEST(CodePageTables, TellingEntries) {
  const uint16_t pages[] = {1252, 1250, 1251, 1253, 1254, 1255, 1256, 1257, 1258, 437, 720, 737,
                            775,  850,  852,  855,  857,  858,  862,  866,  874, 10000, 20866, 21866};
  for (int i = 0; i < ANSI_TABLE_COUNT; ++i) EXPECT_EQ(AnsiCodePages[i], pages[i]);
  for (int i = 0; i < EBCDIC_TABLE_COUNT; ++i) EXPECT_EQ(EbcdicCodePages[i], 1140 + i);
  auto ansi = [](uint32_t cp, int byte) {
    int32_t a = 0;
    FindCodePageTables(&a, nullptr, cp, 0);
    return AnsiTables[a][byte - 0x80];
  };
  EXPECT_EQ(ansi(1252, 0x80), 0x20AC);
  EXPECT_EQ(ansi(1252, 0x81), 0xFFFD);
  EXPECT_EQ(ansi(437, 0x80), 0x00C7);
  EXPECT_EQ(ansi(720, 0xA0), 0x0628);    // Arabic beh
  EXPECT_EQ(ansi(874, 0xA1), 0x0E01);    // Thai ko kai
  EXPECT_EQ(ansi(874, 0xDB), 0xFFFD);    // undefined
  EXPECT_EQ(ansi(10000, 0xC6), 0x2206);  // Mac Roman increment
  EXPECT_EQ(ansi(10000, 0xF0), 0xF8FF);
  EXPECT_EQ(ansi(20866, 0xA4), 0x2553);  // KOI8-R box drawing ...
  EXPECT_EQ(ansi(21866, 0xA4), 0x0454);  // ... where KOI8-U has a Ukrainian letter
  EXPECT_EQ(ansi(1251, 0xC0), 0x0410);
  EXPECT_EQ(ansi(858, 0xD5), 0x20AC);    // 858 is 850 with the euro
  EXPECT_EQ(ansi(850, 0xD5), 0x0131);

  const uint16_t* e1140 = EbcdicTables[0];
  EXPECT_EQ(e1140[0x40], 0x0020);
  EXPECT_EQ(e1140[0xC1], 0x0041);
  EXPECT_EQ(e1140[0xF0], 0x0030);
  EXPECT_EQ(e1140[0x9F], 0x20AC);
  EXPECT_EQ(EbcdicTables[1][0x4A], 0x00C4);   // 1141: A umlaut
  EXPECT_EQ(EbcdicTables[6][0x5B], 0x00A3);   // 1146: pound sign
  EXPECT_EQ(EbcdicTables[8][0x4A], 0x005B);   // 1148: the international bracket
  const int unused[] = {0x04, 0x06, 0x08, 0x09, 0x0A, 0x14, 0x17, 0x1A, 0x1B, 0x20, 0x21,
                        0x22, 0x23, 0x24, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x30, 0x31, 0x33,
                        0x34, 0x35, 0x36, 0x38, 0x39, 0x3A, 0x3B, 0x3E, 0xFF};
  for (int row = 0; row < EBCDIC_TABLE_COUNT; ++row) {
    SCOPED_TRACE(1140 + row);
    EXPECT_EQ(EbcdicTables[row][0x15], 0x0085);
    EXPECT_EQ(EbcdicTables[row][0x25], 0x000A);
    EXPECT_EQ(EbcdicTables[row][0x0D], 0x000D);
    for (int b : unused) EXPECT_EQ(EbcdicTables[row][b], 0xFFFD) << b;
    for (int b = 0; b < 256; ++b) {
      uint16_t u = EbcdicTables[row][b];
      EXPECT_FALSE(u >= 0x80 && u <= 0x9F && u != 0x85) << b;
    }
  }
}

}  // namespace
