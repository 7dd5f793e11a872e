#!/usr/bin/python3
"""Checks that the joined letter groups the program writes with the derived
Nastaliq artwork are one piece of ink (kavitro-group-ink, with the join
correction): every group of the proof text, and at least the share this
artwork reached of a fixed sample of the word list; and that the dots of
neighbouring letters keep clear of each other there (kavitro-group-ink
--dots).

usage: test_group_ink.py ARTWORK_DIR INK_TOOL PROOF_TEXT WORD_LIST"""

import os
import re
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_nastaliq_artwork as artwork  # noqa: E402

FOLDER, INK_TOOL, PROOF_TEXT, WORD_LIST = (sys.argv.pop(1) for _ in range(4)) if len(sys.argv) > 4 else (None,) * 4
SAMPLE_STEP = 20  # every 20th word of the generator's sample: about 4,000 words
REACHED = 99.9    # the sample's groups in one piece, percent: this artwork reached 100 (a few may go with new shapes)
DOTS_REACHED = 0.05  # the sample's words whose neighbouring dots touch, percent: about 2.6 unstaggered, 0.02 staggered


def measure(path):
    """(percentage of groups in one piece, the broken groups)."""
    out = subprocess.run([INK_TOOL, "--data-dir", FOLDER, "--broken-only", path],
                         capture_output=True, check=True).stdout.decode("utf-8").splitlines()
    percent = float(re.fullmatch(r"joined groups: \d+, one piece: \d+ \(([\d.]+)%\)", out[-1]).group(1))
    return percent, [line.split("\t")[0] for line in out[:-1]]


def measure_dots(path):
    """(percentage of lines whose neighbouring dots touch, those lines)."""
    out = subprocess.run([INK_TOOL, "--data-dir", FOLDER, "--dots", path],
                         capture_output=True, check=True).stdout.decode("utf-8").splitlines()
    percent = float(re.fullmatch(r"lines: \d+, with touching dots: \d+ \(([\d.]+)%\)", out[-1]).group(1))
    return percent, [line.split("\t")[0] for line in out[:-1]]


def word_list_sample():
    """A temporary file of the fixed sample of the word list; the caller removes it."""
    words = artwork.trace_lines(WORD_LIST)[1][::SAMPLE_STEP]
    with tempfile.NamedTemporaryFile("w", encoding="utf-8", suffix=".txt", delete=False) as sample:
        sample.write("\n".join(words) + "\n")
    return len(words), sample.name


@unittest.skipUnless(INK_TOOL, "needs the artwork folder, the tool, the proof text and the word list")
class JoinedGroups(unittest.TestCase):
    def test_every_group_of_the_proof_text_is_one_piece(self):
        # The ligature of "allah" with a suffix («اللهی») included.
        self.assertEqual(measure(PROOF_TEXT)[1], [])

    def test_the_word_list_sample_keeps_its_share_in_one_piece(self):
        count, path = word_list_sample()
        try:
            percent, broken = measure(path)
        finally:
            os.unlink(path)
        self.assertGreater(count, 3000)
        print("joined groups in one piece: %.2f%%; broken: %s" % (percent, " ".join(sorted(set(broken)))))
        self.assertGreaterEqual(percent, REACHED)

    def test_neighbouring_dots_keep_clear(self):
        # «پیچ» and «پیتزا» crowded their dots before they were staggered.
        self.assertEqual(measure_dots(PROOF_TEXT)[1], [])
        count, path = word_list_sample()
        try:
            percent, crowded = measure_dots(path)
        finally:
            os.unlink(path)
        print("words whose neighbouring dots touch: %.2f%%: %s" % (percent, " ".join(crowded)))
        self.assertLessEqual(percent, DOTS_REACHED)


if __name__ == "__main__":
    unittest.main()
