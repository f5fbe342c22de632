// Opening and closing text sources: a named file, the clipboard or standard
// input, made available as one contiguous read-only block of bytes.
#include "textsource/textsource.h"

#include "common/qstr.h"
#include "common/syserror.h"
#include "platform/os_textsource.h"
#include "common/version.h"

#define COPY_BUFFER_BYTES 8192
#define TEMP_NAME_LEN 1024

static const qchar kStdInputName[] = QT("-");
static const qchar kConsolePrompt[] = QT("Reading text from the console: (^Z ends)\r\n");

// What an open in progress holds outside the record.
struct OpenWork {
  int KeepFileHandle;  // FileHandle is standard input's console: never closed here
  QHandle Temp;        // the temporary copy while it is being written
  int TempCreated;     // the temporary file exists and must be deleted on failure
  void* CopyBuffer;    // the copy buffer of the temporary copy
};

// A handle value that stands for an open handle (neither null nor invalid).
static int IsHandleSet(QHandle h) { return h != nullptr && h != (QHandle)(intptr_t)-1; }

// A heap copy of the terminated text, or null when out of memory.
static qchar* CopyText(const qchar* text) {
  size_t n = QStrLen(text);
  qchar* copy = (qchar*)OsTextAlloc((n + 1) * sizeof(qchar));
  if (copy) QStrCopy(copy, n + 1, text);
  return copy;
}

// Releases, each once, what the record (and the open in progress, if work is
// given) holds, and clears the record keeping Error.
static void ReleaseSource(TextSource* s, OpenWork* work) {
  int deleteTemp = 1;
  if (work) {
    OsTextFree(work->CopyBuffer);
    if (IsHandleSet(work->Temp)) OsTextCloseHandle(work->Temp);
    deleteTemp = work->TempCreated;
  }
  if (s->Data) {
    if (s->FileHandle || s->MappingHandle) OsTextUnmapView(s->Data);
    else OsTextFree((void*)s->Data);
  }
  if (IsHandleSet(s->MappingHandle)) OsTextCloseHandle(s->MappingHandle);
  if (IsHandleSet(s->FileHandle) && !(work && work->KeepFileHandle))
    OsTextCloseHandle(s->FileHandle);
  if (s->TempName) {
    if (deleteTemp) OsTextDeleteFile(s->TempName);
    OsTextFree(s->TempName);
  }
  OsTextFree(s->SourceName);
  int32_t error = s->Error;
  *s = TextSource{};
  s->Error = error;
}

// Fails the open in progress with code: sets Error, releases everything and
// clears the record. Returns code.
static int FailOpen(TextSource* s, OpenWork* work, int32_t code) {
  s->Error = code;
  ReleaseSource(s, work);
  return code;
}

// Writes "<name>-<id>.tmp" into out (cap units), the id in lower-case
// hexadecimal with at least four digits.
static void FormatTempFileName(qchar* out, size_t cap, const qchar* name, uint32_t id) {
  int n = 4;  // hexadecimal digits
  while (n < 8 && id >> 4 * n) ++n;
  qchar tail[14] = {'-'};
  for (int i = 0; i < n; ++i) tail[1 + i] = (qchar)"0123456789abcdef"[id >> 4 * (n - 1 - i) & 15];
  QStrCopy(tail + 1 + n, 5, QT(".tmp"));
  QStrCopy(out, cap, name);
  QStrAppend(out, cap, tail);
}

