#!/usr/bin/python3
"""Writes the installed keyboard files from one readable layout table.

    make_keyboard.py <layout table> <output folder>

Outputs, in the framework's archive format (little-endian):
  DefaultKB.kvp      tag "DefaultKB_Kavitro", then the 128-entry key table
  UserDefinedKB.kvp  tag "UserDefinedKB_Kavitro", the same table (the user's
                     starting layout, so that a fresh installation loads one)
  KBUIMap.kvp        tag "KBUIMap_Kavitro", a count, then per on-screen button:
                     i32 id, i32 row, i32 column, u16 shifted key, u16 key

A malformed table fails the build with the line it stopped at.
"""

import os
import struct
import sys

REFUSED = 0xFFFF
KEY_COUNT = 128
# The hamza-carrying alefs are never assigned: the engine has no forms for
# them, and the key table passes its entries on without folding them.
FORBIDDEN = {0x0623, 0x0625}
# The on-screen keyboard's key buttons.
BUTTON_IDS = set(range(1026, 1039)) | set(range(1040, 1054)) | set(range(1055, 1074)) | {1077}


class TableError(Exception):
    pass


def parse_key(token):
    if token == "space":
        return 0x20
    if len(token) != 1 or not 0x21 <= ord(token) <= 0x7E:
        raise TableError(f"key {token!r} is not a printable ASCII character or 'space'")
    return ord(token)


def parse_output(token):
    if token == "none":
        return REFUSED
    if not token.startswith("U+") or len(token) != 6:
        raise TableError(f"output {token!r} is not U+XXXX or 'none'")
    try:
        code = int(token[2:], 16)
    except ValueError:
        raise TableError(f"output {token!r} is not hexadecimal") from None
    if code < 0x20 or code == 0x7F or code >= REFUSED:
        raise TableError(f"output {token} is a control code or out of range")
    if code in FORBIDDEN:
        raise TableError(f"output {token} must never be assigned")
    return code


def parse_int(token, what):
    try:
        return int(token)
    except ValueError:
        raise TableError(f"{what} {token!r} is not a number") from None


def parse_table(text):
    table = [REFUSED] * KEY_COUNT
    assigned = set()
    buttons = {}

    def assign(key, output):
        if key in assigned:
            raise TableError(f"key {chr(key)!r} is assigned twice")
        assigned.add(key)
        table[key] = output

    for number, raw in enumerate(text.splitlines(), 1):
        line = raw.split("//", 1)[0].split()
        if not line:
            continue
        try:
            if len(line) not in (5, 7):
                raise TableError("expected: button row col key out [shifted-key out]")
            button, row, col = line[0:3]
            key = parse_key(line[3])
            assign(key, parse_output(line[4]))
            shifted = key
            if len(line) == 7:
                shifted = parse_key(line[5])
                assign(shifted, parse_output(line[6]))
            if button != "-":
                ident = parse_int(button, "button")
                if ident not in BUTTON_IDS:
                    raise TableError(f"button {ident} is not a key button of the on-screen keyboard")
                if ident in buttons:
                    raise TableError(f"button {ident} is listed twice")
                buttons[ident] = (parse_int(row, "row"), parse_int(col, "column"), shifted, key)
            elif row != "-" or col != "-":
                raise TableError("a key without a button has no row or column")
        except TableError as error:
            raise TableError(f"line {number}: {error}") from None
    if set(buttons) != BUTTON_IDS:
        missing = sorted(BUTTON_IDS - set(buttons))
        raise TableError(f"key buttons without a key: {missing}")
    return table, buttons


def archive_string(text):
    """The archive's UTF-16 string form (the tags are short)."""
    assert len(text) < 0xFF
    return b"\xff" + struct.pack("<HB", 0xFFFE, len(text)) + text.encode("utf-16-le")


def key_file(tag, table):
    return archive_string(tag) + struct.pack("<128H", *table)


def map_file(buttons):
    body = archive_string("KBUIMap_Kavitro") + struct.pack("<H", len(buttons))
    for ident in sorted(buttons):
        row, col, shifted, key = buttons[ident]
        body += struct.pack("<iiiHH", ident, row, col, shifted, key)
    return body


def write_atomically(path, data):
    tmp = path + ".tmp"
    with open(tmp, "wb") as fh:
        fh.write(data)
    os.replace(tmp, path)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    with open(argv[1], encoding="utf-8") as fh:
        text = fh.read()
    try:
        table, buttons = parse_table(text)
    except TableError as error:
        sys.stderr.write(f"{argv[1]}: {error}\n")
        return 1
    out = argv[2]
    os.makedirs(out, exist_ok=True)
    write_atomically(os.path.join(out, "DefaultKB.kvp"), key_file("DefaultKB_Kavitro", table))
    write_atomically(os.path.join(out, "UserDefinedKB.kvp"), key_file("UserDefinedKB_Kavitro", table))
    write_atomically(os.path.join(out, "KBUIMap.kvp"), map_file(buttons))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
