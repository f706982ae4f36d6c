#!/usr/bin/env python3
"""Draws the dialog program's logo (logo.bmp, 400 x 60, 256 colours) and its icon
(zep_parser.ico, 32 x 32 and 16 x 16, 16 colours) and writes them next to this script.

Run it again after changing a drawing; the generated files are kept in the repository so that
a build needs no Python.
"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# 5 x 7 capitals and digits, one string of five bits per row.
GLYPHS = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "D": ["11100", "10010", "10001", "10001", "10001", "10010", "11100"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "Y": ["10001", "10001", "01010", "00100", "00100", "00100", "00100"],
    "Z": ["11111", "00001", "00010", "00100", "01000", "10000", "11111"],
    "/": ["00001", "00010", "00010", "00100", "01000", "01000", "10000"],
    "-": ["00000", "00000", "00000", "11111", "00000", "00000", "00000"],
    " ": ["00000"] * 7,
}


def text_width(text, scale):
    return len(text) * 6 * scale - scale


def draw_text(pixels, width, height, text, left, top, scale, colour):
    x = left
    for char in text:
        rows = GLYPHS[char]
        for row, bits in enumerate(rows):
            for column, bit in enumerate(bits):
                if bit != "1":
                    continue
                for dy in range(scale):
                    for dx in range(scale):
                        px = x + column * scale + dx
                        py = top + row * scale + dy
                        if 0 <= px < width and 0 <= py < height:
                            pixels[py][px] = colour
        x += 6 * scale


def bmp_8bit(pixels, palette):
    """A bottom-up 8-bit BMP file: file header, info header, 256 palette entries, rows."""
    height = len(pixels)
    width = len(pixels[0])
    stride = (width + 3) & ~3
    image = bytearray()
    for row in reversed(pixels):
        image += bytes(row) + bytes(stride - width)
    colours = bytearray()
    for red, green, blue in palette:
        colours += bytes((blue, green, red, 0))
    offset = 14 + 40 + len(colours)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(image), 2835, 2835, 256, 0)
    header = struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0, offset)
    return header + info + bytes(colours) + bytes(image)


def make_logo():
    width, height = 400, 60
    palette = []
    # 0..127: the background, a gradient from deep blue to teal.
    for i in range(128):
        t = i / 127
        palette.append((int(10 + 10 * t), int(40 + 100 * t), int(110 + 40 * t)))
    # 128..191: a grey ramp for the lettering's shadow and the packet strip.
    for i in range(64):
        level = 60 + i * 3
        palette.append((level, level, level))
    # 192..255: white to amber for the lettering.
    for i in range(64):
        t = i / 63
        palette.append((255, int(255 - 80 * t), int(255 - 220 * t)))
    assert len(palette) == 256

    pixels = [[0] * width for _ in range(height)]
    for y in range(height):
        for x in range(width):
            pixels[y][x] = min(127, (x * 127) // (width - 1) // 2 + (y * 127) // (height - 1) // 2)

    # A strip of frame bytes along the bottom: poll and response blocks.
    for index in range(24):
        left = 8 + index * 16
        colour = 150 if index % 2 == 0 else 180
        for y in range(50, 55):
            for x in range(left, left + 12):
                pixels[y][x] = colour

    title = "ZEP MODBUS TCP PARSER"
    scale = 3
    left = (width - text_width(title, scale)) // 2
    draw_text(pixels, width, height, title, left + 2, 9, scale, 140)
    draw_text(pixels, width, height, title, left, 7, scale, 200)

    subtitle = "MODBUS/TCP CAPTURE ANALYSIS"
    left = (width - text_width(subtitle, 1)) // 2
    draw_text(pixels, width, height, subtitle, left, 36, 1, 250)
    return bmp_8bit(pixels, palette)


# The 16 colours of the standard VGA palette, in their usual order.
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
TRANSPARENT = -1


def icon_picture(size):
    """A page with lines of frame bytes and a blue capture tag, as palette indexes."""
    s = size / 32
    picture = [[TRANSPARENT] * size for _ in range(size)]

    def fill(x0, y0, x1, y1, colour):
        for y in range(int(y0 * s), max(int(y0 * s) + 1, int(y1 * s))):
            for x in range(int(x0 * s), max(int(x0 * s) + 1, int(x1 * s))):
                if 0 <= x < size and 0 <= y < size:
                    picture[y][x] = colour

    fill(5, 2, 25, 30, 0)      # page outline
    fill(6, 3, 24, 29, 15)     # page
    for row, y in enumerate(range(6, 26, 4)):
        fill(8, y, 22 - (row % 3) * 3, y + 2, 8 if row % 2 else 4)
    fill(17, 17, 31, 31, 0)    # tag outline
    fill(18, 18, 30, 30, 12)   # tag
    fill(20, 20, 28, 22, 15)   # "M" drawn as three bars
    fill(20, 22, 22, 28, 15)
    fill(23, 22, 25, 26, 15)
    fill(26, 22, 28, 28, 15)
    return picture


def icon_image(size):
    """One icon image: info header (double height), palette, 4-bit colours, 1-bit mask."""
    picture = icon_picture(size)
    colour_stride = ((size * 4 + 31) // 32) * 4
    mask_stride = ((size + 31) // 32) * 4
    colours = bytearray()
    mask = bytearray()
    for row in reversed(picture):
        line = bytearray(colour_stride)
        bits = bytearray(mask_stride)
        for x, index in enumerate(row):
            value = 0 if index == TRANSPARENT else index
            if x % 2 == 0:
                line[x // 2] |= value << 4
            else:
                line[x // 2] |= value
            if index == TRANSPARENT:
                bits[x // 8] |= 0x80 >> (x % 8)
        colours += line
        mask += bits
    palette = bytearray()
    for red, green, blue in VGA:
        palette += bytes((blue, green, red, 0))
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                       len(colours) + len(mask), 0, 0, 16, 0)
    return info + bytes(palette) + bytes(colours) + bytes(mask)


def make_icon():
    images = [icon_image(32), icon_image(16)]
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    directory = bytearray()
    for size, image in zip((32, 16), images):
        directory += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return header + bytes(directory) + b"".join(images)


def main():
    with open(os.path.join(HERE, "logo.bmp"), "wb") as out:
        out.write(make_logo())
    with open(os.path.join(HERE, "zep_parser.ico"), "wb") as out:
        out.write(make_icon())


if __name__ == "__main__":
    main()
