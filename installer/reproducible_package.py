#!/usr/bin/env python3
"""What makes a package that wixl builds the same bytes when it is built
again from the same files (wixl 0.101 gives each package a random package
code and the current times, and its cabinet takes each file's modification
time):

    reproducible_package.py stage EPOCH DEST SRC-DIR[=SUBFOLDER]...
        copies each SRC-DIR's files into DEST (emptied first), or into
        DEST/SUBFOLDER, keeping the paths below SRC-DIR, every file and
        folder with the time EPOCH; wixl then reads these copies.
    reproducible_package.py seal EPOCH PACKAGE.msi
        sets the summary information's times (created, last saved, last
        printed) to EPOCH and its package code (revision number) to a hash of
        the package's contents, written in place (same sizes).

The product code is not touched: it follows from the version.
"""
import hashlib
import os
import shutil
import struct
import sys
import uuid

SUMMARY = "\x05SummaryInformation"
PID_REVNUMBER = 9            # the package code
TIME_PIDS = (11, 12, 13)     # last printed, created, last saved
VT_LPSTR = 30
VT_FILETIME = 64
# A GUID in the form the summary information holds it, all zero: the
# package code while the hash is taken.
PLACEHOLDER = b"{00000000-0000-0000-0000-000000000000}"
# Package codes are name-based UUIDs in this namespace, named by the hash.
NAMESPACE = uuid.UUID("7A41C0E2-5B39-4C8E-A0D6-3E9B1F2C4D51")


def die(message):
    sys.exit("reproducible_package.py: " + message)


def stage(epoch, dest, sources):
    if os.path.isdir(dest):
        shutil.rmtree(dest)
    os.makedirs(dest)
    for source in sources:
        src, _, sub = source.partition("=")
        if not os.path.isdir(src):
            die("no folder " + src)
        for base, _, names in os.walk(src):
            to = os.path.normpath(os.path.join(dest, sub, os.path.relpath(base, src)))
            os.makedirs(to, exist_ok=True)
            for name in names:
                shutil.copyfile(os.path.join(base, name), os.path.join(to, name))
    for base, dirs, names in os.walk(dest):
        for name in names + dirs:
            os.utime(os.path.join(base, name), (epoch, epoch))
    os.utime(dest, (epoch, epoch))


