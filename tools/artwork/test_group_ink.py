#!/usr/bin/python3
"""Checks that the joined letter groups the program writes with the derived
Nastaliq artwork are one piece of ink (kavitro-group-ink, with the join
correction): every group of the proof text, and at least the share this
artwork reached of a fixed sample of the word list.

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


def measure(path):
    """(percentage of groups in one piece, the broken groups)."""
    out = subprocess.run([INK_TOOL, "--data-dir", FOLDER, "--broken-only", path],
                         capture_output=True, check=True).stdout.decode("utf-8").splitlines()
    percent = float(re.fullmatch(r"joined groups: \d+, one piece: \d+ \(([\d.]+)%\)", out[-1]).group(1))
    return percent, [line.split("\t")[0] for line in out[:-1]]


@unittest.skipUnless(INK_TOOL, "needs the artwork folder, the tool, the proof text and the word list")
class JoinedGroups(unittest.TestCase):
    def test_every_group_of_the_proof_text_is_one_piece(self):
        # The one exception the tables write: the ligature of "allah" takes
        # no joined suffix (its heh is drawn final), so a suffix begins a
        # chain of its own, apart from the ligature.
        allah_with_suffix = re.compile("\u0644\u0644\u0647.")
        broken = measure(PROOF_TEXT)[1]
        self.assertEqual([group for group in broken if not allah_with_suffix.fullmatch(group)], [])

    def test_the_word_list_sample_keeps_its_share_in_one_piece(self):
        words = artwork.trace_lines(WORD_LIST)[1][::SAMPLE_STEP]
        self.assertGreater(len(words), 3000)
        with tempfile.NamedTemporaryFile("w", encoding="utf-8", suffix=".txt", delete=False) as sample:
            sample.write("\n".join(words) + "\n")
        try:
            percent, broken = measure(sample.name)
        finally:
            os.unlink(sample.name)
        print("joined groups in one piece: %.2f%%; broken: %s" % (percent, " ".join(sorted(set(broken)))))
        self.assertGreaterEqual(percent, REACHED)


if __name__ == "__main__":
    unittest.main()
