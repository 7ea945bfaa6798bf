#!/usr/bin/env python3
"""Sets the two time stamps that chmcmd writes into a compiled help file to
one given time, so that a help file built again from the same sources has
the same bytes. chmcmd writes the time of day of the build, in milliseconds
since midnight, in two places, both outside the compressed section:

  - the ITSF header at offset 0x10, big-endian;
  - the #SYSTEM file's record 10 (4 bytes, little-endian), #SYSTEM being
    stored uncompressed in section 0.

The file is read through its own directory (ITSP/PMGL chunks) to find
#SYSTEM; anything it does not recognise makes it refuse the file and leave
it as it was.

    set_chm_time.py FILE.chm EPOCH       sets both to EPOCH's time of day
    set_chm_time.py --show FILE.chm      prints the offsets and values
"""
import struct
import sys

SYSTEM_TIME_RECORD = 10


class NotUnderstood(Exception):
    pass


def encint(data, pos, end):
    """Reads one ENCINT (7 bits a byte, high bit set on all but the last)."""
    value = 0
    for _ in range(9):
        if pos >= end:
            raise NotUnderstood("directory entry runs past its chunk")
        b = data[pos]
        pos += 1
        value = (value << 7) | (b & 0x7F)
        if not b & 0x80:
            return value, pos
    raise NotUnderstood("ENCINT longer than 9 bytes")


def find_fields(data):
    """[(name, offset, size, byte order)] of the time stamps of DATA."""
    if len(data) < 0x60 or data[:4] != b"ITSF":
        raise NotUnderstood("no ITSF header")
    version, header_len = struct.unpack_from("<II", data, 4)
    if version != 3 or header_len != 0x60:
        raise NotUnderstood("ITSF version %d, header %#x (only version 3, 0x60 known)"
                            % (version, header_len))
    dir_off, dir_len = struct.unpack_from("<QQ", data, 0x48)
    content0 = struct.unpack_from("<Q", data, 0x58)[0]
    if dir_off + dir_len > len(data) or data[dir_off:dir_off + 4] != b"ITSP":
        raise NotUnderstood("no ITSP directory header")
    itsp_len, chunk_size = struct.unpack_from("<II", data, dir_off + 8)[0], \
        struct.unpack_from("<I", data, dir_off + 0x10)[0]
    chunks = struct.unpack_from("<I", data, dir_off + 0x2C)[0]
    if chunk_size < 0x20 or itsp_len + chunks * chunk_size > dir_len:
        raise NotUnderstood("directory chunks do not fit the directory")
    system = None
    for n in range(chunks):
        c = dir_off + itsp_len + n * chunk_size
        if data[c:c + 4] != b"PMGL":
            continue   # index chunks (PMGI) repeat names only
        free = struct.unpack_from("<I", data, c + 4)[0]
        pos, end = c + 0x14, c + chunk_size - free
        if free > chunk_size - 0x14:
            raise NotUnderstood("PMGL chunk with more free space than room")
        while pos < end:
            length, pos = encint(data, pos, end)
            name = data[pos:pos + length]
            pos += length
            section, pos = encint(data, pos, end)
            offset, pos = encint(data, pos, end)
            size, pos = encint(data, pos, end)
            if name == b"/#SYSTEM":
                if section != 0:
                    raise NotUnderstood("#SYSTEM is compressed")
                system = (content0 + offset, size)
    if system is None:
        raise NotUnderstood("no #SYSTEM file")
    start, size = system
    if start + size > len(data) or size < 4:
        raise NotUnderstood("#SYSTEM lies outside the file")
    fields = [("ITSF header", 0x10, ">")]
    pos, end = start + 4, start + size
    while pos + 4 <= end:
        code, length = struct.unpack_from("<HH", data, pos)
        if pos + 4 + length > end:
            raise NotUnderstood("#SYSTEM record %d runs past the file" % code)
        if code == SYSTEM_TIME_RECORD:
            if length != 4:
                raise NotUnderstood("#SYSTEM record 10 is %d bytes, not 4" % length)
            fields.append(("#SYSTEM record 10", pos + 4, "<"))
        pos += 4 + length
    if len(fields) != 2:
        raise NotUnderstood("#SYSTEM holds %d time records, not one" % (len(fields) - 1))
    return fields


def main(argv):
    if len(argv) == 3 and argv[1] == "--show":
        path, epoch = argv[2], None
    elif len(argv) == 3:
        path, epoch = argv[1], int(argv[2])
    else:
        sys.exit(__doc__)
    with open(path, "rb") as f:
        data = bytearray(f.read())
    try:
        fields = find_fields(data)
    except NotUnderstood as e:
        sys.exit("set_chm_time.py: %s: not a help file this script knows (%s); left unchanged"
                 % (path, e))
    if epoch is None:
        for name, offset, order in fields:
            print("%s at %#x: %d" % (name, offset, struct.unpack_from(order + "I", data, offset)[0]))
        return 0
    ms_of_day = (epoch % 86400) * 1000
    for _, offset, order in fields:
        struct.pack_into(order + "I", data, offset, ms_of_day)
    with open(path, "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
