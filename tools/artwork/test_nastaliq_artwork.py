#!/usr/bin/python3
"""Checks the derived Nastaliq artwork that the build made: the five fonts
are ours by name and licence, the anchor table has its layout, the join
report holds its figures (printed, so that the build log keeps them), and,
given the shaping tool, words typed through it read right.

usage: test_nastaliq_artwork.py ARTWORK_DIR [SHAPE_TOOL]"""

import json
import math
import os
import re
import struct
import subprocess
import sys
import unittest

from fontTools.ttLib import TTFont

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_nastaliq_artwork as artwork  # noqa: E402

FOLDER = sys.argv.pop(1) if len(sys.argv) > 1 else "share/kavitro-nastaliq"
SHAPE_TOOL = sys.argv.pop(1) if len(sys.argv) > 1 else None


class Outputs(unittest.TestCase):
    def test_fonts_are_ours_and_carry_the_licence(self):
        for n in range(1, 6):
            font = TTFont(os.path.join(FOLDER, "fonts", "Vorl2%d.ttf" % n))
            names = {r.nameID: r.toUnicode() for r in font["name"].names}
            with self.subTest(font=n):
                self.assertEqual(font["head"].unitsPerEm, 2880)
                self.assertEqual(names[1], "Vorl2%d" % n)
                self.assertTrue(names[0].startswith("Copyright 2017 Google Inc."), names[0])
                self.assertIn("SIL Open Font License", names[13])
                self.assertNotIn("noto", " ".join(v for k, v in names.items() if k != 0).lower())
                cmap = font.getBestCmap()
                self.assertEqual(sorted(c for c in cmap if 0xF000 <= c <= 0xF0FF), list(range(0xF020, 0xF100)))
        with open(os.path.join(FOLDER, "OFL.txt"), encoding="utf-8") as f:
            text = f.read()
        self.assertIn("SIL OPEN FONT LICENSE", text.upper())
        self.assertIn("PERMISSION & CONDITIONS", text)

    def test_other_programs_find_the_glyphs_and_a_space(self):
        # Readers of our metafiles look glyph i up as U+0000 + i as well as
        # U+F000 + i, and load no font without a space (Inkscape crashed);
        # the fonts say they are a regular style of the symbol character set.
        for n in range(1, 6):
            font = TTFont(os.path.join(FOLDER, "fonts", "Vorl2%d.ttf" % n))
            cmap, os2 = font.getBestCmap(), font["OS/2"]
            with self.subTest(font=n):
                self.assertEqual({c: cmap.get(c) for c in range(0x20, 0x100)},
                                 {c: cmap[0xF000 + c] for c in range(0x20, 0x100)})
                self.assertTrue(os2.fsSelection & (1 << 6))
                self.assertTrue(os2.ulCodePageRange1 & (1 << 31))

    def test_declared_extents_hold_every_glyph(self):
        # The engine sizes lines and text frames by 70 % of the ascent and
        # 80 % of the descent.
        for n in range(1, 6):
            font = TTFont(os.path.join(FOLDER, "fonts", "Vorl2%d.ttf" % n))
            glyf, os2 = font["glyf"], font["OS/2"]
            inked = [glyf[name] for name in font.getGlyphOrder() if glyf[name].numberOfContours]
            with self.subTest(font=n):
                self.assertLessEqual(max(g.yMax for g in inked), 0.7 * os2.usWinAscent)
                self.assertLessEqual(-min(g.yMin for g in inked), 0.8 * os2.usWinDescent)

    def test_every_glyph_the_placeholder_draws_is_drawn(self):
        # A glyph left without ink vanishes from the page, the galleries and
        # the exports (the vowel signs once did). Kept empty on purpose:
        empty_by_design = {
            (4, 41): "heh's own mark, which every heh carries: the source's heh draws all of the letter",
        }
        for f in range(1, 6):
            glyf = TTFont(os.path.join(FOLDER, "fonts", "Vorl2%d.ttf" % f))["glyf"]
            for g in range(artwork.placeholder.FIRST_DRAWN, artwork.GLYPHS):
                shape = artwork.placeholder.glyph_shape(f, g)
                if shape is None or not artwork.draw_placeholder(shape).numberOfContours:
                    continue
                with self.subTest(glyph="%d/%d" % (f, g)):
                    inked = glyf[artwork.placeholder.glyph_name(g)].numberOfContours != 0
                    self.assertNotEqual(inked, (f, g) in empty_by_design)

    def test_vowel_signs_sit_where_they_are_placed(self):
        # A sign is drawn with its origin where the user clicked: its ink
        # centred in its box there, above the baseline or, for the signs
        # written under the letters, below it, so that twins (fatha and
        # kasra) differ. The hamza sits on a letter's dot anchor, centred.
        font = TTFont(os.path.join(FOLDER, "fonts", "Vorl24.ttf"))
        glyf, hmtx = font["glyf"], font["hmtx"]
        below = {71, 62, 44, 66}  # kasra, kasratan, hamza below, alef below
        for g in artwork.VOWEL_SIGNS:
            sign, box = glyf["g%03d" % g], hmtx["g%03d" % g][0]
            with self.subTest(sign=g):
                self.assertTrue(sign.numberOfContours)
                self.assertLessEqual(abs(sign.xMin + sign.xMax - box), 2)
                self.assertLess(sign.xMax - sign.xMin, 1200)
                if g == artwork.HAMZA_MARK:
                    self.assertLessEqual(abs(sign.yMin + sign.yMax), 2)
                elif g in below:
                    self.assertEqual(sign.yMax, -artwork.SIGN_GAP)
                else:
                    self.assertEqual(sign.yMin, artwork.SIGN_GAP)

    def test_anchor_table_layout(self):
        with open(os.path.join(FOLDER, "MarkAnchors.bin"), "rb") as f:
            data = f.read()
        self.assertEqual(len(data), 20480)
        ys = struct.unpack("<2560i", data[:10240])
        # Glyphs 0 to 31 of every font have no anchor in either half.
        for half in (0, 1):
            for font in range(5):
                start = (half * 5 + font) * 256
                self.assertEqual(set(ys[start:start + 32]), {-1})
        self.assertGreater(sum(1 for y in ys if y != -1), 200)

    def test_join_point_table_round_trips_and_marks_only_letters(self):
        # The engine reads KVJN as outside bytes: a whole table or nothing.
        import io
        for n in range(1, 6):
            font = TTFont(os.path.join(FOLDER, "fonts", "Vorl2%d.ttf" % n))
            data = font["KVJN"].data
            saved = io.BytesIO()
            font.save(saved)
            saved.seek(0)
            with self.subTest(font=n):
                self.assertEqual(TTFont(saved)["KVJN"].data, data)
                self.assertEqual(struct.unpack(">HH", data[:4]), (1, 256))
                self.assertEqual(len(data), 4 + 256 * 10)
                records = [struct.unpack(">Hhhhh", data[4 + 10 * g:14 + 10 * g]) for g in range(256)]
                self.assertTrue(all(r[0] in (0, 1, 2, 3) for r in records))
                joined = {g for g, r in enumerate(records) if r[0]}
                shapes = {g: artwork.placeholder.glyph_shape(n, g) for g in joined}
                self.assertEqual({g for g, shape in shapes.items() if shape is None or shape.kind != "letter"}, set())
                self.assertGreater(len(joined), 100)
                # A join point lies on the glyph's ink box, the entry on the
                # right of the exit (a point moved onto the ink must stay on
                # its side, or the correction slides the letter into its
                # neighbour).
                glyf = font["glyf"]
                reach = artwork.JOIN_REACH
                for g in joined:
                    glyph, (flags, ex, ey, xx, xy) = glyf["g%03d" % g], records[g]
                    for on, (x, y) in ((flags & 1, (ex, ey)), (flags & 2, (xx, xy))):
                        if on:
                            self.assertTrue(glyph.xMin - reach <= x <= glyph.xMax + reach and
                                            glyph.yMin - reach <= y <= glyph.yMax + reach, (n, g, x, y))
                    if flags == 3:
                        self.assertGreaterEqual(ex, xx, (n, g))

    def test_dot_marks_share_one_box_that_centres_their_ink(self):
        # The program draws a mark right-aligned at the anchor table's x plus
        # the mark's advance, so the mark's box starts at the table's x. One
        # anchor per glyph centres every dot mark only if all dot marks have
        # one advance and their ink is centred in it.
        font = TTFont(os.path.join(FOLDER, "fonts", "Vorl24.ttf"))
        glyf, hmtx = font["glyf"], font["hmtx"]
        # The hamza sits on its seat's dot anchor (a tooth's), so it shares their box.
        marks = artwork.DOT_MARKS + (artwork.HAMZA_MARK,)
        dots = [glyf["g%03d" % g] for g in marks]
        advances = {hmtx["g%03d" % g][0] for g in marks}
        self.assertEqual(len(advances), 1)
        box = advances.pop()
        for g, dot in zip(marks, dots):
            with self.subTest(mark=g):
                self.assertTrue(dot.numberOfContours)
                self.assertGreaterEqual(dot.xMin, -1)
                self.assertLessEqual(dot.xMax, box + 1)
                self.assertLessEqual(abs(dot.xMin + dot.xMax - box), 2)
                self.assertLessEqual(abs(dot.yMin + dot.yMax), 2)

    def test_symbols_take_the_persian_source_glyphs(self):
        with open(os.path.join(FOLDER, "artwork-report.txt"), encoding="utf-8") as f:
            shapes = dict(re.findall(r"^slot (\d/\d+) (\S+) raise", f.read(), re.M))
        cases = {
            "4/48": "ZeroFarsi", "4/52": "FourFarsi", "4/53": "FiveFarsi", "4/54": "SixFarsi",
            "4/55": "SevenFarsi", "4/74": "quotedblright", "4/78": "AsteriskArabic", "4/82": "AsteriskArabic",
            "4/84": "CommaArabic", "5/39": "QuestionmarkArabic",
        }
        for slot, name in cases.items():
            with self.subTest(slot=slot):
                self.assertEqual(shapes.get(slot), name)
        self.assertEqual([s for s, n in shapes.items() if ".notdef" in n], [])

    def test_join_report(self):
        with open(os.path.join(FOLDER, "artwork-report.txt"), encoding="utf-8") as f:
            report = f.read()
        print("".join(report.splitlines(True)[:7]))
        closed = float(re.search(r"joins within 25 units: ([\d.]+)%", report).group(1))
        reached = int(re.search(r"reached: (\d+)", report).group(1))
        placeholders = int(re.search(r"left as placeholders: (\d+)", report).group(1))
        far = int(re.search(r"joins beyond 60 units: (\d+)", report).group(1))
        # The figures this artwork reached; raise them as it improves. The
        # joins are measured at the stored lifts alone: the drawing closes
        # the rest with the join correction (the ink-piece test measures
        # what users see), so these only guard against the lifts regressing.
        self.assertGreaterEqual(closed, 98.3)
        self.assertLessEqual(far, 4350)
        self.assertGreaterEqual(reached, 770)
        self.assertLessEqual(placeholders, 55)
        # The alternatives menu's shapings are traced, so few slots are left
        # to borrow a sibling's shape.
        self.assertLessEqual(int(re.search(r"from a sibling: (\d+)", report).group(1)), 40)


