#!/usr/bin/env python3
"""Draws the plug-in's bitmaps and icons and writes them into res/.

Pure Python 3 standard library: the pictures are built from simple shapes, sampled several times
per pixel for smooth edges, and written as Windows BMP (4 and 8 bits per pixel, with full colour
tables) and ICO files (32-bit with alpha and 8-bit, each with its AND mask, in 32x32 and 16x16).

Pictures drawn with transparency use magenta RGB(255, 0, 255) as the key colour around the
picture; no opaque pixel ever takes that colour, and the key never blends into an edge.

Run:  python3 res/art/genart.py   (writes next to res/vroemui.rc)
"""
import math
import os
import struct

KEY = (255, 0, 255)
OUT_DIR = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

# The 16 colours of the standard VGA palette, the colour table of every 4-bit bitmap.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = VGA16[:8]
GREY, RED, LIME, YELLOW, BLUE, _MAGENTA, CYAN, WHITE = VGA16[8:]


# ---------------------------------------------------------------------------------------------
# Shapes: each is (bounding box, inside(x, y) test, colour(x, y)). Coordinates are pixels as
# floats; (0, 0) is the top-left corner of the top-left pixel.

def _const(c):
    return lambda x, y: c


def _colour(c):
    return c if callable(c) else _const(c)


class Canvas:
    def __init__(self, width, height, samples=3):
        self.width, self.height, self.samples = width, height, samples
        self.shapes = []

    def add(self, box, inside, colour):
        self.shapes.append((box, inside, _colour(colour)))

    # -- primitives --------------------------------------------------------------------------
    def rect(self, x0, y0, x1, y1, colour):
        self.add((x0, y0, x1, y1), lambda x, y: True, colour)

    def round_rect(self, x0, y0, x1, y1, r, colour):
        def inside(x, y):
            dx = max(x0 + r - x, 0.0, x - (x1 - r))
            dy = max(y0 + r - y, 0.0, y - (y1 - r))
            return dx * dx + dy * dy <= r * r
        self.add((x0, y0, x1, y1), inside, colour)

    def ellipse(self, cx, cy, rx, ry, colour):
        self.add((cx - rx, cy - ry, cx + rx, cy + ry),
                 lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0, colour)

    def circle(self, cx, cy, r, colour):
        self.ellipse(cx, cy, r, r, colour)

    def ring(self, cx, cy, r_in, r_out, colour, start=None, end=None):
        """A ring; with start/end (degrees, counter-clockwise from 3 o'clock) an arc of it."""
        def inside(x, y):
            d2 = (x - cx) ** 2 + (y - cy) ** 2
            if not r_in * r_in <= d2 <= r_out * r_out:
                return False
            if start is None:
                return True
            a = math.degrees(math.atan2(cy - y, x - cx)) % 360.0
            return (a - start) % 360.0 <= (end - start) % 360.0
        self.add((cx - r_out, cy - r_out, cx + r_out, cy + r_out), inside, colour)

    def polygon(self, points, colour):
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        n = len(points)

        def inside(x, y):
            c = False
            j = n - 1
            for i in range(n):
                xi, yi = points[i]
                xj, yj = points[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    c = not c
                j = i
            return c
        self.add((min(xs), min(ys), max(xs), max(ys)), inside, colour)

    def line(self, x0, y0, x1, y1, width, colour):
        """A stroke with round ends."""
        h = width / 2.0
        dx, dy = x1 - x0, y1 - y0
        ll = dx * dx + dy * dy or 1e-9

        def inside(x, y):
            t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / ll))
            px, py = x0 + t * dx - x, y0 + t * dy - y
            return px * px + py * py <= h * h
        self.add((min(x0, x1) - h, min(y0, y1) - h, max(x0, x1) + h, max(y0, y1) + h),
                 inside, colour)

    def frame(self, x0, y0, x1, y1, width, colour):
        self.rect(x0, y0, x1, y0 + width, colour)
        self.rect(x0, y1 - width, x1, y1, colour)
        self.rect(x0, y0, x0 + width, y1, colour)
        self.rect(x1 - width, y0, x1, y1, colour)

    # -- rendering ---------------------------------------------------------------------------
    def render(self, background=None):
        """Returns rows of (rgb, coverage). With a background colour every pixel is opaque."""
        n = self.samples
        offsets = [(i + 0.5) / n for i in range(n)]
        rows = []
        for py in range(self.height):
            row_shapes = [s for s in self.shapes if s[0][1] < py + 1 and s[0][3] > py]
            row = []
            for px in range(self.width):
                shapes = [s for s in row_shapes if s[0][0] < px + 1 and s[0][2] > px]
                shapes.reverse()
                r = g = b = 0
                covered = 0
                for oy in offsets:
                    y = py + oy
                    for ox in offsets:
                        x = px + ox
                        for box, inside, colour in shapes:
                            if box[0] <= x <= box[2] and box[1] <= y <= box[3] and inside(x, y):
                                c = colour(x, y)
                                r += c[0]
                                g += c[1]
                                b += c[2]
                                covered += 1
                                break
                total = n * n
                if background is not None:
                    bg = total - covered
                    r += background[0] * bg
                    g += background[1] * bg
                    b += background[2] * bg
                    row.append(((round(r / total), round(g / total), round(b / total)), 1.0))
                elif covered:
                    row.append(((round(r / covered), round(g / covered), round(b / covered)),
                                covered / total))
                else:
                    row.append(((0, 0, 0), 0.0))
            rows.append(row)
        return rows


