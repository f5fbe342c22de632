// The limits of every input, through the real exports: the plug-in is loaded
// from a folder of this test's own (bin/boundary/plugin), where the test also
// writes its list files. Arguments and argument lines are passed in buffers
// that end right at an inaccessible page, so reading or writing one unit
// past them faults; the list files that end in a cut sequence end at a page
// boundary for the same reason.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/leaks.h"
#include "common/version.h"
#include "support/plugin_fixture.h"

namespace {

using namespace std::string_literals;

// ---- Buffers that end at an inaccessible page ----

class GuardedBuffer {
 public:
  // units wide characters, the last of them right before the guard page.
  explicit GuardedBuffer(size_t units) {
    size_t bytes = units * sizeof(wchar_t);
    size_t pages = (bytes + 4095) / 4096;
    base_ = static_cast<char*>(VirtualAlloc(nullptr, (pages + 1) * 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old;
    VirtualProtect(base_ + pages * 4096, 4096, PAGE_NOACCESS, &old);
    data_ = reinterpret_cast<wchar_t*>(base_ + pages * 4096 - bytes);
  }
  ~GuardedBuffer() { VirtualFree(base_, 0, MEM_RELEASE); }
  GuardedBuffer(const GuardedBuffer&) = delete;
  GuardedBuffer& operator=(const GuardedBuffer&) = delete;
  wchar_t* data() { return data_; }

 private:
  char* base_;
  wchar_t* data_;
};

// ---- Files ----

std::wstring PluginFolder() { return ProgramFolder() + L"plugin\\"; }
std::wstring ListPath() { return PluginFolder() + L"TLDs.txt"; }

// ASCII text in one of the encodings with a byte-order mark (or UTF-8 without).
enum Enc { Utf8, Utf8Bom, Utf16LeBom, Utf16BeBom, Utf32LeBom, Utf32BeBom };

int UnitBytes(Enc e) { return e == Utf16LeBom || e == Utf16BeBom ? 2 : e == Utf32LeBom || e == Utf32BeBom ? 4 : 1; }

std::string Encode(const std::string& ascii, Enc e) {
  static const char* const boms[] = {"", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF", "\xFF\xFE\x00\x00", "\x00\x00\xFE\xFF"};
  static const int bomLength[] = {0, 3, 2, 2, 4, 4};
  std::string out(boms[e], bomLength[e]);
  int width = UnitBytes(e);
  bool le = e == Utf16LeBom || e == Utf32LeBom;
  for (char c : ascii) {
    std::string unit(width, '\0');
    unit[le ? 0 : width - 1] = c;
    out += unit;
  }
  return out;
}

class BoundaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearSavedSettings();
    DeleteFileW(ListPath().c_str());
    RemoveStaleTemporaryCopy();
    HostSetVariable(L"_transient", L"1");
    HostSetVariable(L"_batch", L"0");
    Load(PluginFolder() + PLUGIN_FILE_NAME);
  }
  void TearDown() override {
    Unload();
    DeleteFileW(ListPath().c_str());
    HostSetVariable(L"_transient", nullptr);
    HostSetVariable(L"_batch", nullptr);
    ClearSavedSettings();
  }
  void Load(const std::wstring& path) {
    ASSERT_TRUE(LoadPluginExports(&plugin_, path.c_str()));
    OutputCapture capture;
    plugin_.GetPluginInfo();
    ASSERT_EQ(plugin_.InitializePlugin(), 0);
  }
  void Unload() {
    if (plugin_.ShutdownPlugin) plugin_.ShutdownPlugin(TRUE);
    UnloadPluginExports(&plugin_);
  }

  // A variable function on arg, in a host buffer that holds the argument or
  // the longest result (256 characters), whichever is longer, and not one
  // unit more.
  std::wstring Call(int(WINAPI* fn)(LPWSTR), const std::wstring& arg) {
    if (!fn) return L"(not loaded)";
    GuardedBuffer buffer(std::max<size_t>(arg.size() + 1, 257));
    arg.copy(buffer.data(), arg.size());
    buffer.data()[arg.size()] = 0;
    EXPECT_EQ(fn(buffer.data()), 0);
    return buffer.data();
  }

  // The command on line, passed with nothing behind its terminator.
  int Command(const std::wstring& line, std::wstring* out, std::wstring* err) {
    GuardedBuffer buffer(line.size() + 1);
    line.copy(buffer.data(), line.size());
    buffer.data()[line.size()] = 0;
    OutputCapture capture;
    int rc = plugin_.quorvel(buffer.data());
    *out = capture.Out();
    *err = capture.Err();
    return rc;
  }
  void Set(const wchar_t* switches) {
    std::wstring out, err;
    ASSERT_EQ(Command(switches, &out, &err), 0) << testing::PrintToString(err);
  }
  bool BracketsStripped() { return Call(plugin_.f_quorvel, L"<john@example.com>") == L"0"; }

  // @quorvel of user@example.<tld>.
  std::wstring CheckTld(const std::wstring& tld) { return Call(plugin_.f_quorvel, L"user@example." + tld); }

  // The list file can be opened exclusively: the plug-in left nothing open.
  void ExpectListClosed(const std::wstring& path = ListPath()) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << "list file still in use, error " << GetLastError();
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }

