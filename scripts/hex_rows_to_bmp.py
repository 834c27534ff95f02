#!/usr/bin/env python3
"""Makes a 4-bit, 16-colour Windows bitmap file from rows of hexadecimal
palette indices (top row first; lines starting with # are comments).

Usage: hex_rows_to_bmp.py ROWS.hex OUT.bmp

The palette is the standard 16-colour one. The file holds the 14-byte file
header, a 40-byte BITMAPINFOHEADER, the palette and the rows bottom-up, each
padded to a multiple of 4 bytes; the resource compiler keeps all but the
file header.
"""
import struct
import sys

PALETTE = [  # (red, green, blue) by index
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def read_rows(path):
    with open(path, encoding="ascii") as f:
        rows = [line.strip() for line in f]
    rows = [r for r in rows if r and not r.startswith("#")]
    if not rows or any(len(r) != len(rows[0]) for r in rows):
        raise SystemExit(f"{path}: rows missing or of unequal length")
    try:
        return [[int(c, 16) for c in r] for r in rows]
    except ValueError:
        raise SystemExit(f"{path}: not a hexadecimal digit")


def bitmap(rows):
    width, height = len(rows[0]), len(rows)
    stride = ((width + 1) // 2 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):  # stored bottom-up
        packed = bytearray(stride)
        for x, index in enumerate(row):
            packed[x // 2] |= index << (4 if x % 2 == 0 else 0)
        pixels += packed
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(pixels), 0, 0, 16, 0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + palette + pixels


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    data = bitmap(read_rows(sys.argv[1]))
    with open(sys.argv[2], "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
