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
    return compile_files({name: text}, check)


def compile_files(texts, check=True):
    with tempfile.TemporaryDirectory() as folder:
        paths = []
        for name, text in texts.items():
            paths.append(os.path.join(folder, f"{name}.rules"))
            with open(paths[-1], "w", encoding="utf-8") as f:
                f.write(text)
        output = os.path.join(folder, "out.cpp")
        args = [sys.executable, RULEC, "--output", output] + (["--check"] if check else []) + paths
        result = subprocess.run(args, capture_output=True, text=True)
        generated = ""
        if os.path.exists(output):
            with open(output, encoding="utf-8") as f:
                generated = f.read()
        return result, generated


LETTER = "table sample\nkind letter\n"
VARIANT = "table sample\nkind variant\n"
SWAP = "table sample\nkind swap\n"


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
        # A space inside a number or a glyph of an action is a typo, not a
        # number or glyph of its own: "1 0" must not be read as 10.
        ("c1=1/2 -> 1/3 C2(1/2, 1/3; 1 0, 2, 3)", "sample.rules:3: space inside"),
        ("c1=1/2 -> 1/3 P1(1/ 33; 0)", "sample.rules:3: space inside"),
        ("pos<=4294967296 -> refuse", "sample.rules:3: number out of range"),
        # Numbers too long for Python to convert, and digits of other scripts,
        # are faults of the row, not of the compiler.
        ("pos<=" + "9" * 5000 + " -> refuse", "sample.rules:3: number out of range"),
        ("c1=1/2 -> 1/3 C1(1/2; " + "1" * 5000 + ", 0)", "sample.rules:3: number out of range"),
        ("pos<=\u0664 -> refuse", "sample.rules:3: unknown condition"),
        ("c1=1/\u0663 -> refuse", "sample.rules:3: unknown condition"),
        ("c1=1/2 -> 1/3 C1(1/2; \uff11, 0)", "sample.rules:3: bad number"),
        ("c1=1/2 -> \u06f1/3", "sample.rules:3: a letter table row must give c0 a glyph"),
        ("".join(" " * depth + f"c1=1/{depth % 200 + 1}:\n" for depth in range(1000)) + " " * 1000 + "-> refuse",
         "sample.rules:35: blocks nested more than 32 deep"),
        # Indentation is spaces only: a no-break space must not move a row
        # out of its block.
        ("c1=1/2:\n  c2=1/3 -> 1/4\n\u00a0 c2=1/5 -> 1/6", "sample.rules:5: indentation is spaces only"),
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
        # Two table names that the generated C++ would name alike.
        for first, second in (("swap2", "swap_2"), ("a_b", "a__b")):
            with self.subTest(names=(first, second)):
                result, _ = compile_files({first: f"table {first}\nkind swap\n1/2 -> 1/3\n",
                                                   second: f"table {second}\nkind swap\n1/2 -> 1/3\n"})
                self.assertEqual(result.returncode, 1)
                self.assertIn("give the same C++ name", result.stderr)
        # Bytes that are no UTF-8 text are named like any other fault.
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "sample.rules")
            with open(path, "wb") as f:
                f.write(LETTER.encode() + b"c1=1/2 -> 1/3 # caf\xe9\n")
            result = subprocess.run([sys.executable, RULEC, "--check", path], capture_output=True, text=True)
            self.assertEqual(result.returncode, 1)
            self.assertIn("sample.rules: not UTF-8 text", result.stderr)
        # A second kind line would change how the rows before it are read.
        for second in ("wordend\nc1=1/4 -> S1(1/5; 0)", "letter", "variant\n1/4 -> 1/5"):
            with self.subTest(second=second):
                result, _ = compile_text(LETTER + "c1=1/2 -> 1/3\nkind " + second + "\n")
                self.assertEqual(result.returncode, 1)
                self.assertIn("sample.rules:4: second 'kind' line", result.stderr)


class MalformedModification(unittest.TestCase):
    CASES = [
        (VARIANT, "code=0647 -> 1/2", "sample.rules:3: a variant row starts with the target glyph it is keyed on"),
        (VARIANT, "prev=1/3:\n  1/2 -> 1/4", "sample.rules:3: a variant row starts with the target glyph"),
        (VARIANT, "1/2 c1=1/3 -> 1/4", "unknown condition 'c1=1/3'"),
        (VARIANT, "1/2 prev.code=06 -> 1/4", "bad code point '06'"),
        (VARIANT, "1/2 -> 1/4 lift=3", "unknown result field 'lift=3'"),
        (VARIANT, "1/2 -> 1/4 prev=1/5 prev=1/6", "'prev' named twice"),
        (VARIANT, "1/2 -> 1/4 prev1=x", "bad number 'x'"),
        (VARIANT, "1/2 -> 1/4 next=9/9", "bad glyph '9/9'"),
        (VARIANT, "1/2 -> refuse", "a variant row gives the target's new glyph, 'nothing' or 'lookup'"),
        (VARIANT, "1/2 -> lookup 1/3", "'lookup' takes nothing after it"),
        (VARIANT, "1/2:\n  prev=1/3 -> 1/4 @maybe", "sample.rules:4: unknown tag '@maybe'"),
        (SWAP, "1/2 -> lookup", "'lookup' belongs to variant tables"),
        (SWAP, "1/2 -> nothing rest=1", "'nothing' takes nothing after it"),
        (SWAP, "1/2 prev=1/3 -> 1/4", "a swap row tests only the target's glyph and next="),
        (SWAP, "1/2 code=0647 -> 1/4", "a swap row tests only the target's glyph and next="),
        (SWAP, "1/2 -> 1/4 prev=1/5", "a swap row sets only the target's glyph and rest="),
        (SWAP, "1/2 -> 1/4 shift=1", "a swap row sets only the target's glyph and rest="),
        # The bare key glyph belongs to the new kinds only.
        (LETTER, "1/2 -> 1/3", "unknown condition '1/2'"),
    ]

    def test_each_fault_is_named_with_its_line(self):
        for header, row, message in self.CASES:
            with self.subTest(row=row):
                result, _ = compile_text(header + row + "\n")
                self.assertEqual(result.returncode, 1)
                self.assertIn(message, result.stderr)


