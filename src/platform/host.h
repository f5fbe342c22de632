// The plug-in's place in its host: the services of the host command
// processor (TakeCmd.dll), imported by their plain names; the library's own
// module handle; and the error prefix that begins every error line. Formats
// use "%s" (a wide string), "%d" and "%u" only.
#pragma once

#include "common/qchar.h"

// The library's own module handle; set once by the entry routine when the
// process attaches, null before.
extern QHandle ModuleHandle;

// Writes "Quorvel plugin: " to standard error and, inside a batch file, the
// batch file's name and line ("name [line]  "). Returns 0.
int ReportErrorPrefix(void);

extern "C" {
// Writes the formatted text to standard output.
int QCDECL Printf(const qchar* format, ...);
// Writes the formatted text to the given handle (always standard error here).
int QCDECL Qprintf(QHandle handle, const qchar* format, ...);
// Writes the text to standard output unchanged.
int QAPI QPuts(const qchar* text);
// Writes a line end to standard output.
int QAPI CrLf(void);
// Replaces the %-references in buffer in place (buffers of 1024 or 8192 units).
int QAPI ExpandVariables(qchar* buffer, int recurse);
// Writes the full true name of path into result (16384 zeroed units).
qchar* QAPI QueryTrueName(const qchar* path, qchar* result);
}
