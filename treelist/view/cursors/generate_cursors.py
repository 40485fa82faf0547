#!/usr/bin/env python3
"""Draws the tree-list grid's ten cursors as monochrome 32 x 32 cursor files and the three
pictures of its panning window as 29 x 29 bitmaps of 16 colours, plus the resource script that
names them.

    generate_cursors.py OUTPUT_FOLDER

Each picture is a set of black shapes with a one-pixel white outline, so that it shows on any
background. The scroll cursors and the delete cursor point at their centre, the drag cursors at
the tip of their arrow.
"""
import os
import struct
import sys

SIZE = 32
CENTRE = 16

# The drag arrow: 'X' black, '.' white, anything else lets the screen through.
ARROW = ["X",
         "XX",
         "X.X",
         "X..X",
         "X...X",
         "X....X",
         "X.....X",
         "X......X",
         "X.......X",
         "X........X",
         "X.....XXXXX",
         "X..X..X",
         "X.X X..X",
         "XX  X..X",
         "X    X..X",
         "     X..X",
         "      XX"]
# The box with a plus that marks a copy.
COPY_BOX = ["XXXXXXXXX",
            "X.......X",
            "X...X...X",
            "X...X...X",
            "X.XXXXX.X",
            "X...X...X",
            "X...X...X",
            "X.......X",
            "XXXXXXXXX"]


class Picture:
    """Per pixel: None (screen), 'X' (black) or '.' (white)."""

    def __init__(self):
        self.pixels = [[None] * SIZE for _ in range(SIZE)]

    def art(self, rows, left=0, top=0):
        for y, row in enumerate(rows):
            for x, c in enumerate(row):
                if c in "X.":
                    self.pixels[top + y][left + x] = c

    def shape(self, inside):
        """Black where `inside(x, y)` holds, with a white outline around it."""
        black = {(x, y) for y in range(SIZE) for x in range(SIZE) if inside(x, y)}
        for y in range(SIZE):
            for x in range(SIZE):
                near = any((x + dx, y + dy) in black for dx in (-1, 0, 1) for dy in (-1, 0, 1))
                if near:
                    self.pixels[y][x] = "X" if (x, y) in black else "."


def triangle(a, b, c):
    def side(p, q, x, y):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])

    def inside(x, y):
        s = (side(a, b, x, y), side(b, c, x, y), side(c, a, x, y))
        return all(v >= 0 for v in s) or all(v <= 0 for v in s)
    return inside


UP = triangle((16, 3), (9, 11), (23, 11))
DOWN = triangle((16, 29), (9, 21), (23, 21))
LEFT = triangle((3, 16), (11, 9), (11, 23))
RIGHT = triangle((29, 16), (21, 9), (21, 23))


def dot(x, y):
    return abs(x - CENTRE) <= 1 and abs(y - CENTRE) <= 1


def cross(x, y):
    # An X: releasing here takes the item away.
    return 6 <= x <= 26 and 6 <= y <= 26 and (abs(x - y) <= 1 or abs(x + y - 32) <= 1)


def scroll_cursor(*arrows):
    picture = Picture()
    picture.shape(lambda x, y: dot(x, y) or any(arrow(x, y) for arrow in arrows))
    return picture, (CENTRE, CENTRE)


def delete_cursor():
    picture = Picture()
    picture.shape(cross)
    return picture, (CENTRE, CENTRE)


def drag_cursor(boxes):
    picture = Picture()
    picture.art(ARROW)
    for left, top in boxes:
        picture.art(COPY_BOX, left, top)
    return picture, (0, 0)


CURSORS = [
    ("DXTLDELETECURSOR", delete_cursor()),
    ("DXTL_FULLSCROLLCURSOR", scroll_cursor(UP, DOWN, LEFT, RIGHT)),
    ("DXTL_HORSCROLLCURSOR", scroll_cursor(LEFT, RIGHT)),
    ("DXTL_VERSCROLLCURSOR", scroll_cursor(UP, DOWN)),
    ("DXTL_UPSCROLLCURSOR", scroll_cursor(UP)),
    ("DXTL_RIGHTSCROLLCURSOR", scroll_cursor(RIGHT)),
    ("DXTL_DOWNSCROLLCURSOR", scroll_cursor(DOWN)),
    ("DXTL_LEFTSCROLLCURSOR", scroll_cursor(LEFT)),
    ("DXTL_DRAGCOPY", drag_cursor([(12, 18)])),
    ("DXTL_MULTIDRAGCOPY", drag_cursor([(15, 21), (12, 18)])),
]


