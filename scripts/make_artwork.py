#!/usr/bin/env python3
"""Draws the program's artwork into src/app/resources/ (Python 3 standard library only).

  WiiButtonsUp.png    51 x 212 front view of the controller, every button released, LEDs dark
  WiiButtonsDown.png  the same view, every button pressed (lit blue), the four LEDs lit
  kestrovane-N.png    the application icon, N = 16, 22, 24, 32, 48, 64, 128, 256
  kestrovane.ico      the same sizes in one Windows icon file
  WiiButtonsUp.bmp, WiiButtonsDown.bmp  the two controller pictures as 24-bit Windows bitmaps,
                      for the Windows program's resources

The controller pictures have no alpha channel: every pixel outside the controller is the key
colour KEY (fuchsia), which the main window shows as transparent. Edge pixels of the outline
are blended towards a light window grey, so the outline looks smooth on the window.

Every button and LED lies at a fixed rectangle (BUTTON_RECTS, LED_RECTS); the main window copies
these rectangles from the pressed picture onto the released one. A pressed look only changes
pixels that lie inside its own rectangle and no other, so pressing one button never lights a
part of another.

Run without arguments to write the files; with --check to verify that the committed files hold
exactly the pixels this script draws (exit status 1 if not).
"""

import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT_DIR = os.path.join(HERE, "..", "src", "app", "resources")

KEY = (255, 0, 255)
WINDOW_GREY = (236, 236, 236)
WIDTH, HEIGHT = 51, 212

# (left, top, width, height) of every element of the controller pictures.
BUTTON_RECTS = {
    "Up": (20, 20, 11, 10),
    "Down": (20, 36, 11, 12),
    "Right": (28, 28, 12, 10),
    "Left": (11, 28, 11, 11),
    "A": (16, 55, 19, 20),
    "B": (20, 28, 10, 10),
    "Home": (19, 94, 12, 12),
    "Plus": (34, 94, 12, 12),
    "Minus": (5, 94, 12, 12),
    "1": (18, 147, 15, 15),
    "2": (18, 166, 15, 15),
}
LED_RECTS = [(8, 185, 6, 6), (17, 185, 6, 6), (27, 185, 6, 6), (36, 185, 6, 6)]

# Colours.
OUTLINE = (112, 116, 124)
BODY = (251, 251, 253)
BODY_SHADE = (222, 224, 230)
CAP = (72, 76, 86)
BUTTON = (232, 233, 237)
BUTTON_EDGE = (150, 154, 162)
GLYPH = (70, 74, 84)
PAD = (66, 69, 77)
PAD_ARROW = (150, 153, 160)
LIT = (40, 130, 255)
LIT_LIGHT = (120, 185, 255)
LIT_EDGE = (20, 90, 200)
WHITE = (255, 255, 255)
LED_DARK = (92, 100, 114)
LED_FRAME = (60, 64, 72)
LED_LIT = (50, 160, 255)
LED_CORE = (215, 240, 255)
HOLE = (168, 172, 180)

