#!/usr/bin/python3
"""Renders proof lines of Persian text twice, for reading the artwork side by
side: once as our engine places our glyphs (kavitro-shape over a data folder,
outlines from that folder's fonts, dot marks through its anchor table, drawn
as PostScript and rasterised by ghostscript) and once by hb-view with the
source font. Writes one PNG (ImageMagick puts the two side by side).

usage: render_proof.py --shape-tool EXE --data-dir DIR --source FONT
           --text FILE OUTPUT.png
"""

import argparse
import json
import os
import struct
import subprocess
import tempfile

from fontTools.pens.basePen import BasePen
from fontTools.ttLib import TTFont

FONT_COUNT = 5
GLYPHS = 256
UNITS = 2880          # glyph units per em
LIFT = 2.88           # glyph units per lift unit
EM_PIXELS = 96        # rendered em, both sides
MARGIN = 40


class PostScriptPen(BasePen):
    """Outline commands in PostScript, each point moved to (ox + x, oy - y)
    so that y grows downward on the page."""

    def __init__(self, glyph_set, ox, oy):
        super().__init__(glyph_set)
        self.ox, self.oy, self.out = ox, oy, []

    def _p(self, pt):
        return "%.1f %.1f" % (self.ox + pt[0], self.oy - pt[1])

    def _moveTo(self, pt):
        self.out.append(self._p(pt) + " m")

    def _lineTo(self, pt):
        self.out.append(self._p(pt) + " l")

    def _curveToOne(self, p1, p2, p3):
        self.out.append(" ".join(self._p(p) for p in (p1, p2, p3)) + " c")

    def _closePath(self):
        self.out.append("h")


class Fonts:
    def __init__(self, data_dir):
        self.fonts = [TTFont(os.path.join(data_dir, "fonts", "Vorl2%d.ttf" % f)) for f in range(1, FONT_COUNT + 1)]
        self.sets = [f.getGlyphSet() for f in self.fonts]
        with open(os.path.join(data_dir, "MarkAnchors.bin"), "rb") as fh:
            data = fh.read()
        values = struct.unpack("<%di" % (len(data) // 4), data)
        half = 2 * FONT_COUNT * GLYPHS
        self.anchor_y, self.anchor_x = values[:half], values[half:]

    def name(self, g):
        return "g%03d" % g

    def advance(self, f, g):
        return self.fonts[f - 1]["hmtx"][self.name(g)][0] if g >= 32 else 0

    def path(self, f, g, ox, oy):
        if g < 32:
            return ""
        pen = PostScriptPen(self.sets[f - 1], ox, oy)
        self.sets[f - 1][self.name(g)].draw(pen)
        return " ".join(pen.out)

    def anchor(self, f, g, below):
        i = ((5 if below else 0) + f - 1) * GLYPHS + g
        return self.anchor_y[i], self.anchor_x[i]


BELOW = {0x0628, 0x062C, 0x067E, 0x0686, 0x06CC}


def engine_postscript(tool, data_dir, lines, pitch, first):
    """The page as PostScript, its width and its height in pixels: the
    first baseline first ems below the margin, the others pitch ems apart."""
    fonts = Fonts(data_dir)
    with tempfile.NamedTemporaryFile("w", encoding="utf-8", suffix=".txt", delete=False) as tmp:
        tmp.write("\n".join(lines) + "\n")
    try:
        out = subprocess.run([tool, "--data-dir", data_dir, tmp.name], capture_output=True, check=True)
    finally:
        os.unlink(tmp.name)
    records = [json.loads(line) for line in out.stdout.decode("utf-8").splitlines()]
    scale = EM_PIXELS / UNITS
    widest = max((w["x"] + sum(fonts.advance(*(int(v) for v in c["glyph"].split("/"))) for c in w["chars"])
                  for r in records for w in r["words"]), default=0)
    width_px = int(widest * scale) + 2 * MARGIN
    parts = []
    right = width_px / scale - MARGIN / scale
    for n, record in enumerate(records):
        baseline = MARGIN / scale + (first + n * pitch) * UNITS
        for word in record["words"]:
            pen = right - word["x"]
            for c in word["chars"]:
                f, g = (int(v) for v in c["glyph"].split("/"))
                advance = fonts.advance(f, g)
                lift = c["y"] * LIFT + word["y"] * LIFT
                parts.append(fonts.path(f, g, pen - advance, baseline + lift))
                if c["mark"]:
                    ay, ax = fonts.anchor(f, g, int(c["code"], 16) in BELOW)
                    if ay != -1:
                        # As the program draws it: the anchor point is the
                        # table's x plus the mark's advance, and the mark is
                        # drawn right-aligned there, so its origin lands on
                        # the table's x.
                        parts.append(fonts.path(4, c["mark"], pen + ax, baseline + lift - ay))
                pen -= advance
    height_px = int(2 * MARGIN + len(lines) * pitch * EM_PIXELS)
    # Page y grows downward from the top: flip PostScript's upward y once.
    return ("%%!PS\n/m {moveto} def /l {lineto} def /c {curveto} def /h {closepath} def\n"
            "0 %d translate %f %f scale\n%s\nfill showpage\n"
            % (height_px, scale, -scale, "\n".join(p for p in parts if p))), width_px, height_px


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--shape-tool", required=True)
    parser.add_argument("--data-dir", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--text", required=True)
    parser.add_argument("output")
    args = parser.parse_args()
    with open(args.text, encoding="utf-8") as f:
        lines = [l.rstrip("\n") for l in f if l.strip()]
    # Our lines stand where hb-view puts the source font's: at its ascent
    # below the margin, one ascent plus descent apart.
    hhea = TTFont(args.source)["hhea"]
    upem = TTFont(args.source)["head"].unitsPerEm
    pitch, first = (hhea.ascent - hhea.descent) / upem, hhea.ascent / upem
    with tempfile.TemporaryDirectory() as work:
        ps, width, height = engine_postscript(args.shape_tool, args.data_dir, lines, pitch, first)
        ours = os.path.join(work, "ours.ps")
        with open(ours, "w", encoding="utf-8") as fh:
            fh.write(ps)
        ours_png = os.path.join(work, "ours.png")
        subprocess.run(["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pnggray", "-r72",
                        "-dTextAlphaBits=4", "-dGraphicsAlphaBits=4",
                        "-g%dx%d" % (width, height), "-sOutputFile=" + ours_png, ours], check=True)
        theirs = os.path.join(work, "theirs.png")
        subprocess.run(["hb-view", "--language=ur", "--font-size=%d" % EM_PIXELS, "--margin=%d" % MARGIN,
                        "--text-file=" + args.text, "--output-file=" + theirs, args.source], check=True)
        tmp = args.output + ".tmp.png"
        subprocess.run(["convert", ours_png, theirs, "-gravity", "east", "-background", "white",
                        "+append", tmp], check=True)
        os.replace(tmp, args.output)


if __name__ == "__main__":
    main()
