#!/usr/bin/env python3
"""Writes Pellmora.ico beside this script: 32 x 32 pixels, 16 colours.

A grey pen nib lies diagonally, tip at the lower left, on a bright green
square; a dithered dark-green shadow falls below it. Standard library only,
so anyone can regenerate the checked-in icon:

    python3 platform/win32/make_icon.py
"""

import math
import os
import struct

SIZE = 32

# The classic 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_GREEN, LIGHT_GREY, DARK_GREY, GREEN, WHITE = 0, 2, 7, 8, 10, 15

# The nib's axis runs from the tip to the back end.
TIP = (4.5, 27.5)
BACK = (26.5, 5.5)
HALF_WIDTH = 6.0
TAPER = 0.62          # share of the length over which the point widens
SHADOW = (1.5, 3.0)   # offset of the shadow: right and down


def nib_coords(x, y):
    """Position of a pixel centre along the nib (u from the tip) and across it (v)."""
    ax, ay = BACK[0] - TIP[0], BACK[1] - TIP[1]
    length = math.hypot(ax, ay)
    dx, dy = x - TIP[0], y - TIP[1]
    u = (dx * ax + dy * ay) / length
    v = (dx * -ay + dy * ax) / length
    return u, v, length


def half_width(u, length):
    taper = TAPER * length
    if u < taper:
        t = u / taper
        return HALF_WIDTH * (1 - (1 - t) ** 2)  # a pointed arch
    # The back end narrows a little to the shoulders, as a nib does.
    t = (u - taper) / (length - taper)
    return HALF_WIDTH * (1 - 0.25 * t)


def inside(x, y, margin=0.0):
    u, v, length = nib_coords(x, y)
    if u <= margin or u > length - margin:
        return False
    return abs(v) <= half_width(u, length) - margin


def draw():
    pixels = [[GREEN] * SIZE for _ in range(SIZE)]
    # Dark-green frame around the square.
    for i in range(SIZE):
        for (x, y) in ((i, 0), (i, SIZE - 1), (0, i), (SIZE - 1, i)):
            pixels[y][x] = DARK_GREEN
    # Shadow first, dithered in a checkerboard, so the nib covers its top.
    for y in range(1, SIZE - 1):
        for x in range(1, SIZE - 1):
            if inside(x + 0.5 - SHADOW[0], y + 0.5 - SHADOW[1]) and (x + y) % 2 == 0:
                pixels[y][x] = DARK_GREEN
    # The nib: grey body with a dark outline, a slit from the tip to the
    # breather hole, and a light edge along its upper side.
    hole_u = 0.58
    for y in range(SIZE):
        for x in range(SIZE):
            cx, cy = x + 0.5, y + 0.5
            if not inside(cx, cy):
                continue
            u, v, length = nib_coords(cx, cy)
            colour = LIGHT_GREY
            if not inside(cx, cy, margin=1.0):
                colour = DARK_GREY
            elif v < -half_width(u, length) + 2.2:
                colour = WHITE
            if abs(v) < 0.6 and 0.08 * length < u < hole_u * length:
                colour = BLACK
            if math.hypot(u - hole_u * length, v) < 1.3:
                colour = BLACK
            if abs(u - 0.8 * length) < 0.6 and abs(v) < half_width(u, length) - 1:
                colour = DARK_GREY  # where the nib meets the holder
            pixels[y][x] = colour
    return pixels


def ico_bytes(pixels):
    # Colour bits: 4 per pixel, rows bottom-up, each row padded to 4 bytes.
    xor = bytearray()
    for y in reversed(range(SIZE)):
        row = pixels[y]
        for x in range(0, SIZE, 2):
            xor.append((row[x] << 4) | row[x + 1])
    # Mask: all opaque, 1 bit per pixel, rows padded to 4 bytes.
    mask = bytes(SIZE * 4)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 16, 0)
    image = header + palette + bytes(xor) + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    target = os.path.join(os.path.dirname(os.path.abspath(__file__)), "Pellmora.ico")
    with open(target, "wb") as out:
        out.write(ico_bytes(draw()))


if __name__ == "__main__":
    main()