# Small pixel glyphs ("#" = ink), drawn without smoothing so they stay crisp.
GLYPHS = {
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "1": ["..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "2": [".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"],
    "B": ["##.", "#.#", "##.", "#.#", "##."],
    "+": ["..#..", "..#..", "#####", "..#..", "..#.."],
    "-": ["#####"],
    "home": ["...#...", "..###..", ".#####.", "#######", ".#...#.", ".#.#.#.", ".#.#.#."],
}


# ----------------------------------------------------------------------------------------------
# A tiny rasteriser: shapes are predicates over continuous coordinates (pixel (i, j) covers
# [i, i+1) x [j, j+1)); coverage comes from a regular grid of samples in each pixel.


class Canvas:
    def __init__(self, width, height):
        self.width = width
        self.height = height
        # Premultiplication is not needed: colours are kept with a separate coverage (alpha).
        self.rgb = [[(0.0, 0.0, 0.0)] * width for _ in range(height)]
        self.alpha = [[0.0] * width for _ in range(height)]

    def blend(self, x, y, colour, coverage):
        if coverage <= 0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        a0 = self.alpha[y][x]
        a = coverage + a0 * (1 - coverage)
        r0 = self.rgb[y][x]
        mixed = tuple((c * coverage + c0 * a0 * (1 - coverage)) / a for c, c0 in zip(colour, r0))
        self.rgb[y][x] = mixed
        self.alpha[y][x] = a

    def fill(self, shape, colour, box, samples=4, clip=None, coarse=False):
        """Fills `shape` (predicate) within `box` (x0, y0, x1, y1); `colour` may be a function
        of (x, y). `clip` limits the pixels touched to a rectangle (x0, y0, x1, y1). With
        `coarse`, a pixel whose corners and centre agree counts as wholly in or out (right for
        shapes with no part thinner than a pixel, and much faster)."""
        x0, y0, x1, y1 = (int(math.floor(box[0])), int(math.floor(box[1])),
                          int(math.ceil(box[2])), int(math.ceil(box[3])))
        if clip:
            x0, y0 = max(x0, clip[0]), max(y0, clip[1])
            x1, y1 = min(x1, clip[2]), min(y1, clip[3])
        step = 1.0 / samples
        offsets = [(k + 0.5) * step for k in range(samples)]
        total = samples * samples
        for y in range(max(y0, 0), min(y1, self.height)):
            for x in range(max(x0, 0), min(x1, self.width)):
                hits = 0
                if coarse:
                    probe = [shape(x, y), shape(x + 1, y), shape(x, y + 1), shape(x + 1, y + 1),
                             shape(x + 0.5, y + 0.5)]
                    if not any(probe):
                        continue
                    if all(probe):
                        c = colour(x + 0.5, y + 0.5) if callable(colour) else colour
                        self.blend(x, y, c, 1.0)
                        continue
                for oy in offsets:
                    for ox in offsets:
                        if shape(x + ox, y + oy):
                            hits += 1
                if hits:
                    c = colour(x + 0.5, y + 0.5) if callable(colour) else colour
                    self.blend(x, y, c, hits / total)

    def glyph(self, name, left, top, colour, clip=None):
        for dy, row in enumerate(GLYPHS[name]):
            for dx, ch in enumerate(row):
                x, y = left + dx, top + dy
                if ch == "#" and (clip is None or inside_rect(x, y, clip)):
                    self.blend(x, y, colour, 1.0)


def inside_rect(x, y, r):
    return r[0] <= x < r[2] and r[1] <= y < r[3]


def rounded_rect(x0, y0, x1, y1, radius):
    def shape(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius
    return shape


def circle(cx, cy, radius):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def polygon(points):
    def shape(x, y):
        inside = False
        n = len(points)
        for i in range(n):
            xa, ya = points[i]
            xb, yb = points[(i + 1) % n]
            if (ya > y) != (yb > y) and x < xa + (y - ya) * (xb - xa) / (yb - ya):
                inside = not inside
        return inside
    return shape


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def mix(a, b, t):
    return tuple(ca + (cb - ca) * t for ca, cb in zip(a, b))


def rect_box(r):
    left, top, width, height = r
    return (left, top, left + width, top + height)


def glyph_at_centre(canvas, name, cx, cy, colour, clip=None):
    rows = GLYPHS[name]
    left = int(round(cx - len(rows[0]) / 2))
    top = int(round(cy - len(rows) / 2))
    canvas.glyph(name, left, top, colour, clip)


# ----------------------------------------------------------------------------------------------
# The controller.

BODY_BOX = (1, 2, 50, 210)


def draw_body(c):
    x0, y0, x1, y1 = BODY_BOX
    outer = rounded_rect(x0, y0, x1, y1, 13)
    inner = rounded_rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, 12)
    c.fill(outer, OUTLINE, BODY_BOX)

    def body_colour(x, y):
        # Rounded sides: darker towards the left and right edges, a little towards the ends.
        side = abs(x - (x0 + x1) / 2) / ((x1 - x0) / 2)
        t = max(0.0, side - 0.55) / 0.45
        end = max(0.0, 1 - min(y - y0, y1 - y) / 14)
        return mix(BODY, BODY_SHADE, min(1.0, t * t * 0.9 + end * 0.35))

    c.fill(inner, body_colour, BODY_BOX)
    # A dark window across the front end.
    c.fill(rounded_rect(x0 + 4, y0 + 3, x1 - 4, y0 + 10, 3.5), CAP, BODY_BOX)
    c.fill(rounded_rect(x0 + 6, y0 + 4, x1 - 6, y0 + 5.2, 0.6), (104, 110, 124), BODY_BOX)
    # Speaker holes between the Home row and button 1.
    for row in range(3):
        for col in range(5):
            c.fill(circle(17 + 4 * col, 123 + 4 * row, 1.1), HOLE, (0, 0, WIDTH, HEIGHT))
    # Connector at the far end.
    c.fill(rounded_rect(16, 200, 35, 204, 1.5), (190, 193, 200), BODY_BOX)
    c.fill(rounded_rect(17, 201, 34, 203, 0.8), (120, 124, 132), BODY_BOX)


# The cross, in continuous coordinates: a vertical and a horizontal arm.
PAD_V = (20, 20, 31, 48)
PAD_H = (11, 28, 40, 39)
# Where each part of the cross may light up (inside its own rectangle only).
PAD_LIT = {
    "Up": (21, 21, 30, 28),
    "Down": (21, 39, 30, 47),
    "Left": (12, 29, 20, 38),
    "Right": (31, 29, 39, 38),
}
# Arrow triangles, pointing outwards.
PAD_ARROWS = {
    "Up": [(25.5, 22.2), (28.3, 26.4), (22.7, 26.4)],
    "Down": [(25.5, 45.6), (28.3, 41.4), (22.7, 41.4)],
    "Left": [(13.2, 33.5), (17.4, 30.7), (17.4, 36.3)],
    "Right": [(37.8, 33.5), (33.6, 30.7), (33.6, 36.3)],
}
B_LIT = (22, 30, 28, 36)


def draw_pad(c, pressed):
    cross = union(rounded_rect(*PAD_V, 2), rounded_rect(*PAD_H, 2))
    box = (PAD_H[0], PAD_V[1], PAD_H[2], PAD_V[3])
    c.fill(cross, PAD, box)
    # A faint highlight on the upper left edges of the arms gives them some depth.
    c.fill(rounded_rect(PAD_V[0] + 1, PAD_V[1] + 1, PAD_V[2] - 1, PAD_V[1] + 2, 0.5),
           (104, 108, 118), box)
    c.fill(rounded_rect(PAD_H[0] + 1, PAD_H[1] + 1, PAD_H[0] + 8, PAD_H[1] + 2, 0.5),
           (104, 108, 118), box)
    for name, points in PAD_ARROWS.items():
        lit = name in pressed
        clip = PAD_LIT[name]
        if lit:
            lit_shape = rounded_rect(*clip, 1.2)
            c.fill(lit_shape, lambda x, y, r=clip: mix(LIT_LIGHT, LIT, (y - r[1]) / (r[3] - r[1])),
                   clip, clip=clip)
        c.fill(polygon(points), WHITE if lit else PAD_ARROW, clip, clip=clip)
    # The hub of the cross, where B is shown.
    hub = circle(25, 33, 2.6)
    if "B" in pressed:
        c.fill(circle(25, 33, 3.0), LIT, B_LIT, clip=B_LIT)
        glyph_at_centre(c, "B", 25, 33, WHITE, clip=B_LIT)
    else:
        c.fill(hub, (84, 88, 98), B_LIT, clip=B_LIT)
        c.fill(circle(25, 33, 1.6), (74, 78, 88), B_LIT, clip=B_LIT)


def round_button(c, rect, glyph, lit, radius=None):
    left, top, width, height = rect
    cx, cy = left + width / 2, top + height / 2
    r = radius if radius is not None else min(width, height) / 2 - 0.2
    clip = rect_box(rect)
    c.fill(circle(cx, cy, r), LIT_EDGE if lit else BUTTON_EDGE, clip, clip=clip)
    if lit:
        c.fill(circle(cx, cy, r - 1), lambda x, y: mix(LIT_LIGHT, LIT, (y - cy + r) / (2 * r)),
               clip, clip=clip)
    else:
        c.fill(circle(cx, cy, r - 1), lambda x, y: mix(WHITE, BUTTON, (y - cy + r) / (2 * r)),
               clip, clip=clip)
    glyph_at_centre(c, glyph, cx, cy, WHITE if lit else GLYPH, clip=clip)


def draw_home(c, lit):
    rect = BUTTON_RECTS["Home"]
    clip = rect_box(rect)
    x0, y0, x1, y1 = clip
    c.fill(rounded_rect(x0 + 0.3, y0 + 0.3, x1 - 0.3, y1 - 0.3, 3),
           LIT_EDGE if lit else BUTTON_EDGE, clip, clip=clip)
    face = (lambda x, y: mix(LIT_LIGHT, LIT, (y - y0) / 12)) if lit else \
        (lambda x, y: mix(WHITE, BUTTON, (y - y0) / 12))
    c.fill(rounded_rect(x0 + 1.3, y0 + 1.3, x1 - 1.3, y1 - 1.3, 2.2), face, clip, clip=clip)
    glyph_at_centre(c, "home", x0 + 6, y0 + 6, WHITE if lit else (40, 110, 210), clip=clip)


def draw_led(c, rect, lit):
    clip = rect_box(rect)
    x0, y0, x1, y1 = clip
    c.fill(rounded_rect(x0, y0, x1, y1, 1), LED_FRAME, clip, clip=clip)
    if lit:
        c.fill(rounded_rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, 0.6), LED_LIT, clip, clip=clip)
        c.fill(rounded_rect(x0 + 2, y0 + 2, x1 - 2, y1 - 2, 0.4), LED_CORE, clip, clip=clip)
    else:
        c.fill(rounded_rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, 0.6), LED_DARK, clip, clip=clip)
        c.fill(rounded_rect(x0 + 1, y0 + 1, x1 - 3, y0 + 2, 0.3), (120, 128, 142), clip,
               clip=clip)


