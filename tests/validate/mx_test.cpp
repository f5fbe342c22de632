// The MX rule: the plug-in in this test's own folder, beside stand-ins for
// dnsapi.dll and wininet.dll (chosen with WINEDLLOVERRIDES=dnsapi,wininet=n),
// which the rule takes for the system's (UseProgramFolderAsSystemFolder), so
// that every kind of DNS answer can be produced and every query seen.
#include <string>
#include <vector>

#include "platform/os_dns.h"
#include "platform/os_dns_win.h"
#include "stubs/stub_net.h"
#include "support/plugin_fixture.h"
#include "validate/mx.h"
#include "settings/settings.h"

namespace {

const WORD kMX = 15;
const WORD kCNAME = 5;
const DWORD kDnsServerFailure = 9002;

// The part of the trace from the MX rule's first line to the end.
std::wstring MxTrace(const std::wstring& out) {
  size_t at = out.find(L"   * GetMXRecord(");
  return at == std::wstring::npos ? std::wstring() : out.substr(at);
}

class MxTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    ASSERT_TRUE(UseProgramFolderAsSystemFolder(plugin_.Module));
    StubDnsReset();
    StubNetSetConnected(TRUE);
    ASSERT_EQ(Command(L"/M:Y /Z"), 0);
  }
  void TearDown() override {
    // Every list handed out was released, the right way.
    EXPECT_EQ(StubDnsLiveLists(), 0);
    EXPECT_EQ(StubDnsBadFrees(), 0);
    EXPECT_EQ(StubNetBadCalls(), 0);
    PluginTest::TearDown();
  }

  // The one query made so far was an MX query for name with the standard
  // options, no server list and no reserved argument.
  void ExpectOneQueryFor(const wchar_t* name) {
    const StubDnsQueryInfo* q = StubDnsQueries();
    ASSERT_EQ(q->Count, 1);
    EXPECT_STREQ(q->Name, name);
    EXPECT_EQ(q->Type, kMX);
    EXPECT_EQ(q->Options, 0u);
    EXPECT_FALSE(q->HadServerList);
    EXPECT_FALSE(q->HadReserved);
    EXPECT_TRUE(q->HadResultPlace);
  }
};

TEST_F(MxTest, ExchangeHostDecides) {
  struct Case {
    const wchar_t* host;
    const wchar_t* expected;
  } cases[] = {
      {L"mx.example.com", L"0"},
      {L"localhost", L"1052"},
      {L"LocalHost", L"1052"},  // names ignore the case of A-Z
      {nullptr, L"1052"},       // a null MX: the domain takes no mail
      {L"", L"1052"},
      {L".", L"1052"},
      {L"mx.", L"0"},
      {L"localhost.", L"1052"},  // fully qualified: the same host
      {L"localhost..", L"0"},  // only one trailing dot is the root's
      {L"127.0.0.1.", L"1052"},
      {L"127.0.0.1", L"1052"},
      {L"127.0.0.9", L"1052"},
      {L"0.0.0.0", L"1052"},
      {L"255.255.255.255", L"1052"},
      {L"224.0.0.1", L"1052"},
      {L"127.1.2.3", L"0"},  // an ordinary dotted quad
      {L"10.1.2.3", L"0"},
      {L"[127.0.0.1]", L"0"},  // brackets are not removed from the host
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host ? c.host : L"(no host)");
    StubDnsReset();
    StubDnsAdd(L"example.com", kMX, c.host);
    EXPECT_EQ(Quorvel(L"user@example.com"), c.expected);
    ExpectOneQueryFor(L"example.com");
    EXPECT_EQ(StubDnsLiveLists(), 0);
  }
}

