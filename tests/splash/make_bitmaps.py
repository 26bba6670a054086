#!/usr/bin/env python3
"""Writes the splash test's bitmaps and the .rc that carries them:
resource 100, a small picture whose every pixel is predictable, and 101,
one larger than the test screen. The driver recomputes the pixels with
pixel() to compare them with a screenshot."""
import os
import struct
import sys

SMALL = (101, 75)     # odd differences from 1024x768: centring truncates
LARGE = (1101, 801)


def pixel(x, y):
    """RGB of the pixel at (x, y), y counted from the top."""
    return ((x * 5 + 40) % 256, (y * 3 + 20) % 256, (x + 2 * y) % 256)


def bmp(width, height):
    stride = (width * 3 + 3) & ~3
    rows = bytearray()
    for y in reversed(range(height)):  # bottom-up
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        rows += row + bytes(stride - len(row))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows),
                       2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(rows), 0, 0,
                         14 + len(info))
    return header + info + bytes(rows)


def main():
    out_dir = sys.argv[1]
    entries = []
    for resource, size in ((100, SMALL), (101, LARGE)):
        path = os.path.join(out_dir, f"splash{resource}.bmp")
        with open(path, "wb") as f:
            f.write(bmp(*size))
        entries.append(f'{resource} BITMAP "{path}"\n')
    with open(os.path.join(out_dir, "splash_probe.rc"), "w") as rc:
        rc.writelines(entries)


if __name__ == "__main__":
    main()
