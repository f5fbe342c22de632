// The platform calls of the text source reader: memory, files, mappings, the
// clipboard, the console, the temporary folder and the locale. Declared over
// plain types so that the reader itself stays free of system headers; the
// Windows build implements them in os_textsource_win.cpp (through the
// replaceable table OsText of os_textsource_win.h), the native build with fakes.
#pragma once

#include "common/qchar.h"

// Heap memory of the reader. OsTextAlloc returns null when out of memory;
// OsTextFree accepts null.
void* OsTextAlloc(size_t bytes);
void OsTextFree(void* block);

// The handle behind a standard-device identifier (-10 input, -11 output,
// -12 error); null or invalid when there is none.
QHandle OsTextStdHandle(int32_t which);

// Reads the console mode of handle into *mode; nonzero when the call
// succeeded (only consoles succeed). *mode is left alone on failure.
int OsTextConsoleMode(QHandle handle, uint32_t* mode);

// Writes text straight to the console's screen (the console output device),
// even when standard output is redirected. Failures are ignored.
void OsTextConsolePrompt(const qchar* text);

// File times and size as the file information of a handle reports them.
struct OsTextFileInfo {
  uint64_t CreationTime;
  uint64_t LastAccessTime;
  uint64_t LastWriteTime;
  uint64_t Size;
};

// Fills *info from the handle's file information; on failure *info is all
// zero. Returns nonzero on success.
int OsTextGetFileInfo(QHandle file, OsTextFileInfo* info);

// Opens the existing file path for reading (read sharing). *file receives the
// handle or null. Returns the system's last-error value after the attempt
// (normally 0 after a success); the open failed when *file is null.
long OsTextOpenRead(const qchar* path, QHandle* file);

// Creates (or replaces) path for reading and writing (read sharing, normal
// attributes). *file receives the handle or null. Returns 0, or the system's
// error value on failure.
long OsTextCreateTemp(const qchar* path, QHandle* file);

// Reads up to size bytes into buffer; *got receives the count. Returns
// nonzero on success (a success with *got 0 is the end of the input).
int OsTextRead(QHandle file, void* buffer, uint32_t size, uint32_t* got);

// Writes size bytes from buffer. Returns 0, or the system's error value when
// the write fails or writes less than asked.
long OsTextWrite(QHandle file, const void* buffer, uint32_t size);

// Flushes the file's buffers and moves its file pointer to offset 0.
void OsTextFlushAndRewind(QHandle file);

// Creates a read-only mapping of the whole file into *mapping (null on
// failure). Returns 0, or the system's error value.
long OsTextCreateMapping(QHandle file, QHandle* mapping);
// Maps a read-only view of the whole mapping into *view (null on failure).
// Returns 0, or the system's error value.
long OsTextMapView(QHandle mapping, const void** view);
// Unmaps a view made by OsTextMapView.
void OsTextUnmapView(const void* view);

// The host's true full name of name, written into result (16384
// zeroed units); the host's result is not looked at.
void OsTextTrueName(const qchar* name, qchar* result);

// Closes a handle; removes a file.
void OsTextCloseHandle(QHandle handle);
void OsTextDeleteFile(const qchar* path);

// Writes the temporary folder (ending in a backslash) into path (cap units,
// terminated). Returns 0, or on failure the system's error value (never 0)
// with path empty.
long OsTextTempPath(qchar* path, size_t cap);
// The current process id.
uint32_t OsTextProcessId(void);

// The clipboard. OsTextOpenClipboard opens it with the console's window as
// owner (none if there is no console window); nonzero on success.
int OsTextOpenClipboard(void);
// The clipboard's Unicode text as a memory handle, or null.
QHandle OsTextClipboardText(void);
// Locks a memory handle and returns its address, or null; *bytes receives
// the size of the memory block (0 when the lock failed).
const void* OsTextLock(QHandle memory, size_t* bytes);
void OsTextUnlock(QHandle memory);
void OsTextCloseClipboard(void);

// The system's ANSI code page and the user's default locale identifier.
uint32_t OsTextAnsiCodePage(void);
uint32_t OsTextUserLocale(void);
