#!/usr/bin/env python3
"""Generate the binary resources of the download manager.

Writes into res/assets/ (next to this tools/ directory):

  download.avi  272x60, 33 frames, 8 bpp palettised, BI_RLE8, 10 fps.
                Shown by the progress dialog through an animation control
                with ACS_TRANSPARENT, so the top-left pixel of frame 0 is the
                background colour and that colour is used nowhere else.
  app.ico       application icon, 48/32/16 px, 32-bit BGRA + AND mask.
  link.ico      home-page link icon, 16/32/64 px, 8 bpp + AND mask.
  banner.bmp    515x56 header of the setup window, 16 bpp (5-5-5).

Only the standard library is used and the output is byte-for-byte the same
on every run: all artwork is drawn here procedurally.

Usage: python3 tools/make-assets.py [output-dir]
"""

import math
import os
import struct
import sys

# ---------------------------------------------------------------------------
# Anti-aliased vector rasteriser (used for the icons and the banner artwork)
# ---------------------------------------------------------------------------

SUBSAMPLES = 4  # per axis


def lerp(a, b, t):
    return a + (b - a) * t


def mix(c1, c2, t):
    t = 0.0 if t < 0 else 1.0 if t > 1 else t
    return tuple(lerp(a, b, t) for a, b in zip(c1, c2))


def vgrad(c1, c2, y0, y1):
    """Vertical gradient from c1 at y0 to c2 at y1 (pixel coordinates)."""
    def f(x, y):
        return mix(c1, c2, (y - y0) / float(y1 - y0))
    return f


def seg_dist(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    ll = dx * dx + dy * dy
    t = 0.0 if ll == 0 else ((px - ax) * dx + (py - ay) * dy) / ll
    t = 0.0 if t < 0 else 1.0 if t > 1 else t
    ex, ey = ax + t * dx - px, ay + t * dy - py
    return math.sqrt(ex * ex + ey * ey)


class Poly:
    """Filled polygon with an optional outline of width `ow` pixels."""

    def __init__(self, pts, fill, outline=None, ow=1.0, alpha=1.0):
        self.pts = pts
        self.fill = fill if callable(fill) else (lambda x, y, c=fill: c)
        self.outline = outline
        self.ow = ow
        self.alpha = alpha
        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]
        self.bbox = (min(xs), min(ys), max(xs), max(ys))
        n = len(pts)
        self.edges = [(pts[i][0], pts[i][1], pts[(i + 1) % n][0],
                       pts[(i + 1) % n][1]) for i in range(n)]

    def inside(self, x, y):
        c = False
        for ax, ay, bx, by in self.edges:
            if (ay > y) != (by > y):
                if x < ax + (y - ay) * (bx - ax) / (by - ay):
                    c = not c
        return c

    def sample(self, x, y):
        if not self.inside(x, y):
            return None
        if self.outline is not None:
            d = min(seg_dist(x, y, *e) for e in self.edges)
            if d < self.ow:
                return self.outline
        return self.fill(x, y)


class Disc:
    def __init__(self, cx, cy, r, fill, outline=None, ow=1.0, alpha=1.0):
        self.cx, self.cy, self.r = cx, cy, r
        self.fill = fill if callable(fill) else (lambda x, y, c=fill: c)
        self.outline = outline
        self.ow = ow
        self.alpha = alpha
        self.bbox = (cx - r, cy - r, cx + r, cy + r)

    def sample(self, x, y):
        d = self.r - math.hypot(x - self.cx, y - self.cy)
        if d < 0:
            return None
        if self.outline is not None and d < self.ow:
            return self.outline
        return self.fill(x, y)


class Ring:
    """Circle stroke of half-width hw (for decorative arcs)."""

    def __init__(self, cx, cy, r, hw, colour, alpha=1.0):
        self.cx, self.cy, self.r, self.hw = cx, cy, r, hw
        self.colour = colour
        self.alpha = alpha
        e = r + hw
        self.bbox = (cx - e, cy - e, cx + e, cy + e)

    def sample(self, x, y):
        if abs(math.hypot(x - self.cx, y - self.cy) - self.r) <= self.hw:
            return self.colour
        return None


class Func:
    """Arbitrary per-sample colour function over a bounding box."""

    def __init__(self, bbox, fn, alpha=1.0):
        self.bbox = bbox
        self.fn = fn
        self.alpha = alpha

    def sample(self, x, y):
        return self.fn(x, y)


def new_canvas(w, h, colour=None):
    """Premultiplied RGBA float canvas."""
    if colour is None:
        px = (0.0, 0.0, 0.0, 0.0)
    else:
        px = (float(colour[0]), float(colour[1]), float(colour[2]), 1.0)
    return [[px] * w for _ in range(h)]


