#!/usr/bin/env python3
"""Mutation run over the platform-free code: plants small faults one at a
time, rebuilds the native tests, runs them under the sanitizers, restores the
file, and prints the score and the mutants that survived.

  python3 tools/mutate.py [--count N] [--seed S] [--only ID,ID...] [--list]

The build folder is $QUORVEL_NATIVE_BUILD (default build-mutate), configured
once with clang and without the fuzz targets; only the target native_tests is
rebuilt and only the CTest test native_tests is run. A mutant that does not
compile is left out of the score; a test run that fails, crashes or outlives
the time limit kills it. Mutant ids are stable for a given source text and
seed, so --only reruns survivors after a change of the tests.
"""
import argparse
import os
import random
import re
import signal
import subprocess
import sys
import time

# The sources that are mutated, relative to the repository (one place to add
# a file).
SOURCES = [
    "src/validate/validate.cpp",
    "src/validate/tldfile.cpp",
    "src/validate/fastscan.cpp",
    "src/validate/mx.cpp",
    "src/settings/command.cpp",
    "src/settings/settings.cpp",
    "src/settings/tokenizer.cpp",
    "src/textsource/decode.cpp",
    "src/textsource/detect.cpp",
    "src/textsource/textsource.cpp",
    "src/common/qstr.cpp",
    "src/common/bytescan.h",
]

DEFAULT_COUNT = 300
DEFAULT_SEED = 29
TEST_SECONDS = 20  # a run that takes longer counts as a hang, and kills (the suite takes about 1 s)

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# (name, pattern, replacement): each match of pattern in a line of code is one
# mutant. Comparison flips keep clear of <<, >>, -> and of templates.
OPERATORS = [
    ("and-or", r"&&", "||"),
    ("or-and", r"\|\|", "&&"),
    ("lt-le", r"(?<=[\w\)\] ])<(?=[ \w(])", "<="),
    ("le-lt", r"<=", "<"),
    ("gt-ge", r"(?<=[\w\)\] ])>(?=[ \w(])", ">="),
    ("ge-gt", r">=", ">"),
    ("eq-ne", r"==", "!="),
    ("ne-eq", r"!=", "=="),
    ("drop+1", r" \+ 1\b", ""),
    ("drop-1", r" - 1\b", ""),
    ("const", r"(?<![\w.])(0x[0-9A-Fa-f]+|\d+)u?(?![\w.])", None),  # n -> n + 1, 1 -> 0
    ("delete", None, None),  # a whole simple statement
]

STATEMENT = re.compile(
    r"^\s*(?:(?:if \(.*\) )?(?:[A-Za-z_][\w.\[\]>-]*\s*(?:=|\+=|-=|\|=|&=|\+\+|--)[^=]|"
    r"\+\+|--|[A-Za-z_]\w*\()[^;{}]*;)\s*$")


def code_part(line):
    """The line with comments cut and string and character literals blanked."""
    out, i, n = [], 0, len(line)
    while i < n:
        c = line[i]
        if line.startswith("//", i):
            break
        if c in "\"'":
            j = i + 1
            while j < n and line[j] != c:
                j += 2 if line[j] == "\\" else 1
            out.append(c + " " * (min(j, n) - i - 1) + (c if j < n else ""))
            i = j + 1
            continue
        out.append(c)
        i += 1
    return "".join(out)


def mutants_of(path):
    """Every mutant of one file: (path, line number, column, operator, old, new)."""
    found = []
    with open(os.path.join(ROOT, path), encoding="utf-8") as f:
        lines = f.read().split("\n")
    in_block = False
    for no, line in enumerate(lines, 1):
        stripped = line.strip()
        if in_block:
            if "*/" in line:
                in_block = False
            continue
        if stripped.startswith("/*"):
            in_block = "*/" not in stripped
            continue
        if stripped.startswith("#") or stripped.startswith("//") or not stripped:
            continue
        code = code_part(line)
        for name, pattern, repl in OPERATORS:
            if name == "delete":
                if STATEMENT.match(code) and "return" not in code:
                    body = code.strip()
                    cond = re.match(r"if \(.*\) ", body)
                    start = code.index(body) + (cond.end() if cond else 0)
                    old = line[start:len(code.rstrip())]
                    found.append((path, no, start, name, old, ";"))
                continue
            for m in re.finditer(pattern, code):
                old = line[m.start():m.end()]
                if name == "const":
                    if re.search(r"\b[A-Za-z_]\w*\s+\**[A-Za-z_]\w*\[\s*$", code[:m.start()]):
                        continue  # the size of an array being declared
                    digits = m.group(1)
                    value = int(digits, 0)
                    new_value = 0 if value == 1 else value + 1
                    new = (hex(new_value) if digits.lower().startswith("0x") else str(new_value)) + old[len(digits):]
                else:
                    new = repl
                found.append((path, no, m.start(), name, old, new))
    return found


