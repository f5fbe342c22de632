// Soak of the real plug-in: loads the library of this build's platform from
// this program's own folder (bin/soak, beside the stand-in TakeCmd.dll and
// the stand-in dnsapi.dll and wininet.dll, chosen with
// WINEDLLOVERRIDES=dnsapi,wininet=n) and calls it the way a host does, many
// times over, then tells whether anything was left behind.
//
//   soak.exe [--combos N] [--progress] [--watch]
//
//   --combos N  only the first N combinations of the schedule (all of them)
//   --progress  private memory every 512 combinations, on standard error
//   --watch     every change of private memory, with the call after which
//               it showed, on standard error
//
// The schedule is fixed (one seed): for each combination of the value
// switches (the flags with a letter in tests/support/options.h; 8192 today),
// scrambled, one `quorvel` line sets exactly that combination (the switches
// in random order and spelling, sometimes behind /D or /R, sometimes listing
// the settings, which are then checked); then under each state of TLDs.txt
// (absent, a list in UTF-8, in UTF-16, rewritten with a random list in a
// random encoding, empty, a folder of that name) one address of the corpus
// goes through @quorvel, @emaildpart and @emaillpart; then two random switch
// lines (never /S; /R and /D among them, bad switches too), each followed by
// one more address. Every 64 combinations the saved settings change (a set
// under the current user's key, one under the machine's, or none), so that
// /R finds each; the stand-in DNS client answers from a fixed zone, one
// combination in 16 with a failure status beside its answers, and for one in
// 16 the stand-in WinINet reports no connection; the host's batch variables
// are set for every other combination (error messages then name the batch
// file and line).
//
// Each answer is checked: @quorvel gives 0 or a result code; the parts are
// empty unless @quorvel gives 0, and then local part, "@" and domain part
// give the address (or the address within its angle brackets); without
// DebugMode the functions write nothing. All output is captured through the
// host and cleared after every call.
//
// After a warm-up of a few hundred calls (every state of TLDs.txt, DebugMode
// on over the longest list, every kind of switch line, the measures
// themselves), and again at the end, it takes:
//   - open handles: Wine hands out the lowest free handle slot (see
//     tests/support/leaks.h), so the lowest free slots tell how many handles
//     are open among them; the probe of the fault tests besides;
//   - private memory: PrivateUsage of GetProcessMemoryInfo (Wine 8 gives it
//     as PagefileUsage);
//   - temporary files: files named like the reader's temporary copy
//     (Quorvel-*.tmp) in the temporary folder;
//   - mapped views (regions of type MEM_MAPPED), and the stand-in DNS
//     client's record lists not released and releases of unknown lists.
// It prints a line of details, then
//   soak: N calls, handles +H, memory +M KiB, temp files T (Quorvel-x86.dll)
// (N the calls after the warm-up; H, M and T the differences between end and
// start) and exits with 0 only when H, M and T are 0, nothing else was left
// behind and every answer passed its check.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

#include "../perf/corpus.h"
#include "common/version.h"
#include "settings/settings.h"
#include "stubs/stub_net.h"
#include "support/leaks.h"
#include "support/options.h"
#include "support/plugin_fixture.h"
#include "validate/validate.h"

namespace {

// ---- Deterministic randomness ----

// splitmix64: the same sequence on every platform and compiler.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // A number in [0, n).
  unsigned Below(unsigned n) { return (unsigned)(Next() % n); }
  // True one time in n.
  bool OneIn(unsigned n) { return Below(n) == 0; }

 private:
  uint64_t state_;
};

const uint64_t kSeed = 20261208;

// ---- The switches ----

// The letters of the value switches, one bit of a combination each.
std::wstring ValueSwitches(std::wstring s = L"") {
  for (const PinnedFlag& f : kFlags)
    if (f.Letter) s += f.Letter;
  return s;
}
// The letters of the switches the settings list always shows: the flags of
// its lines but the last (DebugMode's, shown only while on).
std::wstring ListedSwitches(std::wstring s = L"") {
  for (size_t i = 0; i + 1 < QCOUNT(kListLines); ++i) s += kFlags[FlagIndex(kListLines[i].Name)].Letter;
  return s;
}
const std::wstring kValueSwitches = ValueSwitches(), kListedSwitches = ListedSwitches();
const int kSwitchCount = (int)kValueSwitches.size();
const unsigned kCombinations = 1u << kSwitchCount;

// The bit of a value switch's letter in a combination (-1 for no switch).
int SwitchBit(wchar_t letter) { return (int)kValueSwitches.find(letter); }
// Whether the combination turns the switch of letter on.
bool IsOn(unsigned combo, wchar_t letter) { return (combo >> SwitchBit(letter)) & 1; }

