#!/usr/bin/python3
"""Builds one language pack folder, or the compiled-in English table.

  make_langpack.py pack STRINGS OUTDIR --name N --version V --rtl 0|1 --font F --font-size S
  make_langpack.py cpp STRINGS OUT.cpp

A pack folder holds:
  pack.json    name, version, right-to-left flag, dialog font, cursor hot spots
  strings.txt  the strings file as checked here ("id<TAB>text", UTF-8)
  images/      the line-style strips 121.png and 132.png .. 135.png, the
               page-navigator strips 143.png (16x16 images) and 145.png
               (32x32 images); LOGO.png and the animation frames DAT1.png ..
               DAT32.png are drawn into the same folder by
               tools/about/make_about_pictures with our own engine
  cursors/     one 32x32 PNG per cursor id

The pictures are simple shapes drawn here with a tiny PNG writer, so that the
build needs nothing beyond the standard library. Every file is written to a
temporary name and renamed, so an interrupted build never leaves half a file.
"""

import json
import math
import os
import struct
import sys
import zlib

CURSOR_IDS = [10204, 10201, 10202, 10203, 10200, 10206, 10207, 10205, 10208, 161, 162, 163,
              133, 142, 141, 140, 24002, 24001, 24003, 24004, 151, 152, 153, 154, 155, 148,
              157, 147, 158, 159, 156, 160]


def fail(message):
    sys.stderr.write("make_langpack: %s\n" % message)
    sys.exit(1)


def write_atomic(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def read_strings(path):
    """Checks the strings file the way the program reads it; fails the build on a bad line."""
    with open(path, "rb") as f:
        raw = f.read()
    try:
        text = raw.decode("utf-8")
    except UnicodeDecodeError as e:
        fail("%s: not UTF-8 (%s)" % (path, e))
    strings = {}
    for number, line in enumerate(text.split("\n"), 1):
        if line.endswith("\r"):
            line = line[:-1]
        if not line or line.startswith("#"):
            continue
        if "\t" not in line:
            fail("%s:%d: no tab between id and text" % (path, number))
        key, value = line.split("\t", 1)
        if not key.isdigit() or not (0 < int(key) <= 65535):
            fail("%s:%d: bad string id %r" % (path, number, key))
        if int(key) in strings:
            fail("%s:%d: string %s given twice" % (path, number, key))
        if not value.strip():
            fail("%s:%d: empty string %s" % (path, number, key))
        strings[int(key)] = unescape(value, path, number)
    return strings


def unescape(value, path, number):
    out = []
    i = 0
    while i < len(value):
        c = value[i]
        if c == "\\":
            if i + 1 >= len(value) or value[i + 1] not in "nt\\":
                fail("%s:%d: bad escape" % (path, number))
            out.append({"n": "\n", "t": "\t", "\\": "\\"}[value[i + 1]])
            i += 2
            continue
        out.append(c)
        i += 1
    return "".join(out)


def escape(value):
    return value.replace("\\", "\\\\").replace("\n", "\\n").replace("\t", "\\t")


# --- pictures ---------------------------------------------------------------

class Canvas:
    def __init__(self, width, height, fill=(0, 0, 0, 0)):
        self.width, self.height = width, height
        self.pixels = [list(fill) for _ in range(width * height)]

    def set(self, x, y, rgba):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y * self.width + x] = list(rgba)

    def rect(self, x0, y0, x1, y1, rgba):
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                self.set(x, y, rgba)

    def line(self, x0, y0, x1, y1, rgba, width=1):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            x = x0 + (x1 - x0) * i / steps
            y = y0 + (y1 - y0) * i / steps
            for dy in range(width):
                for dx in range(width):
                    self.set(int(round(x)) + dx - width // 2, int(round(y)) + dy - width // 2, rgba)

    def disc(self, cx, cy, r, rgba):
        for y in range(int(cy - r) - 1, int(cy + r) + 2):
            for x in range(int(cx - r) - 1, int(cx + r) + 2):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.set(x, y, rgba)

    def ring(self, cx, cy, r, thickness, rgba):
        for y in range(int(cy - r) - 1, int(cy + r) + 2):
            for x in range(int(cx - r) - 1, int(cx + r) + 2):
                d = math.hypot(x - cx, y - cy)
                if r - thickness <= d <= r:
                    self.set(x, y, rgba)

    def png(self):
        rows = b"".join(b"\x00" + bytes(v for p in self.pixels[y * self.width:(y + 1) * self.width] for v in p)
                        for y in range(self.height))

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 6, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9))
                + chunk(b"IEND", b""))


INK = (0x4A, 0x10, 0x10, 255)      # the dark red of the version line
# Pen patterns of the five line styles (on, off runs), drawn on colour 0, which
# the guide-line page treats as transparent.
LINE_STYLES = {121: [(48, 0)], 132: [(8, 4)], 133: [(2, 2)], 134: [(8, 3), (2, 3)], 135: [(8, 3), (2, 2), (2, 3)]}


