#!/usr/bin/python3
"""Checks the screen shots the crash library tests wrote: pngcheck accepts each image, and a
decoder of our own gets back the pixels stored beside it (<name>.rgb)."""
import glob
import os
import struct
import subprocess
import sys
import zlib


def decode(path):
    data = open(path, "rb").read()
    position, chunks = 8, {}
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        chunks.setdefault(kind, b"")
        chunks[kind] += data[position + 8:position + 8 + length]
        position += 12 + length
    width, height, depth = struct.unpack(">IIB", chunks[b"IHDR"][:9])
    lines = zlib.decompress(chunks[b"IDAT"])
    palette = chunks[b"PLTE"]
    row = width if depth == 8 else (width + 1) // 2
    pixels = bytearray()
    for y in range(height):
        line = lines[y * (row + 1):(y + 1) * (row + 1)]
        assert line[0] == 0, "filter type"
        for x in range(width):
            index = line[1 + x] if depth == 8 else (line[1 + x // 2] >> (4 if x % 2 == 0 else 0)) & 15
            pixels += palette[index * 3:index * 3 + 3]
    return bytes(pixels)


def main(folder):
    images = sorted(glob.glob(os.path.join(folder, "*.png")))
    if not images:
        print("no images in", folder)
        return 1
    failures = 0
    for image in images:
        result = subprocess.run(["pngcheck", "-q", image], capture_output=True, text=True)
        if result.returncode != 0:
            print("pngcheck:", result.stdout, result.stderr)
            failures += 1
        expected = image[:-4] + ".rgb"
        if os.path.exists(expected) and decode(image) != open(expected, "rb").read():
            print("pixels differ:", image)
            failures += 1
    print(len(images), "images checked,", failures, "failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
