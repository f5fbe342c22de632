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
#include "fakes.h"

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