// A value that turns a switch on or off, in one of the spellings the command
// accepts, with one of its separators.
std::wstring SwitchToken(Rng& rng, wchar_t letter, bool on) {
  static const wchar_t* const kOn[] = {L"Y", L"y", L"YES", L"yep", L"1", L"0x1", L"0X10", L"42"};
  static const wchar_t* const kOff[] = {L"N", L"n", L"NO", L"nope", L"0", L"0x0", L"00", L"0X0"};
  static const wchar_t* const kSeparators[] = {L":", L":", L"=", L""};
  std::wstring t = L"/";
  t += rng.OneIn(2) ? letter : (wchar_t)towlower(letter);
  t += kSeparators[rng.Below(4)];
  t += on ? kOn[rng.Below(8)] : kOff[rng.Below(8)];
  return t;
}

// A command line that sets exactly the combination: every value switch once,
// in random order, some written together; in front, /D or /R (which the
// explicit values then override) now and then; /Z unless list is set.
std::wstring ComboLine(Rng& rng, unsigned combo, bool list) {
  std::vector<int> order;
  for (int i = 0; i < kSwitchCount; ++i) order.insert(order.begin() + rng.Below((unsigned)order.size() + 1), i);
  std::wstring line;
  unsigned r = rng.Below(8);
  if (r == 0) line = L"/D ";
  else if (r == 1) line = L"/r ";
  for (int i : order) {
    line += SwitchToken(rng, kValueSwitches[i], (combo >> i) & 1);
    if (rng.Below(5)) line += L' ';  // else the next switch is written together with this one
  }
  if (!list) line += rng.OneIn(2) ? L" /Z" : L" /z";
  return line;
}

// A random switch line: one to six tokens of every kind the command meets,
// valid or not; never /S. Now and then a line with more tokens than the
// tokenizer keeps, or too long for it.
std::wstring RandomLine(Rng& rng) {
  static const wchar_t* const kValues[] = {L":Y", L"=N", L"Y", L":yes", L":0", L":1", L"=0x10", L":0X0",
                                           L":nonsense", L"", L":", L":maybe", L":99999999999", L":-1",
                                           L":0x", L": Y", L"=12ab"};
  static const wchar_t* const kOthers[] = {L"/D", L"/R", L"/Z", L"/d", L"/r", L"/z", L"/D:Y", L"/R:N",
                                           L"/X", L"/", L"//", L"Y", L"bogus", L"/BOGUS", L"\"/B:Y\"",
                                           L"/?", L"/??", L"http://example.com/B:Y", L"/2:Y/T:N"};
  unsigned shape = rng.Below(400);
  if (shape == 0) {  // more tokens than the table holds
    std::wstring line;
    for (int i = 0; i < 1100; ++i) line += L"/Z ";
    return line;
  }
  if (shape == 1) return std::wstring(9000, L'y');  // longer than the tokenizer's buffer
  if (shape == 2) return L"";                       // lists the settings
  std::wstring line;
  unsigned tokens = 1 + rng.Below(6);
  for (unsigned t = 0; t < tokens; ++t) {
    if (t) line += rng.OneIn(6) ? L"\t" : L" ";
    if (rng.Below(3)) {
      line += L'/';
      wchar_t letter = kValueSwitches[rng.Below(kSwitchCount)];
      line += rng.OneIn(2) ? letter : (wchar_t)towlower(letter);
      line += kValues[rng.Below(sizeof kValues / sizeof kValues[0])];
    } else {
      const wchar_t* other = kOthers[rng.Below(sizeof kOthers / sizeof kOthers[0])];
      // Help ends the command at once; keep it rare.
      if (other[1] == L'?' && !rng.OneIn(8)) other = L"/Z";
      line += other;
    }
  }
  return line;
}

// ---- The list file ----

// The top-level domains of the longest list, which holds those of the corpus
// and two internationalized ones (in Unicode and in their xn-- form).
const wchar_t* const kListDomains[] = {
    L"com", L"net", L"org", L"edu", L"gov", L"mil", L"info", L"biz", L"name", L"int", L"io", L"co",
    L"uk", L"de", L"us", L"ca", L"fr", L"nl", L"it", L"es", L"au", L"ch", L"at", L"be", L"se", L"dk",
    L"no", L"fi", L"pl", L"cz", L"ie", L"jp", L"cn", L"in", L"br", L"mx", L"za", L"nz", L"ru", L"me",
    L"tv", L"eu", L"xyz", L"online", L"shop", L"tech", L"app", L"dev", L"store", L"site", L"club",
    L"agency", L"digital", L"solutions", L"email", L"cloud", L"museum", L"travel", L"aero", L"coop",
    L"jobs", L"mobi", L"pro", L"asia", L"fm", L"\x0440\x0444", L"xn--p1ai", L"\x4E2D\x56FD", L"xn--fiqs8s"};
