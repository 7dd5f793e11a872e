#!/usr/bin/python3
"""The layer check finds every upward include of a scratch tree made here,
resolving relative includes, and lets the allowed ones pass."""

import os
import subprocess
import sys
import tempfile
import unittest

CHECKER = sys.argv.pop(1) if len(sys.argv) > 1 else "check_layers.py"

TREE = {
    "platform/Archive.h": '#include <vector>\n#include "platform/Geometry.h"\n#include <QString>\n',
    "platform/Geometry.h": "#pragma once\n",
    "platform/qt/QtPainterDC.cpp": "#include <QPainter>\n#include <QtGui/QImage>\n#include <QWidget>\n",
    "engine/Text.cpp": '#include "engine/Text.h"\n#include "platform/Archive.h"\n  #  include "document/Doc.h"\n',
    "engine/Text.h": "#include <qglobal.h>\n#include <queue>\n#include <ft2build.h>\n",
    "document/Doc.h": '#include <QImage>\n#include "../view/View.h"\n#include <QtWidgets/QDialog>\n',
    "input/Keys.cpp": '#include "document/Doc.h"\n#include <view/View.h>\n#include <QWidget>\n',
    "view/View.h": '#include "input/Keys.h"\n#include "app/Main.h"\n#include <QPrinter>\n',
    "app/Main.h": '#include "view/View.h"\n#include <QMainWindow>\n',
    "tools/Tool.cpp": '#include "app/Main.h"\n',
}

EXPECTED = [
    "platform/Archive.h:3:",
    "platform/qt/QtPainterDC.cpp:3:",
    "engine/Text.cpp:3:",
    "engine/Text.h:1:",
    "document/Doc.h:2:",
    "document/Doc.h:3:",
    "input/Keys.cpp:2:",
    "view/View.h:2:",
]


class LayerCheck(unittest.TestCase):
    def run_checker(self, root, *extra):
        return subprocess.run([sys.executable, CHECKER, root, *extra], capture_output=True, text=True, timeout=60)

    def test_finds_exactly_the_upward_includes(self):
        with tempfile.TemporaryDirectory() as root:
            for name, text in TREE.items():
                os.makedirs(os.path.join(root, os.path.dirname(name)), exist_ok=True)
                with open(os.path.join(root, name), "w") as f:
                    f.write(text)
            stamp = os.path.join(root, "out", "layers.stamp")
            result = self.run_checker(root, "--stamp", stamp)
            self.assertEqual(result.returncode, 1)
            found = sorted(line.split(" ", 1)[0] for line in result.stderr.splitlines() if ": " in line
                           and not line.startswith(str(len(EXPECTED))))
            self.assertEqual(found, sorted(EXPECTED), result.stderr)
            self.assertFalse(os.path.exists(stamp))

            for name in ("platform/Archive.h", "platform/qt/QtPainterDC.cpp", "engine/Text.cpp", "engine/Text.h",
                         "document/Doc.h", "input/Keys.cpp", "view/View.h"):
                with open(os.path.join(root, name), "w") as f:
                    f.write('#include "platform/Geometry.h"\n')
            result = self.run_checker(root, "--stamp", stamp)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertTrue(os.path.exists(stamp))


if __name__ == "__main__":
    unittest.main()
