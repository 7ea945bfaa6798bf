#!/usr/bin/env python3
"""Rewrites the timings table of tests/README.md from a log of tools/test.sh.

    bash tools/test.sh 2>&1 | tee test.log
    python3 tools/measure/record-timings.py test.log [--note "warm run, 2 cores"]

The table sits between the two marker lines below; everything else in the
file stays. Each stage's time is the difference between the "== STAGE (at
N s)" lines that tools/test.sh prints; a tree's test count is CTest's own
summary line. The host kind is this host's: whether it runs 32-bit code.
"""
import argparse
import os
import re
import subprocess
import sys
import time

BEGIN = "<!-- timings: written by tools/measure/record-timings.py; do not edit by hand -->"
END = "<!-- end of timings -->"
README = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "README.md")


def stages(log):
    marks = [(m.group(1), int(m.group(2)))
             for m in re.finditer(r"^== (.+) \(at (\d+) s\)$", log, re.M)]
    return [(name, nxt - at) for (name, at), (_, nxt) in zip(marks, marks[1:])]


def test_counts(log):
    return re.findall(r"^(\d+)% tests passed, (\d+) tests failed out of (\d+)", log, re.M)


def runs_32bit_code():
    try:
        return subprocess.run(["/lib/ld-linux.so.2", "--version"], capture_output=True).returncode == 0
    except OSError:
        return False


def table(log, note):
    rows = ["| stage | seconds |", "|---|---|"]
    rows += ["| %s | %d |" % (name, secs) for name, secs in stages(log)]
    counts = test_counts(log)
    lines = [BEGIN, "",
             "Measured %s on a host that %s 32-bit code%s:" % (
                 time.strftime("%Y-%m-%d"), "runs" if runs_32bit_code() else "refuses",
                 " (" + note + ")" if note else ""), ""]
    lines += rows
    if counts:
        lines += ["", "CTest, tree by tree: " + "; ".join(
            "%s of %s passed" % (int(total) - int(failed), total) for _, failed, total in counts) + "."]
    lines += ["", END]
    return "\n".join(lines)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("log")
    ap.add_argument("--note", default="")
    args = ap.parse_args()
    log = open(args.log, errors="replace").read()
    if not stages(log):
        sys.exit("no stage lines in " + args.log)
    text = open(README).read()
    block = table(log, args.note)
    if BEGIN in text and END in text:
        text = text[:text.index(BEGIN)] + block + text[text.index(END) + len(END):]
    else:
        text = text.rstrip("\n") + "\n\n## Timings\n\n" + block + "\n"
    open(README, "w").write(text)


if __name__ == "__main__":
    main()
