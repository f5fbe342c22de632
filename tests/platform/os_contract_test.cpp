// What the rule code may rely on from the platform layer (platform/os.h),
// written once and run against both of its implementations: the Win32 layer
// under Wine and the native build's fakes.
#include <gtest/gtest.h>

#include "platform/os.h"
#include "platform/os_textsource.h"
#include "os_contract.h"

namespace {

class OsContract : public ::testing::Test {
 protected:
  void SetUp() override { ContractReset(); }
  void TearDown() override { ContractReset(); }
};

// A missing key, a created one, a value read back whole, into a buffer too
// small, and one that is not there; the roots are separate key spaces.
TEST_F(OsContract, Registry) {
  QHandle key = &key;
  EXPECT_EQ(OsRegOpenRead(OS_HKEY_CURRENT_USER, CONTRACT_KEY, &key), 2);  // ERROR_FILE_NOT_FOUND
  EXPECT_EQ(key, nullptr);
  ASSERT_EQ(OsRegCreateWrite(OS_HKEY_CURRENT_USER, CONTRACT_KEY, &key), 0);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(OsRegSetDword(key, QT("Seven"), 7), 0);
  OsRegClose(key);

  ASSERT_EQ(OsRegOpenRead(OS_HKEY_CURRENT_USER, CONTRACT_KEY, &key), 0);
  uint32_t type = 0, data = 0, size = 4;
  EXPECT_EQ(OsRegQuery(key, QT("Seven"), &type, &data, &size), 0);
  EXPECT_EQ(type, OS_REG_DWORD);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(data, 7u);
  type = 0, size = 2;
  EXPECT_EQ(OsRegQuery(key, QT("Seven"), &type, &data, &size), 234);  // ERROR_MORE_DATA
  EXPECT_EQ(type, OS_REG_DWORD);
  EXPECT_EQ(size, 4u);
  size = 4;
  EXPECT_EQ(OsRegQuery(key, QT("Missing"), &type, &data, &size), 2);
  OsRegClose(key);

  key = &key;
  EXPECT_EQ(OsRegOpenRead(OS_HKEY_LOCAL_MACHINE, CONTRACT_KEY, &key), 2);
  EXPECT_EQ(key, nullptr);
}

// The module's path whole, or nothing: a path that does not fit with its
// terminator is no path at all.
TEST_F(OsContract, ModuleFileName) {
  QString expected;
  QHandle module = ContractModule(&expected);
  ASSERT_GT(expected.size(), 3u);
  qchar path[512];
  ASSERT_LT(expected.size(), 512u);
  EXPECT_EQ(OsModuleFileName(module, path, 512), expected.size());
  EXPECT_EQ(QString(path), expected);
  EXPECT_EQ(OsModuleFileName(module, path, expected.size() + 1), expected.size());
  EXPECT_EQ(QString(path), expected);
  for (size_t cap : {expected.size(), (size_t)3, (size_t)1}) {
    path[0] = 'x';
    EXPECT_EQ(OsModuleFileName(module, path, cap), 0u) << cap;
    EXPECT_EQ(path[0], 0) << cap;
  }
  EXPECT_EQ(OsModuleFileName(module, path, 0), 0u);
  EXPECT_EQ(OsModuleFileName(module, nullptr, 16), 0u);
}

TEST_F(OsContract, StandardErrorHandle) { EXPECT_NE(OsStdErrorHandle(), nullptr); }

// A missing file; an existing one, its size and a mapped view of it; a file
// created, written, rewound and read back to its end; the temporary folder,
// whole or not at all.
TEST_F(OsContract, Files) {
  const QString existing = ContractFile(0), created = ContractFile(1);
  QHandle file = &file;
  EXPECT_EQ(OsTextOpenRead(existing.c_str(), &file), 2);  // ERROR_FILE_NOT_FOUND
  EXPECT_EQ(file, nullptr);

  ContractWriteFile(existing, "abc");
  ASSERT_EQ(OsTextOpenRead(existing.c_str(), &file), 0);
  ASSERT_NE(file, nullptr);
  OsTextFileInfo info = {};
  EXPECT_NE(OsTextGetFileInfo(file, &info), 0);
  EXPECT_EQ(info.Size, 3u);
  QHandle mapping = nullptr;
  ASSERT_EQ(OsTextCreateMapping(file, &mapping), 0);
  const void* view = nullptr;
  ASSERT_EQ(OsTextMapView(mapping, &view), 0);
  EXPECT_EQ(std::string(static_cast<const char*>(view), 3), "abc");
  OsTextUnmapView(view);
  OsTextCloseHandle(mapping);
  OsTextCloseHandle(file);

  ASSERT_EQ(OsTextCreateTemp(created.c_str(), &file), 0);
  EXPECT_EQ(OsTextWrite(file, "xyz", 3), 0);
  OsTextFlushAndRewind(file);
  char buffer[8] = {};
  uint32_t got = 0;
  EXPECT_NE(OsTextRead(file, buffer, sizeof buffer, &got), 0);
  EXPECT_EQ(std::string(buffer, got), "xyz");
  EXPECT_NE(OsTextRead(file, buffer, sizeof buffer, &got), 0);
  EXPECT_EQ(got, 0u);  // the end
  OsTextCloseHandle(file);
  OsTextDeleteFile(created.c_str());
  EXPECT_EQ(OsTextOpenRead(created.c_str(), &file), 2);

  qchar folder[512];
  ASSERT_EQ(OsTextTempPath(folder, 512), 0);
  const QString path(folder);
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.back(), '\\');
  folder[0] = 'x';
  EXPECT_NE(OsTextTempPath(folder, path.size()), 0);  // no room for the terminator
  EXPECT_EQ(folder[0], 0);
}

}  // namespace
