#!/usr/bin/python3
"""Makes Kavitro's Nastaliq glyph artwork from an open Nastaliq font.

The source font's letters reduce to our model of a letter (glyph + lift +
advance): it joins letters with one cursive attachment, and its advance is
its entry x. So for every glyph slot our rules write we take the shape the
source font uses in the same contexts:

  traces  every one-, two- and three-letter sequence and a sample of the
          folded word list are typed through the engine (kavitro-shape), which
          says which slot (font, index) and which lift every letter gets; the
          shapings the alternatives menu offers for each connected group of
          those words (kavitro-shape --variants) speak for the slots only
          they reach;
  vote    the same lines are shaped by HarfBuzz (hb-shape, language "ur")
          with the source font (a zero-width non-joiner before a letter
          whose slot the engine writes where a chain begins, though the
          letter before could join it; a medial heh given as its two-eyed heh,
          whose medial form is the knotted heh Persian writes; a joined
          final heh stays its hooked final heh, which is drawn with an eye:
          the looped final heh of Persian);
          each slot takes the glyphs used most often for it: its letter's,
          plus those of the letters after it that the engine gives a blank
          attachable slot, which the slot then draws as a ligature (their
          dots are the engine's marks on the blank slots, which get anchors),
          and of those before it where such blanks begin the word (the
          first lam of "allah");
          each dot mark takes the mark glyph used most often, each kaf or gaf
          stroke the part of the source kaf or gaf above the lam-like body
          our engine draws it on; a slot's dots sit where the source puts
          them, moved apart from a neighbour's where that is common; the
          source's tall initial beh becomes its plain tooth; our hamza is
          a yeh seat with the hamza mark; the vowel signs a user places
          take the source's harakat;
  join    outlines are scaled by 2.88 (1000 to 2880 units per em), the exit
          anchor goes to the origin and the advance to the entry x; each
          slot's raise and the shear of its entry (a smooth bend that leaves
          the exit in place) are solved by least squares over all traced
          joins, pulled weakly toward the source font's own lifts; then each
          slot's exit and entry heights are settled, one slot at a time, on
          the value that closes the most joins of the dictionary words. A
          medial sad or tah that also begins words has its entry moved to its
          bowl's end, so that the bowl stays off what comes before. A slot
          whose exit the source joins through an entry stroke of the next
          letter that the next slot lacks (the waw's swash under a qaf or
          feh; that slot serves every letter before waw) draws the stroke.

Writes into OUT_DIR: fonts/Vorl21.ttf .. Vorl25.ttf (2880 upem, glyph i at
U+F000 + i), MarkAnchors.bin (20480 bytes), OFL.txt, VPFinfo.bin (made by
the --vector-path-tool from these fonts), and artwork-report.txt
with the vote coverage and the gap of every join of the traced dictionary
words. Each font carries a KVJN table with every letter slot's entry and
exit as drawn (see join_point_record), from which the engine closes at
drawing time the joins that one height per slot leaves open; given the
ink-piece tool, the report also says how many joined groups of the
dictionary words the program then writes in one piece of ink, and in how
many of those words the dots of neighbouring letters touch. The traces also type the text-modification keys (alternate form,
glyph variant, glyph swap), which reach the forms plain typing does not.
Slots that no traced context reaches take the letter shape of their
nearest sibling in the rule tables (the same letter before and after a
re-shape, or a glyph and its variant); the few left keep the placeholder
shape, as do the engine's blank and attachable slots.

usage: make_nastaliq_artwork.py --shape-tool EXE --trace-data DIR
           --source FONT --license DEBIAN_COPYRIGHT --word-list DIC
           --rules-dir DIR [--vector-path-tool EXE] [--ink-tool EXE] OUT_DIR
"""

import argparse
import bisect
import functools
import json
import math
import os
import re
import struct
import subprocess
import sys
import tempfile
from collections import Counter, defaultdict

from fontTools.pens.basePen import BasePen
from fontTools.pens.recordingPen import DecomposingRecordingPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_artwork as placeholder  # noqa: E402

SCALE = 2.88
FONT_COUNT = placeholder.FONT_COUNT
GLYPHS = placeholder.GLYPHS_PER_FONT
MARK_FONT = 4
# The engine's dot marks in font 4: one, two, three dots up and down.
DOT_MARKS = (35, 36, 37, 38)
HAMZA_MARK = 67
# The vowel and diacritic signs of font 4 that a user places by hand (the
# vowel-sign tool), with the source's mark for each: the short vowels and
# sukun, the tanwins and shadda, the hamza (also our hamza letter's mark,
# where the source votes for it), and the rarer signs. No traced letter
# carries them (but the hamza), so nothing votes for them.
VOWEL_SIGNS = {
    70: "FathaNS", 71: "KasraNS", 69: "DammaNS", 68: "SukunNS",
    61: "FathatanNS", 62: "KasratanNS", 63: "DammatanNS", 64: "ShaddaNS",
    67: "HamzaAboveNS", 46: "AlefSuperiorNS", 44: "HamzaBelowNS", 66: "AlefInferiorNS",
    65: "WaslaNS", 43: "SukunHahNS",
}
# Letters whose dots hang below: the engine reads the lower anchor for them.
BELOW_LETTERS = {0x0628, 0x062C, 0x067E, 0x0686, 0x06CC}
# Arabic forms folded to Persian ones the way the keyboard folds them.
FOLDING = str.maketrans({
    "\u0623": "\u0627", "\u0625": "\u0627", "\u0624": "\u0648", "\u0626": "\u0621",
    "\u0643": "\u06a9", "\u064a": "\u06cc", "\u200c": " ",
})
# The letters of the folded word list: hamza, alef with madda, alef to yeh,
# and the Persian peh, tcheh, jeh, keheh, gaf and farsi yeh.
PERSIAN_LETTERS = ([0x0621, 0x0622, 0x0627, 0x0628] + list(range(0x062A, 0x063B)) + [0x0641, 0x0642]
                   + list(range(0x0644, 0x0649)) + [0x067E, 0x0686, 0x0698, 0x06A9, 0x06AF, 0x06CC])
# Letters that join the letter after them (the dual-joining ones).
JOINS_NEXT = set(PERSIAN_LETTERS) - {0x0621, 0x0622, 0x0627, 0x062F, 0x0630, 0x0631, 0x0632, 0x0648, 0x0698}
PERSIAN_CODES = set(PERSIAN_LETTERS)
HEH, HEH_DOACHASHMEE = "\u0647", "\u06be"
HAMZA, YEH_WITH_HAMZA = "\u0621", "\u0626"
ZWNJ = "\u200c"
SOURCE_HAMZA = "Hamza"   # the source's hamza letter, which has no seat
# Digits and punctuation our engine writes with one glyph each.
SYMBOLS = [0x0021, 0x0022, 0x0028, 0x0029, 0x002A, 0x002B, 0x002D, 0x002E, 0x002F, 0x003A, 0x003D,
           0x005B, 0x005C, 0x005D, 0x007B, 0x007D, 0x060C, 0x061B, 0x061F, 0x066A] + list(range(0x06F0, 0x06FA))
# The engine's private-use symbol (U+F02A, the asterisk's place in a symbol
# font's code page).
PRIVATE_SYMBOL = 0xF02A
# Symbols whose source glyph is not the one the source font gives them in an
# Urdu line: its Persian digits four to seven may take Urdu forms there;
# it has no plain asterisk or straight quotation mark, and nothing for our
# private-use symbol, so these take its Arabic star and closing quotes.
SYMBOL_GLYPHS = {0x06F4: "FourFarsi", 0x06F5: "FiveFarsi", 0x06F6: "SixFarsi", 0x06F7: "SevenFarsi",
                 0x0022: "quotedblright", 0x002A: "AsteriskArabic", PRIVATE_SYMBOL: "AsteriskArabic"}
DRAWN_KINDS = {"letter", "digit", "punctuation"}
# The text-modification keys: alternate form, glyph variant, glyph swap.
ALTERNATE, VARIANT, SWAP = "\uff96", "\uff97", "\uff98"
KAF_GAF = {0x06A9, 0x06AF}
STROKE_CUT = 780        # source units: about the top of the lam-like body
FIT_ROUNDS = 40
FIT_REWEIGHTS = 6
FIT_SCALE = 6.0         # source units: a join this far open weighs half
CLOSED_UNITS = 8        # source units: the widest gap that is still within GAP_CLOSED
FAR_UNITS = 20          # source units: the widest gap within GAP_WORST
SETTLE_SWEEPS = 6
CHAIN_START_SHARE = 0.01  # share of a slot's contexts after a joining letter below which it begins chains
SEQUENCE_WEIGHT = 0.05  # weight of a join in a traced letter sequence against one in a dictionary word
RAISE_PRIOR = 5.0       # joins' worth of pull toward the source font's lift
SHEAR_PRIOR = 1.0       # joins' worth of pull toward an unbent entry: enough to steady slots seen in few joins
MAX_SHEAR = 200         # source units: the most one end of a glyph is bent
SHEAR_WIDTH = 300       # source units left of the entry that the bend spans
WORD_STEP = 4           # every 4th entry of the word list: about 83,000 words
LIGATURE_SHARE = 0.2   # share of a slot's contexts from which its ligature shape wins
ISOLATED_SHARE = 0.2   # share from which a slot used alone and joined takes the isolated shape
MEDIAL_SHARE = 0.2     # share from which a slot used initially and medially takes the medial shape
GAP_CLOSED = 25         # glyph units at 2880 upem
GAP_WORST = 60
CROWDED_SHARE = 0.15   # share of a slot's dotted contexts with a neighbour's dots beside its own from which
                       # its anchor takes the source's moved-apart position
LEAD_IN_OVERHANG = 120  # source units a medial shape may ink past its entry and still begin a word as it is
LEAD_IN_SHARE = 0.1     # share of a slot's contexts at the start of a word from which its bowl's entry moves
LEAD_IN_INSET = 15      # source units the moved entry stays inside the ink's right end
LEAD_IN_THICKNESS = 70  # source units: about the thickness of a joining stroke
VARIANT_GROUP_LIMIT = 7  # the most characters (a trailing space counted) of a group the alternatives menu varies
INK_ANCHOR_GAP = 240   # glyph units between a glyph's ink and the centre of dots it has no anchor for
SIGN_GAP = 40           # glyph units between the baseline of a placed vowel sign and its ink
# The source's hooked final heh, which Persian writes as a loop: drawn with
# an eye whose walls are as thick as those of the source's round heh.
LOOPED_FINAL_HEH = {"HehFin", "HehFin.wide"}
ROUND_HEH = "HehSep"
EYE_GRID = 6            # source units between the points tried for the eye's centre
EYE_RAYS = 72
LEAD_OUT_GAP = 30       # source units an exit may lie off its shape's ink and still join it
LEAD_OUT_OVERLAP = 10   # source units a drawn lead-out stroke reaches into the next letter's ink
EYE_CLEARED_STEPS = 32  # lines per curve of a glyph drawn flattened so that an eye clears its ink


