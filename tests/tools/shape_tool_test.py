#!/usr/bin/python3
"""kavitro-shape takes any bytes: every input line gives one JSON line whose
words hold exactly the accepted code points (each spaced punctuation mark
after its space) followed by the text object's trailing space."""

import json
import os
import random
import subprocess
import sys
import tempfile
import unittest

TOOL = sys.argv.pop(1) if len(sys.argv) > 1 else "kavitro-shape"

SPACED = set("!\"()*+-./:=[\\]{}\u060c\u061b\u061f\u066a\uf02a")


def run(data: bytes):
    result = subprocess.run([TOOL], input=data, capture_output=True, timeout=120)
    if result.returncode != 0:
        raise AssertionError(f"exit {result.returncode}: {result.stderr.decode(errors='replace')}")
    return [json.loads(line) for line in result.stdout.decode("utf-8").splitlines()]


def typed_text(record):
    return "".join(chr(int(c["code"], 16)) for w in record["words"] for c in w["chars"])


def check_record(test, record):
    test.assertTrue(record["words"], "a text object always holds its space")
    for word in record["words"]:
        test.assertTrue(word["chars"], "no empty word")
        for c in word["chars"]:
            font, index = (int(v) for v in c["glyph"].split("/"))
            test.assertTrue(1 <= font <= 5 and 1 <= index <= 255, c)
            test.assertRegex(c["code"], r"^[0-9A-F]{4}$")
            test.assertTrue(all(isinstance(c[k], int) for k in ("dx", "dy", "markdx", "markdy")), c)
    refused = record["refused"]
    test.assertEqual(refused, sorted(set(refused)))
    text = record["text"]
    test.assertTrue(all(0 <= i < len(text) for i in refused))
    expected = "".join(
        (" " + ch if ch in SPACED else ch) for i, ch in enumerate(text) if i not in set(refused)
    ) + " "
    test.assertEqual(typed_text(record), expected)


class ShapeToolTest(unittest.TestCase):
    def test_valid_text_round_trips(self):
        lines = ["سلام دنیا", "۱۲۳. ۴۵", "", "(کتاب) «خط» ۱۴۰۲!", "\ue000\uf02a\uffff", "😀 ۱"]
        records = run("\n".join(lines).encode() + b"\n")
        self.assertEqual(len(records), len(lines))
        for line, record in zip(lines, records):
            self.assertEqual(record["text"], line)
            check_record(self, record)
        # Digits and punctuation always shape; ASCII, emoji and private codes do not.
        self.assertEqual(records[1]["refused"], [])
        self.assertEqual(records[5]["refused"], [0])
        self.assertEqual(records[4]["refused"], [0, 2])

    def test_bad_bytes_and_control_characters(self):
        lines = [
            b"\xff\xfe\xc3(\x80",        # not UTF-8
            b"\xed\xa0\x80\xc0\xaf",     # surrogate, overlong form
            b"\xe2\x82",                 # cut short
            b"\x00\x01\x08\x1b\x7f\t",  # control codes
            "\uff96\uff97\uff98".encode(),  # text-modification codes typed as text
            b"\xd8\xb3\r",               # CRLF line end
        ]
        records = run(b"\n".join(lines))  # the last line has no newline
        self.assertEqual(len(records), len(lines))
        for record in records:
            check_record(self, record)
        self.assertEqual(records[3]["refused"], list(range(6)))
        self.assertEqual(records[4]["refused"], [0, 1, 2])
        self.assertEqual(records[5]["text"], "\u0633")

    def test_random_input(self):
        rng = random.Random(7)
        alphabet = [chr(c) for c in range(0x0620, 0x0650)] + list(" .!()۰۱۹") + ["\u067e", "\u06a9", "\u06cc"]
        lines = []
        for _ in range(200):
            if rng.random() < 0.3:
                lines.append(bytes(rng.randrange(256) for _ in range(rng.randrange(40))).replace(b"\n", b""))
            else:
                lines.append("".join(rng.choice(alphabet) for _ in range(rng.randrange(60))).encode())
        lines.append(("کتاب " * 200).encode())
        records = run(b"\n".join(lines) + b"\n")
        self.assertEqual(len(records), len(lines))
        for record in records:
            check_record(self, record)