  PluginExports plugin_;
};

// ---- Address lengths ----

// An address of n characters: a local part of local characters, the rest
// domain ending in ".com".
std::wstring Address(size_t n, size_t local) {
  return std::wstring(local, L'a') + L"@" + std::wstring(n - local - 5, L'b') + L".com";
}

TEST_F(BoundaryTest, AddressLengths) {
  struct Case {
    const wchar_t* options;
    std::wstring arg;
    const wchar_t* code;
    std::wstring domain = L"", local = L"";  // the parts when the code is 0
  };
  const std::wstring a256 = Address(256, 64), b256 = Address(256, 250);
  std::vector<Case> cases = {
      {L"/B:N", a256, L"0", a256.substr(65), a256.substr(0, 64)},
      {L"/B:N", b256, L"0", L"b.com", b256.substr(0, 250)},
      {L"/B:N", Address(257, 64), L"1025"},
      {L"/B:N", Address(258, 64), L"1025"},
      {L"/B:N", L"<" + Address(254, 64) + L">", L"1045"},  // 256: long enough, but '<'
      {L"/B:N", L"<" + Address(255, 64) + L">", L"1025"},
      {L"/B:N", L"<" + Address(256, 64) + L">", L"1025"},
      {L"/B:Y", a256, L"0", a256.substr(65), a256.substr(0, 64)},
      {L"/B:Y", Address(257, 64), L"1025"},
      {L"/B:Y", L"<" + Address(254, 64) + L">", L"0", Address(254, 64).substr(65), std::wstring(64, L'a')},
      {L"/B:Y", L"<" + Address(255, 64) + L">", L"0", Address(255, 64).substr(65), std::wstring(64, L'a')},
      {L"/B:Y", L"<" + a256 + L">", L"0", a256.substr(65), a256.substr(0, 64)},     // 258 in all
      {L"/B:Y", L"<" + b256 + L">", L"0", L"b.com", b256.substr(0, 250)},
      {L"/B:Y", L"<" + Address(257, 64) + L">", L"1025"},
      {L"/B:Y", L"<" + Address(256, 64), L"1025"},  // no closing bracket: nothing stripped
      {L"/B:Y", Address(256, 64) + L">", L"1025"},
      {L"/B:Y", std::wstring(20000, L'<'), L"1025"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.options)) + " length " + std::to_string(c.arg.size()));
    Set((std::wstring(c.options) + L" /Z").c_str());
    EXPECT_EQ(Call(plugin_.f_quorvel, c.arg), c.code);
    EXPECT_EQ(Call(plugin_.f_emaildpart, c.arg), c.domain);
    EXPECT_EQ(Call(plugin_.f_emaillpart, c.arg), c.local);
  }
}

// ---- The argument line ----

const wchar_t kOverflow[] = L"Quorvel plugin: Buffer overflow: b = 8191, MAX_ARG_LEN = 8192 \r\n";

