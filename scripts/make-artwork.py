#!/usr/bin/env python3
"""Draws the controller's own artwork: the application icon, the notice's header band (a 1-pixel
tile and its 65-pixel end piece, both 19 pixels high) and the notice's 48 x 48 information
picture, plus the tiny icon and bitmap the dialog port's contract tests load. Writes plain
Windows .bmp (24-bit, bottom-up) and .ico files; run it again after changing a design:
    scripts/make-artwork.py
"""
import math
import os
import struct

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def bmp(width, height, pixel):
    """A 24-bit bottom-up BMP of pixel(x, y) -> (r, g, b)."""
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in reversed(range(height)):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (stride - width * 3)
        rows.append(bytes(row))
    data = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    return header + info + data


def icon(sizes, pixel):
    """An .ico with one 32-bit image per size; pixel(x, y, size) -> (r, g, b, a)."""
    images = []
    for size in sizes:
        xor = bytearray()
        for y in reversed(range(size)):
            for x in range(size):
                r, g, b, a = pixel(x, y, size)
                xor += bytes((b, g, r, a))
        mask_stride = ((size + 31) // 32) * 4
        mask = b"\0" * (mask_stride * size)
        info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        images.append((size, info + bytes(xor) + mask))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    body = b""
    for size, data in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset + len(body))
        body += data
    return directory + entries + body


def blend(c1, c2, t):
    return tuple(int(round(a + (b - a) * t)) for a, b in zip(c1, c2))


DEEP = (16, 52, 120)
LIGHT = (92, 150, 220)
WHITE = (255, 255, 255)


def band_tile(x, y):
    return blend(DEEP, LIGHT, y / 18)


def band_end(x, y):
    base = band_tile(x, y)
    # A fading bright wedge towards the right end, with three dots.
    t = x / 64
    colour = blend(base, WHITE, 0.35 * t * (1 - abs(y - 9) / 10))
    for cx in (40, 49, 58):
        if (x - cx) ** 2 + (y - 9) ** 2 <= 5:
            colour = WHITE
    return colour


def information(x, y):
    d = math.hypot(x - 23.5, y - 23.5)
    if d > 22:
        return (240, 240, 240)
    if d > 20:
        return DEEP
    inside = blend(LIGHT, DEEP, d / 20)
    if 21 <= x <= 26 and (9 <= y <= 14 or 18 <= y <= 38):
        return WHITE
    return inside


def app_icon(x, y, size):
    s = size / 32
    d = math.hypot(x - size / 2 + 0.5, y - size / 2 + 0.5)
    if d > 15 * s:
        return (0, 0, 0, 0)
    r, g, b = blend(LIGHT, DEEP, d / (15 * s))
    # A screen outline in the middle.
    if 8 * s <= x < 24 * s and 10 * s <= y < 20 * s:
        inner = 9 * s <= x < 23 * s and 11 * s <= y < 19 * s
        r, g, b = (60, 110, 190) if inner else WHITE
    if 14 * s <= x < 18 * s and 20 * s <= y < 23 * s:
        r, g, b = WHITE
    return (r, g, b, 255)


def write(path, data):
    full = os.path.join(ROOT, path)
    with open(full, "wb") as f:
        f.write(data)


write("controller/res/Sentrixd.ico", icon((16, 32, 48), app_icon))
write("controller/res/BandTile.bmp", bmp(1, 19, band_tile))
write("controller/res/BandEnd.bmp", bmp(65, 19, band_end))
write("controller/res/Information.bmp", bmp(48, 48, information))
write("tests/unit/win32/res/Contract.ico", icon((16,), app_icon))
write("tests/unit/win32/res/Contract.bmp", bmp(3, 2, lambda x, y: (255 * (x == 0), 255 * (x == 1), 255 * (x == 2))))
