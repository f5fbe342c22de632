#!/usr/bin/env python3
"""Checks the mitigations and the make-up of both libraries in the release
package, as Windows' binary checks look at them (docs/Security.md):

- ASLR: a relocatable image (relocations kept, DYNAMIC_BASE), on x64 with
  HIGH_ENTROPY_VA; NX (NX_COMPAT);
- stack cookies: the routine that reports a smashed stack is linked in and
  called from many places (each protected function calls it); the failure
  routines' check for fail-fast (IsProcessorFeaturePresent) and their
  fallback (TerminateProcess) imported from KERNEL32; after the interrupt
  each routine loops on itself, with no way out;
- x86: NO_SEH, no code that touches the SEH chain (fs:[0]) and no import
  of a frame-based handler;
- no section both writable and executable, none shared and writable;
- no time stamps (file header, exports, resources, imports), no debug data
  (debug directory, symbols, .debug sections);
- the version resource with the build's version;
- imports of the system libraries and TakeCmd.dll only, and neither DNSAPI
  nor WinINet (the MX rule loads those itself, on first use), nor the
  CryptoAPI (the stack guard is seeded without it).

It also reports, without failing, the mitigations not shipped yet: Control
Flow Guard and CET shadow-stack compatibility.

The disassembly comes from the MinGW-w64 objdump of each platform
(i686-w64-mingw32-objdump, x86_64-w64-mingw32-objdump) found in PATH.

usage: check_pe.py VERSION ZIP      (VERSION as in 0.36.0.1)
"""
import re
import subprocess
import sys
import tempfile
import zipfile

import pefile

LIBRARIES = {"Quorvel-x86.dll": 0x14C, "Quorvel-x64.dll": 0x8664}
OBJDUMP = {0x14C: "i686-w64-mingw32-objdump", 0x8664: "x86_64-w64-mingw32-objdump"}
SYSTEM_DLLS = {"KERNEL32.DLL", "USER32.DLL", "ADVAPI32.DLL", "MSVCRT.DLL"}
HOST_DLL = "TAKECMD.DLL"
LOADED_ON_FIRST_USE = {"DNSAPI.DLL", "WININET.DLL"}
# Frame-based exception handlers of the Microsoft runtimes; importing one
# means the code registers SEH frames.
SEH_HANDLERS = re.compile(rb"^(_except_handler\d|_except_handler4_common|__C_specific_handler|"
                          rb"__CxxFrameHandler\d?|_EH_prolog)$")
# What the failure routines call, from KERNEL32.
FAIL_FAST_CALLS = ("IsProcessorFeaturePresent", "TerminateProcess")
# Fewer call sites of the report than this: most functions unprotected.
MIN_PROTECTED = 10

DLLC = pefile.DLL_CHARACTERISTICS
SCN = pefile.SECTION_CHARACTERISTICS


def section_name(pe, section):
    """The section's name, long names (/N) read from the string table."""
    name = section.Name.rstrip(b"\0").decode("ascii", "replace")
    if name.startswith("/") and name[1:].isdigit() and pe.FILE_HEADER.PointerToSymbolTable:
        strings = pe.FILE_HEADER.PointerToSymbolTable + 18 * pe.FILE_HEADER.NumberOfSymbols
        start = strings + int(name[1:])
        end = pe.__data__.find(b"\0", start)
        name = pe.__data__[start:end].decode("ascii", "replace")
    return name


def disassemble(machine, data):
    """(address, instruction text) of every instruction in the code sections."""
    with tempfile.NamedTemporaryFile(suffix=".dll") as f:
        f.write(data)
        f.flush()
        out = subprocess.run([OBJDUMP[machine], "-d", "--no-show-raw-insn", f.name],
                             check=True, capture_output=True, text=True).stdout
    lines = []
    for line in out.splitlines():
        m = re.match(r"^\s*([0-9a-f]+):\s+(.*)$", line)
        if m:
            lines.append((int(m.group(1), 16), m.group(2)))
    return lines


def call_targets(code):
    """{address called: [addresses of the calls]} of every direct call."""
    calls = {}
    for address, text in code:
        m = re.match(r"call\s+(?:0x)?([0-9a-f]+)\b", text)
        if m:
            calls.setdefault(int(m.group(1), 16), []).append(address)
    return calls