def controller(pressed):
    """The controller picture; `pressed` is the set of lit element names ("LED" lights all
    four LEDs)."""
    c = Canvas(WIDTH, HEIGHT)
    draw_body(c)
    draw_pad(c, pressed)
    round_button(c, BUTTON_RECTS["A"], "A", "A" in pressed, radius=9.3)
    round_button(c, BUTTON_RECTS["Minus"], "-", "Minus" in pressed, radius=5.7)
    round_button(c, BUTTON_RECTS["Plus"], "+", "Plus" in pressed, radius=5.7)
    draw_home(c, "Home" in pressed)
    round_button(c, BUTTON_RECTS["1"], "1", "1" in pressed, radius=7.3)
    round_button(c, BUTTON_RECTS["2"], "2", "2" in pressed, radius=7.3)
    for rect in LED_RECTS:
        draw_led(c, rect, "LED" in pressed)
    return keyed_rgb(c)


def keyed_rgb(c):
    """RGB rows: uncovered pixels become KEY, partly covered ones are blended on WINDOW_GREY."""
    rows = []
    for y in range(c.height):
        row = []
        for x in range(c.width):
            a = c.alpha[y][x]
            if a <= 0.0:
                row.append(KEY)
            else:
                row.append(tuple(int(round(v)) for v in mix(WINDOW_GREY, c.rgb[y][x], a)))
        rows.append(row)
    return rows


