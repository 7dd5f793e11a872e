#!/usr/bin/env python3
"""Compiles the engine's .rules files into C++ data for the rule evaluator.

Usage: rulec.py --output RuleTables.cpp FILE.rules [FILE.rules ...]
       rulec.py --check FILE.rules ...      (validate and print a summary)

The notation is described in engine/rules/README.md. Any malformed row stops
the build with "file:line: message".
"""

import argparse
import os
import re
import sys

KEEP = 0xFFFFFFFF
# Deeper than any table needs; it keeps a runaway indentation from exhausting
# the recursion of the compiler and of the evaluator's index.
MAX_DEPTH = 32
SHAPING_KINDS = ("letter", "wordend", "alternate")
# Text-modification tables: successor tables keyed on the target's glyph.
MODIFICATION_KINDS = ("variant", "swap")
KINDS = SHAPING_KINDS + MODIFICATION_KINDS
TAGS = {"": "Given", "@derive": "Derived", "@fill": "Filled", "@mend": "Mended"}
# The letters a text-modification condition reads (Condition::k).
TARGET, PREVIOUS, NEXT = 0, 1, 2
# Result fields a text-modification row may name, and the members of
# ModificationGlyphs and ModificationShifts (RuleTable.h) they fill.
GLYPH_FIELDS = {"prev": "previous", "next": "next"}
MODIFICATION_GLYPHS = {"target": "target", **GLYPH_FIELDS}
SHIFT_FIELDS = {"shift": "target", "prev1": "previous1", "prev2": "previous2", "prev3": "previous3",
                "rest": "rest", "next1": "next1", "next2": "next2", "next3": "next3"}


class RuleError(Exception):
    pass


def parse_glyph(text, where):
    m = re.fullmatch(r"([1-5])/([0-9]{1,3})", text)
    if not m:
        raise RuleError(f"{where}: bad glyph '{text}' (expected font/index, font 1..5)")
    index = int(m.group(2))
    if not 1 <= index <= 255:
        raise RuleError(f"{where}: glyph index out of range in '{text}' (1..255)")
    return (int(m.group(1)) << 16) | index


def parse_int(text, where):
    if not re.fullmatch(r"[+-]?[0-9]+", text):
        raise RuleError(f"{where}: bad number '{text}'")
    # Digits beyond any 32-bit value are refused before int() reads them:
    # Python refuses to convert very long digit strings at all.
    if len(text.lstrip("+-").lstrip("0")) > 10:
        raise RuleError(f"{where}: number out of range '{text}'")
    value = int(text)
    if not -(2**31) <= value < 2**31:
        raise RuleError(f"{where}: number out of range '{text}'")
    return value


def parse_code(text, where):
    if not re.fullmatch(r"[0-9A-Fa-f]{4}", text):
        raise RuleError(f"{where}: bad code point '{text}' (four hex digits)")
    return int(text, 16)


def parse_condition(token, where):
    if token == "start":
        return ("ChainStart", 0, 0, 0)
    m = re.fullmatch(r"c([1-5])(!=|=)([0-9]+/[0-9]+)(?:\.\.([0-9]+/[0-9]+))?", token)
    if m:
        k, op, g1, g2 = int(m.group(1)), m.group(2), m.group(3), m.group(4)
        a = parse_glyph(g1, where)
        if g2:
            if op != "=":
                raise RuleError(f"{where}: a glyph range takes '=' only: '{token}'")
            b = parse_glyph(g2, where)
            if b < a:
                raise RuleError(f"{where}: empty glyph range '{token}'")
            return ("GlyphRange", k, a, b)
        return ("GlyphEq" if op == "=" else "GlyphNe", k, a, 0)
    m = re.fullmatch(r"c([1-5])\.(alt|plain)", token)
    if m:
        return ("AltSet" if m.group(2) == "alt" else "AltClear", int(m.group(1)), 0, 0)
    m = re.fullmatch(r"c([1-5])\.code(!=|=)([0-9A-Fa-f|]+)", token)
    if m:
        codes = tuple(parse_code(c, where) for c in m.group(3).split("|"))
        if len(codes) > 4:
            raise RuleError(f"{where}: at most four code points in '{token}'")
        return ("CodeIn" if m.group(2) == "=" else "CodeNotIn", int(m.group(1)), codes, 0)
    m = re.fullmatch(r"pos(<=|>)([0-9]+)", token)
    if m:
        digits = m.group(2).lstrip("0")
        if len(digits) > 10 or int(digits or "0") >= 2**32:
            raise RuleError(f"{where}: number out of range '{token}'")
        return ("PosLe" if m.group(1) == "<=" else "PosGt", 0, int(digits or "0"), 0)
    m = re.fullmatch(r"mode(!=|=)0", token)
    if m:
        return ("ModeZero" if m.group(1) == "=" else "ModeNonZero", 0, 0, 0)
    raise RuleError(f"{where}: unknown condition '{token}'")