const unsigned kListDomainCount = sizeof kListDomains / sizeof kListDomains[0];

enum ListState { LIST_ABSENT, LIST_UTF8, LIST_UTF16, LIST_REWRITTEN, LIST_EMPTY, LIST_FOLDER, LIST_STATES };

enum Encoding { ENC_UTF8, ENC_UTF8_BOM, ENC_UTF16LE_BOM, ENC_UTF16BE_BOM, ENC_UTF16LE, ENC_ENCODINGS };

// The bytes of text in the encoding (with its byte-order mark where it has one).
std::string Encode(const std::wstring& text, Encoding enc) {
  std::string out;
  if (enc == ENC_UTF8 || enc == ENC_UTF8_BOM) {
    if (enc == ENC_UTF8_BOM) out = "\xEF\xBB\xBF";
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    size_t at = out.size();
    out.resize(at + n);
    if (n) WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &out[at], n, nullptr, nullptr);
    return out;
  }
  bool le = enc != ENC_UTF16BE_BOM;
  auto put = [&](wchar_t c) {
    out += (char)(le ? c & 0xFF : c >> 8);
    out += (char)(le ? c >> 8 : c & 0xFF);
  };
  if (enc != ENC_UTF16LE) put(0xFEFF);
  for (wchar_t c : text) put(c);
  return out;
}

// A list behind a comment line: with plain set, every domain (the longest
// list), one a line, CR LF; otherwise about half of them, each line in one of
// the shapes the file allows, CR LF or LF.
std::wstring ListText(Rng& rng, bool plain) {
  static const wchar_t* const kEnds[] = {L"\r\n", L"\n"};
  const wchar_t* eol = plain ? L"\r\n" : kEnds[rng.Below(2)];
  std::wstring text = L"# top-level domains";
  text += eol;
  for (unsigned i = 0; i < kListDomainCount; ++i) {
    if (!plain && rng.OneIn(2)) continue;
    unsigned shape = plain ? 0 : rng.Below(6);
    if (shape == 1) text += L"  ";
    if (shape == 2) text += L".";
    if (shape == 5) text += L"\r\n   \r\n";  // lines of white space alone
    text += kListDomains[i];
    if (shape == 3) text += L"   remark";
    if (shape == 4) text += L".example";  // only the first label counts
    text += eol;
  }
  return text;
}

// Removes TLDs.txt, file or folder.
void RemoveList(const std::wstring& path) {
  DeleteFileW(path.c_str());
  RemoveDirectoryW(path.c_str());
}

// Writes bytes to path, replacing the file; false when it cannot (when the
// plug-in has left the list file open, for one).
bool WriteList(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(h, bytes.data(), (DWORD)bytes.size(), &written, nullptr) && written == bytes.size();
  CloseHandle(h);
  return ok;
}

// Puts TLDs.txt into the state (a new random list for LIST_REWRITTEN).
// Returns false when the state could not be made.
bool SetList(const std::wstring& path, ListState state, Rng& rng) {
  RemoveList(path);
  switch (state) {
    case LIST_ABSENT: return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
    case LIST_UTF8: return WriteList(path, Encode(ListText(rng, true), ENC_UTF8_BOM));
    case LIST_UTF16: return WriteList(path, Encode(ListText(rng, true), ENC_UTF16LE_BOM));
    case LIST_REWRITTEN:
      return WriteList(path, Encode(ListText(rng, false), (Encoding)rng.Below(ENC_ENCODINGS)));
    case LIST_EMPTY: return WriteList(path, "");
    case LIST_FOLDER: return CreateDirectoryW(path.c_str(), nullptr) != 0;
    default: return false;
  }
}

// ---- Saved settings and the stand-in DNS client ----

enum SavedState { SAVED_USER, SAVED_MACHINE, SAVED_NONE, SAVED_STATES };

// Saves a random value of every saved flag under the state's root (the
// other root holds none).
void SetSaved(SavedState state, Rng& rng) {
  ClearSavedSettings();
  if (state == SAVED_NONE) return;
  HKEY root = state == SAVED_USER ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
  for (Flag::Index i : Flag::LoadOrder) WriteSavedDword(root, FlagRows[i].Name, (DWORD)rng.Below(2));
}

