// In-memory stand-ins for the host services (platform/host.h) and the platform
// layer (platform/os.h, os_dns.h, os_textsource.h), so that the platform-free
// code runs natively. Tests and fuzz targets arrange the world through Fake
// and read back what the code did. FakeReset() returns everything to its
// start: no files, an empty registry, the quiet host variables, nothing
// captured, no failures armed.
#pragma once

#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include "common/qchar.h"

// Standard-error handle the fake hands out (any non-null value will do).
#define FAKE_STDERR ((QHandle)(uintptr_t)0x5E)

struct FakeRegValue {
  uint32_t Type;
  std::vector<uint8_t> Data;
  bool operator==(const FakeRegValue& o) const { return Type == o.Type && Data == o.Data; }
};

// The sections of a DNS answer that a record list may hold records of.
enum { FAKE_DNS_ANSWER = 1, FAKE_DNS_AUTHORITY = 2, FAKE_DNS_ADDITIONAL = 3 };

// One record of a list: its section, its type and, for an MX record, its
// exchange host (none when HasHost is 0).
struct FakeDnsRecord {
  unsigned Section;
  unsigned Type;
  int HasHost;
  std::u16string Host;
};

// What the resolver gives for a name: its status and the records of the list
// (no list when there are none).
struct FakeMxAnswer {
  long Status;
  std::vector<FakeDnsRecord> Records;
};

struct FakeWorld {
  // ---- host services
  std::u16string Out, Err;  // what Printf/QPuts/CrLf and Qprintf wrote
  size_t CaptureLimit;      // units kept of each (later output is counted only)
  size_t OutDropped, ErrDropped;
  // Host variables by exact name; an unknown variable expands to nothing.
  std::map<std::u16string, std::u16string> Variables;

  // ---- registry: keys by "HKCU\path" or "HKLM\path" (looked up without
  // copying the name)
  std::map<std::u16string, std::map<std::u16string, FakeRegValue, std::less<>>, std::less<>> Registry;
  long FailRegOpen, FailRegCreate, FailRegQuery, FailRegSet;  // nonzero: returned as the error
  int OpenKeys;    // keys opened and not yet closed
  int RegCreates;  // keys created or opened for writing since the reset
  int RegWrites;   // values written since the reset

  // ---- module and message boxes
  std::u16string ModulePath;  // what OsModuleFileName reports; empty fails
  std::vector<std::u16string> MessageBoxes;  // "caption|text" of every box shown

  // ---- DNS
  std::u16string NetMissing;  // what OsNetLoad reports missing; empty: ready
  int NetConnected;
  std::map<std::u16string, FakeMxAnswer> Dns;  // a name without an entry gets no list ...
  int DnsAnswerEveryName;                       // ... unless this is set: then it gets
  FakeMxAnswer DnsEveryName;                    // this answer
  long DnsStatus;  // the status for a name without an answer (9003, no such name, at reset)
  int DnsLists;  // record lists handed out and not yet freed
  int DnsQueries;       // queries since the reset
  long DnsLastStatus;   // the status the last one returned

  // ---- text source platform
  std::map<std::u16string, std::vector<uint8_t>> Files;  // by exact path
  int HaveStdInput;                 // standard input exists
  int StdInputIsConsole;            // ... and is a console (else a pipe)
  std::vector<uint8_t> StdInput;    // what standard input delivers
  size_t StdInputRead;              // bytes of it delivered so far
  std::u16string ConsolePrompts;    // what was written to the console screen
  int ClipboardOpens;               // OsTextOpenClipboard succeeds
  int HaveClipboardText;            // the clipboard holds Unicode text
  std::vector<qchar> ClipboardText; // its memory block, as stored (terminator optional)
  int ClipboardOpen;                // the clipboard is open now
  uint32_t AnsiCodePage, UserLocale;
  std::u16string TempFolder;        // ends in a backslash; empty: none can be found
  uint32_t ProcessId;               // what OsTextProcessId reports
  long AllocFailAt;   // the n-th allocation from now fails (1 = the next); 0 never
  long Allocations;   // reader allocations not yet freed
  int LiveHandles;    // file, pipe, mapping handles not yet closed
  int LiveViews;      // views not yet unmapped
};

extern FakeWorld Fake;

void FakeReset(void);

// Registry key name as the fake stores it ("HKCU\..." / "HKLM\...").
std::u16string FakeKeyName(QHandle root, const std::u16string& path);

// Conversions for readable test failures.
std::string FakeNarrow(const std::u16string& text);
std::u16string FakeWide(const std::string& ascii);
