#!/usr/bin/env python3
"""Writes the programs' icon (vantorel.exe and bfv-query.exe) as a Windows .ico file.

The icon is drawn from the windows' own art: a rounded tile in the windows' colour
RGB(36,57,66) with the faint diagonal weave and the dimmed orange frame of the background
picture, and a heavy "V" in the labels' orange RGB(255,128,0). Everything is computed, with
4 x 4 samples per pixel for smooth edges, so the same icon comes out every time. Sizes
16 to 48 are stored as bitmaps (every Windows reads those), 256 as PNG.
"""
import math
import struct
import sys
import zlib

SIZES = (16, 20, 24, 32, 40, 48, 64, 256)
SAMPLES = 4

WINDOW = (36, 57, 66)
FRAME = (170, 85, 20)
ORANGE = (255, 128, 0)


def inside_tile(x, y, radius):
    """(x, y) in units of the icon's side: inside the rounded square."""
    cx = min(max(x, radius), 1 - radius)
    cy = min(max(y, radius), 1 - radius)
    return math.hypot(x - cx, y - cy) <= radius


def inside_v(x, y):
    """The "V": two strokes meeting at the bottom, as a polygon test."""
    top, bottom = 0.2, 0.82
    if y < top or y > bottom:
        return False
    t = (y - top) / (bottom - top)
    half = 0.34 * (1 - t) + 0.08 * t  # the outer edges close in towards the point
    inner = 0.19 * (1 - t) - 0.05 * t  # the inner ones meet above it
    return inner <= abs(x - 0.5) <= half


def sample(x, y):
    """The colour (r, g, b, a) at a point of the unit square."""
    if not inside_tile(x, y, 0.18):
        return (0, 0, 0, 0)
    if inside_v(x, y):
        return ORANGE + (255,)
    if not inside_tile((x - 0.06) / 0.88, (y - 0.06) / 0.88, 0.14):
        return FRAME + (255,)
    weave = (math.sin((x + y) * 20) + math.sin((x - y) * 14)) * 0.5
    light = 1.0 - y * 0.5
    return tuple(int(c * (0.8 + 0.25 * light) + 6 * weave) for c in WINDOW) + (255,)


def render(size):
    """Rows of (r, g, b, a), top row first."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            total = [0, 0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    r, g, b, a = sample((px + (sx + 0.5) / SAMPLES) / size, (py + (sy + 0.5) / SAMPLES) / size)
                    total[0] += r * a
                    total[1] += g * a
                    total[2] += b * a
                    total[3] += a
            n = SAMPLES * SAMPLES
            alpha = total[3] // n
            colour = [min(255, max(0, c // total[3])) if total[3] else 0 for c in total[:3]]
            row.append((colour[0], colour[1], colour[2], alpha))
        rows.append(row)
    return rows


def bitmap_entry(size, rows):
    """A 32-bit DIB as icons store it: the height doubled, bottom row first, then the mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_row = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_row)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def png_entry(size, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(v for pixel in row for v in pixel) for row in rows)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def main(path):
    images = []
    for size in SIZES:
        rows = render(size)
        images.append((size, png_entry(size, rows) if size >= 256 else bitmap_entry(size, rows)))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, data in images:
        side = 0 if size >= 256 else size
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as out:
        out.write(directory + entries + b"".join(data for _, data in images))
    print(f"{path}: {len(images)} images, {', '.join(str(s) for s in SIZES)} pixels")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "vantorel.ico")
