// The stand-in command processor's expansion of a line, before it runs:
//   - variables: _batch, _batchname, _batchline, _transient, _pipe and ? are
//     the host's own, every other name comes from the environment;
//   - batch arguments %0 to %9;
//   - variable functions %@name[argument], innermost first, in a buffer of
//     8192 units: the plug-in's, else the host's own: @trim, @repeat, @inc.
#include "processor.h"

std::map<std::wstring, std::wstring> g_vars;
std::vector<std::wstring> g_params;
bool g_echo = true;
Plugin g_plugin;

std::wstring Upper(std::wstring s) {
  for (auto& c : s)
    if (c >= L'a' && c <= L'z') c -= 32;
  return s;
}

std::wstring Lookup(const std::wstring& name) {
  auto it = g_vars.find(Upper(name));
  if (it != g_vars.end()) return it->second;
  DWORD n = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
  if (n == 0) return L"";
  std::vector<wchar_t> value(n);
  GetEnvironmentVariableW(name.c_str(), value.data(), n);
  return value.data();
}

bool IsNameChar(wchar_t c) { return iswalnum(c) || c == L'_' || c == L'$'; }

std::wstring Trim(const std::wstring& s) {
  size_t a = 0, b = s.size();
  while (a < b && iswspace(s[a])) ++a;
  while (b > a && iswspace(s[b - 1])) --b;
  return s.substr(a, b - a);
}

// The host's own variable functions: @TRIM[text] (without blanks around it),
// @REPEAT[text,n] (text n times, at most one line) and @INC[n] (n plus one).
// Returns false for any other name.
static bool HostFunction(const std::wstring& name, const std::wstring& arg, std::wstring* value) {
  if (name == L"@TRIM") {
    *value = Trim(arg);
    return true;
  }
  if (name == L"@INC") {
    *value = std::to_wstring(_wtoi64(arg.c_str()) + 1);
    return true;
  }
  if (name == L"@REPEAT") {
    size_t comma = arg.rfind(L',');
    std::wstring text = comma == npos ? arg : arg.substr(0, comma);
    int n = comma == npos ? 0 : _wtoi(arg.c_str() + comma + 1);
    value->clear();
    // Past one line it stops, the result still too long for a line.
    for (int i = 0; i < n && value->size() < kLineSize; ++i) *value += text;
    return true;
  }
  return false;
}

std::wstring TooLong(bool expanded) {
  return L"the line is longer than " + std::to_wstring(kLineSize - 1) + L" characters" +
         (expanded ? L" when expanded" : L"") + L"; none of it was run";
}

static std::wstring Expand(const std::wstring& text, std::wstring* error);

// Expands the variable function %@name[argument] whose "%" is text[i] into
// *out (its argument expanded first; the plug-in's function, else the
// host's) and returns the position after it; a "%" that starts no function
// is copied alone. Sets *error as Expand does.
static size_t ExpandFunction(const std::wstring& text, size_t i, std::wstring* out, std::wstring* error) {
  size_t open = text.find(L'[', i + 2);
  size_t j = i + 2;
  while (j < text.size() && IsNameChar(text[j])) ++j;
  if (open == npos || open != j || j == i + 2) {
    *out += L'%';
    return i + 1;
  }
  std::wstring name = L"@" + Upper(text.substr(i + 2, j - i - 2));
  // Find the matching bracket; nested brackets count.
  size_t k = open + 1;
  int depth = 1;
  for (; k < text.size(); ++k) {
    if (text[k] == L'[') ++depth;
    if (text[k] == L']' && --depth == 0) break;
  }
  if (k >= text.size()) {
    if (error && error->empty()) *error = L"Missing ] in " + name;
    *out += text.substr(i);
    return text.size();
  }
  std::wstring arg = Expand(text.substr(open + 1, k - open - 1), error);
  auto fn = g_plugin.functions.find(name);
  std::wstring value;
  if (fn == g_plugin.functions.end() && HostFunction(name, arg, &value)) {
    *out += value;
  } else if (fn == g_plugin.functions.end()) {
    if (error && error->empty()) *error = L"Unknown function " + name;
  } else if (arg.size() >= kLineSize) {
    if (error && error->empty()) *error = TooLong(true);
  } else {
    std::vector<wchar_t> buffer(kLineSize, L'\0');
    arg.copy(buffer.data(), kLineSize - 1);
    fn->second(buffer.data());
    buffer[kLineSize - 1] = 0;
    *out += buffer.data();
  }
  return k + 1;
}

// Expands text: %% to %, %[name], %name (and %name%), %? and %@name[argument]
// through the plug-in or the host (the argument expanded first). Values are
// inserted as they are, never expanded again. Sets *error, when given, to a
// message when a function is unknown, its argument has no closing bracket or
// is longer than a line.
static std::wstring Expand(const std::wstring& text, std::wstring* error) {
  std::wstring out;
  size_t i = 0;
  while (i < text.size()) {
    wchar_t c = text[i];
    if (c != L'%' || i + 1 >= text.size()) {
      out += c;
      ++i;
      continue;
    }
    wchar_t next = text[i + 1];
    if (next == L'%') {
      out += L'%';
      i += 2;
    } else if (next == L'[' && text.find(L']', i + 2) != npos) {
      size_t close = text.find(L']', i + 2);
      out += Lookup(text.substr(i + 2, close - i - 2));
      i = close + 1;
    } else if (next == L'?') {
      out += Lookup(L"?");
      i += 2;
    } else if (next >= L'0' && next <= L'9') {
      size_t n = next - L'0';
      if (n < g_params.size()) out += g_params[n];
      i += 2;
    } else if (next == L'@') {
      i = ExpandFunction(text, i, &out, error);
    } else if (IsNameChar(next)) {
      size_t j = i + 1;
      while (j < text.size() && IsNameChar(text[j])) ++j;
      out += Lookup(text.substr(i + 1, j - i - 1));
      i = j;
      if (i < text.size() && text[i] == L'%') ++i;  // %name% form
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

bool ExpandOrFail(const std::wstring& text, std::wstring* out, RunResult* fail) {
  std::wstring error;
  *out = Expand(text, &error);
  if (error.empty() && out->size() >= kLineSize) error = TooLong(true);
  if (error.empty()) return true;
  *fail = HostFailure(error);
  return false;
}

void SetHostVariable(const std::wstring& name, const std::wstring& value) { g_vars[Upper(name)] = value; }

std::wstring ExpandText(const std::wstring& text) { return Expand(text, nullptr); }

extern "C" void __cdecl HostSetVariable(LPCWSTR name, LPCWSTR value) {
  if (name && value) SetHostVariable(name, value);
  if (name && !value) g_vars.erase(Upper(name));
}
