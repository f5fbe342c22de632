#!/usr/bin/env python3
"""Generates the code-page tables of the text source reader.

Writes src/textsource/codepage_tables.cpp (or the path given as the first
argument): the 24 single-byte ANSI tables (bytes 0x80-0xFF) and the 10 EBCDIC
tables (all 256 bytes, code pages 1140-1149), each byte decoded on its own by
the system's iconv (glibc), except two pages taken from Python's codecs:
720, which glibc lacks, and 10000 (Mac Roman), where glibc's MACINTOSH keeps
the old mapping of bytes 0xC6 (U+0394) and 0xF0 (U+E01E, private use) while
the published table and Windows give U+2206 and U+F8FF.

Rules applied on top of the published mappings:
- a byte that the code page leaves undefined maps to U+FFFD;
- in the EBCDIC tables every byte whose mapping is a C1 control (U+0080 to
  U+009F) other than NEL (U+0085) maps to U+FFFD, and so do the bytes of
  EBCDIC_UNUSED in every table.

Usage: gen_codepages.py [output.cpp]
"""

import ctypes
import ctypes.util
import os
import sys

# (code page, converter): a glibc iconv name, or "py:" and a Python codec.
ANSI_PAGES = [
    (1252, "CP1252"), (1250, "CP1250"), (1251, "CP1251"), (1253, "CP1253"),
    (1254, "CP1254"), (1255, "CP1255"), (1256, "CP1256"), (1257, "CP1257"),
    (1258, "CP1258"), (437, "IBM437"), (720, "py:cp720"), (737, "CP737"),
    (775, "IBM775"), (850, "IBM850"), (852, "IBM852"), (855, "IBM855"),
    (857, "IBM857"), (858, "IBM858"), (862, "IBM862"), (866, "IBM866"),
    (874, "WINDOWS-874"), (10000, "py:mac_roman"), (20866, "KOI8-R"),
    (21866, "KOI8-U"),
]
EBCDIC_PAGES = [(1140 + i, "IBM%d" % (1140 + i)) for i in range(10)]

# EBCDIC bytes that map to U+FFFD in every table whatever the code page says.
EBCDIC_UNUSED = ([0x04, 0x06, 0x08, 0x09, 0x0A, 0x14, 0x17, 0x1A, 0x1B]
                 + list(range(0x20, 0x25)) + list(range(0x28, 0x2D))
                 + [0x30, 0x31] + list(range(0x33, 0x37))
                 + list(range(0x38, 0x3C)) + [0x3E, 0xFF])

REPLACEMENT = 0xFFFD


class Iconv:
    """Decodes single bytes with glibc's iconv (to UTF-32LE)."""

    def __init__(self):
        libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
        self.open = libc.iconv_open
        self.open.restype = ctypes.c_void_p
        self.open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
        self.conv = libc.iconv
        self.conv.restype = ctypes.c_size_t
        self.conv.argtypes = [ctypes.c_void_p,
                              ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t),
                              ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t)]
        self.close = libc.iconv_close
        self.close.argtypes = [ctypes.c_void_p]

    def decode_byte(self, name, byte):
        """The code points iconv gives for one byte (a list), or None."""
        cd = self.open(b"UTF-32LE", name.encode())
        if cd in (None, ctypes.c_void_p(-1).value):
            raise SystemExit("iconv cannot convert from %s" % name)
        try:
            src = ctypes.create_string_buffer(bytes([byte]), 1)
            out = ctypes.create_string_buffer(64)
            inp = ctypes.c_char_p(ctypes.addressof(src))
            inleft = ctypes.c_size_t(1)
            outp = ctypes.c_char_p(ctypes.addressof(out))
            outleft = ctypes.c_size_t(64)
            if self.conv(cd, ctypes.byref(inp), ctypes.byref(inleft),
                         ctypes.byref(outp), ctypes.byref(outleft)) == ctypes.c_size_t(-1).value:
                return None
            # Converters that compose combining marks (CP1255, CP1258) hold the
            # last character back until the end of the input.
            if self.conv(cd, None, None, ctypes.byref(outp), ctypes.byref(outleft)) \
                    == ctypes.c_size_t(-1).value:
                return None
            data = out.raw[:64 - outleft.value]
            return [int.from_bytes(data[i:i + 4], "little") for i in range(0, len(data), 4)]
        finally:
            self.close(cd)


def decode_byte(iconv, converter, byte):
    """The single BMP code point of byte, or REPLACEMENT when undefined."""
    if converter.startswith("py:"):
        try:
            text = bytes([byte]).decode(converter[3:])
        except UnicodeDecodeError:
            return REPLACEMENT
        points = [ord(c) for c in text]
    else:
        points = iconv.decode_byte(converter, byte)
    if not points or len(points) != 1 or points[0] > 0xFFFF:
        return REPLACEMENT
    return points[0]


def ansi_row(iconv, converter):
    return [decode_byte(iconv, converter, b) for b in range(0x80, 0x100)]


def ebcdic_row(iconv, converter):
    row = []
    for b in range(256):
        u = decode_byte(iconv, converter, b)
        if 0x80 <= u <= 0x9F and u != 0x85:
            u = REPLACEMENT
        if b in EBCDIC_UNUSED:
            u = REPLACEMENT
        row.append(u)
    return row


def format_row(values):
    lines = []
    for i in range(0, len(values), 8):
        lines.append("     " + " ".join("0x%04X," % v for v in values[i:i + 8]))
    return "\n".join(lines)


def generate():
    iconv = Iconv()
    out = []
    out.append("// Generated by tools/gen_codepages.py from the system's iconv (glibc) and")
    out.append("// Python's codecs (code pages 720 and 10000). Do not edit: change the")
    out.append("// script and run  python3 tools/gen_codepages.py")
    out.append("//")
    out.append("// Undefined bytes map to U+FFFD; in the EBCDIC tables so do the C1 controls")
    out.append("// other than NEL and the bytes that no EBCDIC text of this reader uses.")
    out.append("#include \"textsource/textsource.h\"")
    out.append("")
    out.append("const uint16_t AnsiCodePages[ANSI_TABLE_COUNT] = {")
    out.append("    " + ", ".join(str(cp) for cp, _ in ANSI_PAGES) + ",")
    out.append("};")
    out.append("")
    out.append("const uint16_t AnsiTables[ANSI_TABLE_COUNT][128] = {")
    for cp, conv in ANSI_PAGES:
        out.append("    {  // %d (%s)" % (cp, conv.replace("py:", "Python ")))
        out.append(format_row(ansi_row(iconv, conv)))
        out.append("    },")
    out.append("};")
    out.append("")
    out.append("const uint16_t EbcdicCodePages[EBCDIC_TABLE_COUNT] = {")
    out.append("    " + ", ".join(str(cp) for cp, _ in EBCDIC_PAGES) + ",")
    out.append("};")
    out.append("")
    out.append("const uint16_t EbcdicTables[EBCDIC_TABLE_COUNT][256] = {")
    for cp, conv in EBCDIC_PAGES:
        out.append("    {  // %d (%s)" % (cp, conv))
        out.append(format_row(ebcdic_row(iconv, conv)))
        out.append("    },")
    out.append("};")
    return "\n".join(out) + "\n"


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else \
        os.path.join(here, "..", "src", "textsource", "codepage_tables.cpp")
    text = generate()
    with open(target, "w", encoding="ascii", newline="\n") as f:
        f.write(text)


if __name__ == "__main__":
    main()