# ----------------------------------------------------------------------------------------------
# The application icon: a white remote, tilted, on a blue tile, with a cursor arrow.


def rotate(x, y, cx, cy, angle):
    s, co = math.sin(angle), math.cos(angle)
    dx, dy = x - cx, y - cy
    return cx + dx * co - dy * s, cy + dx * s + dy * co


def app_icon(size):
    k = size / 256.0
    c = Canvas(size, size)
    samples = 4 if size >= 64 else 8
    full = (0, 0, size, size)

    def fill(shape, colour, box=full):
        c.fill(shape, colour, box, samples, coarse=size >= 64)

    margin = 8 * k if size >= 32 else 0.5
    tile = rounded_rect(margin, margin, size - margin, size - margin, 48 * k)
    fill(tile, lambda x, y: mix((70, 150, 250), (22, 78, 190), y / size))
    draw_icon_remote(fill, size, k)
    draw_icon_arrow(fill, size, k)
    return c


def draw_icon_remote(fill, size, k):
    """A rounded bar tilted 30 degrees, drawn in its own frame."""
    angle = math.radians(-30)
    rcx, rcy = 102 * k, 146 * k
    half_w, half_h = 34 * k, 88 * k
    outline = max(1.0, 6 * k)

    def local(shape):
        return lambda x, y: shape(*rotate(x, y, rcx, rcy, -angle))

    fill(local(rounded_rect(rcx - half_w - outline, rcy - half_h - outline,
                            rcx + half_w + outline, rcy + half_h + outline, 28 * k + outline)),
         (16, 44, 110))
    fill(local(rounded_rect(rcx - half_w, rcy - half_h, rcx + half_w, rcy + half_h, 28 * k)),
         lambda x, y: mix((255, 255, 255), (214, 222, 236),
                          max(0.0, (rotate(x, y, rcx, rcy, -angle)[0] - rcx) / half_w)))
    if size < 24:
        fill(local(circle(rcx, rcy - 40 * k, 16 * k)), (60, 66, 80))
        return
    arm, length = 9 * k, 27 * k
    pcx, pcy = rcx, rcy - 50 * k
    cross = union(rounded_rect(pcx - arm, pcy - length, pcx + arm, pcy + length, 3 * k),
                  rounded_rect(pcx - length, pcy - arm, pcx + length, pcy + arm, 3 * k))
    fill(local(cross), (60, 66, 80))
    fill(local(circle(rcx, rcy + 8 * k, 14 * k)), (40, 130, 255))
    if size >= 48:
        for i in range(2):
            fill(local(circle(rcx, rcy + (48 + 24 * i) * k, 8 * k)), (150, 158, 172))


