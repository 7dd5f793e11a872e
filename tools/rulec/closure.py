#!/usr/bin/env python3
"""Checks that the letter tables agree with each other: the forms a derived,
filled or mended row leaves the letters before the new one in must be forms
that the tables of the letters after it know in that position.

Usage: closure.py [--words FILE.dic] [--min-share X] [--report N] RULES_DIR

It types every word of a word list (folded as the keyboard folds it) through
the letter tables as the engine runs them, and follows each refused letter to
the letter whose form the refusing table's keys do not list and to the row
that left that letter in its form. When that row is derived, filled or mended
(a mended row is one the fill policy adds before a refusal that real words
reach; it is held to the same forms as a filled one) and the table lists
another form of the same letter there, the fill is at fault: the
pair (row that wrote, table that refused) is listed with the words that reach
it, and the check fails. Every other refusal is the table's own (a given row
left the form, or the table lists no form of that letter there); it is
listed with the refusing row, the row that left the letter and the derived,
filled or mended rows the refusal depends on: the rows that wrote the letters the
refusing row tests, and behind each of them the rows that wrote the letters
it tested, back to the start of the word. The check
also fails when fewer words than --min-share type whole. A missing word list
skips the check (exit code 77).

Which letter a glyph is a form of comes from the typing itself (the letters
seen in that form) and, for forms never seen, from the rows that re-shape a
letter keyed on one form into another.

The model is rulec's parse of the .rules files; it does not read the compiled
C++ tables, so it follows the notation, not their layout.
"""

import argparse
import collections
import glob
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import rulec  # noqa: E402

KEEP = rulec.KEEP
SPACE, SPACE_GLYPH = 0x0020, (1 << 16) | 32

# Code point -> letter table, as the engine's dispatcher routes letters.
GROUPS = {
    0x0621: "yeh", 0x0622: "alef", 0x0627: "alef", 0x0628: "beh", 0x062A: "beh", 0x062B: "beh",
    0x062C: "jeem", 0x062D: "jeem", 0x062E: "jeem", 0x062F: "dal", 0x0630: "dal", 0x0631: "reh",
    0x0632: "reh", 0x0633: "seen", 0x0634: "seen", 0x0635: "sad", 0x0636: "sad", 0x0637: "tah",
    0x0638: "tah", 0x0639: "ain", 0x063A: "ain", 0x0641: "feh", 0x0642: "qaf", 0x0644: "lam",
    0x0645: "meem", 0x0646: "noon", 0x0647: "heh", 0x0648: "waw", 0x067E: "beh", 0x0686: "jeem",
    0x0698: "reh", 0x06A9: "kaf", 0x06AF: "kaf", 0x06CC: "yeh",
}
NON_JOINING = {0x0622, 0x0627, 0x0631, 0x0632, 0x0648, 0x0698, SPACE}
DAL_THAL = {0x062F, 0x0630}
REH_ZAIN_JEH = {0x0631, 0x0632, 0x0698}

# The keyboard's folding of typed text; the non-joiner becomes a space.
FOLDING = str.maketrans({
    "\u0623": "\u0627", "\u0625": "\u0627", "\u0624": "\u0648", "\u0626": "\u0621",
    "\u0643": "\u06a9", "\u064a": "\u06cc", "\u200c": " ",
})


def glyph_name(g):
    return "=" if g == KEEP else f"{g >> 16}/{g & 0xFFFF}"


class Row:
    """A leaf of a table with its place and origin."""

    def __init__(self, table, node, tag, path):
        self.table = table
        self.line = node.line
        self.outcome = node.outcome
        self.origin = rulec.TAGS[node.outcome["tag"] or tag]
        self.path = path  # the conditions of the row and of its blocks

    def __repr__(self):
        return f"{self.table}.rules:{self.line}"