// The clipboard's Unicode text as a heap copy. Returns 0 or -1; on failure
// the record is cleared with Error 0 and the clipboard is closed again.
static int OpenClipboardSource(TextSource* s) {
  if (!OsTextOpenClipboard()) goto fail;
  {
    QHandle memory = OsTextClipboardText();
    if (!memory) goto close;
    size_t bytes = 0;
    const qchar* text = (const qchar*)OsTextLock(memory, &bytes);
    if (!text) goto close;
    // The text ends at its zero unit, or at the end of its memory block
    // should the zero be missing.
    size_t cap = bytes / sizeof(qchar), n = 0;
    while (n < cap && text[n]) ++n;
    qchar* copy = nullptr;
    if (n > 0 && n < 0x7FFFFFFFu) copy = (qchar*)OsTextAlloc((n + 1) * sizeof(qchar));
    if (copy) {
      QStrCopy(copy, n + 1, text);
      s->Data = (const uint8_t*)copy;  // no file or mapping handle: the clipboard's copy
      s->Size = (uint32_t)(n * 2);
      s->Encoding = EncUtf16Le;
    }
    OsTextUnlock(memory);
    if (copy) {
      OsTextCloseClipboard();
      return 0;
    }
  }
close:
  OsTextCloseClipboard();
fail:
  s->Error = 0;
  ReleaseSource(s, nullptr);
  return -1;
}

// Opens a named file under its true name into FileHandle. Returns 0, or the
// failure code (the record still holds what it had).
static int OpenNamedFile(TextSource* s, const qchar* name) {
  qchar trueName[TEXT_PATH_LEN];
  QStrFillZero(trueName, TEXT_PATH_LEN, QT(""));
  OsTextTrueName(name, trueName);
  trueName[TEXT_PATH_LEN - 1] = 0;
  static const qchar kVolume[] = QT("Volume{");
  int i = 0;
  while (i < 7 && trueName[i] == kVolume[i]) ++i;
  if (i == 7 && QIsHexDigit(trueName[7])) AddDevicePrefix(trueName);
  qchar* copy = CopyText(trueName);
  if (!copy) return SYSERR_NOT_ENOUGH_MEMORY;
  OsTextFree(s->SourceName);
  s->SourceName = copy;
  QHandle file = nullptr;
  long error = OsTextOpenRead(trueName, &file);
  s->Error = (int32_t)error;
  if (!file) return (int32_t)error;
  s->FileHandle = file;
  return 0;
}

// Copies everything FileHandle delivers into the temporary file, which then
// takes FileHandle's place; *info is read again from it. Returns 0 or the
// failure code (the open in progress still holds the temporary file).
static int MakeTemporaryCopy(TextSource* s, OpenWork* work, OsTextFileInfo* info) {
  qchar folder[TEXT_PATH_LEN];
  QStrFillZero(folder, TEXT_PATH_LEN, QT(""));
  // Without the temporary folder there is no copy, never one in the current
  // folder, where it could overwrite a file of the same name.
  long error = OsTextTempPath(folder, TEXT_PATH_LEN);
  if (error) return (int32_t)error;
  qchar fileName[TEMP_NAME_LEN];
  QStrFillZero(fileName, TEMP_NAME_LEN, QT(""));
  FormatTempFileName(fileName, TEMP_NAME_LEN, PLUGIN_NAME, OsTextProcessId());
  AppendFileName(folder, fileName);
  s->TempName = CopyText(folder);
  if (!s->TempName) return SYSERR_NOT_ENOUGH_MEMORY;
  work->CopyBuffer = OsTextAlloc(COPY_BUFFER_BYTES);
  if (!work->CopyBuffer) return SYSERR_NOT_ENOUGH_MEMORY;
  error = OsTextCreateTemp(s->TempName, &work->Temp);
  if (error) return (int32_t)error;
  work->TempCreated = 1;
  for (;;) {
    uint32_t got = 0;
    if (!OsTextRead(s->FileHandle, work->CopyBuffer, COPY_BUFFER_BYTES, &got) || got == 0) break;
    error = OsTextWrite(work->Temp, work->CopyBuffer, got);
    if (error) return (int32_t)error;
  }
  if (IsHandleSet(s->FileHandle) && !work->KeepFileHandle) OsTextCloseHandle(s->FileHandle);
  s->FileHandle = work->Temp;
  work->Temp = nullptr;
  work->KeepFileHandle = 0;
  OsTextFlushAndRewind(s->FileHandle);
  OsTextFree(work->CopyBuffer);
  work->CopyBuffer = nullptr;
  OsTextGetFileInfo(s->FileHandle, info);
  return 0;
}

