#!/usr/bin/python3
"""Times Python's email_validator (check_deliverability=False) over a corpus
inside this process: one warm-up pass over the first 10,000 addresses, then
RUNS timed passes over all of them. Writes one verdict a line (1 valid,
0 invalid) and prints a RESULT line.

    /usr/bin/python3 email_validator_py.py CORPUS VERDICTS [RUNS]
"""
import sys
import time

import email_validator
from email_validator import EmailNotValidError, validate_email


def judge(address):
    try:
        validate_email(address, check_deliverability=False)
        return 1
    except EmailNotValidError:
        return 0


def main():
    corpus, verdict_path = sys.argv[1], sys.argv[2]
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    with open(corpus, encoding="utf-8", newline="") as f:
        lines = f.read().split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    for a in lines[:10000]:
        judge(a)
    times = []
    verdicts = None
    for _ in range(runs):
        t0 = time.perf_counter()
        v = [judge(a) for a in lines]
        times.append(time.perf_counter() - t0)
        verdicts = verdicts or v
    times.sort()
    median = times[len(times) // 2]
    with open(verdict_path, "w") as out:
        out.write("".join("%d\n" % v for v in verdicts))
    try:
        from importlib.metadata import version as dist_version
        version = dist_version("email_validator")
    except Exception:
        version = getattr(email_validator, "__version__", "?")
    print("RESULT name=email_validator version=%s n=%d runs=%d median_s=%.6f rate=%d "
          "ns_per_call=%.1f valid=%d" % (version, len(lines), runs, median,
                                         round(len(lines) / median),
                                         median * 1e9 / len(lines), sum(verdicts)))


if __name__ == "__main__":
    main()
