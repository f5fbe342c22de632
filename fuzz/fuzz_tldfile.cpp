// The list file lookup (FindTLDInFile, and KnownTLD over it) with an
// arbitrary TLDs.txt beside the library and an arbitrary label.
//
// Input: 1 mode byte (bit 0 label one unit per byte, else UTF-16LE; bit 1
// TwoLetterTLDs; bit 2 DebugMode; bit 3 ANSI code page 65001), 1 byte label
// length, the label, then the file's bytes.
//
// Invariants: the answer is 1 or 0 (the file is there; 0 when it is empty);
// the label is unchanged; a label that is found is an entry (a letter, then
// letters, digits and hyphens); KnownTLD agrees; the file is closed and
// everything released; and for a file of 7-bit bytes without zero bytes the
// answer is the one of a plain reading of its lines.
#include <string.h>

#include <memory>

#include "common/qstr.h"
#include "fakes.h"
#include "fuzz_support.h"
#include "settings/settings.h"
#include "textsource/textsource.h"
#include "validate/tldfile.h"
#include "validate/validate.h"

namespace {

// The entry of one line: white space, one optional dot, then a letter and
// letters, digits and hyphens.
std::u16string Entry(const std::u16string& line) {
  size_t i = 0;
  while (i < line.size() && QIsSpace(line[i])) ++i;
  if (i < line.size() && line[i] == '.') ++i;
  if (i >= line.size() || !QIsAlpha(line[i])) return u"";
  size_t start = i;
  while (i < line.size() && (QIsAlnum(line[i]) || line[i] == '-')) ++i;
  return line.substr(start, i - start);
}

// The answer for a file of 7-bit bytes without zeros: its lines split at CR
// and LF, each cut to TEXT_LINE_LEN - 1 units.
int PlainLookup(const std::string& file, const std::u16string& label) {
  size_t start = 0;
  while (start <= file.size()) {
    size_t end = file.find_first_of("\r\n", start);
    if (end == std::string::npos) end = file.size();
    std::u16string line(file.begin() + start, file.begin() + end);
    if (line.size() > TEXT_LINE_LEN - 1) line.resize(TEXT_LINE_LEN - 1);
    std::u16string entry = Entry(line);
    if (!entry.empty() && QStrEqualNoCase(entry.c_str(), label.c_str())) return 1;
    start = end + 1;
  }
  return 0;
}

}  // namespace

const bool FuzzUsesFakeWorld = true;

int FuzzOne(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t mode = in.U8();
  const std::u16string label = in.Text(in.U8(), (mode & 1) != 0);
  const std::string file = in.Bytes(in.Left());
  PluginSettings.TwoLetterTLDs = (mode >> 1) & 1;
  PluginSettings.DebugMode = (mode >> 2) & 1;
  if (mode & 8) Fake.AnsiCodePage = 65001;
  Fake.Files[u"C:\\Plugins\\TLDs.txt"].assign(file.begin(), file.end());

  std::unique_ptr<qchar[]> exact(new qchar[label.size() + 1]);
  memcpy(exact.get(), label.data(), label.size() * sizeof(qchar));
  exact[label.size()] = 0;

  const int found = FindTLDInFile(exact.get());
  FUZZ_CHECK(std::u16string(exact.get()) == label, "the label was changed");
  if (label.empty()) {
    FUZZ_CHECK(found == -1, "an empty label gave %d", found);
  } else {
    FUZZ_CHECK(found == 0 || found == 1, "lookup of %s gave %d", Show(label).c_str(), found);
    if (file.empty()) FUZZ_CHECK(found == 0, "an empty file listed %s", Show(label).c_str());
    if (found) FUZZ_CHECK(Entry(label) == label, "%s is no entry but was found", Show(label).c_str());
  }
  FUZZ_CHECK(Fake.LiveHandles == 0 && Fake.LiveViews == 0 && Fake.Allocations == 0,
             "the list file was not released");

  bool plain = true;
  for (char c : file) plain = plain && c > 0;  // 7-bit, no zero byte
  if (plain && !label.empty())
    FUZZ_CHECK(found == PlainLookup(file, label), "lookup of %s gave %d", Show(label).c_str(), found);

  const int known = KnownTLD(exact.get());
  const bool twoLetter =
      PluginSettings.TwoLetterTLDs && label.size() == 2 && QIsAsciiLetter(label[0]) && QIsAsciiLetter(label[1]);
  FUZZ_CHECK(known == (label.empty() ? 0 : twoLetter ? 1 : found), "KnownTLD gave %d, lookup %d", known, found);
  FUZZ_CHECK(Fake.LiveHandles == 0 && Fake.LiveViews == 0 && Fake.Allocations == 0,
             "the list file was not released");
  return 0;
}