class WellFormed(unittest.TestCase):
    TEXT = LETTER + """
start -> 1/133
c1=1/188:            # a block: entered when c1 is 1/188
  c2=1/241 c1.alt -> 1/219 C2(4/185, 1/40; -27, 126, 10000)
  c2.code=06A9|06AF -> 1/188 S1(1/2; 0) @fill
  c2=1/215 -> 1/188 S1(1/3; 0) @mend
  -> refuse
else -> 1/119 C1(=c1; 142, 189) @derive
"""

    def test_flattens_to_skip_indexed_preorder_with_origins(self):
        result, generated = compile_text(self.TEXT)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("sample: 6 rows, 1 refusals, derived 1, filled 1, given 3, mended 1", result.stdout)
        # start, block, its four rows, else: the block skips to the else row.
        self.assertIn("{.conditionBegin = 1, .conditionCount = 1, .skip = 6, .outcome = -1, .line = 5},", generated)
        self.assertIn("0x06A9, 0x06AF", generated)
        self.assertIn(".glyphs = {kKeepGlyph, 0x00000", generated)
        self.assertIn("Origin::Filled", generated)
        self.assertIn("Origin::Derived", generated)
        self.assertIn("Origin::Mended, .line = 8}", generated)

    def test_output_is_stable(self):
        _, first = compile_text(self.TEXT)
        _, second = compile_text(self.TEXT)
        self.assertEqual(first, second)


class WellFormedModification(unittest.TestCase):
    TEXT = VARIANT + """
1/65 -> 4/164
1/150 next=1/151 -> 2/44 next=5/34
1/114 code=06A9|06AF:
  prev=1/141 prev.code=0647 -> 4/230 prev=3/42 prev1=81 rest=30
  prev=2/186 -> 2/86 prev=2/175 prev1=-151 @derive
  else -> 4/230 @fill
1/141 -> lookup
"""

    def test_flattens_with_letters_fields_and_origins(self):
        result, generated = compile_text(self.TEXT)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("sample: 6 rows, 5 results, 1 without, derived 1, filled 1, given 4", result.stdout)
        # The key and the code test read the target (k 0), prev= the letter before (k 1), next= the one after (2).
        self.assertIn("{.kind = ConditionKind::GlyphEq, .k = 0, .a = 0x10041u, .b = 0u},", generated)
        self.assertIn("{.kind = ConditionKind::GlyphEq, .k = 2, .a = 0x10097u, .b = 0u},", generated)
        self.assertIn("{.kind = ConditionKind::CodeIn, .k = 1, .a = 2u, .b = 1u},", generated)
        # target, previous, next glyph; target, previous-1..3, rest, next-1..3 shifts
        self.assertIn("{.verdict = ModificationVerdict::Modify, "
                      ".glyphs = {.target = 0x400E6, .previous = 0x3002A, .next = 0x00000}, "
                      ".shifts = {.target = 0, .previous1 = 81, .previous2 = 0, .previous3 = 0, .rest = 30, "
                      ".next1 = 0, .next2 = 0, .next3 = 0}, .origin = Origin::Given, .line = 7},", generated)
        self.assertIn(".glyphs = {.target = 0x20056, .previous = 0x200AF, .next = 0x00000}, "
                      ".shifts = {.target = 0, .previous1 = -151,", generated)
        self.assertIn(".origin = Origin::Derived, .line = 8},", generated)
        # The block of 1/114 skips to the row after its three rows.
        self.assertIn("{.conditionBegin = 3, .conditionCount = 2, .skip = 6, .outcome = -1, .line = 6},", generated)
        self.assertIn("{.verdict = ModificationVerdict::Lookup, .glyphs = {.target = 0x00000,", generated)
        self.assertIn('{.name = "sample", .kind = ModificationKind::Variant, .nodes = {kSampleNodes, 7},', generated)

    def test_shaping_tables_compile_as_before(self):
        # The shaping tables come out the same whether or not modification
        # tables are compiled beside them; those follow in their own section.
        _, alone = compile_files({"sample": WellFormed.TEXT})
        _, beside = compile_files({"sample": WellFormed.TEXT, "swap": SWAP.replace("sample", "swap") + "1/2 -> 1/3\n"})
        end = "}  // namespace kavitro::rules\n"
        self.assertEqual(alone[: alone.index(end)], beside[: beside.index(end)])
        self.assertIn("ModificationKind::Swap", beside[beside.index(end):])


if __name__ == "__main__":
    unittest.main()
