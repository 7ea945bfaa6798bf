#!/usr/bin/env python3
"""Draws the notifier's program icon (resource 128): an amber arrow pointing
down into an open blue box, the product family's colours. The 32 x 32 image
in 16 colours is placed pixel by pixel; the 32-bit images with alpha at
16, 20, 24, 32, 40, 48, 64 and 256 pixels are drawn from the same shapes at
their own size (tools/build/iconlib.py). Writes the .ico that updnotify.rc
compiles in.

    make_icon.py OUT.ico            write the icon (the build does, into its
                                    own tree)
    make_icon.py --check FILE.ico   fail when FILE lacks a size or differs
                                    from what this draws
    make_icon.py --preview OUT.png  write the 16-colour image 8x enlarged
    make_icon.py --sheet OUT.png    write every drawn size, 1x and 4x
"""
import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools", "build"))
import iconlib  # noqa: E402

SIZE = 32
CLEAR = None            # transparent: AND mask bit set, colour 0

PALETTE = [             # (red, green, blue); index 0 doubles as "clear"
    (0, 0, 0),          # 0 black
    (16, 32, 72),       # 1 outline, deep navy
    (27, 63, 139),      # 2 blue, shaded side
    (45, 96, 190),      # 3 blue, front
    (110, 150, 225),    # 4 blue, light
    (180, 205, 245),    # 5 blue, rim highlight
    (150, 80, 5),       # 6 amber, outline
    (245, 166, 35),     # 7 amber
    (255, 210, 120),    # 8 amber, highlight
    (255, 255, 255),    # 9 white
    (10, 20, 50),       # 10 inside of the box
    (215, 125, 15),     # 11 amber, shaded side
    (192, 192, 192),    # 12 silver (unused)
    (0, 0, 128),        # 13 navy (unused)
    (128, 0, 0),        # 14 maroon (unused)
    (0, 128, 0),        # 15 green (unused)
]


def inside(poly, x, y):
    """Even-odd test of the pixel centre (x + .5, y + .5) against poly."""
    px, py = x + 0.5, y + 0.5
    hit = False
    n = len(poly)
    for i in range(n):
        (x0, y0), (x1, y1) = poly[i], poly[(i + 1) % n]
        if (y0 > py) != (y1 > py):
            if px < x0 + (py - y0) * (x1 - x0) / (y1 - y0):
                hit = not hit
    return hit


class Canvas:
    def __init__(self):
        self.px = [[CLEAR] * SIZE for _ in range(SIZE)]

    def fill(self, poly, colour):
        """Fills poly; answers the set of pixels it covered."""
        covered = set()
        for y in range(SIZE):
            for x in range(SIZE):
                if inside(poly, x, y):
                    self.px[y][x] = colour
                    covered.add((x, y))
        return covered

    def outline(self, covered, colour):
        """Recolours the pixels of a shape that touch its outside."""
        for (x, y) in covered:
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                if (x + dx, y + dy) not in covered:
                    self.px[y][x] = colour
                    break

    def set(self, x, y, colour):
        self.px[y][x] = colour


def rect(x0, y0, x1, y1):
    """Polygon of the pixels x0..x1-1, y0..y1-1."""
    return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]


def draw():
    c = Canvas()
    # The box: its open top seen from a little above (dark inside, light
    # rim), then the arrow dropping into it, then the front face, which
    # hides the arrow's tip.
    c.fill(rect(2, 16, 30, 22), 1)
    c.fill(rect(4, 17, 28, 21), 10)
    for x in range(3, 29):
        c.set(x, 16, 5)

    shaft = rect(12, 1, 20, 13)
    head = [(5, 12), (27, 12), (16, 24)]
    arrow = c.fill(shaft, 7) | c.fill(head, 7)
    # Light along the left edge, shade down the right: lit from the top left.
    for y in range(2, 13):
        c.set(13, y, 8)
        c.set(18, y, 11)
    for i in range(9):
        c.set(7 + i, 13 + i, 8)
        c.set(24 - i, 13 + i, 11)
    c.outline(arrow, 6)

    front = c.fill(rect(2, 21, 30, 31), 3)
    for y in range(22, 30):
        c.set(28, y, 2)
        c.set(27, y, 2)
    for x in range(3, 29):
        c.set(x, 22, 4)
    c.outline(front, 1)
    # A short label line on the front, as on a shipping carton.
    for x in range(8, 24):
        c.set(x, 26, 5)
    return c