# ---------------------------------------------------------------------------------------------
# Colour helpers

def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def hsv(h, s, v):
    h = (h % 1.0) * 6.0
    i = int(h)
    f = h - i
    p, q, t = v * (1 - s), v * (1 - s * f), v * (1 - s * (1 - f))
    r, g, b = [(v, t, p), (q, v, p), (p, v, t), (p, q, v), (t, p, v), (v, p, q)][i % 6]
    return (round(r * 255), round(g * 255), round(b * 255))


def grey_of(c):
    v = round(0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2])
    return (v, v, v)


def vgrad(y0, y1, c0, c1):
    return lambda x, y: mix(c0, c1, (y - y0) / float(y1 - y0))


def _dist2(a, b):
    dr, dg, db = a[0] - b[0], a[1] - b[1], a[2] - b[2]
    return 3 * dr * dr + 4 * dg * dg + 2 * db * db


def nearest_index(colour, palette, cache, exclude=None):
    key = (colour, exclude)
    hit = cache.get(key)
    if hit is None:
        best, hit = None, 0
        for i, p in enumerate(palette):
            if i == exclude:
                continue
            d = _dist2(colour, p)
            if best is None or d < best:
                best, hit = d, i
        cache[key] = hit
    return hit


def opaque_pixels(rows, transparent):
    """Flattens rendered rows to rgb; transparent pixels (coverage < 1/2) become the key."""
    out = []
    for row in rows:
        for c, cov in row:
            if transparent and cov < 0.5:
                out.append(None)
            else:
                out.append(c)
    return out


def adaptive_palette(pixels, keep_key):
    """A 256-entry colour table fitted to the picture (the key colour first when needed)."""
    counts = {}
    for c in pixels:
        if c is not None and c != KEY:
            counts[c] = counts.get(c, 0) + 1
    palette = [KEY] if keep_key else []
    room = 256 - len(palette)
    if len(counts) <= room:
        palette += sorted(counts)
    else:
        # Popularity on a 5-bit grid, each cell represented by its mean colour.
        cells = {}
        for c, k in counts.items():
            cell = (c[0] >> 3, c[1] >> 3, c[2] >> 3)
            s = cells.setdefault(cell, [0, 0, 0, 0])
            s[0] += c[0] * k
            s[1] += c[1] * k
            s[2] += c[2] * k
            s[3] += k
        best = sorted(cells.values(), key=lambda s: -s[3])[:room]
        palette += [(round(s[0] / s[3]), round(s[1] / s[3]), round(s[2] / s[3])) for s in best]
    # Unused entries: a grey ramp, so the table is always complete.
    i = 0
    while len(palette) < 256:
        v = (i * 37) % 256
        if (v, v, v) not in palette:
            palette.append((v, v, v))
        i += 1
    return palette


# ---------------------------------------------------------------------------------------------
# File writers

