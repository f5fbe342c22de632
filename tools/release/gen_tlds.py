#!/usr/bin/env python3
"""Writes TLDs.txt, the list of known top-level domains shipped with Quorvel.

Source: the npm package `tlds` (MIT licence), which follows IANA's list of the
root zone's top-level domains; tools/release/package.json and its lock file
pin the version (`npm ci` in tools/release installs it). Every label is
written in lower case, one a line; an internationalized label is written
twice, in Unicode and in its ASCII (xn--) form. The labels most used in
e-mail come first, since a lookup reads the file from its top and stops at
the first match; the rest follow in alphabetical (code point) order. The file
is UTF-8 with a byte-order mark and CR LF line ends; its first lines are
comments that begin with '#', which the plug-in's list reader skips (a line
must begin with a letter to hold an entry).

usage: gen_tlds.py [--package DIR] OUTPUT
"""
import argparse
import json
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_PACKAGE = os.path.join(HERE, "node_modules", "tlds")

# The labels most used in e-mail addresses, in this order, at the top.
FIRST = ["com", "net", "org", "edu", "gov", "info", "biz", "mil", "name",
         "int", "io", "co", "uk", "de", "us", "ca"]


def ascii_form(label):
    """The xn-- form of a Unicode label (punycode of the lower-cased label)."""
    return "xn--" + label.encode("punycode").decode("ascii")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--package", default=DEFAULT_PACKAGE, help="folder of the installed tlds package")
    parser.add_argument("output")
    args = parser.parse_args()

    try:
        with open(os.path.join(args.package, "index.json"), encoding="utf-8") as f:
            labels = [label.lower() for label in json.load(f)]
        with open(os.path.join(args.package, "package.json"), encoding="utf-8") as f:
            version = json.load(f)["version"]
    except OSError as e:
        sys.exit(f"gen_tlds: {e}; run 'npm ci' in {HERE}")
    if len(labels) < 1000:
        sys.exit(f"gen_tlds: only {len(labels)} top-level domains in {args.package}")
    missing = [label for label in FIRST if label not in labels]
    if missing:
        sys.exit(f"gen_tlds: the source lacks {', '.join(missing)}")

    forms = set()
    for label in labels:
        forms.add(label)
        if not label.isascii():
            forms.add(ascii_form(label))
    entries = FIRST + sorted(forms - set(FIRST))

    header = [
        "# TLDs.txt: the top-level domains that Quorvel knows, one a line.",
        f"# Made by tools/release/gen_tlds.py from the npm package tlds {version}",
        f"# (IANA's list of the root zone): {len(labels)} domains, internationalized",
        "# ones in Unicode and in xn-- form. The names most used in e-mail come",
        f"# first ({', '.join(FIRST[:8])},",
        f"# {', '.join(FIRST[8:])}), the rest in alphabetical order.",
        "# Edit freely: one name a line; lines that begin with '#' are ignored.",
    ]
    with open(args.output, "w", encoding="utf-8-sig", newline="\r\n") as out:
        out.write("\n".join(header + entries) + "\n")
    print(f"gen_tlds: {len(entries)} entries ({len(labels)} domains) -> {args.output}")


if __name__ == "__main__":
    main()
