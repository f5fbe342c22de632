// Test runner of the native build: selects a UTF-8 locale (the wide
// character classification of the C library follows it) and gives every test
// a fresh fake world and the plug-in's flags at their defaults.
#include <gtest/gtest.h>
#include <locale.h>
#include <stdio.h>

#include "fakes.h"
#include "settings/settings.h"

namespace {

class FreshWorld : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override {
    FakeReset();
    RestoreDefaults();
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (!setlocale(LC_ALL, "C.UTF-8")) {
    fprintf(stderr, "native_tests: the C.UTF-8 locale is not available\n");
    return 1;
  }
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new FreshWorld);
  return RUN_ALL_TESTS();
}