ACTION_RE = re.compile(r"([SAP]1|C[1-5])\(([^;()]*);([^;()]*)\)")


def parse_action(text, where):
    m = ACTION_RE.fullmatch(text)
    if not m:
        raise RuleError(f"{where}: bad action '{text}'")
    name = m.group(1)
    glyph_texts = [g.strip() for g in m.group(2).split(",")]
    lift_texts = [d.strip() for d in m.group(3).split(",")]
    count = int(name[1])
    chained = name[0] == "C"
    if len(glyph_texts) != count:
        raise RuleError(f"{where}: {name} takes {count} glyph(s), got {len(glyph_texts)}")
    want_lifts = count + 1 if chained else 1
    if len(lift_texts) != want_lifts:
        raise RuleError(f"{where}: {name} takes {want_lifts} lift(s), got {len(lift_texts)}")
    glyphs = []
    for position, g in enumerate(glyph_texts, start=1):
        if g.startswith("="):
            if g != f"=c{position}":
                raise RuleError(f"{where}: '{g}' can stand only for letter c{position} here")
            glyphs.append(KEEP)
        else:
            glyphs.append(parse_glyph(g, where))
    lifts = [parse_int(d, where) for d in lift_texts]
    rest = lifts.pop() if chained else 0
    kind = {"S": "SetGlyph1", "A": "SetGlyph1AddY", "P": "Previous1", "C": "Chain"}[name[0]]
    return (kind, count, glyphs, lifts, rest)


def parse_outcome(text, kind, where):
    tag = ""
    m = re.search(r"\s(@\w+)\s*$", " " + text)
    if m:
        tag = m.group(1)
        if tag not in TAGS:
            raise RuleError(f"{where}: unknown tag '{tag}' (use @derive, @fill or @mend)")
        text = text[: text.rfind(tag)].strip()
    words = text.split(None, 1)
    if not words:
        raise RuleError(f"{where}: empty outcome after '->'")
    if words[0] in ("refuse", "nothing", "alternate"):
        verdict = {"refuse": "Refuse", "nothing": "Nothing", "alternate": "Alternate"}[words[0]]
        if len(words) > 1:
            raise RuleError(f"{where}: '{words[0]}' takes nothing after it")
        if kind == "letter" and verdict != "Refuse":
            raise RuleError(f"{where}: a letter table row gives c0 a glyph or refuses")
        if kind != "wordend" and verdict == "Alternate":
            raise RuleError(f"{where}: 'alternate' belongs to the word-end table")
        return {"verdict": verdict, "glyph0": 0, "action": None, "tag": tag}
    glyph0 = 0
    rest_text = text
    if re.fullmatch(r"[0-9]+/[0-9]+", words[0]):
        if kind != "letter":
            raise RuleError(f"{where}: only letter tables give c0 a glyph")
        glyph0 = parse_glyph(words[0], where)
        rest_text = words[1] if len(words) > 1 else ""
    elif kind == "letter":
        raise RuleError(f"{where}: a letter table row must give c0 a glyph or refuse")
    action = None
    # Spaces may stand around the punctuation of an action, never inside a
    # glyph or a number ("1 0" is not 10).
    if re.search(r"[^\s(),;]\s+[^\s(),;]", rest_text.strip()):
        raise RuleError(f"{where}: space inside a glyph or number in '{rest_text.strip()}'")
    rest_text = re.sub(r"\s+", "", rest_text)
    if rest_text:
        action = parse_action(rest_text, where)
    elif kind != "letter":
        raise RuleError(f"{where}: the row has no action (write 'nothing' for none)")
    return {"verdict": "Shape", "glyph0": glyph0, "action": action, "tag": tag}