def classic_image(c):
    """The 16-colour 32 x 32 image as an icon entry holds it."""
    row_xor = SIZE // 2                 # 4 bits a pixel
    row_and = ((SIZE + 31) // 32) * 4   # 1 bit a pixel, rows of whole DWORDs
    xor = bytearray()
    mask = bytearray()
    for y in range(SIZE - 1, -1, -1):   # bottom-up, as DIBs are stored
        line = c.px[y]
        for x in range(0, SIZE, 2):
            hi = line[x] if line[x] is not CLEAR else 0
            lo = line[x + 1] if line[x + 1] is not CLEAR else 0
            xor.append((hi << 4) | lo)
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (1 if line[x] is CLEAR else 0)
        mask += struct.pack(">I", bits)[:row_and]
    assert len(xor) == row_xor * SIZE
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    return header + palette + bytes(xor) + bytes(mask)


def rgb(index):
    return PALETTE[index]


def draw_size(size):
    """The icon drawn for size pixels, 32-bit with alpha."""
    img = iconlib.Image(size)
    px = 32.0 / size                            # one pixel in design units
    ow = max(1, round(size / 40)) * px          # outline width
    small = size <= 48
    sn = img.snap if small else (lambda v: v)
    detail = size >= 24

    # The back of the box, dark inside, a light rim along its top edge.
    back = iconlib.rect(sn(2), sn(16), sn(30), sn(22))
    img.fill(back, rgb(1))
    img.fill(iconlib.offset(back, -ow), rgb(10))
    if detail:
        img.fill(iconlib.rect(sn(2) + ow, sn(16), sn(30) - ow, sn(16) + ow), rgb(5))

    # The arrow, lit from the top left: a light strip down the left of the
    # shaft, a shaded one down its right.
    x0, x1, top, neck = sn(12), sn(20), sn(1), sn(12)
    arrow = [(x0, top), (x1, top), (x1, neck), (27, neck), (16, 24), (5, neck), (x0, neck)]
    img.fill(arrow, rgb(6))
    img.fill(iconlib.offset(arrow, -ow), rgb(7))
    if detail:
        strip = max(px, 1.0)
        img.fill(iconlib.rect(x0 + ow, top + ow, x0 + ow + strip, neck), rgb(8))
        img.fill(iconlib.rect(x1 - ow - strip, top + ow, x1 - ow, neck), rgb(11))

    # The front of the box hides the arrow's tip: a light top edge, a
    # shaded right side and, where there is room, a label line.
    front = iconlib.rect(sn(2), sn(21), sn(30), sn(31))
    img.fill(front, rgb(1))
    inner = iconlib.offset(front, -ow)
    img.fill(inner, rgb(3))
    if detail:
        (ix0, iy0), (ix1, _), (_, iy1) = inner[0], inner[1], inner[2]
        img.fill(iconlib.rect(ix0, iy0, ix1, iy0 + max(px, 1.0)), rgb(4))
        img.fill(iconlib.rect(ix1 - max(px, 1.0) * 2, iy0 + max(px, 1.0), ix1, iy1), rgb(2))
        img.fill(iconlib.rect(sn(8), sn(26), sn(24), sn(26) + max(px, 1.0)), rgb(5))
    return img


def ico_bytes(c):
    return iconlib.ico(classic_image(c), [draw_size(s) for s in iconlib.SIZES])


def png_bytes(c, scale=8):
    """An enlarged RGB picture, clear pixels on a checkerboard."""
    side = SIZE * scale
    raw = bytearray()
    for y in range(side):
        raw.append(0)
        for x in range(side):
            v = c.px[y // scale][x // scale]
            if v is CLEAR:
                g = 200 if ((x // 8) + (y // 8)) % 2 else 235
                raw += bytes((g, g, g))
            else:
                raw += bytes(PALETTE[v])

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def main(argv):
    canvas = draw()
    if len(argv) == 3 and argv[1] == "--check":
        fault = iconlib.check(argv[2], ico_bytes(canvas))
        if fault:
            print(fault)
            return 1
        return 0
    if len(argv) == 3 and argv[1] == "--sheet":
        with open(argv[2], "wb") as f:
            f.write(iconlib.sheet([draw_size(s) for s in iconlib.SIZES]))
        return 0
    if len(argv) == 3 and argv[1] == "--preview":
        with open(argv[2], "wb") as f:
            f.write(png_bytes(canvas))
        return 0
    if len(argv) != 2 or argv[1].startswith("-"):
        print(__doc__)
        return 2
    out = argv[1]
    with open(out, "wb") as f:
        f.write(ico_bytes(canvas))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
