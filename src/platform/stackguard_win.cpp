// The stack protector's guard value and the failure routines of the plug-in's
// code (built with -fstack-protector-strong and -D_FORTIFY_SOURCE=2). They
// take the place of libssp's, whose start-up asks the CryptoAPI for the guard
// and so loads crypto libraries into every host while the loader runs the
// library's start-up code; with __chk_fail here, a fortified call's check
// links without libssp's guard object, which would clash with this one.
//
// These calls go straight to KERNEL32, not through the replaceable table:
// the guard is set before any test could replace an entry, and the failure
// routines must not trust data that a smashed stack may have reached.
#include <windows.h>

#include <stdint.h>

#include "platform/stackguard.h"

extern "C" {
// Compared with the copy each protected function keeps on its stack.
uintptr_t __stack_chk_guard = (uintptr_t)0x2B992DDFA232ull;
void __stack_chk_fail(void) __attribute__((noreturn));
void __chk_fail(void) __attribute__((noreturn));
}

// Sets the guard from values that differ from process to process and run to
// run (times, ids, the counters, an address under ASLR), mixed by
// StackGuardSeed. Runs among the library's static constructors, before any of
// its protected functions; itself unprotected, since the guard changes under
// it.
__attribute__((constructor, no_stack_protector)) static void InitStackGuard(void) {
  FILETIME time;
  GetSystemTimeAsFileTime(&time);
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  StackGuardInputs in;
  in.Time = (uint64_t)time.dwHighDateTime << 32 | time.dwLowDateTime;
  in.ProcessId = GetCurrentProcessId();
  in.ThreadId = GetCurrentThreadId();
  in.Counter = (uint64_t)counter.QuadPart;
  in.Ticks = GetTickCount();
  in.Cycles = __builtin_ia32_rdtsc();
  in.StackAddress = (uintptr_t)&time;
  uintptr_t guard = (uintptr_t)StackGuardSeed(&in, sizeof(uintptr_t) * 8);
  if (guard) __stack_chk_guard = guard;
}

// Ends the process with STATUS_STACK_BUFFER_OVERRUN and never returns nor
// runs a handler: by the fail-fast interrupt with code where the system has
// it (Windows 8 and later), else by TerminateProcess (before Windows 8 the
// interrupt is an ordinary access violation, which handlers could catch and
// run on). The stack is known to be smashed here, so nothing leads out:
// should TerminateProcess return (a failing or hooked call), it is called
// again, on the current process's pseudo handle, which needs no other call.
__attribute__((always_inline, noreturn)) static inline void FailFast(unsigned code) {
  if (IsProcessorFeaturePresent(PF_FASTFAIL_AVAILABLE)) __asm__ volatile("int $0x29" : : "c"(code) : "memory");
  for (;;) TerminateProcess((HANDLE)-1, STATUS_STACK_BUFFER_OVERRUN);
}

// A protected function found its guard copy changed: the stack is smashed.
// Never returns. No suite of the plug-in reaches it, since it ends the
// process; the release tests run a program that does (docs/Security.md).
extern "C" __attribute__((noreturn)) void __stack_chk_fail(void) { FailFast(FAST_FAIL_STACK_COOKIE_CHECK_FAILURE); }

// A fortified call (__memcpy_chk and its kind) was asked to write past the
// end of a buffer of known size. Never returns; reached like
// __stack_chk_fail.
extern "C" __attribute__((noreturn)) void __chk_fail(void) { FailFast(FAST_FAIL_RANGE_CHECK_FAILURE); }
