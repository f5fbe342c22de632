// The stack guard's value, made from its inputs by a pure function, so that
// its mixing can be judged apart from the system calls that gather them
// (stackguard_win.cpp gathers them; the native tests judge the mixing).
#pragma once

#include <stdint.h>

// What the guard is made from: values that differ from process to process
// and from run to run, or that ASLR moves.
struct StackGuardInputs {
  uint64_t Time;          // the system time, 100 ns units
  uint32_t ProcessId;
  uint32_t ThreadId;
  uint64_t Counter;       // the performance counter, all 64 bits
  uint32_t Ticks;         // milliseconds since the system started
  uint64_t Cycles;        // the processor's time-stamp counter
  uint64_t StackAddress;  // an address on the starting thread's stack
};

// splitmix64's finaliser: a bijection of 64 bits in which each input bit
// changes each output bit with a probability close to one half.
static inline uint64_t StackGuardFinish(uint64_t x) {
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// One more input taken into the running value h: the next finaliser step
// spreads every bit of it over all 64 bits.
static inline uint64_t StackGuardAbsorb(uint64_t h, uint64_t input) {
  return StackGuardFinish((h + 0x9E3779B97F4A7C15ull) ^ input);
}

// The guard for a pointer of `bits` bits (32 or 64): every input absorbed in
// turn, then the 64-bit value folded to the width, so that no input cancels
// another and a change of any input bit changes about half of the guard's
// bits. May be 0; the caller keeps its old guard then.
static inline uint64_t StackGuardSeed(const StackGuardInputs* in, unsigned bits) {
  uint64_t h = StackGuardAbsorb(0, in->Time);
  h = StackGuardAbsorb(h, (uint64_t)in->ProcessId << 32 | in->ThreadId);
  h = StackGuardAbsorb(h, in->Counter);
  h = StackGuardAbsorb(h, in->Ticks);
  h = StackGuardAbsorb(h, in->Cycles);
  h = StackGuardAbsorb(h, in->StackAddress);
  return bits >= 64 ? h : (uint32_t)(h ^ (h >> 32));
}
