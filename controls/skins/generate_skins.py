#!/usr/bin/env python3
"""Draws the control skins: flat shapes in the library's palette, written as Windows bitmap files
(the BITMAP resources) and compressed alpha images (the RCDATA resources), plus the resource
script that names them.

    generate_skins.py OUTPUT_FOLDER

The alpha-image form: zlib (level 9) of a 32-bit length, a 40-byte BITMAPINFOHEADER and the
pixels as blue, green, red, alpha, rows bottom-up.
"""
import os
import struct
import sys
import zlib

# The palette of the XP look.
WINDOW = (255, 255, 255)
FACE = (239, 235, 222)
HIGHLIGHT = (49, 106, 197)
SHADOW = (196, 195, 191)
LIGHT = (241, 241, 237)
GRAY_TEXT = (161, 161, 146)
FRAME = (127, 157, 185)
INK = (33, 33, 33)
SILVER = (192, 192, 192)
GREY = (128, 128, 128)
BLACK = (0, 0, 0)
KEY = (255, 0, 255)  # the transparent colour of glyph bitmaps

# Button faces per state: normal, hot, pressed, disabled.
STATES = ("normal", "hot", "pressed", "disabled")
FACE_TOP = {"normal": (253, 253, 251), "hot": (255, 247, 228), "pressed": (212, 222, 240),
            "disabled": LIGHT}
FACE_BOTTOM = {"normal": (226, 222, 210), "hot": (247, 222, 170), "pressed": (180, 200, 232),
               "disabled": LIGHT}
BORDER = {"normal": FRAME, "hot": (230, 160, 40), "pressed": HIGHLIGHT, "disabled": SHADOW}
GLYPH = {"normal": INK, "hot": INK, "pressed": HIGHLIGHT, "disabled": GRAY_TEXT}


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


