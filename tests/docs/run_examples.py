#!/usr/bin/env python3
"""Runs the examples of the user documents through the stand-in host and
compares what it prints with what the documents show.

An example is one of:
- a transcript: in an indented block (a text file) or a fenced block
  (Markdown), a line "> COMMAND" (or "quorvel-host> COMMAND") and the lines
  under it up to the next such line or the block's end, which are the output;
  a line "..." stands for any number of lines;
- a file: the block after a paragraph whose last line ends in "as NAME:" (or
  "as `NAME`:") is written to NAME before any transcript runs;
- a row of the guide's table of result codes: "CODE  meaning" and under it
  "%@quorvel[ADDRESS]", or "with /X:Y ...: %@quorvel[ADDRESS]"; the table
  must list -1, 0, 1024, 1025 and the codes of the rules, QV_FIRST_RULE to
  QV_LAST_RULE of src/validate/validate.h, each but -1 with one example.
A block whose paragraph, prompt line or row says "(needs DNS; not run by the
tests)" is skipped: the tests make no network queries.

The guide's table "Options, with their defaults" must name every flag with a
switch letter once, with its default, and its list of registry value names
every saved value, as tests/support/options.h pins them (kFlags, kLoadOrder).

The guide's batch example runs again on its address file with a line of
blanks and an address with a Latin-1 letter added, saved in each encoding
the stand-in host tells apart: the blanks give nothing, the address goes to
good.txt. It runs once more with a line of 9,000 characters added, more
than the host can put into a command line: bad.txt then holds the line the
guide quotes for it ("1025 line N of FILE, ..."), and good.txt holds what
the guide shows, no address twice; the host's own errors may be printed.

All examples of all documents run in one host process, in a folder of their
own (the host, the plug-in and the shipped TLDs.txt, the installed plug-in,
are in its subfolder tryout), from the default options; lines are compared
without the blanks around them, and an output that says "(x64)" matches
"(x86)" of the 32-bit library.

usage: run_examples.py RUNNER HOSTBIN PLUGIN TLDS WORKDIR DOCUMENT...
"""
import os
import re
import shutil
import subprocess
import sys

SKIP = "(needs DNS; not run by the tests)"
PROMPT = re.compile(r"^(?:quorvel-host)?> (.*)$")
FILE_INTRO = re.compile(r"\bas `?([\w.-]+\.\w+)`?:\s*$")
CODE_ROW = re.compile(r"^ {4}(-1|0|\d{4})  ")
EXAMPLE_ROW = re.compile(r"^ {10}(?:with ((?:/\S+ ?)+): )?(%@quorvel\[.*\])(.*)$")


def rule_codes():
    """QV_FIRST_RULE to QV_LAST_RULE, as src/validate/validate.h names them."""
    with open(os.path.join(os.path.dirname(__file__), "../../src/validate/validate.h")) as f:
        names = dict(re.findall(r"\b(QV_\w+) = (\w+),", f.read()))
    value = lambda name: int(names[name]) if names[name].isdigit() else value(names[name])
    return [str(c) for c in range(value("QV_FIRST_RULE"), value("QV_LAST_RULE") + 1)]


CODES = ["-1", "0", "1024", "1025"] + rule_codes()
MARK = "@@example@@"
BATCH_RUN, ADDRESSES, GOOD = "sortmail.btm addresses.txt", "addresses.txt", "type good.txt"
EXTRA_LINES = [" \t  ", "user@m\u00fcnchen.de"]
ENCODINGS = ["cp1252", "utf-8", "utf-16"]
BAD = "type bad.txt"
TOO_LONG = "a" * 8988 + "@example.com"  # 9,000 characters
TOO_LONG_REPORT = re.compile(r'"(1025 line N of FILE\b[^"]*)"')


def pinned_options():
    """The flags (name, default, letter or None) and the saved values' names
    in their load order, as tests/support/options.h pins them."""
    with open(os.path.join(os.path.dirname(__file__), "../support/options.h")) as f:
        text = f.read()
    flags = [(n, int(d), None if l == "0" else l[1]) for n, d, l in
             re.findall(r'\{QT\("(\w+)"\), (\d), (\'.\'|0)\}', text)]
    load = re.search(r"kLoadOrder\[\] = \{(.*?)\};", text, re.S).group(1)
    return flags, re.findall(r'QT\("(\w+)"\)', load)


