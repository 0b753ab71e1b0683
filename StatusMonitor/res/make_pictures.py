#!/usr/bin/env python3
"""Writes the status programs' own small pictures into pictures/: 24-bit bitmaps (buttons in
flat colours, a darker frame when pressed and a lighter one on hover, plain backgrounds) and
32-bit icons. Run it again after changing a table; the outputs are kept beside it."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "pictures")

# id: (width, height, (r, g, b))
BITMAPS = {
    131: (64, 48, (236, 240, 246)),  # monitor main window background
    132: (24, 24, (40, 110, 200)), 133: (24, 24, (90, 160, 240)), 134: (24, 24, (20, 60, 130)),   # About
    135: (72, 22, (70, 150, 70)), 136: (72, 22, (120, 200, 120)), 137: (72, 22, (30, 90, 30)),   # do not show again
    139: (64, 48, (242, 242, 236)),  # About box and message box background
    140: (60, 22, (90, 90, 90)), 141: (60, 22, (150, 150, 150)), 142: (60, 22, (40, 40, 40)),    # close
    143: (64, 48, (250, 246, 232)),  # status display background
    144: (16, 16, (210, 60, 60)), 145: (16, 16, (170, 30, 30)),                                  # close cross
    146: (16, 16, (60, 60, 200)), 147: (16, 16, (30, 30, 150)),                                  # minimise
    152: (16, 16, (200, 140, 20)), 153: (16, 16, (240, 190, 60)), 154: (16, 16, (130, 90, 10)),  # hide
    157: (16, 16, (120, 40, 160)), 158: (16, 16, (80, 20, 110)),                                 # hide / close cross
}

ICONS = {
    128: (0, 90, 170),   # the programs' window icon
    130: (40, 160, 60),  # NormalIcon
    155: (210, 40, 30),  # AttentionIcon
}


def bmp(width, height, colour):
    row = bytearray()
    r, g, b = colour
    for _ in range(width):
        row += bytes((b, g, r))
    while len(row) % 4:
        row.append(0)
    pixels = bytes(row) * height
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    size = 14 + len(header) + len(pixels)
    return b"BM" + struct.pack("<IHHI", size, 0, 0, 14 + len(header)) + header + pixels


def ico(colour, size=16):
    r, g, b = colour
    pixels = bytes((b, g, r, 255)) * (size * size)
    mask = bytes(((size + 31) // 32) * 4 * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + pixels + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 22)
    return directory + image


def main():
    os.makedirs(HERE, exist_ok=True)
    for ident, (w, h, c) in BITMAPS.items():
        with open(os.path.join(HERE, "bitmap%d.bmp" % ident), "wb") as out:
            out.write(bmp(w, h, c))
    for ident, c in ICONS.items():
        with open(os.path.join(HERE, "icon%d.ico" % ident), "wb") as out:
            out.write(ico(c))


if __name__ == "__main__":
    main()