TEST_F(MxTest, OnlyTheFirstRecordIsRead) {
  // An alias first: not an MX record, so the domain passes whatever follows.
  StubDnsAdd(L"alias.com", kCNAME, L"mail.example.com");
  StubDnsAdd(L"alias.com", kMX, L"localhost");
  EXPECT_EQ(Quorvel(L"user@alias.com"), L"0");
  ExpectOneQueryFor(L"alias.com");

  // A good first MX record hides a bad second one; a bad first one decides.
  StubDnsReset();
  StubDnsAdd(L"first.com", kMX, L"mx.first.com");
  StubDnsAdd(L"first.com", kMX, L"127.0.0.1");
  StubDnsAdd(L"second.com", kMX, L"127.0.0.1");
  StubDnsAdd(L"second.com", kMX, L"mx.second.com");
  EXPECT_EQ(Quorvel(L"user@first.com"), L"0");
  EXPECT_EQ(Quorvel(L"user@second.com"), L"1052");
  EXPECT_EQ(StubDnsQueries()->Count, 2);
}

TEST_F(MxTest, NoRecordListFailsOnlyOnAVerdict) {
  // No such name, no MX record, or success with nothing: the domain takes no mail.
  for (LONG status : {9003L, 9501L, 0L}) {
    SCOPED_TRACE(status);
    StubDnsReset();
    StubDnsSetStatus(status);
    EXPECT_EQ(Quorvel(L"user@nowhere.com"), L"1052");
    ExpectOneQueryFor(L"nowhere.com");
    EXPECT_EQ(DomainPart(L"user@nowhere.com"), L"");
    EXPECT_EQ(LocalPart(L"user@nowhere.com"), L"");
  }
  // The resolver failed (time-out, server failure, refusal, bad packet):
  // skipped as offline, with one trace line that gives the status.
  ASSERT_EQ(Command(L"/$:Y /Z"), 0);
  for (LONG status : {1460L, 9002L, 9005L, 9502L}) {
    SCOPED_TRACE(status);
    StubDnsReset();
    StubDnsSetStatus(status);
    OutputCapture capture;
    EXPECT_EQ(Quorvel(L"user@nowhere.com"), L"0");
    ExpectOneQueryFor(L"nowhere.com");
    EXPECT_EQ(MxTrace(capture.Out()), L"   * GetMXRecord( nowhere.com )\r\n"
                                      L"   * CheckForDottedQuad( 'nowhere.com' )\r\n"
                                      L"   * MX check skipped: DNS status " + std::to_wstring(status) + L"\r\n");
  }
}

// A list may come back with any status, as Windows hands back the zone's SOA
// record with a negative answer: the status decides first, and only a
// success is judged, by the first record of its answer section.
TEST_F(MxTest, StatusDecidesBeforeTheList) {
  const WORD kSOA = 6, kA = 1;
  StubDnsAddRecord(L"nx.com", kSOA, L"ns.nx.com", DNSREC_AUTHORITY);
  StubDnsAddRecord(L"soa.com", kSOA, L"ns.soa.com", DNSREC_AUTHORITY);
  StubDnsAddRecord(L"late.com", kSOA, L"ns.late.com", DNSREC_AUTHORITY);
  StubDnsAdd(L"late.com", kMX, L"localhost");
  StubDnsAdd(L"good.com", kMX, L"mx.good.com");
  StubDnsAddRecord(L"good.com", kA, nullptr, DNSREC_ADDITIONAL);
  StubDnsAddRecord(L"extra.com", kMX, L"mx.extra.com", DNSREC_ADDITIONAL);
  for (LONG status : {9003L, 9501L}) {
    SCOPED_TRACE(status);
    StubDnsSetStatus(status);
    EXPECT_EQ(Quorvel(L"user@nx.com"), L"1052");
    EXPECT_EQ(Quorvel(L"user@good.com"), L"1052");
  }
  StubDnsSetStatus(0);
  EXPECT_EQ(Quorvel(L"user@soa.com"), L"1052");    // no answer record at all
  EXPECT_EQ(Quorvel(L"user@extra.com"), L"1052");  // an MX record outside the answer
  EXPECT_EQ(Quorvel(L"user@late.com"), L"1052");   // the first answer record, not the first record
  EXPECT_EQ(Quorvel(L"user@good.com"), L"0");

  // A failed resolver: skipped with its trace line, whatever its list holds.
  ASSERT_EQ(Command(L"/$:Y /Z"), 0);
  StubDnsSetStatus(kDnsServerFailure);
  OutputCapture capture;
  EXPECT_EQ(Quorvel(L"user@late.com"), L"0");
  EXPECT_EQ(MxTrace(capture.Out()), L"   * GetMXRecord( late.com )\r\n"
                                    L"   * CheckForDottedQuad( 'late.com' )\r\n"
                                    L"   * MX check skipped: DNS status 9002\r\n");
}

