#!/usr/bin/env python3
"""Draws the application icon (a yellow bench multimeter) as PNGs.

Writes zorvane-16.png and zorvane-32.png (16 colours, pixel by pixel, as the
window uses them) and zorvane-48.png and zorvane-256.png (anti-aliased RGBA,
for menus and docks) next to this script. The PNGs are committed, so this only
runs when the picture changes. Needs nothing but python3.
"""
import math
import os
import struct
import zlib

# index: (r, g, b, a); index 0 is the transparent background.
PALETTE = [
    (0, 0, 0, 0),        # 0 background
    (16, 16, 16, 255),   # 1 outline
    (242, 196, 24, 255), # 2 body yellow
    (176, 128, 8, 255),  # 3 body shade
    (64, 64, 72, 255),   # 4 face
    (200, 214, 176, 255),# 5 display
    (40, 52, 32, 255),   # 6 digits
    (150, 150, 160, 255),# 7 dial
    (230, 230, 236, 255),# 8 dial light
    (200, 32, 32, 255),  # 9 red jack
    (96, 96, 104, 255),  # 10 dark grey
    (255, 255, 255, 255),# 11 white
    (120, 90, 0, 255),   # 12 body dark
    (90, 110, 70, 255),  # 13 display shade
    (24, 24, 28, 255),   # 14 jack black
    (250, 230, 120, 255),# 15 body light
]


def canvas(size):
    return [[0] * size for _ in range(size)]


def rect(img, x0, y0, x1, y1, colour):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            img[y][x] = colour


def outlined_rect(img, x0, y0, x1, y1, fill, outline=1, rounded=True):
    rect(img, x0, y0, x1, y1, outline)
    rect(img, x0 + 1, y0 + 1, x1 - 1, y1 - 1, fill)
    if rounded:
        for x, y in ((x0, y0), (x1, y0), (x0, y1), (x1, y1)):
            img[y][x] = 0


def disc(img, cx, cy, r, fill, outline=None):
    for y in range(len(img)):
        for x in range(len(img)):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            if d <= r:
                img[y][x] = fill
            if outline is not None and r - 1.0 < d <= r:
                img[y][x] = outline


def line(img, x0, y0, x1, y1, colour):
    steps = max(abs(x1 - x0), abs(y1 - y0)) or 1
    for i in range(steps + 1):
        x = round(x0 + (x1 - x0) * i / steps)
        y = round(y0 + (y1 - y0) * i / steps)
        img[y][x] = colour


# 3x5 digits for the display.
DIGITS = {
    "1": ["010", "110", "010", "010", "111"],
    "5": ["111", "100", "111", "001", "111"],
    "0": ["111", "101", "101", "101", "111"],
}


def text(img, x, y, chars, colour):
    for ch in chars:
        if ch == ".":
            img[y + 4][x] = colour
            x += 2
            continue
        for dy, row in enumerate(DIGITS[ch]):
            for dx, bit in enumerate(row):
                if bit == "1":
                    img[y + dy][x + dx] = colour
        x += 4


def draw_32():
    img = canvas(32)
    outlined_rect(img, 4, 1, 27, 30, 2)
    rect(img, 5, 2, 26, 2, 15)            # top highlight
    rect(img, 26, 3, 26, 29, 3)           # right shade
    outlined_rect(img, 7, 4, 24, 27, 4, rounded=False)
    outlined_rect(img, 9, 6, 22, 13, 5, outline=13, rounded=False)
    text(img, 11, 7, "1.5", 6)
    disc(img, 16, 18.5, 4.0, 7, outline=1)
    disc(img, 15, 17.5, 1.3, 8)
    line(img, 16, 18, 18, 16, 1)
    disc(img, 11, 25, 1.5, 7)
    disc(img, 16, 25, 1.5, 7)
    disc(img, 21, 25, 1.5, 9)
    return img


def draw_16():
    img = canvas(16)
    outlined_rect(img, 1, 0, 14, 15, 2)
    rect(img, 13, 1, 13, 14, 3)           # right shade
    outlined_rect(img, 3, 2, 12, 14, 4, rounded=False)
    rect(img, 4, 3, 11, 6, 5)
    rect(img, 5, 4, 10, 5, 6)             # the digits, as a dark bar
    rect(img, 7, 4, 7, 5, 5)
    disc(img, 8, 9.5, 2.0, 7)
    img[9][8] = 1
    img[8][9] = 1
    img[12][5] = 8
    img[12][8] = 8
    img[12][10] = 9
    return img


# The large icons are drawn from shapes in the coordinates of the 32-pixel
# picture, scaled to the size, with each sample point tested against the
# shape; SAMPLES x SAMPLES points a pixel give the anti-aliasing.
SAMPLES = 4


def rounded_box(x0, y0, x1, y1, r):
    def inside(x, y):
        dx = max(x0 + r - x, 0.0, x - (x1 - r))
        dy = max(y0 + r - y, 0.0, y - (y1 - r))
        return x0 <= x <= x1 and y0 <= y <= y1 and dx * dx + dy * dy <= r * r
    return inside, (x0, y0, x1, y1)


