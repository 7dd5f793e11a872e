#!/usr/bin/env python3
"""Checks that the table agreement check finds a filled row that leaves a
letter in a form the next letter's table does not list, names the row and the
words that reach it, and passes once the row writes a listed form."""

import os
import subprocess
import sys
import tempfile
import unittest

CLOSURE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "closure.py")

# A beh after a beh leaves the first one in 1/241, a form the reh table does
# not list after 1/188; the reh table lists 1/215, which its own start row
# shows to be a beh form.
BEH = """table beh
kind letter
start -> 1/133
c1=1/133 -> 1/188 P1({form}; 0) {tag}
-> refuse
"""
REH = """table reh
kind letter
start -> 1/75
c1=1/133 -> 5/34{start_action}
c1=1/188:
  c2=1/215 -> 5/34 S1(1/99; 0)
  -> refuse
-> refuse
"""
WORDS = "3\nبر\nببر/A\nکبر\n"  # no kaf table here: the last word is left out


def run_closure(tables, words_text):
    with tempfile.TemporaryDirectory() as folder:
        for name, text in tables.items():
            with open(os.path.join(folder, f"{name}.rules"), "w", encoding="utf-8") as f:
                f.write(text)
        words = os.path.join(folder, "words.dic")
        with open(words, "w", encoding="utf-8") as f:
            f.write(words_text)
        return subprocess.run([sys.executable, CLOSURE, folder, "--words", words], capture_output=True, text=True)


def check(form, start_action=" S1(1/215; 0)", tag="@fill"):
    return run_closure({"beh": BEH.format(form=form, tag=tag), "reh": REH.format(start_action=start_action)}, WORDS)


class Closure(unittest.TestCase):
    def test_names_the_filled_row_and_the_words_it_fails(self):
        # A mended row is held to the forms the later tables list like a filled one.
        for tag, origin in (("@fill", "filled"), ("@mend", "mended")):
            with self.subTest(tag=tag):
                result = check("1/241", tag=tag)
                self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
                self.assertIn("1 with a refused letter", result.stdout)
                self.assertIn(f"beh.rules:4 ({origin}) leaves c1 in a form that reh refuses as c2: "
                              "1 words, e.g. ببر", result.stdout)

    def test_passes_when_the_row_writes_a_listed_form(self):
        result = check("1/215")
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertIn("0 with a refused letter", result.stdout)

    def test_a_letter_the_table_lists_no_form_of_is_its_own_refusal(self):
        # Without the start row's re-shape nothing shows that 1/215 is a beh
        # form: the reh table lists no form of that beh, and the refusal is
        # the table's own, reported with the row that left the letter.
        result = check("1/241", start_action="")
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertIn("stated: reh.rules:7 refuses c2 as beh.rules:4 (filled) left it", result.stdout)

    def test_a_refusal_depends_on_the_rows_behind_the_letters_it_tests(self):
        # A filled row shapes the first two behs. The third beh takes 1/119
        # either from a row that tests nothing, so the reh's refusal after it
        # depends on given rows only, or from a row that tests the second beh,
        # whose form the fill decided.
        fill = "table beh\nkind letter\nstart -> 1/133\nc1=1/133 -> 1/188 P1(1/241; 0) @fill\n"
        reh = "table reh\nkind letter\nstart -> 1/75\nc1=1/119 -> refuse\n-> refuse\n"
        for third, dependence in (("-> 1/119\n", "every row it depends on given"),
                                  ("c1=1/188 -> 1/119\n-> refuse\n", "it depends on beh.rules:4 (filled)")):
            with self.subTest(third=third):
                result = run_closure({"beh": fill + third, "reh": reh}, "1\nبببر\n")
                self.assertIn(f"stated: reh.rules:4 refuses the letter; the row itself refuses; {dependence}: 1 words",
                              result.stdout)


if __name__ == "__main__":
    unittest.main()
