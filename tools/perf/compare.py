#!/usr/bin/python3
"""Prints the benchmark table from the RESULT and SUBSET lines of the runs
and the verdict files they wrote.

    compare.py WORKDIR

WORKDIR holds corpus.txt, results.txt (the RESULT/SUBSET lines of every run)
and one verdict file per run: quorvel-<mode>.txt (result codes) and
peer-<name>.txt (1 valid, 0 invalid). Prints Markdown to standard output and
writes examples of disagreements to WORKDIR/disagreements.txt.
"""
import os
import sys

QUORVEL_MODES = [("default", "Quorvel, default options, no TLDs.txt"),
                 ("tlds", "Quorvel, TLDs.txt of %s labels"),
                 ("mx", "Quorvel, CheckMX on (stand-in DNS answers at once)")]
PEERS = [("validatorjs", "validator.js"), ("email_validator", "email_validator"),
         ("email_valid", "Email::Valid")]
GOAL_FACTOR = 10


def parse_results(path):
    """RESULT and SUBSET lines as dicts (numbers converted)."""
    results, subsets = [], []
    with open(path, encoding="utf-8") as f:
        for line in f:
            kind, _, rest = line.strip().partition(" ")
            if kind not in ("RESULT", "SUBSET"):
                continue
            d = {}
            for field in rest.split(" "):
                k, _, v = field.partition("=")
                try:
                    d[k] = float(v) if any(c in v for c in ".e") and k != "version" else int(v)
                except ValueError:
                    d[k] = v
            (results if kind == "RESULT" else subsets).append(d)
    return results, subsets


def read_lines(path):
    with open(path, encoding="utf-8", newline="") as f:
        lines = f.read().split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    return lines


def fmt_rate(r):
    return "{:,.0f}".format(r)


def fmt_ns(ns):
    if ns >= 1e6:
        return "%.2f ms" % (ns / 1e6)
    if ns >= 1e3:
        return "%.1f us" % (ns / 1e3)
    return "%.0f ns" % ns


def main():
    work = sys.argv[1]
    corpus = read_lines(os.path.join(work, "corpus.txt"))
    results, subsets = parse_results(os.path.join(work, "results.txt"))
    n = len(corpus)
    tld_count = 0
    tld_path = os.path.join(work, "tlds-icann.txt")
    if os.path.exists(tld_path):
        tld_count = len(read_lines(tld_path))

    by_key = {}
    for r in results:
        key = ("quorvel", r.get("mode")) if r["name"] == "Quorvel" else ("peer", r["name"])
        by_key[key] = r

    def verdicts(fname, quorvel):
        path = os.path.join(work, fname)
        if not os.path.exists(path):
            return None
        v = read_lines(path)
        return [int(x) == 0 for x in v] if quorvel else [x.strip() == "1" for x in v]

    base_rate = by_key.get(("quorvel", "default"), {}).get("rate")
    q_default = verdicts("quorvel-default.txt", True)
    q_tlds = verdicts("quorvel-tlds.txt", True)

    rows = []
    for mode, label in QUORVEL_MODES:
        r = by_key.get(("quorvel", mode))
        if r:
            rows.append((label % tld_count if "%s" in label else label, r, verdicts("quorvel-%s.txt" % mode, True)))
    peer_names = {"validator.js": "validatorjs", "email_validator": "email_validator", "Email::Valid": "email_valid"}
    for key, label in PEERS:
        r = next((x for x in results if peer_names.get(x["name"]) == key), None)
        if r:
            rows.append(("%s %s" % (label, r.get("version", "")), r, verdicts("peer-%s.txt" % key, False)))

    def agree(a, b):
        if a is None or b is None or len(a) != len(b):
            return "-"
        return "%.1f%%" % (100.0 * sum(1 for x, y in zip(a, b) if x == y) / len(a))

    print("Corpus: %d addresses (tools/perf/gen_corpus.py, fixed seed). Times are the median of "
          "the timed passes over the whole corpus, measured inside each process (start-up, "
          "loading and one warm-up pass not counted).\n" % n)
    print("| validator | addresses/s | time per address | ratio to Quorvel default (this ÷ Quorvel) | valid | "
          "agrees with Quorvel default | agrees with Quorvel + TLDs.txt |")
    print("|---|---:|---:|---:|---:|---:|---:|")
    for label, r, v in rows:
        ratio = "%.3g x" % (r["rate"] / base_rate) if base_rate else "-"
        valid = "%d (%.1f%%)" % (r["valid"], 100.0 * r["valid"] / n)
        print("| %s | %s | %s | %s | %s | %s | %s |" % (label, fmt_rate(r["rate"]), fmt_ns(r["ns_per_call"]),
                                                    ratio, valid, agree(v, q_default), agree(v, q_tlds)))

    if subsets:
        print("\nQuorvel's passes split by whether a call reaches the list-file lookup "
              "(a label the two-letter rule does not settle, after every earlier rule passed); "
              "the lookup share is the whole pass minus the other share:\n")
        print("| mode | calls | kind | addresses/s | time per address |")
        print("|---|---:|---|---:|---:|")
        for s in subsets:
            kind = {"no_list_lookup": "no list-file lookup", "list_lookup": "list-file lookup"}[s["kind"]]
            print("| %s | %d | %s | %s | %s |" % (s["mode"], s["n"], kind, fmt_rate(s["rate"]), fmt_ns(s["ns_per_call"])))

    peers = [(label, r) for label, r, _ in rows if r["name"] != "Quorvel"]
    if base_rate and peers:
        fastest_label, fastest = max(peers, key=lambda p: p[1]["rate"])
        factor = base_rate / fastest["rate"]
        print("\nGoal: Quorvel with the default options judges at least %d times as many addresses per "
              "second as the fastest peer (%s). Measured: %.3g times - %s." %
              (GOAL_FACTOR, fastest_label.strip(), factor, "met" if factor >= GOAL_FACTOR else "NOT met"))
        quick = next((s for s in subsets if s["mode"] == "default" and s["kind"] == "no_list_lookup"), None)
        if quick:
            print("On the calls that do not reach the list file, Quorvel judges %s addresses/s, "
                  "%.3g times the fastest peer's rate." % (fmt_rate(quick["rate"]), quick["rate"] / fastest["rate"]))

    # Disagreements with the default verdicts, a few examples each way.
    with open(os.path.join(work, "disagreements.txt"), "w", encoding="utf-8") as out:
        codes = read_lines(os.path.join(work, "quorvel-default.txt"))
        for label, r, v in rows:
            if r["name"] == "Quorvel" or v is None or q_default is None:
                continue
            only_q = [i for i in range(n) if q_default[i] and not v[i]]
            only_p = [i for i in range(n) if v[i] and not q_default[i]]
            out.write("== %s: Quorvel valid, peer invalid: %d; peer valid, Quorvel invalid: %d\n" %
                      (label, len(only_q), len(only_p)))
            by_code = {}
            for i in only_p:
                by_code.setdefault(codes[i], []).append(i)
            out.write("-- Quorvel valid, peer invalid (examples)\n")
            for i in only_q[:15]:
                out.write("   %r\n" % corpus[i])
            out.write("-- peer valid, Quorvel invalid, by Quorvel's code\n")
            for code in sorted(by_code, key=lambda c: -len(by_code[c])):
                out.write("   %s: %d, e.g. %s\n" % (code, len(by_code[code]),
                                                   ", ".join(repr(corpus[i]) for i in by_code[code][:4])))


if __name__ == "__main__":
    main()
