// ValidateAddress and the three variable functions with every combination of
// flags, a list file or none, and canned DNS answers.
//
// Input: 4 bytes of flags (one bit a flag, in the order of the flag table),
// 1 byte whose bits 0-1 say which destinations are passed, 1 byte that
// arranges the world, then the address (one unit per byte or UTF-16LE, by
// bit 6 of the world byte).
//
// Invariants: the result is 0 or a listed code (never -1 for a text); the
// input is unchanged; the destinations (1024 units each, heap blocks of
// exactly that size) are written only on 0, at most 257 units each, and hold
// local part + "@" + domain part = the input after the optional angle-bracket
// strip; the variable functions write nothing from unit 257 on and give the
// same answer as ValidateAddress; nothing is written to the host unless
// DebugMode is on; nothing of the reader, the registry or DNS stays open; a
// resolver that fails without a verdict on the name never gives 1052, and no
// such name or no records (9003, 9501) always do, whatever list comes back.
#include <string.h>

#include <memory>

#include "common/qstr.h"
#include "fakes.h"
#include "fuzz_support.h"
#include "platform/os_dns.h"
#include "settings/settings.h"
#include "validate/validate.h"

extern "C" int f_quorvel(qchar* buffer);
extern "C" int f_emaildpart(qchar* buffer);
extern "C" int f_emaillpart(qchar* buffer);

