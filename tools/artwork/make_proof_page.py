#!/usr/bin/python3
"""Makes the artwork proof page: the proof lines typed into a new document by
kavitro-doc (each line feed is the Enter key, so each line is its own text
object one line step lower, as in the editor), that page exported to PNG by
the program's own page export, and beside it the same lines set by hb-view
in the source font at the same em and line pitch, so that line n of one
stands level with line n of the other. The text size is the largest at
which one page holds every line (Enter keeps to the page it starts on).

usage: make_proof_page.py --doc-tool EXE --data-dir DIR --source FONT
           --text FILE OUTPUT.png
"""

import argparse
import json
import os
import re
import subprocess
import tempfile

# Text sizes are taken in steps of this, so that the em is a whole number of
# pixels at the export's default scale (a pixel is 4 of the document's
# 0.01 mm, an em is size * 2880 / 2160 of them).
SIZE_STEP = 3
LARGEST_SIZE = 600   # larger writing would leave a proof of a few words a line
PIXEL_UNITS = 4
GAP = 60          # pixels between the two pages and around them
LABEL_POINTS = 72


def run(*command):
    done = subprocess.run(list(command), capture_output=True)
    if done.returncode != 0:
        raise SystemExit("make_proof_page: %s failed (%d): %s"
                         % (os.path.basename(command[0]), done.returncode, done.stderr.decode(errors="replace")))
    return done.stdout


class ProofDocument:
    """The proof lines as a kavitro-doc document at one text size."""

    def __init__(self, tool, data_dir, text, path):
        self.tool, self.data_dir, self.text, self.path = tool, data_dir, text, path

    def doc(self, *args):
        return run(self.tool, "--data-dir", self.data_dir, *args)

    def make(self, size):
        self.doc("new", self.path, "--size", str(size), "--text", self.text)
        return json.loads(self.doc("dump", self.path))

    def fitted(self):
        """The largest size (a multiple of SIZE_STEP) at which every line
        stands inside the first page's margins, and that document's dump."""
        size = LARGEST_SIZE
        while True:
            dump = self.make(size)
            room = overflow_ratio(dump)
            if room >= 1 or size <= SIZE_STEP:
                return size, dump
            # The first line's place does not scale with the size, so the
            # ratio falls short at first and a step or two more follow.
            size = min(size - SIZE_STEP, max(SIZE_STEP, int(size * room) // SIZE_STEP * SIZE_STEP))


def overflow_ratio(dump):
    """How far the frames may grow and still keep within the margin box
    (below 1: they stand outside it). Frames are stored mirrored, y up."""
    width, height = dump["pageSize"]
    left, _, _, bottom = dump["margins"]
    rects = [o["rect"] for o in dump["objects"]]
    lowest = -min(r[1] for r in rects)
    widest = -min(r[2] for r in rects)
    return min((height - bottom) / lowest, (width - left) / widest)


def line_pitch(dump):
    """The step between consecutive lines in document units (Enter's step)."""
    tops = [o["rect"][1] for o in dump["objects"]]
    steps = {a - b for a, b in zip(tops, tops[1:])}
    if len(steps) > 1:
        raise SystemExit("make_proof_page: the lines do not stand one line step apart: %s" % sorted(steps))
    return steps.pop() if steps else 0


def visual_numbers(line):
    """hb-view sets a line as one right-to-left run (it does no bidi), so
    the digits of a number are given to it reversed to read left to right."""
    return re.sub("[0-9\u06F0-\u06F9]+", lambda m: m.group()[::-1], line)


def label(text, path):
    run("convert", "-background", "white", "-fill", "gray30", "-pointsize", str(LABEL_POINTS),
        "label:" + text, path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--doc-tool", required=True)
    parser.add_argument("--data-dir", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--text", required=True)
    parser.add_argument("output")
    args = parser.parse_args()
    with open(args.text, encoding="utf-8") as f:
        lines = [l.strip() for l in f if l.strip()]
    with tempfile.TemporaryDirectory() as work:
        document = ProofDocument(args.doc_tool, args.data_dir, "\n".join(lines), os.path.join(work, "proof.kv2"))
        size, dump = document.fitted()
        if len(dump["objects"]) != len(lines):
            raise SystemExit("make_proof_page: %d lines made %d text objects" % (len(lines), len(dump["objects"])))
        ours = os.path.join(work, "ours.png")
        document.doc("export", document.path, ours, "--page", "0", "--format", "png")

        # The source font at our em, each line set alone and right-aligned,
        # the lines our line step apart (rounded once per line, not summed).
        # Each line keeps an em of room all round on a clear ground, for the
        # ink beyond the font's extents (the kaf's stroke, deep tails).
        em = size * 2880 // 2160 // PIXEL_UNITS
        pitch = line_pitch(dump) / PIXEL_UNITS
        theirs = []
        for n, line in enumerate(lines):
            theirs.append(os.path.join(work, "theirs%03d.png" % n))
            run("hb-view", "--language=fa", "--font-size=%d" % em, "--margin=%d" % em, "--background=FFFFFF00",
                "--output-file=" + theirs[-1], args.source, visual_numbers(line))
        widths = [int(w) for w in run("identify", "-format", "%w\n", *theirs).split()]
        column = []
        for n, (picture, width) in enumerate(zip(theirs, widths)):
            column += ["-page", "+%d+%d" % (max(widths) - width, round(n * pitch)), picture]

        # Both trimmed to their ink and set top to top: the derived glyphs
        # keep the source font's heights, so the lines stand level.
        label(os.path.basename(args.source) + " by hb-view", os.path.join(work, "theirs-label.png"))
        label("kavitro-doc export, text size %d" % size, os.path.join(work, "ours-label.png"))
        tmp = args.output + ".tmp.png"
        gap = ["-size", "%dx%d" % (GAP, GAP), "xc:white"]
        # Each page in a thin frame, so that long lines do not run together;
        # the whole at half the export's scale, which still shows every dot.
        frame = ["-bordercolor", "white", "-border", str(GAP), "-bordercolor", "gray70", "-border", "4"]
        run("convert", "-background", "white",
            "(", os.path.join(work, "theirs-label.png"), *gap,
            "(", "-background", "none", *column, "+page", "-layers", "merge", "-background", "white", "-flatten",
            "-trim", "+repage", *frame, ")",
            "-gravity", "east", "-append", ")",
            *gap,
            "(", os.path.join(work, "ours-label.png"), *gap, "(", ours, "-flatten", "-trim", "+repage", *frame, ")",
            "-gravity", "east", "-append", ")",
            "-gravity", "north", "+append", "-bordercolor", "white", "-border", str(GAP),
            "-resize", "50%", "-colorspace", "Gray", "-depth", "8", "+repage", tmp)
        os.replace(tmp, args.output)


if __name__ == "__main__":
    main()