# The panning window's pictures: arrows along the axes that have a scroll bar, around a dot.
PAN_SIZE = 29
PAN_CENTRE = PAN_SIZE // 2
PAN_UP = triangle((14, 2), (9, 8), (19, 8))
PAN_DOWN = triangle((14, 26), (9, 20), (19, 20))
PAN_LEFT = triangle((2, 14), (8, 9), (8, 19))
PAN_RIGHT = triangle((26, 14), (20, 9), (20, 19))


def pan_dot(x, y):
    return abs(x - PAN_CENTRE) <= 2 and abs(y - PAN_CENTRE) <= 2


PAN_PICTURES = [
    ("DXGRID_FULLSCROLLBITMAP", (PAN_UP, PAN_DOWN, PAN_LEFT, PAN_RIGHT)),
    ("DXGRID_HORSCROLLBITMAP", (PAN_LEFT, PAN_RIGHT)),
    ("DXGRID_VERSCROLLBITMAP", (PAN_UP, PAN_DOWN)),
]


def pan_bitmap_file(arrows):
    """A bitmap file of 4 bits a pixel: black shapes (colour 0) on white (colour 15), rows
    bottom-up, each padded to 4 bytes."""
    def black(x, y):
        return pan_dot(x, y) or any(arrow(x, y) for arrow in arrows)
    row_bytes = (PAN_SIZE * 4 + 31) // 32 * 4
    rows = b""
    for y in reversed(range(PAN_SIZE)):
        nibbles = [0 if black(x, y) else 15 for x in range(PAN_SIZE)] + [0]
        row = bytes(nibbles[i] << 4 | nibbles[i + 1] for i in range(0, PAN_SIZE, 2))
        rows += row + bytes(row_bytes - len(row))
    palette = b"".join(bytes([v, v, v, 0]) for v in [0] + [128] * 14 + [255])
    info = struct.pack("<IiiHHIIiiII", 40, PAN_SIZE, PAN_SIZE, 1, 4, 0, len(rows), 0, 0, 16, 0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    return header + info + palette + rows


def row_bits(bits):
    value = 0
    for bit in bits:
        value = value << 1 | bit
    return value.to_bytes(SIZE // 8, "big")


def cursor_file(picture, hotspot):
    """A cursor file of one monochrome image: the colour (XOR) rows, then the mask (AND) rows,
    both bottom-up, under a bitmap header twice the picture's height."""
    # AND 1, XOR 0: the screen; AND 0, XOR 0: black; AND 0, XOR 1: white.
    rows = list(reversed(picture.pixels))
    xor = b"".join(row_bits([1 if p == "." else 0 for p in row]) for row in rows)
    mask = b"".join(row_bits([1 if p is None else 0 for p in row]) for row in rows)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 1, 0, len(xor) + len(mask),
                         0, 0, 2, 0)
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    image = header + palette + xor + mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 2, 0, hotspot[0], hotspot[1], len(image),
                        len(directory) + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = os.path.abspath(sys.argv[1])
    os.makedirs(folder, exist_ok=True)
    script = ["// Drawn by generate_cursors.py: the tree-list grid's cursors and pan pictures."]
    for name, (picture, hotspot) in CURSORS:
        path = os.path.join(folder, name.lower() + ".cur")
        with open(path, "wb") as f:
            f.write(cursor_file(picture, hotspot))
        script.append(f'{name} CURSOR "{path}"')
    for name, arrows in PAN_PICTURES:
        path = os.path.join(folder, name.lower() + ".bmp")
        with open(path, "wb") as f:
            f.write(pan_bitmap_file(arrows))
        script.append(f'{name} BITMAP "{path}"')
    with open(os.path.join(folder, "grid_cursors.rc"), "w") as f:
        f.write("\n".join(script) + "\n")


if __name__ == "__main__":
    main()
