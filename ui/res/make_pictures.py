#!/usr/bin/env python3
"""Draws the satellites' pictures from their descriptions in pictures.txt.

    make_pictures.py pictures.txt OUTPUT_DIR

Writes one 8-bit palette .bmp per bitmap and one .ico per icon into OUTPUT_DIR, and pictures.rch,
the resource lines that every language's script includes. Every picture carries its own id in
small digits in its lower right corner, so no two pictures are the same pixels even where two
descriptions say the same thing (the pages pick pictures by id, and a test tells them apart).
"""
import math
import os
import struct
import sys

from PIL import Image, ImageDraw

# 3 x 5 digit glyphs, one string of rows per digit ("#" = ink).
DIGITS = {
    "0": ("###", "#.#", "#.#", "#.#", "###"),
    "1": (".#.", "##.", ".#.", ".#.", "###"),
    "2": ("###", "..#", "###", "#..", "###"),
    "3": ("###", "..#", ".##", "..#", "###"),
    "4": ("#.#", "#.#", "###", "..#", "..#"),
    "5": ("###", "#..", "###", "..#", "###"),
    "6": ("###", "#..", "###", "#.#", "###"),
    "7": ("###", "..#", ".#.", ".#.", ".#."),
    "8": ("###", "#.#", "###", "#.#", "###"),
    "9": ("###", "#.#", "###", "..#", "###"),
}

INK = (40, 40, 40)
PAPER = (255, 255, 255)
FRAME = (96, 96, 96)
ACCENT = (32, 96, 176)
SOFT = (200, 214, 232)
WARN = (236, 180, 0)


def colour(text):
    named = {"white": (255, 255, 255), "magenta": (255, 0, 255)}
    if text in named:
        return named[text]
    value = int(text, 16)  # 0xRRGGBB
    return ((value >> 16) & 255, (value >> 8) & 255, value & 255)


def number(draw, x, y, text, fill=INK, scale=1):
    """Draws digits with their top left corner at (x, y)."""
    for i, ch in enumerate(text):
        rows = DIGITS[ch]
        for r, row in enumerate(rows):
            for c, cell in enumerate(row):
                if cell == "#":
                    left = x + (i * 4 + c) * scale
                    top = y + r * scale
                    draw.rectangle([left, top, left + scale - 1, top + scale - 1], fill=fill)


def number_width(text, scale=1):
    return (len(text) * 4 - 1) * scale


