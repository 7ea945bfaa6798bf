"""Drawing and writing the programs' icons (used by updnotify/make_icon.py and
modpanel/make_icon.py).

An icon is drawn once for each size from shapes given in a 32-unit design
square: polygons are filled with exact horizontal coverage over 4 sample rows
a pixel (anti-aliased edges, alpha where a shape ends), so a 20 or a 256
pixel image is drawn at that size, not scaled from another picture. The
generators choose per size which details to draw and snap their straight
edges to the pixel grid at small sizes.

The .ico holds the 16-colour 32 x 32 image (for displays and systems that
take nothing else) and 32-bit images with alpha at SIZES. Images of
PNG_FROM pixels and more are stored PNG-compressed, which Windows Vista and
later read at any size, smaller ones as plain 32-bit DIBs. All are PNG: the
eight images then cost about 5 KiB an icon instead of 20 KiB (DIBs below
48 pixels) or 300 KiB (DIBs throughout); a system that cannot read them
takes the 16-colour image.
"""
import struct
import zlib

SIZES = (16, 20, 24, 32, 40, 48, 64, 256)
PNG_FROM = 16
SUB = 4                 # sample rows a pixel


class Image:
    """Premultiplied-free RGBA pixels, composited "over" as shapes arrive."""

    def __init__(self, size):
        self.size = size
        self.px = [[(0, 0, 0, 0)] * size for _ in range(size)]

    def scale(self, v):
        return v * self.size / 32.0

    def snap(self, v):
        """A design coordinate on a whole pixel of this size."""
        return round(v * self.size / 32.0) * 32.0 / self.size

    def fill(self, poly, rgb, alpha=1.0):
        """Fills a polygon (design units, even-odd) in rgb."""
        s = self.size
        pts = [(self.scale(x), self.scale(y)) for (x, y) in poly]
        cover = {}
        n = len(pts)
        y_lo = max(0, int(min(p[1] for p in pts) * SUB))
        y_hi = min(s * SUB, int(max(p[1] for p in pts) * SUB) + 1)
        for sy in range(y_lo, y_hi):
            yc = (sy + 0.5) / SUB
            xs = []
            for i in range(n):
                (x0, y0), (x1, y1) = pts[i], pts[(i + 1) % n]
                if (y0 > yc) != (y1 > yc):
                    xs.append(x0 + (yc - y0) * (x1 - x0) / (y1 - y0))
            xs.sort()
            row = cover.setdefault(int(yc), {})
            for a, b in zip(xs[0::2], xs[1::2]):
                a, b = max(a, 0.0), min(b, float(s))
                if b <= a:
                    continue
                for x in range(int(a), min(int(b) + 1, s)):
                    part = min(b, x + 1.0) - max(a, float(x))
                    if part > 0:
                        row[x] = row.get(x, 0.0) + part / SUB
        for y, row in cover.items():
            line = self.px[y]
            for x, c in row.items():
                a = min(c, 1.0) * alpha
                if a <= 0.002:
                    continue
                r0, g0, b0, a0 = line[x]
                a0 /= 255.0
                out = a + a0 * (1 - a)
                mix = [(rgb[k] * a + (r0, g0, b0)[k] * a0 * (1 - a)) / out for k in range(3)]
                line[x] = (round(mix[0]), round(mix[1]), round(mix[2]), round(out * 255))


def rect(x0, y0, x1, y1):
    return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]


def offset(poly, d):
    """The polygon grown by d (shrunk for negative d): each edge moved out
    along its normal, corners mitred. For the simple shapes drawn here,
    given clockwise on the screen (y down)."""
    n = len(poly)
    lines = []
    for i in range(n):
        (x0, y0), (x1, y1) = poly[i], poly[(i + 1) % n]
        dx, dy = x1 - x0, y1 - y0
        length = (dx * dx + dy * dy) ** 0.5
        nx, ny = dy / length, -dx / length          # outward for clockwise
        lines.append(((x0 + nx * d, y0 + ny * d), (dx, dy)))
    out = []
    for i in range(n):
        (p, r), (q, t) = lines[i - 1], lines[i]
        den = r[0] * t[1] - r[1] * t[0]
        if abs(den) < 1e-9:
            out.append(q)
            continue
        u = ((q[0] - p[0]) * t[1] - (q[1] - p[1]) * t[0]) / den
        out.append((p[0] + u * r[0], p[1] + u * r[1]))
    return out


