#!/usr/bin/python3
"""The keyboard generator refuses malformed layout tables, with the line."""

import os
import subprocess
import sys
import tempfile
import unittest

SCRIPT = sys.argv.pop(1)
TABLE = sys.argv.pop(1)


def run(table_text):
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "layout.txt")
        with open(path, "w", encoding="utf-8") as fh:
            fh.write(table_text)
        out = os.path.join(folder, "out")
        result = subprocess.run([sys.executable, SCRIPT, path, out], capture_output=True, text=True)
        files = sorted(os.listdir(out)) if os.path.isdir(out) else []
        return result.returncode, result.stderr, files


class KeyboardTable(unittest.TestCase):
    def setUp(self):
        with open(TABLE, encoding="utf-8") as fh:
            self.lines = fh.read().splitlines()

    def replace(self, old, new):
        text = "\n".join(self.lines)
        self.assertIn(old, text)
        return text.replace(old, new, 1)

    def test_the_installed_table_passes(self):
        code, err, files = run("\n".join(self.lines))
        self.assertEqual(code, 0, err)
        self.assertEqual(files, ["DefaultKB.kvp", "KBUIMap.kvp", "UserDefinedKB.kvp"])

    def test_malformed_rows_fail_with_their_line(self):
        cases = {
            "hamza alef": ("G  none", "G  U+0623"),
            "hamza alef below": ("F  none", "F  U+0625"),
            "control code": ("Q  none", "Q  U+000D"),
            "key twice": ("W  none", "Q  none"),
            "bad hex": ("U+0636", "U+06ZZ"),
            "button twice": ("1041  1  1", "1040  1  1"),
            "unknown button": ("1041  1  1", "1039  1  1"),
            "missing column": ("1041  1  1    w", "1041  1  w"),
        }
        for name, (old, new) in cases.items():
            with self.subTest(name):
                code, err, files = run(self.replace(old, new))
                self.assertNotEqual(code, 0)
                self.assertIn("line ", err)
                self.assertEqual(files, [], "nothing is written from a bad table")


if __name__ == "__main__":
    unittest.main()
