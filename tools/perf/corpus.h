// Reading a corpus of addresses, shared by the Windows benchmarks and the soak.
#pragma once

#include <windows.h>
#include <stdio.h>

#include <string>
#include <vector>

// Appends the lines of the UTF-8 file path (LF or CR LF ends) to *out as wide
// strings. Returns false when the file cannot be opened.
inline bool ReadCorpusLines(const std::wstring& path, std::vector<std::wstring>* out) {
  FILE* f = _wfopen(path.c_str(), L"rb");
  if (!f) return false;
  std::string bytes;
  char chunk[65536];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
  fclose(f);
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    size_t len = end - start;
    if (len && bytes[start + len - 1] == '\r') --len;
    std::wstring w;
    if (len) {
      int units = MultiByteToWideChar(CP_UTF8, 0, bytes.data() + start, (int)len, nullptr, 0);
      w.resize(units);
      MultiByteToWideChar(CP_UTF8, 0, bytes.data() + start, (int)len, &w[0], units);
    }
    out->push_back(w);
    start = end + 1;
  }
  return true;
}