class Node:
    def __init__(self, conditions, line, indent, outcome=None, tag=""):
        self.conditions = conditions
        self.line = line
        self.indent = indent
        self.outcome = outcome
        self.tag = tag
        self.children = []


def parse_file(path):
    name = None
    kind = None
    root = Node([], 0, -1)
    stack = [root]
    base = os.path.basename(path)
    try:
        with open(path, encoding="utf-8") as f:
            lines = f.read().split("\n")
    except UnicodeDecodeError as error:
        raise RuleError(f"{base}: not UTF-8 text (byte {error.start})") from None
    for number, raw in enumerate(lines, start=1):
        where = f"{base}:{number}"
        if "\t" in raw:
            raise RuleError(f"{where}: tab in indentation; use spaces")
        text = raw.split("#", 1)[0].rstrip()
        if not text.strip():
            continue
        indent = len(text) - len(text.lstrip(" "))
        if text[indent:indent + 1].isspace():
            raise RuleError(f"{where}: indentation is spaces only")
        body = text.strip()
        header = re.fullmatch(r"(table|kind)\s+(\S+)", body)
        if header and indent == 0:
            if header.group(1) == "table":
                if name is not None:
                    raise RuleError(f"{where}: second 'table' line")
                if not re.fullmatch(r"[a-z][a-z0-9_]*", header.group(2)):
                    raise RuleError(f"{where}: bad table name '{header.group(2)}'")
                name = header.group(2)
            else:
                if kind is not None:
                    raise RuleError(f"{where}: second 'kind' line")
                if header.group(2) not in KINDS:
                    raise RuleError(f"{where}: kind must be one of {', '.join(KINDS)}")
                kind = header.group(2)
            continue
        if name is None or kind is None:
            raise RuleError(f"{where}: rows come after the 'table' and 'kind' lines")
        # Close blocks that this row is not inside.
        while indent <= stack[-1].indent:
            closed = stack.pop()
            if closed.outcome is None and not closed.children:
                raise RuleError(f"{base}:{closed.line}: block has no rows")
        parent = stack[-1]
        if parent.children and parent.children[0].indent != indent:
            raise RuleError(f"{where}: indentation differs from the rows before it in this block")
        if parent is not root and indent <= parent.indent:
            raise RuleError(f"{where}: bad indentation")
        if "->" in body:
            cond_text, outcome_text = body.split("->", 1)
            conditions = parse_conditions(cond_text, kind, where)
            if kind in MODIFICATION_KINDS:
                outcome = parse_modification_outcome(outcome_text.strip(), kind, where)
            else:
                outcome = parse_outcome(outcome_text.strip(), kind, where)
            check_keyed(conditions, kind, parent is root, where)
            node = Node(conditions, number, indent, outcome)
            parent.children.append(node)
        else:
            m = re.fullmatch(r"(.*?):\s*(@\w+)?", body)
            if not m:
                raise RuleError(f"{where}: a row is 'conditions -> outcome' or a block 'conditions:'")
            tag = m.group(2) or ""
            if tag and tag not in TAGS:
                raise RuleError(f"{where}: unknown tag '{tag}'")
            conditions = parse_conditions(m.group(1), kind, where)
            if not conditions:
                raise RuleError(f"{where}: a block needs at least one condition")
            check_keyed(conditions, kind, parent is root, where)
            if len(stack) > MAX_DEPTH:
                raise RuleError(f"{where}: blocks nested more than {MAX_DEPTH} deep")
            node = Node(conditions, number, indent, None, tag)
            parent.children.append(node)
            stack.append(node)
    while len(stack) > 1:
        closed = stack.pop()
        if not closed.children:
            raise RuleError(f"{base}:{closed.line}: block has no rows")
    if name is None or kind is None:
        raise RuleError(f"{base}: missing 'table' or 'kind' line")
    expected = os.path.splitext(base)[0]
    if name != expected:
        raise RuleError(f"{base}: table name '{name}' differs from the file name")
    if not root.children:
        raise RuleError(f"{base}: table has no rows")
    return name, kind, root


def parse_conditions(text, kind, where):
    tokens = text.split()
    if tokens[:1] == ["else"]:
        if len(tokens) > 1:
            raise RuleError(f"{where}: 'else' stands alone")
        return []
    if kind in MODIFICATION_KINDS:
        return [parse_modification_condition(t, kind, where) for t in tokens]
    return [parse_condition(t, where) for t in tokens]


