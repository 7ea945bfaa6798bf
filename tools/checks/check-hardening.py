#!/usr/bin/env python3
"""Fails unless each Windows program given is built with the mitigations
that Windows applies only when the PE header asks for them:

  - ASLR: DYNAMIC_BASE, and a base relocation table that is present and
    not empty (an image without relocations is loaded at its preferred
    base whatever the flag says);
  - DEP: NX_COMPAT;
  - on 64-bit programs also HIGH_ENTROPY_VA;
  - no section that is both writable and executable.

Usage: check-hardening.py PROGRAM...
"""
import struct
import sys

DYNAMIC_BASE = 0x0040
HIGH_ENTROPY_VA = 0x0020
NX_COMPAT = 0x0100
RELOCS_STRIPPED = 0x0001
SCN_EXECUTE = 0x20000000
SCN_WRITE = 0x80000000
BASERELOC_DIRECTORY = 5


def faults(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"MZ" or len(data) < 0x40:
        return ["not a PE program"]
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        return ["no PE signature"]
    machine, nsections, _, _, _, opt_size, characteristics = struct.unpack_from("<HHIIIHH", data, pe + 4)
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    if magic == 0x10B:
        dll_at, dirs_at = opt + 70, opt + 96
    elif magic == 0x20B:
        dll_at, dirs_at = opt + 70, opt + 112
    else:
        return ["unknown optional header %#x" % magic]
    dll = struct.unpack_from("<H", data, dll_at)[0]
    reloc_rva, reloc_size = struct.unpack_from("<II", data, dirs_at + 8 * BASERELOC_DIRECTORY)
    found = []
    if not dll & DYNAMIC_BASE:
        found.append("no DYNAMIC_BASE (ASLR)")
    if characteristics & RELOCS_STRIPPED or reloc_rva == 0 or reloc_size == 0:
        found.append("no base relocations (ASLR cannot move it)")
    if not dll & NX_COMPAT:
        found.append("no NX_COMPAT (DEP)")
    if magic == 0x20B and not dll & HIGH_ENTROPY_VA:
        found.append("no HIGH_ENTROPY_VA on a 64-bit program")
    sections = opt + opt_size
    for n in range(nsections):
        at = sections + 40 * n
        name = data[at:at + 8].rstrip(b"\0").decode("ascii", "replace")
        flags = struct.unpack_from("<I", data, at + 36)[0]
        if flags & SCN_WRITE and flags & SCN_EXECUTE:
            found.append("section %s is writable and executable" % name)
    return found


def main(paths):
    if not paths:
        sys.exit(__doc__)
    status = 0
    for path in paths:
        found = faults(path)
        if found:
            status = 1
            for fault in found:
                print("%s: %s" % (path, fault))
        else:
            print("%s: ASLR, DEP, no writable code" % path.rsplit("/", 1)[-1])
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