def option_tables(path):
    """What the guide's options table and list of registry value names get
    wrong against tests/support/options.h."""
    with open(path, encoding="utf-8") as f:
        text = f.read().replace("\r\n", "\n")
    flags, saved = pinned_options()
    start = text.index("Options, with their defaults:")
    rows = re.findall(r"^ {4}/(\S):  .*?(Yes|No)$", text[start:text.index("\n\n", start + 31)], re.M)
    shown = {letter: default for letter, default in rows}
    problems = []
    if len(rows) != len(shown):
        problems.append(f"{path}: the options table names a switch twice")
    for name, default, letter in flags:
        if letter is None:
            continue
        if letter not in shown:
            problems.append(f"{path}: the options table has no row /{letter}: ({name})")
        elif shown.pop(letter) != ("Yes" if default else "No"):
            problems.append(f"{path}: the options table gives /{letter}: ({name}) the wrong default")
    problems += [f"{path}: the options table has /{letter}:, which no flag has" for letter in shown]
    m = re.search(r"per option, named ([\w,\s]+?)\.", text)
    named = re.findall(r"\w+", m.group(1)) if m else []
    if sorted(named) != sorted(saved):
        problems.append(f"{path}: the registry value names are {named}, not {saved}")
    return problems


def blocks(path):
    """Yields (paragraph before, lines) for each indented or fenced block."""
    with open(path, encoding="utf-8") as f:
        lines = f.read().replace("\r\n", "\n").split("\n")
    markdown = path.endswith(".md")
    paragraph, blank, i = [], False, 0
    while i < len(lines):
        line = lines[i]
        if markdown and line.startswith("```"):
            j = i + 1
            while j < len(lines) and not lines[j].startswith("```"):
                j += 1
            yield paragraph, lines[i + 1:j]
            paragraph, i = [], j + 1
        elif not markdown and line.startswith("    "):
            j = i
            while j < len(lines) and (lines[j].startswith("    ") or
                                      (not lines[j].strip() and j + 1 < len(lines) and
                                       lines[j + 1].startswith("    "))):
                j += 1
            body = lines[i:j]
            indent = min(len(l) - len(l.lstrip()) for l in body if l.strip())
            yield paragraph, [l[indent:] for l in body]
            paragraph, i = [], j
        else:
            # The paragraph last seen: its lines up to a blank line.
            if line.strip():
                paragraph = [line] if blank else paragraph + [line]
            blank = not line.strip()
            i += 1


def transcripts(body):
    """The (command, expected lines) pairs of a block."""
    pairs = []
    for line in body:
        m = PROMPT.match(line)
        if m:
            pairs.append((m.group(1), []))
        elif pairs:
            pairs[-1][1].append(line)
    return pairs


def code_table(path):
    """The (code, options, call) examples of the table of result codes."""
    with open(path, encoding="utf-8") as f:
        lines = f.read().replace("\r\n", "\n").split("\n")
    start = lines.index("Result codes")
    end = next(i for i in range(start + 2, len(lines)) if lines[i].startswith("---")) - 1
    codes, examples, code = [], [], None
    for line in lines[start:end]:
        m = CODE_ROW.match(line)
        if m:
            code = m.group(1)
            codes.append(code)
            continue
        m = EXAMPLE_ROW.match(line)
        if m and code:
            examples.append((code, (m.group(1) or "").strip(), m.group(2), SKIP in m.group(3)))
    problems = []
    if sorted(codes, key=int) != CODES:
        problems.append(f"{path}: the table lists {codes}, not {CODES}")
    for c in CODES[1:]:
        n = sum(1 for e in examples if e[0] == c)
        if n != 1:
            problems.append(f"{path}: code {c} has {n} examples, not one")
    if any(e[0] == "-1" for e in examples):
        problems.append(f"{path}: -1 has an example; @quorvel never gives it")
    return examples, problems


