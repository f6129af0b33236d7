#!/usr/bin/env python3
"""Writes Pellmora.ico beside this script: 32-bit images with alpha at every
size the shell asks for, 16 to 64 pixels as bitmaps and 256 as a PNG.

A grey pen nib lies diagonally, tip at the lower left, on a bright green
square; a dark-green shadow falls below it. The design is drawn in a 32-unit
square and sampled at each size, 4 x 4 samples a pixel, so every size is
anti-aliased and the same bytes come out on every run. Standard library only:

    python3 platform/win32/make_icon.py            # writes Pellmora.ico
    python3 platform/win32/make_icon.py --check    # fails if it differs
"""

import math
import os
import struct
import sys
import zlib

SIZES = (16, 20, 24, 32, 40, 48, 64, 256)
PNG_FROM = 256    # this size and larger are stored as PNG
SAMPLES = 4       # per pixel, across and down
UNITS = 32.0      # the design's square

GREEN = (0, 255, 0)
DARK_GREEN = (0, 128, 0)
WHITE = (255, 255, 255)
LIGHT_GREY = (192, 192, 192)
DARK_GREY = (128, 128, 128)
BLACK = (0, 0, 0)
SHADOW_ALPHA = 0.6

# The nib's axis runs from the tip to the back end.
TIP = (4.5, 27.5)
BACK = (26.5, 5.5)
HALF_WIDTH = 6.0
TAPER = 0.62          # share of the length over which the point widens
SHADOW = (1.5, 3.0)   # offset of the shadow: right and down
HOLE_U = 0.58         # the breather hole, as a share of the length
AXIS = (BACK[0] - TIP[0], BACK[1] - TIP[1])
LENGTH = math.hypot(*AXIS)


def nib_coords(x, y):
    """Position of a point along the nib (u from the tip) and across it (v)."""
    dx, dy = x - TIP[0], y - TIP[1]
    u = (dx * AXIS[0] + dy * AXIS[1]) / LENGTH
    v = (dx * -AXIS[1] + dy * AXIS[0]) / LENGTH
    return u, v


def half_width(u):
    taper = TAPER * LENGTH
    if u < taper:
        t = u / taper
        return HALF_WIDTH * (1 - (1 - t) ** 2)  # a pointed arch
    # The back end narrows a little to the shoulders, as a nib does.
    t = (u - taper) / (LENGTH - taper)
    return HALF_WIDTH * (1 - 0.25 * t)


def inside(x, y, margin=0.0):
    u, v = nib_coords(x, y)
    if u <= margin or u > LENGTH - margin:
        return False
    return abs(v) <= half_width(u) - margin


def blend(under, over, alpha):
    return tuple(a + (b - a) * alpha for a, b in zip(under, over))


def colour_at(x, y, line):
    """The design's colour at a point; `line` is the width of its outlines,
    at least a pixel, so that the small sizes keep their edges."""
    if x < line or y < line or x > UNITS - line or y > UNITS - line:
        return DARK_GREEN  # the square's frame
    if not inside(x, y):
        if inside(x - SHADOW[0], y - SHADOW[1]):
            return blend(GREEN, DARK_GREEN, SHADOW_ALPHA)
        return GREEN
    # The nib: grey body with a dark outline, a slit from the tip to the
    # breather hole, and a light edge along its upper side.
    u, v = nib_coords(x, y)
    colour = LIGHT_GREY
    if not inside(x, y, margin=line):
        colour = DARK_GREY
    elif v < -half_width(u) + 2.2:
        colour = WHITE
    if abs(v) < max(0.6, line / 2) and 0.08 * LENGTH < u < HOLE_U * LENGTH:
        colour = BLACK
    if math.hypot(u - HOLE_U * LENGTH, v) < 1.3:
        colour = BLACK
    if abs(u - 0.8 * LENGTH) < max(0.6, line / 2) and abs(v) < half_width(u) - 1:
        colour = DARK_GREY  # where the nib meets the holder
    return colour


def draw(size):
    """Rows top-down of (red, green, blue, alpha) for one size."""
    scale = UNITS / size
    line = max(1.0, scale)
    step = scale / SAMPLES
    offsets = [(i + 0.5) * step for i in range(SAMPLES)]
    count = SAMPLES * SAMPLES
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            total = [0.0, 0.0, 0.0]
            for oy in offsets:
                for ox in offsets:
                    c = colour_at(px * scale + ox, py * scale + oy, line)
                    total[0] += c[0]
                    total[1] += c[1]
                    total[2] += c[2]
            row.append(tuple(int(t / count + 0.5) for t in total) + (255,))
        rows.append(row)
    return rows


def bitmap_image(size, rows):
    # Colour as BGRA, rows bottom-up; then the mask, all opaque, 1 bit per
    # pixel, each row padded to 4 bytes.
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask = bytes(((size + 31) // 32) * 4 * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return header + colour + mask


def png_image(size, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in rows)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def ico_bytes():
    images = [(size, (png_image if size >= PNG_FROM else bitmap_image)(size, draw(size))) for size in SIZES]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for size, image in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return directory + b"".join(image for _, image in images)


def main():
    target = os.path.join(os.path.dirname(os.path.abspath(__file__)), "Pellmora.ico")
    drawn = ico_bytes()
    if sys.argv[1:] == ["--check"]:
        with open(target, "rb") as existing:
            if existing.read() != drawn:
                sys.exit(target + " is not what make_icon.py draws: run python3 platform/win32/make_icon.py")
        return
    with open(target, "wb") as out:
        out.write(drawn)


if __name__ == "__main__":
    main()