def png(width, height, rgba_rows, colour_type=6):
    """A PNG of rows of (r, g, b, a) (colour type 6) or (r, g, b) (type 2)."""
    raw = bytearray()
    for row in rgba_rows:
        raw.append(0)
        for p in row:
            raw += bytes(p[:4] if colour_type == 6 else p[:3])

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def dib32(img):
    """A 32-bit DIB with alpha and its AND mask, as an icon entry holds it."""
    s = img.size
    header = struct.pack("<IiiHHIIiiII", 40, s, s * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    mask = bytearray()
    row_and = ((s + 31) // 32) * 4
    for y in range(s - 1, -1, -1):
        bits = 0
        for (r, g, b, a) in img.px[y]:
            xor += bytes((b, g, r, a))
            bits = (bits << 1) | (1 if a == 0 else 0)
        bits <<= row_and * 8 - s
        mask += bits.to_bytes(row_and, "big")
    return header + bytes(xor) + bytes(mask)


def ico(classic32, images):
    """The .ico: the classic 16-colour 32 x 32 image (its DIB bytes) first,
    then one 32-bit image for each drawn size."""
    entries = [(32, 16, 4, classic32)]
    for img in images:
        data = png(img.size, img.size, img.px) if img.size >= PNG_FROM else dib32(img)
        entries.append((img.size, 0, 32, data))
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset_ = 6 + 16 * len(entries)
    for (s, colours, bpp, data) in entries:
        out += struct.pack("<BBBBHHII", s % 256, s % 256, colours, 0, 1, bpp, len(data), offset_)
        offset_ += len(data)
    return out + b"".join(e[3] for e in entries)


def read_ico(data):
    """The entries of an .ico as (width, height, bits a pixel, PNG or not),
    each checked against its own image header."""
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    assert kind == 1, "not an icon"
    found = []
    for i in range(count):
        w, h, _, _, _, bpp, size, at = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        w, h = w or 256, h or 256
        image = data[at:at + size]
        assert len(image) == size, "entry %d runs past the end" % i
        if image[:8] == b"\x89PNG\r\n\x1a\n":
            pw, ph, depth, ctype = struct.unpack_from(">IIBB", image, 16)
            assert (pw, ph) == (w, h), "PNG entry %d is %dx%d, listed %dx%d" % (i, pw, ph, w, h)
            found.append((w, h, depth * (4 if ctype == 6 else 3), True))
        else:
            _, bw, bh, _, bbpp = struct.unpack_from("<IiiHH", image, 0)
            assert (bw, bh) == (w, h * 2), "DIB entry %d is %dx%d, listed %dx%d" % (i, bw, bh, w, h)
            found.append((w, h, bbpp, False))
    return found


def check(path, data):
    """Fails (returns a message) when the committed .ico at path lacks a
    size or differs from what the generator draws (data)."""
    with open(path, "rb") as f:
        committed = f.read()
    entries = read_ico(committed)
    have = {(w, bpp) for (w, h, bpp, _) in entries if w == h}
    missing = [s for s in SIZES if (s, 32) not in have]
    if missing or (32, 4) not in have:
        return "%s lacks %s" % (path, ", ".join(
            ["%d px 32-bit" % s for s in missing] + ([] if (32, 4) in have else ["32 px 16-colour"])))
    if committed != data:
        return "%s differs from what its make_icon.py draws; run make_icon.py" % path
    return None


def sheet(images, scale=4):
    """A preview PNG: each drawn size at 1x and enlarged, on a checkerboard."""
    cells = [(img, 1) for img in images] + [(img, scale) for img in images if img.size <= 64]
    width = sum(img.size * k + 8 for (img, k) in cells) + 8
    height = max(img.size * k for (img, k) in cells) + 16
    rows = []
    for y in range(height):
        row = [((235, 235, 235) if ((x // 8) + (y // 8)) % 2 else (205, 205, 205)) for x in range(width)]
        rows.append(row)
    x0 = 8
    for (img, k) in cells:
        for y in range(img.size * k):
            for x in range(img.size * k):
                r, g, b, a = img.px[y // k][x // k]
                bg = rows[8 + y][x0 + x]
                t = a / 255.0
                rows[8 + y][x0 + x] = tuple(round(c * t + d * (1 - t)) for c, d in zip((r, g, b), bg))
        x0 += img.size * k + 8
    return png(width, height, rows, colour_type=2)
