#include "fuzz_support.h"

#include <locale.h>

#include "fakes.h"
#include "settings/settings.h"

// The wide-character classification of the C library follows the locale.
// The fake world starts reset, as every input leaves it.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  if (!setlocale(LC_ALL, "C.UTF-8")) {
    fprintf(stderr, "fuzz: the C.UTF-8 locale is not available\n");
    abort();
  }
  FakeReset();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzOne(data, size);
  if (FuzzUsesFakeWorld) FakeReset();
  return 0;
}

static_assert(QCOUNT(FlagRows) <= 32, "fuzz/fuzz_support.cpp: 32 flags at most; widen the fuzz targets' flag words");
void SetFlagsFromBits(uint32_t bits) {
  for (size_t i = 0; i < QCOUNT(FlagRows); ++i) PluginSettings.*FlagRows[i].Field = (bits >> i) & 1;
}

std::string Show(const std::u16string& text) {
  std::string shown = FakeNarrow(text.size() > 300 ? text.substr(0, 300) : text);
  if (text.size() > 300) shown += "...";
  return "'" + shown + "' (" + std::to_string(text.size()) + " units)";
}
