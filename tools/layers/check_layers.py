#!/usr/bin/python3
"""Refuses an include that points up the layers (the build runs this before
compiling anything, so an upward include fails the build).

    check_layers.py SOURCE_ROOT [--stamp FILE]

The layers, lowest first: platform, engine, document, input, view, app. A
file may include nothing of a layer above its own:

  platform/, engine/  no Qt at all, nothing of document/, input/, view/, app/
                      (platform/qt/, the Qt drawing backend, may use QtCore
                      and QtGui)
  document/           nothing of input/, view/, app/; no Qt Widgets
  input/              nothing of view/, app/
  view/               nothing of app/

Quoted includes are resolved as the compiler does (beside the file, then
from the source root), so "../view/X.h" counts as view/. With --stamp the
file is written (empty) when every include is allowed, for the build's
dependency tracking. Every finding is printed as file:line: message; the
exit status is 1 when there is one.
"""

import os
import re
import sys

LAYERS = ["platform", "engine", "document", "input", "view", "app"]
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".inc")

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
# Qt's headers: <QString>, <QtGui/QPainter>, <qglobal.h>; Widgets and print
# support are the ones only the application shell may use.
QT_HEADER = re.compile(r"^(Qt[A-Za-z]+/)?Q[A-Za-z0-9_]+$|^q[a-z0-9_]+\.h$|^Qt[A-Za-z]+$")
QT_WIDGETS = re.compile(r"^Qt(Widgets|PrintSupport)(/|$)")
WIDGET_CLASSES = re.compile(
    r"^Q(Widget|MainWindow|Dialog|Application|AbstractButton|PushButton|Label|LineEdit|MenuBar|Menu|"
    r"ToolBar|StatusBar|MessageBox|FileDialog|Printer|PrintDialog|ScrollArea|Layout|BoxLayout|"
    r"VBoxLayout|HBoxLayout|GridLayout)$")


def layer_of(root, path):
    """The layer folder a path of the source tree lies in, or None."""
    rel = os.path.relpath(path, root)
    top = rel.split(os.sep, 1)[0]
    return top if top in LAYERS else None


def resolve(root, including_file, name):
    """Where a quoted include leads: beside the file, else from the root."""
    beside = os.path.normpath(os.path.join(os.path.dirname(including_file), name))
    if os.path.exists(beside):
        return beside
    return os.path.normpath(os.path.join(root, name))


def allowed_qt(root, path):
    """'none', 'gui' (QtCore and QtGui) or 'all'."""
    layer = layer_of(root, path)
    rel = os.path.relpath(path, root).replace(os.sep, "/")
    if layer in ("platform", "engine"):
        return "gui" if rel.startswith("platform/qt/") else "none"
    if layer == "document":
        return "gui"
    return "all"


def check_file(root, path):
    findings = []
    layer = layer_of(root, path)
    rank = LAYERS.index(layer)
    qt = allowed_qt(root, path)
    rel = os.path.relpath(path, root)
    with open(path, encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            kind, name = m.groups()
            target_layer = None
            if kind == '"':
                target_layer = layer_of(root, resolve(root, path, name))
            elif name.split("/", 1)[0] in LAYERS:
                target_layer = name.split("/", 1)[0]
            if target_layer is not None and LAYERS.index(target_layer) > rank:
                findings.append(f"{rel}:{number}: {layer}/ may not include {name} of the higher layer {target_layer}/")
                continue
            if kind == "<" and QT_HEADER.match(name):
                widgets = QT_WIDGETS.match(name) or WIDGET_CLASSES.match(name.rsplit("/", 1)[-1])
                if qt == "none":
                    findings.append(f"{rel}:{number}: {layer}/ uses no Qt, but includes <{name}>")
                elif qt == "gui" and widgets:
                    findings.append(f"{rel}:{number}: {layer}/ uses QtCore and QtGui only, but includes <{name}>")
    return findings


def check_tree(root):
    findings = []
    for layer in LAYERS:
        top = os.path.join(root, layer)
        for folder, dirs, files in os.walk(top):
            dirs.sort()
            for name in sorted(files):
                if name.endswith(SOURCE_SUFFIXES):
                    findings += check_file(root, os.path.join(folder, name))
    return findings


def main(argv):
    args = argv[1:]
    stamp = None
    if "--stamp" in args:
        i = args.index("--stamp")
        if i + 1 >= len(args):
            sys.exit(__doc__)
        stamp = args[i + 1]
        del args[i:i + 2]
    if len(args) != 1:
        sys.exit(__doc__)
    root = os.path.abspath(args[0])
    findings = check_tree(root)
    for finding in findings:
        print(finding, file=sys.stderr)
    if findings:
        print(f"{len(findings)} include(s) point up the layers (see tools/layers/check_layers.py)", file=sys.stderr)
        if stamp and os.path.exists(stamp):
            os.remove(stamp)
        return 1
    if stamp:
        os.makedirs(os.path.dirname(os.path.abspath(stamp)), exist_ok=True)
        temp = stamp + ".tmp"
        with open(temp, "w"):
            pass
        os.replace(temp, stamp)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