def write_bmp(name, width, height, pixels, bits, palette, transparent):
    """pixels: row-major rgb (None = key colour). bits 4 or 8, palette of 2^bits entries."""
    assert len(palette) == 1 << bits
    cache = {}
    key_index = palette.index(KEY) if KEY in palette else None
    indexes = []
    for c in pixels:
        if c is None:
            assert transparent and key_index is not None
            indexes.append(key_index)
        else:
            indexes.append(nearest_index(c, palette, cache, exclude=key_index))
    stride = ((width * bits + 31) // 32) * 4
    data = bytearray()
    for y in range(height - 1, -1, -1):  # bottom-up
        row = indexes[y * width:(y + 1) * width]
        line = bytearray()
        if bits == 8:
            line += bytes(row)
        else:
            for x in range(0, width, 2):
                hi = row[x]
                lo = row[x + 1] if x + 1 < width else 0
                line.append((hi << 4) | lo)
        line += b"\0" * (stride - len(line))
        data += line
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(data), 2835, 2835, 0, 0)
    offset = 14 + len(info) + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    with open(os.path.join(OUT_DIR, name), "wb") as f:
        f.write(header + info + table + data)


def bitmap_256(name, canvas, transparent, post=None):
    rows = canvas.render(None if transparent else WHITE)
    pixels = opaque_pixels(rows, transparent)
    if post:
        pixels = [None if c is None else post(c) for c in pixels]
    palette = adaptive_palette(pixels, transparent)
    write_bmp(name, canvas.width, canvas.height, pixels, 8, palette, transparent)


def bitmap_16(name, canvas, transparent):
    rows = canvas.render(None if transparent else WHITE)
    write_bmp(name, canvas.width, canvas.height, opaque_pixels(rows, transparent), 4, VGA16,
              transparent)


def _and_mask(size, covered):
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for y in range(size - 1, -1, -1):
        line = bytearray(stride)
        for x in range(size):
            if not covered[y * size + x]:
                line[x >> 3] |= 0x80 >> (x & 7)
        out += line
    return out


def icon_images(draw, size):
    """32-bit (alpha) and 8-bit images of one size, as ICO directory entries + data."""
    canvas = Canvas(size, size, 4)
    draw(canvas, size / 32.0)
    rows = canvas.render(None)
    flat = [p for row in rows for p in row]
    covered = [cov >= 0.5 for _, cov in flat]
    images = []
    # 32 bits per pixel, straight alpha.
    data = bytearray()
    for y in range(size - 1, -1, -1):
        for x in range(size):
            (r, g, b), cov = flat[y * size + x]
            a = round(cov * 255)
            data += struct.pack("<BBBB", b if a else 0, g if a else 0, r if a else 0, a)
    hdr = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    images.append((size, 32, 0, hdr + data + _and_mask(size, covered)))
    # 8 bits per pixel with a fitted colour table.
    pixels = [c if cov >= 0.5 else None for c, cov in flat]
    palette = adaptive_palette(pixels, False)
    cache = {}
    stride = ((size * 8 + 31) // 32) * 4
    data = bytearray()
    for y in range(size - 1, -1, -1):
        line = bytearray()
        for x in range(size):
            c = pixels[y * size + x]
            line.append(0 if c is None else nearest_index(c, palette, cache))
        data += line + b"\0" * (stride - len(line))
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    hdr = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    images.append((size, 8, 0, hdr + table + data + _and_mask(size, covered)))
    return images


def write_ico(name, draw):
    images = icon_images(draw, 32) + icon_images(draw, 16)
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    blobs = b""
    for size, bits, colours, blob in images:
        entries += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bits, len(blob), offset)
        offset += len(blob)
        blobs += blob
    with open(os.path.join(OUT_DIR, name), "wb") as f:
        f.write(head + entries + blobs)


# ---------------------------------------------------------------------------------------------
# Pictures

def glyph_e(cx, cy, r):
    """Inside test of a lower-case 'e' of radius r: a ring, its crossbar and an open lower right."""
    w = r * 0.3

    def inside(x, y):
        dx, dy = x - cx, y - cy
        d = math.hypot(dx, dy)
        if abs(dy) <= w / 2 and abs(dx) <= r - w * 0.2:
            return True
        if not r - w <= d <= r:
            return False
        a = math.degrees(math.atan2(-dy, dx)) % 360.0
        return not (300.0 <= a <= 350.0 or (a < 10.0 and dy >= 0))
    return inside


