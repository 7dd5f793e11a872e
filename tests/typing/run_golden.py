#!/usr/bin/python3
"""Types the cases of golden typing files through kavitro-shape and compares
what comes out with what the files expect.

A case is one line, "text;shapes". The shapes are the words of the text
object in order, split by " | "; in a word, one entry per character: the
glyph as font/index, then "@lift" when the letter is lifted (y units, growing
downward), then "+mark" when it carries a dot or stroke (font 4's glyph
index). Refused code points are listed last, as "| refused 3,5" (indexes
into the text). Lines starting with "#" and blank lines are comments.

    run_golden.py KAVITRO_SHAPE FILE...            check; a mismatch prints a diff
    run_golden.py KAVITRO_SHAPE --update FILE...   write what the engine does now
"""

import difflib
import json
import os
import subprocess
import sys
import tempfile


def shapes_of(record):
    words = []
    for word in record["words"]:
        entries = []
        for c in word["chars"]:
            entry = c["glyph"]
            if c["y"]:
                entry += f"@{c['y']}"
            if c["mark"]:
                entry += f"+{c['mark']}"
            entries.append(entry)
        words.append(" ".join(entries))
    if record["refused"]:
        words.append("refused " + ",".join(str(i) for i in record["refused"]))
    return " | ".join(words)


def is_case(line):
    return line.strip() != "" and not line.startswith("#")


def shaped_lines(tool, lines):
    """The file's lines with every case's shapes as the engine makes them now."""
    texts = [line.split(";", 1)[0] for line in lines if is_case(line)]
    if not texts:
        return list(lines)
    result = subprocess.run([tool], input="\n".join(texts).encode("utf-8") + b"\n",
                            capture_output=True, timeout=600)
    if result.returncode != 0:
        sys.exit(f"{tool} failed ({result.returncode}): {result.stderr.decode(errors='replace')}")
    records = [json.loads(line) for line in result.stdout.decode("utf-8").splitlines()]
    if len(records) != len(texts):
        sys.exit(f"{tool} gave {len(records)} results for {len(texts)} cases")
    shapes = iter(shapes_of(r) for r in records)
    return [f"{line.split(';', 1)[0]};{next(shapes)}" if is_case(line) else line for line in lines]


def write_atomically(path, lines):
    folder = os.path.dirname(os.path.abspath(path))
    fd, temp = tempfile.mkstemp(dir=folder, prefix=".golden-")
    try:
        # mkstemp makes the file private; the file it replaces keeps its mode.
        os.chmod(temp, os.stat(path).st_mode & 0o7777)
        with os.fdopen(fd, "w", encoding="utf-8") as f:
            f.writelines(line + "\n" for line in lines)
        os.replace(temp, path)
    except BaseException:
        os.unlink(temp)
        raise


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    tool, files = argv[1], argv[2:]
    update = "--update" in files
    files = [f for f in files if f != "--update"]
    failed = False
    for path in files:
        with open(path, encoding="utf-8") as f:
            lines = f.read().splitlines()
        malformed = [n for n, line in enumerate(lines, 1) if is_case(line) and ";" not in line]
        if malformed:
            sys.exit(f"{path}:{malformed[0]}: a case needs 'text;shapes'")
        now = shaped_lines(tool, lines)
        if now == lines:
            continue
        if update:
            write_atomically(path, now)
            print(f"updated {path}")
            continue
        failed = True
        sys.stdout.writelines(difflib.unified_diff([l + "\n" for l in lines], [l + "\n" for l in now],
                                                   path + " (expected)", path + " (typed now)"))
    if failed:
        print("\nIf the change is meant, write the new shapes with:\n"
              f"  {argv[0]} {tool} --update {' '.join(files)}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