class Image:
    """RGBA pixels, top row first."""

    def __init__(self, width, height, fill=(0, 0, 0, 0)):
        self.width, self.height = width, height
        self.pixels = [[fill] * width for _ in range(height)]

    def set(self, x, y, colour, alpha=255):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = tuple(colour) + (alpha,)

    def fill(self, x0, y0, x1, y1, colour, alpha=255):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.set(x, y, colour, alpha)

    def gradient(self, x0, y0, x1, y1, top, bottom, vertical=True):
        span = max(1, (y1 - y0 if vertical else x1 - x0) - 1)
        for y in range(y0, y1):
            for x in range(x0, x1):
                t = ((y - y0) if vertical else (x - x0)) / span
                self.set(x, y, mix(top, bottom, t))

    def rounded_frame(self, x0, y0, x1, y1, colour):
        """A one-pixel frame with its corners cut, the corners half transparent."""
        for x in range(x0 + 1, x1 - 1):
            self.set(x, y0, colour)
            self.set(x, y1 - 1, colour)
        for y in range(y0 + 1, y1 - 1):
            self.set(x0, y, colour)
            self.set(x1 - 1, y, colour)
        for x, y in ((x0, y0), (x1 - 1, y0), (x0, y1 - 1), (x1 - 1, y1 - 1)):
            self.set(x, y, colour, 96)

    def button(self, x0, y0, x1, y1, state, vertical=True):
        self.gradient(x0 + 1, y0 + 1, x1 - 1, y1 - 1, FACE_TOP[state], FACE_BOTTOM[state],
                      vertical)
        self.rounded_frame(x0, y0, x1, y1, BORDER[state])

    def triangle(self, cx, cy, size, direction, colour):
        """A filled arrow head pointing `direction`, `size` rows deep, its tip near (cx, cy)."""
        for i in range(size):
            half = size - 1 - i
            for j in range(-half, half + 1):
                if direction == "down":
                    self.set(cx + j, cy - size // 2 + i, colour)
                elif direction == "up":
                    self.set(cx + j, cy + size // 2 - i, colour)
                elif direction == "right":
                    self.set(cx - size // 2 + i, cy + j, colour)
                else:
                    self.set(cx + size // 2 - i, cy + j, colour)

    def paste(self, other, x0, y0):
        for y in range(other.height):
            for x in range(other.width):
                self.pixels[y0 + y][x0 + x] = other.pixels[y][x]

    def opaque(self, background):
        """The image over a background colour: what a bitmap resource stores."""
        out = Image(self.width, self.height)
        for y in range(self.height):
            for x in range(self.width):
                r, g, b, a = self.pixels[y][x]
                out.pixels[y][x] = mix(background, (r, g, b), a / 255) + (255,)
        return out


def stacked(frames):
    width = frames[0].width
    image = Image(width, sum(f.height for f in frames))
    y = 0
    for frame in frames:
        image.paste(frame, 0, y)
        y += frame.height
    return image


def side_by_side(frames):
    image = Image(sum(f.width for f in frames), frames[0].height)
    x = 0
    for frame in frames:
        image.paste(frame, x, 0)
        x += frame.width
    return image


# ---- The skins -----------------------------------------------------------------------------


def per_state(width, height, draw, fill=(0, 0, 0, 0), states=STATES):
    """One frame per state, each drawn by draw(frame, state) on `fill`."""
    frames = []
    for state in states:
        frame = Image(width, height, fill)
        draw(frame, state)
        frames.append(frame)
    return frames


def button_frames(width, height, vertical=True):
    return per_state(width, height,
                     lambda frame, state: frame.button(0, 0, width, height, state, vertical))


def track_frames(width, height, vertical):
    def draw(frame, state):
        base = {"pressed": (226, 226, 218), "hot": (246, 246, 240)}.get(state, (243, 241, 236))
        frame.fill(0, 0, width, height, base)
        # One-pixel lines along the long sides.
        edge = mix(base, SHADOW, 0.6)
        for i in range(height if vertical else width):
            if vertical:
                frame.set(0, i, edge)
                frame.set(width - 1, i, edge)
            else:
                frame.set(i, 0, edge)
                frame.set(i, height - 1, edge)

    return per_state(width, height, draw)


def gripper_frames(vertical):
    def draw(frame, state):
        colour = GLYPH[state] if state != "disabled" else SHADOW
        for i in range(1, 7, 2):
            for j in range(1, 7):
                if vertical:
                    frame.set(j, i, colour)
                    frame.set(j, i + 1, WINDOW)
                else:
                    frame.set(i, j, colour)
                    frame.set(i + 1, j, WINDOW)

    return per_state(8, 8, draw, KEY + (255,))


def arrow_glyphs():
    frames = []
    for direction in ("up", "down", "left", "right"):
        for state in STATES:
            frame = Image(9, 9, KEY + (255,))
            frame.triangle(4, 4, 4, direction, GLYPH[state])
            frames.append(frame)
    return frames


def halves(draw, width, height):
    """Two glyphs side by side on the key colour: enabled left, disabled right."""
    images = []
    for colour in (INK, GRAY_TEXT):
        image = Image(width, height, KEY + (255,))
        draw(image, colour)
        images.append(image)
    return side_by_side(images)


def combo_arrow(width, height):
    return halves(lambda im, c: im.triangle(width // 2, height // 2, (height + 1) // 2 + 1,
                                            "down", c), width, height)


def ellipsis_glyph(image, colour):
    for x in (2, 5, 8):
        image.fill(x - 1, 1, x + 1, 3, colour)


def folder_glyph(image, colour):
    image.fill(1, 1, 5, 2, colour)
    image.fill(1, 2, 11, 10, colour)
    image.fill(2, 4, 10, 9, FACE if colour == INK else LIGHT)


def file_glyph(image, colour):
    image.fill(2, 0, 10, 11, colour)
    image.fill(3, 1, 9, 10, WINDOW)
    for y in (3, 5, 7):
        image.fill(4, y, 8, y + 1, colour)


def speed_frames(width, arrow):
    # Six frames of 23 rows: normal, hot, pressed, disabled, checked, checked and hot.
    frames = []
    for state in STATES + ("checked", "checked-hot"):
        frame = Image(width, 23)
        look = {"checked": "pressed", "checked-hot": "hot"}.get(state, state)
        if state != "normal":
            frame.button(0, 0, width, 23, look)
        if arrow:
            frame.triangle(width // 2, 11, 3, "down", GLYPH[look])
        frames.append(frame)
    return frames


def check_frames():
    # 13 x 13 boxes: unchecked, checked, grayed, each in the four states.
    frames = []
    for mark in ("unchecked", "checked", "grayed"):
        for state in STATES:
            frame = Image(13, 13)
            frame.fill(0, 0, 13, 13, SHADOW if state == "disabled" else FRAME)
            if state == "disabled":
                frame.fill(1, 1, 12, 12, LIGHT)
            else:
                frame.gradient(1, 1, 12, 12, FACE_TOP[state], WINDOW)
            if state == "hot":
                frame.rounded_frame(1, 1, 12, 12, BORDER["hot"])
            if mark == "checked":
                for x, y in ((3, 6), (4, 7), (5, 8), (6, 7), (7, 6), (8, 5), (9, 4)):
                    frame.fill(x, y - 1, x + 1, y + 1, GLYPH[state])
            elif mark == "grayed":
                frame.fill(3, 3, 10, 10, mix(GLYPH[state], WINDOW, 0.5))
            frames.append(frame)
    return frames


def std_check_frames():
    # The classic boxes in white, silver, grey and black, which the recolouring maps to the
    # system's highlight, face, shadow and text colours; same frames as XPCHECKBOX.
    frames = []
    for mark in ("unchecked", "checked", "grayed"):
        for state in STATES:
            frame = Image(13, 13, WINDOW + (255,))
            frame.fill(0, 0, 12, 1, GREY)
            frame.fill(0, 0, 1, 12, GREY)
            frame.fill(1, 1, 11, 2, BLACK)
            frame.fill(1, 1, 2, 11, BLACK)
            frame.fill(1, 11, 12, 12, SILVER)
            frame.fill(11, 1, 12, 12, SILVER)
            inner_silver = state in ("pressed", "disabled") or mark == "grayed"
            frame.fill(2, 2, 11, 11, SILVER if inner_silver else WINDOW)
            ink = GREY if state == "disabled" or mark == "grayed" else BLACK
            if mark != "unchecked":
                for x, y in ((3, 6), (4, 7), (5, 8), (6, 7), (7, 6), (8, 5), (9, 4)):
                    frame.fill(x, y - 1, x + 1, y + 2, ink)
            frames.append(frame)
    return frames


def spin_glyphs(direction, width, height):
    return per_state(width, height, lambda frame, state: frame.triangle(
        width // 2, height // 2, 3, direction, GLYPH[state]))


def std_pattern():
    # White and silver: the recolouring maps them to the system's highlight and face colours.
    image = Image(8, 8)
    for y in range(8):
        for x in range(8):
            image.set(x, y, WINDOW if (x + y) % 2 == 0 else SILVER)
    return image


def std_arrows():
    # Up, down, left and right arrows of 16 x 8 in black on silver: a 16-colour bitmap.
    frames = []
    for direction in ("up", "down", "left", "right"):
        frame = Image(16, 8, SILVER + (255,))
        frame.triangle(8, 4, 4, direction, BLACK)
        frames.append(frame)
    return stacked(frames)


BITMAPS = {
    "XPCOMBOBUTTON": lambda: stacked(button_frames(15, 16)).opaque(WINDOW),
    "XPCOMBO": lambda: combo_arrow(10, 7),
    "STDCOMBO": lambda: combo_arrow(9, 5),
    "XPELLIPSIS": lambda: halves(ellipsis_glyph, 10, 4),
    "XPDIR": lambda: halves(folder_glyph, 12, 11),
    "XPFILENAME": lambda: halves(file_glyph, 12, 11),
    "SCROLLARROWS": lambda: stacked(button_frames(17, 17)).opaque(WINDOW),
    "SCROLLARROWGLYPHS": lambda: stacked(arrow_glyphs()),
    "SCROLLSHAFTHORIZONTAL": lambda: stacked(track_frames(17, 17, False)),
    "SCROLLSHAFTVERTICAL": lambda: stacked(track_frames(17, 17, True)),
    "SCROLLTHUMBHORIZONTAL": lambda: stacked(button_frames(22, 15, True)).opaque(WINDOW),
    "SCROLLTHUMBVERTICAL": lambda: stacked(button_frames(15, 22, False)).opaque(WINDOW),
    "SCROLLTHUMBGRIPPERHORIZONTAL": lambda: stacked(gripper_frames(False)),
    "SCROLLTHUMBGRIPPERVERTICAL": lambda: stacked(gripper_frames(True)),
}
PALETTE_BITMAPS = {"STDARROWS": std_arrows}


# ---- The exception box's button glyphs ------------------------------------------------------
# The crash library's box looks for these by name in the module (16 x 16, 32 bits with alpha);
# they are drawn here so that the module carries one set of generated pictures.

def line(image, x0, y0, x1, y1, colour, width=1):
    steps = max(abs(x1 - x0), abs(y1 - y0), 1)
    for i in range(steps + 1):
        x = round(x0 + (x1 - x0) * i / steps)
        y = round(y0 + (y1 - y0) * i / steps)
        image.fill(x, y, x + width, y + width, colour)


def outline(image, x0, y0, x1, y1, colour):
    image.fill(x0, y0, x1, y0 + 1, colour)
    image.fill(x0, y1 - 1, x1, y1, colour)
    image.fill(x0, y0, x0 + 1, y1, colour)
    image.fill(x1 - 1, y0, x1, y1, colour)


def box_glyph(draw):
    image = Image(16, 16)
    draw(image)
    return image


def mail_glyph(image):
    image.fill(1, 3, 15, 13, WINDOW)
    outline(image, 1, 3, 15, 13, GREY)
    line(image, 1, 3, 8, 9, HIGHLIGHT)
    line(image, 14, 3, 8, 9, HIGHLIGHT)


def save_glyph(image):
    image.fill(1, 1, 15, 15, HIGHLIGHT)
    image.fill(4, 1, 12, 7, WINDOW)
    image.fill(5, 10, 11, 15, SILVER)
    image.fill(9, 11, 10, 14, INK)


def print_glyph(image):
    image.fill(4, 1, 12, 6, WINDOW)
    outline(image, 4, 1, 12, 6, GREY)
    image.fill(1, 6, 15, 12, SILVER)
    outline(image, 1, 6, 15, 12, GREY)
    image.fill(4, 10, 12, 15, WINDOW)
    outline(image, 4, 10, 12, 15, GREY)
    image.fill(12, 7, 14, 8, (40, 160, 40))


def show_glyph(image):
    image.fill(3, 1, 13, 15, WINDOW)
    outline(image, 3, 1, 13, 15, GREY)
    for y in (4, 6, 8, 10, 12):
        image.fill(5, y, 11, y + 1, INK)


def arrow_glyph(colour):
    def draw(image):
        image.fill(2, 6, 9, 10, colour)
        image.triangle(10, 8, 6, "right", colour)
    return draw


def restart_glyph(image):
    for y in range(16):
        for x in range(16):
            distance = ((x - 7.5) ** 2 + (y - 8.5) ** 2) ** 0.5
            if 3.5 <= distance <= 6 and not (x > 8 and y < 7):
                image.set(x, y, HIGHLIGHT)
    image.triangle(11, 4, 4, "right", HIGHLIGHT)


def close_glyph(image):
    red = (200, 40, 40)
    line(image, 3, 3, 12, 12, red, 2)
    line(image, 12, 3, 3, 12, red, 2)


BOX_GLYPHS = {
    "MEIMAIL": mail_glyph,
    "MEISAVE": save_glyph,
    "MEIPRINT": print_glyph,
    "MEISHOW": show_glyph,
    "MEICONTINUE": arrow_glyph((40, 160, 40)),
    "MEIRESTART": restart_glyph,
    "MEICLOSE": close_glyph,
    "MEICANTCONTINUE": arrow_glyph(GRAY_TEXT),
}
ALPHA_IMAGES = {
    "STDSCROLLPATTERN": std_pattern,
    "XPBUTTON": lambda: stacked(button_frames(18, 21)),
    "XPCHECKBOX": lambda: stacked(check_frames()),
    "STDCHECKBOX": lambda: stacked(std_check_frames()),
    "XPSPEEDBTN": lambda: stacked(speed_frames(20, False)),
    "XPSPEEDSPLIT": lambda: stacked(speed_frames(24, False)),
    "XPSPEEDDROPDOWN": lambda: stacked(speed_frames(11, True)),
    "XPSPINBTNDOWN": lambda: stacked(button_frames(15, 16)),
    "XPSPINBTNLEFT": lambda: stacked(button_frames(15, 16, False)),
    "XPSPINBTNRIGHT": lambda: stacked(button_frames(15, 16, False)),
    "XPSPINBTNUP": lambda: stacked(button_frames(15, 16)),
    "XPSPINGLYPHDOWN": lambda: stacked(spin_glyphs("down", 7, 6)),
    "XPSPINGLYPHUP": lambda: stacked(spin_glyphs("up", 7, 6)),
    "XPSPINGLYPHLEFT": lambda: stacked(spin_glyphs("left", 6, 7)),
    "XPSPINGLYPHRIGHT": lambda: stacked(spin_glyphs("right", 6, 7)),
}

# ---- Files ---------------------------------------------------------------------------------


def info_header(width, height, bits, colours=0):
    stride = (width * bits + 31) // 32 * 4
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, stride * height, 2835,
                       2835, colours, 0)


def bitmap_file(image):
    """A 24-bit bottom-up Windows bitmap file."""
    stride = (image.width * 3 + 3) // 4 * 4
    rows = []
    for y in reversed(range(image.height)):
        row = bytearray()
        for r, g, b, _ in image.pixels[y]:
            row += bytes((b, g, r))
        rows.append(bytes(row) + b"\0" * (stride - len(row)))
    return file_of(info_header(image.width, image.height, 24), b"", b"".join(rows))


def palette_bitmap_file(image):
    """A 4-bit bottom-up Windows bitmap file with the colours the image uses."""
    colours = sorted({p[:3] for row in image.pixels for p in row})
    assert len(colours) <= 16, "a 4-bit bitmap holds 16 colours"
    index = {c: i for i, c in enumerate(colours)}
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in colours)
    stride = (image.width * 4 + 31) // 32 * 4
    rows = []
    for y in reversed(range(image.height)):
        nibbles = [index[p[:3]] for p in image.pixels[y]] + [0]
        row = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, image.width, 2))
        rows.append(row + b"\0" * (stride - len(row)))
    return file_of(info_header(image.width, image.height, 4, len(colours)), table,
                   b"".join(rows))


def file_of(header, table, bits):
    offset = 14 + len(header) + len(table)
    return b"BM" + struct.pack("<IHHI", offset + len(bits), 0, 0, offset) + header + table + bits


def alpha_bitmap_file(image):
    """A 32-bit bottom-up Windows bitmap file whose fourth byte is the alpha."""
    pixels = b"".join(bytes((b, g, r, a)) for y in reversed(range(image.height))
                      for r, g, b, a in image.pixels[y])
    return file_of(info_header(image.width, image.height, 32), b"", pixels)


def alpha_stream(image):
    header = struct.pack("<IiiHHIIiiII", 40, image.width, image.height, 1, 32, 0,
                         image.width * 4 * image.height, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for y in reversed(range(image.height))
                      for r, g, b, a in image.pixels[y])
    block = header + pixels
    return zlib.compress(struct.pack("<I", len(block)) + block, 9)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    lines = ["// Generated by generate_skins.py: the control skins.\n"]

    def write(name, data, kind):
        path = os.path.join(out, name.lower() + (".bmp" if kind == "BITMAP" else ".img"))
        with open(path, "wb") as f:
            f.write(data)
        lines.append('%s %s "%s"\n' % (name, kind, path.replace("\\", "/")))

    for name, draw in BITMAPS.items():
        write(name, bitmap_file(draw()), "BITMAP")
    for name, draw in PALETTE_BITMAPS.items():
        write(name, palette_bitmap_file(draw()), "BITMAP")
    for name, draw in BOX_GLYPHS.items():
        write(name, alpha_bitmap_file(box_glyph(draw)), "BITMAP")
    for name, draw in ALPHA_IMAGES.items():
        write(name, alpha_stream(draw()), "RCDATA")
    with open(os.path.join(out, "skins.rc"), "w") as f:
        f.writelines(lines)


if __name__ == "__main__":
    main()
