// The platform layer of platform/os.h and os_dns.h over Fake: an in-memory
// registry, the module path, recorded message boxes and canned DNS answers.
// Handles are checked: closing or using one that is not open aborts.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <set>

#include "fakes.h"
#include "platform/os.h"
#include "platform/os_dns.h"
#include "settings/settings.h"

FakeWorld Fake;

void FakeTextReset(void);  // fake_textsource.cpp

struct FakeKey {
  std::u16string Name;
};
static std::set<FakeKey*> g_keys;

struct FakeDnsList {
  FakeMxAnswer Answer;
};
static std::set<FakeDnsList*> g_lists;

[[noreturn]] static void BadHandle(const char* what) {
  fprintf(stderr, "fake platform: %s of a handle that is not open\n", what);
  abort();
}

void FakeReset(void) {
  for (FakeKey* k : g_keys) delete k;
  g_keys.clear();
  for (FakeDnsList* l : g_lists) delete l;
  g_lists.clear();
  FakeTextReset();
  // The captures keep their buffers, so that a reset after a long listing
  // does not cost the next test or input the same growth again.
  std::u16string out = std::move(Fake.Out), err = std::move(Fake.Err);
  out.clear();
  err.clear();
  Fake = FakeWorld();
  Fake.Out = std::move(out);
  Fake.Err = std::move(err);
  Fake.CaptureLimit = 1 << 20;
  Fake.Variables[u"_batch"] = u"0";
  Fake.Variables[u"_transient"] = u"0";
  Fake.Variables[u"_pipe"] = u"0";
  Fake.ModulePath = u"C:\\Plugins\\Quorvel-x86.dll";
  Fake.NetConnected = 1;
  Fake.DnsStatus = OS_DNS_NAME_ERROR;
  Fake.ClipboardOpens = 1;
  Fake.AnsiCodePage = 1252;
  Fake.UserLocale = 0x0409;
  Fake.TempFolder = u"C:\\Temp\\";
  Fake.ProcessId = 0x3c;
}

std::u16string FakeKeyName(QHandle root, const std::u16string& path) {
  if (root == OS_HKEY_CURRENT_USER) return u"HKCU\\" + path;
  if (root == OS_HKEY_LOCAL_MACHINE) return u"HKLM\\" + path;
  return u"?\\" + path;
}

std::string FakeNarrow(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += (char)c;
    } else {
      char hex[12];
      snprintf(hex, sizeof hex, "\\u%04X", (unsigned)c);
      out += hex;
    }
  }
  return out;
}

std::u16string FakeWide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

static FakeKey* CheckKey(QHandle key, const char* what) {
  FakeKey* k = (FakeKey*)key;
  if (!g_keys.count(k)) BadHandle(what);
  return k;
}

static QHandle NewKey(const std::u16string& name) {
  FakeKey* k = new FakeKey{name};
  g_keys.insert(k);
  ++Fake.OpenKeys;
  return k;
}

QHandle OsStdErrorHandle(void) { return FAKE_STDERR; }

long OsRegOpenRead(QHandle root, const qchar* path, QHandle* key) {
  *key = nullptr;
  if (Fake.FailRegOpen) return Fake.FailRegOpen;
  std::u16string name = FakeKeyName(root, path);
  if (!Fake.Registry.count(name)) return 2;  // ERROR_FILE_NOT_FOUND
  *key = NewKey(name);
  return 0;
}

long OsRegCreateWrite(QHandle root, const qchar* path, QHandle* key) {
  *key = nullptr;
  if (Fake.FailRegCreate) return Fake.FailRegCreate;
  std::u16string name = FakeKeyName(root, path);
  Fake.Registry[name];
  *key = NewKey(name);
  ++Fake.RegCreates;
  return 0;
}

long OsRegQuery(QHandle key, const qchar* name, uint32_t* type, void* data, uint32_t* size) {
  FakeKey* k = CheckKey(key, "RegQuery");
  if (Fake.FailRegQuery) return Fake.FailRegQuery;
  auto& values = Fake.Registry[k->Name];
  auto it = values.find(name);
  if (it == values.end()) return 2;
  const FakeRegValue& v = it->second;
  *type = v.Type;
  uint32_t have = *size;
  *size = (uint32_t)v.Data.size();
  if (v.Data.size() > have) return 234;  // ERROR_MORE_DATA
  if (!v.Data.empty()) memcpy(data, v.Data.data(), v.Data.size());
  return 0;
}

long OsRegSetDword(QHandle key, const qchar* name, uint32_t value) {
  FakeKey* k = CheckKey(key, "RegSetDword");
  if (Fake.FailRegSet) return Fake.FailRegSet;
  FakeRegValue v;
  v.Type = OS_REG_DWORD;
  v.Data.resize(4);
  memcpy(v.Data.data(), &value, 4);
  Fake.Registry[k->Name][name] = v;
  ++Fake.RegWrites;
  return 0;
}

void OsRegClose(QHandle key) {
  FakeKey* k = CheckKey(key, "RegClose");
  g_keys.erase(k);
  delete k;
  --Fake.OpenKeys;
}

size_t OsModuleFileName(QHandle module, qchar* path, size_t cap) {
  if (!path || cap == 0) return 0;
  size_t n = Fake.ModulePath.size();
  if (n >= cap) n = 0;  // the system cuts it: not a usable path
  Fake.ModulePath.copy(path, n);
  path[n] = 0;
  return n;
}

void OsMessageBox(const qchar* text, const qchar* caption) {
  Fake.MessageBoxes.push_back(std::u16string(caption) + u"|" + text);
}

const qchar* OsNetLoad(void) { return Fake.NetMissing.empty() ? nullptr : Fake.NetMissing.c_str(); }
int OsNetConnected(void) { return Fake.NetConnected; }

QHandle OsDnsQueryMX(const qchar* name, long* status) {
  ++Fake.DnsQueries;
  auto it = Fake.Dns.find(name);
  const FakeMxAnswer none = {Fake.DnsStatus, {}};
  const FakeMxAnswer& answer =
      it != Fake.Dns.end() ? it->second : Fake.DnsAnswerEveryName ? Fake.DnsEveryName : none;
  *status = Fake.DnsLastStatus = answer.Status;
  if (answer.Records.empty()) return nullptr;
  FakeDnsList* l = new FakeDnsList{answer};
  g_lists.insert(l);
  ++Fake.DnsLists;
  return l;
}

// The first record of list's answer section, or null.
static const FakeDnsRecord* FirstAnswer(QHandle list, const char* what) {
  if (!list) return nullptr;
  FakeDnsList* l = (FakeDnsList*)list;
  if (!g_lists.count(l)) BadHandle(what);
  for (const FakeDnsRecord& r : l->Answer.Records)
    if (r.Section == FAKE_DNS_ANSWER) return &r;
  return nullptr;
}

unsigned OsDnsAnswerType(QHandle list) {
  const FakeDnsRecord* r = FirstAnswer(list, "DnsAnswerType");
  return r ? r->Type : 0;
}

const qchar* OsDnsAnswerMXHost(QHandle list) {
  const FakeDnsRecord* r = FirstAnswer(list, "DnsAnswerMXHost");
  if (!r || r->Type != OS_DNS_TYPE_MX || !r->HasHost) return nullptr;
  return r->Host.c_str();
}

void OsDnsFreeList(QHandle list) {
  if (!list) return;
  FakeDnsList* l = (FakeDnsList*)list;
  if (!g_lists.count(l)) BadHandle("DnsFreeList");
  g_lists.erase(l);
  delete l;
  --Fake.DnsLists;
}