def resolution_picture(name, cell):
    """A printed page beside a lens that shows one letter at the printer's dot pitch."""
    c = Canvas(180, 117)
    c.rect(0, 0, 180, 117, vgrad(0, 117, (234, 241, 250), (196, 212, 232)))
    # The page, with a soft shadow, lines of text and a small picture.
    c.rect(16, 14, 68, 104, (170, 184, 204))
    c.rect(13, 11, 65, 101, WHITE)
    c.rect(19, 18, 59, 40, vgrad(18, 40, (120, 170, 220), (70, 140, 90)))
    c.circle(50, 24, 4, (250, 210, 70))
    for i, length in enumerate((40, 36, 40, 28, 40, 33, 40, 22)):
        c.rect(19, 46 + i * 6.5, 19 + length, 48.5 + i * 6.5, (90, 98, 112))
    # The lens and its handle.
    lx, ly, lr = 124, 54, 42
    c.line(lx - 30, ly + 30, 76, ly + 48, 7, (70, 72, 80))
    c.circle(lx, ly, lr + 4, (52, 60, 76))
    inside_e = glyph_e(lx, ly, 28)
    ink = (28, 44, 96)
    gap = 1.0 if cell >= 4 else 0.0

    def lens_colour(x, y):
        # The letter as the printer places it: whole dots of the given pitch.
        gx = lx + (math.floor((x - lx) / cell) + 0.5) * cell
        gy = ly + (math.floor((y - ly) / cell) + 0.5) * cell
        fx = (x - lx) / cell - math.floor((x - lx) / cell)
        fy = (y - ly) / cell - math.floor((y - ly) / cell)
        if inside_e(gx, gy) and (gap == 0.0 or (fx * cell >= gap and fy * cell >= gap)):
            return ink
        return (250, 251, 253)
    c.circle(lx, ly, lr, lens_colour)
    c.ring(lx, ly, lr - 3, lr, (255, 255, 255))
    c.ring(lx, ly, lr - 3, lr - 1.5, (214, 226, 242))
    bitmap_256(name, c, False)


def landscape(name, grey):
    c = Canvas(190, 155)
    c.rect(0, 0, 190, 155, vgrad(0, 90, (70, 140, 225), (190, 225, 250)))
    c.circle(148, 32, 15, (255, 214, 64))
    c.circle(148, 32, 11, (255, 238, 140))
    c.polygon([(0, 95), (40, 48), (70, 78), (104, 36), (150, 88), (190, 62), (190, 110),
               (0, 110)], vgrad(36, 110, (120, 110, 130), (80, 100, 90)))
    c.polygon([(92, 47), (104, 36), (116, 50), (108, 47), (100, 53)], (245, 245, 250))
    c.rect(0, 96, 190, 122, vgrad(96, 122, (120, 180, 70), (50, 130, 50)))
    c.ellipse(60, 112, 48, 8, vgrad(104, 120, (70, 150, 210), (40, 100, 170)))
    c.circle(160, 92, 10, (40, 110, 40))
    c.rect(158, 98, 162, 112, (110, 74, 40))
    c.circle(22, 96, 7, (50, 120, 45))
    c.rect(20, 100, 24, 110, (110, 74, 40))
    # Colour swatches: cyan, magenta, yellow, red, green, blue, black.
    c.rect(0, 122, 190, 155, (250, 250, 250))
    swatches = [(0, 160, 224), (228, 0, 124), (255, 230, 0), (230, 40, 40), (40, 170, 70),
                (40, 70, 190), (30, 30, 30)]
    for i, col in enumerate(swatches):
        x = 8 + i * 25.5
        c.rect(x, 128, x + 22, 149, col)
    bitmap_256(name, c, False, post=grey_of if grey else None)


def link_picture(name):
    """A toolbar-like button face: a globe, our initials and an arrow."""
    c = Canvas(140, 32, 1)
    c.round_rect(1, 1, 139, 31, 4, BLACK)
    c.round_rect(1, 1, 138, 30, 4, WHITE)
    c.round_rect(2, 2, 138, 30, 3, GREY)
    c.round_rect(2, 2, 137, 29, 3, SILVER)
    c.circle(17, 16, 10, NAVY)
    c.circle(17, 16, 9, BLUE)
    c.ring(17, 16, 5, 6.2, CYAN, 270, 90)
    c.ring(17, 16, 5, 6.2, CYAN, 90, 270)
    c.rect(8, 15.5, 26, 16.7, CYAN)
    c.rect(16.4, 7, 17.6, 25, CYAN)
    draw_initials(c, 34, 7, 18, NAVY, 3.2)
    c.circle(124, 16, 9, GREEN)
    c.polygon([(121, 10), (129, 16), (121, 22)], WHITE)
    bitmap_16(name, c, True)