class Table:
    def __init__(self, path):
        self.name, self.kind, root = rulec.parse_file(path)
        self.root = root
        self.rows = {}

        def visit(node, tag, path):
            tag = node.tag or tag
            path = path + node.conditions
            if node.outcome is not None:
                self.rows[id(node)] = Row(self.name, node, tag, path)
            for child in node.children:
                visit(child, tag, path)

        for child in root.children:
            visit(child, "", [])

    def first_match(self, context, entered=None):
        return self._walk(self.root.children, context, entered)

    def _walk(self, nodes, context, entered):
        for node in nodes:
            if not all(holds(c, context) for c in node.conditions):
                continue
            if node.outcome is not None:
                return self.rows[id(node)]
            if entered is not None:
                entered.append(node)
            found = self._walk(node.children, context, entered)
            if found is not None:
                return found
        return None

    def missing_key(self, context):
        """Where a refusal comes from: the letter ck whose glyph the deepest
        block entered does not list among its keys, and those keys."""
        entered = []
        self.first_match(context, entered)
        block = entered[-1] if entered else self.root
        keys = collections.defaultdict(set)
        for child in block.children:
            if child.conditions and child.conditions[0][0] == "GlyphEq":
                keys[child.conditions[0][1]].add(child.conditions[0][2])
        for k, listed in sorted(keys.items(), key=lambda kv: -len(kv[1])):
            if context.c[k].glyph not in listed:
                return k, listed
        return None, set()


class Letter:
    __slots__ = ("code", "glyph", "lift", "writer", "decided_by")

    def __init__(self, code, glyph=0, writer=None, decided_by=frozenset()):
        self.code = code
        self.glyph = glyph
        self.lift = 0
        self.writer = writer  # (row, place in its action) that left the letter in its form
        # The rows whose outcome the letter's form depends on: the row that
        # wrote it and, through the letters that row tested, the rows behind.
        self.decided_by = decided_by


EMPTY = Letter(0)


class Context:
    def __init__(self, letters, pos, chain_start):
        self.c = [None] + [letters[-1 - k] if k < len(letters) else EMPTY for k in range(1, 6)]
        self.pos = pos
        self.chain_start = chain_start


def holds(condition, context):
    kind, k, a, b = condition
    if kind == "ChainStart":
        return context.chain_start
    if kind == "PosLe":
        return context.pos <= a
    if kind == "PosGt":
        return context.pos > a
    if kind == "ModeZero":
        return True
    if kind == "ModeNonZero":
        return False
    ck = context.c[k]
    if kind == "GlyphEq":
        return ck.glyph == a
    if kind == "GlyphNe":
        return ck.glyph != a
    if kind == "GlyphRange":
        return a <= ck.glyph <= b
    if kind == "AltSet":
        return False  # typed text carries no alternate flag
    if kind == "AltClear":
        return True
    if kind == "CodeIn":
        return ck.code in a
    if kind == "CodeNotIn":
        return ck.code not in a
    raise ValueError(kind)


def chain_start(letters, k):
    """IsChainStart(k) over the letters (c0 last)."""
    index = len(letters) - 1 - k
    if index < 0:
        return True
    code = letters[index].code
    if code not in DAL_THAL:
        return code in NON_JOINING
    following = letters[index + 1].code
    if following not in REH_ZAIN_JEH:
        return True
    return not chain_start(letters, k + 1)


def tested_letters(conditions):
    """The places k (1..5) whose letter a list of conditions looks at."""
    not_a_letter = ("ChainStart", "PosLe", "PosGt", "ModeZero", "ModeNonZero")
    return {k for kind, k, _, _ in conditions if kind not in not_a_letter}


def decided_by(letters, places):
    """The rows that decided the forms of the letters at those places."""
    rows = set()
    for k in places:
        if k < len(letters):
            rows |= letters[-1 - k].decided_by
    return rows


def apply(row, letters):
    decided = frozenset(decided_by(letters, tested_letters(row.path)) | {row})
    letters[-1].glyph = row.outcome["glyph0"]
    letters[-1].writer = (row, 0)
    letters[-1].decided_by = decided
    action = row.outcome["action"]
    if action is None:
        return
    kind, count, glyphs, lifts, rest = action
    if kind != "Chain":
        c1 = letters[-2]
        if glyphs[0] != KEEP:
            c1.glyph = glyphs[0]
            c1.decided_by = decided
        c1.writer = (row, 1)
        c1.lift += -lifts[0] if kind == "SetGlyph1AddY" else lifts[0]
        return
    if count >= 2 and rest == 10000:
        rest = lifts[-1]
    for k in range(1, len(letters)):
        if k >= 2 and chain_start(letters, k):
            return
        c = letters[-1 - k]
        if k <= count:
            c.lift += lifts[k - 1]
            if glyphs[k - 1] != KEEP:
                c.glyph = glyphs[k - 1]
                c.decided_by = decided
            c.writer = (row, k)
        else:
            c.lift += rest


