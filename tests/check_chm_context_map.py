#!/usr/bin/env python3
"""Checks a compiled help file's context map as HTML Help reads it: each
context number in #IVB points at a string in #STRINGS, and that string must
name a page that the file holds ("/page.html"), not a path on the computer
that compiled it. Also checks the expected context numbers are all mapped.

Usage: check_chm_context_map.py CHMLS FILE.chm CONTEXT...
"""
import os
import struct
import subprocess
import sys
import tempfile


def extract(chmls, chm, name, folder):
    out = os.path.join(folder, name.strip("/#"))
    subprocess.run([chmls, "extract", chm, name, out], capture_output=True, check=True)
    with open(out, "rb") as f:
        return f.read()


def main():
    chmls, chm = sys.argv[1], sys.argv[2]
    wanted = [int(x) for x in sys.argv[3:]]
    listing = subprocess.run([chmls, "list", chm], capture_output=True, text=True, check=True)
    pages = {line.split()[-1] for line in listing.stdout.splitlines()
             if line.strip() and line.split()[-1].startswith("/")}
    with tempfile.TemporaryDirectory() as folder:
        ivb = extract(chmls, chm, "/#IVB", folder)
        strings = extract(chmls, chm, "/#STRINGS", folder)
    size = struct.unpack_from("<I", ivb, 0)[0]
    pairs = [struct.unpack_from("<II", ivb, 4 + i) for i in range(0, size, 8)]
    failures = []
    mapped = {}
    for context, offset in pairs:
        end = strings.find(b"\0", offset)
        target = strings[offset:end].decode("latin-1")
        mapped[context] = target
        ok = target in pages
        print(("ok   " if ok else "FAIL ") + "context %d -> %s" % (context, target))
        if not ok:
            failures.append(context)
    for context in wanted:
        if context not in mapped:
            print("FAIL context %d is not mapped" % context)
            failures.append(context)
    if not pairs:
        print("FAIL no context map")
        failures.append(0)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
