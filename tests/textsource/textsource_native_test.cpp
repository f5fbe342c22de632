// The text source reader over the fake platform: every kind of source is
// opened, read and closed without leaving a handle, view, allocation or
// temporary file behind, also when an allocation fails; and the folder name
// at the limit of its buffer.
#include <gtest/gtest.h>

#include <string.h>

#include <memory>

#include "fakes.h"
#include "support/both_builds.h"
#include "textbytes.h"
#include "textsource/textsource.h"
#include "validate/fastscan.h"

namespace {

const std::u16string kTemp = u"C:\\Temp\\Quorvel-003c.tmp";

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
    EXPECT_EQ(std::u16string(s.SourceName), name);
    if (kind == 1 || kind == 2) EXPECT_EQ(std::u16string(s.TempName), kTemp);
    EXPECT_EQ(Lines(&s), (std::vector<std::u16string>{u"one", u"two"}));
    EXPECT_EQ(CloseTextSource(&s), 0);
    ExpectClear(s);
    ExpectReleased();
    if (kind == 1) EXPECT_EQ(Fake.HaveStdInput, 0) << "the pipe is closed";
    if (kind == 2) EXPECT_EQ(Fake.ConsolePrompts, u"Reading text from the console: (^Z ends)\r\n");
  }

  FakeReset();
  TextSource s;
  EXPECT_EQ(OpenTextSource(&s, u""), -1);
  Fake.Files[u"\\\\.\\Volume{1}\\x.txt"] = kText;  // a volume name gets the device prefix
  ASSERT_EQ(OpenTextSource(&s, u"Volume{1}\\x.txt"), 0);
  EXPECT_EQ(std::u16string(s.SourceName), u"\\\\.\\Volume{1}\\x.txt");
  CloseTextSource(&s);
  Fake.HaveStdInput = 1;  // a process id of eight digits names the copy
  Fake.StdInput = kText;
  Fake.ProcessId = 0xFEDCBA98;
  ASSERT_EQ(OpenTextSource(&s, u"-"), 0);
  EXPECT_EQ(std::u16string(s.TempName), u"C:\\Temp\\Quorvel-fedcba98.tmp");
  TextSource second;
  Fake.HaveStdInput = 1;  // a second copy while the first is open: its name is taken
  EXPECT_EQ(OpenTextSource(&second, u"-"), 32);
  CloseTextSource(&s);
  EXPECT_EQ(IsConsoleHandle(nullptr), 0);
  EXPECT_EQ(IsConsoleHandle((QHandle)(intptr_t)-11), 0);  // a standard handle that is not there
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

// A folder that fills the whole path buffer, without a terminator, is cut
// to its last unit and takes nothing more.
TEST(AppendFileName, FullFolder) {
  std::unique_ptr<qchar[]> folder(new qchar[TEXT_PATH_LEN]);
  for (size_t i = 0; i < TEXT_PATH_LEN; ++i) folder[i] = 'd';
  EXPECT_EQ(AppendFileName(folder.get(), u"x"), 0);
  EXPECT_EQ(AppendFileName(folder.get(), nullptr), -1);
  EXPECT_EQ(AppendFileName(nullptr, u"x"), -1);
  EXPECT_EQ(std::u16string(folder.get()), Repeat('d', TEXT_PATH_LEN - 1));
  // One separator between folder and name, none after a drive.
  const char16_t* cases[][3] = {{u"C:\\d", u"x", u"C:\\d\\x"}, {u"C:\\d/", u"x", u"C:\\d/x"},
                                {u"C:", u"x", u"C:x"},            {u"C:\\d", u"\\x", u"C:\\d\\x"},
                                {u"", u"x", u"x"}};
  for (const auto& c : cases) {
    auto path = ExactText(c[0], TEXT_PATH_LEN);
    EXPECT_EQ(AppendFileName(path.get(), c[1]), 0);
    EXPECT_EQ(std::u16string(path.get()), c[2]);
  }
}

}  // namespace