def failure_exits(code):
    """The number of failure routines, and what leads out of them: one text
    per routine that has a way out. After its fail-fast interrupt (taken only
    where the system has fail-fast) a routine must end in a loop that calls
    TerminateProcess again and again: walking on from the interrupt, a jump back to an address after
    it closes the loop; a return, any other jump, another routine's
    interrupt or the start of a called function (falling into the code after
    the routine) is a way out."""
    targets = call_targets(code)
    problems, routines = [], 0
    for i, (raised, text) in enumerate(code):
        if not re.match(r"int\s+\$0x29\b", text):
            continue
        routines += 1
        for address, text in code[i + 1:]:
            jump = re.match(r"jmp[lq]?\s+(\*)?(?:0x)?([0-9a-f]*)", text)
            if address in targets or re.match(r"int\s+\$0x29\b", text):
                problems.append(f"the routine at 0x{raised:x} runs on into the code at 0x{address:x}")
            elif re.match(r"ret[lqw]?\b", text):
                problems.append(f"the routine at 0x{raised:x} returns at 0x{address:x}")
            elif jump and (jump.group(1) or not raised < int(jump.group(2) or "0", 16) <= address):
                problems.append(f"the routine at 0x{raised:x} jumps out at 0x{address:x}")
            elif not jump:
                continue
            break
        else:
            problems.append(f"the routine at 0x{raised:x} runs off the end of the code")
    return routines, problems


def stack_cookies(code):
    """(None, number of call sites) when the routine that ends the process on
    a smashed stack is called from at least MIN_PROTECTED places, else (what
    is missing, 0). The failure routines are the ones that raise the
    fail-fast interrupt (int 0x29, as the system's compilers do on a smashed
    stack): the stack cookies' report and the fortified calls' one; the
    cookies' is the one called from most places."""
    calls = call_targets(code)
    raises = [a for a, text in code if re.match(r"int\s+\$0x29\b", text)]
    if not raises:
        return "no stack-smashing report linked in (not built with -fstack-protector-strong?)", 0
    # Each raise belongs to the nearest call target at or before it.
    routines = {max((t for t in calls if t <= r), default=None) for r in raises}
    sites = max((len(calls[t]) for t in routines if t is not None), default=0)
    if not sites:
        return "the stack-smashing report is never called", 0
    if sites < MIN_PROTECTED:
        return f"the stack-smashing report is called from {sites} places only", 0
    return None, sites