const WORD kMX = 15;
const WORD kCNAME = 5;
const LONG kDnsServerFailure = 9002;

// The zone: the providers of the corpus with good exchange hosts, and a few
// whose first record the MX rule refuses or cannot judge. Domains outside
// it have no record.
void FillZone() {
  static const wchar_t* const kGood[] = {
      L"gmail.com", L"yahoo.com", L"hotmail.com", L"outlook.com", L"icloud.com", L"comcast.net",
      L"verizon.net", L"att.net", L"sbcglobal.net", L"gmx.de", L"web.de", L"t-online.de", L"gmx.net",
      L"yahoo.co.uk", L"btinternet.com", L"hotmail.co.uk", L"orange.fr", L"free.fr", L"laposte.net",
      L"libero.it", L"mail.ru", L"yandex.ru", L"qq.com", L"163.com", L"naver.com", L"protonmail.com",
      L"proton.me", L"zoho.com", L"fastmail.fm", L"bigpond.com", L"shaw.ca", L"rogers.com",
      L"uol.com.br", L"example.com", L"example.co.uk"};
  StubDnsReset();
  for (const wchar_t* d : kGood) StubDnsAdd(d, kMX, (std::wstring(L"mx.") + d).c_str());
  StubDnsAdd(L"aol.com", kMX, L"localhost");
  StubDnsAdd(L"msn.com", kMX, L"127.0.0.1");
  StubDnsAdd(L"mac.com", kMX, L"0.0.0.0");
  StubDnsAdd(L"me.com", kMX, nullptr);
  StubDnsAdd(L"live.com", kCNAME, L"hotmail.com");
  StubDnsAdd(L"live.com", kMX, L"localhost");
  StubDnsAdd(L"terra.com.br", kMX, L"224.0.0.1");
  StubDnsAdd(L"1.2.3.4", kMX, L"mx.example.com");
}

// ---- Addresses ----

// The address with the longest label the list lookup traces; it is in no list.
const std::wstring kLongestLabel = L"user@" + std::wstring(63, L'd') + L"." + std::wstring(63, L't');

// Addresses that the corpus seldom or never holds, mixed in every 16th time.
std::vector<std::wstring> EdgeAddresses() {
  std::vector<std::wstring> a = {
      L"", L"@", L"a@b", L"a@b.c", L"postmaster@example.com", L"noreply@example.com", L"NoReply@gmail.com",
      L"user@localhost", L"user@LOCALHOST", L"user@[127.0.0.1]", L"user@127.0.0.1", L"user@[1.2.3.4]",
      L"user@1.2.3.4", L"user@256.1.1.1", L"user@[0.0.0.0]", L"<john@example.com>", L"<john@example.com",
      L"John Smith <john@example.com>", L"\"john doe\"@example.com", L"\"jo\\\"hn\"@example.com",
      L"\"unterminated@example.com", L"jo\\@hn@example.com", L"jo\\ hn@example.com", L"jos\x00E9@example.com",
      L"user@ex\x00E4mple.com", L"user@example.\x0440\x0444", L"user@example.xn--p1ai",
      L"user@\x4F8B\x3048.\x4E2D\x56FD", L"user@example..com", L"user@-example.com", L"user@example-.com",
      L"user@example.com.", L".user@example.com", L"user.@example.com", L"us..er@example.com",
      L"user@sub.example.co.uk", L"user@example.c", L"user@example.zz", L"user@example.x1",
      L"user@exa_mple.com", L"user@example.museum", L"user@example.fm", L"user@nowhere.example",
      L"user@aol.com", L"user@msn.com", L"user@mac.com", L"user@me.com", L"user@live.com",
      L"a!#$%&'*+-/=?^_`{|}~@example.com", L"user@example.com@example.com", L"user name@example.com",
      L"user@example .com", L"user@\tcom", L"\xD800@example.com", L"user@example.\xDBFF\xDFFF"};
  a.push_back(std::wstring(65, L'l') + L"@example.com");
  a.push_back(kLongestLabel);
  std::wstring at256 = L"user@" + std::wstring(247, L'x') + L".com";                 // 256 units
  a.push_back(at256);
  a.push_back(at256 + L"m");  // 257
  a.push_back(L"<" + at256 + L">");
  a.push_back(std::wstring(2000, L'a') + L"@example.com");
  a.push_back(std::wstring(8000, L'@'));
  return a;
}


// ---- Leftovers ----

