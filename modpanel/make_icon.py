#!/usr/bin/env python3
"""Draws the component panel's program icon (resource 201): a 32 x 32 image
in 16 colours, a grey panel holding four coloured component blocks, one per
component type. Writes the .ico that modpanel.rc compiles in.

    make_icon.py OUT.ico            write the icon (the build does, into its
                                    own tree)
"""
import struct
import sys

SIZE = 32
PALETTE = [
    (0, 0, 0),          # 0 black (also the clear colour)
    (40, 40, 48),       # 1 outline
    (150, 150, 160),    # 2 panel, shade
    (205, 205, 215),    # 3 panel
    (245, 245, 250),    # 4 panel, highlight
    (30, 90, 200),      # 5 blue block (ActiveX)
    (40, 160, 70),      # 6 green block (libraries)
    (230, 150, 30),     # 7 amber block (scripting)
    (160, 60, 170),     # 8 violet block (.NET)
    (255, 255, 255),    # 9 white
    (20, 50, 120),      # 10 blue, dark
    (20, 90, 40),       # 11 green, dark
    (150, 90, 10),      # 12 amber, dark
    (90, 30, 100),      # 13 violet, dark
    (128, 128, 128),    # 14 grey (unused)
    (192, 192, 192),    # 15 silver (unused)
]


def draw():
    px = [[None] * SIZE for _ in range(SIZE)]
    # The panel: a rounded-off grey plate with a light top-left edge.
    for y in range(2, 30):
        for x in range(2, 30):
            if (x, y) in ((2, 2), (29, 2), (2, 29), (29, 29)):
                continue
            edge = x in (2, 29) or y in (2, 29)
            px[y][x] = 1 if edge else (4 if x == 3 or y == 3 else (2 if x == 28 or y == 28 else 3))
    # Four component blocks, each with a dark rim and a white light spot.
    blocks = [(6, 6, 5, 10), (17, 6, 6, 11), (6, 17, 7, 12), (17, 17, 8, 13)]
    for (bx, by, fill, rim) in blocks:
        for y in range(by, by + 9):
            for x in range(bx, bx + 9):
                rimmed = x in (bx, bx + 8) or y in (by, by + 8)
                px[y][x] = rim if rimmed else fill
        px[by + 2][bx + 2] = 9
        px[by + 2][bx + 3] = 9
        px[by + 3][bx + 2] = 9
    return px


def icon_bytes(px):
    xor = bytearray()
    for y in range(SIZE - 1, -1, -1):           # bottom-up rows
        row = [c if c is not None else 0 for c in px[y]]
        for x in range(0, SIZE, 2):
            xor.append((row[x] << 4) | row[x + 1])
    mask = bytearray()
    for y in range(SIZE - 1, -1, -1):
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (1 if px[y][x] is None else 0)
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack(
        "<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + image


def main(argv):
    data = icon_bytes(draw())
    if len(argv) != 2 or argv[1].startswith("-"):
        print(__doc__)
        return 2
    out = argv[1]
    with open(out, "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
