#!/usr/bin/env python3
"""Writes TLDs.txt, the list of known top-level domains shipped with Quorvel.

Source: the ICANN section of the Public Suffix List as Debian's publicsuffix
package installs it. Every rule there without a dot names a top-level domain;
each is written in lower case, one a line. An internationalized label is
written twice: in Unicode and in its ASCII (xn--) form. The file is UTF-8 with
a byte-order mark; its first lines are comments that begin with '#', which
the plug-in's list reader skips (a line must begin with a letter to hold an
entry).

usage: gen_tlds.py [--source FILE] [--version TEXT] OUTPUT
"""
import argparse
import subprocess
import sys

DEFAULT_SOURCE = "/usr/share/publicsuffix/public_suffix_list.dat"


def package_version():
    try:
        return subprocess.run(["dpkg-query", "-W", "-f=${Version}", "publicsuffix"],
                              capture_output=True, text=True, check=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        return "unknown"


def ascii_form(label):
    """The xn-- form of a Unicode label (punycode of the lower-cased label)."""
    return "xn--" + label.encode("punycode").decode("ascii")


def top_level_labels(lines):
    labels = []
    in_icann = False
    for raw in lines:
        line = raw.strip()
        if line.startswith("// ===BEGIN ICANN DOMAINS==="):
            in_icann = True
            continue
        if line.startswith("// ===END ICANN DOMAINS==="):
            break
        if not in_icann or not line or line.startswith("//"):
            continue
        rule = line.split()[0]
        if "." in rule or rule.startswith(("*", "!")):
            continue
        labels.append(rule.lower())
    return labels


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", default=DEFAULT_SOURCE)
    parser.add_argument("--version", default=None, help="source version for the header")
    parser.add_argument("output")
    args = parser.parse_args()

    with open(args.source, encoding="utf-8") as f:
        labels = top_level_labels(f)
    if len(labels) < 1000:
        sys.exit(f"gen_tlds: only {len(labels)} top-level domains in {args.source}")

    entries = []
    seen = set()
    for label in labels:
        forms = [label] if label.isascii() else [label, ascii_form(label)]
        for form in forms:
            if form not in seen:
                seen.add(form)
                entries.append(form)

    version = args.version or package_version()
    header = [
        "# TLDs.txt: the top-level domains that Quorvel knows, one a line.",
        f"# Made by tools/release/gen_tlds.py from the Public Suffix List (ICANN section),",
        f"# Debian package publicsuffix {version}; {len(labels)} domains,",
        "# internationalized ones in Unicode and in xn-- form.",
        "# Edit freely: one name a line; lines that begin with '#' are ignored.",
    ]
    with open(args.output, "w", encoding="utf-8-sig", newline="\r\n") as out:
        out.write("\n".join(header + entries) + "\n")
    print(f"gen_tlds: {len(entries)} entries ({len(labels)} domains) -> {args.output}")


if __name__ == "__main__":
    main()
