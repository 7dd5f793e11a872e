#!/usr/bin/python3
"""Every word of the Persian word list that types whole keeps its shapes: a
rule row added for words the tables refused must not change a word that
already typed.

    word_list_shapes.py KAVITRO_SHAPE DIGEST            check; names the changed words
    word_list_shapes.py KAVITRO_SHAPE DIGEST --update   record what the engine does now

The words are the word list folded as the table agreement check folds it
(tools/rulec/closure.py). A word's shapes are, per character, its code, glyph,
lift, mark and flags, grouped as kavitro-shape groups them; the x positions and
any other field are left out, since they follow the glyph artwork, not the
rules. The digest (xz-compressed text) holds the words that were refused, one
short hash of word and shapes per word that typed whole (sorted, as base-36
deltas, so that it stays small) and one full hash over all of them: a changed
word is named through its short hash, and the full hash catches the rare
change whose short hash meets another word's.
"""

import concurrent.futures
import hashlib
import json
import lzma
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools", "rulec"))
import closure  # noqa: E402

WORD_LIST = "/usr/share/hunspell/fa_IR.dic"
HEADER = "kavitro word-list shapes 1"
FIELDS = ("code", "glyph", "y", "mark", "flags")
JOBS = 3
SHOWN = 20  # changed words printed


def shapes_of(record):
    return " | ".join(" ".join(":".join(str(c[f]) for f in FIELDS) for c in word["chars"])
                      for word in record["words"])


def type_words(tool, words):
    """word -> its shapes, or None when a letter of it is refused."""
    chunks = [words[i::JOBS] for i in range(JOBS)]

    def run(chunk):
        result = subprocess.run([tool], input=("\n".join(chunk) + "\n").encode("utf-8"),
                                capture_output=True, timeout=1200)
        if result.returncode != 0:
            sys.exit(f"{tool} failed ({result.returncode}): {result.stderr.decode(errors='replace')}")
        records = [json.loads(line) for line in result.stdout.decode("utf-8").splitlines()]
        if len(records) != len(chunk):
            sys.exit(f"{tool} gave {len(records)} results for {len(chunk)} words")
        return records

    typed = {}
    with concurrent.futures.ThreadPoolExecutor(JOBS) as pool:
        for chunk, records in zip(chunks, pool.map(run, chunks)):
            for word, record in zip(chunk, records):
                typed[word] = None if record["refused"] else shapes_of(record)
    return typed


def short_hash(word, shapes):
    return int.from_bytes(hashlib.blake2b(f"{word}\t{shapes}".encode(), digest_size=4).digest(), "big")


def full_hash(typed, words):
    h = hashlib.sha256()
    for word in sorted(words):
        h.update(f"{word}\t{typed[word]}\n".encode())
    return h.hexdigest()


def to_base36(n):
    digits = "0123456789abcdefghijklmnopqrstuvwxyz"
    out = ""
    while True:
        n, d = divmod(n, 36)
        out = digits[d] + out
        if not n:
            return out


def write_digest(path, typed):
    whole = [w for w, s in typed.items() if s is not None]
    refused = sorted(w for w, s in typed.items() if s is None)
    hashes = sorted({short_hash(w, typed[w]) for w in whole})
    deltas = [to_base36(b - a) for a, b in zip([0] + hashes, hashes)]
    lines = [HEADER, f"whole {len(whole)} {full_hash(typed, whole)}", f"refused {len(refused)}", *refused,
             f"hashes {len(deltas)}", *deltas]
    data = lzma.compress(("\n".join(lines) + "\n").encode("utf-8"), preset=9 | lzma.PRESET_EXTREME)
    temporary = f"{path}.tmp{os.getpid()}"
    with open(temporary, "wb") as f:
        f.write(data)
    os.replace(temporary, path)
    print(f"recorded {len(whole)} words typed whole, {len(refused)} refused, {len(data)} bytes")


def read_digest(path):
    with open(path, "rb") as f:
        lines = lzma.decompress(f.read()).decode("utf-8").splitlines()
    if lines[0] != HEADER:
        sys.exit(f"{path}: not a word-list shapes digest")
    _, count, total = lines[1].split()
    n_refused = int(lines[2].split()[1])
    refused = set(lines[3:3 + n_refused])
    hashes, value = set(), 0
    for delta in lines[4 + n_refused:]:
        value += int(delta, 36)
        hashes.add(value)
    return int(count), total, refused, hashes


def check(path, typed):
    count, total, refused_before, hashes = read_digest(path)
    whole_before = [w for w in typed if w not in refused_before]
    changed = sorted(w for w in whole_before if typed[w] is None or short_hash(w, typed[w]) not in hashes)
    mended = sum(1 for w in refused_before if typed.get(w) is not None)
    print(f"word list: {len(whole_before)} words typed whole before, {len(changed)} of them type differently; "
          f"{mended} of {len(refused_before)} words refused before type whole now")
    if not changed and len(whole_before) == count and full_hash(typed, whole_before) == total:
        return 0
    for word in changed[:SHOWN]:
        print(f"  {word}: {'now refused' if typed[word] is None else 'new shapes ' + typed[word]}")
    if not changed:
        print("  the words' shapes differ from the record (a change the short hashes do not show), "
              "or the word list changed")
    print(f"If every change is meant, record the shapes anew with: {sys.argv[0]} KAVITRO_SHAPE {path} --update")
    return 1


def main(argv):
    args = [a for a in argv[1:] if a != "--update"]
    if len(args) != 2:
        sys.exit(__doc__)
    tool, path = args
    if not os.path.exists(WORD_LIST):
        print(f"{WORD_LIST} is missing (package myspell-fa); skipped")
        return 77
    typed = type_words(tool, sorted(set(closure.read_words(WORD_LIST))))
    if "--update" in argv:
        write_digest(path, typed)
        return 0
    return check(path, typed)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