class Refusal:
    """A refused letter: the row that refused (None: no row held), the table,
    the letters it saw, the letter whose form its keys do not list, and the
    derived, filled or mended rows the refusal depends on (through the letters
    the refusing row and the blocks around it test)."""

    def __init__(self, index, table, row, context):
        self.index = index
        self.table = table
        self.row = row
        self.seen = [(c.code, c.glyph, c.writer) for c in context.c[1:]]
        self.k, self.listed = table.missing_key(context)
        places = tested_letters(row.path) if row is not None else set()
        if self.k is not None:
            places.add(self.k)
        rows = set()
        for k in places:
            rows |= context.c[k].decided_by
        if row is not None:
            rows.add(row)
        self.not_given = tuple(sorted((r for r in rows if r.origin != "Given"), key=repr))

    def culprit(self, forms):
        """(row, place) of the derived, filled or mended row that left the letter
        in a form the refusing table does not list, where it lists another form
        of that letter; None when a given row left it so, or when the table lists
        no form of that letter there (its own refusal)."""
        if self.k is None:
            return None
        code, _, writer = self.seen[self.k - 1]
        if writer is None or writer[0].origin == "Given":
            return None
        if code not in GROUPS or not any(GROUPS[code] in forms.get(g, ()) for g in self.listed):
            return None
        return writer


def letter_forms(tables, observed):
    """glyph -> the letter tables whose letters take that form: the letters
    seen in that form while typing (observed: glyph -> Counter of tables),
    and for a form never seen, the letter of the form it is re-shaped from or
    into by a row keyed on it (a row keyed on ck = G that re-shapes ck to G')."""
    forms = {}
    for glyph, counts in observed.items():
        total = sum(counts.values())
        forms[glyph] = {name for name, n in counts.items() if n * 50 >= total}
    pairs = []
    for table in tables.values():
        for row in table.rows.values():
            action = row.outcome["action"]
            if action is None:
                continue
            for k, written in enumerate(action[2], start=1):
                for kind, ck, key, _ in row.path:
                    if kind == "GlyphEq" and ck == k and written != KEEP and written != key:
                        pairs.append((key, written))
    for _ in range(4):
        for a, b in pairs:
            if a in forms and b not in forms:
                forms[b] = set(forms[a])
            elif b in forms and a not in forms:
                forms[a] = set(forms[b])
    return forms


class Typist:
    def __init__(self, rules_dir):
        self.tables = {}
        for path in sorted(glob.glob(os.path.join(rules_dir, "*.rules"))):
            name = os.path.splitext(os.path.basename(path))[0]
            if name in set(GROUPS.values()):
                self.tables[name] = Table(path)
        self.observed = collections.defaultdict(collections.Counter)  # glyph -> letter tables
        self._last = ("", [], [], 0)  # the previous word's text and states, to share prefixes

    def type_word(self, text):
        """Types the text letter by letter; returns the letters and the
        refusals (the first one ends the word: what follows it depends on it)."""
        shared = 0
        previous, states, _, _ = self._last
        while shared < min(len(text), len(previous), len(states)) and text[shared] == previous[shared]:
            shared += 1
        if shared and states[shared - 1] is None:
            return [], self._last[2]  # the same refused letter as the word before
        letters, word_start = ([], 0) if not shared else states[shared - 1]
        letters = [copy_letter(c) for c in letters]
        states = states[:shared]
        for i in range(shared, len(text)):
            code = ord(text[i])
            if code == SPACE:
                letters.append(Letter(SPACE, SPACE_GLYPH))
                word_start = len(letters)
            else:
                table = self.tables[GROUPS[code]]
                letters.append(Letter(code))
                context = Context(letters, len(letters) - 1 - word_start, chain_start(letters, 1))
                row = table.first_match(context)
                if row is None or row.outcome["verdict"] == "Refuse":
                    refusal = Refusal(i, table, row, context)
                    states.append(None)
                    self._last = (text, states, [refusal], 0)
                    return letters[:-1], [refusal]
                apply(row, letters)
                for c in letters[-6:]:
                    if c.code != SPACE:
                        self.observed[c.glyph][GROUPS[c.code]] += 1
            states.append(([copy_letter(c) for c in letters], word_start))
        self._last = (text, states, [], 0)
        return letters, []


