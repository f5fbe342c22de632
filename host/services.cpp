// The host services of the stand-in TakeCmd.dll, the six functions a plug-in
// imports, and the hooks with which tests capture their output. Output goes
// to standard output (Qprintf: its handle), as wide text on a console and as
// UTF-8 elsewhere, or into memory while a test captures it; ExpandVariables
// expands through the command processor (expand.cpp).
#include "takecmd.h"

#include <stdarg.h>

#include <vector>

namespace {

bool g_capturing = false;
std::wstring g_capturedOut, g_capturedErr;

// Formats with "%s" (wide string), "%d", "%u" and "%%"; anything else after a
// '%' is written as it stands.
std::wstring Format(LPCWSTR format, va_list args) {
  std::wstring out;
  if (!format) return out;
  for (const wchar_t* p = format; *p; ++p) {
    if (*p != L'%') {
      out += *p;
      continue;
    }
    wchar_t conversion = p[1];
    if (conversion == L's') {
      LPCWSTR s = va_arg(args, LPCWSTR);
      out += s ? s : L"(null)";
    } else if (conversion == L'd') {
      out += std::to_wstring(va_arg(args, int));
    } else if (conversion == L'u') {
      out += std::to_wstring(va_arg(args, unsigned));
    } else if (conversion == L'%') {
      out += L'%';
    } else {
      out += L'%';
      continue;
    }
    ++p;
  }
  return out;
}

}  // namespace

void WriteText(HANDLE handle, const std::wstring& text) {
  if (text.empty()) return;
  if (g_capturing) {
    (handle == GetStdHandle(STD_ERROR_HANDLE) ? g_capturedErr : g_capturedOut) += text;
    return;
  }
  DWORD mode, written;
  if (GetConsoleMode(handle, &mode)) {
    WriteConsoleW(handle, text.data(), (DWORD)text.size(), &written, nullptr);
    return;
  }
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
  std::string bytes(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &bytes[0], n, nullptr, nullptr);
  WriteFile(handle, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
}

extern "C" int __cdecl Printf(LPCWSTR format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring text = Format(format, args);
  va_end(args);
  WriteText(GetStdHandle(STD_OUTPUT_HANDLE), text);
  return (int)text.size();
}

extern "C" int __cdecl Qprintf(HANDLE handle, LPCWSTR format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring text = Format(format, args);
  va_end(args);
  WriteText(handle, text);
  return (int)text.size();
}

extern "C" int WINAPI QPuts(LPCWSTR text) {
  if (text) WriteText(GetStdHandle(STD_OUTPUT_HANDLE), text);
  return 0;
}

extern "C" int WINAPI CrLf(void) {
  WriteText(GetStdHandle(STD_OUTPUT_HANDLE), L"\r\n");
  return 0;
}

extern "C" int WINAPI ExpandVariables(LPWSTR buffer, int recurse) {
  if (!buffer) return 1;
  const size_t limit = 1024;  // read and written at most: the plug-in's buffers hold more
  std::wstring out = ExpandText(std::wstring(buffer, wcsnlen(buffer, limit)));
  size_t n = out.size() < limit - 1 ? out.size() : limit - 1;
  out.copy(buffer, n);
  buffer[n] = 0;
  return 0;
}

extern "C" LPWSTR WINAPI QueryTrueName(LPCWSTR path, LPWSTR result) {
  const DWORD size = 16384;
  if (!path || !result) return result;
  DWORD n = GetFullPathNameW(path, size, result, nullptr);
  if (n == 0 || n >= size) {
    lstrcpynW(result, path, size);
    return result;
  }
  // Wine 8's GetLongPathNameW brings the process down on names longer than
  // about 1024 units (it jumps to address 0), so those are left as they are.
  if (n >= 1024) return result;
  // Only a name with a short (8.3) component has a longer true form; asking
  // for it costs more than the rest of a lookup, so other names skip it.
  if (!wcschr(result, L'~')) return result;
  std::vector<wchar_t> longName(size);
  DWORD m = GetLongPathNameW(result, longName.data(), size);
  if (m > 0 && m < size) lstrcpynW(result, longName.data(), size);
  return result;
}

extern "C" void __cdecl HostCaptureStart(void) {
  g_capturedOut.clear();
  g_capturedErr.clear();
  g_capturing = true;
}

extern "C" void __cdecl HostCaptureStop(void) { g_capturing = false; }
extern "C" LPCWSTR __cdecl HostCapturedOut(void) { return g_capturedOut.c_str(); }
extern "C" LPCWSTR __cdecl HostCapturedErr(void) { return g_capturedErr.c_str(); }
