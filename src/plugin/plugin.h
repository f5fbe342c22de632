// The plug-in frame: module handle, information record and error prefix.
#pragma once

#include "common/qchar.h"

// The record handed to the host by GetPluginInfo: nine 32-bit fields, then
// two zeroed words the host may look at but the plug-in never touches.
struct PluginInfoRecord {
  const qchar* Name;
  const qchar* Author;
  const qchar* AuthorEmail;
  const qchar* WebPage;
  const qchar* Description;
  const qchar* ImplementedNames;
  int32_t MajorVersion;
  int32_t MinorVersion;
  int32_t BuildNumber;
  int32_t Reserved[2];
};

extern PluginInfoRecord PluginInfo;

// The library's own module handle; set once when the process attaches.
extern QHandle ModuleHandle;

#define PLUGIN_NAME QT("Quorvel")
#define PLUGIN_MAJOR 0
#define PLUGIN_MINOR 36
#define PLUGIN_BUILD 0
// The revision and processor platform shown in the long version line.
#define PLUGIN_REVISION 1
#define PLUGIN_PLATFORM QT("x86")

// Writes "Quorvel plugin: " to standard error and, inside a batch file, the
// batch file's name and line ("name [line]  "). Returns 0.
int ReportErrorPrefix(void);

// The bodies of GetPluginInfo and InitializePlugin.
PluginInfoRecord* PluginGetInfo(void);
int PluginInitialize(void);