def line_style(runs):
    c = Canvas(48, 8, (0, 0, 0, 255))
    x = 0
    while x < 48:
        for on, off in runs:
            c.rect(x, 3, min(48, x + on), 5, (0x20, 0x20, 0x20, 255))
            x += on + off
    return c


def page_strip(size):
    """Three images of size x size: a page, the next-page arrow, the previous-page arrow."""
    c = Canvas(3 * size, size)
    s = size
    c.rect(s // 4, 1, s - s // 4, s - 1, (255, 255, 255, 255))
    c.rect(s // 4, 1, s - s // 4, 2, INK)
    c.rect(s // 4, s - 2, s - s // 4, s - 1, INK)
    for k, direction in ((1, 1), (2, -1)):
        x0 = k * s
        for i in range(s // 2):
            half = i if direction > 0 else s // 2 - 1 - i
            c.rect(x0 + s // 4 + i, s // 2 - half, x0 + s // 4 + i + 1, s // 2 + half + 1, INK)
    return c


def cursor(slot):
    """A crosshair with a small mark that tells the cursors apart; hot spot at its centre."""
    c = Canvas(32, 32)
    black, white = (0, 0, 0, 255), (255, 255, 255, 255)
    for d in (-1, 1):
        c.line(15, 3 + d, 15, 27 + d, white)
        c.line(3 + d, 15, 27 + d, 15, white)
    c.line(15, 3, 15, 27, black)
    c.line(3, 15, 27, 15, black)
    # The mark: slot number as bits on a 3x2 grid of dots in the lower right.
    for bit in range(6):
        if (slot + 1) >> bit & 1:
            c.rect(20 + (bit % 3) * 4, 20 + (bit // 3) * 4, 23 + (bit % 3) * 4, 23 + (bit // 3) * 4, black)
    return c, (15, 15)


def make_pack(strings_path, outdir, name, version, rtl, font, font_size):
    strings = read_strings(strings_path)
    lines = ["# %s texts, %d strings\n" % (name, len(strings))]
    lines += ["%d\t%s\n" % (k, escape(v)) for k, v in sorted(strings.items())]
    write_atomic(os.path.join(outdir, "strings.txt"), "".join(lines).encode("utf-8"))

    images = os.path.join(outdir, "images")
    for ident, runs in LINE_STYLES.items():
        write_atomic(os.path.join(images, "%d.png" % ident), line_style(runs).png())
    write_atomic(os.path.join(images, "143.png"), page_strip(16).png())
    write_atomic(os.path.join(images, "145.png"), page_strip(32).png())

    cursors = {}
    for slot, ident in enumerate(CURSOR_IDS):
        canvas, hot = cursor(slot)
        write_atomic(os.path.join(outdir, "cursors", "%d.png" % ident), canvas.png())
        cursors[str(ident)] = list(hot)

    manifest = {
        "format": 1,
        "name": name,
        "version": version,
        "rightToLeft": rtl,
        "dialogFont": {"family": font, "pointSize": font_size},
        "cursors": cursors,
    }
    # Last, so that a present manifest means a complete pack.
    write_atomic(os.path.join(outdir, "pack.json"),
                 (json.dumps(manifest, indent=1, ensure_ascii=False) + "\n").encode("utf-8"))


def c_char(ch):
    code = ord(ch)
    if ch in '"\\?':
        return "\\" + ch
    if 32 <= code < 127:
        return ch
    if code < 128:
        return "\\%03o" % code
    return "\\u%04x" % code if code <= 0xFFFF else "\\U%08x" % code


def make_cpp(strings_path, out):
    strings = read_strings(strings_path)
    body = ["// Generated by tools/langpack/make_langpack.py from app/lang/English.txt; do not edit.\n",
            '#include "app/EnglishStrings.h"\n\n',
            "namespace kavitro {\n\n",
            "std::span<const BuiltInString> BuiltInEnglishStrings() {\n",
            "    static constexpr BuiltInString table[] = {\n"]
    for k, v in sorted(strings.items()):
        literal = "".join(c_char(ch) for ch in v)
        body.append('        {%d, u"%s"},\n' % (k, literal))
    body += ["    };\n", "    return table;\n", "}\n\n", "}  // namespace kavitro\n"]
    write_atomic(out, "".join(body).encode("utf-8"))


def main(argv):
    if len(argv) >= 4 and argv[1] == "cpp":
        make_cpp(argv[2], argv[3])
        return
    if len(argv) >= 4 and argv[1] == "pack":
        opts = dict(zip(argv[4::2], argv[5::2]))
        try:
            make_pack(argv[2], argv[3], opts["--name"], opts["--version"], opts["--rtl"] == "1",
                      opts["--font"], int(opts["--font-size"]))
        except KeyError as e:
            fail("missing option %s" % e)
        return
    fail(__doc__)


if __name__ == "__main__":
    main(sys.argv)