def main():
    if len(sys.argv) < 7:
        sys.exit(__doc__.strip().splitlines()[-1])
    runner, hostbin, plugin, tlds, work = (os.path.abspath(a) for a in sys.argv[1:6])
    documents = sys.argv[6:]
    tryout = os.path.join(work, "tryout")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(tryout)
    for f in ("qhost.exe", "TakeCmd.dll"):
        shutil.copy(os.path.join(hostbin, f), tryout)
    shutil.copy(plugin, tryout)
    shutil.copy(tlds, os.path.join(tryout, "TLDs.txt"))
    wide = "x86" if plugin.endswith("x86.dll") else "x64"

    # Every example: (where, set-up lines, command lines, expected lines);
    # the set-up's output is not compared.
    examples, problems, skipped, files, batch_block, report = [], [], 0, {}, None, None
    for doc in documents:
        name = os.path.basename(doc)
        with open(doc, encoding="utf-8") as f:
            found = TOO_LONG_REPORT.search(" ".join(f.read().split()))
        report = report or (found and found.group(1))
        for paragraph, body in blocks(doc):
            intro = " ".join(paragraph)
            m = FILE_INTRO.search(intro)
            if m:
                files[m.group(1)] = ("\n".join(body).rstrip("\n").split("\n"), "utf-8")
                continue
            # Every block starts from the default options.
            setup = ["quorvel /d /z"]
            if any(c == BATCH_RUN for c, _ in transcripts(body)):
                batch_block = transcripts(body)
            for command, expected in transcripts(body):
                if SKIP in intro or SKIP in command:
                    skipped += 1
                    continue
                examples.append((f"{name}: {command}", setup, [command], expected))
                setup = []
        if name == "UserGuide.txt":
            table, found = code_table(doc)
            problems += found + option_tables(doc)
            for code, options, call, skip in table:
                if skip:
                    skipped += 1
                    continue
                setup = ["quorvel /d /z"] + ([f"quorvel /z {options}"] if options else [])
                examples.append((f"{name}: code {code}: {options} {call}".replace("  ", " "),
                                 setup, [f"echo {call}"], [code]))
    if batch_block is None or ADDRESSES not in files:
        problems.append(f"no example runs {BATCH_RUN}")
    else:
        for encoding in ENCODINGS:
            name = f"addresses-{encoding}.txt"
            files[name] = (files[ADDRESSES][0] + EXTRA_LINES, encoding)
            for command, expected in batch_block:
                extra = [EXTRA_LINES[-1]] if command == GOOD else []
                examples.append((f"{BATCH_RUN} in {encoding}, a line of blanks and a Latin-1 letter added: {command}",
                                 [], [command.replace(ADDRESSES, name)], expected + extra))
        name = "addresses-long.txt"
        files[name] = (files[ADDRESSES][0] + [TOO_LONG], "utf-8")
        if not report:
            problems.append(f"no document says what {BATCH_RUN} writes for a line too long (\"1025 line N of FILE...\")")
        for command, expected in batch_block:
            if command == BATCH_RUN:
                expected = ["..."]  # the host's errors
            elif command == BAD and report:
                number = sum(1 for line in files[name][0] if line)  # for /f passes over empty lines
                expected = expected + [report.replace("N", str(number), 1).replace("FILE", name, 1)]
            examples.append((f"{BATCH_RUN} with a line of 9,000 characters added: {command}", [],
                             [command.replace(ADDRESSES, name)], expected))
    for name, (lines, encoding) in files.items():
        with open(os.path.join(work, name), "w", encoding=encoding, newline="\r\n") as f:
            f.write("\n".join(lines) + "\n")
    for where, _, commands, _ in examples:
        if any(re.search(r"(?i)^quorvel\b.*/s", c) for c in commands):
            problems.append(f"{where}: an example must not save the options (/s)")

    script = []
    for i, (_, setup, commands, _) in enumerate(examples):
        script += [f"echo {MARK} -"] + setup + [f"echo {MARK} {i}"] + commands
    script.append(f"echo {MARK} end")
    run = subprocess.run([runner, os.path.join(tryout, "qhost.exe")], cwd=work, input="\r\n".join(script) + "\r\n",
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, encoding="utf-8")
    output = run.stdout.replace("\r\n", "\n").split("\n")
    pieces, current = {}, None
    for line in output:
        if line.startswith(MARK):
            current = line.split()[1]
            pieces[current] = []
        elif current is not None:
            pieces[current].append(line)

    def norm(lines):
        lines = [l.strip() for l in lines]
        while lines and not lines[-1]:
            lines.pop()
        return lines

    for i, (where, _, _, expected) in enumerate(examples):
        got = norm(pieces.get(str(i), ["(no output: the host stopped before this example)"]))
        if wide == "x86":
            got = [l.replace("(x86)", "(x64)") for l in got]
        if not matches(norm(expected), got):
            problems.append(f"{where}\n  the document shows:\n    " + "\n    ".join(expected) +
                            "\n  the plug-in ({}) prints:\n    ".format(wide) + "\n    ".join(got))
    for p in problems:
        print(p)
    print(f"run_examples: {len(examples)} examples run, {skipped} skipped (DNS), {len(problems)} problems")
    return 1 if problems or "end" not in pieces else 0


def matches(expected, got):
    """Whether got fits expected, where a line "..." stands for any lines."""
    if not expected:
        return not got
    if expected[0] == "...":
        return any(matches(expected[1:], got[k:]) for k in range(len(got) + 1))
    return bool(got) and got[0] == expected[0] and matches(expected[1:], got[1:])


if __name__ == "__main__":
    sys.exit(main())
