// What the tests that build both ways share: for Windows (run under Wine)
// and natively (under AddressSanitizer and UndefinedBehaviorSanitizer, with
// the fakes of tests/native/fakes). Texts in the plug-in's units, texts in
// heap blocks of an exact size, and the host's output and variables.
#pragma once

#include <memory>
#include <string>

#include "common/qchar.h"

typedef std::basic_string<qchar> QString;

// A heap block of exactly cap units holding text and its terminator (text is
// cut to cap - 1 units); units after the terminator hold 0xA5A5. Natively,
// AddressSanitizer reports any access beyond the size the interface promises.
inline std::unique_ptr<qchar[]> ExactText(const QString& text, size_t cap) {
  std::unique_ptr<qchar[]> block(new qchar[cap]);
  size_t n = text.size() < cap ? text.size() : cap - 1;
  for (size_t i = 0; i < n; ++i) block[i] = text[i];
  block[n] = 0;
  for (size_t i = n + 1; i < cap; ++i) block[i] = 0xA5A5;
  return block;
}

// ExactText with room for the text and its terminator only.
inline std::unique_ptr<qchar[]> ExactText(const QString& text) { return ExactText(text, text.size() + 1); }

inline QString Repeat(qchar c, size_t n) { return QString(n, c); }

#ifdef _WIN32
#include "support/plugin_fixture.h"

// Sets a variable of the stand-in host (null removes it).
inline void SetHostVariable(const qchar* name, const qchar* value) { HostSetVariable(name, value); }
#else
#include <gtest/gtest.h>

#include <cwctype>
#include <vector>

#include "fakes.h"
#include "platform/os.h"
#include "plugin/plugin.h"
#include "settings/settings.h"

extern "C" int f_quorvel(qchar* buffer);
extern "C" int f_emaildpart(qchar* buffer);
extern "C" int f_emaillpart(qchar* buffer);

// The registry root under its Windows name.
#define HKEY_CURRENT_USER OS_HKEY_CURRENT_USER

// Deletes the saved settings under both roots of the fake registry.
inline void ClearSavedSettings() { Fake.Registry.clear(); }
// Writes one REG_DWORD value under root's settings key.
inline void WriteSavedDword(QHandle root, const qchar* name, uint32_t value) {
  Fake.Registry[FakeKeyName(root, SettingsKeyPath)][name] = {
      4, {(uint8_t)value, (uint8_t)(value >> 8), (uint8_t)(value >> 16), (uint8_t)(value >> 24)}};
}

// The plug-in as the Windows test bed presents it (support/plugin_fixture.h),
// over the fakes: the exports are called directly, and Reload brings the
// flags back to their load values and runs InitializePlugin's body.
class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override { Reload(); }
  void Reload() {
    RestoreDefaults();
    PluginInitialize();
  }
  // The variable functions with a host buffer of 8192 units; each returns
  // the text left in the buffer.
  std::wstring Quorvel(const std::wstring& arg) { return Call(f_quorvel, arg); }
  std::wstring DomainPart(const std::wstring& arg) { return Call(f_emaildpart, arg); }
  std::wstring LocalPart(const std::wstring& arg) { return Call(f_emaillpart, arg); }

  struct {
    int (*f_quorvel)(qchar*), (*f_emaildpart)(qchar*), (*f_emaillpart)(qchar*);
  } plugin_ = {f_quorvel, f_emaildpart, f_emaillpart};

 private:
  static std::wstring Call(int (*function)(qchar*), const std::wstring& arg) {
    std::vector<qchar> buffer(8192, 0);
    for (size_t i = 0; i < arg.size() && i < buffer.size() - 1; ++i) buffer[i] = (qchar)arg[i];
    EXPECT_EQ(function(buffer.data()), 0);
    const QString result(buffer.data());
    return std::wstring(result.begin(), result.end());
  }
};

// Captures the host services' output from its construction on.
class OutputCapture {
 public:
  OutputCapture() { Fake.Out.clear(), Fake.Err.clear(); }
  QString Out() const { return Fake.Out; }
  QString Err() const { return Fake.Err; }
};

// Sets a variable of the fake host (null removes it).
inline void SetHostVariable(const qchar* name, const qchar* value) {
  if (value) Fake.Variables[name] = value;
  else Fake.Variables.erase(name);
}
#endif
