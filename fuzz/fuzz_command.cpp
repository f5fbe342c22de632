// TokenizeArgs and the command `quorvel` over arbitrary argument lines, with
// arbitrary flags, saved settings under either registry root and failing
// registry calls.
//
// Input: 4 bytes of flags (a bit each, in the table's order), 1 byte that
// arranges the registry, per root 12 bytes of saved values (4 + 4: which
// exist and which are on, a bit each in the load order; 1 + 1: the one of the
// wrong type and the one of 2 bytes; 2: the value of those on), then the line
// (one unit per byte or UTF-16LE, by bit 7 of the registry byte).
//
// Invariants of the tokenizer: Count within 0..MAX_ARGS and equal to the result;
// every token inside Buffer, terminated, Length matching, in order without
// overlap; the entries from Count on null and 0; no a-z left; on overflow an
// empty table and the message. Of the command: its result and the flags it
// leaves are those of a model of the switch table (every switch checked
// before anything changes; a bad token changes nothing, lists nothing and
// saves nothing); every registry key is closed again.
#include <string.h>

#include <memory>

#include "common/qstr.h"
#include "fakes.h"
#include "fuzz_support.h"
#include "platform/os.h"
#include "settings/command.h"
#include "settings/settings.h"
#include "settings/tokenizer.h"
#include "support/options.h"