def draw_initials(c, x, y, h, colour, stroke):
    """The letters V and R, height h, built from strokes."""
    w = h * 0.8
    c.line(x, y, x + w / 2, y + h, stroke, colour)
    c.line(x + w, y, x + w / 2, y + h, stroke, colour)
    rx = x + w + h * 0.35
    c.line(rx, y, rx, y + h, stroke, colour)
    bowl_r = h * 0.27
    c.line(rx, y, rx + w * 0.45, y, stroke, colour)
    c.line(rx, y + 2 * bowl_r, rx + w * 0.45, y + 2 * bowl_r, stroke, colour)
    c.ring(rx + w * 0.45, y + bowl_r, bowl_r - stroke / 2, bowl_r + stroke / 2, colour, 270, 90)
    c.line(rx + w * 0.3, y + 2 * bowl_r, rx + w * 0.85, y + h, stroke, colour)


def about_logo(name):
    c = Canvas(260, 180)
    cx, cy, r = 130, 66, 36
    centres = [(cx - 20, cy - 12), (cx + 20, cy - 12), (cx, cy + 20)]
    inks = [(0, 0.62, 0.88), (0.9, 0.0, 0.52), (1.0, 0.9, 0.0)]  # cyan, magenta, yellow as RGB

    def colour(x, y):
        rgb = [1.0, 1.0, 1.0]
        for (px, py), ink in zip(centres, inks):
            if (x - px) ** 2 + (y - py) ** 2 <= r * r:
                rgb = [rgb[i] * ink[i] for i in range(3)]
        return tuple(round(30 + v * 225) for v in rgb)

    def inside(x, y):
        return any((x - px) ** 2 + (y - py) ** 2 <= r * r for px, py in centres)
    c.add((cx - 60, cy - 52, cx + 60, cy + 60), inside, colour)
    for (px, py) in centres:
        c.ring(px, py, r - 1.2, r, (255, 255, 255))
    draw_initials(c, 86, 122, 40, (24, 40, 92), 8)
    c.rect(40, 171, 220, 174, vgrad(171, 174, (0, 160, 224), (24, 40, 92)))
    bitmap_256(name, c, True)