// The lowest free handle slots now: count handles made at once (and then
// closed), sorted as the system hands them out, lowest first.
std::vector<uintptr_t> LowestFreeSlots(size_t count) {
  std::vector<HANDLE> made;
  for (size_t i = 0; i < count; ++i) made.push_back(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  std::vector<uintptr_t> slots;
  for (HANDLE h : made) {
    slots.push_back((uintptr_t)h);
    if (h) CloseHandle(h);
  }
  return slots;
}

// Handle slots probed at the start; the end probes twice as many, so that
// handles closed since the start also show.
const size_t kHandleWindow = 1024;

// Handles open now beyond those open at the start, among the slots up to
// the highest of the start's window: the start's free slots there minus
// those free now.
long OpenedSince(const std::vector<uintptr_t>& start) {
  uintptr_t top = 0;
  for (uintptr_t s : start) top = s > top ? s : top;
  long freeNow = 0;
  for (uintptr_t s : LowestFreeSlots(2 * start.size()))
    if (s <= top) ++freeNow;
  return (long)start.size() - freeNow;
}

// Private memory of this process, in bytes: PrivateUsage of
// GetProcessMemoryInfo, or where the system leaves that at 0 (Wine 8) the
// figure it gives in PagefileUsage (under Wine RssAnon plus VmSwap of the
// process: its anonymous resident and swapped pages); -1 when neither is there.
int64_t PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX pmc = {};
  pmc.cb = sizeof pmc;
  if (!K32GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc))
    return -1;
  if (pmc.PrivateUsage) return (int64_t)pmc.PrivateUsage;
  return pmc.PagefileUsage ? (int64_t)pmc.PagefileUsage : -1;
}

// Files in the temporary folder named like the reader's temporary copy, of
// any process.
int TemporaryFiles() {
  wchar_t folder[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, folder);
  std::wstring pattern = std::wstring(folder) + PLUGIN_NAME + L"-*.tmp";
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int n = 0;
  do ++n;
  while (FindNextFileW(find, &data));
  FindClose(find);
  return n;
}

// Mapped views in this process's address space.
int MappedViews() {
  int n = 0;
  const char* p = nullptr;
  MEMORY_BASIC_INFORMATION m;
  const void* lastBase = nullptr;
  while (VirtualQuery(p, &m, sizeof m) == sizeof m) {
    if (m.Type == MEM_MAPPED && m.State == MEM_COMMIT && m.AllocationBase != lastBase) {
      ++n;
      lastBase = m.AllocationBase;
    }
    const char* next = static_cast<const char*>(m.BaseAddress) + m.RegionSize;
    if (next <= p) break;
    p = next;
  }
  return n;
}

// What the process holds at one time, as the soak measures it.
struct Leftovers {
  std::vector<uintptr_t> FreeSlots;  // the lowest kHandleWindow free handle slots
  int64_t Memory = 0;
  int TempFiles = 0;
  int Views = 0;
};

// The measures now, the memory after the handle slots and before the rest.
Leftovers TakeLeftovers() {
  Leftovers l;
  l.FreeSlots = LowestFreeSlots(kHandleWindow);
  l.Memory = PrivateBytes();
  l.TempFiles = TemporaryFiles();
  l.Views = MappedViews();
  return l;
}

// ---- The soak ----

class Soak {
 public:
  Soak(const PluginExports& p, const std::wstring& listPath, const std::vector<std::wstring>& corpus)
      : p_(p), listPath_(listPath), corpus_(corpus), edge_(EdgeAddresses()), rng_(kSeed), buffer_(8192) {}

  // Runs the combinations first..first+count-1 of the schedule (in its
  // scrambled order).
  void Run(unsigned first, unsigned count, bool progress);

  // The warm-up: every state of the list file, DebugMode on and off over the
  // longest list with the longest label, every kind of switch line.
  void WarmUp();

  // From now on, with on set, reports every change of private memory on
  // standard error, with the call after which it showed.
  void Watch(bool on) {
    watch_ = on;
    watched_ = PrivateBytes();
  }

  // Calls of the plug-in's entries so far, and wrong answers among them.
  uint64_t Calls() const { return calls_; }
  uint64_t Faults() const { return faults_; }
  // States of the list file that could not be made (a file or folder of
  // that name could not be replaced).
  uint64_t ListFailures() const { return listFailures_; }
  // Connection tests without a place for the flags or with a reserved value.
  int BadNetCalls() const { return badNetCalls_ + StubNetBadCalls(); }