def parse_modification_condition(token, kind, where):
    """A bare glyph is the target's glyph (the row's key); code=, prev=,
    prev.code= and next= test the target's code and its neighbours."""
    if re.fullmatch(r"[0-9]+/[0-9]+", token):
        return ("GlyphEq", TARGET, parse_glyph(token, where), 0)
    m = re.fullmatch(r"(prev|next)=([0-9]+/[0-9]+)", token)
    if m:
        letter = PREVIOUS if m.group(1) == "prev" else NEXT
        if kind == "swap" and letter == PREVIOUS:
            raise RuleError(f"{where}: a swap row tests only the target's glyph and next=")
        return ("GlyphEq", letter, parse_glyph(m.group(2), where), 0)
    m = re.fullmatch(r"(prev\.)?code=([0-9A-Fa-f|]+)", token)
    if m:
        if kind == "swap":
            raise RuleError(f"{where}: a swap row tests only the target's glyph and next=")
        codes = tuple(parse_code(c, where) for c in m.group(2).split("|"))
        if len(codes) > 4:
            raise RuleError(f"{where}: at most four code points in '{token}'")
        return ("CodeIn", PREVIOUS if m.group(1) else TARGET, codes, 0)
    raise RuleError(f"{where}: unknown condition '{token}' (a {kind} row tests its key glyph, "
                    + ("next=)" if kind == "swap" else "code=, prev=, prev.code= or next=)"))


def parse_modification_outcome(text, kind, where):
    """'nothing', 'lookup' (variant tables: hand over to the lookup table), or
    the target's new glyph followed by name=value result fields."""
    tag = ""
    m = re.search(r"\s(@\w+)\s*$", " " + text)
    if m:
        tag = m.group(1)
        if tag not in TAGS:
            raise RuleError(f"{where}: unknown tag '{tag}' (use @derive, @fill or @mend)")
        text = text[: text.rfind(tag)].strip()
    words = text.split()
    if not words:
        raise RuleError(f"{where}: empty outcome after '->'")
    if words[0] in ("nothing", "lookup"):
        if len(words) > 1:
            raise RuleError(f"{where}: '{words[0]}' takes nothing after it")
        if words[0] == "lookup" and kind != "variant":
            raise RuleError(f"{where}: 'lookup' belongs to variant tables")
        return {"verdict": words[0].capitalize(), "fields": {}, "tag": tag}
    if not re.fullmatch(r"[0-9]+/[0-9]+", words[0]):
        raise RuleError(f"{where}: a {kind} row gives the target's new glyph, 'nothing'"
                        + (" or 'lookup'" if kind == "variant" else ""))
    fields = {"target": parse_glyph(words[0], where)}
    for word in words[1:]:
        m = re.fullmatch(r"([a-z0-9]+)=(\S+)", word)
        if not m or m.group(1) not in GLYPH_FIELDS and m.group(1) not in SHIFT_FIELDS:
            raise RuleError(f"{where}: unknown result field '{word}'")
        name = m.group(1)
        if kind == "swap" and name != "rest":
            raise RuleError(f"{where}: a swap row sets only the target's glyph and rest=")
        if name in fields:
            raise RuleError(f"{where}: '{name}' named twice")
        if name in GLYPH_FIELDS:
            fields[name] = parse_glyph(m.group(2), where)
        else:
            fields[name] = parse_int(m.group(2), where)
    return {"verdict": "Modify", "fields": fields, "tag": tag}


def check_keyed(conditions, kind, top_level, where):
    """Every top-level row of a text-modification table starts with the glyph
    it is keyed on, so that the table reads as a list of successors."""
    if kind in MODIFICATION_KINDS and top_level and (not conditions or conditions[0][:2] != ("GlyphEq", TARGET)):
        raise RuleError(f"{where}: a {kind} row starts with the target glyph it is keyed on")


