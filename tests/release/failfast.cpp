// What an overrun does in a program built like the plug-in (its compiler
// flags, its stack guard and failure routines): the process ends at once
// with STATUS_STACK_BUFFER_OVERRUN (0xC0000409), runs no exception handler
// and writes nothing more.
//
// Run without arguments, it starts itself once for each case of kCases, with
// a pipe for its output, and checks the exit status and the output of each
// child. The overruns:
//   cookie      a local array overrun through a pointer the compiler cannot
//               follow: the function's stack cookie trips on return
//   fortify     memcpy into an 8-byte array with a length known only at run
//               time: the fortified call's check trips before the copy
// each on a system with the fail-fast interrupt, on one without it (before
// Windows 8: the failure routine asks IsProcessorFeaturePresent, which says
// no here, and ends the process with TerminateProcess), and without it where
// the first TerminateProcess fails and returns (the routine must call it
// again, and neither return nor fall into the code after it).
// The two system calls of the failure routines reach stand-ins here (their
// import entries are defined below), which report and pass on to the system.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

namespace {

// One child's overrun, the system it finds, and what it must write.
struct Case {
  const char* name;
  bool fortify;         // the fortified memcpy, else the smashed cookie
  bool noFastFail;      // IsProcessorFeaturePresent says no for fail-fast
  bool refuseOnce;      // the first TerminateProcess returns FALSE
  const char* output;   // all it writes; it must end with 0xC0000409
};
#define NO_FF "overrun next\nno fail-fast\n"
#define END "TerminateProcess(self, 0xC0000409)\n"
const Case kCases[] = {
    {"cookie", false, false, false, "overrun next\n"},
    {"fortify", true, false, false, "overrun next\n"},
    {"cookie, no fail-fast", false, true, false, NO_FF END},
    {"fortify, no fail-fast", true, true, false, NO_FF END},
    {"cookie, no fail-fast, TerminateProcess fails once", false, true, true, NO_FF "refused: " END END},
    {"fortify, no fail-fast, TerminateProcess fails once", true, true, true, NO_FF "refused: " END END},
};
#undef NO_FF
#undef END

const Case* g_case;  // the child's case
bool g_refused;      // the child's TerminateProcess has failed once

// Writes text to standard output at once, without the C library's buffer.
void Say(const char* text) {
  DWORD n;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, (DWORD)strlen(text), &n, nullptr);
}

FARPROC Kernel32(const char* name) { return GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name); }

// The failure routines' TerminateProcess: says whom it ends with which
// status, then ends it; the first time, in a case that refuses once, says so
// and returns FALSE instead.
BOOL WINAPI TerminateForTest(HANDLE process, UINT code) {
  bool refuse = g_case && g_case->refuseOnce && !g_refused;
  g_refused = g_refused || refuse;
  char line[80];
  snprintf(line, sizeof line, "%sTerminateProcess(%s, 0x%X)\n", refuse ? "refused: " : "",
           process == GetCurrentProcess() ? "self" : "other", code);
  Say(line);
  if (refuse) return FALSE;
  return reinterpret_cast<BOOL(WINAPI*)(HANDLE, UINT)>(reinterpret_cast<void*>(Kernel32("TerminateProcess")))(
      process, code);
}

// Says so if any exception handler is ever run.
LONG WINAPI Handler(EXCEPTION_POINTERS* e) {
  char line[64];
  snprintf(line, sizeof line, "handler ran: 0x%lX\n", (unsigned long)e->ExceptionRecord->ExceptionCode);
  Say(line);
  return EXCEPTION_CONTINUE_SEARCH;
}

// Writes n bytes into an 8-byte array; its cookie is checked on return.
__attribute__((noinline)) void SmashCookie(size_t n) {
  char buffer[8];
  volatile char* p = buffer;  // every store made, none checked
  for (size_t i = 0; i < n; i++) p[i] = 'x';
}

// Copies n bytes into an 8-byte array through the fortified memcpy.
__attribute__((noinline)) void OverrunCopy(const char* source, size_t n) {
  char buffer[8];
  memcpy(buffer, source, n);
  Say(buffer[0] ? "" : " ");
}

// Runs this program with the case's index; its exit status and output.
DWORD RunChild(int index, std::string* out) {
  wchar_t self[MAX_PATH], line[MAX_PATH + 32];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  swprintf(line, MAX_PATH + 32, L"\"%ls\" %d", self, index);
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE read, write;
  CreatePipe(&read, &write, &inherit, 0);
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = si.hStdError = write;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi;
  if (!CreateProcessW(self, line, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return 0;
  CloseHandle(write);
  char chunk[256];
  DWORD n;
  while (ReadFile(read, chunk, sizeof chunk, &n, nullptr) && n) out->append(chunk, n);
  CloseHandle(read);
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(pi.hProcess, &status);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return status;
}

}  // namespace

// The stand-ins of the failure routines' two system calls. MinGW-w64's
// header declares IsProcessorFeaturePresent as an ordinary function, called
// through the import library's stub, so the program's own definition takes
// its place; TerminateProcess is declared imported, so its import entry is
// defined here.
extern "C" BOOL WINAPI IsProcessorFeaturePresent(DWORD feature) {
  if (g_case && g_case->noFastFail && feature == PF_FASTFAIL_AVAILABLE) {
    Say("no fail-fast\n");
    return FALSE;
  }
  return reinterpret_cast<BOOL(WINAPI*)(DWORD)>(reinterpret_cast<void*>(Kernel32("IsProcessorFeaturePresent")))(feature);
}
#ifdef _WIN64
#define IMPORT_ENTRY(name, bytes) "__imp_" name
#else
#define IMPORT_ENTRY(name, bytes) "__imp__" name "@" bytes
#endif
extern "C" {
const void* ImportTerminate __asm__(IMPORT_ENTRY("TerminateProcess", "8")) = (const void*)TerminateForTest;
}

int main(int argc, char** argv) {
  const int count = (int)(sizeof kCases / sizeof kCases[0]);
  if (argc == 2) {
    int index = atoi(argv[1]);
    if (index < 0 || index >= count) return 2;
    AddVectoredExceptionHandler(1, Handler);
    char source[64];
    memset(source, 'y', sizeof source);
    Say("overrun next\n");
    g_case = &kCases[index];
    if (g_case->fortify)
      OverrunCopy(source, (size_t)atoi("64"));
    else
      SmashCookie((size_t)atoi("64"));
    Say("still running\n");
    return 0;
  }
  int failed = 0;
  for (int i = 0; i < count; i++) {
    std::string out;
    DWORD status = RunChild(i, &out);
    bool ok = status == STATUS_STACK_BUFFER_OVERRUN && out == kCases[i].output;
    printf("%s: %s: exit status 0x%lX, output \"%s\"\n", ok ? "ok" : "FAIL", kCases[i].name, (unsigned long)status,
           out.c_str());
    failed += !ok;
  }
  return failed ? 1 : 0;
}