namespace {

static_assert(sizeof(PluginSettingsRecord) == kFlagCount * sizeof(int32_t), "one field per pinned flag");
static_assert(kSavedCount <= 32, "fuzz/fuzz_command.cpp: one bit a saved value in 4 bytes; widen them");

// The flags of a record, in the record's order.
struct Flags {
  int32_t Of[kFlagCount];
};
Flags FlagsOf(const PluginSettingsRecord& record) {
  Flags f;
  memcpy(f.Of, &record, sizeof f.Of);
  return f;
}

// The place in kFlags of the flag whose switch letter is c, -1 for none.
int ValueSwitch(qchar c) {
  for (size_t i = 0; i < kFlagCount; ++i)
    if (kFlags[i].Letter && kFlags[i].Letter == c) return (int)i;
  return -1;
}

void ArrangeRegistry(uint8_t world, FuzzInput* in) {
  for (int r = 0; r < 2; ++r) {
    const uint32_t present = in->U32(), on = in->U32(), odd = in->U16(), magnitude = in->U16();
    if (!(world & (1 << r))) continue;
    auto& key = Fake.Registry[FakeKeyName(r ? OS_HKEY_LOCAL_MACHINE : OS_HKEY_CURRENT_USER, SettingsKeyPath)];
    for (size_t i = 0; i < kSavedCount; ++i) {
      if (!((present >> i) & 1)) continue;
      uint32_t v = (on >> i) & 1 ? 1 + magnitude : 0;  // any nonzero value is on
      FakeRegValue& value = key[kLoadOrder[i]];
      value.Type = (odd & 0xFF) == i ? 3 : OS_REG_DWORD;                             // one of the wrong type
      value.Data.assign((uint8_t*)&v, (uint8_t*)&v + ((odd >> 8) == i ? 2 : 4));  // or size
    }
  }
  if (world & 4) Fake.FailRegOpen = 5;
  if (world & 8) Fake.FailRegQuery = 5;
  if (world & 16) Fake.FailRegCreate = 5;
  if (world & 32) Fake.FailRegSet = 5;
}

// LoadSettings(root) as the model sees it: 0 when a value was taken over.
int ModelLoad(QHandle root, Flags* flags) {
  auto key = Fake.Registry.find(FakeKeyName(root, SettingsKeyPath));
  if (Fake.FailRegOpen || key == Fake.Registry.end()) return 1;
  int result = 2;
  for (const qchar* name : kLoadOrder) {
    auto v = key->second.find(name);
    if (Fake.FailRegQuery || v == key->second.end() || v->second.Type != OS_REG_DWORD ||
        v->second.Data.size() != 4)
      continue;
    uint32_t value;
    memcpy(&value, v->second.Data.data(), 4);
    flags->Of[FlagIndex(name)] = value != 0;
    result = 0;
  }
  return result;
}

void CheckTable(int rc, const std::u16string& line) {
  FUZZ_CHECK(rc >= -1 && rc <= MAX_ARGS, "TokenizeArgs gave %d", rc);
  if (rc < 0) {
    FUZZ_CHECK(ArgList.Count == 0, "overflow left Count %d", ArgList.Count);
    FUZZ_CHECK(Fake.Err.find(u"Buffer overflow: b = ") != std::u16string::npos, "overflow not reported");
  } else {
    FUZZ_CHECK(ArgList.Count == rc, "Count %d, result %d", ArgList.Count, rc);
    FUZZ_CHECK(Fake.Err.empty(), "a message without overflow");
  }
  // The entries beyond Count are null and 0 (compared as whole blocks).
  static const qchar* const nullTokens[MAX_ARGS] = {};
  static const int32_t zeroLengths[MAX_ARGS] = {};
  const int count = ArgList.Count >= 0 && ArgList.Count <= MAX_ARGS ? ArgList.Count : 0;
  FUZZ_CHECK(memcmp(ArgList.Token + count, nullTokens, (MAX_ARGS - count) * sizeof(qchar*)) == 0 &&
                 memcmp(ArgList.Length + count, zeroLengths, (MAX_ARGS - count) * sizeof(int32_t)) == 0,
             "an entry beyond Count %d is set", count);
  const qchar* next = ArgList.Buffer;
  const qchar* end = ArgList.Buffer + MAX_ARG_LEN;
  for (int i = 0; i < count; ++i) {
    const qchar* t = ArgList.Token[i];
    int32_t n = ArgList.Length[i];
    FUZZ_CHECK(t >= next && t < end, "token %d outside Buffer or out of order", i);
    FUZZ_CHECK(n >= 0 && t + n < end, "token %d of length %d runs past Buffer", i, n);
    FUZZ_CHECK(t[n] == 0, "token %d not terminated at its length", i);
    for (int32_t k = 0; k < n; ++k) {
      FUZZ_CHECK(t[k] != 0, "token %d holds a zero unit within its length", i);
      FUZZ_CHECK(!(t[k] >= 'a' && t[k] <= 'z'), "token %d holds a lower-case letter", i);
    }
    FUZZ_CHECK(n == 0 || !QIsSpace(t[n - 1]), "token %d ends in white space", i);
    next = t + n + 1;
  }
  if (rc == 0) {
    bool blank = true;
    for (qchar c : line) blank = blank && (c == '"' || QIsSpace(c));
    FUZZ_CHECK(blank, "no token from %s", Show(line).c_str());
  }
}

}  // namespace

const bool FuzzUsesFakeWorld = true;

