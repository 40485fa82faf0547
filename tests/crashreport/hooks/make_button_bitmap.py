#!/usr/bin/env python3
"""Writes a 16 x 16 button bitmap of 32 bits (alpha in the top byte): an opaque red square with a
transparent quarter at the bottom right, for the tests of the box's owner-drawn buttons."""
import struct
import sys

WIDTH = HEIGHT = 16
pixels = bytearray()
for row in range(HEIGHT):  # bottom row first
    y = HEIGHT - 1 - row
    for x in range(WIDTH):
        transparent = x >= 8 and y >= 8
        pixels += bytes((0, 0, 255, 0)) if transparent else bytes((0, 0, 255, 255))
info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 32, 0, len(pixels), 0, 0, 0, 0)
header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
with open(sys.argv[1], "wb") as out:
    out.write(header + info + pixels)
