// The text source reader over the fake platform: every kind of source is
// opened, read and closed without leaving a handle, view, allocation or
// temporary file behind, also when an allocation fails; and lines at the
// 8191-unit limit of the line buffer.
#include <gtest/gtest.h>

#include <string.h>

#include <memory>

#include "fakes.h"
#include "native_support.h"
#include "textbytes.h"
#include "textsource/textsource.h"

namespace {

const std::u16string kTemp = u"C:\\Temp\\Quorvel-003c.tmp";

// A text source record over a heap copy of exactly the given bytes.
struct ExactRecord {
  std::unique_ptr<uint8_t[]> bytes;
  TextSource source;
  ExactRecord(const Bytes& b, int encoding) : bytes(new uint8_t[b.size()]) {
    memcpy(bytes.get(), b.data(), b.size());
    source = RecordOver(b, encoding);
    source.Data = bytes.get();
  }
};

// Reads every line into exactly sized line buffers.
std::vector<std::u16string> Lines(TextSource* s) {
  std::vector<std::u16string> lines;
  for (;;) {
    std::unique_ptr<qchar[]> line(new qchar[TEXT_LINE_LEN]);
    if (ReadTextLine(s, line.get()) != 0) break;
    lines.push_back(line.get());
  }
  return lines;
}

TEST(ReadTextLine, LineOf8191UnitsEndingInASurrogatePair) {
  const std::u32string emoji = U"\U0001F600";
  const std::u16string pair = u"\U0001F600";
  for (int encoding : {EncUtf8, EncUtf16Le, EncUtf16Be, EncUtf32Le, EncUtf32Be}) {
    SCOPED_TRACE(EncodingName(encoding));
    Bytes bytes;
    ASSERT_TRUE(EncodeText(std::u32string(8189, 'a') + emoji + U"\nb", encoding, &bytes));
    ExactRecord fits(bytes, encoding);
    fits.source.Supplementary = 1;
    EXPECT_EQ(Lines(&fits.source), (std::vector<std::u16string>{Repeat('a', 8189) + pair, u"b"}));

    // One unit more and the pair no longer fits: it is dropped whole.
    ASSERT_TRUE(EncodeText(std::u32string(8190, 'a') + emoji + U"\nb", encoding, &bytes));
    ExactRecord cut(bytes, encoding);
    cut.source.Supplementary = 1;
    EXPECT_EQ(Lines(&cut.source), (std::vector<std::u16string>{Repeat('a', 8190), u"b"}));
  }
  // Without Supplementary, UTF-16 surrogates are units of their own: the high
  // one is the line's 8191st unit, the low one is dropped.
  Bytes bytes;
  ASSERT_TRUE(EncodeText(std::u32string(8190, 'a') + emoji + U"\nb", EncUtf16Le, &bytes));
  ExactRecord units(bytes, EncUtf16Le);
  EXPECT_EQ(Lines(&units.source), (std::vector<std::u16string>{Repeat('a', 8190) + pair.substr(0, 1), u"b"}));
}

void ExpectReleased() {
  EXPECT_EQ(Fake.LiveHandles, 0);
  EXPECT_EQ(Fake.LiveViews, 0);
  EXPECT_EQ(Fake.Allocations, 0);
  EXPECT_EQ(Fake.Files.count(kTemp), 0u) << "temporary copy left behind";
  EXPECT_EQ(Fake.ClipboardOpen, 0);
}

void ExpectClear(const TextSource& s) {
  EXPECT_EQ(s.Data, nullptr);
  EXPECT_EQ(s.SourceName, nullptr);
  EXPECT_EQ(s.TempName, nullptr);
  EXPECT_EQ(s.FileHandle, nullptr);
  EXPECT_EQ(s.MappingHandle, nullptr);
}

const Bytes kText = {0xFF, 0xFE, 'o', 0, 'n', 0, 'e', 0, '\r', 0, '\n', 0, 't', 0, 'w', 0, 'o', 0};

// Sets up the world for one kind of source; returns the name to open.
const char16_t* Arrange(int kind) {
  switch (kind) {
    case 0:
      Fake.Files[u"C:\\data\\list.txt"] = kText;
      return u"C:\\data\\list.txt";
    case 1:  // standard input from a pipe
      Fake.HaveStdInput = 1;
      Fake.StdInput = kText;
      return u"-";
    case 2:  // standard input from the console
      Fake.HaveStdInput = 1;
      Fake.StdInputIsConsole = 1;
      Fake.StdInput = kText;
      return u"-";
    default:  // the clipboard, its text without a terminating zero
      Fake.HaveClipboardText = 1;
      Fake.ClipboardText = {'o', 'n', 'e', '\r', '\n', 't', 'w', 'o'};
      return u"CLIP:";
  }
}

TEST(OpenTextSource, EveryKindOfSourceIsReleased) {
  for (int kind = 0; kind < 4; ++kind) {
    SCOPED_TRACE(kind);
    FakeReset();
    const char16_t* name = Arrange(kind);
    TextSource s;
    ASSERT_EQ(OpenTextSource(&s, name), 0);
    EXPECT_EQ(s.Encoding, EncUtf16Le);
    EXPECT_EQ(Lines(&s), (std::vector<std::u16string>{u"one", u"two"}));
    EXPECT_EQ(CloseTextSource(&s), 0);
    ExpectClear(s);
    ExpectReleased();
    if (kind == 1) EXPECT_EQ(Fake.HaveStdInput, 0) << "the pipe is closed";
    if (kind == 2) EXPECT_EQ(Fake.ConsolePrompts, u"Reading text from the console: (^Z ends)\r\n");
  }

  FakeReset();
  TextSource s;
  EXPECT_EQ(OpenTextSource(&s, u"C:\\missing.txt"), 2);
  EXPECT_EQ(s.Error, 2);
  Fake.Files[u"C:\\empty.txt"];
  EXPECT_EQ(OpenTextSource(&s, u"C:\\empty.txt"), -100);
  EXPECT_EQ(s.Error, -100);
  Fake.HaveStdInput = 1;  // an empty pipe
  EXPECT_EQ(OpenTextSource(&s, u"-"), -100);
  Fake.HaveStdInput = Fake.StdInputIsConsole = 1;  // an empty console input: its copy is closed
  EXPECT_EQ(OpenTextSource(&s, u"-"), -100);
  Fake.ClipboardText = {0};  // a clipboard of a terminator only
  Fake.HaveClipboardText = 1;
  EXPECT_EQ(OpenTextSource(&s, u"CLIP:"), -1);
  auto longName = ExactText(u"C:\\" + Repeat('n', TEXT_PATH_LEN));  // a true name that fills its buffer
  EXPECT_EQ(OpenTextSource(&s, longName.get()), 2);
  ExpectClear(s);
  ExpectReleased();
}

// Without a temporary folder, console or pipe input cannot be copied: the
// open fails with the system's error and writes nothing, least of all a copy
// in the current folder over a file of the copy's name.
TEST(OpenTextSource, NoTemporaryFolderNoCopy) {
  Fake.HaveStdInput = 1;
  Fake.StdInput = {'c', 'o', 'm', '\n'};
  Fake.TempFolder.clear();
  const std::u16string sameName = u"Quorvel-003c.tmp";
  Fake.Files[sameName] = {'k', 'e', 'e', 'p'};
  TextSource s;
  EXPECT_EQ(OpenTextSource(&s, u"-"), 3);  // ERROR_PATH_NOT_FOUND
  EXPECT_EQ(s.Error, 3);
  EXPECT_EQ(Fake.Files.size(), 1u);
  EXPECT_EQ(Fake.Files[sameName], (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
  ExpectClear(s);
  ExpectReleased();
}

// Each allocation in turn fails: the open gives 8 (-1 for the clipboard) and
// leaves nothing behind, until enough allocations succeed.
TEST(OpenTextSource, EveryAllocationFailureLeavesNothing) {
  for (int kind = 0; kind < 4; ++kind) {
    for (long failAt = 1;; ++failAt) {
      SCOPED_TRACE(testing::Message() << "kind " << kind << ", allocation " << failAt);
      FakeReset();
      const char16_t* name = Arrange(kind);
      Fake.AllocFailAt = failAt;
      TextSource s;
      int rc = OpenTextSource(&s, name);
      if (rc == 0) {
        EXPECT_EQ(Lines(&s).size(), 2u);
        CloseTextSource(&s);
        ExpectReleased();
        break;
      }
      // The copy of the name comes first; then the clipboard's own copy.
      EXPECT_EQ(rc, kind == 3 && failAt > 1 ? -1 : 8);
      ExpectClear(s);
      ExpectReleased();
      ASSERT_LT(failAt, 10) << "the open never succeeds";
    }
  }
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
      {"\xF0\x80\x81\xAF", EncUtf8, 0xFFFD, 0, 0},
      {"a\xFF" "b", EncUtf8, 0x000A, 0, 0},
      {"ab", EncUtf8, 0x000A, 0, 1},
      {std::string("a\0b", 3), EncUtf8, 0xFFFD, 0, 0},
      {std::string("a\0b", 3), EncUtf8, 0xFFFD, 2, 1},
      {std::string("a\0b", 3), EncRawBytes, 0xFFFD, 0, 0},
      {"caf\xE9 \x80\x81\xFF", EncAnsi, 0xFFFD, 0, 1},
      {"\x85\xC1\xAF", EncRawBytes, 0xFFFD, 0, 1},
      {std::string("a\0b\0", 4), EncUtf16Le, 0xFFFD, 0, 1},
      {std::string("a\0\0\0b", 5), EncUtf16Le, 0xFFFD, 0, 0},  // a zero unit
      {std::string("\0a\0\0", 4), EncUtf16Be, 0xFFFD, 0, 0},
      {std::string("\0a\0", 3), EncUtf16Be, 0xFFFD, 0, 1},      // the odd last byte is never read
      {"COM", EncEbcdic, 0xFFFD, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << EncodingName(c.Encoding) << " at " << c.Position << ": "
                                    << FakeNarrow(std::u16string(c.Text.begin(), c.Text.end())));
    ExactRecord r(Bytes(c.Text.begin(), c.Text.end()), c.Encoding);
    r.source.Replacement = c.Replacement;
    r.source.Position = c.Position;
    EXPECT_EQ(IsAsciiTransparent(&r.source), c.Transparent);
    const bool bytes = c.Encoding == EncUtf8 || c.Encoding == EncAnsi || c.Encoding == EncRawBytes;
    EXPECT_EQ(AsciiUnitSize(&r.source), bytes ? 1u : (c.Encoding == EncUtf16Le || c.Encoding == EncUtf16Be) ? 2u : 0u);
  }
}

// Where the text stops being canonical: E0 and F0 before the bytes of their
// overlong forms, also at the very end of the text.
TEST(IsCanonicalText, OverlongLeadBytes) {
  const std::pair<std::string, int> cases[] = {
      {"ab\xE0", 1}, {"\xE0\xA4\x85", 1}, {"\xE0\x9F\xBF", 0}, {"\xF0\x90\x80\x80", 1}, {"\xF0\x8F\xBF\xBF", 0}};
  for (const auto& c : cases) {
    ExactRecord r(Bytes(c.first.begin(), c.first.end()), EncUtf8);
    EXPECT_EQ(IsCanonicalText(&r.source), c.second) << FakeNarrow(std::u16string(c.first.begin(), c.first.end()));
  }
}

// A folder that fills the whole path buffer, without a terminator, is cut
// to its last unit and takes nothing more.
TEST(AppendFileName, FullFolder) {
  std::unique_ptr<qchar[]> folder(new qchar[TEXT_PATH_LEN]);
  for (size_t i = 0; i < TEXT_PATH_LEN; ++i) folder[i] = 'd';
  EXPECT_EQ(AppendFileName(folder.get(), u"x"), 0);
  EXPECT_EQ(std::u16string(folder.get()), Repeat('d', TEXT_PATH_LEN - 1));
}

}  // namespace