int FuzzOne(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  SetFlagsFromBits(in.U32());
  const uint8_t world = in.U8();
  ArrangeRegistry(world, &in);
  const std::u16string line = in.Text(3 * MAX_ARG_LEN, (world & 0x80) == 0);
  std::unique_ptr<qchar[]> exact(new qchar[line.size() + 1]);
  memcpy(exact.get(), line.data(), line.size() * sizeof(qchar));
  exact[line.size()] = 0;

  CheckTable(TokenizeArgs(exact.get()), line);
  FUZZ_CHECK(std::u16string(exact.get()) == line, "the tokenizer changed the line");

  // The command on the same line, against the model.
  Fake.Err.clear();
  const PluginSettingsRecord before = PluginSettings;
  const int rc = QuorvelCommand(exact.get());

  Flags expected = FlagsOf(before);
  int pending[kFlagCount];
  for (int& p : pending) p = -1;
  bool restore = false, defaults = false, save = false, quiet = false, help = false;
  int expectedRc = 0;
  if (ArgList.Count == 0 && !Fake.Err.empty()) expectedRc = 1;  // overflow
  for (int t = 0; t < ArgList.Count && expectedRc == 0 && !help; ++t) {
    const std::u16string token(ArgList.Token[t], ArgList.Length[t]);
    if (token.empty()) continue;
    if (token == u"/?" || token == u"/??") help = true;
    else if (token == u"/D") defaults = true;
    else if (token == u"/R") restore = true;
    else if (token == u"/S") save = true;
    else if (token == u"/Z") quiet = true;
    else if (token.size() >= 2 && token[0] == '/' && ValueSwitch(token[1]) >= 0) {
      const qchar* value = token.c_str() + 2;
      if (*value == ':' || *value == '=') ++value;
      int32_t v = -1;
      int parsed = ParseYesNo(value, &v);
      // First letter Y or N decides; plain decimal digits are a number.
      std::u16string rest(value);
      if (!rest.empty() && (rest[0] == 'Y' || rest[0] == 'N'))
        FUZZ_CHECK(parsed == 0 && v == (rest[0] == 'Y'), "value %s misread", Show(rest).c_str());
      bool digits = !rest.empty() && rest.size() <= 9;
      for (qchar c : rest) digits = digits && c >= '0' && c <= '9';
      if (digits) {
        bool nonzero = rest.find_first_not_of(u'0') != std::u16string::npos;
        FUZZ_CHECK(parsed == 0 && v == nonzero, "number %s misread", Show(rest).c_str());
      }
      if (rest.empty()) FUZZ_CHECK(parsed != 0, "an empty value was accepted");
      if (parsed != 0) {
        expectedRc = 1;
      } else {
        FUZZ_CHECK(v == 0 || v == 1, "ParseYesNo gave %d", v);
        pending[ValueSwitch(token[1])] = v;
      }
    } else expectedRc = 1;
  }

  if (help) {
    FUZZ_CHECK(rc == 0, "help gave %d", rc);
    FUZZ_CHECK(memcmp(&before, &PluginSettings, sizeof before) == 0, "help changed the flags");
    FUZZ_CHECK(Fake.Out.compare(0, QCOUNT(kHelp) - 1, kHelp) == 0, "help text not written");
  } else if (expectedRc == 1) {
    FUZZ_CHECK(rc == 1, "a bad line gave %d", rc);
    FUZZ_CHECK(memcmp(&before, &PluginSettings, sizeof before) == 0, "a bad line changed the flags");
    FUZZ_CHECK(Fake.Out.empty(), "a bad line wrote output");
    FUZZ_CHECK(Fake.Err.compare(0, 16, u"Quorvel plugin: ") == 0, "no error prefix");
  } else {
    if (restore) {
      if (ModelLoad(OS_HKEY_CURRENT_USER, &expected) != 0) ModelLoad(OS_HKEY_LOCAL_MACHINE, &expected);
    } else if (defaults) {
      for (size_t i = 0; i < kFlagCount; ++i) expected.Of[i] = kFlags[i].Default;
    }
    for (size_t i = 0; i < kFlagCount; ++i)
      if (pending[i] != -1) expected.Of[i] = pending[i];
    FUZZ_CHECK(memcmp(&expected, &PluginSettings, sizeof expected) == 0, "flags differ from the model");
    const int saveFails = save && (Fake.FailRegCreate || Fake.FailRegSet);
    FUZZ_CHECK(rc == (saveFails ? 2 : 0), "result %d, expected %d", rc, saveFails ? 2 : 0);
    FUZZ_CHECK(quiet || Fake.Out.find(u" options:\r\n\r\n") != std::u16string::npos, "no settings list");
    FUZZ_CHECK(save || Fake.RegWrites == 0, "saved without /S");
  }
  if (!save || help || expectedRc == 1)
    FUZZ_CHECK(Fake.RegCreates == 0 && Fake.RegWrites == 0, "a key opened for writing without a save");
  FUZZ_CHECK(Fake.OpenKeys == 0, "%d registry keys left open", Fake.OpenKeys);
  return 0;
}
