#!/usr/bin/env python3
"""Draws the launcher's icon, resources/zov.ico: a white Z on a rounded teal
square, 16x16 and 32x32, 32-bit with alpha. The .ico is committed; run this
again only to change the drawing: python3 resources/gen_icon.py"""
import os
import struct

BACKGROUND = (0x1F, 0x6F, 0x8B, 0xFF)  # RGBA
LETTER = (0xFF, 0xFF, 0xFF, 0xFF)
CLEAR = (0, 0, 0, 0)


def pixel(x, y, size):
    """The colour at (x, y), y counted from the top."""
    corner = size // 8
    # Rounded corners: clear outside a quarter circle of radius `corner`.
    cx = min(max(x, corner), size - 1 - corner)
    cy = min(max(y, corner), size - 1 - corner)
    if (x - cx) ** 2 + (y - cy) ** 2 > corner ** 2:
        return CLEAR
    margin = size // 4
    stroke = max(2, size // 8)
    left, right = margin, size - 1 - margin
    top, bottom = margin, size - 1 - margin
    if left <= x <= right and (top <= y < top + stroke or
                               bottom - stroke < y <= bottom):
        return LETTER
    first, last = top + stroke, bottom - stroke
    if first <= y <= last:
        # The diagonal from the top bar's right end to the bottom bar's left.
        t = (y - first + 0.5) / (last - first + 1)
        start = right + 1 - stroke - t * (right + 1 - stroke - left)
        if start - 0.5 <= x < start + stroke - 0.5:
            return LETTER
    return BACKGROUND


def image(size):
    """BITMAPINFOHEADER, bottom-up BGRA rows, then the AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         0, 0, 0, 0, 0)
    colours = bytearray()
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    for y in reversed(range(size)):
        row_mask = bytearray(mask_stride)
        for x in range(size):
            r, g, b, a = pixel(x, y, size)
            colours += bytes((b, g, r, a))
            if a == 0:
                row_mask[x // 8] |= 0x80 >> (x % 8)
        mask += row_mask
    return header + bytes(colours) + bytes(mask)


def main():
    sizes = [16, 32]
    images = [image(s) for s in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(sizes)))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data),
                           offset)
        offset += len(data)
    for data in images:
        out += data
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "zov.ico")
    with open(path, "wb") as ico:
        ico.write(out)


if __name__ == "__main__":
    main()