def draw(canvas, shapes):
    h = len(canvas)
    w = len(canvas[0])
    n = SUBSAMPLES
    offs = [(i + 0.5) / n for i in range(n)]
    inv = 1.0 / (n * n)
    for s in shapes:
        x0, y0, x1, y1 = s.bbox
        px0 = max(0, int(math.floor(x0)) - 1)
        py0 = max(0, int(math.floor(y0)) - 1)
        px1 = min(w, int(math.ceil(x1)) + 1)
        py1 = min(h, int(math.ceil(y1)) + 1)
        for py in range(py0, py1):
            row = canvas[py]
            for px in range(px0, px1):
                r = g = b = cov = 0.0
                for oy in offs:
                    for ox in offs:
                        c = s.sample(px + ox, py + oy)
                        if c is not None:
                            r += c[0]
                            g += c[1]
                            b += c[2]
                            cov += 1.0
                if cov == 0.0:
                    continue
                a = cov * inv * s.alpha
                k = inv * s.alpha
                dr, dg, db, da = row[px]
                t = 1.0 - a
                row[px] = (r * k + dr * t, g * k + dg * t, b * k + db * t,
                           a + da * t)


def to_rgba8(canvas):
    """Canvas -> rows of straight-alpha (r, g, b, a) ints."""
    out = []
    for row in canvas:
        orow = []
        for r, g, b, a in row:
            if a <= 0.0:
                orow.append((0, 0, 0, 0))
                continue
            ai = int(round(a * 255))
            orow.append((
                max(0, min(255, int(round(r / a)))),
                max(0, min(255, int(round(g / a)))),
                max(0, min(255, int(round(b / a)))),
                max(0, min(255, ai))))
        out.append(orow)
    return out


def round_rect(x0, y0, x1, y1, r, steps=6):
    pts = []
    corners = [(x1 - r, y0 + r, -90), (x1 - r, y1 - r, 0),
               (x0 + r, y1 - r, 90), (x0 + r, y0 + r, 180)]
    for cx, cy, start in corners:
        for i in range(steps + 1):
            a = math.radians(start + 90.0 * i / steps)
            pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def scaled(pts, s, dx=0.0, dy=0.0):
    return [(x * s + dx, y * s + dy) for x, y in pts]


# ---------------------------------------------------------------------------
# Artwork: application icon (arrow dropping into a tray)
# ---------------------------------------------------------------------------

def app_icon_shapes(size, dx=0.0, dy=0.0):
    """Shapes for the application icon, designed on a 48-unit grid."""
    s = size / 48.0
    ow = max(1.0, 1.5 * s)
    dark = (34, 52, 82)

    def P(pts):
        return scaled(pts, s, dx, dy)

    def G(c1, c2, y0, y1):
        return vgrad(c1, c2, y0 * s + dy, y1 * s + dy)

    shapes = []
    # back of the tray (its inside, seen from above)
    shapes.append(Poly(P([(8, 21), (40, 21), (45, 27), (3, 27)]),
                       G((86, 106, 138), (58, 76, 104), 21, 27), dark, ow))
    # front of the tray with the opening cut into its top edge
    front = [(3, 26), (15, 26), (18.5, 33), (29.5, 33), (33, 26), (45, 26)]
    br = round_rect(3, 20, 45, 44, 4)
    # take the two bottom corners of a rounded rectangle
    bottom = [p for p in br if p[1] > 40]
    bottom.sort(key=lambda p: -p[0])
    front += [(45, 40)] + bottom + [(3, 40)]
    shapes.append(Poly(P(front), G((232, 238, 246), (146, 166, 196), 26, 44),
                       dark, ow))
    # a light lip along the bottom of the tray
    shapes.append(Poly(P([(7, 39), (41, 39), (41, 40.5), (7, 40.5)]),
                       (255, 255, 255), alpha=0.45))
    # the arrow
    arrow = [(19, 2), (29, 2), (29, 16), (37.5, 16), (24, 31.5), (10.5, 16),
             (19, 16)]
    shapes.append(Poly(P(arrow), G((128, 220, 98), (28, 146, 62), 2, 31),
                       (22, 92, 40), ow))
    # highlight on the shaft
    shapes.append(Poly(P([(21.5, 4.5), (23.5, 4.5), (23.5, 17), (21.5, 17)]),
                       (255, 255, 255), alpha=0.35))
    return shapes


# ---------------------------------------------------------------------------
# Artwork: home-page link icon (globe)
# ---------------------------------------------------------------------------

