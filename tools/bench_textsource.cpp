// Benchmark of the text source reader: writes a 64 MiB text file in UTF-8,
// UTF-16LE and ANSI (code page 1252), opens each with OpenTextSource and
// reads it with ReadTextLine; reports MB/s (of file bytes) and lines/s.
// Run under Wine:  build/wine-run.sh build/bin/bench_textsource.exe
#include <windows.h>
#include <stdio.h>

#include <string>

#include "textsource/textsource.h"

namespace {

const size_t kFileBytes = 64u << 20;

// One line of mixed words, about 40 characters, with a non-ASCII letter.
std::wstring Line(unsigned i) {
  wchar_t buf[96];
  wsprintfW(buf, L"entry-%u caf\x00E9 example.org mail %u", i, i * 7919u % 100000u);
  return buf;
}

// Encodes text into bytes of the given kind (1 UTF-16LE with mark, 3 UTF-8,
// 0 ANSI 1252).
std::string Encode(const std::wstring& text, int encoding) {
  if (encoding == EncUtf16Le) return std::string((const char*)text.data(), text.size() * 2);
  UINT cp = encoding == EncUtf8 ? CP_UTF8 : 1252;
  int n = WideCharToMultiByte(cp, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(cp, 0, text.data(), (int)text.size(), &out[0], n, nullptr, nullptr);
  return out;
}

// Writes a file of about kFileBytes; returns its line count.
unsigned WriteText(const wchar_t* path, int encoding) {
  HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  size_t total = 0;
  unsigned lines = 0;
  DWORD n;
  if (encoding == EncUtf16Le) {
    WriteFile(h, "\xFF\xFE", 2, &n, nullptr);
    total = 2;
  }
  std::wstring chunk;
  while (total < kFileBytes) {
    chunk.clear();
    for (int i = 0; i < 4096; ++i) chunk += Line(lines++) + L"\r\n";
    std::string bytes = Encode(chunk, encoding);
    WriteFile(h, bytes.data(), (DWORD)bytes.size(), &n, nullptr);
    total += bytes.size();
  }
  CloseHandle(h);
  return lines;
}

double Seconds() {
  static LARGE_INTEGER freq;
  if (!freq.QuadPart) QueryPerformanceFrequency(&freq);
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return (double)now.QuadPart / (double)freq.QuadPart;
}

}  // namespace

int main() {
  wchar_t folder[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, folder);
  std::wstring path = std::wstring(folder) + L"bench_textsource.txt";
  const struct {
    int encoding;
    const char* name;
  } kinds[] = {{EncUtf8, "UTF-8"}, {EncUtf16Le, "UTF-16LE"}, {EncAnsi, "ANSI 1252"}};
  static qchar line[TEXT_LINE_LEN];
  printf("%-10s %10s %10s %12s %12s\n", "encoding", "MiB", "seconds", "MB/s", "lines/s");
  int failed = 0;
  for (const auto& k : kinds) {
    unsigned expected = WriteText(path.c_str(), k.encoding);
    double best = 1e9;
    uint32_t size = 0;
    unsigned lines = 0;
    for (int round = 0; round < 3; ++round) {
      TextSource s;
      double start = Seconds();
      if (OpenTextSource(&s, path.c_str()) != 0) {
        printf("%s: open failed (%d)\n", k.name, (int)s.Error);
        failed = 1;
        break;
      }
      if (s.Encoding != k.encoding) {
        printf("%s: detected as %d\n", k.name, (int)s.Encoding);
        failed = 1;
      }
      lines = 0;
      while (ReadTextLine(&s, line) == 0) ++lines;
      size = s.Size;
      CloseTextSource(&s);
      double t = Seconds() - start;
      if (t < best) best = t;
    }
    if (lines != expected) {
      printf("%s: %u lines read, %u written\n", k.name, lines, expected);
      failed = 1;
    }
    printf("%-10s %10.1f %10.3f %12.1f %12.0f\n", k.name, size / 1048576.0, best, size / best / 1e6,
           lines / best);
  }
  DeleteFileW(path.c_str());
  return failed;
}