def mode_button(name, kind):
    c = Canvas(48, 44)
    cx, cy, r = 24, 22, 19
    if kind in ("auto", "grey"):
        def wheel(x, y):
            a = math.atan2(cy - y, x - cx) / (2 * math.pi)
            d = math.hypot(x - cx, y - cy) / r
            col = hsv(a, min(1.0, 0.25 + d), 1.0)
            return col if kind == "auto" else mix((40, 40, 40), (250, 250, 250), a % 1.0)
        c.circle(cx, cy, r + 1.5, (70, 74, 84))
        c.circle(cx, cy, r, wheel)
        c.circle(cx, cy, 6.5, (70, 74, 84))
        c.circle(cx, cy, 5, WHITE)
    elif kind == "calder":
        centres = [(cx - 7, cy - 5), (cx + 7, cy - 5), (cx, cy + 7)]
        inks = [(0, 0.62, 0.88), (0.9, 0.05, 0.52), (1.0, 0.9, 0.0)]
        rr = 13

        def colour(x, y):
            rgb = [1.0, 1.0, 1.0]
            for (px, py), ink in zip(centres, inks):
                if (x - px) ** 2 + (y - py) ** 2 <= rr * rr:
                    rgb = [rgb[i] * ink[i] for i in range(3)]
            return tuple(round(25 + v * 230) for v in rgb)
        c.add((0, 0, 48, 44),
              lambda x, y: any((x - px) ** 2 + (y - py) ** 2 <= rr * rr for px, py in centres),
              colour)
    elif kind == "meridan":
        c.round_rect(4, 2, 44, 42, 5, (60, 66, 80))
        a, b, d = (24, 7), (39, 36), (9, 36)

        def tri(x, y):
            den = (b[1] - d[1]) * (a[0] - d[0]) + (d[0] - b[0]) * (a[1] - d[1])
            wa = ((b[1] - d[1]) * (x - d[0]) + (d[0] - b[0]) * (y - d[1])) / den
            wb = ((d[1] - a[1]) * (x - d[0]) + (a[0] - d[0]) * (y - d[1])) / den
            wd = 1 - wa - wb
            m = max(wa, wb, wd, 1e-6)
            return (round(255 * max(wa, 0) / m), round(255 * max(wb, 0) / m),
                    round(255 * max(wd, 0) / m))
        c.polygon([a, b, d], tri)
        c.circle(24, 27, 2.5, WHITE)
    elif kind == "nomatch":
        cols = [(230, 30, 40), (250, 200, 0), (30, 160, 60), (0, 150, 220), (40, 60, 200),
                (140, 50, 170)]
        for i, col in enumerate(cols):
            x = 4 + (i % 3) * 14
            y = 7 + (i // 3) * 16
            c.rect(x, y, x + 12, y + 14, (50, 54, 64))
            c.rect(x + 1, y + 1, x + 11, y + 13, col)
    bitmap_256(name, c, True)


def profile_doc(c, x, y, stripes):
    c.polygon([(x, y), (x + 16, y), (x + 23, y + 7), (x + 23, y + 30), (x, y + 30)], BLACK)
    c.polygon([(x + 1, y + 1), (x + 15, y + 1), (x + 22, y + 8), (x + 22, y + 29),
               (x + 1, y + 29)], WHITE)
    c.polygon([(x + 15, y + 1), (x + 22, y + 8), (x + 15, y + 8)], SILVER)
    for i, col in enumerate(stripes):
        c.rect(x + 4, y + 12 + i * 5, x + 19, y + 15 + i * 5, col)


def printer(c, x, y):
    c.rect(x + 8, y, x + 26, y + 12, BLACK)
    c.rect(x + 9, y + 1, x + 25, y + 12, WHITE)
    for i in range(3):
        c.rect(x + 11, y + 3 + i * 3, x + 23, y + 4 + i * 3, GREY)
    c.rect(x + 1, y + 11, x + 33, y + 28, BLACK)
    c.rect(x + 2, y + 12, x + 32, y + 27, SILVER)
    c.rect(x + 2, y + 12, x + 32, y + 14, WHITE)
    c.rect(x + 6, y + 22, x + 28, y + 24, GREY)
    c.rect(x + 26, y + 16, x + 29, y + 18, LIME)
    c.rect(x + 5, y + 28, x + 29, y + 32, BLACK)
    c.rect(x + 6, y + 28, x + 28, y + 31, GREY)


def arrow(c, x, y, length):
    c.rect(x, y - 1.5, x + length - 6, y + 1.5, NAVY)
    c.polygon([(x + length - 7, y - 6), (x + length, y), (x + length - 7, y + 6)], NAVY)


def profile_bitmap(name):
    c = Canvas(34, 34, 1)
    profile_doc(c, 5, 2, (RED, GREEN, BLUE))
    bitmap_16(name, c, True)


def printer_bitmap(name):
    c = Canvas(34, 34, 1)
    printer(c, 0, 1)
    bitmap_16(name, c, True)


def link_chain_bitmap(name):
    c = Canvas(212, 32, 1)
    profile_doc(c, 4, 1, (RED, GREEN, BLUE))
    arrow(c, 34, 16, 30)
    c.ring(84, 16, 5, 8, TEAL)
    c.ring(96, 16, 5, 8, NAVY)
    arrow(c, 110, 16, 30)
    profile_doc(c, 146, 1, (CYAN, PURPLE, YELLOW))
    c.rect(174, 15, 184, 17, GREY)
    c.rect(186, 15, 196, 17, GREY)
    c.rect(198, 15, 208, 17, GREY)
    bitmap_16(name, c, True)


# Special toner (templates 4001, 4002). The toner is drawn as a pale, glossy layer: silver with
# white sheen stripes and a teal edge, so that it reads as "special" on white paper for both the
# white and the clear toner.

def toner_fill(x, y):
    return WHITE if (x + y) % 6 < 2 else SILVER


def page_shapes(c, x, y, w, h, scale):
    """A printed page: a picture (sun, hill), and a block of text lines."""
    c.rect(x + 1, y + 1, x + w + 1, y + h + 1, GREY)
    c.rect(x, y, x + w, y + h, BLACK)
    c.rect(x + 1, y + 1, x + w - 1, y + h - 1, WHITE)
    return (x + 3 * scale, y + 3 * scale, x + w - 3 * scale, y + h * 0.55)


def page_art(c, x, y, w, h, scale, toner=None):
    """The document of the previews; toner: None, 'spot', 'under', 'over', 'auto', 'whole'."""
    px0, py0, px1, py1 = page_shapes(c, x, y, w, h, scale)
    if toner == "whole":
        c.rect(x + 1, y + 1, x + w - 1, y + h - 1, toner_fill)
    cx, cy, r = px0 + (px1 - px0) * 0.3, py0 + (py1 - py0) * 0.45, (py1 - py0) * 0.3
    sq = (px0 + (px1 - px0) * 0.55, py0 + (py1 - py0) * 0.25, px1, py1)
    if toner == "under":
        # The toner lies under the colours and shows as a rim around them.
        c.circle(cx, cy, r + 2 * scale, toner_fill)
        c.rect(sq[0] - 2 * scale, sq[1] - 2 * scale, sq[2] + 1, sq[3] + 1, toner_fill)
    c.circle(cx, cy, r, RED)
    c.rect(sq[0], sq[1], sq[2], sq[3], BLUE)
    c.polygon([(px0, py1), (px0 + (px1 - px0) * 0.45, py0 + (py1 - py0) * 0.55), (px1, py1)],
              GREEN)
    if toner == "spot":
        c.circle(cx, cy, r, toner_fill)
        c.ring(cx, cy, r - 0.8 * scale, r, TEAL)
    if toner == "over":
        c.circle(cx, cy, r, lambda x_, y_: WHITE if (x_ + y_) % 6 < 2 else RED)
        c.rect(sq[0], sq[1], sq[2], sq[3], lambda x_, y_: WHITE if (x_ + y_) % 6 < 2 else BLUE)
    lines = 5 if h > 40 else 3
    step = (y + h - 3 * scale - py1 - 2 * scale) / lines
    for i in range(lines):
        ly = py1 + 2 * scale + i * step
        length = (px1 - px0) * (0.6 if i == lines - 1 else 1.0)
        col = NAVY if toner != "over" else NAVY
        c.rect(px0, ly, px0 + length, ly + max(1.0, step * 0.45), col)
    if toner == "auto":
        # A badge: the printer decides where the toner goes.
        bx, by, br = x + w - 8 * scale, y + h - 8 * scale, 6.5 * scale
        c.circle(bx, by, br, TEAL)
        c.circle(bx, by, br - 1.2 * scale, toner_fill)
        c.polygon([(bx - 3.5 * scale, by + 3.5 * scale), (bx, by - 4 * scale),
                   (bx + 3.5 * scale, by + 3.5 * scale), (bx + 2 * scale, by + 3.5 * scale),
                   (bx, by - 1 * scale), (bx - 2 * scale, by + 3.5 * scale)], NAVY)
        c.rect(bx - 2 * scale, by + 1 * scale, bx + 2 * scale, by + 2.2 * scale, NAVY)


def toner_choice_bitmap(name, toner):
    c = Canvas(32, 32, 1)
    page_art(c, 4, 1, 23, 30, 0.5, toner)
    if toner is None:
        # Off: a small crossed-out toner drop in the corner.
        c.circle(25, 25, 6, MAROON)
        c.circle(25, 25, 5, toner_fill)
        c.line(21, 29, 29, 21, 2, RED)
    bitmap_16(name, c, True)


def toner_page_bitmap(name, toner):
    c = Canvas(60, 76, 1)
    page_art(c, 2, 2, 54, 70, 1.0, toner)
    bitmap_16(name, c, True)


def toner_arrow_bitmap(name):
    c = Canvas(24, 24, 1)
    c.rect(2, 10, 14, 14, NAVY)
    c.polygon([(13, 4), (22, 12), (13, 20)], NAVY)
    bitmap_16(name, c, True)


def layer_stack(c, x, y, w, toner_under, unit):
    """Paper seen from the side with the colour layer and the toner layer in order."""
    c.rect(x, y + 3 * unit, x + w, y + 4 * unit, BLACK)
    c.rect(x, y + 3 * unit + 1, x + w, y + 4 * unit - 1, WHITE)
    colour = lambda x_, y_: [CYAN, PURPLE, YELLOW][int((x_ - x) / (w / 3.0)) % 3]
    lower, upper = (toner_fill, colour) if toner_under else (colour, toner_fill)
    c.rect(x + 1, y + 2 * unit, x + w - 1, y + 3 * unit, lower)
    c.rect(x + 1, y + unit, x + w - 1, y + 2 * unit, upper)
    c.frame(x + 1, y + unit, x + w - 1, y + 3 * unit, 1, GREY)


def toner_order_bitmap(name, toner_under):
    c = Canvas(32, 32, 1)
    layer_stack(c, 2, 4, 28, toner_under, 6)
    bitmap_16(name, c, True)


def toner_layers_bitmap(name, toner_under):
    c = Canvas(48, 48, 1)
    # An eye above the stack: the layer the viewer sees first is the upper one.
    c.ellipse(24, 6, 8, 4, BLACK)
    c.ellipse(24, 6, 7, 3, WHITE)
    c.circle(24, 6, 2.2, NAVY)
    c.line(24, 11, 24, 15, 1.5, GREY)
    layer_stack(c, 2, 8, 44, toner_under, 9)
    bitmap_16(name, c, True)


# Icons are drawn in a 32-unit square scaled by s.

def warning_icon(c, s):
    c.polygon([(16 * s, 1.5 * s), (31 * s, 29 * s), (1 * s, 29 * s)], (120, 80, 0))
    c.polygon([(16 * s, 4.5 * s), (28.4 * s, 27.5 * s), (3.6 * s, 27.5 * s)],
              vgrad(4 * s, 28 * s, (255, 236, 110), (246, 190, 20)))
    c.line(16 * s, 11 * s, 16 * s, 19.5 * s, 3.4 * s, (20, 20, 20))
    c.circle(16 * s, 24 * s, 1.9 * s, (20, 20, 20))


def preview_icon(mirror, negative):
    paper = (24, 24, 28) if negative else (255, 255, 255)
    ink = (255, 255, 255) if negative else (24, 40, 110)

    def draw(c, s):
        def fx(x):
            return (32 - x) * s if mirror else x * s
        c.rect(5 * s, 1 * s, 27 * s, 31 * s, (80, 84, 96))
        c.rect(6 * s, 2 * s, 26 * s, 30 * s, paper)
        # An F: the letter shows at once whether the page is mirrored.
        bars = [(10, 6, 14, 26), (10, 6, 23, 10), (10, 14, 20, 18)]
        for x0, y0, x1, y1 in bars:
            a, b = sorted((fx(x0), fx(x1)))
            c.rect(a, y0 * s, b, y1 * s, ink)
    return draw


def main():
    for name, cell in (("res6053.bmp", 2), ("res6054.bmp", 4), ("res6055.bmp", 6)):
        resolution_picture(name, cell)
    landscape("clr6050.bmp", False)
    landscape("clr6051.bmp", True)
    link_picture("link6052.bmp")
    about_logo("logo6056.bmp")
    for name, kind in (("mode6100.bmp", "auto"), ("mode6101.bmp", "grey"),
                       ("mode6102.bmp", "nomatch"), ("mode6103.bmp", "meridan"),
                       ("mode6104.bmp", "calder")):
        mode_button(name, kind)
    profile_bitmap("prof6105.bmp")
    printer_bitmap("prnt6106.bmp")
    link_chain_bitmap("chain6107.bmp")
    kinds = (None, "spot", "under", "over", "auto", "whole")
    for i, kind in enumerate(kinds):
        toner_choice_bitmap("tonr%d.bmp" % (4032 + i), kind)
    toner_page_bitmap("tonr4038.bmp", None)
    toner_arrow_bitmap("tonr4039.bmp")
    for i, kind in enumerate(kinds[1:]):
        toner_page_bitmap("tonr%d.bmp" % (4040 + i), kind)
    toner_order_bitmap("tonr4045.bmp", True)
    toner_order_bitmap("tonr4046.bmp", False)
    toner_layers_bitmap("tonr4047.bmp", True)
    toner_layers_bitmap("tonr4048.bmp", False)
    write_ico("warn7000.ico", warning_icon)
    write_ico("prev7001.ico", preview_icon(False, False))
    write_ico("prev7002.ico", preview_icon(True, False))
    write_ico("prev7003.ico", preview_icon(False, True))
    write_ico("prev7004.ico", preview_icon(True, True))


if __name__ == "__main__":
    main()