TEST_F(BoundaryTest, LineLength) {
  std::wstring out, err;
  // 8192 characters in one token: one too many; nothing happens.
  EXPECT_EQ(Command(L"/B:" + std::wstring(8189, L'Y'), &out, &err), 1);
  EXPECT_EQ(out, L"");
  EXPECT_EQ(err, kOverflow);
  EXPECT_FALSE(BracketsStripped());

  // A token of 8190 and a blank: the blank ends it at the last position.
  EXPECT_EQ(Command(L"/B:" + std::wstring(8187, L'Y') + L" /", &out, &err), 1);
  EXPECT_EQ(err, kOverflow);
  EXPECT_FALSE(BracketsStripped());
  EXPECT_EQ(Command(L"/B:" + std::wstring(8187, L'Y') + L" ", &out, &err), 0);
  EXPECT_EQ(err, L"");
  EXPECT_TRUE(BracketsStripped());

  // A colon right before the end: the tokenizer's look at the two characters
  // after a colon stops at the terminator.
  Set(L"/B:N /Z");
  EXPECT_EQ(Command(L"/B:Y:", &out, &err), 0);
  EXPECT_TRUE(BracketsStripped());
  EXPECT_EQ(Command(L"/B:N:/", &out, &err), 1);
  EXPECT_EQ(err, L"Quorvel plugin: Unknown option: \"/\"\r\n");
  EXPECT_TRUE(BracketsStripped());

  // 8191 characters in one token fit.
  Set(L"/B:N /Z");
  EXPECT_EQ(Command(L"/B:" + std::wstring(8188, L'Y'), &out, &err), 0);
  EXPECT_EQ(err, L"");
  EXPECT_NE(out.find(L"Strip angle brackets    /B:Yes\r\n"), std::wstring::npos);
  EXPECT_TRUE(BracketsStripped());
}

TEST_F(BoundaryTest, TokenCount) {
  auto tokens = [](int n, const wchar_t* sep) {
    std::wstring line;
    for (int i = 0; i < n; ++i) line += std::wstring(L"/Z") + sep;
    return line;
  };
  std::wstring out, err;
  for (const wchar_t* sep : {L" ", L""}) {  // apart, and written together
    SCOPED_TRACE(*sep ? "apart" : "together");
    // The 1024th token is used; the 1025th is dropped without a word.
    EXPECT_EQ(Command(tokens(1024, sep) + L"/B:Y", &out, &err), 0);
    EXPECT_EQ(out + err, L"");
    EXPECT_FALSE(BracketsStripped());
    EXPECT_EQ(Command(tokens(1023, sep) + L"/B:Y", &out, &err), 0);
    EXPECT_EQ(out + err, L"");
    EXPECT_TRUE(BracketsStripped());
    Set(L"/B:N /Z");
  }
  EXPECT_EQ(Command(tokens(1024, L" ") + L"BOGUS", &out, &err), 0);
  EXPECT_EQ(out + err, L"");
  EXPECT_EQ(Command(tokens(1023, L" ") + L"BOGUS", &out, &err), 1);
  EXPECT_EQ(err, L"Quorvel plugin: Syntax error: \"BOGUS\"\r\n");
}

// ---- The list file ----