 private:
  // One step of the schedule: the combination at index, its six addresses,
  // its two random lines with their addresses.
  void Combination(unsigned index);
  // Runs the command with line; returns its exit code, the output captured.
  int Command(const std::wstring& line);
  // Runs a function on the address in the host buffer; returns the text left.
  const wchar_t* Function(int(WINAPI* fn)(LPWSTR), const std::wstring& address);
  // The three functions on the address; known says whether combo is the
  // combination in force (then the silence of DebugMode off is checked).
  void Address(const std::wstring& address, bool known, unsigned combo);
  // The next address: the corpus in order, every 16th an edge address.
  const std::wstring& NextAddress();
  // Counts a wrong answer; the first 20 are shown on standard error.
  void Fault(const char* what, const std::wstring& detail);
  // With Watch on, reports a change of private memory since the last call.
  void WatchCall(const wchar_t* what, const std::wstring& arg);

  const PluginExports& p_;
  std::wstring listPath_;
  const std::vector<std::wstring>& corpus_;
  std::vector<std::wstring> edge_;
  Rng rng_;
  std::vector<wchar_t> buffer_;
  std::wstring domain_, local_;
  size_t next_ = 0;
  uint64_t calls_ = 0;
  uint64_t faults_ = 0;
  uint64_t addresses_ = 0;
  int badNetCalls_ = 0;
  uint64_t listFailures_ = 0;
  bool watch_ = false;
  int64_t watched_ = 0;
};

void Soak::Fault(const char* what, const std::wstring& detail) {
  if (++faults_ <= 20) fprintf(stderr, "soak: %s: %ls\n", what, detail.substr(0, 200).c_str());
}

int Soak::Command(const std::wstring& line) {
  buffer_.assign(line.begin(), line.end());
  buffer_.push_back(L'\0');
  HostCaptureStart();
  ++calls_;
  int rc = p_.quorvel(buffer_.data());
  WatchCall(L"command", line);
  return rc;
}

void Soak::WatchCall(const wchar_t* what, const std::wstring& arg) {
  if (!watch_) return;
  int64_t now = PrivateBytes();
  if (now != watched_)
    fprintf(stderr, "soak: call %llu (%ls %ls): private %lld -> %lld KiB\n", (unsigned long long)calls_, what,
            arg.substr(0, 80).c_str(), (long long)(watched_ / 1024), (long long)(now / 1024));
  watched_ = now;
}

const wchar_t* Soak::Function(int(WINAPI* fn)(LPWSTR), const std::wstring& address) {
  buffer_.assign(8192, L'\0');
  address.copy(buffer_.data(), 8191);
  HostCaptureStart();
  ++calls_;
  if (fn(buffer_.data()) != 0) Fault("a function did not return 0 for", address);
  buffer_[8191] = 0;
  WatchCall(L"function", address);
  return buffer_.data();
}

const std::wstring& Soak::NextAddress() {
  ++addresses_;
  if (addresses_ % 16 == 0) return edge_[(addresses_ / 16) % edge_.size()];
  const std::wstring& a = corpus_[next_];
  next_ = (next_ + 1) % corpus_.size();
  return a;
}

// Whether text is 0 or one of the result codes of an address, in decimal.
bool IsResultCode(const std::wstring& text) {
  if (text == L"0") return true;
  int code = _wtoi(text.c_str());
  return std::to_wstring(code) == text &&
         (code == QV_EMPTY || code == QV_TOO_LONG || (code >= QV_FIRST_RULE && code <= QV_LAST_RULE));
}

void Soak::Address(const std::wstring& address, bool known, unsigned combo) {
  bool silent = known && !IsOn(combo, L'$');
  std::wstring code = Function(p_.f_quorvel, address);
  if (silent && (*HostCapturedOut() || *HostCapturedErr())) Fault("output without DebugMode for", address);
  domain_ = Function(p_.f_emaildpart, address);
  if (silent && (*HostCapturedOut() || *HostCapturedErr())) Fault("output without DebugMode for", address);
  local_ = Function(p_.f_emaillpart, address);
  if (silent && (*HostCapturedOut() || *HostCapturedErr())) Fault("output without DebugMode for", address);
  HostCaptureStart();  // nothing kept until the next call

  if (!IsResultCode(code)) Fault("not a result code", code + L" for " + address);
  if (code != L"0") {
    if (!domain_.empty() || !local_.empty()) Fault("parts of an invalid address", address);
    return;
  }
  std::wstring whole = local_ + L"@" + domain_;
  bool inBrackets = address.size() >= 2 && address.front() == L'<' && address.back() == L'>' &&
                    whole == address.substr(1, address.size() - 2);
  if (local_.empty() || domain_.empty() || (whole != address && !inBrackets))
    Fault("parts that do not give the address", address + L" -> " + local_ + L" @ " + domain_);
}