def sheet(draw, box, fill=PAPER, outline=FRAME, fold=True):
    x0, y0, x1, y1 = box
    draw.rectangle(box, fill=fill, outline=outline)
    if fold:
        f = max(3, min(x1 - x0, y1 - y0) // 5)
        draw.polygon([(x1 - f, y0), (x1, y0 + f), (x1 - f, y0 + f)], fill=SOFT, outline=outline)


def lines(draw, box, count, fill=SOFT):
    x0, y0, x1, y1 = box
    step = max(2, (y1 - y0) // (count + 1))
    for k in range(1, count + 1):
        y = y0 + k * step
        if y < y1 - 1:
            draw.line([x0 + 2, y, x1 - 3, y], fill=fill)


def arrow(draw, x0, y0, x1, y1, fill=ACCENT):
    draw.line([x0, y0, x1, y1], fill=fill, width=2)
    if x0 == x1:
        d = 3 if y1 > y0 else -3
        draw.polygon([(x1 - 3, y1 - d), (x1 + 3, y1 - d), (x1, y1)], fill=fill)
    else:
        d = 3 if x1 > x0 else -3
        draw.polygon([(x1 - d, y1 - 3), (x1 - d, y1 + 3), (x1, y1)], fill=fill)


# ---- Painters: one per kind of picture; each draws into (draw, width, height, args) ----

def paint_copies(draw, w, h, args):
    count = int(args[0])
    for k in range(count):
        off = (count - 1 - k) * 4
        sheet(draw, [2 + off, 2 + (count - 1 - k) * 3, w - 12 + off - (count - 1) * 4, h - 10 + (count - 1 - k) * 3 - (count - 1) * 3])


def paint_feed(draw, w, h, args):
    direction = args[0]
    if direction == "long":
        box = [3, h // 3, w - 4, h * 2 // 3]
        sheet(draw, box)
        arrow(draw, w // 2, h - 8, w // 2, 2)
    else:
        box = [w // 4, 4, w - w // 4, h - 12]
        sheet(draw, box)
        arrow(draw, w // 2, h - 6, w // 2, 1)


def paint_duplex(draw, w, h, args):
    edge = args[0]
    sheet(draw, [2, 2, w * 2 // 3, h * 2 // 3])
    sheet(draw, [w // 3 - 2, h // 3 - 2, w - 3, h - 10], fill=SOFT)
    if edge == "long":
        draw.line([w // 3 - 2, h // 3 - 2, w // 3 - 2, h - 10], fill=ACCENT, width=2)
    else:
        draw.line([w // 3 - 2, h // 3 - 2, w - 3, h // 3 - 2], fill=ACCENT, width=2)


def paint_resolution(draw, w, h, args):
    sheet(draw, [2, 2, w - 3, h - 10], fold=False)
    step = int(args[0])
    for y in range(5, h - 12, step):
        for x in range(5, w - 5, step):
            draw.point((x, y), fill=INK)


def paint_star(draw, w, h, args):
    cx, cy, r = w // 2, (h - 6) // 2, min(w, h - 6) // 2 - 2
    points = []
    for k in range(10):
        radius = r if k % 2 == 0 else r * 0.45
        angle = math.pi / 2 + k * math.pi / 5
        points.append((cx + radius * math.cos(angle), cy - radius * math.sin(angle)))
    draw.polygon(points, fill=WARN, outline=FRAME)


def paint_collation(draw, w, h, args):
    # One small numbered sheet per page printed, in print order, grouped by copy.
    order = args[0].split(",")
    n = len(order)
    gap = 3
    sw = (w - 4 - gap * (n - 1)) // n
    for k, page in enumerate(order):
        x0 = 2 + k * (sw + gap)
        sheet(draw, [x0, 2, x0 + sw - 1, h - 9], fold=False)
        number(draw, x0 + (sw - number_width(page, 2)) // 2, 5, page, fill=ACCENT, scale=2)


def paint_paper(draw, w, h, args):
    sheet(draw, [8, 4, w - 8, h - 14])
    lines(draw, [8, 4, w - 8, h - 14], 5)
    arrow(draw, 8, h - 9, w - 8, h - 9)


def paint_tray(draw, w, h, args):
    draw.rectangle([2, h // 2, w - 3, h - 10], fill=SOFT, outline=FRAME)
    sheet(draw, [8, 3, w - 9, h // 2 + 4], fold=False)
    draw.rectangle([w // 2 - 6, h - 14, w // 2 + 6, h - 12], fill=FRAME)


def paint_logo(draw, w, h, args):
    # The project's own mark: three stacked sheets leaving a rounded printer body.
    draw.rounded_rectangle([2, h // 3, h * 3 // 2, h - 4], radius=4, fill=ACCENT)
    sheet(draw, [6, 2, h * 3 // 2 - 4, h // 3 + 4], fold=False)
    draw.rectangle([10, h * 2 // 3, h * 3 // 2 - 8, h * 2 // 3 + 2], fill=PAPER)
    for k in range(3):
        x = h * 3 // 2 + 6 + k * 9
        draw.rectangle([x, h // 3 + k * 3, x + 6, h - 6], fill=FRAME)


def paint_symbol(draw, w, h, args):
    kind = args[0]
    box = [2, 2, w - 3, h - 8]
    if kind == "text":
        draw.rectangle(box, outline=FRAME, fill=PAPER)
        draw.line([w // 2, 4, w // 2, h - 10], fill=ACCENT, width=2)
        draw.line([5, 4, w - 6, 4], fill=ACCENT, width=2)
    elif kind == "picture":
        draw.rectangle(box, outline=FRAME, fill=PAPER)
        draw.polygon([(3, h - 9), (w // 2 - 2, h // 3), (w - 4, h - 9)], fill=ACCENT)
    elif kind == "font":
        draw.polygon([(3, h - 8), (w // 2, 2), (w - 4, h - 8)], outline=ACCENT)
        draw.line([w // 3, h // 2, w * 2 // 3, h // 2], fill=ACCENT)
    elif kind == "colour":
        draw.ellipse(box, fill=WARN, outline=FRAME)
        draw.ellipse([w // 3, h // 4, w - 4, h - 9], fill=ACCENT)
    elif kind == "angle":
        draw.line([3, h - 9, w - 4, h - 9], fill=FRAME, width=2)
        draw.line([3, h - 9, w - 5, 3], fill=ACCENT, width=2)
    elif kind == "file":
        sheet(draw, box)
        lines(draw, box, 3, fill=ACCENT)
    elif kind == "light":
        draw.ellipse(box, outline=WARN)
        draw.ellipse([6, 6, w - 7, h - 12], fill=WARN)
    else:
        raise ValueError("unknown symbol " + kind)


def nup_grid(n, landscape_sheet):
    """(columns, rows) of n pages on a sheet."""
    return {
        2: (2, 1) if landscape_sheet else (1, 2),
        4: (2, 2),
        8: (4, 2) if landscape_sheet else (2, 4),
        16: (4, 4),
    }[n]


def nup_cells(n, columns, rows, order):
    """Cells (column, row) in page order for an order name."""
    cells = []
    if order in ("forward", "right-down"):
        cells = [(c, r) for r in range(rows) for c in range(columns)]
    elif order == "backward":
        cells = [(c, r) for r in range(rows) for c in range(columns)][::-1]
    elif order == "down-right":
        cells = [(c, r) for c in range(columns) for r in range(rows)]
    elif order == "left-down":
        cells = [(c, r) for r in range(rows) for c in reversed(range(columns))]
    elif order == "down-left":
        cells = [(c, r) for c in reversed(range(columns)) for r in range(rows)]
    else:
        raise ValueError("unknown order " + order)
    return cells[:n]


def sheet_box(w, h, orientation):
    if orientation == "portrait":
        sw, sh = (w - 8) * 5 // 7, h - 16
        sw = min(sw, (h - 16) * 5 // 7)
    else:
        sw, sh = w - 8, (w - 8) * 5 // 7
        sh = min(sh, h - 16)
    x0 = (w - sw) // 2
    y0 = (h - 10 - sh) // 2
    return [x0, y0, x0 + sw - 1, y0 + sh - 1]


def paint_layout(draw, w, h, args):
    orientation, pages = args[0], int(args[1])
    border = args[2] == "border"
    order = args[3] if len(args) > 3 else "forward"
    box = sheet_box(w, h, orientation)
    sheet(draw, box, fold=False)
    x0, y0, x1, y1 = box
    if pages == 1:
        lines(draw, [x0 + 4, y0 + 4, x1 - 4, y1 - 4], 8, fill=ACCENT)
        number(draw, x0 + 4, y0 + 4, "1", fill=ACCENT, scale=2)
        return
    columns, rows = nup_grid(pages, orientation == "landscape")
    cw = (x1 - x0 - 4) // columns
    ch = (y1 - y0 - 4) // rows
    for index, (c, r) in enumerate(nup_cells(pages, columns, rows, order)):
        left, top = x0 + 2 + c * cw, y0 + 2 + r * ch
        cell = [left + 1, top + 1, left + cw - 2, top + ch - 2]
        if border:
            draw.rectangle(cell, outline=INK)
        lines(draw, [cell[0] + 1, cell[1] + 8, cell[2], cell[3]], 3)
        label = str(index + 1)
        scale = 2 if cw > 24 and ch > 16 else 1
        number(draw, left + 3, top + 3, label, fill=ACCENT, scale=scale)


def paint_poster(draw, w, h, args):
    orientation, marks, tiles = args[0], args[1] == "marks", int(args[2])
    box = sheet_box(w, h, orientation)
    sheet(draw, box, fold=False)
    x0, y0, x1, y1 = box
    side = {2: (2, 1) if orientation == "landscape" else (1, 2), 4: (2, 2), 9: (3, 3)}[tiles]
    for c in range(1, side[0]):
        x = x0 + (x1 - x0) * c // side[0]
        for y in range(y0, y1, 4):
            draw.line([x, y, x, min(y + 1, y1)], fill=INK)
    for r in range(1, side[1]):
        y = y0 + (y1 - y0) * r // side[1]
        for x in range(x0, x1, 4):
            draw.line([x, y, min(x + 1, x1), y], fill=INK)
    if marks:
        for (cx, cy) in ((x0, y0), (x1, y0), (x0, y1), (x1, y1)):
            draw.line([cx - 3, cy, cx + 3, cy], fill=ACCENT)
            draw.line([cx, cy - 3, cx, cy + 3], fill=ACCENT)
    draw.ellipse([x0 + 6, y0 + 6, x1 - 6, y1 - 6], outline=ACCENT, width=2)


def paint_warning(draw, w, h, args):
    draw.polygon([(w // 2, 0), (w - 1, h - 1), (0, h - 1)], fill=WARN, outline=INK)
    draw.rectangle([w // 2 - 1, h // 3, w // 2, h * 2 // 3], fill=INK)
    draw.rectangle([w // 2 - 1, h - 4, w // 2, h - 3], fill=INK)


PAINTERS = {
    "copies": paint_copies,
    "feed": paint_feed,
    "duplex": paint_duplex,
    "resolution": paint_resolution,
    "star": paint_star,
    "collation": paint_collation,
    "paper": paint_paper,
    "tray": paint_tray,
    "logo": paint_logo,
    "symbol": paint_symbol,
    "layout": paint_layout,
    "poster": paint_poster,
}


def parse(path):
    """Yields (kind, id, width, height, background, painter, args) per description line."""
    with open(path, encoding="utf-8") as f:
        for number_, raw in enumerate(f, 1):
            line = raw.split("#", 1)[0].strip()
            if not line:
                continue
            words = line.split()
            if len(words) < 5:
                raise SystemExit(f"{path}:{number_}: too few fields")
            kind, ident, size, background, painter, *args = words
            width, height = (int(v) for v in size.split("x"))
            yield kind, int(ident), width, height, background, painter, args, number_


def palettized(image):
    """The picture as an 8-bit palette image of exactly its own colours: a quarter of the
    24-bit size, and no colour moves, so the transparent colours the pages key on stay exact."""
    colours = image.getcolors(256)
    if colours is None:
        return image
    palette = [c for _, c in colours]
    index = {c: i for i, c in enumerate(palette)}
    result = Image.new("P", image.size)
    result.putpalette([v for c in palette for v in c] + [0, 0, 0] * (256 - len(palette)))
    result.putdata([index[p] for p in image.getdata()])
    return result


def draw_bitmap(ident, width, height, background, painter, args):
    image = Image.new("RGB", (width, height), colour(background))
    draw = ImageDraw.Draw(image)
    PAINTERS[painter](draw, width, height, args)
    label = str(ident)
    number(draw, width - number_width(label) - 1, height - 6, label, fill=INK)
    return palettized(image)


def icon_image(size):
    """One 32-bit icon image with its AND mask, as the .ico directory stores it."""
    image = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    paint_warning(draw, size, size, [])
    rows = []
    mask_rows = []
    mask_stride = (size + 31) // 32 * 4
    for y in reversed(range(size)):
        row = bytearray()
        mask = bytearray(mask_stride)
        for x in range(size):
            r, g, b, a = image.getpixel((x, y))
            row += bytes((b, g, r, a))
            if a == 0:
                mask[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(row))
        mask_rows.append(bytes(mask))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + b"".join(mask_rows)


def write_icon(path, sizes):
    images = [icon_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    description, out_dir = sys.argv[1], sys.argv[2]
    os.makedirs(out_dir, exist_ok=True)
    seen = set()
    lines_out = ["/* Generated by make_pictures.py from pictures.txt: do not edit. */"]
    for kind, ident, width, height, background, painter, args, where in parse(description):
        if (kind, ident) in seen:
            raise SystemExit(f"{description}:{where}: {kind} {ident} described twice")
        seen.add((kind, ident))
        if kind == "bitmap":
            if painter not in PAINTERS:
                raise SystemExit(f"{description}:{where}: unknown picture '{painter}'")
            name = f"bitmap{ident}.bmp"
            draw_bitmap(ident, width, height, background, painter, args).save(os.path.join(out_dir, name), "BMP")
            lines_out.append(f'{ident} BITMAP "{name}"')
        elif kind == "icon":
            if painter != "warning":
                raise SystemExit(f"{description}:{where}: unknown icon '{painter}'")
            name = f"icon{ident}.ico"
            # The sizes the pages and the shell ask for; the stand-in and the system pick the
            # nearest, so the 18 x 18 of the warning icon is drawn for itself.
            write_icon(os.path.join(out_dir, name), sorted({16, width, 32}))
            lines_out.append(f'{ident} ICON "{name}"')
        else:
            raise SystemExit(f"{description}:{where}: unknown kind '{kind}'")
    with open(os.path.join(out_dir, "pictures.rch"), "w", encoding="ascii") as f:
        f.write("\n".join(lines_out) + "\n")


if __name__ == "__main__":
    main()