def flatten(name, kind, root):
    """Pre-order node array: a failing node jumps to its skip index."""
    nodes, conditions, codes, outcomes = [], [], [], []

    def visit(node, inherited_tag):
        tag = node.tag or inherited_tag
        index = len(nodes)
        begin = len(conditions)
        for kind_name, k, a, b in node.conditions:
            if kind_name in ("CodeIn", "CodeNotIn"):
                conditions.append((kind_name, k, len(codes), len(a)))
                codes.extend(a)
            else:
                conditions.append((kind_name, k, a, b))
        entry = [begin, len(node.conditions), 0, -1, node.line]
        nodes.append(entry)
        if node.outcome is not None:
            outcome = dict(node.outcome)
            outcome["tag"] = outcome["tag"] or tag
            outcome["line"] = node.line
            entry[3] = len(outcomes)
            outcomes.append(outcome)
        for child in node.children:
            visit(child, tag)
        entry[2] = len(nodes)

    for child in root.children:
        visit(child, "")
    return {"name": name, "kind": kind, "nodes": nodes, "conditions": conditions,
            "codes": codes, "outcomes": outcomes}


def glyph_text(g):
    return "kKeepGlyph" if g == KEEP else f"0x{g:05X}"


def table_ident(t):
    return "".join(p.capitalize() for p in t["name"].split("_"))


def fields(**values):
    """A designated initializer: a field renamed or moved in RuleTable.h
    stops the build instead of filling the wrong member."""
    return "{" + ", ".join(f".{name} = {value}" for name, value in values.items()) + "}"


def emit_condition(condition):
    kind_name, k, a, b = condition
    if kind_name.startswith("Glyph"):
        a, b = (f"0x{g:05X}u" if g else "0u" for g in (a, b))
    else:
        a, b = f"{a}u", f"{b}u"
    return fields(kind=f"ConditionKind::{kind_name}", k=k, a=a, b=b)


def emit_node(node):
    begin, count, skip, outcome, line = node
    return fields(conditionBegin=begin, conditionCount=count, skip=skip, outcome=outcome, line=line)


def emit_outcome(o):
    action = o["action"]
    if action is None:
        act, count, glyphs, lifts, rest = "None", 0, [], [], 0
    else:
        act, count, glyphs, lifts, rest = action
    glyphs = glyphs + [0] * (5 - len(glyphs))
    lifts = lifts + [0] * (5 - len(lifts))
    return fields(verdict=f"Verdict::{o['verdict']}", glyph0=f"0x{o['glyph0']:05X}", action=f"ActionKind::{act}",
                  count=count, glyphs="{" + ", ".join(glyph_text(g) for g in glyphs) + "}",
                  lifts="{" + ", ".join(str(d) for d in lifts) + "}", rest=rest,
                  origin=f"Origin::{TAGS[o['tag']]}", line=o["line"])


def emit_modification_outcome(o):
    f = o["fields"]
    glyphs = fields(**{member: f"0x{f.get(name, 0):05X}" for name, member in MODIFICATION_GLYPHS.items()})
    shifts = fields(**{member: f.get(name, 0) for name, member in SHIFT_FIELDS.items()})
    return fields(verdict=f"ModificationVerdict::{o['verdict']}", glyphs=glyphs, shifts=shifts,
                  origin=f"Origin::{TAGS[o['tag']]}", line=o["line"])


class Family:
    """What differs between the shaping and the text-modification tables in
    the generated code; everything else is emitted once for both."""

    def __init__(self, kinds, table_type, kind_enum, outcome_type, emit, all_function):
        self.kinds = kinds
        self.table_type = table_type
        self.kind_enum = kind_enum
        self.outcome_type = outcome_type
        self.emit = emit
        self.all_function = all_function


FAMILIES = (
    Family(SHAPING_KINDS, "RuleTable", "TableKind", "Outcome", emit_outcome, "AllRuleTables"),
    Family(MODIFICATION_KINDS, "ModificationTable", "ModificationKind", "ModificationOutcome",
           emit_modification_outcome, "AllModificationTables"),
)


def emit_array(element_type, name, rows, empty):
    """A C++ array of rows; an empty one gets a placeholder element, since C++
    has no empty arrays (the table's span never reaches it)."""
    out = [f"constexpr {element_type} {name}[] = {{"]
    out.extend(f"    {row}," for row in rows or [empty])
    out.append("};")
    return out