TEST_F(MxTest, OfflineSkipsTheQuery) {
  StubNetSetConnected(FALSE);
  EXPECT_EQ(Quorvel(L"user@nowhere.com"), L"0");
  EXPECT_EQ(DomainPart(L"user@nowhere.com"), L"nowhere.com");
  EXPECT_EQ(StubNetCalls(), 2);
  EXPECT_EQ(StubDnsQueries()->Count, 0);
}

TEST_F(MxTest, OrdinaryDottedQuadIsNotLookedUp) {
  ASSERT_EQ(Command(L"/I:Y /Z"), 0);
  EXPECT_EQ(Quorvel(L"user@1.2.3.4"), L"0");
  EXPECT_EQ(Quorvel(L"user@[1.2.3.4]"), L"0");
  EXPECT_EQ(Quorvel(L"user@127.1.2.3"), L"0");
  EXPECT_EQ(StubDnsQueries()->Count, 0);
  EXPECT_EQ(StubNetCalls(), 0);
}

TEST_F(MxTest, LoopbackIsQueriedAsAName) {
  ASSERT_EQ(Command(L"/I:Y /L:Y /Z"), 0);
  EXPECT_EQ(Quorvel(L"user@[127.0.0.1]"), L"1052");
  ExpectOneQueryFor(L"[127.0.0.1]");

  StubDnsReset();
  StubDnsAdd(L"127.0.0.1", kMX, L"mx.example.com");
  EXPECT_EQ(Quorvel(L"user@127.0.0.1"), L"0");
  ExpectOneQueryFor(L"127.0.0.1");

  StubDnsReset();
  EXPECT_EQ(Quorvel(L"user@localhost"), L"1052");
  ExpectOneQueryFor(L"localhost");
  StubDnsReset();
  StubDnsAdd(L"localhost", kMX, L"mx.example.com");
  EXPECT_EQ(Quorvel(L"user@localhost"), L"0");
}

TEST_F(MxTest, NoQueryWhenOffOrAnEarlierRuleFails) {
  EXPECT_EQ(Quorvel(L"user@example.zzz"), L"1048");
  EXPECT_EQ(Quorvel(L"user@exa_mple.com"), L"1053");
  EXPECT_EQ(Quorvel(L"user@localhost"), L"1051");
  ASSERT_EQ(Command(L"/M:N /Z"), 0);
  EXPECT_EQ(Quorvel(L"user@nowhere.com"), L"0");
  EXPECT_EQ(StubDnsQueries()->Count, 0);
  EXPECT_EQ(StubNetCalls(), 0);
}