int OpenTextSource(TextSource* source, const qchar* name) {
  if (!source || !name || !name[0]) return -1;
  TextSource* s = source;
  *s = TextSource{};
  s->AnsiCodePage = OsTextAnsiCodePage();
  s->Replacement = 0xFFFD;
  s->EbcdicCodePage = DefaultEbcdicCodePage();
  FindCodePageTables(&s->AnsiTable, &s->EbcdicTable, s->AnsiCodePage, s->EbcdicCodePage);

  OpenWork work = {};
  s->SourceName = CopyText(name);
  if (!s->SourceName) return FailOpen(s, &work, SYSERR_NOT_ENOUGH_MEMORY);

  if (QStrEqualNoCase(name, ClipboardName)) return OpenClipboardSource(s);
  if (QStrEqual(name, kStdInputName)) {
    QHandle input = OsTextStdHandle(-10);
    s->FileHandle = IsHandleSet(input) ? input : nullptr;
    if (IsConsoleHandle(s->FileHandle)) {
      work.KeepFileHandle = 1;
      OsTextConsolePrompt(kConsolePrompt);
    }
  } else {
    int rc = OpenNamedFile(s, name);
    if (rc) return FailOpen(s, &work, rc);
  }

  OsTextFileInfo info = {};
  OsTextGetFileInfo(s->FileHandle, &info);
  if (info.CreationTime == 0 && info.LastAccessTime == 0 && info.LastWriteTime == 0) {
    int rc = MakeTemporaryCopy(s, &work, &info);
    if (rc) return FailOpen(s, &work, rc);
  }
  if (info.Size == 0) return FailOpen(s, &work, OPEN_EMPTY);
  if (info.Size >> 32) return FailOpen(s, &work, SYSERR_FILE_TOO_LARGE);
  s->Size = (uint32_t)info.Size;

  long error = OsTextCreateMapping(s->FileHandle, &s->MappingHandle);
  if (error) return FailOpen(s, &work, (int32_t)error);
  const void* view = nullptr;
  error = OsTextMapView(s->MappingHandle, &view);
  if (error) return FailOpen(s, &work, (int32_t)error);
  s->Data = (const uint8_t*)view;

  DetectEncoding(s, 0);
  return 0;
}

int CloseTextSource(TextSource* source) {
  if (!source) return -1;
  ReleaseSource(source, nullptr);
  return 0;
}

int AppendFileName(qchar* folder, const qchar* name) {
  if (!folder || !name) return -1;
  size_t len = 0;
  while (len < TEXT_PATH_LEN - 1 && folder[len]) ++len;
  folder[len] = 0;
  unsigned last = len ? folder[len - 1] : 0;
  unsigned first = name[0];
  if (len && last != '/' && last != '\\' && last != ':' && first != '/' && first != '\\')
    QStrAppend(folder, TEXT_PATH_LEN, QT("\\"));
  QStrAppend(folder, TEXT_PATH_LEN, name);
  return 0;
}

int IsConsoleHandle(QHandle handle) {
  if (!handle) return 0;
  intptr_t id = (intptr_t)handle;
  if (id == -10 || id == -11 || id == -12) handle = OsTextStdHandle((int32_t)id);
  if (!handle) return 0;
  uint32_t mode = 0xFFFFFFFFu;
  return OsTextConsoleMode(handle, &mode) && mode != 0xFFFFFFFFu;
}

int AddDevicePrefix(qchar* path) {
  if (!path) return -1;
  qchar copy[TEXT_PATH_LEN];
  QStrCopy(copy, TEXT_PATH_LEN, path);
  QStrCopy(path, TEXT_PATH_LEN, QT("\\\\.\\"));
  QStrAppend(path, TEXT_PATH_LEN, copy);
  return 0;
}