def circle(cx, cy, r):
    def inside(x, y):
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside, (cx - r, cy - r, cx + r, cy + r)


def stroke(x0, y0, x1, y1, width):
    """A segment with round ends, `width` wide."""
    length2 = (x1 - x0) ** 2 + (y1 - y0) ** 2

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - x0) * (x1 - x0) + (y - y0) * (y1 - y0)) / length2))
        px, py = x0 + t * (x1 - x0), y0 + t * (y1 - y0)
        return (x - px) ** 2 + (y - py) ** 2 <= width * width / 4
    half = width / 2
    return inside, (min(x0, x1) - half, min(y0, y1) - half, max(x0, x1) + half, max(y0, y1) + half)


class Painter:
    """An RGBA canvas of `size` pixels that takes shapes in 32-pixel units."""

    def __init__(self, size):
        self.size = size
        self.scale = size / 32.0
        self.pixels = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]

    def fill(self, shape, colour):
        """Paints `shape` over the canvas; `colour` is (r, g, b, a) or a function of y in units."""
        inside, (bx0, by0, bx1, by1) = shape
        k = self.scale
        for py in range(max(0, int(by0 * k)), min(self.size, int(by1 * k) + 2)):
            for px in range(max(0, int(bx0 * k)), min(self.size, int(bx1 * k) + 2)):
                hits = 0
                for sy in range(SAMPLES):
                    for sx in range(SAMPLES):
                        if inside((px + (sx + 0.5) / SAMPLES) / k, (py + (sy + 0.5) / SAMPLES) / k):
                            hits += 1
                if hits:
                    c = colour((py + 0.5) / k) if callable(colour) else colour
                    self.blend(px, py, c, hits / (SAMPLES * SAMPLES))

    def blend(self, x, y, colour, coverage):
        r, g, b, a = colour
        a = a / 255.0 * coverage
        br, bg, bb, ba = self.pixels[y][x]
        out = a + ba * (1 - a)
        if out > 0:
            mix = lambda top, bottom: (top * a + bottom * ba * (1 - a)) / out
            self.pixels[y][x] = (mix(r, br), mix(g, bg), mix(b, bb), out)

    def rows(self):
        return [[(round(r), round(g), round(b), round(a * 255)) for r, g, b, a in row]
                for row in self.pixels]


def vertical(top, bottom, y0, y1):
    """An opaque colour running from RGB `top` at y0 to `bottom` at y1."""
    def colour(y):
        t = max(0.0, min(1.0, (y - y0) / (y1 - y0)))
        return tuple(round(a + (b - a) * t) for a, b in zip(top, bottom)) + (255,)
    return colour


# Seven segments of a display digit in a 4 x 7 cell: (x0, y0, x1, y1) as cell fractions.
SEGMENTS = {
    "a": (0.0, 0.0, 1.0, 0.0), "b": (1.0, 0.0, 1.0, 0.5), "c": (1.0, 0.5, 1.0, 1.0),
    "d": (0.0, 1.0, 1.0, 1.0), "e": (0.0, 0.5, 0.0, 1.0), "f": (0.0, 0.0, 0.0, 0.5),
    "g": (0.0, 0.5, 1.0, 0.5),
}
DIGIT_SEGMENTS = {"0": "abcdef", "1": "bc", "5": "acdfg"}


def seven_segment(p, x, y, width, height, chars, thickness, colour):
    for ch in chars:
        if ch == ".":
            p.fill(circle(x - width * 0.35, y + height, thickness * 0.7), colour)
            continue
        for seg in DIGIT_SEGMENTS[ch]:
            x0, y0, x1, y1 = SEGMENTS[seg]
            p.fill(stroke(x + x0 * width, y + y0 * height, x + x1 * width, y + y1 * height,
                          thickness), colour)
        x += width * 1.7


# The same segments on whole pixels for small sizes: a 4 x 7 pixel cell, strokes one pixel wide.
PIXEL_SEGMENTS = {
    "a": (0, 0, 4, 1), "b": (3, 0, 4, 4), "c": (3, 3, 4, 7), "d": (0, 6, 4, 7),
    "e": (0, 3, 1, 7), "f": (0, 0, 1, 4), "g": (0, 3, 4, 4),
}


def seven_segment_pixels(p, x, y, chars, colour):
    """Digits with their top left corner at pixel (x, y); "." takes one pixel column."""
    k = p.scale
    pixel_box = lambda x0, y0, x1, y1: rounded_box(x0 / k, y0 / k, x1 / k, y1 / k, 0.0)
    for ch in chars:
        if ch == ".":
            p.fill(pixel_box(x + 1, y + 6, x + 2, y + 7), colour)
            x += 3
            continue
        for seg in DIGIT_SEGMENTS[ch]:
            x0, y0, x1, y1 = PIXEL_SEGMENTS[seg]
            p.fill(pixel_box(x + x0, y + y0, x + x1, y + y1), colour)
        x += 6


