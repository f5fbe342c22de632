#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

The seeds follow the input layout each target documents at its top; they
give the fuzzer a start on every kind of input (valid and invalid addresses
under several flag sets, command lines, texts in every encoding and source
kind, list files). Run it after changing a layout:  python3 fuzz/seeds.py
"""
import os
import re
import struct

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")

# The flags' bits follow the rows of PLUGIN_FLAGS: (name, default) each.
with open(os.path.join(ROOT, "../../src/settings/settings.h")) as f:
    FLAGS = re.findall(r"^\s*FLAG\((\w+),\s*(\d+)", f.read(), re.M)
BIT = {name: 1 << i for i, (name, _) in enumerate(FLAGS)}
DEFAULT_FLAGS = sum(BIT[name] for name, default in FLAGS if default != "0")
ALL_ALLOW = sum(BIT.values()) & ~BIT["StrictCharList"] & ~BIT["CheckMX"] & ~BIT["DebugMode"]


def write(target, name, data):
    os.makedirs(os.path.join(ROOT, target), exist_ok=True)
    with open(os.path.join(ROOT, target, name), "wb") as f:
        f.write(data)


def u16(text):
    return text.encode("utf-16-le")


def validate_seeds():
    # flags (4 bytes), destinations byte, world byte, address
    ascii_world = 0x40
    cases = [
        ("valid", DEFAULT_FLAGS, 0, ascii_world, "john.doe@example.com"),
        ("quoted", ALL_ALLOW, 0, ascii_world, '<"a@b"@[127.0.0.1]>'),
        ("escaped", ALL_ALLOW, 0, ascii_world, '"a\\"b".c@x.museum'),
        ("reserved", DEFAULT_FLAGS | BIT["DebugMode"], 0, ascii_world | 1, "postmaster@xn--p1ai"),
        ("quad", DEFAULT_FLAGS | BIT["AllowDottedQuadDomain"], 0, ascii_world, "x@1.2.3.256"),
        ("mx", DEFAULT_FLAGS | BIT["CheckMX"], 0, ascii_world | 0x04 | 0x08 | 0x10, "a@b.com"),
        ("nullmx", DEFAULT_FLAGS ^ BIT["CheckTopLevelDomain"] | BIT["CheckMX"], 0, ascii_world | 0x34, "a@null.mx"),
        ("long", DEFAULT_FLAGS | BIT["StripAngleBrackets"], 0, ascii_world, "<" + "a" * 64 + "@" + "b" * 187 + ".com>"),
        ("toolong", DEFAULT_FLAGS, 0, ascii_world, "a" * 250 + "@b.com"),
        ("at", DEFAULT_FLAGS, 2, ascii_world, "@"),
        ("dots", DEFAULT_FLAGS, 1, ascii_world, "a..b@c..d"),
        ("listfile", DEFAULT_FLAGS & ~BIT["TwoLetterTLDs"], 0, ascii_world | 1, "a@b.museum"),
    ]
    for name, flags, destinations, world, address in cases:
        write("validate", name, struct.pack("<IBB", flags, destinations, world) + address.encode("latin-1"))
    write("validate", "unicode", struct.pack("<IBB", DEFAULT_FLAGS | BIT["AllowNonAscii"], 0, 0) + u16("j\u00f6rg@m\u00fcnchen.de"))


def command_seeds():
    # flags (4), registry byte (bit 7: UTF-16 line), 12 bytes of saved values per root, line
    def seed(name, line, world=0x03, flags=DEFAULT_FLAGS, utf16=False):
        regs = struct.pack("<IIBBH", 0xFFFFFFFF, 0x5A5A5A5A, 0, 0xFF, 0) + struct.pack("<IIBBH", 0x3, 0xFFFFFFFF, 0xFF, 1, 7)
        text = u16(line) if utf16 else line.encode("latin-1")
        write("command", name, struct.pack("<IB", flags, world | (0x80 if utf16 else 0)) + regs + text)

    seed("together", "/B:Y/C:N /2=1 /$:0x10")
    seed("restore", "/R /D /Z")
    seed("save", "/s /z")
    seed("savefails", "/S /B:Y", world=0x20)
    seed("help", "/b:y /?")
    seed("unknown", "/B:Y /X")
    seed("quoted", '"/B:Y /C:N" " " ""')
    seed("url", "/V:abc://d/e /a:b//c")
    seed("values", "/E:yes /Q:n /M:0X0 /N:4294967295 /P:4294967296")
    seed("empty", "")
    seed("unicode", "/H:y\u3000/b\u00a0:n", utf16=True)
    seed("overflow", "x" * 8192)
    seed("manytokens", " ".join(["abcdefg"] * 1025))
    seed("fulltable", " ".join(["/Z"] * 31 + ["/B:Y", "/C:Y"]))  # the fuzz build's table holds 32


def textsource_seeds():
    # mode, kind, raw encoding (4), supplementary, flags (4), replacement (2),
    # ansi table (4), ebcdic table (4), position (4), locale (4), code page (2),
    # number of operations, operations, text
    def seed(name, text, mode=0x08, kind=0, supplementary=0, flags=0, ops=b"", codepage=1252,
             locale=0x0409, position=0, tables=(0, 0)):
        header = struct.pack("<BBIBIHIIIIH", mode, kind, 0, supplementary, flags, 0xFFFD,
                             tables[0], tables[1], position, locale, codepage)
        write("textsource", name, header + bytes([len(ops)]) + ops + text)

    lines = "com\r\n.org\n\n  net  remark\r\u0085caf\u00e9\u3000\n\U0001F600x"
    seed("utf8bom", b"\xef\xbb\xbf" + lines.encode("utf-8"), supplementary=1)
    seed("utf16le", b"\xff\xfe" + lines.encode("utf-16-le"), ops=bytes([1, 2, 0, 3, 1]))
    seed("utf16be", lines.encode("utf-16-be"), mode=0x00, kind=2, flags=0x400)
    seed("utf32be", b"\x00\x00\xfe\xff" + lines.encode("utf-32-be"), supplementary=1, flags=0x800)
    seed("ebcdic", "HELLO WORLD\n".encode("cp500") * 20, mode=0x0C, kind=4, tables=(3, 1))
    seed("ansi", "caf\xe9\x00x\r\n\x80\x81".encode("latin-1"), mode=0x00, kind=0, tables=(9, 0))
    seed("raw", bytes(range(256)), mode=0x40, kind=7)
    seed("cut", "\u20ac".encode("utf-8")[:2], mode=0x00, kind=3, ops=bytes([2, 1, 2]))
    seed("file", b"\xff\xfe" + lines.encode("utf-16-le"), mode=0x01, supplementary=1)
    seed("pipe", ("a" * 9000 + "\nb\n").encode("ascii"), mode=0x02)
    seed("pipe65001", "caf\xe9\n".encode("latin-1"), mode=0x22)
    seed("clipboard", "one\r\ntwo\u0000three".encode("utf-16-le"), mode=0x03, locale=0x0407)
    seed("longline", ("x" * 8189 + "\U0001F600\n").encode("utf-8"), supplementary=1)


def tldfile_seeds():
    # mode, label length, label, file
    def seed(name, label, data, mode=0x01):
        lab = label.encode("latin-1") if mode & 1 else u16(label)
        write("tldfile", name, bytes([mode, len(label)]) + lab + data)

    listing = "# top-level domains\r\ncom\r\n.org\r\n  net  remark\r\nxn--p1ai\r\nmuseum\r\n"
    seed("ascii", "museum", listing.encode("ascii"))
    seed("dot", "ORG", listing.encode("ascii"), mode=0x05)
    seed("utf8", "\u0440\u0444", ("\ufeff" + listing + "\u0440\u0444\n").encode("utf-8"), mode=0x00)
    seed("utf16", "net", ("\ufeff" + listing).encode("utf-16-le"))
    seed("twoletter", "de", listing.encode("ascii"), mode=0x03)
    seed("empty", "com", b"")
    seed("notfound", "info", listing.encode("ascii"), mode=0x09)


def fastread_seeds():
    # encoding index, options, replacement (2), position (2), ANSI table,
    # label length (or entry index), label, text
    kinds = {"ansi": 0, "utf16le": 1, "utf16be": 2, "utf8": 3, "ebcdic": 4, "utf32le": 5, "raw": 7}

    def seed(name, kind, text, label="", options=0, table=0, index=0, replacement=0xFFFD, position=0):
        lab = label.encode("latin-1")
        length = index if options & 0x80 else len(lab)
        header = struct.pack("<BBHHBB", kinds[kind], options, replacement, position, table, length)
        write("fastread", name, header + lab + text)

    listing = "# top-level domains\r\ncom\r\n.org\n\n  net  remark\r\u0085caf\u00e9\u3000\nxn--p1ai\n"
    seed("utf8bom", "utf8", ("\ufeff" + listing + "\u0440\u0444\n").encode("utf-8"), "net")
    seed("unlisted", "utf8", ("\ufeff" + listing).encode("utf-8"), "cmo", options=0x01)
    seed("entry", "utf8", ("\ufeff" + listing).encode("utf-8"), options=0x80 | 0x40, index=3)
    seed("overlong", "utf8", b"c\xc1\xafm\nx\xc0\x8acom\n", "com")
    seed("skipnul", "utf8", b"co\x00m\n \x00net\n", "com", options=0x02)
    seed("nulreplace", "ansi", b"co\x00m\ncom\x00x\n", "com", options=0x04)
    seed("nel", "raw", b"x\x85com\n\xa0org\n", "org")
    seed("replacement", "utf8", b"\xffcom\n\xfe\n", "com", options=0x08, replacement=0x0A)
    seed("ansi", "ansi", "caf\xe9\r\n\xa0net\r\n".encode("latin-1"), "net", table=0)
    seed("long", "utf8", (" " * 8185 + "museum\n").encode("ascii"), "museum")
    seed("cut", "ansi", (" " * 8185 + "museumx\r\n").encode("ascii"), "museum")
    seed("utf16", "utf16le", ("\ufeff" + listing).encode("utf-16-le"), "net", options=0x20)
    seed("utf16be", "utf16be", listing.encode("utf-16-be"), "xn--p1ai", options=0x40, position=2)
    seed("utf32", "utf32le", listing.encode("utf-32-le"), "org", options=0x01)
    seed("cyrillic", "utf8", ("\u0440\u0444x\n\u00a0\u0440\u0444\n").encode("utf-8"), options=0x80, index=1)
    seed("overlongru", "utf8", b"\xe0\x91\x80\xd1\x84\nx\n", options=0x80, index=0)
    seed("ebcdic", "ebcdic", "COM\nNET\n".encode("cp500"), "net", options=0x40, position=1)


if __name__ == "__main__":
    for make in (validate_seeds, command_seeds, textsource_seeds, tldfile_seeds, fastread_seeds):
        make()
