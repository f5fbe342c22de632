// Encoding detection and reading over arbitrary bytes: a record set up by
// hand with any Encoding, Supplementary, Flags, Replacement, table indexes and
// start position, or a source opened from a file, a pipe on standard input or
// the clipboard through the fake platform; then a fuzzed sequence of
// ReadTextLine, ReadTextChar, PeekTextChar and DetectEncoding calls, and
// ReadTextLine until the end.
//
// Input: a header (mode, encoding, field values; see Header), the number of
// operations and one byte each, then the text's bytes.
//
// Invariants: Position never decreases and never passes Size; a successful
// ReadTextLine moves Position on; every line buffer (a heap block of exactly
// TEXT_LINE_LEN units) is terminated; characters are -1 or 0..U+10FFFF (..U+FFFF
// without Supplementary); peeking moves nothing; detection yields a known
// kind with BomLength within the text; reading ends within Size + 1 lines and
// stays ended; an opened source gives back every handle, view, allocation and
// temporary file when closed.
#include <string.h>

#include <algorithm>
#include <memory>

#include "fakes.h"
#include "fuzz_support.h"
#include "textsource/textsource.h"

namespace {

const int kKinds[8] = {EncAnsi, EncUtf16Le, EncUtf16Be, EncUtf8, EncEbcdic, EncUtf32Le, EncUtf32Be, EncRawBytes};

struct Header {
  uint8_t Mode;           // bits 0-1 source kind; 2 allowEbcdic; 3 detect first; 4 "clip:" record;
                          // 5 ANSI code page 65001; 6 raw Encoding value; 7 raw table indexes
  uint8_t Kind;           // index into kKinds
  uint32_t RawEncoding;
  uint8_t Supplementary;
  uint32_t Flags;
  uint16_t Replacement;
  uint32_t AnsiTable, EbcdicTable;
  uint32_t Position;
  uint32_t Locale;
  uint16_t CodePage;
};

bool IsDetectedKind(int kind, int allowEbcdic) {
  return kind == EncAnsi || kind == EncUtf16Le || kind == EncUtf16Be || kind == EncUtf8 ||
         kind == EncUtf32Le || kind == EncUtf32Be || (allowEbcdic && kind == EncEbcdic);
}

void CheckPosition(const TextSource& s, uint32_t before, const char* after) {
  FUZZ_CHECK(s.Position >= before, "%s moved Position back from %u to %u", after, before, s.Position);
  FUZZ_CHECK(s.Position <= s.Size, "%s moved Position to %u past Size %u", after, s.Position, s.Size);
}

void CheckChar(int32_t c, const TextSource& s, const char* what) {
  FUZZ_CHECK(c == -1 || (c >= 0 && c <= 0x10FFFF), "%s gave %d", what, c);
  if (!s.Supplementary) FUZZ_CHECK(c <= 0xFFFF, "%s gave U+%X without Supplementary", what, (unsigned)c);
}

// One ReadTextLine with its checks; returns its result. The line buffer is
// one heap block of exactly TEXT_LINE_LEN units of canaries; after each call the units
// up to its terminator are set back (a call may leave units beyond its
// terminator, as after skipping a blank line, and those stay).
const qchar kCanary = 0xA5A5;

int ReadLine(TextSource* s) {
  static qchar* const line = [] {
    qchar* block = new qchar[TEXT_LINE_LEN];
    std::fill(block, block + TEXT_LINE_LEN, kCanary);
    return block;
  }();
  const uint32_t before = s->Position;
  const int rc = ReadTextLine(s, line);
  CheckPosition(*s, before, "ReadTextLine");
  FUZZ_CHECK(rc == 0 || rc == -1, "ReadTextLine gave %d", rc);
  size_t n = 0;
  while (n < TEXT_LINE_LEN && line[n]) ++n;
  FUZZ_CHECK(n < TEXT_LINE_LEN, "line not terminated within %d units", TEXT_LINE_LEN);
  std::fill(line, line + n + 1, kCanary);
  if (rc == 0) FUZZ_CHECK(s->Position > before, "a line without progress at %u", before);
  if (rc == -1) FUZZ_CHECK(n == 0, "-1 with %zu units stored", n);
  return rc;
}

// One fuzzed operation with its checks. Detection walks the whole text, so
// only the first two detecting operations of an input run (*detections counts
// them); a third would show nothing the second did not.
void Operate(TextSource* s, uint8_t op, int allowEbcdic, int* detections) {
  const uint32_t before = s->Position;
  switch (op % 4) {
    case 0:
      ReadLine(s);
      break;
    case 1: {
      int32_t c = ReadTextChar(s);
      CheckPosition(*s, before, "ReadTextChar");
      CheckChar(c, *s, "ReadTextChar");
      if (c >= 0) FUZZ_CHECK(s->Position > before, "a character without progress");
      break;
    }
    case 2: {
      int32_t c = PeekTextChar(s);
      FUZZ_CHECK(s->Position == before, "PeekTextChar moved Position");
      FUZZ_CHECK(c == -1 || (c >= 0 && c <= 0x10FFFF), "PeekTextChar gave %d", c);
      break;
    }
    default: {
      if ((*detections)++ >= 2) break;
      int kind = DetectEncoding(s, op & 4 ? allowEbcdic : 0);
      CheckPosition(*s, before, "DetectEncoding");
      FUZZ_CHECK(kind == s->Encoding && IsDetectedKind(kind, allowEbcdic), "detected %d", kind);
      FUZZ_CHECK(s->BomLength <= s->Size, "BomLength %u past Size %u", s->BomLength, s->Size);
    }
  }
}

// ReadTextLine until the end, which must come and stay.
void ReadToEnd(TextSource* s) {
  for (uint64_t lines = 0;; ++lines) {
    FUZZ_CHECK(lines <= (uint64_t)s->Size + 1, "reading does not end (%llu lines)", (unsigned long long)lines);
    if (ReadLine(s) != 0) break;
  }
  const uint32_t end = s->Position;
  FUZZ_CHECK(ReadLine(s) == -1, "a line after the end");
  FUZZ_CHECK(ReadTextChar(s) == -1, "a character after the end");
  FUZZ_CHECK(s->Position == end, "Position moved after the end");
}

}  // namespace

