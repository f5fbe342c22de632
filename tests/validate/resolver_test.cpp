// The MX rule through Wine's own WinINet and DNS client, against a DNS server
// on loopback in a private network namespace (run by resolver_check.sh).
// QUORVEL_NET_ONLINE tells whether the namespace has a default route, so that
// the machine counts as connected. A decoy dnsapi.dll (the tests' stand-in)
// lies beside the program, and Wine is told to prefer such a file to its own.
#include <stdlib.h>

#include <string>

#include "support/plugin_fixture.h"

namespace {

bool Online() {
  const char* v = getenv("QUORVEL_NET_ONLINE");
  return v && v[0] == '1';
}

class ResolverTest : public PluginTest {};

TEST_F(ResolverTest, CheckMX) {
  ASSERT_EQ(Command(L"/M:Y /Z"), 0);
  // The server holds the zone com without this name: no such name, no record
  // list. Offline, the test is skipped and the address passes; the script
  // checks that no query was made.
  EXPECT_EQ(Quorvel(L"user@nowhere.com"), Online() ? L"1052" : L"0");
  // A name with an MX record passes: Wine 8's DNS client reports every MX
  // answer as a bad packet, which skips the check, and a resolver that reads
  // the answer finds a good exchange host.
  EXPECT_EQ(Quorvel(L"user@withmx.com"), L"0");
  ASSERT_EQ(Command(L"/M:N /Z"), 0);
  EXPECT_EQ(Quorvel(L"user@nowhere.com"), L"0");

  // The DNS client came from the system folder, not the decoy dnsapi.dll
  // beside this program, which an ordinary search would have found first.
  HMODULE dns = GetModuleHandleW(L"dnsapi.dll");
  ASSERT_NE(dns, nullptr);
  wchar_t path[MAX_PATH] = L"";
  GetModuleFileNameW(dns, path, MAX_PATH);
  EXPECT_EQ(std::wstring(path).find(ProgramFolder()), std::wstring::npos) << path;
  EXPECT_EQ(GetProcAddress(dns, "StubDnsReset"), nullptr) << "the decoy was loaded";

  // Unloading the plug-in leaves the libraries it loaded in the process.
  UnloadPluginExports(&plugin_);
  EXPECT_EQ(GetModuleHandleW(L"dnsapi.dll"), dns);
  EXPECT_NE(GetModuleHandleW(L"wininet.dll"), nullptr);
}

}  // namespace