def globe_shapes(size):
    s = size / 64.0
    cx = cy = 32.0 * s
    r = 29.0 * s
    ow = 1.0 if size <= 16 else max(1.0, 2.2 * s)
    lw = 0.5 if size <= 32 else 1.0 * s   # half width of the grid lines
    hx, hy = cx - 0.35 * r, cy - 0.4 * r

    def body(x, y):
        d = math.hypot(x - hx, y - hy) / (1.45 * r)
        return mix((150, 210, 255), (22, 88, 186), d)

    grid_col = (214, 238, 255)
    ry_par = [-0.5, 0.0, 0.5]
    rx_mer = [0.5]

    def grid(x, y):
        u = (x - cx) / r
        v = (y - cy) / r
        if u * u + v * v >= 1.0:
            return None
        # parallels
        for p in ry_par:
            if abs(y - (cy + p * r)) < lw:
                return grid_col
        # central meridian
        if abs(x - cx) < lw:
            return grid_col
        # side meridians: ellipses x^2/(a r)^2 + y^2/r^2 = 1
        for a in rx_mer:
            q = math.sqrt((u / a) ** 2 + v * v)
            if q > 0:
                gx = u / (a * a) / q
                gy = v / q
                dist = abs(q - 1.0) / math.hypot(gx, gy) * r
                if dist < lw:
                    return grid_col
        return None

    # a small green land mass
    def land(x, y):
        u = (x - cx) / r
        v = (y - cy) / r
        f = (math.sin(u * 5.1 + 0.6) * math.cos(v * 4.3 - 0.2)
             + 0.6 * math.sin(u * 2.3 - v * 3.1 + 1.7))
        if u * u + v * v < 0.92 and f > 0.55:
            return mix((130, 200, 100), (60, 140, 60), (v + 1) / 2)
        return None

    shapes = [
        Disc(cx, cy, r, body),
        Func((cx - r, cy - r, cx + r, cy + r), land, alpha=0.85),
        Func((cx - r, cy - r, cx + r, cy + r), grid, alpha=0.6),
        Ring(cx, cy, r - ow / 2.0, ow / 2.0, (16, 54, 118)),
    ]
    # shine
    shapes.append(Disc(hx, hy, 0.42 * r, (255, 255, 255), alpha=0.22))
    return shapes


# ---------------------------------------------------------------------------
# Palette helpers
# ---------------------------------------------------------------------------

def median_cut(counts, n):
    """Reduce a {colour: count} histogram to at most n colours.

    Returns (palette, mapping) where mapping maps every input colour to an
    index into palette.  Deterministic: ties are broken by colour value."""
    colours = sorted(counts)
    if len(colours) <= n:
        return colours, {c: i for i, c in enumerate(colours)}
    boxes = [colours]
    while len(boxes) < n:
        best = None
        for bi, box in enumerate(boxes):
            if len(box) < 2:
                continue
            rng = [max(c[k] for c in box) - min(c[k] for c in box)
                   for k in range(3)]
            axis = rng.index(max(rng))
            score = rng[axis] * sum(counts[c] for c in box)
            if best is None or score > best[0]:
                best = (score, bi, axis)
        if best is None:
            break
        _, bi, axis = best
        box = sorted(boxes[bi], key=lambda c: (c[axis], c))
        total = sum(counts[c] for c in box)
        acc = 0
        cut = 1
        for i, c in enumerate(box):
            acc += counts[c]
            if acc * 2 >= total:
                cut = max(1, min(len(box) - 1, i + 1))
                break
        boxes[bi:bi + 1] = [box[:cut], box[cut:]]
    palette = []
    mapping = {}
    for box in boxes:
        tot = sum(counts[c] for c in box)
        avg = tuple(int(round(sum(c[k] * counts[c] for c in box) / tot))
                    for k in range(3))
        for c in box:
            mapping[c] = len(palette)
        palette.append(avg)
    return palette, mapping


# ---------------------------------------------------------------------------
# ICO writer
# ---------------------------------------------------------------------------

def and_mask(rows, w, h):
    """1 bpp mask, bottom-up, rows padded to 32 bits; 1 = transparent."""
    stride = ((w + 31) // 32) * 4
    out = bytearray()
    for y in range(h - 1, -1, -1):
        line = bytearray(stride)
        for x in range(w):
            if rows[y][x]:
                line[x >> 3] |= 0x80 >> (x & 7)
        out += line
    return bytes(out)


def ico_image_32(rgba):
    h = len(rgba)
    w = len(rgba[0])
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        for r, g, b, a in rgba[y]:
            xor += bytes((b, g, r, a))
    mask = and_mask([[p[3] == 0 for p in row] for row in rgba], w, h)
    hdr = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 32, 0,
                      len(xor) + len(mask), 0, 0, 0, 0)
    return hdr + bytes(xor) + mask, 32, 0


