#!/usr/bin/env python3
"""Prints the lines of code (not blank, not only a comment) of the tracked
files, by kind, and the tests' share of the product's lines.

    count-lines.py [REV]

Without REV the files as they are in the working tree; with one, as that
commit holds them (git show). The kinds:
  product     the programs' C++ and resource scripts: common/, framework/,
              catalogue/, updnotify/, modpanel/, and the package's custom
              action DLL (installer/customaction/)
  server      the vendor's side: server/ (the endpoint and vendorctl)
  tests       tests/ (programs, drivers, scripts, harness)
  tools       tools/ but tools/build/: entry scripts, the vendor server,
              checks, measurements, screenshots, tool programs, the VM
  fuzz        fuzz/ programs and scripts (not the corpus or dictionaries)
  generators  what the build runs to write files: the icon, table, help and
              package scripts (Python and shell beside the product, in
              help/, installer/ and tools/build/)
  build       CMakeLists.txt files and cmake/
Documents, help pages, data files and the package's WiX source are not
counted.
"""
import os
import re
import subprocess
import sys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
PRODUCT = ("common", "framework", "catalogue", "updnotify", "modpanel")
C_LIKE = (".c", ".cpp", ".h", ".rc", ".in")
HASH = (".py", ".sh", ".cmake")


def kind(path):
    top = path.split("/")[0]
    name = os.path.basename(path)
    ext = os.path.splitext(name)[1]
    if name == "CMakeLists.txt" or top == "cmake":
        return "build"
    if top == "tests":
        return "tests" if ext in C_LIKE + HASH or name == "run" else None
    if top == "fuzz":
        return "fuzz" if ext in C_LIKE + HASH else None
    if path.startswith("tools/build/"):
        return "generators"
    if top == "tools":
        return "tools" if ext in C_LIKE + HASH or "." not in name else None
    if (top in PRODUCT or path.startswith("installer/customaction/")) and ext in C_LIKE:
        return "product"
    if top == "server":
        return "server" if ext in HASH or "." not in name or name.endswith(".cgi") else None
    if top in PRODUCT + ("help", "installer") and ext in HASH:
        return "generators"
    return None


def code_lines(text, path):
    """Lines that hold code: not blank, not only a comment (C and C++
    comments in C-like files; "#" lines and docstrings elsewhere)."""
    if path.endswith(C_LIKE):
        # Comments out, strings kept whole (a "//" inside one is text).
        text = re.sub(r'"(?:\\.|[^"\\\n])*"|//[^\n]*|/\*.*?\*/',
                      lambda m: m.group(0) if m.group(0)[0] == '"'
                      else re.sub(r"[^\n]", " ", m.group(0)), text, flags=re.S)
        return sum(1 for line in text.splitlines() if line.strip())
    count = 0
    quote = None
    for line in text.splitlines():
        s = line.strip()
        if quote:
            if quote in s:
                quote = None
            continue
        if not s or s.startswith("#"):
            continue
        if path.endswith(".py") and s[:3] in ('"""', "'''"):
            # A docstring (or a string standing alone): a comment.
            if s.count(s[:3]) == 1:
                quote = s[:3]
            continue
        count += 1
    return count


def files(rev):
    args = ["ls-tree", "-r", "--name-only", rev] if rev else ["ls-files"]
    out = subprocess.run(["git", "-C", ROOT, *args], capture_output=True, text=True, check=True)
    return out.stdout.splitlines()


def read(path, rev):
    if rev:
        return subprocess.run(["git", "-C", ROOT, "show", f"{rev}:{path}"], capture_output=True,
                              check=True).stdout.decode("latin-1")
    full = os.path.join(ROOT, path)
    if not os.path.isfile(full):
        return ""   # deleted in the working tree, not yet committed
    with open(full, encoding="latin-1") as f:
        return f.read()


def main():
    rev = sys.argv[1] if len(sys.argv) > 1 else None
    totals = {k: 0 for k in ("product", "server", "tests", "tools", "fuzz", "generators", "build")}
    for path in files(rev):
        k = kind(path)
        if k:
            totals[k] += code_lines(read(path, rev), path)
    print(f"lines of code at {rev or 'the working tree'} (not blank, not only a comment)")
    for k, n in totals.items():
        print(f"  {k:11} {n:6}")
    code = totals["product"] + totals["server"]
    print(f"  tests / (product + server): {totals['tests'] / code:.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
