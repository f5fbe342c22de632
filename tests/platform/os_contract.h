// The world the platform layer's contract cases run in, provided twice: over
// the native build's fakes (os_contract_fake.cpp) and over the real Win32
// layer under Wine (os_contract_win.cpp).
#pragma once

#include <string>

#include "common/qchar.h"

typedef std::basic_string<qchar> QString;

// The registry key, under either root, that the cases may create.
#define CONTRACT_KEY QT("Software\\TavoPlugins\\QuorvelPlatformContract")

// Removes CONTRACT_KEY under both roots and the files of ContractFile.
void ContractReset();
// A loaded module and the full path of its file.
QHandle ContractModule(QString* path);
// The full path of a file the cases may create, in a folder that exists
// (which 0 or 1: two such files).
QString ContractFile(int which);
// Writes bytes to path, replacing the file.
void ContractWriteFile(const QString& path, const std::string& bytes);
