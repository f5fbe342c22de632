// The host services of platform/host.h, writing into Fake.Out / Fake.Err and
// expanding variables from Fake.Variables.
#include <stdarg.h>
#include <stdio.h>

#include "fakes.h"
#include "platform/host.h"

// Appends text to the capture, keeping at most Fake.CaptureLimit units.
static void Capture(std::u16string* sink, size_t* dropped, const std::u16string& text) {
  size_t room = sink->size() < Fake.CaptureLimit ? Fake.CaptureLimit - sink->size() : 0;
  if (text.size() <= room) {
    *sink += text;
  } else {
    sink->append(text, 0, room);
    *dropped += text.size() - room;
  }
}

static void AppendDecimal(std::u16string* out, long long v) {
  char digits[24];
  int n = snprintf(digits, sizeof digits, "%lld", v);
  out->append(digits, digits + n);
}

// Formats with "%s" (wide text), "%d", "%u" and "%%", as the host does; any
// other character after '%' is written as it stands. The text goes into one
// buffer that every call reuses (the fakes serve one thread).
static const std::u16string& Format(const qchar* format, va_list args) {
  static std::u16string out;
  out.clear();
  if (!format) return out;
  for (const qchar* p = format; *p; ++p) {
    if (*p != '%') {
      out += *p;
      continue;
    }
    qchar conversion = p[1];
    if (conversion == 's') {
      const qchar* s = va_arg(args, const qchar*);
      out += s ? s : u"(null)";
    } else if (conversion == 'd') {
      AppendDecimal(&out, va_arg(args, int));
    } else if (conversion == 'u') {
      AppendDecimal(&out, va_arg(args, unsigned));
    } else if (conversion == '%') {
      out += '%';
    } else {
      out += '%';
      continue;
    }
    ++p;
  }
  return out;
}

extern "C" int Printf(const qchar* format, ...) {
  va_list args;
  va_start(args, format);
  const std::u16string& text = Format(format, args);
  va_end(args);
  Capture(&Fake.Out, &Fake.OutDropped, text);
  return (int)text.size();
}

extern "C" int Qprintf(QHandle handle, const qchar* format, ...) {
  va_list args;
  va_start(args, format);
  const std::u16string& text = Format(format, args);
  va_end(args);
  if (handle == FAKE_STDERR)
    Capture(&Fake.Err, &Fake.ErrDropped, text);
  else
    Capture(&Fake.Out, &Fake.OutDropped, text);
  return (int)text.size();
}

extern "C" int QPuts(const qchar* text) {
  std::u16string t = text ? text : u"";
  Capture(&Fake.Out, &Fake.OutDropped, t);
  return 0;
}

extern "C" int CrLf(void) {
  Capture(&Fake.Out, &Fake.OutDropped, u"\r\n");
  return 0;
}

static int IsNameChar(qchar c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '$';
}

static std::u16string Lookup(const std::u16string& name) {
  auto it = Fake.Variables.find(name);
  return it == Fake.Variables.end() ? std::u16string() : it->second;
}

// Replaces %% by %, %[name] and %name by the variable's value (never
// expanded again). Reads and writes at most 1024 units, the smallest buffer
// the plug-in passes, terminator included.
extern "C" int ExpandVariables(qchar* buffer, int recurse) {
  const size_t limit = 1024;
  if (!buffer) return 1;
  std::u16string text;
  for (size_t i = 0; i < limit && buffer[i]; ++i) text += buffer[i];
  std::u16string out;
  for (size_t i = 0; i < text.size();) {
    qchar c = text[i];
    if (c != '%' || i + 1 >= text.size()) {
      out += c;
      ++i;
    } else if (text[i + 1] == '%') {
      out += '%';
      i += 2;
    } else if (text[i + 1] == '[') {
      size_t close = text.find(']', i + 2);
      if (close == std::u16string::npos) {
        out += c;
        ++i;
      } else {
        out += Lookup(text.substr(i + 2, close - i - 2));
        i = close + 1;
      }
    } else {
      size_t j = i + 1;
      while (j < text.size() && IsNameChar(text[j])) ++j;
      if (j == i + 1) {
        out += c;
        ++i;
      } else {
        out += Lookup(text.substr(i + 1, j - i - 1));
        i = j;
      }
    }
  }
  size_t n = out.size() < limit - 1 ? out.size() : limit - 1;
  out.copy(buffer, n);
  buffer[n] = 0;
  return 0;
}

// The true name is the path itself, bounded by the 16384 units of result.
extern "C" qchar* QueryTrueName(const qchar* path, qchar* result) {
  if (!path || !result) return result;
  size_t n = 0;
  while (n < 16383 && path[n]) {
    result[n] = path[n];
    ++n;
  }
  result[n] = 0;
  return result;
}