namespace {

const qchar kCanary = 0xA5A5;
const size_t kFunctionLimit = 257;  // units a variable function may write
const long kBadPacket = 9502;        // a resolver failure, as Wine gives for every MX query

bool IsListedCode(int rc) {
  return rc == QV_VALID || rc == QV_EMPTY || rc == QV_TOO_LONG ||
         (rc >= QV_FIRST_RULE && rc <= QV_LAST_RULE);
}

// MAX_PART_LEN canaries, to fill and compare whole blocks at once.
const qchar* Canaries() {
  static qchar* const block = [] {
    qchar* b = new qchar[MAX_PART_LEN];
    for (size_t i = 0; i < MAX_PART_LEN; ++i) b[i] = kCanary;
    return b;
  }();
  return block;
}

// The first unit of d[from..to) that is no canary, or to.
size_t FirstTouched(const qchar* d, size_t from, size_t to) {
  if (memcmp(d + from, Canaries(), (to - from) * sizeof(qchar)) == 0) return to;
  while (d[from] == kCanary) ++from;
  return from;
}

std::unique_ptr<qchar[]> Destination() {
  std::unique_ptr<qchar[]> d(new qchar[MAX_PART_LEN]);
  memcpy(d.get(), Canaries(), MAX_PART_LEN * sizeof(qchar));
  return d;
}

// The text of a destination after a successful call: terminated within 257
// units, the units after the terminator untouched.
std::u16string Written(const qchar* d, const char* which) {
  size_t n = 0;
  while (n < MAX_PART_LEN && d[n] != 0) ++n;
  FUZZ_CHECK(n < kFunctionLimit, "%s part not terminated within 257 units", which);
  const size_t touched = FirstTouched(d, n + 1, MAX_PART_LEN);
  FUZZ_CHECK(touched == MAX_PART_LEN, "%s destination written at unit %zu beyond its text", which, touched);
  return std::u16string(d, n);
}

void ExpectUntouched(const qchar* d, int rc) {
  if (!d) return;
  const size_t touched = FirstTouched(d, 0, MAX_PART_LEN);
  FUZZ_CHECK(touched == MAX_PART_LEN, "destination written at unit %zu though the result is %d", touched, rc);
}

std::u16string Decimal(int v) {
  std::string s = std::to_string(v);
  return std::u16string(s.begin(), s.end());
}

// Runs one variable function on a copy of text in a buffer with room beyond
// 257 units; returns its result text after checking that nothing from unit
// 257 on changed.
std::u16string RunFunction(int (*function)(qchar*), const std::u16string& text, const char* name) {
  const size_t cap = (text.size() + 1 > kFunctionLimit ? text.size() + 1 : kFunctionLimit) + 64;
  std::unique_ptr<qchar[]> buffer(new qchar[cap]);
  memcpy(buffer.get(), text.data(), text.size() * sizeof(qchar));
  buffer[text.size()] = 0;
  for (size_t i = text.size() + 1; i < cap; ++i) buffer[i] = kCanary;
  std::unique_ptr<qchar[]> before(new qchar[cap]);
  memcpy(before.get(), buffer.get(), cap * sizeof(qchar));
  FUZZ_CHECK(function(buffer.get()) == 0, "%s did not return 0", name);
  if (memcmp(buffer.get() + kFunctionLimit, before.get() + kFunctionLimit,
             (cap - kFunctionLimit) * sizeof(qchar)) != 0) {
    size_t i = kFunctionLimit;
    while (buffer[i] == before[i]) ++i;
    FUZZ_CHECK(false, "%s wrote unit %zu of its buffer", name, i);
  }
  size_t n = 0;
  while (n < kFunctionLimit && buffer[n]) ++n;
  FUZZ_CHECK(n < kFunctionLimit, "%s left no terminator within 257 units", name);
  return std::u16string(buffer.get(), n);
}

const char kListFile[] =
    "\xEF\xBB\xBF# top-level domains\r\ncom\r\n.org\r\nxn--p1ai\r\n\xD1\x80\xD1\x84\r\nmuseum remark\r\n";

void ArrangeWorld(uint8_t world) {
  if (world & 1) {
    std::vector<uint8_t>& file = Fake.Files[u"C:\\Plugins\\TLDs.txt"];
    if (!(world & 2)) file.assign(kListFile, kListFile + sizeof kListFile - 1);
  }
  Fake.NetConnected = (world >> 2) & 1;
  Fake.DnsAnswerEveryName = (world >> 3) & 1;
  // Bits 4-5 pick the answer every name gets, or, when names get no list,
  // the resolver's status: no such name, no records, success, a bad packet.
  // Negative answers carry the zone's SOA record, as Windows may hand it back.
  static const FakeDnsRecord soa = {FAKE_DNS_AUTHORITY, 6, 0, u""};
  static const FakeMxAnswer answers[4] = {
      {0, {{FAKE_DNS_ANSWER, 15, 1, u"mx.example.com"}, {FAKE_DNS_ADDITIONAL, 1, 0, u""}}},
      {OS_DNS_NAME_ERROR, {soa}},
      {OS_DNS_NO_RECORDS, {soa}},
      {0, {{FAKE_DNS_ANSWER, 5, 0, u""}, {FAKE_DNS_ANSWER, 15, 1, u"127.0.0.1"}}}};
  static const long statuses[4] = {OS_DNS_NAME_ERROR, OS_DNS_NO_RECORDS, 0, kBadPacket};
  Fake.DnsEveryName = answers[(world >> 4) & 3];
  Fake.DnsStatus = statuses[(world >> 4) & 3];
  // Names with answers of their own: null MX records, loopback hosts (one
  // fully qualified), a success without an answer and a failed resolver's
  // list.
  auto mx = [](const char16_t* host) { return FakeMxAnswer{0, {{FAKE_DNS_ANSWER, 15, 1, host}}}; };
  Fake.Dns[u"null.mx"] = mx(u".");
  Fake.Dns[u"empty.mx"] = mx(u"");
  Fake.Dns[u"none.mx"] = {0, {{FAKE_DNS_ANSWER, 15, 0, u""}}};
  Fake.Dns[u"loop.mx"] = mx(u"LOCALHOST");
  Fake.Dns[u"dot.mx"] = mx(u"127.0.0.1.");
  Fake.Dns[u"soa.mx"] = {0, {soa}};
  Fake.Dns[u"fail.mx"] = {kBadPacket, {soa, {FAKE_DNS_ANSWER, 15, 1, u"localhost"}}};
  if (world & 0x80) Fake.ModulePath.clear();
}

}  // namespace

const bool FuzzUsesFakeWorld = true;

