#!/usr/bin/env python3
"""Draws the launcher's icon, resources/zov.ico: a white Z on a rounded teal
square, 16x16 and 32x32. It has three colours and no partial transparency,
so it is stored with a 16-colour palette: a quarter of the bytes of 32-bit
images for the same pixels, which every byte of the launcher pays for. The
.ico is committed; run this again only to change the drawing:
python3 resources/gen_icon.py"""
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


PALETTE = [CLEAR, BACKGROUND, LETTER]


def image(size):
    """BITMAPINFOHEADER, a 16-entry palette, bottom-up 4-bit rows, then the
    AND mask (set where the icon is clear)."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         0, 0, 0, 16, 0)
    palette = bytearray()
    for r, g, b, _ in PALETTE + [CLEAR] * (16 - len(PALETTE)):
        palette += bytes((b, g, r, 0))
    colours = bytearray()
    mask = bytearray()
    stride = ((size * 4 + 31) // 32) * 4
    mask_stride = ((size + 31) // 32) * 4
    for y in reversed(range(size)):
        row = bytearray(stride)
        row_mask = bytearray(mask_stride)
        for x in range(size):
            colour = pixel(x, y, size)
            index = PALETTE.index(colour)
            row[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if colour[3] == 0:
                row_mask[x // 8] |= 0x80 >> (x % 8)
        colours += row
        mask += row_mask
    return header + bytes(palette) + bytes(colours) + bytes(mask)


def main():
    sizes = [16, 32]
    images = [image(s) for s in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(sizes)))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data),
                           offset)
        offset += len(data)
    for data in images:
        out += data
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "zov.ico")
    with open(path, "wb") as ico:
        ico.write(out)


if __name__ == "__main__":
    main()