def emit_table(t, family):
    ident = table_ident(t)
    out = [f"// {t['name']}: {len(t['outcomes'])} rows"]
    out += emit_array("Condition", f"k{ident}Conditions", [emit_condition(c) for c in t["conditions"]],
                      emit_condition(("ChainStart", 0, 0, 0)))
    codes = ", ".join(f"0x{c:04X}" for c in t["codes"])
    out += emit_array("std::uint16_t", f"k{ident}Codes", [codes] if codes else [], "0")
    out += emit_array(family.outcome_type, f"k{ident}Outcomes", [family.emit(o) for o in t["outcomes"]], "{}")
    out += emit_array("Node", f"k{ident}Nodes", [emit_node(n) for n in t["nodes"]], "{}")
    # Spans with their true lengths, so that a placeholder is never walked.
    entry = fields(name=f'"{t["name"]}"', kind=f"{family.kind_enum}::{t['kind'].capitalize()}",
                   nodes=f"{{k{ident}Nodes, {len(t['nodes'])}}}",
                   conditions=f"{{k{ident}Conditions, {len(t['conditions'])}}}",
                   codes=f"{{k{ident}Codes, {len(t['codes'])}}}",
                   outcomes=f"{{k{ident}Outcomes, {len(t['outcomes'])}}}")
    return "\n".join(out), entry


def emit_family(tables, family):
    parts = ["namespace kavitro::rules {", "namespace {", ""]
    entries = []
    for t in tables:
        if t["kind"] not in family.kinds:
            continue
        body, entry = emit_table(t, family)
        parts += [body, ""]
        entries.append(entry)
    array = f"k{family.table_type}s"
    parts += emit_array(family.table_type, array, entries, "{}")
    parts += ["}  // namespace", "",
              f"std::span<const {family.table_type}> {family.all_function}() {{",
              f"    return std::span<const {family.table_type}>({array}, {len(entries)});",
              "}", "", "}  // namespace kavitro::rules"]
    return parts


BANNER = """// Generated by tools/rulec/rulec.py from engine/rules/*.rules. Do not edit:
// change the .rules files (notation in engine/rules/README.md) and rebuild."""


def generate(tables):
    # The text-modification tables follow in a section of their own, so that
    # the shaping tables come out the same whether or not they are present.
    parts = [BANNER, '#include "engine/rules/RuleTable.h"', ""]
    for number, family in enumerate(FAMILIES):
        if number > 0:
            parts.append("")
        parts += emit_family(tables, family)
    return "\n".join(parts) + "\n"


def summary(t):
    outcomes = t["outcomes"]
    origins = {}
    for o in outcomes:
        origins[TAGS[o["tag"]]] = origins.get(TAGS[o["tag"]], 0) + 1
    if t["kind"] in MODIFICATION_KINDS:
        unchanged = sum(1 for o in outcomes if o["verdict"] != "Modify")
        counted = f"{len(outcomes) - unchanged} results, {unchanged} without"
    else:
        refusals = sum(1 for o in outcomes if o["verdict"] == "Refuse")
        counted = f"{refusals} refusals"
    return (f"{t['name']}: {len(outcomes)} rows, {counted}, "
            + ", ".join(f"{k.lower()} {v}" for k, v in sorted(origins.items())))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output")
    parser.add_argument("--check", action="store_true")
    parser.add_argument("files", nargs="*")
    args = parser.parse_args()
    tables = []
    try:
        names = set()
        idents = {}
        for path in sorted(args.files):
            name, kind, root = parse_file(path)
            if name in names:
                raise RuleError(f"{path}: table '{name}' defined twice")
            names.add(name)
            # The generated arrays are named after the table; two names that
            # give the same C++ name would not compile.
            ident = table_ident({"name": name})
            if ident in idents:
                raise RuleError(f"{path}: table '{name}' and table '{idents[ident]}' give the same C++ name")
            idents[ident] = name
            tables.append(flatten(name, kind, root))
    except (RuleError, OSError) as error:
        print(f"rulec: error: {error}", file=sys.stderr)
        return 1
    if args.check:
        for t in tables:
            print(summary(t))
    if args.output:
        text = generate(tables)
        old = None
        if os.path.exists(args.output):
            with open(args.output, encoding="utf-8") as f:
                old = f.read()
        if old != text:
            # Written beside the target and renamed, so that an interrupted
            # build never leaves half a file that looks up to date.
            temporary = f"{args.output}.tmp{os.getpid()}"
            with open(temporary, "w", encoding="utf-8") as f:
                f.write(text)
            os.replace(temporary, args.output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