int FuzzOne(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  SetFlagsFromBits(in.U32());
  const int variant = in.U8() & 3;
  const uint8_t world = in.U8();
  ArrangeWorld(world);
  const std::u16string text = in.Text(2048, (world & 0x40) != 0);
  const PluginSettingsRecord settings = PluginSettings;

  // The input in a heap block of exactly its size.
  std::unique_ptr<qchar[]> input(new qchar[text.size() + 1]);
  memcpy(input.get(), text.data(), text.size() * sizeof(qchar));
  input[text.size()] = 0;

  auto domain = Destination(), local = Destination();
  qchar* domainOut = (variant == 0 || variant == 1) ? domain.get() : nullptr;
  qchar* localOut = (variant == 0 || variant == 2) ? local.get() : nullptr;
  const int rc = ValidateAddress(input.get(), domainOut, localOut);

  FUZZ_CHECK(IsListedCode(rc), "result %d for %s", rc, Show(text).c_str());
  FUZZ_CHECK(std::u16string(input.get()) == text, "the input was changed");
  FUZZ_CHECK(memcmp(&settings, &PluginSettings, sizeof settings) == 0, "the flags were changed");

  std::u16string stripped = text;
  if (PluginSettings.StripAngleBrackets && text.size() >= 2 && text[0] == '<' && text.back() == '>')
    stripped = text.substr(1, text.size() - 2);
  if (text.empty())
    FUZZ_CHECK(rc == QV_EMPTY, "empty input gave %d", rc);
  else if (stripped.size() > MAX_ADDRESS_LEN)
    FUZZ_CHECK(rc == QV_TOO_LONG, "input of %zu units gave %d", stripped.size(), rc);
  else
    FUZZ_CHECK(rc != QV_EMPTY && rc != QV_TOO_LONG, "%s gave %d", Show(text).c_str(), rc);

  std::u16string domainPart, localPart;
  if (rc != QV_VALID) {
    ExpectUntouched(domainOut, rc);
    ExpectUntouched(localOut, rc);
  } else {
    // Both parts, from this call or from one with both destinations.
    if (variant != 0) {
      domain = Destination(), local = Destination();
      FUZZ_CHECK(ValidateAddress(input.get(), domain.get(), local.get()) == rc,
                 "the result depends on the destinations");
    }
    domainPart = Written(domain.get(), "domain");
    localPart = Written(local.get(), "local");
    FUZZ_CHECK(!localPart.empty() && !domainPart.empty(), "an empty part of a valid address");
    FUZZ_CHECK(localPart + u"@" + domainPart == stripped, "parts %s and %s of %s", Show(localPart).c_str(),
               Show(domainPart).c_str(), Show(text).c_str());
  }

  FUZZ_CHECK(RunFunction(f_quorvel, text, "f_quorvel") == Decimal(rc), "f_quorvel disagrees (%d)", rc);
  FUZZ_CHECK(RunFunction(f_emaildpart, text, "f_emaildpart") == domainPart, "f_emaildpart disagrees");
  FUZZ_CHECK(RunFunction(f_emaillpart, text, "f_emaillpart") == localPart, "f_emaillpart disagrees");

  // The status of the last query (every call above asks the same) decides
  // first: no such name and no records always fail, a resolver that failed
  // never does, whatever list came back.
  if (Fake.DnsQueries) {
    const long status = Fake.DnsLastStatus;
    if (status == OS_DNS_NAME_ERROR || status == OS_DNS_NO_RECORDS)
      FUZZ_CHECK(rc == QV_NO_MX, "status %ld gave %d for %s", status, rc, Show(text).c_str());
    else if (status != 0)
      FUZZ_CHECK(rc != QV_NO_MX, "1052 from a failed resolver (status %ld) for %s", status, Show(text).c_str());
  }
  if (!PluginSettings.DebugMode) FUZZ_CHECK(Fake.Out.empty(), "output without DebugMode");
  FUZZ_CHECK(Fake.Err.empty(), "an error message from the validator");
  FUZZ_CHECK(Fake.LiveHandles == 0 && Fake.LiveViews == 0 && Fake.Allocations == 0,
             "the list file was not released");
  FUZZ_CHECK(Fake.OpenKeys == 0 && Fake.DnsLists == 0, "a key or record list was not released");
  return 0;
}
