#!/usr/bin/env python3
"""Writes grdicon.ico: the driver's icon, a crosspoint grid on dark blue with
one lit crosspoint. Run once; the .ico is checked in beside this script."""
import struct
import sys


def pixel(x, y, size):
    """BGRA colour of pixel (x, y), y counted from the top."""
    cell = size // 4
    border = x in (0, size - 1) or y in (0, size - 1)
    if border:
        return (40, 40, 40, 255)
    lit = (cell * 2 <= x < cell * 3) and (cell <= y < cell * 2)
    if lit:
        return (60, 200, 60, 255)          # green crosspoint
    if x % cell == cell // 2 or y % cell == cell // 2:
        return (230, 230, 230, 255)        # grid lines
    return (120, 40, 0, 255)               # dark blue field (BGR)


def image(size):
    """One icon image: BITMAPINFOHEADER, 32-bit rows bottom-up, AND mask."""
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = bytearray()
    for y in reversed(range(size)):
        for x in range(size):
            rows += bytes(pixel(x, y, size))
    mask_row = ((size + 31) // 32) * 4
    return header + bytes(rows) + bytes(mask_row * size)


def main(path):
    sizes = (32, 16)
    images = [image(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, 'wb') as f:
        f.write(out + b''.join(images))


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'grdicon.ico')
