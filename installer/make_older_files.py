#!/usr/bin/env python3
"""Makes the programs of an older build for the upgrade test: copies of a
build tree's programs and help files whose fixed version information (the
file and product version that Windows Installer compares) reads VERSION,
as an older build's would, and of its custom action DLLs as they are. The
copies still run.

    make_older_files.py BIN-DIR OUT-DIR VERSION      VERSION as A.B.C
"""
import os
import shutil
import struct
import sys

PROGRAMS = ("updnotify/updnotify.exe", "modpanel/modpanel.exe")
HELP_FILES = ("updnotify/updnotify.chm", "modpanel/modpanel.chm")
CUSTOM_ACTIONS = ("customaction/inputchecks32.dll", "customaction/inputchecks64.dll")
SIGNATURE = struct.pack("<I", 0xFEEF04BD)


def main(argv):
    if len(argv) != 4:
        sys.stderr.write(__doc__)
        return 2
    bindir, outdir, version = argv[1:]
    major, minor, patch = (int(x) for x in version.split("."))
    ms, ls = (major << 16) | minor, patch << 16
    for name in PROGRAMS + HELP_FILES + CUSTOM_ACTIONS:
        os.makedirs(os.path.dirname(os.path.join(outdir, name)), exist_ok=True)
        shutil.copyfile(os.path.join(bindir, name), os.path.join(outdir, name))
    for name in PROGRAMS:
        path = os.path.join(outdir, name)
        with open(path, "rb") as f:
            image = bytearray(f.read())
        at = image.find(SIGNATURE)
        if at < 0 or image.find(SIGNATURE, at + 1) >= 0:
            sys.exit("make_older_files.py: no single version resource in " + path)
        # VS_FIXEDFILEINFO: signature, struct version, file version (MS,
        # LS), product version (MS, LS).
        struct.pack_into("<IIII", image, at + 8, ms, ls, ms, ls)
        with open(path, "wb") as f:
            f.write(image)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
