#!/usr/bin/env python3
"""Writes the windows' background picture: 420 x 511 pixels, 256 colours, as a BMP.

The picture is a dark field with a faint diagonal weave and an inner frame. Its outline is
painted in pure RGB(255,0,255), the windows' colour key: the top and bottom rows, rounded
corners and a few notches along the sides, so each window shows an irregular outline
instead of a rectangle. Everything is computed, so the same picture comes out every time.
"""
import math
import struct
import sys

WIDTH, HEIGHT = 420, 511
KEY = 0  # palette index of RGB(255,0,255)


def palette():
    colours = [(255, 0, 255)]
    # A ramp around the windows' background colour RGB(36,57,66), dark to light.
    for i in range(1, 200):
        t = i / 199.0
        colours.append((int(18 + 44 * t), int(30 + 60 * t), int(36 + 66 * t)))
    # The frame's orange, dimmed.
    for i in range(200, 256):
        t = (i - 200) / 55.0
        colours.append((int(90 + 80 * t), int(45 + 40 * t), int(10 + 10 * t)))
    return colours


def corner_cut(x, y, radius):
    """Whether (x, y) lies outside a rounded corner of the given radius."""
    for cx, cy in ((radius, radius), (WIDTH - 1 - radius, radius), (radius, HEIGHT - 1 - radius),
                   (WIDTH - 1 - radius, HEIGHT - 1 - radius)):
        inside_x = (x < radius and cx == radius) or (x > WIDTH - 1 - radius and cx != radius)
        inside_y = (y < radius and cy == radius) or (y > HEIGHT - 1 - radius and cy != radius)
        if inside_x and inside_y and math.hypot(x - cx, y - cy) > radius:
            return True
    return False


def side_depth(y):
    """How many pixels of the row are cut away at each side: one in every row, deeper
    notches here and there."""
    wave = math.sin(y / 23.0) + math.sin(y / 7.3) * 0.6
    return 3 if wave > 1.25 else 1


def pixel(x, y):
    if y < 2 or y >= HEIGHT - 2 or corner_cut(x, y, 9):
        return KEY
    depth = side_depth(y)
    if x < depth or x >= WIDTH - depth:
        return KEY
    if x in (6, WIDTH - 7) or y in (6, HEIGHT - 7):
        return 230  # inner frame
    weave = (math.sin((x + y) / 9.0) + math.sin((x - y) / 13.0)) * 0.5
    light = 1.0 - y / HEIGHT * 0.6
    return max(1, min(199, int(40 + 60 * light + 12 * weave)))


def main(path):
    rows = []
    for y in range(HEIGHT - 1, -1, -1):  # BMP rows run bottom-up
        rows.append(bytes(pixel(x, y) for x in range(WIDTH)))
    pixels = b"".join(rows)  # 420 is a multiple of 4: no row padding
    colours = palette()
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in colours)
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 0, len(pixels), 3780, 3780, 256, 0)
    with open(path, "wb") as out:
        out.write(header + info + table + pixels)
    keyed = pixels.count(bytes([KEY]))
    print(f"{path}: {WIDTH} x {HEIGHT}, {keyed} of {WIDTH * HEIGHT} pixels in the colour key")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "background.bmp")