void Soak::Combination(unsigned index) {
  // An odd multiplier scrambles the order and meets every combination once.
  unsigned combo = (index * 2741u + 1u) & (kCombinations - 1);

  if (index % 64 == 0) SetSaved((SavedState)((index / 64) % SAVED_STATES), rng_);
  if (index % 2) {
    HostSetVariable(L"_batch", L"1");
    HostSetVariable(L"_batchname", L"C:\\soak\\quorvel.btm");
    HostSetVariable(L"_batchline", std::to_wstring(index).c_str());
  } else {
    HostSetVariable(L"_batch", L"0");
  }
  badNetCalls_ += StubNetBadCalls();  // the next call resets the count
  StubNetSetConnected(index % 16 != 5);
  StubDnsSetStatus(index % 16 == 9 ? kDnsServerFailure : 0);

  bool list = rng_.OneIn(4);
  std::wstring line = ComboLine(rng_, combo, list);
  int rc = Command(line);
  if (rc != 0) Fault("the combination's line failed", line);
  if (list) {
    std::wstring out = HostCapturedOut();
    for (wchar_t s : kListedSwitches) {
      std::wstring expected = std::wstring(L"/") + s + (IsOn(combo, s) ? L":Yes\r\n" : L":No\r\n");
      if (out.find(expected) == std::wstring::npos) Fault("the list does not show", expected + L" after " + line);
    }
    if ((out.find(L"/$:Yes\r\n") != std::wstring::npos) != IsOn(combo, L'$'))
      Fault("the list's debug line is wrong after", line);
  }
  HostCaptureStart();

  unsigned shift = rng_.Below(LIST_STATES);
  for (unsigned s = 0; s < LIST_STATES; ++s) {
    ListState state = (ListState)((s + shift) % LIST_STATES);
    if (!SetList(listPath_, state, rng_)) ++listFailures_;
    Address(NextAddress(), true, combo);
  }

  for (int i = 0; i < 2; ++i) {
    line = RandomLine(rng_);
    Command(line);  // any exit code; output and errors are dropped
    HostCaptureStart();
    Address(NextAddress(), false, combo);
  }
}

void Soak::Run(unsigned first, unsigned count, bool progress) {
  for (unsigned i = first; i < first + count; ++i) {
    Combination(i);
    if (progress && (i - first + 1) % 512 == 0)
      fprintf(stderr, "soak: %u combinations, %llu calls, private %lld KiB\n", i - first + 1,
              (unsigned long long)calls_, (long long)(PrivateBytes() / 1024));
  }
}

