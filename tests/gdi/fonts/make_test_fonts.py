#!/usr/bin/env python3
"""Test fonts the Debian font packages do not hold, made from the installed DejaVu fonts
with fontTools, and fontTools' own reading of a few glyphs for the reader's cross-check.

    make_test_fonts.py OUTPUT_FOLDER
"""
import os
import sys

from fontTools import subset
from fontTools.ttLib import TTFont
from fontTools.ttLib.ttCollection import TTCollection

DEJAVU = "/usr/share/fonts/truetype/dejavu"


def subset_font(source, text):
    font = TTFont(source)
    options = subset.Options()
    options.notdef_outline = True
    options.recalc_bounds = True
    options.name_IDs = ["*"]
    options.layout_features = []
    sub = subset.Subsetter(options)
    sub.populate(text=text)
    sub.subset(font)
    return font


def glyph_listing(path, characters, out):
    """One line a character: code, glyph id, advance, lsb, offset in glyf, length, components."""
    font = TTFont(path)
    cmap = font.getBestCmap()
    loca = font["loca"]
    glyf = font["glyf"]
    hmtx = font["hmtx"]
    for ch in characters:
        name = cmap.get(ord(ch), ".notdef")
        gid = font.getGlyphID(name)
        advance, lsb = hmtx[name]
        start, end = loca[gid], loca[gid + 1]
        g = glyf[name]
        comps = [font.getGlyphID(c.glyphName) for c in g.components] if g.isComposite() else []
        out.write("%d %d %d %d %d %d %s\n" % (ord(ch), gid, advance, lsb, start, end - start,
                                             ",".join(str(c) for c in comps) or "-"))


def main():
    out_dir = sys.argv[1]
    os.makedirs(out_dir, exist_ok=True)
    # Few glyphs: 'glyf' stays small, so fontTools writes 16-bit loca offsets.
    short = subset_font(os.path.join(DEJAVU, "DejaVuSans.ttf"), "AÀÅaeé .")
    short.save(os.path.join(out_dir, "short-loca.ttf"))
    if TTFont(os.path.join(out_dir, "short-loca.ttf"))["head"].indexToLocFormat != 0:
        sys.exit("short-loca.ttf has long offsets")

    members = [subset_font(os.path.join(DEJAVU, "DejaVuSans-Bold.ttf"), "ABC abc"),
               subset_font(os.path.join(DEJAVU, "DejaVuSerif.ttf"), "ABC abc")]
    collection = TTCollection()
    collection.fonts = members
    collection.save(os.path.join(out_dir, "collection.ttc"))

    with open(os.path.join(out_dir, "dejavu-sans-glyphs.txt"), "w") as listing:
        glyph_listing(os.path.join(DEJAVU, "DejaVuSans.ttf"), "A%gÀǺΩЖ", listing)
    with open(os.path.join(out_dir, "short-loca-glyphs.txt"), "w") as listing:
        glyph_listing(os.path.join(out_dir, "short-loca.ttf"), "AÀé", listing)
    with open(os.path.join(out_dir, "collection-member1-glyphs.txt"), "w") as listing:
        path = os.path.join(out_dir, "collection-member1.ttf")
        members[1].save(path)
        glyph_listing(path, "Ab", listing)


if __name__ == "__main__":
    main()
