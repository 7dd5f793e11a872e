#!/usr/bin/env python3
"""Checks that the rule compiler accepts the notation and rejects malformed rows
with the file and line of the fault."""

import os
import subprocess
import sys
import tempfile
import unittest

RULEC = os.path.join(os.path.dirname(os.path.abspath(__file__)), "rulec.py")


def compile_text(text, name="sample", check=True):
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, f"{name}.rules")
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        output = os.path.join(folder, "out.cpp")
        args = [sys.executable, RULEC, "--output", output] + (["--check"] if check else []) + [path]
        result = subprocess.run(args, capture_output=True, text=True)
        generated = ""
        if os.path.exists(output):
            with open(output, encoding="utf-8") as f:
                generated = f.read()
        return result, generated


LETTER = "table sample\nkind letter\n"


class Malformed(unittest.TestCase):
    CASES = [
        ("c1=6/2 -> 1/3", "sample.rules:3: bad glyph '6/2'"),
        ("c1=1/0 -> 1/3", "glyph index out of range"),
        ("c1=1/2 -> 1/3 C2(1/2; 3, 4)", "C2 takes 2 glyph(s), got 1"),
        ("c1=1/2 -> 1/3 C1(1/2; 3)", "C1 takes 2 lift(s), got 1"),
        ("c1=1/2 -> 1/3 C2(1/2, =c3; 3, 4, 5)", "'=c3' can stand only for letter c2"),
        ("c1=1/2 -> P1(1/2; 3)", "must give c0 a glyph or refuse"),
        ("c1=1/2 -> nothing", "gives c0 a glyph or refuses"),
        ("c1=1/2:", "sample.rules:3: block has no rows"),
        ("c1=1/2:\n  -> 1/3\n    -> 1/4", "sample.rules:5: indentation differs"),
        ("cx=1 -> refuse", "unknown condition 'cx=1'"),
        ("c1.code=06A -> refuse", "bad code point"),
        ("c1=1/2 -> 1/3 @maybe", "unknown tag '@maybe'"),
        ("c1=1/2 -> 1/3 X9(1/2; 1)", "bad action"),
        ("c1=1/2 -> refuse P1(1/2; 1)", "'refuse' takes nothing after it"),
        ("c1=1/2 -> 1/3 C1(1/2; x, 1)", "bad number 'x'"),
    ]

    def test_each_fault_is_named_with_its_line(self):
        for row, message in self.CASES:
            with self.subTest(row=row):
                result, _ = compile_text(LETTER + row + "\n")
                self.assertEqual(result.returncode, 1)
                self.assertIn(message, result.stderr)

    def test_header_faults(self):
        result, _ = compile_text("kind letter\nc1=1/2 -> refuse\n")
        self.assertIn("rows come after the 'table' and 'kind' lines", result.stderr)
        result, _ = compile_text("table other\nkind letter\nc1=1/2 -> refuse\n")
        self.assertIn("differs from the file name", result.stderr)
        result, _ = compile_text("table sample\nkind wordend\nc1=1/2 -> 1/3\n")
        self.assertIn("only letter tables give c0 a glyph", result.stderr)


class WellFormed(unittest.TestCase):
    TEXT = LETTER + """
start -> 1/133
c1=1/188:            # a block: entered when c1 is 1/188
  c2=1/241 c1.alt -> 1/219 C2(4/185, 1/40; -27, 126, 10000)
  c2.code=06A9|06AF -> 1/188 S1(1/2; 0) @fill
  -> refuse
else -> 1/119 C1(=c1; 142, 189) @derive
"""

    def test_flattens_to_skip_indexed_preorder_with_origins(self):
        result, generated = compile_text(self.TEXT)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("sample: 5 rows, 1 refusals, derived 1, filled 1, given 3", result.stdout)
        # start, block, its three rows, else: the block skips to the else row.
        self.assertIn("{1, 1, 5, -1, 5},", generated)
        self.assertIn("0x06A9, 0x06AF", generated)
        self.assertIn("{kKeepGlyph, 0x00000", generated)
        self.assertIn("Origin::Filled", generated)
        self.assertIn("Origin::Derived", generated)

    def test_output_is_stable(self):
        _, first = compile_text(self.TEXT)
        _, second = compile_text(self.TEXT)
        self.assertEqual(first, second)


if __name__ == "__main__":
    unittest.main()
