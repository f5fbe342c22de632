// The plug-in frame: the information record, the bodies of two exports.
#pragma once

#include "common/qchar.h"
#include "common/version.h"

// The record handed to the host by GetPluginInfo: six string pointers (of the
// platform's width), three 32-bit version numbers, then two zeroed 32-bit
// words the host may look at but the plug-in never touches.
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

// The bodies of GetPluginInfo and InitializePlugin.
PluginInfoRecord* PluginGetInfo(void);
int PluginInitialize(void);
