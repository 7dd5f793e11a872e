#!/usr/bin/python3
"""Makes Kavitro's placeholder glyph artwork.

Writes into the given share folder:
  fonts/Vorl21.ttf .. fonts/Vorl25.ttf  five TrueType fonts, 2880 units per em,
                                        glyph i mapped from U+F000 + i and U+0000 + i
  MarkAnchors.bin                       the 20480-byte mark-anchor table
  artwork-manifest.txt                  every glyph's expected metrics, for the tests

The glyphs are simple, well-defined shapes until real calligraphic artwork
exists: a letter is a stroke along the baseline from its right edge to its
left edge (so shaped text already reads as connected writing), with a stem
and sometimes a bowl below the baseline; font 4's marks are small shapes
above the baseline. Everything derives from the font number and glyph index
through a fixed hash, so the output is the same on every run.
"""

import os
import struct
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen

UNITS_PER_EM = 2880
FONT_COUNT = 5
GLYPHS_PER_FONT = 256
FIRST_CODE = 0xF000
FIRST_DRAWN = 32

# Glyphs that must stay blank: the space of every font and the attachable
# placeholders that the rules use.
BLANK = {(f, 32) for f in range(1, FONT_COUNT + 1)}
BLANK |= {(3, 112), (4, 33), (4, 34), (4, 88), (5, 33), (5, 34), (5, 35)}
BLANK |= {(5, g) for g in range(43, 50)}
SPACE_ADVANCE = {1: 720, 2: 700, 3: 740, 4: 680, 5: 760}

# Font 4 holds the marks (dots, kaf and gaf strokes, vowel signs), the
# digits 48..57 and punctuation 73..90.
DOT_MARKS = {35: 1, 36: 2, 37: 3, 38: 3}
MARKS = set(range(35, 48)) | set(range(58, 73))
DIGITS = set(range(48, 58))
PUNCTUATION = set(range(73, 91))

# Glyphs whose black box reaches back beyond their advance (word-end tails).
TAILS = {(1, 252): 700, (1, 181): 520}

# Line metrics per font (OS/2 usWinAscent, usWinDescent).
WIN_ASCENT = {1: 2600, 2: 2500, 3: 2700, 4: 2400, 5: 2550}
WIN_DESCENT = {1: 1300, 2: 1400, 3: 1250, 4: 1100, 5: 1350}

# Anchor entries that the engine's tests rely on: (font, glyph) ->
# ((above y, above x) or None, (below y, below x) or None).
ANCHOR_ENTRIES = {
    (1, 33): ((1243, -1594), (-922, -1467)),
    (1, 133): ((1385, -380), (-1836, -429)),
    (1, 219): ((1240, -343), (-1383, -113)),
    (3, 78): ((1043, -1), None),
    (4, 91): ((-298, -481), (-298, -481)),
}
ADVANCE_OVERRIDES = {(1, 33): 2000}

STROKE_BOTTOM = -40
STROKE_TOP = 60


def mix(*values):
    """A fixed 32-bit hash of small integers."""
    x = 0x9E3779B9
    for v in values:
        x ^= (v + 0x7F4A7C15 + (x << 6) + (x >> 2)) & 0xFFFFFFFF
        x = ((x ^ (x >> 16)) * 0x45D9F3B) & 0xFFFFFFFF
        x = ((x ^ (x >> 16)) * 0x45D9F3B) & 0xFFFFFFFF
        x ^= x >> 16
    return x


def pick(f, g, salt, count):
    return mix(f, g, salt) % count


