#!/usr/bin/env python3
"""Runs clang-tidy with the checks of the root .clang-tidy over the programs'
own code (common/, framework/, catalogue/, updnotify/, modpanel/,
installer/customaction/), as a
build tree's compile database compiles it, and fails on any finding.

    check-tidy.py BUILD-DIR [--counts]

--counts prints only the number of findings of each check (a header's
finding counts once, however many files include it). clang-tidy reads the
mingw build's commands once it is given the compiler's own C++ headers,
which are found from the compiler that the database names.
"""
import argparse
import json
import os
import re
import shutil
import subprocess
import sys
from collections import Counter
from concurrent.futures import ThreadPoolExecutor

SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
PRODUCT = ("common", "framework", "catalogue", "updnotify", "modpanel",
           os.path.join("installer", "customaction"))
FINDING = re.compile(r"^(/[^:]+):(\d+):(\d+): (?:warning|error): (.*) \[([\w.,-]+)\]$")


def tidy_program():
    for name in ("clang-tidy-14", "clang-tidy"):
        path = shutil.which(name)
        if path:
            return path
    sys.exit("check-tidy: no clang-tidy on PATH (tools/setup.sh installs clang-tidy)")


def cxx_headers(compiler):
    """-isystem arguments for the C++ headers of a mingw gcc: clang finds the
    C headers of the target, not gcc's own C++ library."""
    libgcc = subprocess.run([compiler, "-print-libgcc-file-name"], capture_output=True,
                            text=True, check=True).stdout.strip()
    target = os.path.basename(compiler).split("-g++")[0]
    base = os.path.join(os.path.dirname(libgcc), "include", "c++")
    return [base, os.path.join(base, target)]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build_dir")
    parser.add_argument("--counts", action="store_true")
    args = parser.parse_args()

    with open(os.path.join(args.build_dir, "compile_commands.json")) as f:
        commands = json.load(f)
    files = sorted({e["file"] for e in commands
                    if any(os.path.relpath(e["file"], SOURCE).startswith(folder + os.sep)
                           for folder in PRODUCT)})
    if not files:
        sys.exit("check-tidy: no product files in the compile database")
    compiler = next(e for e in commands if e["file"] in files)["command"].split()[0]
    extra = [f"--extra-arg=-isystem{d}" for d in cxx_headers(compiler)]
    tidy = tidy_program()

    def run(path):
        return subprocess.run([tidy, "--quiet", "-p", args.build_dir, *extra, path],
                              capture_output=True, text=True, cwd=SOURCE)

    findings = {}
    unread = []
    with ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        for path, result in zip(files, pool.map(run, files)):
            found = False
            for line in result.stdout.splitlines():
                m = FINDING.match(line)
                if m:
                    found = True
                    where = (os.path.relpath(m[1], SOURCE), int(m[2]), int(m[3]), m[5])
                    findings[where] = m[4]
            # A compile error is a finding too ("clang-diagnostic-error");
            # a failure without one is a file that clang-tidy did not read.
            if result.returncode != 0 and not found:
                unread.append((path, result.stderr.strip()[-500:]))

    counts = Counter(key[3] for key in findings)
    if args.counts:
        for check, n in sorted(counts.items()):
            print(f"{check:40} {n}")
        print(f"{'total':40} {sum(counts.values())} in {len(files)} files")
        return 0
    for (path, line, col, check), message in sorted(findings.items()):
        print(f"{path}:{line}:{col}: {message} [{check}]")
    for path, why in unread:
        print(f"check-tidy: clang-tidy did not read {os.path.relpath(path, SOURCE)}: {why}")
    print(f"check-tidy: {len(findings)} findings in {len(files)} files")
    return 1 if findings or unread else 0


if __name__ == "__main__":
    sys.exit(main())
