// The stack guard's mixing: a change of any bit of any input changes about
// half of the guard's bits, on both pointer widths, so that no input is lost
// and none cancels another.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/stackguard.h"

namespace {

// The inputs as one row of 64-bit fields with their widths, so that each
// bit of each can be flipped in turn.
struct Field {
  const char* name;
  unsigned bits;
  void (*flip)(StackGuardInputs*, unsigned);
};
const Field kFields[] = {
    {"Time", 64, [](StackGuardInputs* in, unsigned b) { in->Time ^= 1ull << b; }},
    {"ProcessId", 32, [](StackGuardInputs* in, unsigned b) { in->ProcessId ^= 1u << b; }},
    {"ThreadId", 32, [](StackGuardInputs* in, unsigned b) { in->ThreadId ^= 1u << b; }},
    {"Counter", 64, [](StackGuardInputs* in, unsigned b) { in->Counter ^= 1ull << b; }},
    {"Ticks", 32, [](StackGuardInputs* in, unsigned b) { in->Ticks ^= 1u << b; }},
    {"Cycles", 64, [](StackGuardInputs* in, unsigned b) { in->Cycles ^= 1ull << b; }},
    {"StackAddress", 64, [](StackGuardInputs* in, unsigned b) { in->StackAddress ^= 1ull << b; }},
};

// Over 300 random inputs, flipping each input bit changes on average between
// 45% and 55% of the guard's bits, and each guard bit between 30% and 70% of
// the time (the bounds lie more than six standard deviations from one half).
TEST(StackGuard, EveryInputBitChangesHalfTheGuard) {
  const int kSamples = 300;
  std::mt19937_64 random(26);
  std::vector<StackGuardInputs> samples(kSamples);
  for (StackGuardInputs& in : samples)
    in = {random(), (uint32_t)random(), (uint32_t)random(), random(), (uint32_t)random(), random(), random()};
  for (unsigned width : {32u, 64u}) {
    for (const Field& field : kFields) {
      for (unsigned bit = 0; bit < field.bits; bit++) {
        int changed[64] = {};
        for (const StackGuardInputs& in : samples) {
          StackGuardInputs flipped = in;
          field.flip(&flipped, bit);
          uint64_t diff = StackGuardSeed(&in, width) ^ StackGuardSeed(&flipped, width);
          for (unsigned out = 0; out < width; out++) changed[out] += (int)(diff >> out & 1);
        }
        int total = 0;
        for (unsigned out = 0; out < width; out++) {
          total += changed[out];
          ASSERT_GE(changed[out], kSamples * 3 / 10) << field.name << " bit " << bit << ", guard bit " << out;
          ASSERT_LE(changed[out], kSamples * 7 / 10) << field.name << " bit " << bit << ", guard bit " << out;
        }
        double share = (double)total / (kSamples * width);
        ASSERT_GT(share, 0.45) << field.name << " bit " << bit << " on " << width << " bits";
        ASSERT_LT(share, 0.55) << field.name << " bit " << bit << " on " << width << " bits";
      }
    }
    // The fold leaves nothing above the width.
    EXPECT_EQ(StackGuardSeed(&samples[0], width) >> (width - 1) >> 1, 0u);
  }
}

}  // namespace