class Shape:
    """Contours in font units; each point is (x, y, on_curve)."""

    def __init__(self, advance, kind):
        self.advance = advance
        self.kind = kind
        self.contours = []

    def add(self, points):
        self.contours.append(points)

    def has_curves(self):
        return any(not on for c in self.contours for (_, _, on) in c)

    def on_curve_points(self):
        """Every end point of the outline as a path: on-curve points and the
        points implied between two consecutive off-curve points."""
        out = []
        for c in self.contours:
            n = len(c)
            for i, (x, y, on) in enumerate(c):
                if on:
                    out.append((x, y))
                else:
                    nx, ny, non = c[(i + 1) % n]
                    if not non:
                        assert (x + nx) % 2 == 0 and (y + ny) % 2 == 0, "implied point off the grid"
                        out.append(((x + nx) // 2, (y + ny) // 2))
        return out

    def draw(self, pen):
        for c in self.contours:
            start = next(i for i, p in enumerate(c) if p[2])
            pts = c[start:] + c[:start]
            pen.moveTo(pts[0][:2])
            pending = []
            for x, y, on in pts[1:]:
                if on:
                    if pending:
                        pen.qCurveTo(*pending, (x, y))
                        pending = []
                    else:
                        pen.lineTo((x, y))
                else:
                    pending.append((x, y))
            if pending:
                pen.qCurveTo(*pending, pts[0][:2])
            pen.closePath()

    def metrics(self):
        """(xMin, xMax, height, depth): the black box across, and how far the
        outline's end points reach above and below the baseline."""
        if not self.contours:
            return 0, 0, 0, 0
        xs = [x for c in self.contours for (x, _, _) in c]
        ends = self.on_curve_points()
        # Off-curve points never widen the box in this artwork, so the
        # control box and the ink agree across.
        assert min(xs) == min(x for x, _ in ends) and max(xs) == max(x for x, _ in ends)
        height = max(0, max(y for _, y in ends))
        depth = max(0, -min(y for _, y in ends))
        return min(xs), max(xs), height, depth


def even(v):
    return v - (v % 2)


def dot(cx, cy, r):
    """A round dot of quadratic arcs, drawn clockwise."""
    return [(cx - r, cy, True), (cx - r, cy + r, False), (cx, cy + r, True), (cx + r, cy + r, False),
            (cx + r, cy, True), (cx + r, cy - r, False), (cx, cy - r, True), (cx - r, cy - r, False)]


def rect(x0, y0, x1, y1):
    return [(x0, y0, True), (x0, y1, True), (x1, y1, True), (x1, y0, True)]


def letter(f, g):
    advance = ADVANCE_OVERRIDES.get((f, g), 400 + 40 * pick(f, g, 1, 36))
    above_only = (f, g) not in TAILS and pick(f, g, 2, 6) == 0
    bottom, top = (0, 100) if above_only else (STROKE_BOTTOM, STROKE_TOP)
    stem_width = 90 + 10 * pick(f, g, 3, 4) * 2
    stem_room = (advance - stem_width - 120) // 20
    stem_x = 60 + 20 * pick(f, g, 4, max(1, stem_room))
    stem_height = 300 + 20 * pick(f, g, 5, 70)
    depth = 200 + 20 * pick(f, g, 6, 30)
    entries = ANCHOR_ENTRIES.get((f, g))
    if entries:
        above, below = entries
        if above and above[0] > 0:
            stem_height = min(stem_height, above[0] - 150)
        if below:
            depth = min(depth, -below[0] - 340)
    stem_height = max(stem_height, top + 100)
    shape = Shape(advance, "letter")
    pts = [(0, bottom, True), (0, top, True),
           (stem_x, top, True), (stem_x, stem_height, True),
           (stem_x + stem_width, stem_height, True), (stem_x + stem_width, top, True)]
    tail = TAILS.get((f, g))
    if tail:
        # A rising tail past the advance, drawn with quadratic arcs whose
        # control points stay inside the tip.
        tip_x = advance + tail
        pts += [(advance, top, True), (even(advance + tail * 6 // 10), top, False),
                (tip_x, top + 300, True), (even(advance + tail * 7 // 10), bottom, False),
                (advance, bottom, True)]
    else:
        pts += [(advance, top, True), (advance, bottom, True)]
    bowl_width = 200 + 20 * pick(f, g, 7, 10)
    if not above_only and pick(f, g, 8, 3) == 0 and advance >= bowl_width + 120:
        # A bowl below the baseline: two consecutive off-curve points, so
        # the capture must find the implied point between them.
        x1 = 40 + 20 * pick(f, g, 9, (advance - bowl_width - 80) // 20)
        x2 = x1 + bowl_width
        pts += [(x2, bottom, True), (x2, -depth, False), (x1, -depth, False), (x1, bottom, True)]
    shape.add(pts)
    return shape


def mark(g):
    if g in DOT_MARKS:
        count = DOT_MARKS[g]
        r = 80
        shape = Shape(2 * r + 80 + (count - 1) * 200 if count < 3 else 2 * r + 280, "mark")
        if count == 3:
            centres = [(r + 40, 40 + r), (r + 240, 40 + r), (r + 140, 40 + 3 * r + 40)]
        else:
            centres = [(r + 40 + 200 * i, 40 + r) for i in range(count)]
        for cx, cy in centres:
            shape.add(dot(cx, cy, r))
        return shape
    # Strokes and vowel signs: a slanted bar above the baseline.
    width = 240 + 20 * pick(4, g, 10, 20)
    rise = 60 + 10 * pick(4, g, 11, 20)
    shape = Shape(width + 80, "mark")
    x0, x1, y0 = 40, 40 + width, 40
    shape.add([(x0, y0, True), (x0 + 30, y0 + rise + 70, True), (x1, y0 + rise + 70, True), (x1 - 30, y0, True)])
    return shape


def digit(g):
    d = g - 48
    shape = Shape(560, "digit")
    shape.add(rect(100, 0, 460, 400 + 40 * d))
    return shape


def punctuation(g):
    if g == 86:  # full stop
        shape = Shape(320, "punctuation")
        shape.add(dot(160, 100, 60))
        return shape
    height = 200 + 40 * pick(4, g, 12, 20)
    shape = Shape(400, "punctuation")
    shape.add(rect(120, 0, 280, height))
    return shape


def glyph_shape(f, g):
    if g < FIRST_DRAWN:
        return None
    if (f, g) in BLANK:
        return Shape(SPACE_ADVANCE[f] if g == 32 else 0, "blank")
    if f == 4 and g in MARKS:
        return mark(g)
    if f == 4 and g in DIGITS:
        return digit(g)
    if f == 4 and g in PUNCTUATION:
        return punctuation(g)
    return letter(f, g)


def anchors(f, g, shape):
    """((above y, above x), (below y, below x)); y = -1 means no anchor."""
    none = (-1, -1)
    if (f, g) in ANCHOR_ENTRIES:
        above, below = ANCHOR_ENTRIES[(f, g)]
        return above or none, below or none
    if shape is None or shape.kind != "letter":
        return none, none
    _, _, height, depth = shape.metrics()
    middle = shape.advance // 2
    return (height + 120, -middle - 100), (-(depth + 320), -middle - 60)


def glyph_name(g):
    return "g%03d" % g


def character_map(glyph_count):
    """Glyph i answers to U+F000 + i, the code the program writes, and to
    U+0000 + i too, as a symbol font does on Windows. Programs reading our
    metafiles with the fonts installed (Inkscape) take the private-use codes
    down to U+0020..U+00FF before they look the glyphs up, and look a space
    up in every font they load: without one, Inkscape 1.2 crashes."""
    names = {g: glyph_name(g) for g in range(FIRST_DRAWN, glyph_count)}
    return {**{FIRST_CODE + g: n for g, n in names.items()}, **names}


# OS/2 fields that tell other programs what the fonts are: a regular style,
# and glyphs of the symbol character set (what the metafiles' font records
# ask for), not a Latin font to fall back on.
OS2_REGULAR = 1 << 6
OS2_SYMBOL_CODE_PAGE = 1 << 31
OS2_IDENTITY = dict(usWeightClass=400, achVendID="KVTR", fsType=0, fsSelection=OS2_REGULAR,
                    ulCodePageRange1=OS2_SYMBOL_CODE_PAGE, ulCodePageRange2=0)


def build_font(f, shapes, path):
    order = [".notdef"] + [glyph_name(g) for g in range(FIRST_DRAWN, GLYPHS_PER_FONT)]
    fb = FontBuilder(UNITS_PER_EM, isTTF=True)
    fb.font.recalcTimestamp = False
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap(character_map(GLYPHS_PER_FONT))
    glyphs = {".notdef": TTGlyphPen(None).glyph()}
    for g in range(FIRST_DRAWN, GLYPHS_PER_FONT):
        pen = TTGlyphPen(None)
        shapes[g].draw(pen)
        glyphs[glyph_name(g)] = pen.glyph()
    fb.setupGlyf(glyphs)
    metrics = {".notdef": (0, 0)}
    for g in range(FIRST_DRAWN, GLYPHS_PER_FONT):
        xmin = shapes[g].metrics()[0]
        metrics[glyph_name(g)] = (shapes[g].advance, xmin)
    fb.setupHorizontalMetrics(metrics)
    fb.setupHorizontalHeader(ascent=WIN_ASCENT[f], descent=-WIN_DESCENT[f])
    family = "Vorl2%d" % f
    fb.setupNameTable({"familyName": family, "styleName": "Regular", "uniqueFontIdentifier": family,
                       "fullName": family, "psName": family, "version": "Version 1.000"})
    fb.setupOS2(usWinAscent=WIN_ASCENT[f], usWinDescent=WIN_DESCENT[f],
                sTypoAscender=WIN_ASCENT[f], sTypoDescender=-WIN_DESCENT[f], sTypoLineGap=0, **OS2_IDENTITY)
    fb.setupPost()
    fb.font["head"].created = fb.font["head"].modified = 3786825600  # 2024-01-01
    fb.save(path)


def write_if_changed(path, data):
    try:
        with open(path, "rb") as fh:
            if fh.read() == data:
                return
    except OSError:
        pass
    tmp = path + ".tmp"
    with open(tmp, "wb") as fh:
        fh.write(data)
    os.replace(tmp, path)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_artwork.py SHARE_DIR")
    share = sys.argv[1]
    os.makedirs(os.path.join(share, "fonts"), exist_ok=True)

    shapes = {f: {g: glyph_shape(f, g) for g in range(GLYPHS_PER_FONT)} for f in range(1, FONT_COUNT + 1)}

    for f in range(1, FONT_COUNT + 1):
        build_font(f, shapes[f], os.path.join(share, "fonts", "Vorl2%d.ttf" % f))

    # Anchor table: y[2][5][256] then x[2][5][256], little-endian i32.
    ys, xs = [], []
    table = {}
    for f in range(1, FONT_COUNT + 1):
        for g in range(GLYPHS_PER_FONT):
            table[(f, g)] = anchors(f, g, shapes[f][g])
    for half in (0, 1):
        for f in range(1, FONT_COUNT + 1):
            for g in range(GLYPHS_PER_FONT):
                y, x = table[(f, g)][half]
                ys.append(y)
                xs.append(x)
    anchor_bytes = struct.pack("<%di" % len(ys), *ys) + struct.pack("<%di" % len(xs), *xs)
    assert len(anchor_bytes) == 20480
    write_if_changed(os.path.join(share, "MarkAnchors.bin"), anchor_bytes)

    lines = [
        "# Kavitro placeholder artwork: expected metrics, written by tools/artwork/make_artwork.py.",
        "# Font units; at size 2160 and 96 dpi one unit is one glyph unit.",
        "# font <n> <family> <unitsPerEm> <winAscent> <winDescent>",
        "# glyph <font> <index> <kind> <advance> <xMin> <xMax> <height> <depth> <curves>"
        " <aboveY> <aboveX> <belowY> <belowX>",
        "# outline <font> <index> <contour> then x,y,on triples (on = 1, off-curve = 0)",
    ]
    for f in range(1, FONT_COUNT + 1):
        lines.append("font %d Vorl2%d %d %d %d" % (f, f, UNITS_PER_EM, WIN_ASCENT[f], WIN_DESCENT[f]))
    for f in range(1, FONT_COUNT + 1):
        for g in range(GLYPHS_PER_FONT):
            s = shapes[f][g]
            (ay, ax), (by, bx) = table[(f, g)]
            if s is None:
                lines.append("glyph %d %d none 0 0 0 0 0 0 %d %d %d %d" % (f, g, ay, ax, by, bx))
                continue
            xmin, xmax, height, depth = s.metrics()
            lines.append("glyph %d %d %s %d %d %d %d %d %d %d %d %d %d" % (
                f, g, s.kind, s.advance, xmin, xmax, height, depth, int(s.has_curves()), ay, ax, by, bx))
    for f in range(1, FONT_COUNT + 1):
        for g in range(FIRST_DRAWN, GLYPHS_PER_FONT):
            s = shapes[f][g]
            if s.has_curves():
                for i, c in enumerate(s.contours):
                    lines.append("outline %d %d %d %s" % (
                        f, g, i, " ".join("%d,%d,%d" % (x, y, int(on)) for x, y, on in c)))
    write_if_changed(os.path.join(share, "artwork-manifest.txt"), ("\n".join(lines) + "\n").encode())


if __name__ == "__main__":
    main()