def ico_image_8(rgba):
    """8 bpp image with a 256-entry palette; alpha is thresholded."""
    h = len(rgba)
    w = len(rgba[0])
    counts = {}
    for row in rgba:
        for r, g, b, a in row:
            if a >= 128:
                counts[(r, g, b)] = counts.get((r, g, b), 0) + 1
    # index 0 stays black: transparent pixels are black in the XOR image
    pal, mapping = median_cut(counts, 255)
    palette = [(0, 0, 0)] + pal
    palette += [(0, 0, 0)] * (256 - len(palette))
    stride = (w + 3) & ~3
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        line = bytearray(stride)
        for x, (r, g, b, a) in enumerate(rgba[y]):
            if a >= 128:
                line[x] = 1 + mapping[(r, g, b)]
        xor += line
    mask = and_mask([[p[3] < 128 for p in row] for row in rgba], w, h)
    pal_bytes = b''.join(bytes((b, g, r, 0)) for r, g, b in palette)
    hdr = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 8, 0,
                      len(xor) + len(mask), 0, 0, 256, 0)
    return hdr + pal_bytes + bytes(xor) + mask, 8, 0


def write_ico(path, images):
    """images: list of (size, (data, bitcount, colorcount))."""
    n = len(images)
    head = struct.pack('<HHH', 0, 1, n)
    offset = 6 + 16 * n
    entries = b''
    blobs = b''
    for size, (data, bits, ncol) in images:
        dim = 0 if size >= 256 else size
        entries += struct.pack('<BBBBHHII', dim, dim, ncol, 0, 1, bits,
                               len(data), offset)
        offset += len(data)
        blobs += data
    with open(path, 'wb') as f:
        f.write(head + entries + blobs)


def make_app_ico(path):
    images = []
    for size in (48, 32, 16):
        c = new_canvas(size, size)
        draw(c, app_icon_shapes(size))
        images.append((size, ico_image_32(to_rgba8(c))))
    write_ico(path, images)


def make_link_ico(path):
    images = []
    for size in (16, 32, 64):
        c = new_canvas(size, size)
        draw(c, globe_shapes(size))
        images.append((size, ico_image_8(to_rgba8(c))))
    write_ico(path, images)


# ---------------------------------------------------------------------------
# Banner (16 bpp BMP) with an embedded bitmap font
# ---------------------------------------------------------------------------

# Rows 0-11 sit above the baseline (capital height 12, x-height 9),
# rows 12-14 are the descender.  Lower-case glyphs without ascenders start
# at row 3; the table lists each glyph's rows starting at its first row.
FONT_HEIGHT = 15
GLYPHS = {
    'T': (0, [
        "##########",
        "##########",
        "....##....",
        "....##....",
        "....##....",
        "....##....",
        "....##....",
        "....##....",
        "....##....",
        "....##....",
        "....##....",
        "....##....",
    ]),
    'D': (0, [
        "#######...",
        "########..",
        "##....###.",
        "##.....##.",
        "##......##",
        "##......##",
        "##......##",
        "##......##",
        "##.....##.",
        "##....###.",
        "########..",
        "#######...",
    ]),
    'M': (0, [
        "##........##",
        "###......###",
        "####....####",
        "##.##..##.##",
        "##..####..##",
        "##...##...##",
        "##........##",
        "##........##",
        "##........##",
        "##........##",
        "##........##",
        "##........##",
    ]),
    'a': (3, [
        ".######.",
        ".#######",
        "......##",
        "..######",
        ".#######",
        "##....##",
        "##...###",
        "########",
        ".####.##",
    ]),
    'd': (0, [
        "......##",
        "......##",
        "......##",
        ".####.##",
        "########",
        "##...###",
        "##....##",
        "##....##",
        "##....##",
        "##...###",
        "########",
        ".####.##",
    ]),
    'e': (3, [
        "..####..",
        ".######.",
        "##....##",
        "########",
        "########",
        "##......",
        "##......",
        ".#######",
        "..######",
    ]),
    'g': (3, [
        ".####.##",
        "########",
        "##...###",
        "##....##",
        "##....##",
        "##...###",
        "########",
        ".####.##",
        "......##",
        "......##",
        "#######.",
        ".#####..",
    ]),
    'i': (0, [
        "##",
        "##",
        "..",
        "##",
        "##",
        "##",
        "##",
        "##",
        "##",
        "##",
        "##",
        "##",
    ]),
    'k': (0, [
        "##......",
        "##......",
        "##......",
        "##...##.",
        "##..##..",
        "##.##...",
        "####....",
        "#####...",
        "##.##...",
        "##..##..",
        "##...##.",
        "##....##",
    ]),
    'l': (0, [
        "##",
        "##",
        "##",
        "##",
        "##",
        "##",
        "##",
        "##",
        "##",
        "##",
        "##",
        "##",
    ]),
    'n': (3, [
        "##.####.",
        "########",
        "###...##",
        "##....##",
        "##....##",
        "##....##",
        "##....##",
        "##....##",
        "##....##",
    ]),
    'o': (3, [
        "..####..",
        ".######.",
        "##....##",
        "##....##",
        "##....##",
        "##....##",
        "##....##",
        ".######.",
        "..####..",
    ]),
    'r': (3, [
        "##.####",
        "#######",
        "###....",
        "##.....",
        "##.....",
        "##.....",
        "##.....",
        "##.....",
        "##.....",
    ]),
    'v': (3, [
        "##....##",
        "##....##",
        "##....##",
        ".##..##.",
        ".##..##.",
        ".##..##.",
        "..####..",
        "..####..",
        "...##...",
    ]),
    'w': (3, [
        "##......##",
        "##......##",
        "##......##",
        "##..##..##",
        "##..##..##",
        "##..##..##",
        "##.####.##",
        ".###..###.",
        ".##....##.",
    ]),
}
GLYPH_GAP = 2
SPACE_WIDTH = 6


