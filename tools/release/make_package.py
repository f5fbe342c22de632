#!/usr/bin/env python3
"""Writes the release package: a zip whose top level holds the given files and
SHA256SUMS, the SHA-256 of each of them in the format of `sha256sum` (check
with `sha256sum -c SHA256SUMS`). A file given as --crlf FILE is a text file
for Windows readers: its line ends are written as CR LF, as are those of
SHA256SUMS (sha256sum reads them); other files are packed as they are.

The zip is the same byte for byte for the same files: entries in the order
given, then SHA256SUMS; a fixed date (1980-01-01 00:00) and fixed permissions;
no extra fields, no build paths.

usage: make_package.py OUTPUT [--crlf] FILE...
"""
import hashlib
import os
import sys
import zipfile

DATE = (1980, 1, 1, 0, 0, 0)


def add(archive, name, data):
    """Adds one file, compressed, with the fixed date and rw-r--r-- permissions."""
    info = zipfile.ZipInfo(name, date_time=DATE)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.create_system = 3  # Unix, so that the permissions below are read
    info.external_attr = 0o100644 << 16
    archive.writestr(info, data, compresslevel=9)


def crlf(data):
    """The text with every line ending in CR LF (LF, CR LF or a lone CR before)."""
    return data.replace(b"\r\n", b"\n").replace(b"\r", b"\n").replace(b"\n", b"\r\n")


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__.strip().splitlines()[-1])
    output, files, text = sys.argv[1], [], set()
    for arg in sys.argv[2:]:
        if arg == "--crlf":
            text.add(len(files))
        else:
            files.append(arg)
    names = [os.path.basename(f) for f in files]
    if len(set(names)) != len(names) or "SHA256SUMS" in names:
        sys.exit("make_package: file names must be distinct and not SHA256SUMS")
    sums = []
    temporary = output + ".part"
    with zipfile.ZipFile(temporary, "w") as archive:
        for path, name in zip(files, names):
            with open(path, "rb") as f:
                data = f.read()
            if files.index(path) in text:
                data = crlf(data)
            add(archive, name, data)
            sums.append(f"{hashlib.sha256(data).hexdigest()}  {name}\r\n")
        add(archive, "SHA256SUMS", "".join(sums).encode("ascii"))
    os.replace(temporary, output)
    print(f"make_package: {output}: {', '.join(names)}, SHA256SUMS")


if __name__ == "__main__":
    main()
