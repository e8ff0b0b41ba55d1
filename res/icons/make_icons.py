#!/usr/bin/env python3
"""Draws the application icon (a yellow bench multimeter) as 16-colour PNGs.

Writes zorvane-32.png and zorvane-16.png next to this script; the PNGs are
committed, so this only runs when the picture changes.
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


def png(img, path):
    size = len(img)
    raw = bytearray()
    for row in img:
        raw.append(0)  # no filter
        for x in range(0, size, 2):
            raw.append((row[x] << 4) | row[x + 1])

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 4, 3, 0, 0, 0)  # 4-bit indexed
    plte = b"".join(bytes(c[:3]) for c in PALETTE)
    trns = bytes(c[3] for c in PALETTE)
    data = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"PLTE", plte) +
            chunk(b"tRNS", trns) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) +
            chunk(b"IEND", b""))
    with open(path, "wb") as out:
        out.write(data)


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    png(draw_32(), os.path.join(here, "zorvane-32.png"))
    png(draw_16(), os.path.join(here, "zorvane-16.png"))
