#!/usr/bin/env python3
"""Merges the coverage of the Wine suite (gcov, as lcov writes it) with that of
the native suite (clang's source-based coverage, exported as lcov) over the
sources below one folder, writes the merged lcov file for genhtml, prints a
table of lines and branches per file and ends with the line
"coverage: lines N%, branches M%".

Every source is built by both compilers, and they mark different lines as
executable: clang also counts closing braces after a return and the
continuation lines of a statement. The lines and branches that count are
gcc's (clang's for a file that only clang built, such as a header's inline
functions; there the lines of macro definitions do not count, since the code
of a macro counts where it is expanded); a line is covered when either suite
ran it. gcc and clang number the branches of a line
differently, so they are not matched one by one: of a line's branch
outcomes, as many count as covered as the suite that covered more of them.

usage: coverage_merge.py SOURCE_ROOT WINE.info NATIVE.info MERGED.info
"""
import os
import sys


def read_info(path, root):
    """{file: (lines {n: hits}, branches {n: [taken, ...]})} for files below root."""
    files = {}
    current = None
    with open(path, encoding="utf-8", errors="replace") as f:
        for raw in f:
            line = raw.strip()
            if line.startswith("SF:"):
                name = os.path.realpath(line[3:])
                current = files.setdefault(name, ({}, {})) if name.startswith(root + os.sep) else None
            elif current is None:
                continue
            elif line.startswith("DA:"):
                n, hits = line[3:].split(",")[:2]
                current[0][int(n)] = max(current[0].get(int(n), 0), int(hits))
            elif line.startswith("BRDA:"):
                n, _block, _branch, taken = line[5:].split(",")
                current[1].setdefault(int(n), []).append(0 if taken == "-" else int(taken))
    return files


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__.strip().splitlines()[-1])
    root = os.path.realpath(sys.argv[1])
    wine, native = read_info(sys.argv[2], root), read_info(sys.argv[3], root)
    rows, totals = [], [0, 0, 0, 0]
    with open(sys.argv[4], "w", encoding="utf-8") as out:
        for name in sorted(set(wine) | set(native)):
            (wl, wb), (nl, nb) = wine.get(name, ({}, {})), native.get(name, ({}, {}))
            base_lines, base_branches = (wl, wb) if name in wine else (nl, nb)
            if name not in wine:
                with open(name, encoding="utf-8", errors="replace") as f:
                    text = f.read().splitlines()
                base_lines = {n: h for n, h in base_lines.items()
                              if not (0 < n <= len(text) and text[n - 1].lstrip().startswith("#define"))}
            lines = {n: max(wl.get(n, 0), nl.get(n, 0)) for n in base_lines}
            branches = {}
            for n, outcomes in base_branches.items():
                total = len(outcomes)
                covered = min(total, max(sum(1 for t in wb.get(n, []) if t), sum(1 for t in nb.get(n, []) if t)))
                branches[n] = (total, covered)
            counts = [sum(1 for h in lines.values() if h), len(lines),
                      sum(c for _, c in branches.values()), sum(t for t, _ in branches.values())]
            totals = [a + b for a, b in zip(totals, counts)]
            rows.append((os.path.relpath(name, root), counts))
            out.write(f"TN:\nSF:{name}\n")
            for n in sorted(lines):
                out.write(f"DA:{n},{lines[n]}\n")
            for n in sorted(branches):
                total, covered = branches[n]
                for i in range(total):
                    out.write(f"BRDA:{n},0,{i},{1 if i < covered else 0}\n")
            out.write(f"LF:{counts[1]}\nLH:{counts[0]}\nBRF:{counts[3]}\nBRH:{counts[2]}\nend_of_record\n")

    def pct(a, b):
        return 100.0 * a / b if b else 100.0

    width = max(len(r[0]) for r in rows)
    print(f"{'file':<{width}}  {'lines':>15}  {'branches':>15}")
    for name, (lh, lf, bh, bf) in rows:
        print(f"{name:<{width}}  {lh:>5}/{lf:<5} {pct(lh, lf):5.1f}%  {bh:>5}/{bf:<5} {pct(bh, bf):5.1f}%")
    lh, lf, bh, bf = totals
    print(f"coverage: lines {pct(lh, lf):.1f}%, branches {pct(bh, bf):.1f}%")


if __name__ == "__main__":
    main()