TEST_F(MxTest, DebugTrace) {
  ASSERT_EQ(Command(L"/$:Y /Z"), 0);
  StubDnsAdd(L"example.com", kMX, L"127.0.0.1");
  {
    OutputCapture capture;
    EXPECT_EQ(Quorvel(L"user@example.com"), L"1052");
    EXPECT_EQ(MxTrace(capture.Out()),
              L"   * GetMXRecord( example.com )\r\n"
              L"   * CheckForDottedQuad( 'example.com' )\r\n"
              L"   * CheckForDottedQuad( '127.0.0.1' )\r\n"
              L"   * Bytes are 127 0 0 1\r\n");
  }
  {
    // No lookup: the trace stops after the quad of the domain.
    ASSERT_EQ(Command(L"/I:Y /Z"), 0);
    OutputCapture capture;
    EXPECT_EQ(Quorvel(L"user@[1.2.3.4]"), L"0");
    EXPECT_EQ(MxTrace(capture.Out()),
              L"   * GetMXRecord( [1.2.3.4] )\r\n"
              L"   * CheckForDottedQuad( '1.2.3.4' )\r\n"
              L"   * Bytes are 1 2 3 4\r\n");
  }
  {
    // A first record that is not MX: no host to judge.
    StubDnsAdd(L"alias.com", kCNAME, L"127.0.0.1");
    OutputCapture capture;
    EXPECT_EQ(Quorvel(L"user@alias.com"), L"0");
    EXPECT_EQ(MxTrace(capture.Out()),
              L"   * GetMXRecord( alias.com )\r\n"
              L"   * CheckForDottedQuad( 'alias.com' )\r\n");
  }
}

// GetMXRecord itself, from the core linked into this program, for the results
// that the validator folds into 1052.
TEST(GetMXRecordTest, Results) {
  ASSERT_TRUE(UseProgramFolderAsSystemFolder(GetModuleHandleW(nullptr)));
  StubDnsReset();
  StubNetSetConnected(TRUE);
  PluginSettings.DebugMode = 0;
  EXPECT_EQ(GetMXRecord(nullptr), -1);
  EXPECT_EQ(GetMXRecord(L""), -1);
  StubDnsAdd(L"loop.com", kMX, L"127.0.0.1");
  StubDnsAdd(L"local.com", kMX, L"localhost");
  StubDnsAdd(L"good.com", kMX, L"mx.good.com");
  StubDnsAdd(L"alias.com", kCNAME, L"good.com");
  EXPECT_EQ(GetMXRecord(L"loop.com"), -2);
  EXPECT_EQ(GetMXRecord(L"local.com"), -2);
  StubDnsSetStatus(9002);  // a failed resolver: skipped
  EXPECT_EQ(GetMXRecord(L"missing.com"), 0);
  StubDnsSetStatus(9003);
  EXPECT_EQ(GetMXRecord(L"missing.com"), -3);
  StubDnsSetStatus(0);
  EXPECT_EQ(GetMXRecord(L"good.com"), 0);
  EXPECT_EQ(GetMXRecord(L"alias.com"), 0);
  EXPECT_EQ(GetMXRecord(L"[1.2.3.4]"), 0);
  EXPECT_EQ(StubDnsQueries()->Count, 6);
  StubNetSetConnected(FALSE);
  EXPECT_EQ(GetMXRecord(L"missing.com"), 0);
  EXPECT_EQ(StubDnsQueries()->Count, 6);
  EXPECT_EQ(StubDnsLiveLists(), 0);
  EXPECT_EQ(StubDnsBadFrees(), 0);
  StubNetSetConnected(TRUE);
}

// The loads the MX rule asks for: each name with the flags it came with.
std::vector<std::wstring> g_loads;
const wchar_t* g_unloadable;
HMODULE WINAPI RecordLoad(LPCWSTR name, HANDLE file, DWORD flags) {
  g_loads.push_back(std::wstring(name) + L" " + std::to_wstring(flags));
  std::wstring base = name;
  base = base.substr(base.find_last_of(L'\\') + 1);
  return g_unloadable && base == g_unloadable ? nullptr : OsDnsWinDefaults.LoadLibraryExW(name, file, flags);
}
FARPROC WINAPI NoDnsFree(HMODULE module, LPCSTR name) {
  return lstrcmpA(name, "DnsFree") == 0 ? nullptr : OsDnsWinDefaults.GetProcAddress(module, name);
}