def check(name, data, version):
    """The failures of one library, and notes (figures, what is not shipped yet)."""
    failures, notes = [], []
    pe = pefile.PE(data=data)
    machine = pe.FILE_HEADER.Machine
    if machine != LIBRARIES[name]:
        return [f"machine 0x{machine:x}, not 0x{LIBRARIES[name]:x}"], notes
    oh = pe.OPTIONAL_HEADER
    dirs = oh.DATA_DIRECTORY

    def flag(bit):
        """Whether the DLL characteristic named bit is set."""
        return oh.DllCharacteristics & DLLC[bit]

    # ASLR and NX.
    if not flag("IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE"):
        failures.append("ASLR: DYNAMIC_BASE not set")
    reloc = dirs[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]]
    if pe.FILE_HEADER.Characteristics & 0x0001 or not reloc.Size:
        failures.append("ASLR: relocations stripped")
    if machine == 0x8664 and not flag("IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA"):
        failures.append("high-entropy ASLR: HIGH_ENTROPY_VA not set")
    if not flag("IMAGE_DLLCHARACTERISTICS_NX_COMPAT"):
        failures.append("NX: NX_COMPAT not set")

    code = disassemble(machine, data)
    problem, protected = stack_cookies(code)
    if problem:
        failures.append("stack cookies: " + problem)
    else:
        notes.append(f"stack cookies checked in {protected} places")
    routines, exits = failure_exits(code)
    failures += ["failure routines: " + p for p in exits]
    if routines and not exits:
        notes.append(f"no way out of its {routines} failure routines")

    imports = list(getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])) + list(getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", []))

    # No SEH on x86.
    if machine == 0x14C:
        if not flag("IMAGE_DLLCHARACTERISTICS_NO_SEH"):
            failures.append("SEH: NO_SEH not set")
        # fs:[0] heads the thread's chain of SEH frames; only code that
        # registers or walks frames touches it.
        chain = [a for a, text in code if re.search(r"%fs:0x0(?![0-9a-fx])", text)]
        if chain:
            failures.append("SEH: fs:[0] used at " + ", ".join(f"0x{a:x}" for a in chain[:5]))
        handlers = [i.name.decode() for e in imports for i in e.imports if i.name and SEH_HANDLERS.match(i.name)]
        if handlers:
            failures.append("SEH: imports " + ", ".join(handlers))

    # Sections.
    for s in pe.sections:
        c = s.Characteristics
        if c & SCN["IMAGE_SCN_MEM_WRITE"] and c & SCN["IMAGE_SCN_MEM_EXECUTE"]:
            failures.append(f"section {section_name(pe, s)} is writable and executable")
        if c & SCN["IMAGE_SCN_MEM_WRITE"] and c & SCN["IMAGE_SCN_MEM_SHARED"]:
            failures.append(f"section {section_name(pe, s)} is shared and writable")

    # Time stamps and debug data.
    stamps = [("file header", pe.FILE_HEADER.TimeDateStamp)]
    if hasattr(pe, "DIRECTORY_ENTRY_EXPORT"):
        stamps.append(("exports", pe.DIRECTORY_ENTRY_EXPORT.struct.TimeDateStamp))
    if hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        stamps.append(("resources", pe.DIRECTORY_ENTRY_RESOURCE.struct.TimeDateStamp))
    stamps += [(f"imports of {e.dll.decode()}", e.struct.TimeDateStamp)
               for e in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])]
    failures += [f"time stamp in the {where}: {value}" for where, value in stamps if value]
    if dirs[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_DEBUG"]].Size:
        failures.append("debug directory present")
    if pe.FILE_HEADER.NumberOfSymbols:
        failures.append(f"{pe.FILE_HEADER.NumberOfSymbols} symbols")
    failures += [f"debug section {section_name(pe, s)}" for s in pe.sections
                 if section_name(pe, s).startswith(".debug")]

    # Version resource.
    fixed = getattr(pe, "VS_FIXEDFILEINFO", None)
    if not fixed:
        failures.append("no version resource")
    else:
        f = fixed[0]
        found = f"{f.FileVersionMS >> 16}.{f.FileVersionMS & 0xFFFF}.{f.FileVersionLS >> 16}.{f.FileVersionLS & 0xFFFF}"
        if found != version:
            failures.append(f"version resource says {found}, not {version}")

    # Imports.
    for e in imports:
        dll = e.dll.decode("ascii", "replace")
        if dll.upper() in LOADED_ON_FIRST_USE:
            failures.append(f"imports {dll} (to be loaded on first use only)")
        elif dll.upper() not in SYSTEM_DLLS and dll.upper() != HOST_DLL:
            failures.append(f"imports {dll}, neither a system library nor the host")
        # The CryptoAPI is what libssp's start-up seeds its guard with, loading
        # crypto libraries while the loader runs; the plug-in seeds its own.
        crypto = [i.name.decode() for i in e.imports if i.name and i.name.startswith(b"Crypt")]
        if crypto:
            failures.append(f"imports {', '.join(crypto)} from {dll} (the stack guard's start-up)")

    # The failure routines raise the interrupt only where the system reports
    # fail-fast, and end the process themselves elsewhere (before Windows 8).
    kernel = {i.name.decode() for e in imports if e.dll.decode("ascii", "replace").upper() == "KERNEL32.DLL"
              for i in e.imports if i.name}
    failures += [f"does not import {f} (the failure routines' check of fail-fast and its fallback)"
                 for f in FAIL_FAST_CALLS if f not in kernel]

    # Not shipped yet: reported only.
    if not hasattr(pe, "DIRECTORY_ENTRY_LOAD_CONFIG"):
        notes.append("not yet: Control Flow Guard (no load configuration)")
    elif not flag("IMAGE_DLLCHARACTERISTICS_GUARD_CF"):
        notes.append("not yet: Control Flow Guard (GUARD_CF not set)")
    if not dirs[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_DEBUG"]].Size:
        notes.append("not yet: CET shadow-stack compatibility (no debug directory to hold it)")
    return failures, notes


def main():
    """Checks both libraries of the package; exit status 1 if any fails."""
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip().splitlines()[-1])
    version, package = sys.argv[1], sys.argv[2]
    status = 0
    with zipfile.ZipFile(package) as z:
        for name in LIBRARIES:
            failures, notes = check(name, z.read(name), version)
            for failure in failures:
                print(f"{name}: FAIL: {failure}")
            print(f"{name}: {'ok' if not failures else 'failed'}; {'; '.join(notes)}")
            status |= bool(failures)
    sys.exit(status)


if __name__ == "__main__":
    main()