def text_pixels(text):
    """Pixels (x, y) set by `text`, and the text's width."""
    pts = []
    x = 0
    for i, ch in enumerate(text):
        if ch == ' ':
            x += SPACE_WIDTH
            continue
        top, rows = GLYPHS[ch]
        for ry, line in enumerate(rows):
            for rx, c in enumerate(line):
                if c == '#':
                    pts.append((x + rx, top + ry))
        x += len(rows[0])
        if i + 1 < len(text) and text[i + 1] != ' ':
            x += GLYPH_GAP
    return pts, x


BAYER4 = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def make_banner(path):
    W, H = 515, 56
    left = (20, 56, 118)
    right = (64, 132, 206)

    def bg(x, y):
        t = x / float(W - 1)
        c = mix(left, right, t * t * (3 - 2 * t))
        # a slight lift towards the top
        return mix(c, (255, 255, 255), 0.10 * (1.0 - y / float(H - 1)))

    canvas = [[(0.0, 0.0, 0.0, 1.0)] * W for _ in range(H)]
    for y in range(H):
        canvas[y] = [tuple(bg(x, y)) + (1.0,) for x in range(W)]

    shapes = []
    # decorative rings on the right
    for i, rr in enumerate((70, 52, 34)):
        shapes.append(Ring(470, 66, rr, 5 - i, (255, 255, 255),
                           alpha=0.07 + 0.03 * i))
    # a dotted trail arcing towards the right edge
    for k in range(9):
        u = k / 8.0
        x = 300 + 150 * u
        y = 38 - 18 * math.sin(math.pi * u * 0.9)
        shapes.append(Disc(x, y, 1.6 + 0.25 * k, (255, 255, 255),
                           alpha=0.18 + 0.05 * k))
    # the application symbol
    shapes += app_icon_shapes(44, 12, 6)
    draw(canvas, shapes)

    # title: shadow first, then the glyphs
    pts, tw = text_pixels("Tarvik Download Manager")
    tx, ty = 70, 20
    for ox, oy, col, a in ((1, 1, (8, 24, 60), 0.55),
                           (0, 0, (255, 255, 255), 1.0)):
        for px, py in pts:
            x, y = tx + px + ox, ty + py + oy
            r, g, b, _ = canvas[y][x]
            canvas[y][x] = (lerp(r, col[0], a), lerp(g, col[1], a),
                            lerp(b, col[2], a), 1.0)
    # a thin dark line closing the banner at the bottom
    for x in range(W):
        r, g, b, _ = canvas[H - 1][x]
        canvas[H - 1][x] = (r * 0.55, g * 0.55, b * 0.55, 1.0)

    stride = (W * 2 + 3) & ~3
    data = bytearray()
    for y in range(H - 1, -1, -1):
        line = bytearray(stride)
        for x in range(W):
            r, g, b, _ = canvas[y][x]
            d = (BAYER4[y & 3][x & 3] + 0.5) / 16.0 * 8.0
            q = [max(0, min(31, int(v + d) >> 3)) for v in (r, g, b)]
            struct.pack_into('<H', line, x * 2, (q[0] << 10) | (q[1] << 5) | q[2])
        data += line
    info = struct.pack('<IiiHHIIiiII', 40, W, H, 1, 16, 0, len(data),
                       2835, 2835, 0, 0)
    head = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(data), 0, 0,
                       14 + len(info))
    with open(path, 'wb') as f:
        f.write(head + info + bytes(data))


# ---------------------------------------------------------------------------
# Download animation (RLE8 AVI)
# ---------------------------------------------------------------------------

AVI_W, AVI_H, AVI_FRAMES = 272, 60, 33

