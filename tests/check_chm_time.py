#!/usr/bin/env python3
"""set_chm_time.py on a help file that chmcmd built: it finds exactly the
two time stamps (the ITSF header's and #SYSTEM record 10), sets both and
changes no other byte; it refuses, leaving the file as it was, a file that
is not a help file, a truncated one, and one whose #SYSTEM lacks the time.

    check_chm_time.py SET_CHM_TIME.py BUILT.chm WORK-DIR
"""
import os
import shutil
import struct
import subprocess
import sys

EPOCH = 1799971200 + 3723       # 01:02:03 in the day: 3723000 ms
MS = 3723000


def run(tool, *args):
    return subprocess.run([sys.executable, tool] + list(args), capture_output=True, text=True)


def main(tool, built, work):
    os.makedirs(work, exist_ok=True)
    errors = []
    path = os.path.join(work, "patched.chm")
    shutil.copyfile(built, path)
    shown = run(tool, "--show", path).stdout.splitlines()
    names = [line.split(" at ")[0] for line in shown]
    if names != ["ITSF header", "#SYSTEM record 10"]:
        errors.append("fields found: %r" % shown)
    if run(tool, path, str(EPOCH)).returncode != 0:
        errors.append("a built help file was refused")
    before = open(built, "rb").read()
    after = open(path, "rb").read()
    changed = [i for i in range(len(before)) if before[i] != after[i]]
    offsets = [int(line.split(" at ")[1].split(":")[0], 16) for line in shown]
    allowed = {o + k for o in offsets for k in range(4)}
    if len(before) != len(after) or not set(changed) <= allowed:
        errors.append("bytes changed outside the time stamps: %r" % sorted(set(changed) - allowed)[:8])
    if len(offsets) == 2 and (struct.unpack_from(">I", after, offsets[0])[0] != MS
                              or struct.unpack_from("<I", after, offsets[1])[0] != MS):
        errors.append("time stamps not set to %d ms" % MS)

    # #SYSTEM's time record renamed to another code: refused.
    no_time = bytearray(before)
    if len(offsets) == 2:
        struct.pack_into("<H", no_time, offsets[1] - 4, 0x7777)
    bad = {"not a help file": b"MZ" + before[2:], "truncated": before[:0x200],
           "no time in #SYSTEM": bytes(no_time)}
    for what, data in bad.items():
        p = os.path.join(work, "bad.chm")
        with open(p, "wb") as f:
            f.write(data)
        r = run(tool, p, str(EPOCH))
        if r.returncode == 0 or "not a help file this script knows" not in r.stderr:
            errors.append("%s: not refused (%s)" % (what, r.stderr.strip()))
        if open(p, "rb").read() != data:
            errors.append("%s: changed although refused" % what)
    for e in errors:
        print("FAIL: " + e)
    if not errors:
        print("time stamps at %s set; 3 bad files refused" % ", ".join(hex(o) for o in offsets))
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