class SourceFont:
    """The source font's glyphs, classes, advances and cursive anchors."""

    def __init__(self, path):
        self.font = TTFont(path)
        self.glyph_set = self.font.getGlyphSet()
        self.classes = self.font["GDEF"].table.GlyphClassDef.classDefs
        self.advance = {name: adv for name, (adv, _) in self.font["hmtx"].metrics.items()}
        glyf = self.font["glyf"]
        self.inked = {name for name in self.font.getGlyphOrder() if glyf[name].numberOfContours != 0}
        self.entry, self.exit = {}, {}
        self.marks = {}    # mark glyph -> list of (lookup, class, (x, y))
        self.bases = {}    # (lookup, class) -> base glyph -> (x, y)
        gpos = self.font["GPOS"].table
        for index, lookup in enumerate(gpos.LookupList.Lookup):
            for sub in lookup.SubTable:
                if lookup.LookupType == 3:
                    for name, rec in zip(sub.Coverage.glyphs, sub.EntryExitRecord):
                        if rec.EntryAnchor:
                            self.entry[name] = (rec.EntryAnchor.XCoordinate, rec.EntryAnchor.YCoordinate)
                        if rec.ExitAnchor:
                            self.exit[name] = (rec.ExitAnchor.XCoordinate, rec.ExitAnchor.YCoordinate)
                elif lookup.LookupType == 4:
                    for name, rec in zip(sub.MarkCoverage.glyphs, sub.MarkArray.MarkRecord):
                        self.marks.setdefault(name, []).append(
                            (index, rec.Class, (rec.MarkAnchor.XCoordinate, rec.MarkAnchor.YCoordinate)))
                    for name, rec in zip(sub.BaseCoverage.glyphs, sub.BaseArray.BaseRecord):
                        for cls, anchor in enumerate(rec.BaseAnchor):
                            if anchor is not None:
                                self.bases.setdefault((index, cls), {})[name] = (anchor.XCoordinate, anchor.YCoordinate)

    def is_mark(self, name):
        return self.classes.get(name) == 3

    def persian_form(self, name):
        """The glyph Persian writes for one the source font gives an Urdu
        line: its tall initial beh (raised before the letters after it)
        becomes the plain one where that joins the same way."""
        plain = name.replace("tall", "")
        if plain != name and plain in self.inked and (self.entry.get(plain), self.exit.get(plain)) == (
                self.entry.get(name), self.exit.get(name)):
            return plain
        return name

    def base_anchor(self, base, mark):
        """The point of base where mark sits, and the mark's own point."""
        for lookup, cls, mark_point in self.marks.get(mark, []):
            point = self.bases.get((lookup, cls), {}).get(base)
            if point is not None:
                return point, mark_point
        return None, None


def trace_lines(word_list):
    """The lines typed, in two lists: all sequences of one to three letters
    (also with the text-modification keys), and a sample of the folded word
    list, over which the joins are measured."""
    words = []
    if os.path.exists(word_list):
        with open(word_list, encoding="utf-8") as f:
            entries = f.read().splitlines()[1:]
        words = [e.split("/", 1)[0].translate(FOLDING) for e in entries[::WORD_STEP] if e]
    letters = [chr(c) for c in PERSIAN_LETTERS]
    lines = list(letters) + [chr(c) for c in SYMBOLS + [PRIVATE_SYMBOL]]
    lines += [a + b for a in letters for b in letters]
    lines += [a + b + c for a in letters for b in letters for c in letters]
    # The forms only the text-modification keys reach: a letter in its
    # alternate form one or two letters before the new one, and the glyph
    # variants and swaps of a letter at the end of the line.
    lines += [a + ALTERNATE + b for a in letters for b in letters]
    lines += [a + b + ALTERNATE + c for a in letters for b in letters for c in letters]
    lines += [a + ALTERNATE + b + c for a in letters for b in letters for c in letters]
    short = letters + [a + b for a in letters for b in letters]
    lines += [t + key * n for t in short for key in (VARIANT, SWAP) for n in (1, 2, 3)]
    lines += [t + ALTERNATE + end for t in short for end in ("", " ")]
    return lines, [w for w in words if w.strip()]


def without_modification_keys(line):
    """The letters of a traced line, as the source font is given them."""
    return line.translate({ord(k): None for k in (ALTERNATE, VARIANT, SWAP)})


def for_source(line):
    """A line as the source font is given it. The source writes a joined
    medial heh in the hooked Urdu style, and its two-eyed heh there in the
    knotted medial heh that Persian writes: a medial heh is given as that
    one, and stays heh to us. Its two-eyed final heh reads as a medial heh to
    a Persian reader, so a joined final heh stays heh: the source's hooked
    final heh, which is drawn with the eye of Persian's looped one (see
    looped_final_eye). Our hamza is a yeh seat
    with the hamza as its mark (4/67), where the source has a letter with no
    seat: standing alone, it is given as the source's yeh with hamza above,
    so that its slot takes the seat and an anchor for the mark. Joined to a
    letter, it stays: the seat would change the source's shapes of the
    letters around it, which the joins are fitted on; there our seat is a
    tooth with a dot anchor, or the blank slot after a letter (see
    Artwork.choose)."""
    out = list(line)
    for i in range(len(out)):
        if (out[i] == HEH and i > 0 and ord(line[i - 1]) in JOINS_NEXT
                and i + 1 < len(line) and ord(line[i + 1]) in PERSIAN_CODES):
            out[i] = HEH_DOACHASHMEE
        elif (out[i] == HAMZA and (i == 0 or ord(line[i - 1]) not in JOINS_NEXT)
              and (i + 1 == len(line) or ord(line[i + 1]) not in PERSIAN_CODES)):
            out[i] = YEH_WITH_HAMZA
    return "".join(out)


def run_engine(tool, data_dir, text_file, variants=False):
    out = subprocess.run([tool, "--data-dir", data_dir] + ["--variants"] * variants + [text_file],
                         capture_output=True, check=True)
    return [json.loads(line) for line in out.stdout.decode("utf-8").splitlines()]


def run_harfbuzz(source, text_file):
    out = subprocess.run(["hb-shape", "--language=ur", "--script=arab", "--direction=rtl",
                          "--output-format=json", source, "--text-file=" + text_file],
                         capture_output=True, check=True)
    return [json.loads(line) for line in out.stdout.decode("utf-8").splitlines() if line.strip()]


def run_engine_on(tool, data_dir, lines, variants=False):
    """run_engine over a list of lines."""
    with tempfile.NamedTemporaryFile("w", encoding="utf-8", suffix=".txt", delete=False) as typed:
        typed.write("\n".join(lines) + "\n")
    try:
        return run_engine(tool, data_dir, typed.name, variants)
    finally:
        os.unlink(typed.name)


def run_harfbuzz_on(source, lines):
    """run_harfbuzz over a list of lines, each given as for_source gives it."""
    with tempfile.NamedTemporaryFile("w", encoding="utf-8", suffix=".txt", delete=False) as letters:
        letters.write("\n".join(for_source(line) for line in lines) + "\n")
    try:
        return run_harfbuzz(source, letters.name)
    finally:
        os.unlink(letters.name)


def parse_glyph(text):
    f, g = text.split("/")
    return int(f), int(g)


class Letter:
    __slots__ = ("code", "slot", "lift", "mark", "word", "base", "pos", "marks", "new_chain")

    def __init__(self, code, slot, lift, mark, word):
        self.code, self.slot, self.lift, self.mark, self.word = code, slot, lift, mark, word
        self.base, self.pos, self.marks, self.new_chain = None, (0, 0), [], False


def engine_letters(record):
    """(code, slot, word) of every letter the engine typed in a line, the
    spaces left out."""
    return [(int(c["code"], 16), parse_glyph(c["glyph"]), w) for w, word in enumerate(record["words"])
            for c in word["chars"] if c["code"] != "0020"]


def chain_start_slots(records, kinds):
    """The slots the engine writes where a chain of joined letters begins:
    those that follow a letter of their word that could join them in fewer
    than CHAIN_START_SHARE of their contexts in the given lines. Where the
    rules put one after such a letter all the same, that letter ends its
    chain there."""
    joined, seen = Counter(), Counter()
    for record in records:
        if record["refused"]:
            continue
        letters = engine_letters(record)
        for k, (_, slot, word) in enumerate(letters):
            if kinds.get(slot) in DRAWN_KINDS:
                seen[slot] += 1
                joined[slot] += int(k > 0 and letters[k - 1][2] == word and letters[k - 1][0] in JOINS_NEXT)
    return {slot for slot, n in seen.items() if joined[slot] < CHAIN_START_SHARE * n}


def with_chain_breaks(text, record, starts):
    """The letters of a line as the source font is to join them: a
    zero-width non-joiner before each letter that the engine gives a
    chain-start slot (see chain_start_slots) after a letter that could join
    it, so that the letters around it take the forms the engine's do."""
    letters = engine_letters(record)
    if len(letters) != sum(1 for ch in text if ch != " "):
        return text
    out, k = [], 0
    for ch in text:
        if ch != " ":
            _, slot, word = letters[k]
            if k > 0 and slot in starts and letters[k - 1][2] == word and letters[k - 1][0] in JOINS_NEXT:
                out.append(ZWNJ)
            k += 1
        out.append(ch)
    return "".join(out)


def align(text, record, shaped, source):
    """The letters of one line with both shapers' answers, or None when the
    engine refused a letter or the answers cannot be matched code by code.
    The text is the line as HarfBuzz was given it, before for_source: its
    zero-width non-joiners mark the letters that begin a new chain."""
    if record["refused"]:
        return None
    letters = []
    for w, word in enumerate(record["words"]):
        for c in word["chars"]:
            letters.append(Letter(int(c["code"], 16), parse_glyph(c["glyph"]), c["y"], c["mark"], w))
    codes = [ord(ch) for ch in text]
    letters = [l for l in letters if l.code != 0x20]
    positions = [i for i, c in enumerate(codes) if c not in (0x20, ord(ZWNJ))]
    if [l.code for l in letters] != [codes[i] for i in positions]:
        return None
    # HarfBuzz lists right-to-left text in visual order, left to right.
    clusters = defaultdict(list)
    pen = 0
    for g in shaped:
        clusters[g["cl"]].append((g["g"], (pen + g["dx"], g["dy"])))
        pen += g["ax"]
    for letter, i in zip(letters, positions):
        letter.new_chain = i > 0 and codes[i - 1] == ord(ZWNJ)
        if letter.code in SYMBOL_GLYPHS:
            letter.base, letter.pos = SYMBOL_GLYPHS[letter.code], clusters[i][0][1] if clusters.get(i) else (0, 0)
            continue
        for name, pos in clusters.get(i, []):
            if name not in source.inked:
                continue
            if source.is_mark(name):
                letter.marks.append((name, pos))
            elif letter.base is None:
                letter.base, letter.pos = source.persian_form(name), pos
    return letters


def leading_blanks(letters, k, is_attached):
    """The blank attachable letters right before letters[k] that begin its
    word: no slot before them draws their letters."""
    start = k
    while start > 0 and is_attached(letters[start - 1], letters[k].word):
        start -= 1
    if start > 0 and letters[start - 1].word == letters[k].word:
        return []
    return letters[start:k]


def is_form(names, form):
    """Whether a shape's first source glyph is the given position form
    (Sep, Ini, Med, Fin) of its letter."""
    return names[0].split(".")[0].endswith(form)