COLOURS = {
    # index 0 is the transparent key: the top-left pixel of every frame
    'bg': (240, 240, 240),
    'ink': (44, 54, 72),
    'rack0': (196, 206, 222), 'rack1': (176, 188, 208),
    'rack2': (154, 168, 192), 'rack3': (134, 150, 176),
    'rackhi': (226, 232, 242),
    'unit': (66, 80, 102), 'unithi': (92, 108, 132),
    'slot': (150, 162, 182),
    'ledon': (86, 230, 110), 'ledoff': (38, 92, 52),
    'ledamb': (255, 190, 60), 'ledambo': (110, 84, 40),
    'bezel': (70, 78, 94), 'bezelhi': (104, 114, 132),
    'scr0': (92, 160, 232), 'scr1': (76, 140, 218), 'scr2': (62, 122, 204),
    'scr3': (50, 104, 188), 'scr4': (40, 90, 172),
    'scrhi': (206, 228, 252),
    'track': (28, 62, 120), 'bar': (118, 218, 120), 'barhi': (176, 240, 170),
    'stand': (148, 156, 170), 'standhi': (186, 194, 206),
    'paper': (255, 255, 255), 'paperfold': (206, 214, 226),
    'paperline': (150, 166, 190), 'paperink': (96, 112, 136),
    'dot0': (60, 128, 214), 'dot1': (128, 176, 234),
}
NAMES = list(COLOURS)
IDX = {n: i for i, n in enumerate(NAMES)}


class Frame:
    def __init__(self):
        self.px = [[0] * AVI_W for _ in range(AVI_H)]

    def put(self, x, y, c):
        if 0 <= x < AVI_W and 0 <= y < AVI_H:
            self.px[y][x] = IDX[c]

    def rect(self, x0, y0, x1, y1, c):
        """Fill the inclusive rectangle."""
        for y in range(max(0, y0), min(AVI_H - 1, y1) + 1):
            row = self.px[y]
            for x in range(max(0, x0), min(AVI_W - 1, x1) + 1):
                row[x] = IDX[c]

    def box(self, x0, y0, x1, y1, fill, edge, round_=True):
        corners = [(x, y, self.px[y][x]) for x, y in
                   ((x0, y0), (x1, y0), (x0, y1), (x1, y1))]
        self.rect(x0, y0, x1, y1, edge)
        self.rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, fill)
        if round_:
            # keep whatever was under the corner pixels
            for x, y, old in corners:
                self.px[y][x] = old

    def vramp(self, x0, y0, x1, y1, names):
        n = len(names)
        for y in range(y0, y1 + 1):
            t = (y - y0) / float(max(1, y1 - y0))
            self.rect(x0, y, x1, y, names[min(n - 1, int(t * n))])

    def hramp(self, x0, y0, x1, y1, names):
        n = len(names)
        for x in range(x0, x1 + 1):
            t = (x - x0) / float(max(1, x1 - x0))
            self.rect(x, y0, x, y1, names[min(n - 1, int(t * n))])


SERVER = (12, 4, 54, 55)       # x0, y0, x1, y1
MONITOR = (194, 4, 262, 44)
PATH_X0, PATH_X1 = 33.0, 228.0


def path_y(x):
    u = (x - PATH_X0) / (PATH_X1 - PATH_X0)
    return 30.0 - 15.0 * math.sin(math.pi * u)


def draw_trail(f, i):
    # dots move 2 px a frame with an 11 px pitch, so 33 frames wrap exactly
    for x in range(SERVER[2] + 2, MONITOR[0] - 1):
        k, rem = divmod(x - 2 * i, 11)
        if rem:
            continue
        y = int(round(path_y(x)))
        c = 'dot0' if k % 2 == 0 else 'dot1'
        f.rect(x - 1, y, x + 1, y, c)
        f.rect(x, y - 1, x, y + 1, c)


def draw_paper(f, i):
    u = i / float(AVI_FRAMES)
    cx = PATH_X0 + (PATH_X1 - PATH_X0) * u
    cy = path_y(cx)
    x0 = int(round(cx)) - 7
    y0 = int(round(cy)) - 9
    x1, y1 = x0 + 14, y0 + 18
    fx = x1 - 5  # where the dog-ear starts
    for k in range(19):
        y = y0 + k
        if k == 0:
            f.rect(x0, y, fx, y, 'paperink')
        elif k == 18:
            f.rect(x0, y, x1, y, 'paperink')
        elif k < 5:
            f.put(x0, y, 'paperink')
            f.rect(x0 + 1, y, fx - 1, y, 'paper')
            f.put(fx, y, 'paperink')
            f.rect(fx + 1, y, fx + k - 1, y, 'paperfold')
            f.put(fx + k, y, 'paperink')
        elif k == 5:
            f.put(x0, y, 'paperink')
            f.rect(x0 + 1, y, fx - 1, y, 'paper')
            f.rect(fx, y, x1, y, 'paperink')
        else:
            f.put(x0, y, 'paperink')
            f.rect(x0 + 1, y, x1 - 1, y, 'paper')
            f.put(x1, y, 'paperink')
    # lines of text
    for ly, ln in ((4, 5), (7, 9), (10, 11), (13, 8)):
        f.rect(x0 + 2, y0 + ly, x0 + 1 + ln, y0 + ly, 'paperline')


