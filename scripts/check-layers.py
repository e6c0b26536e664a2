#!/usr/bin/env python3
"""Fails when a source folder includes a folder that is not below it.

The folders of src/ form layers, listed from the bottom up. A file may include its own folder
and any folder of a lower layer; folders of one layer never include each other. The folders
without Qt never include a Qt header nor a folder that uses Qt. Every folder under src/ that
holds sources must be placed in a layer, so a new folder cannot slip past the check.

Usage: check-layers.py [SRC_DIR]   (default: the src/ beside this script's folder)
       check-layers.py --self-test
"""

import os
import re
import sys
import tempfile

LAYERS = [
    ["platform"],
    ["model"],
    ["morse"],
    ["ports"],
    ["trx"],
    ["send"],
    ["audio"],
    ["keyer"],
    ["editors", "display"],
    ["cli", "app"],
]
QT_FOLDERS = {"editors", "display", "app"}

SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc")
QUOTED = re.compile(r'^\s*#\s*include\s*"([^"/]+)/')
QT_HEADER = re.compile(r"^\s*#\s*include\s*<(Q[A-Za-z]*)[/>]")


def level_of():
    return {folder: level for level, folders in enumerate(LAYERS) for folder in folders}


def source_files(src):
    for root, _, files in os.walk(src):
        for name in sorted(files):
            if name.endswith(SOURCE_SUFFIXES):
                yield os.path.join(root, name)


def check(src):
    """Returns one line per include that breaks the layers, in file order."""
    levels = level_of()
    problems = []
    for path in sorted(source_files(src)):
        rel = os.path.relpath(path, src)
        parts = rel.split(os.sep)
        if len(parts) < 2:
            continue
        folder = parts[0]
        if folder not in levels:
            problems.append(f"src/{rel}: folder '{folder}' is in no layer")
            continue
        qt_free = folder not in QT_FOLDERS
        with open(path, encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                where = f"src/{rel}:{number}"
                m = QUOTED.match(line)
                if m:
                    target = m.group(1)
                    if target == folder or target not in levels:
                        continue
                    if levels[target] > levels[folder]:
                        problems.append(f"{where}: {folder} includes {target}, a layer above it")
                    elif levels[target] == levels[folder]:
                        problems.append(f"{where}: {folder} includes {target}, a layer beside it")
                    elif qt_free and target in QT_FOLDERS:
                        problems.append(f"{where}: {folder} is Qt-free but includes {target}")
                    continue
                m = QT_HEADER.match(line)
                if m and qt_free:
                    problems.append(f"{where}: {folder} is Qt-free but includes <{m.group(1)}>")
    return problems


def self_test():
    """The check on a small tree with one fault of each kind and some includes that are fine."""
    files = {
        "platform/Clock.h": '#include "platform/Event.h"\n#include <vector>\n',
        "send/Engine.cpp": '#include "trx/Link.h"\n#include "keyer/Session.h"\n',
        "cli/Main.cpp": '#include "editors/Dialog.h"\n#include "app/Frame.h"\n',
        "audio/Tone.cpp": "#  include <QtCore/QObject>\n#include <queue>\n",
        "app/Frame.cpp": '#include <QWidget>\n#include "editors/Dialog.h"\n',
        "stray/Thing.cpp": "\n",
    }
    want = [
        "src/audio/Tone.cpp:1: audio is Qt-free but includes <QtCore>",
        "src/cli/Main.cpp:1: cli is Qt-free but includes editors",
        "src/cli/Main.cpp:2: cli includes app, a layer beside it",
        "src/send/Engine.cpp:2: send includes keyer, a layer above it",
        "src/stray/Thing.cpp: folder 'stray' is in no layer",
    ]
    with tempfile.TemporaryDirectory() as src:
        for rel, text in files.items():
            os.makedirs(os.path.join(src, os.path.dirname(rel)), exist_ok=True)
            with open(os.path.join(src, rel), "w", encoding="utf-8") as f:
                f.write(text)
        got = check(src)
    if got != want:
        print("layer check self-test failed; got:", *got, sep="\n  ")
        return 1
    return 0


def main(argv):
    if argv[1:] == ["--self-test"]:
        return self_test()
    src = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
    problems = check(src)
    for p in problems:
        print(p)
    if problems:
        print(f"{len(problems)} include(s) break the layers (bottom up: "
              + " < ".join("/".join(level) for level in LAYERS) + ")")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