def all_mutants():
    found = []
    for path in SOURCES:
        found.extend(mutants_of(path))
    return found


def mutant_id(m):
    path, no, col, name, _, _ = m
    return "%s:%d:%d:%s" % (path, no, col, name)


def apply(m):
    path, no, col, _, old, new = m
    full = os.path.join(ROOT, path)
    with open(full, encoding="utf-8") as f:
        text = f.read()
    lines = text.split("\n")
    line = lines[no - 1]
    assert line[col:col + len(old)] == old, mutant_id(m)
    lines[no - 1] = line[:col] + new + line[col + len(old):]
    with open(full, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))
    return text


def run(cmd, timeout=None):
    p = subprocess.Popen(cmd, cwd=ROOT, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                         start_new_session=True)
    try:
        return p.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(p.pid, signal.SIGKILL)
        p.wait()
        return None


def stop(signum, frame):
    raise KeyboardInterrupt  # the file being mutated is restored on the way out


def main():
    signal.signal(signal.SIGTERM, stop)
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--count", type=int, default=DEFAULT_COUNT, help="mutants sampled (%(default)s)")
    ap.add_argument("--seed", type=int, default=DEFAULT_SEED, help="seed of the sample (%(default)s)")
    ap.add_argument("--only", help="comma-separated mutant ids to run instead of the sample")
    ap.add_argument("--list", action="store_true", help="print the sample and stop")
    args = ap.parse_args()

    everything = all_mutants()
    if args.only:
        wanted = set(args.only.split(","))
        sample = [m for m in everything if mutant_id(m) in wanted]
    else:
        sample = random.Random(args.seed).sample(everything, min(args.count, len(everything)))
        sample.sort(key=lambda m: (SOURCES.index(m[0]), m[1], m[2], m[3]))
    if args.list:
        for m in sample:
            print(mutant_id(m), repr(m[4]), "->", repr(m[5]))
        return 0

    build = os.environ.get("QUORVEL_NATIVE_BUILD", os.path.join(ROOT, "build-mutate"))
    if not os.path.exists(os.path.join(build, "CMakeCache.txt")):
        # Without debug information and at -O1 each mutant builds in about half
        # the time; the sanitizers see the same faults.
        if run(["cmake", "--preset", "native", "-B", build, "-DQUORVEL_FUZZERS=OFF", "-DCMAKE_BUILD_TYPE=Release",
                "-DCMAKE_CXX_FLAGS_RELEASE=-O1", "-DCMAKE_C_FLAGS_RELEASE=-O1"]) != 0:
            sys.exit("mutate: the native build does not configure")
    build_cmd = ["cmake", "--build", build, "--target", "native_tests", "-j2"]
    test_cmd = ["ctest", "--test-dir", build, "-R", "^native_tests$", "--timeout", str(TEST_SECONDS)]
    if run(build_cmd) != 0 or run(test_cmd) != 0:
        sys.exit("mutate: the native tests do not pass unmutated")

    print("mutate: %d mutants of %d (seed %d) over %d files, build %s" %
          (len(sample), len(everything), args.seed, len(SOURCES), build), flush=True)
    start = time.time()
    killed, survived, broken = [], [], []
    for i, m in enumerate(sample, 1):
        original = apply(m)
        try:
            if run(build_cmd) != 0:
                broken.append(m)
                verdict = "no build"
            else:
                rc = run(test_cmd, timeout=TEST_SECONDS + 30)
                (survived if rc == 0 else killed).append(m)
                verdict = "survived" if rc == 0 else "killed"
        finally:
            with open(os.path.join(ROOT, m[0]), "w", encoding="utf-8") as f:
                f.write(original)
        print("[%d/%d] %-8s %s %r -> %r" % (i, len(sample), verdict, mutant_id(m), m[4], m[5]), flush=True)
    run(build_cmd)  # leave the build matching the sources

    viable = len(killed) + len(survived)
    print("\nmutate: %d mutants, %d did not build; killed %d of %d (%.1f%%) in %d s" %
          (len(sample), len(broken), len(killed), viable, 100.0 * len(killed) / max(viable, 1),
           time.time() - start))
    for m in survived:
        print("survivor: %s %r -> %r" % (mutant_id(m), m[4], m[5]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
