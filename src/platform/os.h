// The thin platform layer: every call into the operating system that the
// plug-in's rule code needs, under names of its own. The Windows build
// implements it in os_win.cpp; the native build links fakes instead.
#pragma once

#include "common/qchar.h"

// The standard-error handle, as passed to the host's Qprintf.
QHandle OsStdErrorHandle(void);

// Registry roots, with the values Windows gives HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE: 32-bit values sign-extended to the pointer's width
// (0xFFFFFFFF80000001 in a 64-bit process).
#define OS_HKEY_CURRENT_USER ((QHandle)(intptr_t)(int32_t)0x80000001u)
#define OS_HKEY_LOCAL_MACHINE ((QHandle)(intptr_t)(int32_t)0x80000002u)

// Registry. root is OS_HKEY_CURRENT_USER or OS_HKEY_LOCAL_MACHINE. Each
// returns 0 on success, else the system's error value.
// OsRegOpenRead opens path under root for reading.
long OsRegOpenRead(QHandle root, const qchar* path, QHandle* key);
// OsRegCreateWrite creates or opens path under root for writing (non-volatile,
// parent keys created as needed).
long OsRegCreateWrite(QHandle root, const qchar* path, QHandle* key);
// OsRegQuery reads value name into data, which holds *size bytes; on return
// *type and *size describe the value (as RegQueryValueExW reports them).
long OsRegQuery(QHandle key, const qchar* name, uint32_t* type, void* data, uint32_t* size);
// OsRegSetDword writes value name as a 4-byte REG_DWORD.
long OsRegSetDword(QHandle key, const qchar* name, uint32_t value);
// OsRegClose closes a key opened by the two calls above.
void OsRegClose(QHandle key);

#define OS_REG_DWORD 4u

// Writes the full path of the given module's file into path (cap units,
// terminated). Returns the length written, 0 on failure.
size_t OsModuleFileName(QHandle module, qchar* path, size_t cap);

// Shows a modal message box owned by the foreground window, with an OK
// button; returns when the user closes it.
void OsMessageBox(const qchar* text, const qchar* caption);