class CompoundFile:
    """A stream of a compound file (the container of a package), read and
    written in place: its bytes keep their sectors, so nothing else moves."""
    END = 0xFFFFFFFE

    def __init__(self, data):
        self.data = data
        if data[:8] != bytes.fromhex("D0CF11E0A1B11AE1"):
            die("not a compound file")
        self.shift, self.mini_shift = struct.unpack_from("<HH", data, 0x1E)
        first_dir, = struct.unpack_from("<I", data, 0x30)
        self.cutoff, first_minifat = struct.unpack_from("<II", data, 0x38)
        fat_sectors = [s for s in struct.unpack_from("<109I", data, 0x4C) if s < self.END]
        difat, ndifat = struct.unpack_from("<II", data, 0x44)
        per = (1 << self.shift) // 4
        while ndifat and difat < self.END:
            entries = struct.unpack_from("<%dI" % per, data, self.sector(difat))
            fat_sectors += [s for s in entries[:-1] if s < self.END]
            difat, ndifat = entries[-1], ndifat - 1
        self.fat = []
        for s in fat_sectors:
            self.fat += struct.unpack_from("<%dI" % per, data, self.sector(s))
        directory = b"".join(data[o:o + (1 << self.shift)] for o in self.chain(first_dir))
        self.entries = {}
        for at in range(0, len(directory), 128):
            n = struct.unpack_from("<H", directory, at + 0x40)[0]
            name = directory[at:at + max(n - 2, 0)].decode("utf-16-le", "replace")
            start, size = struct.unpack_from("<II", directory, at + 0x74)
            self.entries.setdefault(name, (start, size))
        self.root_start = struct.unpack_from("<I", directory, 0x74)[0]
        self.minifat = []
        for o in self.chain(first_minifat):
            self.minifat += struct.unpack_from("<%dI" % per, data, o)

    def sector(self, n):
        return (n + 1) << self.shift

    def chain(self, start, fat=None):
        fat = self.fat if fat is None else fat
        seen = set()
        while start < self.END:
            if start in seen or start >= len(fat):
                die("broken sector chain in the compound file")
            seen.add(start)
            yield self.sector(start) if fat is self.fat else start
            start = fat[start]

    def offsets(self, name):
        """File offsets of each piece of the stream NAME: [(offset, length)]."""
        if name not in self.entries:
            die("no stream %r in the package" % name)
        start, size = self.entries[name]
        if size >= self.cutoff:
            unit, pieces = 1 << self.shift, list(self.chain(start))
        else:
            unit = 1 << self.mini_shift
            mini_stream = list(self.chain(self.root_start))
            big = 1 << self.shift
            pieces = []
            for m in self.chain(start, self.minifat):
                at = m * unit
                pieces.append(mini_stream[at // big] + at % big)
        out, left = [], size
        for o in pieces:
            out.append((o, min(unit, left)))
            left -= unit
            if left <= 0:
                break
        return out

    def read(self, name):
        return bytearray(b"".join(self.data[o:o + n] for o, n in self.offsets(name)))

    def write(self, name, stream):
        at = 0
        for o, n in self.offsets(name):
            self.data[o:o + n] = stream[at:at + n]
            at += n
        if at != len(stream):
            die("stream %r changed size" % name)


def summary_fields(data):
    """{pid: (type, offset of the value)} of the first property section."""
    if len(data) < 48 or struct.unpack_from("<H", data, 0)[0] != 0xFFFE:
        die("summary information has no property set header")
    section = struct.unpack_from("<I", data, 44)[0]
    if section + 8 > len(data):
        die("summary information section lies outside the stream")
    count = struct.unpack_from("<I", data, section + 4)[0]
    fields = {}
    for n in range(count):
        pid, off = struct.unpack_from("<II", data, section + 8 + 8 * n)
        at = section + off
        if at + 4 > len(data):
            die("property %d lies outside the stream" % pid)
        fields[pid] = (struct.unpack_from("<I", data, at)[0], at + 4)
    return fields


def seal(epoch, package):
    with open(package, "rb") as f:
        cf = CompoundFile(bytearray(f.read()))
    data = cf.read(SUMMARY)
    fields = summary_fields(data)
    # Windows FILETIME: 100 ns since 1601-01-01.
    filetime = (epoch + 11644473600) * 10000000
    for pid in TIME_PIDS:
        if pid in fields:
            vt, at = fields[pid]
            if vt != VT_FILETIME:
                die("summary property %d is of type %d, not a time" % (pid, vt))
            struct.pack_into("<Q", data, at, filetime)
    if PID_REVNUMBER not in fields:
        die("no package code in the summary information")
    vt, at = fields[PID_REVNUMBER]
    length = struct.unpack_from("<I", data, at)[0] if vt == VT_LPSTR else 0
    code_at = at + 4
    if vt != VT_LPSTR or length < len(PLACEHOLDER) or data[code_at] != ord("{"):
        die("the package code is not a GUID string")
    # The hash is of the package with the package code all zero.
    data[code_at:code_at + len(PLACEHOLDER)] = PLACEHOLDER
    cf.write(SUMMARY, data)
    digest = hashlib.sha256(cf.data).hexdigest()
    code = ("{%s}" % uuid.uuid5(NAMESPACE, digest)).upper().encode()
    data[code_at:code_at + len(code)] = code
    cf.write(SUMMARY, data)
    with open(package, "wb") as f:
        f.write(cf.data)
    print("package code %s" % code.decode())


def main(argv):
    if len(argv) >= 4 and argv[1] == "stage":
        stage(int(argv[2]), argv[3], argv[4:])
    elif len(argv) == 4 and argv[1] == "seal":
        seal(int(argv[2]), argv[3])
    else:
        sys.exit(__doc__)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
