// The stack protector's guard value and its failure routine for the
// plug-in's code (built with -fstack-protector-strong). They take the place
// of libssp's, whose start-up asks the CryptoAPI for the guard and so loads
// crypto libraries into every host while the loader runs the library's
// start-up code.
//
// These calls go straight to KERNEL32, not through the replaceable table:
// the guard is set before any test could replace an entry, and the failure
// routine must not trust data that a smashed stack may have reached.
#include <windows.h>

#include <stdint.h>

extern "C" {
// Compared with the copy each protected function keeps on its stack.
uintptr_t __stack_chk_guard = (uintptr_t)0x2B992DDFA232ull;
void __stack_chk_fail(void) __attribute__((noreturn));
}

// Sets the guard from values that differ from process to process and run to
// run (times, ids, the counter, an address under ASLR), the way the system's
// own compilers seed theirs. Runs among the library's static constructors,
// before any of its protected functions; itself unprotected, since the guard
// changes under it.
__attribute__((constructor, no_stack_protector)) static void InitStackGuard(void) {
  FILETIME time;
  GetSystemTimeAsFileTime(&time);
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  uint64_t v = ((uint64_t)time.dwHighDateTime << 32 | time.dwLowDateTime);
  v ^= (uint64_t)GetCurrentProcessId() << 32 ^ GetCurrentThreadId();
  v ^= (uint64_t)counter.QuadPart ^ ((uint64_t)counter.QuadPart << 32);
  v ^= (uint64_t)GetTickCount() * 0x9E3779B97F4A7C15ull;
  v ^= (uint64_t)(uintptr_t)&time;
  uintptr_t guard = (uintptr_t)(v ^ (v >> 32));
  if (guard) __stack_chk_guard = guard;
}

// A protected function found its guard copy changed: the stack is smashed,
// so the process ends at once, without running any handler, the way the
// system reports a smashed stack (__fastfail with
// FAST_FAIL_STACK_COOKIE_CHECK_FAILURE; where that instruction is unknown,
// the process is ended with STATUS_STACK_BUFFER_OVERRUN). No suite reaches
// it, since it ends the process; docs/Security.md records a run that did.
extern "C" void __stack_chk_fail(void) {
  __asm__ volatile("int $0x29" : : "c"(2) : "memory");
  TerminateProcess(GetCurrentProcess(), 0xC0000409u);
  __builtin_unreachable();
}
