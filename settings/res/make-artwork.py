#!/usr/bin/env python3
"""Draws the settings program's artwork: the banner tile and end piece, the picture beside the
check boxes and the program icon, as small uncompressed BMP and ICO files. Run it from this
folder to redraw them; the files it writes are committed."""
import struct


def bmp(path, width, height, pixel):
    """24-bit bottom-up BMP; pixel(x, y) gives (r, g, b) with y = 0 at the top."""
    stride = (width * 3 + 3) & ~3
    rows = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        rows += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + rows)


def blend(a, b, t):
    return tuple(int(a[i] + (b[i] - a[i]) * t) for i in range(3))


NAVY = (18, 40, 86)
TEAL = (0, 128, 140)
WHITE = (255, 255, 255)

BANNER_HEIGHT = 48


def tile(x, y):
    return blend(NAVY, TEAL, y / (BANNER_HEIGHT - 1))


def end_piece(x, y):
    base = tile(x, y)
    # Three rising bars, a signal mark, at the right end.
    for i, left in enumerate((60, 76, 92)):
        top = 34 - 10 * i
        if left <= x < left + 10 and top <= y < 40:
            return WHITE
    return blend(base, TEAL, x / 119 * 0.5)


def picture(x, y):
    # A screen over a stand.
    if 8 <= x < 56 and 10 <= y < 46:
        return TEAL if (12 <= x < 52 and 14 <= y < 42) else NAVY
    if 28 <= x < 36 and 46 <= y < 56:
        return NAVY
    if 18 <= x < 46 and 56 <= y < 60:
        return NAVY
    return (240, 240, 240)


def icon(path, size):
    """ICO with one 32-bit image (BGRA, bottom-up, with its AND mask)."""
    pixels = bytearray()
    for y in range(size - 1, -1, -1):
        for x in range(size):
            inside = 2 <= x < size - 2 and 4 <= y < size - 8
            stand = size // 2 - 3 <= x < size // 2 + 3 and size - 8 <= y < size - 3
            if inside:
                r, g, b = TEAL if (4 <= x < size - 4 and 6 <= y < size - 10) else NAVY
                pixels += bytes((b, g, r, 255))
            elif stand:
                pixels += bytes((NAVY[2], NAVY[1], NAVY[0], 255))
            else:
                pixels += bytes((0, 0, 0, 0))
    mask = b"\0" * (((size + 31) // 32) * 4 * size)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image = info + pixels + mask
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(header + entry + image)


bmp("BannerTile.bmp", 16, BANNER_HEIGHT, tile)
bmp("BannerEnd.bmp", 120, BANNER_HEIGHT, end_piece)
bmp("Picture.bmp", 64, 64, picture)
icon("Sentrixset.ico", 32)