def draw_icon_arrow(fill, size, k):
    """The cursor arrow, tip up and to the left, yellow with a dark edge all round."""
    small = size <= 24
    scale = (0.84 if small else 0.9) * k
    tip_x, tip_y = (152 if small else 148) * k, 40 * k
    arrow = [(0, 0), (0, 118), (30, 90), (50, 134), (72, 124), (52, 81), (92, 80)]
    points = [(tip_x + px * scale, tip_y + py * scale) for px, py in arrow]
    box = (tip_x - 12 * k, tip_y - 12 * k, tip_x + 106 * scale, tip_y + 146 * scale)
    edge = max(1.0, 6 * k)
    offsets = [(edge * math.cos(a * math.pi / 4), edge * math.sin(a * math.pi / 4))
               for a in range(8)]
    shifted = [polygon([(x + ox, y + oy) for x, y in points]) for ox, oy in offsets]
    fill(union(polygon(points), *shifted), (20, 24, 40), box)
    fill(polygon(points),
         lambda x, y: mix((255, 236, 130), (255, 180, 24), (y - tip_y) / (130 * scale)), box)


def rgba_rows(c):
    rows = []
    for y in range(c.height):
        row = []
        for x in range(c.width):
            a = c.alpha[y][x]
            r, g, b = (int(round(v)) for v in c.rgb[y][x]) if a > 0 else (0, 0, 0)
            row.append((r, g, b, int(round(a * 255))))
        rows.append(row)
    return rows


# ----------------------------------------------------------------------------------------------
# PNG and ICO writing.


def png_bytes(rows):
    height, width, channels = len(rows), len(rows[0]), len(rows[0][0])
    raw = bytearray()
    for row in rows:
        raw.append(0)  # filter: none
        for px in row:
            raw.extend(px)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    colour_type = 2 if channels == 3 else 6
    header = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def png_pixels(data):
    """The raw scanlines of a PNG this script wrote (filter none), for --check."""
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = body
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    return header, zlib.decompress(idat)


def ico_images(data):
    """The PNG images inside an icon file this script wrote."""
    count = struct.unpack("<HHH", data[:6])[2]
    images = []
    for i in range(count):
        size, offset = struct.unpack("<II", data[6 + 16 * i + 8:6 + 16 * i + 16])
        images.append(data[offset:offset + size])
    return images


def bmp_bytes(rows):
    """An uncompressed 24-bit bottom-up Windows bitmap file."""
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line.extend((b, g, r))
        pixels.extend(line + b"\0" * (stride - len(line)))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + bytes(pixels)


def same_pixels(name, a, b):
    # Compressed bytes may differ between zlib versions; the pixels may not.
    if name.endswith(".bmp"):
        return a == b
    if name.endswith(".png"):
        return png_pixels(a) == png_pixels(b)
    ia, ib = ico_images(a), ico_images(b)
    return a[:6] == b[:6] and len(ia) == len(ib) and all(
        png_pixels(x) == png_pixels(y) for x, y in zip(ia, ib))


def ico_bytes(pngs):
    """A Windows icon holding PNG-compressed images (read by every current system)."""
    count = len(pngs)
    out = struct.pack("<HHH", 0, 1, count)
    offset = 6 + 16 * count
    entries, blobs = b"", b""
    for size, data in pngs:
        dim = 0 if size >= 256 else size
        entries += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        blobs += data
        offset += len(data)
    return out + entries + blobs


def artwork():
    up, down = controller(set()), controller(set(BUTTON_RECTS) | {"LED"})
    files = {
        "WiiButtonsUp.png": png_bytes(up),
        "WiiButtonsDown.png": png_bytes(down),
        "WiiButtonsUp.bmp": bmp_bytes(up),
        "WiiButtonsDown.bmp": bmp_bytes(down),
    }
    icons = []
    for size in (16, 22, 24, 32, 48, 64, 128, 256):
        data = png_bytes(rgba_rows(app_icon(size)))
        files["kestrovane-%d.png" % size] = data
        if size in (16, 24, 32, 48, 64, 256):
            icons.append((size, data))
    files["kestrovane.ico"] = ico_bytes(icons)
    return files


def main(argv):
    files = artwork()
    if "--check" in argv:
        stale = []
        for name, data in files.items():
            path = os.path.join(OUT_DIR, name)
            try:
                with open(path, "rb") as f:
                    committed = f.read()
            except OSError:
                stale.append(name)
                continue
            if not same_pixels(name, committed, data):
                stale.append(name)
        if stale:
            print("out of date: " + ", ".join(stale) + " (run scripts/make_artwork.py)")
            return 1
        return 0
    os.makedirs(OUT_DIR, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(OUT_DIR, name), "wb") as f:
            f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