def draw_server(f, i):
    x0, y0, x1, y1 = SERVER
    f.box(x0, y0, x1, y1 - 2, 'rack1', 'ink')
    f.hramp(x0 + 1, y0 + 1, x1 - 1, y1 - 3, ['rack0', 'rack1', 'rack2', 'rack3'])
    f.rect(x0 + 1, y0 + 1, x1 - 1, y0 + 1, 'rackhi')
    f.rect(x0 + 1, y0 + 1, x0 + 1, y1 - 3, 'rackhi')
    # feet
    f.rect(x0 + 3, y1 - 1, x0 + 8, y1, 'ink')
    f.rect(x1 - 8, y1 - 1, x1 - 3, y1, 'ink')
    for n, uy in enumerate((y0 + 5, y0 + 20, y0 + 35)):
        ux0, ux1 = x0 + 4, x1 - 4
        f.box(ux0, uy, ux1, uy + 11, 'unit', 'ink')
        f.rect(ux0 + 1, uy + 1, ux1 - 1, uy + 1, 'unithi')
        # drive slots
        for sy in (uy + 4, uy + 7):
            f.rect(ux0 + 4, sy, ux0 + 20, sy, 'slot')
        # status lights: one steady, one flickering with the transfer
        f.rect(ux1 - 10, uy + 4, ux1 - 8, uy + 6, 'ledon')
        busy = ((i + 4 * n) % 11) < 5 if n != 1 else (i % 3) != 2
        f.rect(ux1 - 5, uy + 4, ux1 - 3, uy + 6, 'ledamb' if busy else 'ledambo')


def draw_computer(f, i):
    x0, y0, x1, y1 = MONITOR
    # stand behind the monitor
    mx = (x0 + x1) // 2
    f.rect(mx - 6, y1, mx + 6, y1 + 6, 'ink')
    f.rect(mx - 5, y1, mx + 5, y1 + 6, 'stand')
    f.rect(mx - 5, y1, mx - 4, y1 + 6, 'standhi')
    f.box(mx - 19, y1 + 6, mx + 19, y1 + 10, 'stand', 'ink')
    f.rect(mx - 18, y1 + 7, mx + 18, y1 + 7, 'standhi')
    # bezel and screen
    f.box(x0, y0, x1, y1, 'bezel', 'ink')
    f.rect(x0 + 1, y0 + 1, x1 - 1, y0 + 1, 'bezelhi')
    sx0, sy0, sx1, sy1 = x0 + 4, y0 + 4, x1 - 4, y1 - 6
    f.rect(sx0 - 1, sy0 - 1, sx1 + 1, sy1 + 1, 'ink')
    f.vramp(sx0, sy0, sx1, sy1, ['scr0', 'scr1', 'scr2', 'scr3', 'scr4'])
    # little power light on the bezel
    f.rect(x1 - 6, y1 - 3, x1 - 5, y1 - 2, 'ledon')
    # downward arrow on the screen, bobbing gently
    bob = int(round(1.5 * math.sin(2 * math.pi * i / 11.0)))
    ax = (sx0 + sx1) // 2
    ay = sy0 + 4 + bob
    f.rect(ax - 2, ay, ax + 2, ay + 6, 'scrhi')
    for k in range(6):
        f.rect(ax - 6 + k, ay + 7 + k, ax + 6 - k, ay + 7 + k, 'scrhi')
    # busy bar: a bright block sweeping through the track once per loop
    bx0, bx1 = sx0 + 6, sx1 - 6
    by = sy1 - 7
    f.rect(bx0 - 1, by - 1, bx1 + 1, by + 4, 'ink')
    f.rect(bx0, by, bx1, by + 3, 'track')
    tw = bx1 - bx0 + 1
    start = int(round(tw * i / float(AVI_FRAMES)))
    for k in range(16):
        x = bx0 + (start + k) % tw
        f.rect(x, by, x, by + 3, 'bar')
        f.put(x, by, 'barhi')


def make_frame(i):
    f = Frame()
    draw_trail(f, i)
    draw_paper(f, i)
    draw_server(f, i)
    draw_computer(f, i)
    assert f.px[0][0] == 0
    return f


