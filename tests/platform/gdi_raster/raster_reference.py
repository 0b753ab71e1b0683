#!/usr/bin/env python3
"""Reference pictures for the raster GDI tests, computed with Pillow alone.

Every command reads BMP files the test wrote and writes the expected picture as a 24-bit BMP
(or, for `dibrows`, the raw rows a bottom-up 24-bit DIB holds), so the C++ side only compares
bytes. Nothing here knows the stand-in's code.

  rop OP DEST.bmp SRC.bmp OUT.bmp          ternary ROP (hex) with a source, no pattern
  stretch SRC.bmp W H OUT.bmp              nearest-neighbour to |W| x |H|, mirrored on negative
  mono2color SRC.bmp TEXT BK OUT.bmp       1-bit: 0 bits TEXT, 1 bits BK (RRGGBB hex)
  color2mono SRC.bmp BK OUT.bmp            BK pixels white, every other pixel black
  dibrows SRC.bmp OUT.raw                  rows bottom-up, BGR, each padded to 4 bytes
"""
import sys

from PIL import Image


def rop3(op, d, s):
    """One band of a ROP3 without pattern: each result bit looks up the operation's truth
    table at (source, destination)."""
    out = 0
    for bit in range(8):
        sb = (s >> bit) & 1
        db = (d >> bit) & 1
        # Index of the truth table: pattern (taken as 0 and 1 alike here) * 4 + source * 2 + dest.
        value = (op >> (sb * 2 + db)) & 1
        out |= value << bit
    return out


def rop_bands(op, dest, src):
    bands = []
    lut = {}
    for d_band, s_band in zip(dest.split(), src.split()):
        d_pixels = d_band.load()
        s_pixels = s_band.load()
        out = Image.new("L", d_band.size)
        o_pixels = out.load()
        for y in range(d_band.size[1]):
            for x in range(d_band.size[0]):
                key = (d_pixels[x, y], s_pixels[x, y])
                if key not in lut:
                    lut[key] = rop3(op, *key)
                o_pixels[x, y] = lut[key]
        bands.append(out)
    return Image.merge("RGB", bands)


def color(text):
    value = int(text, 16)
    return ((value >> 16) & 255, (value >> 8) & 255, value & 255)


def main(argv):
    command = argv[1]
    if command == "rop":
        op = int(argv[2], 16)
        # The pattern bit is unused by the operations tested: both halves of the table agree.
        if ((op >> 4) ^ op) & 0x0F:
            raise SystemExit("operation uses a pattern")
        dest = Image.open(argv[3]).convert("RGB")
        src = Image.open(argv[4]).convert("RGB")
        rop_bands(op & 0x0F, dest, src).save(argv[5], "BMP")
    elif command == "stretch":
        src = Image.open(argv[2]).convert("RGB")
        w, h = int(argv[3]), int(argv[4])
        out = src.resize((abs(w), abs(h)), Image.NEAREST)
        if w < 0:
            out = out.transpose(Image.FLIP_LEFT_RIGHT)
        if h < 0:
            out = out.transpose(Image.FLIP_TOP_BOTTOM)
        out.save(argv[5], "BMP")
    elif command == "mono2color":
        src = Image.open(argv[2]).convert("1")
        text, bk = color(argv[3]), color(argv[4])
        out = Image.new("RGB", src.size)
        out.paste(text, (0, 0) + src.size)
        out.paste(bk, (0, 0) + src.size, src)
        out.save(argv[5], "BMP")
    elif command == "color2mono":
        src = Image.open(argv[2]).convert("RGB")
        bk = color(argv[3])
        mask = Image.eval(src, lambda v: v)  # a copy to read pixel by pixel
        out = Image.new("RGB", src.size, (0, 0, 0))
        o_pixels = out.load()
        s_pixels = mask.load()
        for y in range(src.size[1]):
            for x in range(src.size[0]):
                if s_pixels[x, y] == bk:
                    o_pixels[x, y] = (255, 255, 255)
        out.save(argv[4], "BMP")
    elif command == "dibrows":
        src = Image.open(argv[2]).convert("RGB")
        stride = (src.size[0] * 3 + 3) // 4 * 4
        data = src.tobytes("raw", "BGR", stride, -1)
        with open(argv[3], "wb") as f:
            f.write(data)
    else:
        raise SystemExit("unknown command " + command)


if __name__ == "__main__":
    main(sys.argv)