void Soak::WarmUp() {
  // The longest output of a call: DebugMode on, the whole longest list
  // compared against the longest label.
  Command(L"/D /$:Y /T:Y /2:N /Z");
  if (!SetList(listPath_, LIST_UTF16, rng_)) ++listFailures_;
  Address(kLongestLabel, true, 1u << SwitchBit(L'$') | 1u << SwitchBit(L'T'));
  for (int s = 0; s < LIST_STATES; ++s) {
    if (!SetList(listPath_, (ListState)s, rng_)) ++listFailures_;
    for (int i = 0; i < 8; ++i) Address(NextAddress(), false, 0);
  }
  for (int s = 0; s < SAVED_STATES; ++s) {
    SetSaved((SavedState)s, rng_);
    Command(L"/R");
  }
  for (int i = 0; i < 40; ++i) Command(RandomLine(rng_));
  Command(L"/?");
  Command(L"/??");
  Command(L"");
  Command(std::wstring(9000, L'y'));
  std::wstring many;
  for (int i = 0; i < 1100; ++i) many += L"/Z ";
  Command(many);
  HostCaptureStart();
  // A stretch of the schedule itself, from combinations that the run meets
  // again later.
  Run(kCombinations - 8, 8, false);
}

}  // namespace

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  unsigned combos = kCombinations;
  bool progress = false, watch = false;
  for (int i = 1; i < argc; ++i) {
    std::wstring a = argv[i];
    if (a == L"--combos" && i + 1 < argc) combos = (unsigned)_wtoi(argv[++i]);
    else if (a == L"--progress") progress = true;
    else if (a == L"--watch") watch = true;
    else {
      fprintf(stderr, "usage: soak.exe [--combos N] [--progress] [--watch]\n");
      return 2;
    }
  }
  LocalFree(argv);
  if (combos == 0 || combos > kCombinations) combos = kCombinations;

  std::wstring folder = ProgramFolder();
  std::vector<std::wstring> corpus;
  if (!ReadCorpusLines(folder + L"corpus.txt", &corpus) || corpus.empty()) {
    fprintf(stderr, "soak: cannot read %ls\n", (folder + L"corpus.txt").c_str());
    return 2;
  }
  // The DNS client must be the stand-in of this folder, not the system's.
  wchar_t dns[MAX_PATH] = L"";
  GetModuleFileNameW(GetModuleHandleW(L"dnsapi.dll"), dns, MAX_PATH);
  if (_wcsnicmp(dns, folder.c_str(), folder.size()) != 0) {
    fprintf(stderr, "soak: the stand-in DNS client is not in use (WINEDLLOVERRIDES=dnsapi,wininet=n); loaded: %ls\n",
            dns);
    return 2;
  }

  std::wstring listPath = folder + L"TLDs.txt";
  RemoveList(listPath);
  ClearSavedSettings();
  FillZone();
  HostSetVariable(L"_transient", L"1");
  HostSetVariable(L"_pipe", L"0");
  HostSetVariable(L"_batch", L"0");

  PluginExports plugin;
  HostCaptureStart();
  if (!LoadPluginExports(&plugin, (folder + PLUGIN_FILE_NAME).c_str())) return 2;
  // The MX rule loads the stand-ins of this folder, as the system's.
  if (!UseProgramFolderAsSystemFolder(plugin.Module)) {
    fprintf(stderr, "soak: the plug-in does not import GetSystemDirectoryW\n");
    return 2;
  }
  plugin.GetPluginInfo();
  if (plugin.InitializePlugin() != 0) {
    fprintf(stderr, "soak: InitializePlugin failed\n");
    return 2;
  }

  Soak soak(plugin, listPath, corpus);
  soak.WarmUp();
  uint64_t warmUpCalls = soak.Calls();

  // The measures once before they count: their own first use allocates
  // (under Wine the first directory search takes a page).
  TakeLeftovers();
  HandleProbe probe;
  Leftovers start = TakeLeftovers();
  soak.Watch(watch);
  DWORD t0 = GetTickCount();
  soak.Run(0, combos, progress);
  double seconds = (GetTickCount() - t0) / 1000.0;
  // The list file and the saved settings as at the start of the measure, so
  // that only the plug-in's own leftovers count.
  RemoveList(listPath);
  ClearSavedSettings();
  HostCaptureStart();
  Leftovers end = TakeLeftovers();
  long handles = OpenedSince(start.FreeSlots);
  bool sameSlot = probe.NothingLeft();
  int liveLists = StubDnsLiveLists();
  int badFrees = StubDnsBadFrees();
  int badNetCalls = soak.BadNetCalls();

  HostCaptureStop();
  plugin.ShutdownPlugin(TRUE);
  UnloadPluginExports(&plugin);
  for (const wchar_t* v : {L"_batch", L"_batchname", L"_batchline", L"_transient", L"_pipe"}) HostSetVariable(v, nullptr);

  uint64_t calls = soak.Calls() - warmUpCalls;
  int64_t memoryKiB = (end.Memory - start.Memory) / 1024;
  int tempFiles = end.TempFiles - start.TempFiles;
  int views = end.Views - start.Views;
  bool pass = handles == 0 && memoryKiB == 0 && tempFiles == 0 && views == 0 && sameSlot && liveLists == 0 &&
              badFrees == 0 && badNetCalls == 0 && soak.Faults() == 0 && soak.ListFailures() == 0 &&
              start.Memory >= 0;

  if (handles >= (long)kHandleWindow)
    printf("soak: every handle slot probed is taken: at least %ld handles were left open\n", handles);
  printf("soak: %ls: %u combinations in %.1f s after a warm-up of %llu calls; private memory %lld KiB at the "
         "start, %lld at the end; lowest free handle %s; mapped views %+d; DNS lists open %d, bad frees %d, "
         "bad connection tests %d; list file not made %llu times; wrong answers %llu\n",
         PLUGIN_FILE_NAME, combos, seconds, (unsigned long long)warmUpCalls, (long long)(start.Memory / 1024),
         (long long)(end.Memory / 1024), sameSlot ? "unchanged" : "CHANGED", views, liveLists, badFrees,
         badNetCalls, (unsigned long long)soak.ListFailures(), (unsigned long long)soak.Faults());
  printf("soak: %llu calls, handles %+ld, memory %+lld KiB, temp files %d (%ls)\n", (unsigned long long)calls,
         handles, (long long)memoryKiB, tempFiles, PLUGIN_FILE_NAME);
  fflush(stdout);
  return pass ? 0 : 1;
}
