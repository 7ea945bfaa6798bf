#!/usr/bin/env python3
"""Draws the component panel's program icon (resource 201): a grey panel
holding four coloured component blocks, one per component type. The 32 x 32
image in 16 colours is placed pixel by pixel; the 32-bit images with alpha
at 16, 20, 24, 32, 40, 48, 64 and 256 pixels are drawn from the same shapes
at their own size (tools/build/iconlib.py). Writes the .ico that modpanel.rc
compiles in.

    make_icon.py OUT.ico            write the icon (the build does, into its
                                    own tree)
    make_icon.py --check FILE.ico   fail when FILE lacks a size or differs
                                    from what this draws
    make_icon.py --sheet OUT.png    write every drawn size, 1x and 4x
"""
import math
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools", "build"))
import iconlib  # noqa: E402

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


def classic_image(px):
    """The 16-colour 32 x 32 image as an icon entry holds it."""
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
    return header + palette + bytes(xor) + bytes(mask)


def rounded(x0, y0, x1, y1, r):
    """A rectangle with rounded corners of radius r, clockwise on the screen."""
    if r <= 0:
        return iconlib.rect(x0, y0, x1, y1)
    pts = []
    for (cx, cy, start) in ((x1 - r, y0 + r, -90), (x1 - r, y1 - r, 0),
                            (x0 + r, y1 - r, 90), (x0 + r, y0 + r, 180)):
        for k in range(7):
            a = math.radians(start + 15 * k)
            pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def draw_size(size):
    """The icon drawn for size pixels, 32-bit with alpha."""
    img = iconlib.Image(size)
    px = 32.0 / size                            # one pixel in design units
    ow = max(1, round(size / 40)) * px          # outline width
    sn = img.snap if size <= 48 else (lambda v: v)
    c = PALETTE
    # The plate: corners rounded by a pixel at small sizes, by more where
    # there are pixels for a curve; lit along its top and left edges.
    r = px if size < 48 else 1.5
    plate = rounded(sn(2), sn(2), sn(30), sn(30), r)
    img.fill(plate, c[1])
    img.fill(iconlib.offset(plate, -ow), c[3])
    band = max(px, 1.0)
    if size >= 24:
        lo, hi = sn(2) + ow, sn(30) - ow
        img.fill(iconlib.rect(lo, lo, hi, lo + band), c[4])
        img.fill(iconlib.rect(lo, lo + band, lo + band, hi), c[4])
        img.fill(iconlib.rect(lo + band, hi - band, hi, hi), c[2])
        img.fill(iconlib.rect(hi - band, lo + band, hi, hi - band), c[2])
    # The component blocks: a dark rim from 24 pixels up, a light spot from
    # 32 up; below that a block is its colour alone, with room between.
    for (bx, by, fill, rim) in ((6, 6, 5, 10), (17, 6, 6, 11), (6, 17, 7, 12), (17, 17, 8, 13)):
        x1, y1 = sn(bx + 9), sn(by + 9)
        if size < 24:   # keep a pixel between the blocks
            x1 = min(x1, sn(17) - px) if bx == 6 else x1
            y1 = min(y1, sn(17) - px) if by == 6 else y1
        block = iconlib.rect(sn(bx), sn(by), x1, y1)
        if size >= 24:
            img.fill(block, c[rim])
            img.fill(iconlib.offset(block, -ow), c[fill])
        else:
            img.fill(block, c[fill])
        if size >= 32:
            spot = max(px, 1.0)
            sx, sy = sn(bx + 2), sn(by + 2)
            img.fill(iconlib.rect(sx, sy, sx + 2 * spot, sy + spot), c[9])
            img.fill(iconlib.rect(sx, sy + spot, sx + spot, sy + 2 * spot), c[9])
    return img


def icon_bytes(px):
    return iconlib.ico(classic_image(px), [draw_size(s) for s in iconlib.SIZES])


def main(argv):
    if len(argv) == 3 and argv[1] == "--sheet":
        with open(argv[2], "wb") as f:
            f.write(iconlib.sheet([draw_size(s) for s in iconlib.SIZES]))
        return 0
    data = icon_bytes(draw())
    if len(argv) == 3 and argv[1] == "--check":
        fault = iconlib.check(argv[2], data)
        if fault:
            print(fault)
            return 1
        return 0
    if len(argv) != 2 or argv[1].startswith("-"):
        print(__doc__)
        return 2
    out = argv[1]
    with open(out, "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
