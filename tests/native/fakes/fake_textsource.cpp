// The text source reader's platform calls (platform/os_textsource.h) over
// Fake: files from memory, standard input as a pipe or console, the
// clipboard, counted allocations. A mapped view is a heap block of exactly
// the file's size, so that AddressSanitizer sees every read beyond it.
// Handles are checked: using or closing one that is not open aborts.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <set>

#include "fakes.h"
#include "platform/os_textsource.h"

namespace {

enum HandleKind { KIND_FILE, KIND_TEMP, KIND_STDIN, KIND_MAPPING, KIND_CLIPBOARD_MEMORY };

struct FakeHandle {
  HandleKind Kind;
  std::u16string Path;  // KIND_FILE, KIND_TEMP, KIND_MAPPING: the file behind it
  size_t Pos;           // KIND_FILE, KIND_TEMP: file pointer
};

std::set<FakeHandle*> g_handles;
std::set<const void*> g_views;
std::set<void*> g_blocks;
FakeHandle* g_stdin = nullptr;      // standard input (not counted in LiveHandles)
FakeHandle g_clipboardMemory = {KIND_CLIPBOARD_MEMORY, u"", 0};
int g_clipboardLocked = 0;

[[noreturn]] void BadHandle(const char* what) {
  fprintf(stderr, "fake platform: %s of a handle that is not open\n", what);
  abort();
}

FakeHandle* Check(QHandle h, const char* what) {
  FakeHandle* f = (FakeHandle*)h;
  if (!g_handles.count(f)) BadHandle(what);
  return f;
}

QHandle NewHandle(HandleKind kind, const std::u16string& path) {
  FakeHandle* f = new FakeHandle{kind, path, 0};
  g_handles.insert(f);
  ++Fake.LiveHandles;
  return f;
}

}  // namespace

void FakeTextReset(void) {
  for (FakeHandle* h : g_handles)
    if (h != g_stdin) delete h;
  g_handles.clear();
  delete g_stdin;
  g_stdin = nullptr;
  for (const void* v : g_views) free((void*)v);
  g_views.clear();
  for (void* b : g_blocks) free(b);
  g_blocks.clear();
  g_clipboardLocked = 0;
}

void* OsTextAlloc(size_t bytes) {
  if (Fake.AllocFailAt > 0 && --Fake.AllocFailAt == 0) return nullptr;
  void* block = malloc(bytes ? bytes : 1);
  if (!block) return nullptr;
  g_blocks.insert(block);
  ++Fake.Allocations;
  return block;
}

void OsTextFree(void* block) {
  if (!block) return;
  if (!g_blocks.erase(block)) BadHandle("free");
  free(block);
  --Fake.Allocations;
}

QHandle OsTextStdHandle(int32_t which) {
  if (which != -10 || !Fake.HaveStdInput) return nullptr;
  if (!g_stdin) {
    g_stdin = new FakeHandle{KIND_STDIN, u"", 0};
    g_handles.insert(g_stdin);
  }
  return g_stdin;
}

int OsTextConsoleMode(QHandle handle, uint32_t* mode) {
  FakeHandle* f = (FakeHandle*)handle;
  if (!g_handles.count(f) || f->Kind != KIND_STDIN || !Fake.StdInputIsConsole) return 0;
  *mode = 0x1F7;
  return 1;
}

void OsTextConsolePrompt(const qchar* text) { Fake.ConsolePrompts += text; }

int OsTextGetFileInfo(QHandle file, OsTextFileInfo* info) {
  *info = OsTextFileInfo{};
  FakeHandle* f = (FakeHandle*)file;
  if (!g_handles.count(f)) return 0;
  if (f->Kind == KIND_STDIN) return 1;  // a pipe or console: no file times
  auto it = Fake.Files.find(f->Path);
  if (it == Fake.Files.end()) return 0;
  info->CreationTime = 1;
  info->LastAccessTime = 2;
  info->LastWriteTime = 3;
  info->Size = it->second.size();
  return 1;
}

long OsTextOpenRead(const qchar* path, QHandle* file) {
  *file = nullptr;
  if (!Fake.Files.count(path)) return 2;  // ERROR_FILE_NOT_FOUND
  *file = NewHandle(KIND_FILE, path);
  return 0;
}

long OsTextCreateTemp(const qchar* path, QHandle* file) {
  *file = nullptr;
  for (FakeHandle* h : g_handles)
    if (h->Kind == KIND_TEMP && h->Path == path) return 32;  // ERROR_SHARING_VIOLATION
  Fake.Files[path].clear();
  *file = NewHandle(KIND_TEMP, path);
  return 0;
}

int OsTextRead(QHandle file, void* buffer, uint32_t size, uint32_t* got) {
  *got = 0;
  FakeHandle* f = Check(file, "ReadFile");
  const std::vector<uint8_t>* bytes = nullptr;
  size_t* pos = &f->Pos;
  if (f->Kind == KIND_STDIN) {
    if (Fake.StdInputIsConsole && Fake.StdInputRead >= Fake.StdInput.size()) return 0;  // ^Z
    bytes = &Fake.StdInput;
    pos = &Fake.StdInputRead;
  } else {
    auto it = Fake.Files.find(f->Path);
    if (it == Fake.Files.end()) return 0;
    bytes = &it->second;
  }
  size_t left = bytes->size() > *pos ? bytes->size() - *pos : 0;
  size_t n = left < size ? left : size;
  if (n) memcpy(buffer, bytes->data() + *pos, n);
  *pos += n;
  *got = (uint32_t)n;
  return 1;
}