const bool FuzzUsesFakeWorld = true;

int FuzzOne(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  Header h;
  h.Mode = in.U8();
  h.Kind = in.U8();
  h.RawEncoding = in.U32();
  h.Supplementary = in.U8();
  h.Flags = in.U32();
  h.Replacement = in.U16();
  h.AnsiTable = in.U32();
  h.EbcdicTable = in.U32();
  h.Position = in.U32();
  h.Locale = in.U32();
  h.CodePage = in.U16();
  const std::string ops = in.Bytes(in.U8());
  const std::string text = in.Bytes(in.Left());
  const int allowEbcdic = (h.Mode >> 2) & 1;
  const int source = h.Mode & 3;

  TextSource s;
  std::unique_ptr<uint8_t[]> bytes;
  if (source == 0) {
    // A record over exactly the text's bytes, fields as a caller may set them.
    bytes.reset(new uint8_t[text.size() + 1]);  // never empty, the record's Size says 0
    memcpy(bytes.get(), text.data(), text.size());
    s = TextSource{};
    s.Data = bytes.get();
    s.Size = (uint32_t)text.size();
    s.SourceName = (h.Mode & 0x10) ? (qchar*)u"clip:" : (qchar*)u"C:\\x.txt";
    s.FileHandle = (h.Mode & 0x10) ? nullptr : (QHandle)1;
    s.MappingHandle = (h.Mode & 0x10) ? nullptr : (QHandle)2;
    s.Encoding = (h.Mode & 0x40) ? (int32_t)h.RawEncoding : kKinds[h.Kind % 8];
    s.AnsiCodePage = (h.Mode & 0x20) ? 65001 : h.CodePage;
    s.AnsiTable = (h.Mode & 0x80) ? (int32_t)h.AnsiTable : (int32_t)(h.AnsiTable % ANSI_TABLE_COUNT);
    s.EbcdicTable = (h.Mode & 0x80) ? (int32_t)h.EbcdicTable : (int32_t)(h.EbcdicTable % EBCDIC_TABLE_COUNT);
    s.Replacement = h.Replacement;
    s.Position = h.Position % (s.Size + 1);
    if (h.Mode & 8) {
      const uint32_t before = s.Position;
      int kind = DetectEncoding(&s, allowEbcdic);
      CheckPosition(s, before, "DetectEncoding");
      FUZZ_CHECK(IsDetectedKind(kind, allowEbcdic), "detected %d", kind);
    }
  } else {
    Fake.AnsiCodePage = (h.Mode & 0x20) ? 65001 : h.CodePage;
    Fake.UserLocale = h.Locale;
    const char16_t* name = u"C:\\data\\list.txt";
    if (source == 1) {
      Fake.Files[name].assign(text.begin(), text.end());
    } else if (source == 2) {
      Fake.HaveStdInput = 1;
      Fake.StdInput.assign(text.begin(), text.end());
      name = u"-";
    } else {
      Fake.HaveClipboardText = 1;
      for (size_t i = 0; i + 1 < text.size(); i += 2)
        Fake.ClipboardText.push_back((qchar)((uint8_t)text[i] | (uint8_t)text[i + 1] << 8));
      name = u"clip:";
    }
    int rc = OpenTextSource(&s, name);
    if (rc != 0) {
      bool emptyText = source == 3 ? (Fake.ClipboardText.empty() || Fake.ClipboardText[0] == 0) : text.empty();
      FUZZ_CHECK(emptyText, "open failed with %d", rc);
      FUZZ_CHECK(rc == (source == 3 ? -1 : -100), "open of an empty text gave %d", rc);
      FUZZ_CHECK(s.Data == nullptr && s.SourceName == nullptr, "a failed open left the record set");
    } else {
      FUZZ_CHECK(s.Data != nullptr && s.Position == s.BomLength && s.Position <= s.Size,
                 "opened with Position %u, BomLength %u, Size %u", s.Position, s.BomLength, s.Size);
      if (source != 3) FUZZ_CHECK(s.Size == text.size(), "Size %u of %zu bytes", s.Size, text.size());
      FUZZ_CHECK(IsDetectedKind(s.Encoding, 0), "opened as %d", s.Encoding);
      s.Supplementary = h.Supplementary;
      s.Flags = h.Flags;
    }
    if (rc != 0) {
      FUZZ_CHECK(Fake.LiveHandles == 0 && Fake.LiveViews == 0 && Fake.Allocations == 0,
                 "a failed open left something behind");
      return 0;
    }
  }
  s.Supplementary = h.Supplementary;
  s.Flags = h.Flags;

  int detections = 0;
  for (uint8_t op : ops) Operate(&s, op, allowEbcdic, &detections);
  ReadToEnd(&s);

  if (source != 0) {
    FUZZ_CHECK(CloseTextSource(&s) == 0, "close failed");
    FUZZ_CHECK(s.Data == nullptr && s.SourceName == nullptr && s.FileHandle == nullptr, "record not clear");
    FUZZ_CHECK(Fake.LiveHandles == 0 && Fake.LiveViews == 0 && Fake.Allocations == 0,
               "close left %d handles, %d views, %ld allocations", Fake.LiveHandles, Fake.LiveViews,
               Fake.Allocations);
    FUZZ_CHECK(!Fake.Files.count(u"C:\\Temp\\Quorvel-003c.tmp"), "temporary copy left behind");
  }
  return 0;
}