def draw_large(size):
    """The meter for menus and docks: the 32-pixel picture's layout with the
    detail the size can carry (outline widths whole pixels, more digits and
    the dial's scale from 128 pixels up)."""
    p = Painter(size)
    px = 1.0 / p.scale            # one pixel in units
    outline = max(px, round(0.6 * p.scale) * px)
    detailed = size >= 128
    colours = {i: c for i, c in enumerate(PALETTE)}

    # Body: outline, then the yellow case lit from above, shade on the right.
    p.fill(rounded_box(3.5, 0.5, 28.5, 31.5, 3.0), colours[1])
    p.fill(rounded_box(3.5 + outline, 0.5 + outline, 28.5 - outline, 31.5 - outline, 3.0 - outline),
           vertical((252, 214, 64), (214, 160, 12), 0.5, 31.5))
    p.fill(rounded_box(26.0, 2.0, 28.5 - outline, 30.0, 1.0), (176, 128, 8, 140))
    p.fill(rounded_box(5.0, 0.5 + outline, 26.0, 1.6, 0.5), (255, 244, 180, 200))

    # Face panel with the display.
    p.fill(rounded_box(6.5, 3.5, 25.5, 28.5, 1.5), colours[1])
    p.fill(rounded_box(6.5 + outline, 3.5 + outline, 25.5 - outline, 28.5 - outline, 1.2),
           vertical((84, 84, 94), (52, 52, 60), 3.5, 28.5))
    p.fill(rounded_box(8.5, 5.5, 23.5, 13.0, 0.8), colours[13])
    p.fill(rounded_box(8.5 + outline, 5.5 + outline, 23.5 - outline, 13.0 - outline, 0.6),
           vertical((214, 228, 188), (184, 200, 158), 5.5, 13.0))
    if detailed:
        seven_segment(p, 10.6, 7.0, 1.9, 4.5, "1.500", 0.55, colours[6])
    else:
        # "1.5" is 14 pixels wide, of which the "1" leaves its cell's first three blank.
        centre_x, centre_y = 16.0 * p.scale, 9.25 * p.scale
        seven_segment_pixels(p, round(centre_x - 8.5), round(centre_y - 3.5), "1.5", colours[6])

    # Range dial: scale ticks, knob with a light edge, pointer.
    cx, cy, r = 16.0, 19.0, 4.0
    if detailed:
        for i in range(7):
            angle = math.radians(-135 + 45 * i)
            sx, sy = math.sin(angle), -math.cos(angle)
            p.fill(stroke(cx + sx * (r + 0.6), cy + sy * (r + 0.6),
                          cx + sx * (r + 1.3), cy + sy * (r + 1.3), 0.3), colours[8])
    p.fill(circle(cx, cy, r), colours[1])
    p.fill(circle(cx, cy, r - outline), vertical((228, 228, 234), (132, 132, 142), cy - r, cy + r))
    p.fill(circle(cx, cy, r * 0.7), colours[7])
    p.fill(stroke(cx, cy, cx + 2.2, cy - 2.2, max(0.7, 2 * px)), colours[1])

    # Input jacks: COM and V in grey, A in red.
    for x, ring in ((11.0, colours[7]), (16.0, colours[7]), (21.0, colours[9])):
        p.fill(circle(x, 25.5, 1.8), colours[1])
        p.fill(circle(x, 25.5, 1.8 - outline), ring)
        p.fill(circle(x, 25.5, 0.8), colours[14])
    return p.rows()


def png_file(path, size, header_tail, raw, extra_chunks=b""):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">II", size, size) + header_tail
    data = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + extra_chunks(chunk) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))
    with open(path, "wb") as out:
        out.write(data)


def png(img, path):
    """A 16-colour image as a 4-bit indexed PNG."""
    raw = bytearray()
    for row in img:
        raw.append(0)  # no filter
        for x in range(0, len(img), 2):
            raw.append((row[x] << 4) | row[x + 1])
    plte = b"".join(bytes(c[:3]) for c in PALETTE)
    trns = bytes(c[3] for c in PALETTE)
    png_file(path, len(img), struct.pack(">BBBBB", 4, 3, 0, 0, 0), raw,
             lambda chunk: chunk(b"PLTE", plte) + chunk(b"tRNS", trns))


def png_rgba(img, path):
    """An RGBA image as an 8-bit truecolour PNG with alpha."""
    raw = bytearray()
    for row in img:
        raw.append(0)
        for pixel in row:
            raw.extend(pixel)
    png_file(path, len(img), struct.pack(">BBBBB", 8, 6, 0, 0, 0), raw, lambda chunk: b"")


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    png(draw_32(), os.path.join(here, "zorvane-32.png"))
    png(draw_16(), os.path.join(here, "zorvane-16.png"))
    for size in (48, 256):
        png_rgba(draw_large(size), os.path.join(here, "zorvane-%d.png" % size))