class Layout:
    """Lines typed through the shaping tool and placed as the program draws
    them: each drawn letter's ink box and its dot mark's ink box, in glyph
    units, x from the start of the line (negative leftward), y upward."""

    def __init__(self):
        self.fonts = [TTFont(os.path.join(FOLDER, "fonts", "Vorl2%d.ttf" % n)) for n in range(1, 6)]
        with open(os.path.join(FOLDER, "MarkAnchors.bin"), "rb") as f:
            values = struct.unpack("<5120i", f.read())
        self.anchor_y, self.anchor_x = values[:2560], values[2560:]

    def advance(self, f, g):
        return self.fonts[f - 1]["hmtx"]["g%03d" % g][0] if g >= 32 else 0

    def ink(self, f, g):
        glyph = self.fonts[f - 1]["glyf"]["g%03d" % g] if g >= 32 else None
        return (glyph.xMin, glyph.yMin, glyph.xMax, glyph.yMax) if glyph and glyph.numberOfContours else None

    def words(self, *lines):
        """Per line, the words; per word, its letters as dicts with code, ink
        (box or None), how far the ink runs right of the letter's box, and
        dots (box or None)."""
        out = subprocess.run([SHAPE_TOOL, "--data-dir", FOLDER, "-"], input="\n".join(lines).encode("utf-8"),
                             capture_output=True, check=True)
        result = []
        for record in map(json.loads, out.stdout.decode("utf-8").splitlines()):
            words = []
            for word in record["words"]:
                pen, letters = -word["x"], []
                for c in word["chars"]:
                    f, g = (int(v) for v in c["glyph"].split("/"))
                    # The join correction moves the glyph with its marks
                    # (dx leftward, dy downward); the pen goes on unmoved.
                    right = pen - c["dx"]
                    lift = -(c["y"] + word["y"] + c["dy"]) * 2.88
                    advance, ink = self.advance(f, g), self.ink(f, g)
                    letter = {"code": int(c["code"], 16), "ink": None, "dots": None, "glyph": (f, g),
                              "at": (right - advance, lift), "inked_past_box": ink[2] - advance if ink else None}
                    if ink:
                        letter["ink"] = (right - advance + ink[0], lift + ink[1], right - advance + ink[2],
                                         lift + ink[3])
                    below = letter["code"] in artwork.BELOW_LETTERS
                    i = ((5 if below else 0) + f - 1) * 256 + g
                    dot = self.ink(artwork.MARK_FONT, c["mark"]) if c["mark"] in DOTS_AND_HAMZA else None
                    if dot and self.anchor_y[i] != -1:
                        x, y = right + self.anchor_x[i], lift + self.anchor_y[i]
                        letter["dots"] = (x + dot[0], y + dot[1], x + dot[2], y + dot[3])
                    letters.append(letter)
                    pen -= advance
                words.append(letters)
            result.append(words)
        return result

    def tall_strokes(self, letters, height):
        """How many strokes of the letters' outlines rise above height: their
        outline points there, grouped where they lie closer than a slanted
        stem is wide."""
        xs = []
        for l in letters:
            f, g = l["glyph"]
            if g < 32:
                continue
            font = self.fonts[f - 1]
            glyph = font["glyf"]["g%03d" % g]
            if glyph.numberOfContours:
                coordinates = glyph.getCoordinates(font["glyf"])[0]
                xs += [l["at"][0] + x for x, y in coordinates if l["at"][1] + y > height]
        xs.sort()
        return sum(1 for a, b in zip([None] + xs, xs) if a is None or b - a > 350)