long OsTextWrite(QHandle file, const void* buffer, uint32_t size) {
  FakeHandle* f = Check(file, "WriteFile");
  if (f->Kind != KIND_TEMP) return 5;  // ERROR_ACCESS_DENIED
  std::vector<uint8_t>& bytes = Fake.Files[f->Path];
  const uint8_t* b = (const uint8_t*)buffer;
  if (bytes.size() < f->Pos + size) bytes.resize(f->Pos + size);
  memcpy(bytes.data() + f->Pos, b, size);
  f->Pos += size;
  return 0;
}

void OsTextFlushAndRewind(QHandle file) { Check(file, "FlushAndRewind")->Pos = 0; }

long OsTextCreateMapping(QHandle file, QHandle* mapping) {
  *mapping = nullptr;
  FakeHandle* f = (FakeHandle*)file;
  if (!g_handles.count(f)) return 6;  // ERROR_INVALID_HANDLE
  if (f->Kind == KIND_STDIN) return 6;
  auto it = Fake.Files.find(f->Path);
  if (it == Fake.Files.end() || it->second.empty()) return 1006;  // ERROR_FILE_INVALID
  *mapping = NewHandle(KIND_MAPPING, f->Path);
  return 0;
}

long OsTextMapView(QHandle mapping, const void** view) {
  *view = nullptr;
  FakeHandle* m = Check(mapping, "MapViewOfFile");
  if (m->Kind != KIND_MAPPING) return 6;
  const std::vector<uint8_t>& bytes = Fake.Files[m->Path];
  if (bytes.empty()) return 1006;
  void* copy = malloc(bytes.size());
  memcpy(copy, bytes.data(), bytes.size());
  g_views.insert(copy);
  ++Fake.LiveViews;
  *view = copy;
  return 0;
}

void OsTextUnmapView(const void* view) {
  if (!g_views.erase(view)) BadHandle("UnmapViewOfFile");
  free((void*)view);
  --Fake.LiveViews;
}

// As the host may: a name of 16384 units or more fills the buffer without a
// terminator.
void OsTextTrueName(const qchar* name, qchar* result) {
  size_t n = 0;
  while (n < 16384 && name[n]) {
    result[n] = name[n];
    ++n;
  }
  if (n < 16384) result[n] = 0;
}

void OsTextCloseHandle(QHandle handle) {
  FakeHandle* f = Check(handle, "CloseHandle");
  g_handles.erase(f);
  if (f == g_stdin) {
    if (Fake.StdInputIsConsole) {
      fprintf(stderr, "fake platform: the console's input handle was closed\n");
      abort();
    }
    g_stdin = nullptr;
    // Standard input is gone; a later OsTextStdHandle hands out a new one.
    Fake.HaveStdInput = 0;
  } else {
    --Fake.LiveHandles;
  }
  delete f;
}

void OsTextDeleteFile(const qchar* path) {
  for (FakeHandle* h : g_handles)
    if ((h->Kind == KIND_TEMP || h->Kind == KIND_FILE) && h->Path == path) return;  // in use
  Fake.Files.erase(path);
}

long OsTextTempPath(qchar* path, size_t cap) {
  if (!path || cap == 0) return 87;                     // ERROR_INVALID_PARAMETER
  if (Fake.TempFolder.empty()) return path[0] = 0, 3;   // ERROR_PATH_NOT_FOUND
  if (Fake.TempFolder.size() >= cap) return path[0] = 0, 206;  // ERROR_FILENAME_EXCED_RANGE
  Fake.TempFolder.copy(path, Fake.TempFolder.size());
  path[Fake.TempFolder.size()] = 0;
  return 0;
}

uint32_t OsTextProcessId(void) { return Fake.ProcessId; }

int OsTextOpenClipboard(void) {
  if (!Fake.ClipboardOpens) return 0;
  if (Fake.ClipboardOpen) {
    fprintf(stderr, "fake platform: the clipboard was opened twice\n");
    abort();
  }
  Fake.ClipboardOpen = 1;
  return 1;
}

QHandle OsTextClipboardText(void) {
  if (!Fake.ClipboardOpen || !Fake.HaveClipboardText) return nullptr;
  return &g_clipboardMemory;
}

const void* OsTextLock(QHandle memory, size_t* bytes) {
  *bytes = 0;
  // An empty block cannot be locked (as with a discarded global block).
  if (memory != &g_clipboardMemory || g_clipboardLocked || Fake.ClipboardText.empty()) return nullptr;
  g_clipboardLocked = 1;
  *bytes = Fake.ClipboardText.size() * sizeof(qchar);
  return Fake.ClipboardText.data();
}

void OsTextUnlock(QHandle memory) {
  if (memory != &g_clipboardMemory || !g_clipboardLocked) BadHandle("GlobalUnlock");
  g_clipboardLocked = 0;
}

void OsTextCloseClipboard(void) {
  if (g_clipboardLocked) {
    fprintf(stderr, "fake platform: the clipboard was closed while its text was locked\n");
    abort();
  }
  Fake.ClipboardOpen = 0;
}

uint32_t OsTextAnsiCodePage(void) { return Fake.AnsiCodePage; }
uint32_t OsTextUserLocale(void) { return Fake.UserLocale; }