def copy_letter(c):
    out = Letter(c.code, c.glyph, c.writer, c.decided_by)
    out.lift = c.lift
    return out


def read_words(path):
    with open(path, encoding="utf-8") as f:
        entries = f.read().splitlines()[1:]
    words = []
    for entry in entries:
        word = entry.split("/", 1)[0].translate(FOLDING)
        if word and all(ord(ch) in GROUPS or ord(ch) == SPACE for ch in word):
            words.append(word)
    return words


def survey(typist, words):
    """Types every word; returns the number typed without a refusal, the faults
    {(row, place, refusing table, k): words}, the tables' own refusals
    {(refusing row, k, row that left ck, whole path given): words} and, per
    fault, the forms of that letter the refusing table lists there."""
    faults = collections.defaultdict(list)
    stated = collections.defaultdict(list)
    clean = 0
    refused = []
    listed_forms = collections.defaultdict(set)  # fault -> the forms of that letter the table lists
    for word in words:
        _, refusals = typist.type_word(word)
        if refusals:
            refused.append((word, refusals[0]))
        else:
            clean += 1
    forms = letter_forms(typist.tables, typist.observed)
    for word, refusal in refused:
        culprit = refusal.culprit(forms)
        if culprit is None:
            writer = refusal.seen[refusal.k - 1][2] if refusal.k else None
            stated[(refusal.row, refusal.k, writer[0] if writer else None, refusal.not_given)].append(word)
        else:
            key = (culprit[0], culprit[1], refusal.table.name, refusal.k)
            faults[key].append(word)
            group = GROUPS[refusal.seen[refusal.k - 1][0]]
            listed_forms[key].update(g for g in refusal.listed if group in forms.get(g, ()))
    return clean, faults, stated, listed_forms


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("rules_dir")
    parser.add_argument("--words", default="/usr/share/hunspell/fa_IR.dic")
    parser.add_argument("--min-share", type=float, default=0.0)
    parser.add_argument("--report", type=int, default=40, help="entries to print")
    args = parser.parse_args()
    if not os.path.exists(args.words):
        print(f"closure: {args.words} is missing (package myspell-fa); skipped")
        return 77
    typist = Typist(args.rules_dir)
    words = [w for w in read_words(args.words) if all(ch == " " or GROUPS[ord(ch)] in typist.tables for ch in w)]
    clean, faults, stated, listed_forms = survey(typist, words)
    share = clean / len(words)
    print(f"closure: {len(words)} words, {len(words) - clean} with a refused letter, {share:.3%} type")
    for (row, place, name, k), reached in sorted(faults.items(), key=lambda kv: -len(kv[1]))[: args.report]:
        print(f"  {row} ({row.origin.lower()}) leaves c{place} in a form that {name} refuses as c{k}: "
              f"{len(reached)} words, e.g. {' '.join(reached[:4])}")
        listed = sorted(glyph_name(g) for g in listed_forms[(row, place, name, k)])
        print(f"    forms of that letter {name} lists there: {', '.join(listed)}")
    print(f"closure: {sum(len(v) for v in faults.values())} words refused because a derived, filled or mended row "
          f"left a letter in a form the next table does not list, "
          f"{sum(len(v) for v in stated.values())} refused where the tables state it (a given row left the form, "
          f"or the table lists no form of that letter)")
    for (row, k, writer, not_given), reached in sorted(stated.items(), key=lambda kv: -len(kv[1]))[: args.report]:
        left = f"c{k} as {writer} ({writer.origin.lower()}) left it" if writer else f"c{k}" if k else "the letter"
        why = ("a given row left that form" if writer is not None and writer.origin == "Given" else
               "no other form of that letter listed" if k else "the row itself refuses")
        path = ("every row it depends on given" if not not_given else
                "it depends on " + ", ".join(f"{r} ({r.origin.lower()})" for r in not_given))
        print(f"  stated: {row} refuses {left}; {why}; {path}: "
              f"{len(reached)} words, e.g. {' '.join(reached[:4])}")
    if share < args.min_share:
        print(f"closure: {share:.3%} of the words type, fewer than {args.min_share:.3%}")
    return 0 if not faults and share >= args.min_share else 1


if __name__ == "__main__":
    sys.exit(main())