DOTS_AND_HAMZA = artwork.DOT_MARKS + (artwork.HAMZA_MARK,)
SOURCE_FONT = "/usr/share/fonts/truetype/noto/NotoNastaliqUrdu-Regular.ttf"


def winding(contours, point):
    """The winding number of closed polygons round a point."""
    x, y = point
    total = 0
    for contour in contours:
        for (x1, y1), (x2, y2) in zip(contour[-1:] + contour[:-1], contour):
            if (y1 <= y < y2 or y2 <= y < y1) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                total += 1 if y2 > y1 else -1
    return total


def overlap(a, b):
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


@unittest.skipUnless(SHAPE_TOOL, "needs the shaping tool")
class TypedWords(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.layout = Layout()

    def test_dots_of_neighbouring_letters_keep_apart_and_on_their_letters(self):
        # The peh's three dots and the yeh's two beside them; the beh's one.
        # Moving dots apart must not carry them off their letter (the yeh of
        # hekayat, whose dots sit under it, not under the alef before it).
        crowded = ["\u067e\u06cc\u0634", "\u0628\u06cc\u0633\u062a"]
        plain = ["\u062d\u06a9\u0627\u06cc\u062a", "\u0634\u06a9\u0627\u06cc\u062a"]
        box = self.layout.advance(artwork.MARK_FONT, artwork.DOT_MARKS[0])
        for text, words in zip(crowded + plain, self.layout.words(*crowded, *plain)):
            letters = [l for word in words for l in word if l["dots"]]
            with self.subTest(word=text):
                for a, b in zip(letters, letters[1:]):
                    self.assertFalse(overlap(a["dots"], b["dots"]), (a["dots"], b["dots"]))
                for l in letters:
                    centre = (l["dots"][0] + l["dots"][2]) / 2
                    self.assertTrue(l["ink"][0] - box / 4 <= centre <= l["ink"][2] + box / 4, (l["ink"], centre))

    def test_a_bowl_that_begins_a_word_stays_off_what_comes_before(self):
        # Sad and tah after a letter that does not join them, or after a
        # space: their bowl must not reach over the alef, waw or qaf there.
        khalq_zolm = "\u062e\u0644\u0642 \u0638\u0644\u0645"
        lines = [khalq_zolm, "\u0627\u0635\u0644 \u0648\u0637\u0646 \u0627\u0637\u0644\u0627\u0639",
                 "\u0627\u062e\u0644\u0627\u0635\u06cc"]
        bowls = {0x0635, 0x0636, 0x0637, 0x0638}
        typed = self.layout.words(*lines)
        for text, words in zip(lines, typed):
            letters = [l for word in words for l in word if l["code"] != 0x20]
            for before, l in zip([None] + letters, letters):
                if l["code"] in bowls and (before is None or before["code"] not in artwork.JOINS_NEXT):
                    with self.subTest(line=text, after=before and hex(before["code"])):
                        self.assertLessEqual(l["inked_past_box"], 400)
                        if before and before["ink"]:
                            self.assertFalse(overlap(before["ink"], l["ink"]), (before["ink"], l["ink"]))
        # As typed, the zah keeps the spacing's own distance from the qaf's tail.
        (khalq, zolm) = typed[0]
        self.assertGreater(khalq[2]["ink"][0] - zolm[0]["ink"][2], 250)

    def test_allah_has_both_lams(self):
        # The engine writes lam, lam, heh as one slot after a blank first
        # lam: that slot draws all three, so alef, lam and lam stand tall.
        alef_lam_heh, allah, alef = self.layout.words("\u0627\u0644\u0647", "\u0627\u0644\u0644\u0647", "\u0627")
        height = 0.6 * alef[0][0]["ink"][3]
        letters = [l for word in allah for l in word]
        self.assertEqual(self.layout.tall_strokes(letters, height), 3)
        self.assertEqual(self.layout.tall_strokes([l for word in alef_lam_heh for l in word], height), 2)

    def test_hamza_sits_on_a_seat(self):
        # Our hamza is a yeh seat (alone a yeh, joined a tooth, after a
        # joining letter that letter's end) with the hamza above it.
        lines = ["\u0621", "\u062c\u0632\u0621", "\u0645\u0633\u0621\u0644\u0647",
                 "\u0634\u06cc\u0621", "\u0628\u0621\u0633"]
        for text, words in zip(lines, self.layout.words(*lines)):
            letters = [l for word in words for l in word if l["code"] != 0x20]
            with self.subTest(line=text):
                hamza = next(l for l in letters if l["code"] == 0x0621)
                self.assertIsNotNone(hamza["dots"])
                seat = hamza if hamza["ink"] else letters[letters.index(hamza) - 1]
                self.assertGreater(hamza["dots"][1], seat["ink"][1])
                centre = (hamza["dots"][0] + hamza["dots"][2]) / 2
                self.assertTrue(seat["ink"][0] - 200 <= centre <= seat["ink"][2] + 200, (seat["ink"], centre))

    def test_joined_final_heh_is_the_looped_one(self):
        # Persian writes a joined final heh as one loop with its tail; the
        # two-eyed heh there reads as a medial heh.
        with open(os.path.join(FOLDER, "artwork-report.txt"), encoding="utf-8") as f:
            shapes = dict(re.findall(r"^slot (\d/\d+) (\S+) raise", f.read(), re.M))
        lines = ["\u06a9\u0647", "\u0628\u0647", "\u0633\u06cc\u0646\u0647", "\u0634\u0631\u062d\u0647",
                 "\u06af\u0630\u0627\u0634\u062a\u0647"]
        for text, words in zip(lines, self.layout.words(*lines)):
            letters = [l for word in words for l in word if l["code"] != 0x20]
            with self.subTest(word=text):
                # A heh the engine gives a blank slot is drawn by the slot before it.
                drawer = letters[-1] if letters[-1]["ink"] else letters[-2]
                names = shapes["%d/%d" % drawer["glyph"]].split("+")
                self.assertIn(names[-1], artwork.LOOPED_FINAL_HEH)

    def test_initial_beh_is_a_tooth_not_a_stem(self):
        # A beh raised to a stem before seen reads as lam (lest for bast).
        lines = ["\u0628\u0633\u062a", "\u067e\u0633", "\u0627"]
        (bast,), (pas,), (alef,) = self.layout.words(*lines)

        def height(letter):
            return letter["ink"][3] - letter["ink"][1]
        for word in (bast, pas):
            self.assertLess(height(word[0]), 0.4 * height(alef[0]))


class Pieces(unittest.TestCase):
    def test_settled_value_closes_the_most_weight(self):
        closed = artwork.CLOSED_UNITS
        cases = [
            # wanted (value, weight), current, low, high -> chosen
            ([(0, 1.0), (100, 2.0)], 0, -500, 500, 100 - closed),
            ([(0, 1.0), (2 * closed, 1.0)], 50, -500, 500, closed),
            ([(0, 3.0), (100, 2.0)], 0, 50, 500, 100 - closed),
            ([], 7, -500, 500, 7),
            ([(0, 1.0), (0 + 2 * closed + 1, 1.0)], 0, -500, 500, 0),
        ]
        for wanted, current, low, high, chosen in cases:
            with self.subTest(wanted=wanted, low=low):
                self.assertEqual(artwork.best_value(wanted, current, low, high), chosen)

    def test_bend_keeps_the_exit_and_moves_the_entry(self):
        entry = 1000
        for both_ends in (False, True):
            with self.subTest(both_ends=both_ends):
                self.assertEqual(artwork.bend(0, entry, 300, both_ends), 0)
                self.assertEqual(artwork.bend(-50, entry, 300, both_ends), 0)
                self.assertAlmostEqual(artwork.bend(entry, entry, 300, both_ends), 300)
                self.assertEqual(artwork.bend(entry / 2, entry, 0, both_ends), 0)
        # Bent at both ends, the body between the two steps rises by half.
        self.assertAlmostEqual(artwork.bend(entry / 2, entry, 300, True), 150)
        self.assertEqual(artwork.bend(entry / 2, entry, 300, False), 0)

    def test_source_is_given_looped_heh_and_seated_hamza(self):
        heh, looped, seated = "\u0647", "\u06be", "\u0626"
        cases = [
            # Joined and ending the word: the hooked final heh, which is
            # drawn with an eye; the two-eyed one reads as a medial heh.
            ("\u0628\u0647", "\u0628\u0647"),
            ("\u0628\u0647 \u0645", "\u0628\u0647 \u0645"),
            ("\u0628\u0647\u060c", "\u0628\u0647\u060c"),
            ("\u0628\u0647\u0645", "\u0628" + looped + "\u0645"),  # medial: the knotted heh
            ("\u0647\u0647\u0647", heh + looped + heh),
            ("\u062f\u0647", "\u062f\u0647"),              # after dal, which does not join
            ("\u0647", heh),                                # alone
            ("\u0647\u0628", "\u0647\u0628"),              # initial
            ("\u0621", seated),                            # hamza alone: its seat
            ("\u062c\u0632\u0621 \u0628", "\u062c\u0632" + seated + " \u0628"),
            ("\u0645\u0633\u0621\u0644\u0647", "\u0645\u0633\u0621\u0644\u0647"),  # joined: kept
            ("\u0621\u0628", "\u0621\u0628"),
        ]
        for line, given in cases:
            with self.subTest(line=line):
                self.assertEqual(artwork.for_source(line), given)

    def test_hooked_final_heh_is_drawn_with_one_open_eye(self):
        # Alone, and after letters whose stroke runs into its head, the
        # source's hooked final heh is drawn as a loop: the eye's middle is
        # left open under the nonzero fill, and ink closes round it.
        source = artwork.SourceFont(SOURCE_FONT)
        for before in (None, "BehxIni.outS1", "HahIni.outS1", "KafIni.outS1", "SeenIni.outS1"):
            with self.subTest(before=before):
                names, offsets, others = ("HehFin",), ((0, 0),), ()
                if before:
                    # The source joins the heh's entry to the letter's exit.
                    (ex, ey), (nx, ny) = source.exit[before], source.entry["HehFin"]
                    names, offsets = (before, "HehFin"), ((0, 0), (ex - nx, ey - ny))
                    others = ((before, nx - ex, ny - ey),)
                contours, _ = artwork.looped_final_eye(source, "HehFin", others)
                eye = contours[0]
                cx, cy = (sum(x for x, _ in eye) / len(eye), sum(y for _, y in eye) / len(eye))
                heh_x, heh_y = offsets[-1]
                pen = artwork.FlattenPen(None)
                artwork.draw_source(source, names, offsets, 0, 0).draw(pen, None)
                scale = artwork.SCALE

                def ink(x, y):
                    return winding(pen.contours, ((x + heh_x) * scale, (y + heh_y) * scale)) != 0
                self.assertFalse(ink(cx, cy))
                ring = [(cx + 1.3 * (x - cx) + 25 * (x - cx) / math.hypot(x - cx, y - cy),
                         cy + 1.3 * (y - cy) + 25 * (y - cy) / math.hypot(x - cx, y - cy)) for x, y in eye]
                self.assertEqual([p for p in ring if not ink(*p)], [])

    @staticmethod
    def typed(*words):
        """A kavitro-shape record of words given as (letter, glyph) pairs."""
        return {"refused": [], "words": [{"chars": [{"code": "%04X" % ord(ch), "glyph": glyph, "y": 0, "mark": 0}
                                                    for ch, glyph in word]} for word in words]}

    # Alef, then lam, lam and heh as the ligature of "allah" (blank, drawn,
    # blank) and a yeh on the isolated slot that begins chains.
    ALEF = [("\u0627", "1/65")]
    ALLAH_YEH = [("\u0644", "4/34"), ("\u0644", "2/210"), ("\u0647", "4/34"), ("\u06cc", "1/86")]

    def test_slots_that_begin_chains_break_the_source_line(self):
        kinds = {(1, 65): "letter", (4, 34): "blank", (2, 210): "letter", (1, 86): "letter",
                 (2, 232): "letter", (1, 99): "letter"}
        beh_yeh = [("\u0628", "2/232"), ("\u06cc", "1/99")]
        records = ([self.typed([("\u06cc", "1/86")])] * 200 + [self.typed(self.ALEF, self.ALLAH_YEH)]
                   + [self.typed(beh_yeh)] * 50)
        starts = artwork.chain_start_slots(records, kinds)
        self.assertEqual(starts & {(1, 86), (1, 99), (2, 210)}, {(1, 86)})
        allah_yeh = "\u0627\u0644\u0644\u0647\u06cc"
        cases = [
            (allah_yeh, self.typed(self.ALEF, self.ALLAH_YEH), allah_yeh[:4] + artwork.ZWNJ + allah_yeh[4]),
            (allah_yeh, self.typed(self.ALEF, self.ALLAH_YEH[:3] + [("\u06cc", "1/99")]), allah_yeh),
            ("\u0627\u06cc", self.typed(self.ALEF, [("\u06cc", "1/86")]), "\u0627\u06cc"),  # alef joins nothing
            (allah_yeh[:4] + " \u06cc", self.typed(self.ALEF, self.ALLAH_YEH[:3], [("\u06cc", "1/86")]),
             allah_yeh[:4] + " \u06cc"),                                                # another group
            (allah_yeh, self.typed(self.ALEF, self.ALLAH_YEH[:3]), allah_yeh),         # the yeh refused
        ]
        for text, record, given in cases:
            with self.subTest(text=text, record=record):
                self.assertEqual(artwork.with_chain_breaks(text, record, starts), given)

    def test_a_broken_chain_aligns_with_the_source_forms_around_it(self):
        # Given a non-joiner, HarfBuzz ends the heh and begins the yeh, as
        # the engine does; the letters still match the glyphs code by code.
        source = artwork.SourceFont(SOURCE_FONT)
        record = self.typed(self.ALEF, self.ALLAH_YEH)
        text = artwork.with_chain_breaks("\u0627\u0644\u0644\u0647\u06cc", record, {(1, 86)})
        letters = artwork.align(text, record, artwork.run_harfbuzz_on(SOURCE_FONT, [text])[0], source)
        self.assertEqual([l.base.split(".")[0] for l in letters], ["AlefSep", "LamIni", "LamMed", "HehFin", "YehxSep"])
        self.assertEqual([l.new_chain for l in letters], [False] * 4 + [True])

    def test_a_join_the_next_slot_leaves_open_is_led_out(self):
        # The waw after qaf or feh takes the slot every letter before waw
        # shares, drawn without the swash the qaf's neck joins in the source:
        # the qaf's slot draws it, on the waw's body.
        source = artwork.SourceFont(SOURCE_FONT)
        qaf, waw = (2, 47), (2, 178)
        cases = [
            # the slot's shape, the next slot's, the next glyph the source used -> lead-out
            ("FehxIni.outD2WQ", "WawFin.cut", "WawFin.inD2alt",
             ("WawFin.inD2alt", (-273, -205), source.font["glyf"]["WawFin.cut"].xMax - artwork.LEAD_OUT_OVERLAP)),
            ("FehxIni.outD2WQ", "WawFin.inD2alt", "WawFin.inD2alt", None),  # drawn whole by the next slot
            ("FehxIni.outD2WQ", "AlefFin", "WawFin.inD2alt", None),         # another body
            ("BehxIni.outS1", "WawFin.cut", "WawFin.inD2alt", None),        # its exit is on its ink
        ]
        for shape, drawn, used, lead_out in cases:
            with self.subTest(shape=shape, drawn=drawn):
                art = artwork.Artwork(source, {})
                art.shape = {qaf: ((shape,), ((0, 0),)), waw: ((drawn,), ((0, 0),))}
                art.lead_in = {}
                art.next_glyphs[qaf][(waw, used)] = 3
                self.assertEqual(art.lead_out(qaf), lead_out)

    def test_license_text_from_a_package_copyright_file(self):
        import tempfile
        with tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False) as f:
            f.write("Files: *\nLicense-Grant:\n OFL\nLicense: OFL-1.1\n\nLicense: OFL-1.1\n PREAMBLE\n .\n The goals\n"
                    "\nLicense: GPL-3+\n other\n")
        try:
            self.assertEqual(artwork.license_text(f.name), "PREAMBLE\n\nThe goals\n")
        finally:
            os.unlink(f.name)


class InkAnchor(unittest.TestCase):
    def test_dots_without_a_source_anchor_sit_clear_of_the_ink(self):
        from types import SimpleNamespace
        from collections import defaultdict
        glyph = SimpleNamespace(numberOfContours=1, xMin=100, xMax=900, yMin=-300, yMax=1200)
        boxes = defaultdict(lambda: 400)
        gap = artwork.INK_ANCHOR_GAP
        # (y, x): x from the right edge (advance 1000) to where the box starts.
        self.assertEqual(artwork.ink_anchor(glyph, 0, 1000, boxes), (1200 + gap, 500 - 1000 - 200))
        self.assertEqual(artwork.ink_anchor(glyph, 1, 1000, boxes), (-300 - gap, 500 - 1000 - 200))
        self.assertEqual(artwork.ink_anchor(SimpleNamespace(numberOfContours=0), 1, 1000, boxes), (-1, -1))


if __name__ == "__main__":
    unittest.main()
