// Help and usage texts for the plug-in's names.
#pragma once

#include "common/qchar.h"

// Shows the help of name in a message box; 1 when shown, 0 when the name is
// not one of the plug-in's (or null).
int PluginHelp(const qchar* name);

// Copies the usage text of the command into result (1024 units); 1 when
// filled, 0 otherwise (result untouched).
int PluginUsage(const qchar* name, qchar* result);