// Without WinINet or the DNS client, or without one of their functions, the
// check is skipped with a trace line that says why, at every address, and
// the load is not tried again. Each library is asked for once, by its full
// path in the system folder (here the stand-ins' folder).
TEST(GetMXRecordTest, LoadedOnceByFullPath) {
  ASSERT_TRUE(UseProgramFolderAsSystemFolder(GetModuleHandleW(nullptr)));
  const OsDnsWinCalls saved = OsDnsWin;
  std::wstring folder = ProgramFolder();
  StubDnsReset();
  StubNetSetConnected(TRUE);
  PluginSettings.DebugMode = 1;
  struct {
    const wchar_t* unloadable;
    bool noDnsFree;
    const wchar_t* why;
    size_t loads;
  } cases[] = {
      {L"wininet.dll", false, L"wininet.dll cannot be loaded", 1},
      {L"dnsapi.dll", false, L"dnsapi.dll cannot be loaded", 2},
      {nullptr, true, L"dnsapi.dll has no DnsFree", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    OsDnsWin = OsDnsWinDefaults;
    OsNetForget();
    g_loads.clear();
    g_unloadable = c.unloadable;
    OsDnsWin.LoadLibraryExW = RecordLoad;
    if (c.noDnsFree) OsDnsWin.GetProcAddress = NoDnsFree;
    for (const wchar_t* domain : {L"missing.com", L"other.com"}) {
      OutputCapture capture;
      EXPECT_EQ(GetMXRecord(domain), 0);
      EXPECT_EQ(MxTrace(capture.Out()), L"   * GetMXRecord( " + std::wstring(domain) + L" )\r\n" +
                                            L"   * CheckForDottedQuad( '" + domain + L"' )\r\n" +
                                            L"   * MX check skipped: " + c.why + L"\r\n");
    }
    std::vector<std::wstring> expected = {folder + L"wininet.dll 8", folder + L"dnsapi.dll 8"};
    expected.resize(c.loads);
    EXPECT_EQ(g_loads, expected);
  }
  EXPECT_EQ(StubDnsQueries()->Count, 0);
  g_unloadable = nullptr;
  OsDnsWin = OsDnsWinDefaults;
  OsNetForget();
  EXPECT_EQ(GetMXRecord(L"missing.com"), -3);
  OsDnsWin = saved;
  PluginSettings.DebugMode = 0;
}

// Threads that reach the MX rule at once load each library once between
// them, and all of them find the functions.
LONG g_slowLoads;
HMODULE WINAPI SlowLoad(LPCWSTR name, HANDLE file, DWORD flags) {
  InterlockedIncrement(&g_slowLoads);
  Sleep(50);
  return OsDnsWinDefaults.LoadLibraryExW(name, file, flags);
}
DWORD WINAPI LoadFromThread(LPVOID result) {
  *static_cast<const qchar**>(result) = OsNetLoad();
  return 0;
}

TEST(GetMXRecordTest, ThreadsLoadOnce) {
  ASSERT_TRUE(UseProgramFolderAsSystemFolder(GetModuleHandleW(nullptr)));
  const OsDnsWinCalls saved = OsDnsWin;
  OsDnsWin = OsDnsWinDefaults;
  OsNetForget();
  g_slowLoads = 0;
  OsDnsWin.LoadLibraryExW = SlowLoad;
  const qchar* results[4] = {L"x", L"x", L"x", L"x"};
  HANDLE threads[4];
  for (int i = 0; i < 4; i++) threads[i] = CreateThread(nullptr, 0, LoadFromThread, &results[i], 0, nullptr);
  WaitForMultipleObjects(4, threads, TRUE, INFINITE);
  for (int i = 0; i < 4; i++) {
    CloseHandle(threads[i]);
    EXPECT_EQ(results[i], nullptr) << "thread " << i;
  }
  EXPECT_EQ(g_slowLoads, 2);  // wininet.dll and dnsapi.dll
  OsDnsWin = saved;
}

}  // namespace