class CommandLineTest(unittest.TestCase):
    """Usage, arguments and every failure a user can meet give a message and
    a non-zero exit, never a silent or partial success."""

    def call(self, args, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE):
        return subprocess.run([TOOL] + args, stdin=stdin, stdout=stdout, stderr=subprocess.PIPE, timeout=120)

    def test_help_and_bad_arguments(self):
        for flag in ("--help", "-h"):
            result = self.call([flag])
            self.assertEqual(result.returncode, 0)
            self.assertIn(b"Usage: kavitro-shape", result.stdout)
            self.assertIn(b'"refused"', result.stdout)  # the JSON is described
        for args in (["--bogus"], ["-x", "file"], ["--data-dir"]):
            result = self.call(args)
            self.assertEqual(result.returncode, 2, args)
            self.assertIn(b"--help", result.stderr)
            self.assertEqual(result.stdout, b"")

    def test_reads_the_files_given_in_order(self):
        with tempfile.TemporaryDirectory() as folder:
            first, second = os.path.join(folder, "a.txt"), os.path.join(folder, "-b.txt")
            with open(first, "w", encoding="utf-8") as f:
                f.write("\u06a9\u062a\u0627\u0628\n\u0633\n")
            with open(second, "w", encoding="utf-8") as f:
                f.write("\u06f1")
            result = self.call([first, "-", "--", second], stdin=io_bytes("\u0628\n"))
            self.assertEqual(result.returncode, 0, result.stderr)
            texts = [json.loads(line)["text"] for line in result.stdout.decode().splitlines()]
            self.assertEqual(texts, ["\u06a9\u062a\u0627\u0628", "\u0633", "\u0628", "\u06f1"])

            result = self.call([first, os.path.join(folder, "missing.txt")])
            self.assertEqual(result.returncode, 1)
            self.assertIn(b"missing.txt", result.stderr)
            self.assertEqual(len(result.stdout.splitlines()), 2)  # what was shaped before still comes out

    def test_variants_list_the_word_then_its_alternatives(self):
        plain = self.call([], stdin=io_bytes("\u0628\u06cc\u0633\u062a \u0628\n"))
        varied = self.call(["--variants"], stdin=io_bytes("\u0628\u06cc\u0633\u062a \u0628\n"))
        self.assertEqual(varied.returncode, 0, varied.stderr)
        first = json.loads(plain.stdout)["words"][0]
        words = json.loads(varied.stdout)["words"]
        glyphs = [[c["glyph"] for c in w["chars"]] for w in words]
        self.assertEqual(glyphs[0], [c["glyph"] for c in first["chars"]])
        self.assertGreater(len(words), 1)
        self.assertEqual(len(set(map(tuple, glyphs))), len(glyphs))  # each shaping once
        for w in words:  # every alternative spells the same letters
            self.assertEqual([c["code"] for c in w["chars"]], [c["code"] for c in first["chars"]])

    def test_unreadable_input_and_unwritable_output_fail(self):
        with tempfile.TemporaryDirectory() as folder:
            directory = os.open(folder, os.O_RDONLY)
            try:
                result = self.call([], stdin=directory)
            finally:
                os.close(directory)
            self.assertEqual(result.returncode, 1)
            self.assertIn(b"standard input", result.stderr)
            result = self.call([folder])
            self.assertEqual(result.returncode, 1)
            self.assertIn(folder.encode(), result.stderr)
        if os.path.exists("/dev/full"):
            with open("/dev/full", "wb") as full:
                result = self.call([], stdin=io_bytes("\u06a9\u062a\u0627\u0628\n" * 3), stdout=full)
            self.assertEqual(result.returncode, 1)
            self.assertIn(b"cannot write", result.stderr)

    def test_missing_glyph_data_is_named(self):
        with tempfile.TemporaryDirectory() as folder:
            result = self.call(["--data-dir", folder], stdin=io_bytes("\u0628\n"))
            self.assertEqual(result.returncode, 1)
            self.assertEqual(result.stdout, b"")
            for name in ("Vorl21.ttf", "Vorl25.ttf", "MarkAnchors.bin"):
                self.assertIn(os.path.join(folder, name if name.endswith(".bin") else "fonts/" + name).encode(),
                              result.stderr)


def io_bytes(text):
    """A file object holding the UTF-8 bytes of text, for a child's stdin."""
    f = tempfile.TemporaryFile()
    f.write(text.encode("utf-8"))
    f.seek(0)
    return f


if __name__ == "__main__":
    unittest.main()