// Lookups of list files that are not lists at all: the reader gets to the end
// of whatever the file holds, the file is usable (so "com" is decided by it,
// not by the built-in table), and the plug-in keeps nothing open.
TEST_F(BoundaryTest, BinaryListFile) {
  std::vector<std::string> files;
  // The plug-in itself.
  HANDLE h = CreateFileW((PluginFolder() + PLUGIN_FILE_NAME).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  std::string dll(GetFileSize(h, nullptr), '\0');
  DWORD got = 0;
  ReadFile(h, &dll[0], (DWORD)dll.size(), &got, nullptr);
  CloseHandle(h);
  files.push_back(dll);
  // Every byte value, in a scrambled order, a page in all, with and without zeros.
  std::string noise(4096, '\0'), noZeros(8192, '\0');
  unsigned x = 12345;
  for (char& c : noise) c = (char)((x = x * 1103515245u + 12345u) >> 16);
  for (char& c : noZeros) c = (char)(((x = x * 1103515245u + 12345u) >> 16) % 255 + 1);
  files.push_back(noise);
  files.push_back(noZeros);
  files.push_back(std::string(4096, '\0'));
  files.push_back(std::string(4095, '\xFF') + "\xFE");
  files.push_back("\xFF\xFE");  // a byte-order mark alone
  files.push_back("\xEF\xBB\xBF");
  files.push_back("\xFF\xFE\x00\x00");

  HandleProbe probe;
  for (size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE("file " + std::to_string(i));
    WriteBytes(ListPath(), files[i]);
    std::wstring com = CheckTld(L"com");
    if (i > 0) {
      EXPECT_EQ(com, L"1048");
    } else {  // the plug-in's own bytes may well list com
      EXPECT_TRUE(com == L"0" || com == L"1048") << testing::PrintToString(com);
    }
    EXPECT_EQ(CheckTld(L"uk"), L"0");  // two letters: the file is not read
    ExpectListClosed();
  }
  EXPECT_TRUE(probe.NothingLeft());
  EXPECT_FALSE(TemporaryCopyExists());
}

// Texts whose last character is cut off, each ending at a page boundary where
// its size allows: the entry before the cut is still found, and nothing is
// read past the end.
TEST_F(BoundaryTest, ListFileEndsInsideACharacter) {
  struct Case {
    Enc enc;
    std::string tail;  // the bytes of the cut character
  } cases[] = {
      {Utf8Bom, "\xE2\x82"s},     {Utf8Bom, "\xF0\x9F\x98"s}, {Utf8Bom, "\xC3"s},
      {Utf8, "\xE2\x82"s},        {Utf8, "\xF0"s},
      {Utf16LeBom, "\x3D\xD8"s},  // a high surrogate without its low half
      {Utf16BeBom, "\xD8\x3D"s},
      {Utf16LeBom, "z"s},         {Utf16BeBom, "\0"s},  // half a unit
      {Utf32LeBom, "z\0\0"s},     {Utf32BeBom, "\0\0"s}, {Utf32LeBom, "\x3D"s},
  };
  HandleProbe probe;
  for (const Case& c : cases) {
    SCOPED_TRACE("encoding " + std::to_string(c.enc) + ", " + std::to_string(c.tail.size()) + " bytes cut");
    std::string head = Encode("# cut short\r\norg\r\n", c.enc);
    std::string last = Encode("zzz", c.enc).substr(Encode("", c.enc).size());
    // A filler line that brings the size to 8192 bytes, or just below.
    size_t room = 8192 - head.size() - last.size() - c.tail.size() - 2 * UnitBytes(c.enc);
    std::string filler = Encode(std::string(room / UnitBytes(c.enc), '#') + "\r\n", c.enc).substr(Encode("", c.enc).size());
    std::string text = head + filler + last + c.tail;
    if (c.tail.size() % UnitBytes(c.enc) == 0) {
      ASSERT_EQ(text.size(), 8192u);
    }
    WriteBytes(ListPath(), text);
    // UTF-32 is recognised only in whole units; cut inside a unit, the text
    // is read as something else, and its entries are not seen.
    bool readable = UnitBytes(c.enc) != 4 || c.tail.size() % 4 == 0;
    EXPECT_EQ(CheckTld(L"zzz"), readable ? L"0" : L"1048");
    EXPECT_EQ(CheckTld(L"org"), readable ? L"0" : L"1048");
    EXPECT_EQ(CheckTld(L"com"), L"1048");
    ExpectListClosed();
  }
  EXPECT_TRUE(probe.NothingLeft());
}

// A list file of 64 MiB and more is read to its end, and one of 4 GiB or more
// is refused (the built-in table decides). Neither leaves anything behind.
TEST_F(BoundaryTest, HugeListFile) {
  std::string line(79, 'x');
  line = "#" + line + "\r\n";  // 82 bytes
  std::string block;
  while (block.size() < (1u << 20)) block += line;
  HANDLE h = CreateFileW(ListPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n = 0;
  for (int i = 0; i < 64; ++i) WriteFile(h, block.data(), (DWORD)block.size(), &n, nullptr);
  WriteFile(h, "zzz", 3, &n, nullptr);
  LARGE_INTEGER size;
  GetFileSizeEx(h, &size);
  CloseHandle(h);
  ASSERT_GT(size.QuadPart, 64LL << 20);

  HandleProbe probe;
  EXPECT_EQ(CheckTld(L"zzz"), L"0");
  EXPECT_EQ(CheckTld(L"com"), L"1048");
  ExpectListClosed();

  // 4 GiB and a few bytes, as a sparse file (nothing is written).
  h = CreateFileW(ListPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  size.QuadPart = (4LL << 30) + 16;
  ASSERT_TRUE(SetFilePointerEx(h, size, nullptr, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(h));
  CloseHandle(h);
  EXPECT_EQ(CheckTld(L"com"), L"0");
  EXPECT_EQ(CheckTld(L"zzz"), L"1048");
  ExpectListClosed();
  EXPECT_TRUE(probe.NothingLeft());
  EXPECT_FALSE(TemporaryCopyExists());
}

// The list file replaced between lookups, the way an editor or an installer
// does it (a new file renamed over the old one), growing, shrinking, changing
// its encoding, becoming empty and going away: each lookup reads what is
// there at that moment.
TEST_F(BoundaryTest, ListFileReplacedWhileLoaded) {
  std::wstring next = PluginFolder() + L"TLDs.new";
  auto replace = [&](const std::string& bytes) {
    WriteBytes(next, bytes);
    ASSERT_TRUE(MoveFileExW(next.c_str(), ListPath().c_str(), MOVEFILE_REPLACE_EXISTING)) << GetLastError();
  };
  HandleProbe probe;
  replace("xyz\r\n");
  EXPECT_EQ(CheckTld(L"xyz"), L"0");
  EXPECT_EQ(CheckTld(L"abc"), L"1048");

  std::string grown;
  for (int i = 0; i < 2000; ++i) grown += "entry" + std::to_string(i) + "\r\n";
  replace(Encode(grown + "abc\r\n", Utf16BeBom));  // abc lies far past the old end
  EXPECT_EQ(CheckTld(L"abc"), L"0");
  EXPECT_EQ(CheckTld(L"xyz"), L"1048");

  replace(Encode("qq1\n", Utf32LeBom));
  EXPECT_EQ(CheckTld(L"qq1"), L"0");
  EXPECT_EQ(CheckTld(L"abc"), L"1048");
  EXPECT_EQ(CheckTld(L"entry1999"), L"1048");

  replace("");
  EXPECT_EQ(CheckTld(L"qq1"), L"1048");
  EXPECT_EQ(CheckTld(L"com"), L"1048");

  // Rewritten in place, to a shorter text.
  replace("longerentry\r\n");
  EXPECT_EQ(CheckTld(L"longerentry"), L"0");
  WriteBytes(ListPath(), "net");
  EXPECT_EQ(CheckTld(L"net"), L"0");
  EXPECT_EQ(CheckTld(L"longerentry"), L"1048");

  ASSERT_TRUE(DeleteFileW(ListPath().c_str()));
  EXPECT_EQ(CheckTld(L"com"), L"0");  // the built-in table again
  EXPECT_EQ(CheckTld(L"net"), L"0");
  EXPECT_EQ(CheckTld(L"xyz"), L"1048");
  EXPECT_TRUE(probe.NothingLeft());
}

// The plug-in in a folder far deeper than MAX_PATH (as deep as Wine lets a
// file name go) still finds its list file.
TEST_F(BoundaryTest, LibraryInADeepFolder) {
  Unload();
  std::wstring root = L"\\\\?\\" + ProgramFolder() + L"deep";
  std::vector<std::wstring> folders;
  std::wstring folder = root;
  std::wstring dll;
  while (CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) {
    folders.push_back(folder);
    std::wstring candidate = folder + L"\\" PLUGIN_FILE_NAME;
    if (!CopyFileW((PluginFolder() + PLUGIN_FILE_NAME).c_str(), candidate.c_str(), FALSE)) break;
    WriteBytes(folder + L"\\TLDs.txt", "deep\r\n");
    if (!dll.empty()) {
      DeleteFileW(dll.c_str());
      DeleteFileW((dll.substr(0, dll.size() - 15) + L"TLDs.txt").c_str());
    }
    dll = candidate;
    folder += L"\\" + std::wstring(200, L'd');
  }
  ASSERT_FALSE(dll.empty());
  std::wstring plain = dll.substr(4);  // without \\?\ .
  EXPECT_GT(plain.size(), 2000u) << "Wine let the folder go only so deep";

  Load(plain);
  ASSERT_TRUE(plugin_.Module);
  HandleProbe probe;
  EXPECT_EQ(CheckTld(L"deep"), L"0");
  EXPECT_EQ(CheckTld(L"com"), L"1048");
  ExpectListClosed(dll.substr(0, dll.size() - 15) + L"TLDs.txt");
  EXPECT_TRUE(probe.NothingLeft());
  Unload();

  DeleteFileW(dll.c_str());
  DeleteFileW((dll.substr(0, dll.size() - 15) + L"TLDs.txt").c_str());
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) EXPECT_TRUE(RemoveDirectoryW(it->c_str()));
}

}  // namespace