def rle8_encode(rows):
    """BI_RLE8: rows are given top-down, output is bottom-up.

    Each line is coded with encoded runs (count, index) and absolute runs
    (0, n >= 3, n indices, padded to a word); lines end with (0, 0) and the
    last one with (0, 1) instead."""
    out = bytearray()
    h = len(rows)
    for li, y in enumerate(range(h - 1, -1, -1)):
        row = rows[y]
        n = len(row)
        lit = []

        def flush():
            j = 0
            while j < len(lit):
                chunk = lit[j:j + 254]
                if len(chunk) >= 3:
                    out.extend((0, len(chunk)))
                    out.extend(chunk)
                    if len(chunk) & 1:
                        out.append(0)
                else:
                    for p in chunk:
                        out.extend((1, p))
                j += 254
            del lit[:]

        x = 0
        while x < n:
            r = 1
            while x + r < n and r < 255 and row[x + r] == row[x]:
                r += 1
            if r >= 2:
                flush()
                out.extend((r, row[x]))
            else:
                lit.append(row[x])
            x += r
        flush()
        out.extend((0, 1) if li == h - 1 else (0, 0))
    return bytes(out)


def rle8_decode(data, w, h):
    """Reference decoder, used to check the encoder output."""
    img = [[None] * w for _ in range(h)]
    x = y = 0  # y counts bottom-up
    i = 0
    while i < len(data):
        a, b = data[i], data[i + 1]
        i += 2
        if a:
            for _ in range(a):
                img[h - 1 - y][x] = b
                x += 1
        elif b == 0:
            x, y = 0, y + 1
        elif b == 1:
            break
        elif b == 2:
            x += data[i]
            y += data[i + 1]
            i += 2
        else:
            for k in range(b):
                img[h - 1 - y][x] = data[i + k]
                x += 1
            i += b + (b & 1)
    return img


def chunk(fourcc, data):
    pad = b'\0' if len(data) & 1 else b''
    return fourcc + struct.pack('<I', len(data)) + data + pad


def riff_list(kind, fourcc, body):
    return kind + struct.pack('<I', len(body) + 4) + fourcc + body


def make_avi(path, handler=b'mrle'):
    frames = []
    for i in range(AVI_FRAMES):
        f = make_frame(i)
        data = rle8_encode(f.px)
        assert rle8_decode(data, AVI_W, AVI_H) == f.px
        frames.append(data)
    # the loop must close: one more step gives frame 0 again
    assert make_frame(AVI_FRAMES).px == make_frame(0).px

    maxsize = max(len(d) for d in frames)
    usec = 100000
    avih = struct.pack('<14I', usec, maxsize * 10, 0, 0x10, AVI_FRAMES, 0, 1,
                       maxsize, AVI_W, AVI_H, 0, 0, 0, 0)
    strh = struct.pack('<4s4sIHHIIIIIIIIhhhh', b'vids', handler, 0, 0, 0, 0,
                       1, 10, 0, AVI_FRAMES, maxsize, 0xFFFFFFFF, 0,
                       0, 0, AVI_W, AVI_H)
    bih = struct.pack('<IiiHHIIiiII', 40, AVI_W, AVI_H, 1, 8, 1,
                      AVI_W * AVI_H, 0, 0, 256, 0)
    pal = b''.join(bytes((c[2], c[1], c[0], 0)) for c in COLOURS.values())
    pal += b'\0' * (1024 - len(pal))
    strl = riff_list(b'LIST', b'strl',
                     chunk(b'strh', strh) + chunk(b'strf', bih + pal))
    hdrl = riff_list(b'LIST', b'hdrl', chunk(b'avih', avih) + strl)

    movi_body = b''
    index = b''
    for data in frames:
        # offsets in idx1 count from the 'movi' fourcc
        index += struct.pack('<4sIII', b'00dc', 0x10, 4 + len(movi_body),
                             len(data))
        movi_body += chunk(b'00dc', data)
    movi = riff_list(b'LIST', b'movi', movi_body)
    avi = riff_list(b'RIFF', b'AVI ', hdrl + movi + chunk(b'idx1', index))
    with open(path, 'wb') as fh:
        fh.write(avi)


# ---------------------------------------------------------------------------

def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        here, '..', 'res', 'assets')
    os.makedirs(out, exist_ok=True)
    jobs = [('download.avi', make_avi), ('app.ico', make_app_ico),
            ('link.ico', make_link_ico), ('banner.bmp', make_banner)]
    for name, fn in jobs:
        p = os.path.join(out, name)
        fn(p)
        print('%-13s %7d bytes' % (name, os.path.getsize(p)))


if __name__ == '__main__':
    main()