def median(values):
    values = sorted(values)
    return values[len(values) // 2]


GLYPH = re.compile(r"\b([1-5])/(\d{1,3})\b")
KEY = re.compile(r"\b(c[1-5]|prev|next)=([1-5]/\d{1,3})\b")
OUTCOME = re.compile(r"\b[PCS]([1-5])\(([^;)]*)")


def glyph_of(text):
    m = GLYPH.fullmatch(text.strip())
    return (int(m.group(1)), int(m.group(2))) if m else None


def rule_siblings(rules_dir):
    """Pairs of slots that the rule tables say show one letter: a letter's
    glyph before and after a later letter re-shapes it, and a glyph and its
    variant, swap or alternate. Weighted: re-shaping the letter just before
    the new one changes its joining (final to medial), the others keep it."""
    edges = defaultdict(dict)

    def link(a, b, weight):
        if a and b and a != b:
            edges[a][b] = min(weight, edges[a].get(b, weight))
            edges[b][a] = min(weight, edges[b].get(a, weight))

    for name in sorted(os.listdir(rules_dir)):
        if not name.endswith(".rules"):
            continue
        with open(os.path.join(rules_dir, name), encoding="utf-8") as f:
            text = f.read()
        by_target = re.search(r"^kind (variant|swap)", text, re.M) is not None
        scope = []  # (indent, keys)
        for raw in text.splitlines():
            line = raw.split("#", 1)[0].rstrip()
            if not line.strip() or line.startswith(("table", "kind", "start")):
                continue
            indent = len(line) - len(line.lstrip())
            while scope and scope[-1][0] >= indent:
                scope.pop()
            left, arrow, right = line.partition("->")
            keys = {}
            for _, outer in scope:
                keys.update(outer)
            keys.update({k: glyph_of(v) for k, v in KEY.findall(left)})
            first = left.split()[0] if left.split() else ""
            if by_target and glyph_of(first.rstrip(":")):
                keys["target"] = glyph_of(first.rstrip(":"))
            if not arrow:
                if line.endswith(":"):
                    scope.append((indent, keys))
                continue
            words = right.split()
            if by_target and words and glyph_of(words[0]):
                link(keys.get("target"), glyph_of(words[0]), 1)
            for k, v in KEY.findall(right):
                link(keys.get(k), glyph_of(v), 1)
            for count, glyphs in OUTCOME.findall(right):
                for i, g in enumerate(glyphs.split(",")[:int(count)]):
                    link(keys.get("c%d" % (i + 1)), glyph_of(g), 3 if i == 0 else 1)
    return edges


def nearest_reached(edges, reached, slots):
    """For each slot, the reached slot closest to it along the sibling
    pairs, or none."""
    import heapq
    best = {}
    for start in slots:
        seen, heap = {start}, [(0, start)]
        while heap:
            dist, slot = heapq.heappop(heap)
            if slot in reached:
                best[start] = slot
                break
            for other, weight in edges.get(slot, {}).items():
                if other not in seen:
                    seen.add(other)
                    heapq.heappush(heap, (dist + weight, other))
    return best


class Artwork:
    """Votes and placements. A slot's shape is a tuple of source glyphs: its
    own letter's, then those of the letters after it that the engine gives a
    blank attachable slot (the slot draws them as a ligature)."""

    def __init__(self, source, manifest_kinds):
        self.source = source
        self.kinds = manifest_kinds
        self.votes = defaultdict(Counter)        # slot -> glyph tuple -> count
        self.samples = defaultdict(list)         # (slot, glyph tuple) -> (lift difference, offsets)
        self.mark_votes = defaultdict(Counter)   # font 4 index -> mark glyph -> count
        self.half_votes = defaultdict(Counter)   # (slot, half) -> mark glyph -> count
        self.dots_seen = defaultdict(list)       # (slot, half) -> (source glyph, dot centre from it, crowded)
        self.moved_dots = set()                  # (slot, half) anchored where the source moves crowded dots
        self.lines = []                          # per line: (slot, lift, word) of each drawn letter
        self.word_lines = 0                      # how many of them, at the end, are dictionary words
        self.stroke_votes = defaultdict(Counter) # kaf or gaf stroke mark -> source letter glyph -> count
        self.stroke_slots = set()                # slots that carry a kaf or gaf stroke
        self.slot_strokes = defaultdict(Counter) # slot -> stroke mark -> count
        self.stroked_kaf_slots = set()           # slots on which even kaf gets its stroke as a mark
        self.blank_marks = defaultdict(list)     # (blank slot, half) -> (head slot, mark glyph, lift difference)
        self.traced = None                       # slots and blank halves the typed lines reached (see add)
        self.variant_lines = []                  # like lines, for the alternatives of dictionary words
        self.next_glyphs = defaultdict(Counter)  # slot -> (next letter's slot, its source glyph) -> count

    def is_attached(self, letter, word):
        return letter.word == word and self.kinds.get(letter.slot) == "blank" and letter.slot[1] != 32

    def add(self, letters, dictionary_word, keyed=False, variant=False):
        """Votes of one traced line. A line that used a text-modification key
        votes for its slots' shapes only: its letters are shaped by the
        source font as typed plainly, which is not the form the key chose,
        and a mark or stroke glyph shared by many slots should follow the
        plain forms. A variant (one of the shapings the alternatives menu
        offers for a group of a dictionary word, see main) votes as a keyed
        line, but only for the slots and blank slots no typed line reached."""
        if variant and self.traced is None:
            self.traced = (set(self.votes), set(self.blank_marks))
        keyed = keyed or variant
        drawn = []
        run = 0  # counts the letters that end a joined run inside a word
        for k, l in enumerate(letters):
            if self.kinds.get(l.slot) not in DRAWN_KINDS:
                continue
            group = [l]
            for m in letters[k + 1:]:
                if not self.is_attached(m, l.word):
                    break
                group.append(m)
            # Blank slots that begin the word (the first lam of "allah")
            # have no slot before them to draw their letters: this one does,
            # before its own, and its shape is measured from the first.
            lead = leading_blanks(letters, k, self.is_attached)
            group = lead + group
            # Slots meet in a join only inside a run of joined letters: the
            # engine keeps a dal and the reh after it in one word.
            drawn.append((l.slot, l.lift, (l.word, run)))
            run += int(group[-1].code not in JOINS_NEXT)
            following = letters[k + 1] if k + 1 < len(letters) else None
            if (not keyed and len(group) == 1 and l.code in JOINS_NEXT and following is not None
                    and following.word == l.word and not following.new_chain and following.base is not None
                    and self.kinds.get(following.slot) in DRAWN_KINDS):
                self.next_glyphs[l.slot][(following.slot, following.base)] += 1
            if any(m.base is None for m in group) or (variant and l.slot in self.traced[0]):
                continue
            # An attached letter's dots are the engine's mark on its blank
            # slot, which gets an anchor of its own (see blank_anchor): drawn
            # in the shape they would show on every letter that slot follows
            # (thal's dot on dal). Dots the engine gives no mark stay drawn.
            # A leading blank's dots the engine marks are drawn on that blank
            # slot's anchor, which the contexts where it follows a slot settle.
            parts = [(m.base, m.pos) for m in group] + [mark for m in group if m is not l and not m.mark
                                                        for mark in m.marks]
            for m in group[len(lead) + 1:]:
                blank = (m.slot, int(m.code in BELOW_LETTERS))
                if m.mark and m.marks and (not keyed or (variant and blank not in self.traced[1])):
                    self.blank_marks[blank].append((l.slot, m.marks[0][0], m.lift - l.lift))
            names = tuple(name for name, _ in parts)
            first = group[0]
            offsets = tuple((pos[0] - first.pos[0], pos[1] - first.pos[1]) for _, pos in parts)
            self.votes[l.slot][names] += 1
            # Our lift grows downward, the source's upward; both in 1/1000 em.
            self.samples[(l.slot, names)].append((first.pos[1] + l.lift, offsets))
            if l.mark and l.code in KAF_GAF:
                if not keyed:
                    self.stroke_votes[l.mark][l.base] += 1
                self.stroke_slots.add(l.slot)
                self.slot_strokes[l.slot][l.mark] += 1
                if l.code == 0x06A9:
                    self.stroked_kaf_slots.add(l.slot)
            elif l.mark and l.marks:
                half = int(l.code in BELOW_LETTERS)
                if not keyed:
                    self.mark_votes[l.mark][l.marks[0][0]] += 1
                    name, pos = l.marks[0]
                    cx, cy = mark_centre(self.source, name)
                    crowded = any(0 <= n < len(letters) and letters[n].word == l.word
                                  and letters[n].mark in DOT_MARKS and int(letters[n].code in BELOW_LETTERS) == half
                                  for n in (k - 1, k + 1))
                    self.dots_seen[(l.slot, half)].append(
                        (l.base, (pos[0] + cx - l.pos[0], pos[1] + cy - l.pos[1]), crowded))
                self.half_votes[(l.slot, half)][l.marks[0][0]] += 1
        (self.variant_lines if variant else self.lines).append(drawn)
        self.word_lines += int(dictionary_word and not variant)

    def letter_count(self, names):
        return sum(1 for name in names if not self.source.is_mark(name))

    def pick(self, votes):
        """The shape a slot takes. A letter the engine gives a blank slot is
        drawn only by the slot before it, so a ligature shape wins once it is
        a fair share of the slot's contexts: without it that letter would
        vanish from the word, which reads worse than a letter drawn twice."""
        total = sum(votes.values())
        ligatures = [(names, n) for names, n in votes.most_common() if self.letter_count(names) > 1]
        if ligatures and sum(n for _, n in ligatures) >= LIGATURE_SHARE * total:
            votes = Counter(dict(ligatures))
        top = votes.most_common(1)[0][0]
        # A slot used both alone and joined (lam after a letter that does not
        # join, and after one that does) takes the isolated shape once that is
        # a fair share: a final shape's entry with nothing before it reads as
        # one more letter, while a joining exit still meets the isolated
        # shape's right end. Not for a ligature (lam-alef): its joined form
        # alone only leads in from the right, while its isolated form after
        # a joining letter leaves that letter open (seen before lam-alef).
        if is_form(top, "Fin") and self.letter_count(top) == 1:
            isolated = [(names, n) for names, n in votes.most_common()
                        if is_form(names, "Sep") and self.letter_count(names) == self.letter_count(top)]
            if sum(n for _, n in isolated) >= ISOLATED_SHARE * total:
                return isolated[0][0]
        # A slot that begins a word and also stands inside one (sad and tah
        # in a run of the same letter) takes the medial shape once that is a
        # fair share: without its entry the word breaks open before it, while
        # the entry at the start of a word only reads as a short lead-in.
        if is_form(top, "Ini"):
            medial = [(names, n) for names, n in votes.most_common()
                      if is_form(names, "Med") and self.letter_count(names) == self.letter_count(top)]
            if sum(n for _, n in medial) >= MEDIAL_SHARE * total:
                return medial[0][0]
        return top

    def is_strokeless_kaf(self, slot):
        """A kaf or gaf shape on a slot where kaf too gets its stroke as a
        mark: the body is drawn without its own stroke."""
        return slot in self.stroked_kaf_slots and self.shape[slot][0][0].startswith(("Kaf", "Gaf"))

    def choose(self):
        self.shape, self.raise_by = {}, {}
        for slot, votes in self.votes.items():
            # Our hamza has a seat: where the source shows its seatless
            # hamza, the slot takes the seat that its other contexts show.
            seated = Counter({names: n for names, n in votes.items() if names[0] != SOURCE_HAMZA})
            names = self.pick(seated or votes)
            samples = self.samples[(slot, names)]
            self.raise_by[slot] = median([s[0] for s in samples])
            offsets = tuple((median([s[1][i][0] for s in samples]), median([s[1][i][1] for s in samples]))
                            for i in range(len(names)))
            # A hamza after a letter is the blank slot's hamza mark on the
            # slot before it: drawn as well, it would show twice.
            kept = [i for i, name in enumerate(names) if i == 0 or name != SOURCE_HAMZA]
            self.shape[slot] = (tuple(names[i] for i in kept), tuple(offsets[i] for i in kept))
        ends = {slot: self.lead_in_end(slot) for slot in self.shape}
        self.lead_in = {slot: end for slot, end in ends.items() if end is not None}
        self.mark = {m: votes.most_common(1)[0][0] for m, votes in self.mark_votes.items()}
        self.stroke = {m: votes.most_common(1)[0][0] for m, votes in self.stroke_votes.items()}
        self.fit_joins()
        self.settle_joins()

    def fill_siblings(self, edges):
        """Slots no traced line reaches take the shape of their nearest
        sibling in the rule tables, so that a letter shows as itself, if not
        in its exact joining, rather than as a placeholder."""
        drawn = {slot for slot, kind in self.kinds.items() if kind in DRAWN_KINDS}
        self.borrowed = nearest_reached(edges, set(self.shape), sorted(drawn - set(self.shape)))
        for slot, sibling in self.borrowed.items():
            # The letter alone: what the sibling drew of the letters after it
            # belongs to the sibling's context.
            names, offsets = self.shape[sibling]
            self.shape[slot] = (names[:1], offsets[:1])
            self.raise_by[slot] = self.raise_by[sibling]
            limit = self.shear_limit(slot)
            self.shear[slot] = max(-limit, min(limit, self.shear[sibling]))
            for half in (0, 1):
                if (sibling, half) in self.half_votes:
                    self.half_votes[(slot, half)] = self.half_votes[(sibling, half)]
                    self.dots_seen[(slot, half)] = self.dots_seen[(sibling, half)]
            if sibling in self.stroke_slots:
                self.stroke_slots.add(slot)
                self.slot_strokes[slot] = self.slot_strokes[sibling]
            if sibling in self.stroked_kaf_slots:
                self.stroked_kaf_slots.add(slot)

    def traced_joins(self, words_only=False):
        """(left slot, right slot, target) for every traced join of two drawn
        slots whose shapes have an exit and an entry: the join closes when
        raise(left) - raise(right) - shear(right) equals target."""
        for drawn in self.lines[len(self.lines) - self.word_lines:] if words_only else self.lines:
            for (sa, la, wa), (sb, lb, wb) in zip(drawn, drawn[1:]):
                if wa != wb or sa not in self.shape or sb not in self.shape:
                    continue
                exit_, entry = self.exit(sa), self.entry(sb)
                if exit_ is None or entry is None:
                    yield sa, sb, None
                    continue
                yield sa, sb, (-lb + entry[1]) - (-la + exit_[1])

    def fit_joins(self):
        """Each slot's raise and the shear of its entry, fitted over all
        traced joins by reweighted least squares: joins far from closing
        weigh less (Cauchy weights), since our engine lifts one pair of
        glyphs differently in different words and a fit for the mean would
        leave most of them a little open. Weakly pulled toward the source
        font's lifts (raise) and toward no bending (shear)."""
        joins = Counter((sa, sb, target) for sa, sb, target in self.traced_joins() if target is not None)
        prior = {slot: float(r) for slot, r in self.raise_by.items()}
        raise_by = dict(prior)
        shear = {slot: 0.0 for slot in self.shape}
        for outer in range(FIT_REWEIGHTS):
            pairs = defaultdict(lambda: [0.0, 0.0])
            for (sa, sb, target), n in joins.items():
                weight = n
                if outer:
                    residual = (raise_by[sa] - raise_by[sb] - shear[sb] - target) / FIT_SCALE
                    weight = n / (1.0 + residual * residual)
                pairs[(sa, sb)][0] += weight
                pairs[(sa, sb)][1] += weight * target
            for _ in range(FIT_ROUNDS):
                sums = defaultdict(float)
                counts = defaultdict(float)
                for (sa, sb), (n, total) in pairs.items():
                    sums[sb] += n * (raise_by[sa] - raise_by[sb]) - total
                    counts[sb] += n
                shear = {slot: max(-self.shear_limit(slot), min(self.shear_limit(slot),
                                                                 sums[slot] / (counts[slot] + SHEAR_PRIOR)))
                         for slot in self.shape}
                sums = defaultdict(float)
                counts = defaultdict(float)
                for (sa, sb), (n, total) in pairs.items():
                    sums[sa] += n * (raise_by[sb] + shear[sb]) + total
                    sums[sb] += n * (raise_by[sa] - shear[sb]) - total
                    counts[sa] += n
                    counts[sb] += n
                raise_by = {slot: (sums[slot] + RAISE_PRIOR * prior[slot]) / (counts[slot] + RAISE_PRIOR)
                            for slot in self.shape}
        self.raise_by = {slot: round(v) for slot, v in raise_by.items()}
        self.shear = {slot: round(v) for slot, v in shear.items()}

    def settle_joins(self):
        """Moves each slot's exit height (its raise), entry height (raise plus
        shear) and both together to the value that closes the most joins,
        slot by slot, from the least-squares fit: a mean leaves joins a little
        open that a choice can close. Joins in dictionary words weigh most;
        the traced letter sequences mainly speak for forms words do not reach."""
        joins = Counter()
        first_word = len(self.lines) - self.word_lines
        for number, drawn in enumerate(self.lines):
            weight = 1.0 if number >= first_word else SEQUENCE_WEIGHT
            for (sa, la, wa), (sb, lb, wb) in zip(drawn, drawn[1:]):
                if wa != wb or sa not in self.shape or sb not in self.shape:
                    continue
                exit_, entry = self.exit(sa), self.entry(sb)
                if exit_ is not None and entry is not None:
                    joins[(sa, sb, (-lb + entry[1]) - (-la + exit_[1]))] += weight
        self.settle(joins, list(self.shape))

    def settle_variant_slots(self):
        """Settles the exit and entry heights of the slots only the
        alternatives reach on their joins there, the others held: those
        joins do not move the slots that typed words reach."""
        new = [slot for slot in self.shape if slot not in self.traced[0]] if self.traced else []
        joins = Counter()
        for drawn in self.variant_lines:
            for (sa, la, wa), (sb, lb, wb) in zip(drawn, drawn[1:]):
                if wa != wb or sa not in self.shape or sb not in self.shape:
                    continue
                exit_, entry = self.exit(sa), self.entry(sb)
                if exit_ is not None and entry is not None:
                    joins[(sa, sb, (-lb + entry[1]) - (-la + exit_[1]))] += 1
        self.settle(joins, new)

    def settle(self, joins, slots):
        """The sweeps of settle_joins over the given slots and joins."""
        leaving, arriving = defaultdict(list), defaultdict(list)
        for (sa, sb, target), weight in joins.items():
            leaving[sa].append((sb, target, weight))
            arriving[sb].append((sa, target, weight))
        exit_y = dict(self.raise_by)
        entry_y = {slot: self.raise_by[slot] + self.shear[slot] for slot in self.shape}
        for _ in range(SETTLE_SWEEPS):
            for slot in slots:
                # Join a -> b closes when exit_y[a] - entry_y[b] == target.
                wanted_exit = [(target + entry_y[b], w) for b, target, w in leaving[slot]]
                wanted_entry = [(exit_y[a] - target, w) for a, target, w in arriving[slot]]
                both = ([(value - exit_y[slot], w) for value, w in wanted_exit]
                        + [(value - entry_y[slot], w) for value, w in wanted_entry])
                limit = self.shear_limit(slot)
                move = best_value(both, 0, -limit, limit)
                exit_y[slot] += move
                entry_y[slot] += move
                exit_y[slot] = best_value(wanted_exit, exit_y[slot], entry_y[slot] - limit, entry_y[slot] + limit)
                entry_y[slot] = best_value(wanted_entry, entry_y[slot], exit_y[slot] - limit, exit_y[slot] + limit)
        for slot in slots:
            self.raise_by[slot] = exit_y[slot]
            self.shear[slot] = entry_y[slot] - exit_y[slot]

    def lead_in_end(self, slot):
        """Where, in source x, a slot's entry moves: the right end of its
        medial shape's ink, when that shape also begins words and inks well
        past its entry (the bowl of sad and tah, which the letter before it
        tucks under); else None. At the start of a word that bowl would lie
        over the letter or the word before it (the alef of "asl", the qaf
        before "zolm"); with its entry at the bowl's end, joined by a stroke
        under the bowl, a letter before it joins there instead. Only the
        entry's x moves, so the joins' heights stay as fitted."""
        names = self.shape[slot][0]
        entry = self.source.entry.get(names[0])
        if entry is None or not is_form(names, "Med"):
            return None
        end = self.source.font["glyf"][names[0]].xMax - LEAD_IN_INSET
        votes = self.votes[slot]
        initial = sum(n for other, n in votes.items()
                      if is_form(other, "Ini") and self.letter_count(other) == self.letter_count(names))
        if end - entry[0] <= LEAD_IN_OVERHANG or initial < LEAD_IN_SHARE * sum(votes.values()):
            return None
        return end

    def lead_out(self, slot):
        """(glyph, offset, from x) of the stroke that leads a slot into the
        letter after it, or None: where the slot's exit lies off its ink,
        the source closes the join with the next letter's entry stroke (the
        swash of the waw after qaf or feh), which the next slot, shared with
        letters that join it otherwise, draws without: the same body (its
        ink box but on the right) without that stroke. Then this slot draws
        the part of the next letter's source glyph right of the next slot's
        shape (from x, in that glyph's units), placed so that its body lies
        on the next slot's when the join closes."""
        exit_ = self.exit(slot)
        if exit_ is None or not self.next_glyphs.get(slot):
            return None
        names, offsets = self.shape[slot]
        glyf = self.source.font["glyf"]
        inked = [(glyf[n], o) for n, o in zip(names, offsets) if glyf[n].numberOfContours]
        if not inked or any(g.xMin + ox - LEAD_OUT_GAP <= exit_[0] <= g.xMax + ox + LEAD_OUT_GAP
                            and g.yMin + oy - LEAD_OUT_GAP <= exit_[1] <= g.yMax + oy + LEAD_OUT_GAP
                            for g, (ox, oy) in inked):
            return None
        (next_slot, glyph), _ = self.next_glyphs[slot].most_common(1)[0]
        drawn = self.shape.get(next_slot, ((None,),))[0][0]
        entry = self.source.entry.get(drawn)
        if (entry is None or drawn == glyph or not glyf[drawn].numberOfContours
                or (glyf[drawn].xMin, glyf[drawn].yMin, glyf[drawn].yMax) != (glyf[glyph].xMin, glyf[glyph].yMin,
                                                                             glyf[glyph].yMax)):
            return None
        return glyph, (exit_[0] - entry[0], exit_[1] - entry[1]), glyf[drawn].xMax - LEAD_OUT_OVERLAP

    def entry(self, slot):
        point = self.source.entry.get(self.shape[slot][0][0])
        if point is not None and slot in self.lead_in:
            return self.lead_in[slot], point[1]
        return point

    def lead_in_stroke(self, slot):
        """(from x, to x, y) in source units of the stroke that carries a
        moved entry back to the shape's own, or None."""
        if slot not in self.lead_in:
            return None
        x, y = self.source.entry[self.shape[slot][0][0]]
        return x - LEAD_IN_INSET, self.lead_in[slot], y

    def bends_both_ends(self, slot):
        """Whether a slot's shape is bent at its exit as well as at its
        entry: one that joins on both sides, so that each end takes half the
        difference between its entry and exit heights."""
        return self.exit(slot) is not None and self.entry(slot) is not None

    def shear_limit(self, slot):
        return 2 * MAX_SHEAR if self.bends_both_ends(slot) else MAX_SHEAR

    def last_letter(self, slot):
        """The index in the shape of its last letter (marks follow it)."""
        names = self.shape[slot][0]
        return max(i for i, name in enumerate(names) if not self.source.is_mark(name))

    def exit(self, slot):
        names, offsets = self.shape[slot]
        last = self.last_letter(slot)
        point = self.source.exit.get(names[last])
        return None if point is None else (point[0] + offsets[last][0], point[1] + offsets[last][1])

    def left_end(self, slot):
        """Where the next letter's right edge goes: the exit, or for a shape
        that ends a word the origin of its last glyph."""
        point = self.exit(slot)
        return point[0] if point else self.shape[slot][1][self.last_letter(slot)][0]

    def placement(self, slot):
        """(shift x, shift y, advance) in source units for a chosen slot."""
        exit_x = self.left_end(slot)
        entry = self.entry(slot)
        end = entry[0] if entry else self.source.advance[self.shape[slot][0][0]]
        return -exit_x, self.raise_by[slot], end - exit_x

    def join_gaps(self):
        """The vertical gap, in glyph units, of every join between two chosen
        slots in the traced dictionary words, and the number of joins there
        that could not be measured."""
        gaps, unmeasured = [], 0
        for sa, sb, target in self.traced_joins(words_only=True):
            if target is None:
                unmeasured += 1
            else:
                gaps.append(abs(self.raise_by[sa] - self.raise_by[sb] - self.shear[sb] - target) * SCALE)
        return gaps, unmeasured


def best_value(wanted, current, low, high):
    """The integer in [low, high] that the most weight of (value, weight)
    wishes lies within CLOSED_UNITS of; ties go to the most weight within
    FAR_UNITS, then to the value nearest the current one."""
    events = []
    for value, weight in wanted:
        for reach, kind in ((CLOSED_UNITS, 0), (FAR_UNITS, 1)):
            events.append((value - reach, kind, weight))
            events.append((value + reach + 1, kind, -weight))
    events.sort()
    current = min(high, max(low, current))
    candidates = sorted({e[0] for e in events if low <= e[0] <= high} | {current, low, high})
    best, best_key = current, None
    covered = [0.0, 0.0]
    i = 0
    for value in candidates:
        while i < len(events) and events[i][0] <= value:
            covered[events[i][1]] += events[i][2]
            i += 1
        key = (round(covered[0], 6), round(covered[1], 6), -abs(value - current))
        if best_key is None or key > best_key:
            best, best_key = value, key
    return best


def smooth_step(t):
    t = min(1.0, max(0.0, t))
    return t * t * (3 - 2 * t)


def bend(x, entry_x, shear, both_ends=False):
    """How far the bend lifts a point at x (source units, after the move that
    puts the exit at the origin): nothing at the exit, shear at the entry.
    Bent at the entry only, a smooth step over the SHEAR_WIDTH before the
    entry; bent at both ends, the body rises by half of shear and two such
    steps of half the height, one after the exit and one before the entry,
    share the slope."""
    width = min(SHEAR_WIDTH, 0.8 * entry_x)
    if not shear or width <= 0:
        return 0
    at_entry = smooth_step((x - (entry_x - width)) / width)
    if not both_ends:
        return shear * at_entry
    return shear / 2 * (at_entry + smooth_step(x / width))


def draw_source(source, names, offsets, dx, dy, entry_x=0, shear=0, cut_first=None, both_ends=False,
                lead_in=None, lead_out=None):
    """Source glyphs at their offsets, components flattened, moved by
    (dx, dy) source units, the part near the entry (at entry_x after the
    move) bent up by shear with a smooth step that leaves the exit in
    place, and scaled to our units per em. With cut_first, only the part of
    the first glyph below that height is drawn; with lead_in (from x, to x,
    y), a stroke about the joins' thickness centred on y runs between them;
    with lead_out (glyph, offset, from x), the part of that glyph right of
    from x is drawn at the offset (see Artwork.lead_out)."""
    def move(point):
        x, y = point
        return (x * SCALE, (y + bend(x, entry_x, shear, both_ends)) * SCALE)

    pen = TTGlyphPen(None)

    def polygon(points, ox, oy):
        pen.moveTo(move((points[0][0] + ox + dx, points[0][1] + oy + dy)))
        for px, py in points[1:]:
            pen.lineTo(move((px + ox + dx, py + oy + dy)))
        pen.closePath()

    # A looped final heh's eye, and the glyphs that must be drawn flattened
    # so that the eye's contours clear their ink exactly.
    eyes, flattened = {}, set()
    for i, (name, (ox, oy)) in enumerate(zip(names, offsets)):
        if name in LOOPED_FINAL_HEH:
            others = [j for j in range(len(names)) if j != i]
            eyes[i], covered = looped_final_eye(source, name, tuple(
                (names[j], offsets[j][0] - ox, offsets[j][1] - oy) for j in others))
            flattened.update(others[k] for k in covered)
    for i, (name, (ox, oy)) in enumerate(zip(names, offsets)):
        if i == 0 and cut_first is not None:
            for part in clipped_contours(source, name, cut_first, above=False):
                polygon(part, ox, oy)
        elif i in flattened:
            for contour in flattened_contours(source, name, EYE_CLEARED_STEPS):
                polygon(contour, ox, oy)
        else:
            recording = DecomposingRecordingPen(source.glyph_set)
            source.glyph_set[name].draw(recording)
            for operator, points in recording.value:
                getattr(pen, operator)(*(move((px + ox + dx, py + oy + dy)) for px, py in points))
        for contour in eyes.get(i, ()):
            polygon(contour, ox, oy)
    if lead_out is not None:
        glyph, (ox, oy), from_x = lead_out
        right_of = [(from_x, -10 ** 6), (10 ** 6, -10 ** 6), (10 ** 6, 10 ** 6), (from_x, 10 ** 6)]
        for contour in flattened_contours(source, glyph, EYE_CLEARED_STEPS):
            part = clip_to_convex(contour, right_of)
            if len(part) >= 3:
                polygon(part, ox, oy)
    if lead_in is not None:
        # Clockwise, as the outer contours: where it overlaps them the
        # nonzero fill keeps it ink. It thins toward its free end, as a pen
        # stroke leading in does.
        x0, x1, y = lead_in[0] + dx, lead_in[1] + dx, lead_in[2] + dy
        steps = max(1, math.ceil((x1 - x0) / 20))
        half = [LEAD_IN_THICKNESS / 2 * (1 - 0.4 * smooth_step(i / steps)) for i in range(steps + 1)]
        top = [(x0 + (x1 - x0) * i / steps, y + h) for i, h in enumerate(half)]
        bottom = [(x, y - h) for (x, _), h in zip(reversed(top), reversed(half))]
        pen.moveTo(move(top[0]))
        for point in top[1:] + bottom:
            pen.lineTo(move(point))
        pen.closePath()
    return pen.glyph()


def draw_placeholder(shape):
    pen = TTGlyphPen(None)
    shape.draw(pen)
    return pen.glyph()


def build_fonts(art, out_dir, copyright_line):
    from fontTools.fontBuilder import FontBuilder
    source = art.source
    anchors = {}
    drawn = {}  # font -> (glyphs, metrics)
    boxes = mark_boxes(art)
    for f in range(1, FONT_COUNT + 1):
        glyphs = {".notdef": TTGlyphPen(None).glyph()}
        metrics = {".notdef": (0, 0)}
        for g in range(placeholder.FIRST_DRAWN, GLYPHS):
            name = placeholder.glyph_name(g)
            slot = (f, g)
            anchor = ((-1, -1), (-1, -1))
            if slot in art.shape:
                dx, dy, advance = art.placement(slot)
                cut = STROKE_CUT if art.is_strokeless_kaf(slot) else None
                glyphs[name] = draw_source(source, *art.shape[slot], dx, dy, advance, art.shear[slot], cut,
                                           art.bends_both_ends(slot), art.lead_in_stroke(slot), art.lead_out(slot))
                advance = round(advance * SCALE)
                glyphs[name].recalcBounds(None)
                anchor = tuple(base_anchor(art, slot, half, dx, dy, advance, boxes, glyphs[name]) for half in (0, 1))
                if slot in art.stroke_slots:
                    anchor = (stroke_anchor(art, slot, dx, dy, advance), anchor[1])
                anchor = tuple(ink_anchor(glyphs[name], half, advance, boxes)
                               if anchor[half] == (-1, -1) and (slot, half) in art.half_votes else anchor[half]
                               for half in (0, 1))
            elif f == MARK_FONT and g in art.stroke:
                glyphs[name], advance = stroke_glyph(source, art.stroke[g])
            elif f == MARK_FONT and g in art.mark:
                glyphs[name], advance = mark_glyph(source, art.mark[g], boxes[art.mark[g]])
            elif f == MARK_FONT and g in VOWEL_SIGNS:
                glyphs[name], advance = sign_glyph(source, VOWEL_SIGNS[g])
            elif art.kinds.get(slot) == "mark":
                # A mark the source font draws no counterpart of (heh's own
                # mark): no ink, rather than a placeholder blob on every heh
                # once some slot gives it an anchor.
                glyphs[name] = TTGlyphPen(None).glyph()
                advance = placeholder.glyph_shape(f, g).advance
            else:
                shape = placeholder.glyph_shape(f, g)
                glyphs[name] = draw_placeholder(shape)
                advance = shape.advance
                anchor = placeholder.anchors(f, g, shape) if art.kinds.get(slot) != "letter" else anchor
                if art.kinds.get(slot) == "blank":
                    anchor = tuple(blank_anchor(art, slot, half, advance, boxes) for half in (0, 1))
            anchors[slot] = anchor
            glyphs[name].recalcBounds(None)
            metrics[name] = (max(0, advance), getattr(glyphs[name], "xMin", 0))
        drawn[f] = (glyphs, metrics)
    ascent, descent = line_extents(drawn, anchors, art)
    order = [".notdef"] + [placeholder.glyph_name(g) for g in range(placeholder.FIRST_DRAWN, GLYPHS)]
    for f, (glyphs, metrics) in drawn.items():
        fb = FontBuilder(placeholder.UNITS_PER_EM, isTTF=True)
        fb.font.recalcTimestamp = False
        fb.setupGlyphOrder(order)
        fb.setupCharacterMap(placeholder.character_map(GLYPHS))
        fb.setupGlyf(glyphs)
        fb.setupHorizontalMetrics(metrics)
        fb.setupHorizontalHeader(ascent=ascent, descent=-descent)
        family = "Vorl2%d" % f
        fb.setupNameTable({
            "copyright": copyright_line + " Kavitro glyph artwork derived from it.",
            "familyName": family, "styleName": "Regular", "uniqueFontIdentifier": family,
            "fullName": family, "psName": family, "version": "Version 1.000",
            "licenseDescription": "This Font Software is licensed under the SIL Open Font License, Version 1.1.",
            "licenseInfoURL": "https://openfontlicense.org",
        })
        fb.setupOS2(usWinAscent=ascent, usWinDescent=descent, sTypoAscender=ascent, sTypoDescender=-descent,
                    sTypoLineGap=0, **placeholder.OS2_IDENTITY)
        fb.setupPost()
        fb.font["head"].created = fb.font["head"].modified = 3786825600  # 2024-01-01
        fb.font[JOIN_TABLE_TAG] = join_point_table(art, f, glyphs)
        save_atomically(fb.font, os.path.join(out_dir, "fonts", family + ".ttf"))
    return anchors


def line_extents(drawn, anchors, art):
    """The ascent and descent every font declares: the engine takes 70 % of
    the largest ascent and 80 % of the largest descent for the height of a
    line and of a text's frame, so they are made to hold the highest and
    lowest ink of any glyph, and of any dot or stroke on its anchor."""
    def bounds(f, g):
        glyph = drawn[f][0][placeholder.glyph_name(g)]
        return (glyph.yMin, glyph.yMax) if getattr(glyph, "numberOfContours", 0) else (0, 0)

    inked = [bounds(f, g) for f in drawn for g in range(placeholder.FIRST_DRAWN, GLYPHS)]
    top = max(high for _, high in inked)
    bottom = min(low for low, _ in inked)
    dots = [bounds(MARK_FONT, g) for g in art.mark] or [(0, 0)]
    strokes = [bounds(MARK_FONT, g) for g in art.stroke] or [(0, 0)]
    for slot, ((y_above, _), (y_below, _)) in anchors.items():
        if y_above != -1:
            marks = strokes if slot in art.stroke_slots else dots
            top = max(top, y_above + max(high for _, high in marks))
        if y_below != -1:
            bottom = min(bottom, y_below + min(low for low, _ in dots))
    return math.ceil(top / 0.7), math.ceil(max(0, -bottom) / 0.8)


def mark_centre(source, name):
    bounds = source.font["glyf"][name]
    return (bounds.xMin + bounds.xMax) / 2, (bounds.yMin + bounds.yMax) / 2


def mark_boxes(art):
    """Each mark's advance in glyph units, by its source glyph. The engine
    draws a mark with its advance box ending at the anchor x plus that
    mark's advance, so the box starts at the anchor x, and a glyph has one
    anchor per half for whichever mark lands there: a slot shows one, two
    or three dots by the letter it stands for. So the dot marks share one
    box, the widest dot's ink, and every mark's ink is centred in its box,
    which the measures take for the mark. The hamza sits on its seat's dot
    anchor (a tooth's) and shares their box. Other marks (the madda, only on
    alef) keep a box of their own ink's width."""
    boxes = {name: round(source_width(art.source, name) * SCALE) for name in art.mark.values()}
    dots = [art.mark[g] for g in DOT_MARKS + (HAMZA_MARK,) if g in art.mark]
    dot_box = max((boxes[name] for name in dots), default=0)
    boxes.update({name: dot_box for name in dots})
    return defaultdict(lambda: dot_box, boxes)


def source_width(source, name):
    bounds = source.font["glyf"][name]
    return bounds.xMax - bounds.xMin


def mark_glyph(source, name, box):
    """A dot mark centred in its advance box of width box, its centre on the
    baseline: every anchor is where the source font puts the centre of that
    slot's own dots, less half the box (see mark_boxes). So a mark glyph shared
    by letters with dots above and below (two dots) sits right on both."""
    cx, cy = mark_centre(source, name)
    return draw_source(source, (name,), ((0, 0),), box / 2 / SCALE - cx, -cy), box


def sign_glyph(source, name):
    """A vowel sign, drawn from where the user clicks: centred in a box of
    its own ink's width, as the madda, and on the side of the baseline the
    source puts it, SIGN_GAP clear of it. So a sign and its twin below the
    letters (fatha and kasra: one stroke) are told apart by where they sit."""
    box = round(source_width(source, name) * SCALE)
    bounds = source.font["glyf"][name]
    cx, cy = mark_centre(source, name)
    dy = (-SIGN_GAP / SCALE - bounds.yMax) if cy < 0 else (SIGN_GAP / SCALE - bounds.yMin)
    return draw_source(source, (name,), ((0, 0),), box / 2 / SCALE - cx, dy), box


class FlattenPen(BasePen):
    """Contours as polygons, curves cut into short lines."""

    STEPS = 8

    def __init__(self, glyph_set):
        super().__init__(glyph_set)
        self.contours = []

    def _moveTo(self, pt):
        self.contours.append([pt])

    def _lineTo(self, pt):
        self.contours[-1].append(pt)

    def _curveToOne(self, p1, p2, p3):
        p0 = self._getCurrentPoint()
        for i in range(1, self.STEPS + 1):
            t = i / self.STEPS
            u = 1 - t
            self.contours[-1].append(tuple(u * u * u * a + 3 * u * u * t * b + 3 * u * t * t * c + t * t * t * d
                                           for a, b, c, d in zip(p0, p1, p2, p3)))


def clip_above(polygon, cut, above=True):
    """The part of a polygon at or above y = cut, or below it
    (Sutherland-Hodgman)."""
    def inside(point):
        return (point[1] >= cut) == above
    out = []
    for i, cur in enumerate(polygon):
        prev = polygon[i - 1]
        if inside(cur) != inside(prev):
            t = (cut - prev[1]) / (cur[1] - prev[1])
            out.append((prev[0] + t * (cur[0] - prev[0]), cut))
        if inside(cur):
            out.append(cur)
    return out


def clipped_contours(source, name, cut, above=True):
    """A source glyph's contours flattened and clipped at y = cut."""
    pen = FlattenPen(source.glyph_set)
    source.glyph_set[name].draw(pen)
    parts = [clip_above(contour, cut, above) for contour in pen.contours]
    return [part for part in parts if len(part) >= 3]


def segment_distance(point, a, b):
    (px, py), (ax, ay), (bx, by) = point, a, b
    dx, dy = bx - ax, by - ay
    length = dx * dx + dy * dy
    t = 0 if length == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def outline_distance(point, polygon):
    return min(segment_distance(point, polygon[i - 1], polygon[i]) for i in range(len(polygon)))


def inside_polygon(point, polygon):
    x, y = point
    inside = False
    for (x1, y1), (x2, y2) in zip(polygon[-1:] + polygon[:-1], polygon):
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            inside = not inside
    return inside


def signed_area(polygon):
    return sum(a[0] * b[1] - b[0] * a[1] for a, b in zip(polygon[-1:] + polygon[:-1], polygon)) / 2


def eye_of(polygon, wall, others=()):
    """The eye of a loop drawn as the filled polygon: the part of the
    polygon farther than wall from the outline of all ink, the polygon's and
    that of the other polygons drawn with it (the letter before, whose
    stroke runs into the loop), seen from its deepest point along EYE_RAYS
    rays, and wound against the polygon so that it stays open; None where
    no point is that deep. The polygon's thin parts (a tail) are too thin to
    hold any of it."""
    xs, ys = [x for x, _ in polygon], [y for _, y in polygon]
    near = [o for o in others if min(x for x, _ in o) < max(xs) + wall and max(x for x, _ in o) > min(xs) - wall
            and min(y for _, y in o) < max(ys) + wall and max(y for _, y in o) > min(ys) - wall]
    inks = [polygon] + near
    # The outline of all ink: the edges of each polygon that no other covers.
    edges = [(a, b) for ink in inks for a, b in zip(ink[-1:] + ink[:-1], ink)
             if not any(other is not ink and inside_polygon(((a[0] + b[0]) / 2, (a[1] + b[1]) / 2), other)
                        for other in inks)]

    def clearance(point):
        """How far point lies inside the ink, negative outside the polygon:
        beyond it, the eye would clear the other ink only, not its own."""
        if not inside_polygon(point, polygon):
            return -1.0
        return min(segment_distance(point, a, b) for a, b in edges)

    depth, centre = max((clearance((x, y)), (x, y))
                        for x in range(math.floor(min(xs)), math.ceil(max(xs)), EYE_GRID)
                        for y in range(math.floor(min(ys)), math.ceil(max(ys)), EYE_GRID))
    if depth <= wall:
        return None
    eye = []
    for k in range(EYE_RAYS):
        u = (math.cos(2 * math.pi * k / EYE_RAYS), math.sin(2 * math.pi * k / EYE_RAYS))
        low, high = 0.0, depth - wall
        while clearance((centre[0] + high * u[0], centre[1] + high * u[1])) >= wall:
            low, high = high, 2 * high
        while high - low > 0.5:
            mid = (low + high) / 2
            low, high = (mid, high) if clearance((centre[0] + mid * u[0], centre[1] + mid * u[1])) >= wall else (low, mid)
        eye.append((centre[0] + low * u[0], centre[1] + low * u[1]))
    return eye if (signed_area(eye) > 0) != (signed_area(polygon) > 0) else eye[::-1]


def convex_hull(points):
    points = sorted(set(points))
    if len(points) < 3:
        return points

    def half(sequence):
        out = []
        for p in sequence:
            while len(out) >= 2 and ((out[-1][0] - out[-2][0]) * (p[1] - out[-2][1])
                                     - (out[-1][1] - out[-2][1]) * (p[0] - out[-2][0])) <= 0:
                out.pop()
            out.append(p)
        return out[:-1]
    return half(points) + half(reversed(points))


def clip_to_convex(polygon, hull):
    """The part of a polygon inside a convex polygon wound counterclockwise
    (Sutherland-Hodgman); where the polygon is not convex the part may
    hold edges of no width, which fill nothing."""
    out = polygon
    for a, b in zip(hull, hull[1:] + hull[:1]):
        def side(point):
            return (b[0] - a[0]) * (point[1] - a[1]) - (b[1] - a[1]) * (point[0] - a[0])
        points, out = out, []
        for prev, cur in zip(points[-1:] + points[:-1], points):
            if (side(cur) >= 0) != (side(prev) >= 0):
                t = side(prev) / (side(prev) - side(cur))
                out.append((prev[0] + t * (cur[0] - prev[0]), prev[1] + t * (cur[1] - prev[1])))
            if side(cur) >= 0:
                out.append(cur)
        if not out:
            break
    return out


@functools.lru_cache(maxsize=None)
def looped_final_eye(source, name, others=()):
    """The contours that open the eye that makes the source's hooked final
    heh (a solid head with a tail) the looped final heh of Persian, in the
    glyph's source units: the eye, with the walls of the round heh's loop on
    its thinner side (the lower quartile of the distances of its eye from its
    outline), and, for the glyphs drawn with it (others: (name, x, y) from
    it), the part of each of their contours over the eye, wound against it,
    so that under the nonzero fill no ink is left there; and the indexes in
    others of the glyphs with such parts, which must be drawn as the same
    flattened contours for that. Empty where the head is too thin to hold
    an eye."""
    rings = flattened_contours(source, ROUND_HEH)
    wall = sorted(outline_distance(p, rings[0]) for ring in rings[1:] for p in ring)
    head = max(flattened_contours(source, name), key=lambda c: abs(signed_area(c)))
    polygons = [[(x + ox, y + oy) for x, y in c] for other, ox, oy in others for c in flattened_contours(source, other)]
    eye = eye_of(head, wall[len(wall) // 4], polygons)
    if eye is None:
        return (), ()
    hull = convex_hull(eye)
    covered = [(j, clip_to_convex([(x + ox, y + oy) for x, y in c], hull)) for j, (other, ox, oy) in enumerate(others)
               for c in flattened_contours(source, other, EYE_CLEARED_STEPS)]
    covered = [(j, part) for j, part in covered if len(part) >= 3 and abs(signed_area(part)) > 1]
    return ((tuple(eye),) + tuple(tuple(part[::-1]) for _, part in covered),
            tuple(sorted({j for j, _ in covered})))


def flattened_contours(source, name, steps=FlattenPen.STEPS):
    pen = FlattenPen(source.glyph_set)
    pen.STEPS = steps
    source.glyph_set[name].draw(pen)
    return [contour for contour in pen.contours if len(contour) >= 3]


def stroke_root(source, name):
    """Where a kaf or gaf stroke leaves the body: the rightmost point of the
    glyph's part above the cut that lies on the cut."""
    xs = [x for part in clipped_contours(source, name, STROKE_CUT) for x, y in part if y == STROKE_CUT]
    return max(xs) if xs else None


def stroke_glyph(source, name):
    """The kaf or gaf stroke as a mark: the part of the source letter above
    the top of the lam-like body that our engine draws it on, placed so that
    the letter's exit lands on the anchor (advance 0)."""
    ax, ay = source.exit.get(name, (0, 0))
    out = TTGlyphPen(None)
    for part in clipped_contours(source, name, STROKE_CUT):
        out.moveTo(((part[0][0] - ax) * SCALE, (part[0][1] - ay) * SCALE))
        for x, y in part[1:]:
            out.lineTo(((x - ax) * SCALE, (y - ay) * SCALE))
        out.closePath()
    return out.glyph(), 0


def stroke_anchor(art, slot, dx, dy, advance):
    """(y, x) of the point a stroke mark hangs from: the slot's exit; for a
    kaf or gaf shape, the point that puts the stroke's root on the body's
    own, so that a gaf's strokes cover a kaf's and a body drawn without its
    stroke gets it back."""
    names, offsets = art.shape[slot]
    if names[0].startswith(("Kaf", "Gaf")):
        stroke = art.stroke.get(art.slot_strokes[slot].most_common(1)[0][0])
        body_root, stroke_root_x = stroke_root(art.source, names[0]), stroke and stroke_root(art.source, stroke)
        if body_root is None or stroke_root_x is None:
            return -1, -1
        ax, ay = art.source.exit.get(stroke, (0, 0))
        point = (body_root + offsets[0][0] - stroke_root_x + ax, ay + offsets[0][1])
    else:
        # The stroke hangs from the exit of the body it belongs to: the first
        # letter's, also when the slot draws the letters after it as well.
        own_exit = art.source.exit.get(names[0])
        if own_exit is not None:
            point = (own_exit[0] + offsets[0][0], own_exit[1] + offsets[0][1])
        else:
            point = art.exit(slot) or (art.left_end(slot), 0)
    x, y = point[0] + dx, point[1] + dy
    return round((y + bend(x, advance / SCALE, art.shear[slot], art.bends_both_ends(slot))) * SCALE), \
        round(x * SCALE) - advance


def base_anchor(art, slot, half, dx, dy, advance, boxes, glyph):
    """(y, x) of a slot's anchor in one half: y above the baseline, x from the
    glyph's right edge (negative leftward) to where the advance box of the
    slot's mark starts (boxes, see mark_boxes); (-1, -1) for none. Where the
    letter's dots often sit beside a neighbour's, the source's moved-apart
    position wins if it keeps them on the letter's ink (glyph, bounds known);
    else the mark voted most that the source anchors on the slot's own letter
    wins; then the other letters of a ligature slot are asked."""
    votes = art.half_votes.get((slot, half))
    if not votes:
        return -1, -1
    names, offsets = art.shape[slot]
    crowded = crowded_dots(art, slot, half)
    if crowded is not None:
        x, y = crowded[0] + dx, crowded[1] + dy
        if on_ink(glyph, x * SCALE, boxes[None]):
            art.moved_dots.add((slot, half))
            return round((y + bend(x, advance / SCALE, art.shear[slot], art.bends_both_ends(slot))) * SCALE), \
                round(x * SCALE) - advance - boxes[None] // 2
    for k in range(len(names)):
        for mark, _ in votes.most_common():
            point, mark_point = art.source.base_anchor(names[k], mark)
            if point is None:
                continue
            cx, cy = mark_centre(art.source, mark)
            x = point[0] + offsets[k][0] + cx - mark_point[0] + dx
            y = point[1] + offsets[k][1] + cy - mark_point[1] + dy
            return round((y + bend(x, advance / SCALE, art.shear[slot], art.bends_both_ends(slot))) * SCALE), \
                round(x * SCALE) - advance - boxes[mark] // 2
    return -1, -1


def crowded_dots(art, slot, half):
    """The centre, in source units from the slot's own letter, of the dots
    the source font draws on that letter where the letter next to it has dots
    in the same half, when that happens often enough to decide the slot's
    one anchor; else None. There the source moves both letters' dots apart
    (the peh's three dots and the yeh's two in a word like pish), and one
    anchor at the plain mark position would let them collide."""
    own = art.shape[slot][0][0]
    seen = [(centre, crowded) for base, centre, crowded in art.dots_seen.get((slot, half), []) if base == own]
    crowded = [centre for centre, is_crowded in seen if is_crowded]
    if not crowded or len(crowded) < CROWDED_SHARE * len(seen):
        return None
    return median([x for x, _ in crowded]), median([y for _, y in crowded])


def on_ink(glyph, centre_x, box):
    """Whether dots centred at centre_x (glyph units) still read as the
    glyph's: their centre at most a quarter of the dot box beyond its ink."""
    if getattr(glyph, "numberOfContours", 0) == 0:
        return False
    return glyph.xMin - box / 4 <= centre_x <= glyph.xMax + box / 4


def ink_anchor(glyph, half, advance, boxes):
    """(y, x) of an anchor under or over a glyph's ink, centred on it: for a
    slot that carries dots but whose source shape has no mark anchor, so
    that its dots are drawn at all rather than dropped."""
    if getattr(glyph, "numberOfContours", 0) == 0:
        return -1, -1
    box = boxes[None]
    y = glyph.yMin - INK_ANCHOR_GAP if half else glyph.yMax + INK_ANCHOR_GAP
    return y, (glyph.xMin + glyph.xMax) // 2 - advance - box // 2


def blank_anchor(art, slot, half, advance, boxes):
    """(y, x) of the anchor of a blank attachable slot: where the dots of the
    letter it stands for sit on the shape that the slot before it draws, the
    median over the traced contexts, less half the mark's box as in
    base_anchor; (-1, -1) for none. The blank slot's right edge is the
    drawing slot's left end."""
    ys, xs = [], []
    for head, mark, lift in art.blank_marks.get((slot, half), []):
        if head not in art.shape:
            continue
        names, offsets = art.shape[head]
        last = art.last_letter(head)
        point, mark_point = art.source.base_anchor(names[last], mark)
        if point is None:
            continue
        dx, dy, entry_x = art.placement(head)
        cx, cy = mark_centre(art.source, mark)
        x = point[0] + offsets[last][0] + cx - mark_point[0] + dx
        xs.append(x - boxes[mark] / 2 / SCALE)
        y = point[1] + offsets[last][1] + cy - mark_point[1] + dy
        ys.append(y + bend(x, entry_x, art.shear[head], art.bends_both_ends(head)) + lift)
    if not ys:
        return -1, -1
    return round(median(ys) * SCALE), round(median(xs) * SCALE) - advance


BROKEN_SHOWN = 300      # broken groups the report names, the most frequent first
INK_JOBS = 3            # kavitro-group-ink runs at once
JOIN_TABLE_TAG = "KVJN"
JOIN_ENTRY, JOIN_EXIT = 1, 2
JOIN_INSET = 60         # font units a join point on the ink's end lies inside it
JOIN_REACH = 150        # font units an anchor may lie outside the ink box before it is moved onto the ink


def open_join_ends(art):
    """The slots that the traced words join on a side their shape has no
    anchor for: (slots joined from the letter before, slots joined to the
    letter after). The shape chosen there is one of another position (an
    isolated lam, an initial kaf that a few words write medially). Where
    both sides are open, the letter begins a new chain after one that could
    join it: the pair stays apart, as the tables write it, rather than have
    the correction pull a final shape onto the letter after it."""
    if not hasattr(art, "open_join_ends"):
        entries, exits = set(), set()
        for sa, sb, _ in art.traced_joins(words_only=True):
            if art.exit(sa) is not None and art.entry(sb) is None:
                entries.add(sb)
            if art.entry(sb) is not None and art.exit(sa) is None:
                exits.add(sa)
        art.open_join_ends = entries, exits
    return art.open_join_ends


def ink_end(glyph, right):
    """A point on a drawn glyph's ink, font units, where a letter joining a
    side without an anchor meets it, moved JOIN_INSET into the stroke: the
    far end of the lower half's ink on that side (the base stroke of a kaf),
    or, where that end stands on the other half of the letter (a tooth's
    lower half can lie wholly on its left), the lowest point of the ink's
    outer quarter on that side."""
    if not getattr(glyph, "numberOfContours", 0):
        return None
    on_curve = [p for p, flag in zip(glyph.coordinates, glyph.flags) if flag & 1]
    if not on_curve:
        return None
    middle = (glyph.yMin + glyph.yMax) / 2
    centre = (glyph.xMin + glyph.xMax) / 2
    lower = [p for p in on_curve if p[1] <= middle]
    end = (max(lower) if right else min(lower)) if lower else None
    if end is None or (end[0] < centre if right else end[0] > centre):
        quarter = (glyph.xMax - glyph.xMin) / 4
        outer = [p for p in on_curve if (p[0] >= glyph.xMax - quarter if right else p[0] <= glyph.xMin + quarter)]
        end = min(outer, key=lambda p: (p[1], -p[0] if right else p[0]))
    x, y = end
    return (x - JOIN_INSET, y) if right else (x + JOIN_INSET, y)


def near_ink(glyph, point):
    """Whether a join point lies within JOIN_REACH of the glyph's ink box. A
    source anchor can lie far off the ink where the source joins the letter
    to a form of its neighbour that reaches under it (the feh or qaf head
    over the waw made for it); our neighbour's slot has its plain form. An
    entry at the advance may stand a hairline right of the ink, as the
    source's joins do: that one stays."""
    return bool(getattr(glyph, "numberOfContours", 0)) and (
        glyph.xMin - JOIN_REACH <= point[0] <= glyph.xMax + JOIN_REACH
        and glyph.yMin - JOIN_REACH <= point[1] <= glyph.yMax + JOIN_REACH)


def ink_near(glyph, point):
    """The drawn outline point nearest to an anchor that lies off the ink,
    moved JOIN_INSET into the stroke along x: the join stays on the side of
    the letter its anchor was on (the lower half's far end of a tooth can
    stand on the other side)."""
    points = [p for p, flag in zip(glyph.coordinates, glyph.flags) if flag & 1]
    if not points:
        return None
    x, y = min(points, key=lambda p: (p[0] - point[0]) ** 2 + (p[1] - point[1]) ** 2)
    centre = (glyph.xMin + glyph.xMax) / 2
    return (x - JOIN_INSET, y) if x > centre else (x + JOIN_INSET, y)


def join_point_record(art, slot, glyph):
    """(flags, entry x, entry y, exit x, exit y) of a slot in font units of
    its drawn outline: the exit at the origin and the entry at the advance
    (a moved entry's too), each at the height the joins were settled on, the
    entry's bend included. A side the words join but the shape has no
    anchor for, or whose anchor lies off the drawn ink, joins on its ink
    (see ink_end). Only letters join: other slots, and sides nothing joins,
    are transparent to the engine's chain."""
    if art.kinds.get(slot) != "letter" or slot not in art.shape:
        return (0, 0, 0, 0, 0)
    _, dy, advance = art.placement(slot)
    open_entries, open_exits = open_join_ends(art)
    entry, exit_point = None, None
    point = art.exit(slot)
    if point is not None:
        exit_point = (0, round((point[1] + dy) * SCALE))
        if not near_ink(glyph, exit_point):
            exit_point = ink_near(glyph, exit_point)
    elif slot in open_exits:
        exit_point = ink_end(glyph, right=False)
    point = art.entry(slot)
    if point is not None:
        lift = bend(advance, advance, art.shear[slot], art.bends_both_ends(slot))
        # The font keeps no negative advance (an overlapping alternate form), and
        # the entry stands at the advance the font keeps.
        entry = (max(0, round(advance * SCALE)), round((point[1] + dy + lift) * SCALE))
        if not near_ink(glyph, entry):
            entry = ink_near(glyph, entry)
    elif slot in open_entries:
        entry = ink_end(glyph, right=True)
    flags = (JOIN_ENTRY if entry else 0) | (JOIN_EXIT if exit_point else 0)
    clamp = lambda v: max(-32768, min(32767, round(v)))  # noqa: E731
    return (flags,) + tuple(clamp(v) for v in (entry or (0, 0)) + (exit_point or (0, 0)))


def join_point_table(art, f, glyphs):
    """The font's KVJN table: version 1, a record for every glyph index."""
    from fontTools.ttLib.tables.DefaultTable import DefaultTable
    table = DefaultTable(JOIN_TABLE_TAG)
    records = [join_point_record(art, (f, g), glyphs.get(placeholder.glyph_name(g))) if g >= placeholder.FIRST_DRAWN
               else (0, 0, 0, 0, 0) for g in range(GLYPHS)]
    table.data = struct.pack(">HH", 1, GLYPHS) + b"".join(struct.pack(">Hhhhh", *r) for r in records)
    return table


def run_ink_tool(tool, data_dir, lines, option, summary_pattern):
    """What kavitro-group-ink says of the lines with `option`, typed with the
    artwork in data_dir: (the summary's two counts summed, Counter of the
    first field of the lines it lists). The lines are measured in INK_JOBS
    parts at once."""
    parts = [lines[i::INK_JOBS] for i in range(INK_JOBS)]
    files, runs = [], []
    try:
        for part in parts:
            with tempfile.NamedTemporaryFile("w", encoding="utf-8", suffix=".txt", delete=False) as typed:
                typed.write("\n".join(part) + "\n")
            files.append(typed.name)
            runs.append(subprocess.Popen([tool, "--data-dir", data_dir, option, typed.name], stdout=subprocess.PIPE))
        first, second, listed = 0, 0, Counter()
        for run in runs:
            out = run.communicate()[0].decode("utf-8").splitlines()
            if run.returncode != 0 or not out:
                sys.exit("make_nastaliq_artwork: %s failed" % tool)
            summary = re.fullmatch(summary_pattern, out[-1])
            first, second = first + int(summary.group(1)), second + int(summary.group(2))
            listed.update(line.split("\t")[0] for line in out[:-1])
        return first, second, listed
    finally:
        for run in runs:
            run.wait()
        for name in files:
            os.unlink(name)


def group_ink(tool, data_dir, lines):
    """(groups, groups in one piece, Counter of the broken groups) of the
    lines as the program writes them, with the join correction."""
    return run_ink_tool(tool, data_dir, lines, "--broken-only", r"joined groups: (\d+), one piece: (\d+) \(.*\)")


def ink_piece_report(pieces):
    """The report's lines on the joined groups written in one piece of ink."""
    groups, whole, broken = pieces
    return (["joined groups in one piece of ink: %.2f%% (%d of %d)" % (100.0 * whole / max(1, groups), whole, groups)]
            + ["broken group %s: %d times" % item for item in broken.most_common(BROKEN_SHOWN)])


def neighbour_dots_report(tool, data_dir, lines):
    """The report's lines on the words whose neighbouring letters' dots
    touch as the program places them."""
    count, crowded, words = run_ink_tool(tool, data_dir, lines, "--dots",
                                         r"lines: (\d+), with touching dots: (\d+) \(.*\)")
    return (["words whose neighbouring dots touch: %.2f%% (%d of %d)" % (100.0 * crowded / max(1, count), crowded, count)]
            + ["dots touch in %s" % word for word in sorted(words)[:BROKEN_SHOWN]])


def save_atomically(font, path):
    tmp = path + ".tmp"
    font.save(tmp)
    os.replace(tmp, path)


def write_atomically(path, data):
    tmp = path + ".tmp"
    with open(tmp, "wb") as fh:
        fh.write(data)
    os.replace(tmp, path)


def license_text(debian_copyright):
    """The OFL 1.1 text from the package's copyright file: the stanza that
    opens with 'License: OFL-1.1' and carries the text, indented, with '.'
    marking blank lines."""
    with open(debian_copyright, encoding="utf-8") as f:
        stanzas = f.read().split("\n\n")
    for stanza in stanzas:
        lines = stanza.strip("\n").split("\n")
        if lines[0].rstrip() == "License: OFL-1.1" and len(lines) > 1:
            body = [l[1:] for l in lines[1:] if l.startswith(" ")]
            return "\n".join("" if l.strip() == "." else l for l in body).strip() + "\n"
    raise SystemExit("make_nastaliq_artwork: no OFL 1.1 text in " + debian_copyright)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--shape-tool", required=True)
    parser.add_argument("--trace-data", required=True, help="data folder the engine traces with")
    parser.add_argument("--source", required=True)
    parser.add_argument("--license", required=True)
    parser.add_argument("--word-list", required=True)
    parser.add_argument("--rules-dir", required=True, help="the engine's rule tables")
    parser.add_argument("--ink-tool", help="kavitro-group-ink, to report the joined groups written in one piece")
    parser.add_argument("--vector-path-tool", help="make_vector_paths, to make the vector-path file of the fonts")
    parser.add_argument("out_dir")
    args = parser.parse_args()
    os.makedirs(os.path.join(args.out_dir, "fonts"), exist_ok=True)

    source = SourceFont(args.source)
    kinds = {}
    with open(os.path.join(args.trace_data, "artwork-manifest.txt"), encoding="utf-8") as f:
        for line in f:
            parts = line.split()
            if parts and parts[0] == "glyph":
                kinds[(int(parts[1]), int(parts[2]))] = parts[3]

    sequences, words = trace_lines(args.word_list)
    lines = sequences + words
    plain = [without_modification_keys(line) for line in lines]
    records = run_engine_on(args.shape_tool, args.trace_data, lines)
    if len(records) != len(lines):
        sys.exit("make_nastaliq_artwork: %d lines typed, %d by the engine" % (len(lines), len(records)))
    starts = chain_start_slots([r for r, line, text in zip(records, lines, plain) if line == text], kinds)
    given = [with_chain_breaks(text, record, starts) for text, record in zip(plain, records)]
    shaped = run_harfbuzz_on(args.source, given)
    if len(shaped) != len(lines):
        sys.exit("make_nastaliq_artwork: %d lines typed, %d by HarfBuzz" % (len(lines), len(shaped)))

    art = Artwork(source, kinds)
    matched = 0
    for index, (text, record, glyphs) in enumerate(zip(given, records, shaped)):
        letters = align(text, record, glyphs, source)
        if letters is not None:
            matched += 1
            art.add(letters, index >= len(sequences), text != lines[index])
    # The alternatives menu offers shapings of a connected group of letters
    # that typing does not reach (a glyph variant of a letter inside it):
    # their slots take the shape the source font gives those letters there.
    # The menu shapes a group as if nothing came before it, so each group of
    # the dictionary words is typed alone.
    groups = sorted({"".join(chr(int(c["code"], 16)) for c in word["chars"] if c["code"] != "0020")
                     for record in records[len(sequences):] for word in record["words"]
                     if len(word["chars"]) <= VARIANT_GROUP_LIMIT} - {""})
    alternatives = run_engine_on(args.shape_tool, args.trace_data, groups, variants=True)
    # Each shaping joins its letters its own way: HarfBuzz is given each
    # group once for every way its shapings break it into chains.
    shapings = [(group, {"refused": [], "words": [word]}) for group, record in zip(groups, alternatives)
                for word in record["words"][1:]]
    given = [with_chain_breaks(group, record, starts) for group, record in shapings]
    distinct = sorted(set(given))
    shaped_distinct = run_harfbuzz_on(args.source, distinct)
    if len(shaped_distinct) != len(distinct):
        sys.exit("make_nastaliq_artwork: %d groups given, %d shaped by HarfBuzz"
                 % (len(distinct), len(shaped_distinct)))
    shaped_groups = dict(zip(distinct, shaped_distinct))
    variants = 0
    for text, (_, record) in zip(given, shapings):
        letters = align(text, record, shaped_groups.get(text, []), source)
        if letters is not None:
            variants += 1
            art.add(letters, False, variant=True)
    art.choose()
    art.settle_variant_slots()
    art.fill_siblings(rule_siblings(args.rules_dir))

    copyright_line = next(n.toUnicode() for n in source.font["name"].names if n.nameID == 0)
    anchors = build_fonts(art, args.out_dir, copyright_line)
    ys, xs = [], []
    for half in (0, 1):
        for f in range(1, FONT_COUNT + 1):
            for g in range(GLYPHS):
                y, x = anchors.get((f, g), ((-1, -1), (-1, -1)))[half]
                ys.append(y)
                xs.append(x)
    write_atomically(os.path.join(args.out_dir, "MarkAnchors.bin"),
                     struct.pack("<%di" % len(ys), *ys) + struct.pack("<%di" % len(xs), *xs))
    write_atomically(os.path.join(args.out_dir, "OFL.txt"),
                     (copyright_line + "\nGlyph artwork of Kavitro derived from Noto Nastaliq Urdu.\n\n"
                      "This Font Software is licensed under the SIL Open Font License, Version 1.1.\n\n"
                      "SIL OPEN FONT LICENSE Version 1.1 - 26 February 2007\n\n"
                      + license_text(args.license)).encode("utf-8"))

    letter_slots = [s for s, k in kinds.items() if k in DRAWN_KINDS]
    gaps, unmeasured = art.join_gaps()
    gaps.sort()
    closed = bisect.bisect_right(gaps, GAP_CLOSED)
    report = [
        "lines typed: %d, matched code by code: %d, alternatives of words: %d" % (len(lines), matched, variants),
        "letter, digit and punctuation slots: %d, reached: %d, from a sibling: %d, left as placeholders: %d" % (
            len(letter_slots), sum(1 for s in letter_slots if s in art.shape and s not in art.borrowed),
            len(art.borrowed), sum(1 for s in letter_slots if s not in art.shape)),
        "dot marks reached: %d, stroke marks: %d" % (len(art.mark), len(art.stroke)),
        "joins measured: %d, unmeasured (no anchor): %d" % (len(gaps), unmeasured),
    ]
    if gaps:
        report += [
            "joins within %d units: %.2f%%" % (GAP_CLOSED, 100.0 * closed / len(gaps)),
            "joins within %d units, counting the unmeasured as open: %.2f%%" % (
                GAP_CLOSED, 100.0 * closed / (len(gaps) + unmeasured)),
            "joins beyond %d units: %d; median gap %.0f, worst %.0f" % (
                GAP_WORST, len(gaps) - bisect.bisect_right(gaps, GAP_WORST), gaps[len(gaps) // 2], gaps[-1]),
        ]
    if args.vector_path_tool:
        # The engine reads the vector-path file with the fonts: the ink
        # measure below types through it, so it is made from these fonts first.
        subprocess.run([args.vector_path_tool, args.out_dir], check=True)
    if args.ink_tool:
        report += ink_piece_report(group_ink(args.ink_tool, args.out_dir, words))
        report += neighbour_dots_report(args.ink_tool, args.out_dir, words)
    report += ["unreached slots: " + " ".join("%d/%d" % s for s in sorted(letter_slots) if s not in art.shape)]
    report += ["slot %d/%d from sibling %d/%d" % (s + b) for s, b in sorted(art.borrowed.items())]
    report += ["slot %d/%d %s raise %d votes %s" % (s[0], s[1], "+".join(art.shape[s][0]), art.raise_by[s],
                                                    ",".join("%s:%d" % ("+".join(k), v)
                                                             for k, v in art.votes[s].most_common(3)))
               for s in sorted(art.shape)]
    for (slot, half), seen in sorted(art.dots_seen.items()):
        if slot in art.shape:
            own = [crowded for base, _, crowded in seen if base == art.shape[slot][0][0]]
            report.append("dots %d/%d %s: %d of %d crowded%s" % (
                slot + ("below" if half else "above", sum(own), len(own),
                        ", moved apart" if (slot, half) in art.moved_dots else "")))
    report += ["mark %d %s" % (m, art.mark[m]) for m in sorted(art.mark)]
    report += ["stroke %d from %s" % (m, art.stroke[m]) for m in sorted(art.stroke)]
    write_atomically(os.path.join(args.out_dir, "artwork-report.txt"), ("\n".join(report) + "\n").encode("utf-8"))
    print("\n".join(report[:7]))


if __name__ == "__main__":
    main()
