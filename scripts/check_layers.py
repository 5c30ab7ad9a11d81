#!/usr/bin/env python3
"""Checks the direction of the layers in the sources.

    platform <- patch <- engine <- output / remote <- editors <- window

Every source file of the tree belongs to a layer (a folder below); a file anywhere else fails. A file
may include headers of its own layer and of the layers below it, never of a layer above. Includes
are followed as the compiler would follow them, and the forms the check could not follow are
refused: a project header is included with quotes and its path from the source root (never with
<>, never with "../", never through a macro).

The layers below the window (platform, patch, engine, output, remote) also never show a window:
they include no widget or dialog header and name no widget, dialog, message box or main window;
they return outcomes or ask through the injected operator (platform/operator.h).

Usage: check_layers.py [source root]   (default: the folder above this script)
       check_layers.py --self-test      (the rules on a small tree of their own)
Exit status 0 when every rule holds, 1 otherwise; each breach is printed as "path:line: reason".
"""

import os
import pathlib
import re
import shutil
import sys
import tempfile

# The layers, by folder. A file belongs to the layer of the longest folder that holds it.
LAYERS = [
    "platform",
    "platform/ui",
    "console/patch",
    "console/engine",
    "console/output",
    "console/remote",
    "console/editors",
    "console/window",
    "webremote",
    "tools",
    "tools/screenshots",
    "tests",
    "bench",
]

# The layers each layer may include (its own always included).
_BELOW_EDITORS = {"platform", "console/patch", "console/engine", "console/output", "console/remote"}
_EVERYTHING = set(LAYERS)
MAY_INCLUDE = {
    "platform": {"platform"},
    "platform/ui": {"platform"},
    "console/patch": {"platform"},
    "console/engine": {"platform", "console/patch"},
    "console/output": {"platform", "console/patch", "console/engine"},
    "console/remote": {"platform", "console/patch", "console/engine"},
    "console/editors": _BELOW_EDITORS,
    "console/window": _BELOW_EDITORS | {"platform/ui", "console/editors"},
    "webremote": {"platform"},
    "tools": _BELOW_EDITORS,
    # Builds every window to photograph it, so it stands above the window like the program does.
    "tools/screenshots": _BELOW_EDITORS | {"platform/ui", "console/editors", "console/window"},
    # The tests and benchmarks stand above everything they measure.
    "tests": _EVERYTHING,
    "bench": _EVERYTHING,
}

# The top folders of the project: a header path beginning with one of them is the project's.
PROJECT_FOLDERS = sorted({layer.split("/")[0] for layer in LAYERS} | {"console"})

# Layers that never show a window, and what showing one looks like.
NO_WINDOWS = ["platform", "console/patch", "console/engine", "console/output", "console/remote"]
_WINDOW_CLASSES = (
    r"Q\w*Widget|Q\w*Dialog|QMessageBox|QMainWindow|QWizard\w*|QErrorMessage|QScreen|QApplication|"
    r"QGuiApplication|QCursor|QWindow|QMenu\w*|QAction\w*|QToolBar|QStatusBar|QSplashScreen|"
    r"QSystemTrayIcon|QDesktopServices|QPrinter|QPrintDialog"
)
WINDOW_HEADERS = re.compile(
    r"^(QtWidgets(/.*)?|QtPrintSupport(/.*)?|QtGui/(QScreen|QCursor|QGuiApplication|QWindow|QAction)|"
    r"(" + _WINDOW_CLASSES + r")|"
    r"platform/(message_dialog|file_dialog)\.h|platform/ui/.*)$"
)
WINDOW_CALLS = re.compile(
    r"\b(showMessage|chooseFile|setOverrideCursor|restoreOverrideCursor|" + _WINDOW_CLASSES + r")\b"
)
# The platform's front ends of the dialogs describe a question or a file choice (with the window it
# is placed over) and hand it to whatever shows it; they show nothing themselves.
WINDOW_RULE_EXEMPT = {"platform/message_dialog.h", "platform/message_dialog.cpp", "platform/file_dialog.h",
                      "platform/file_dialog.cpp", "platform/question.h", "platform/question.cpp",
                      "platform/operator.cpp"}

# Files that break the window rule today and are being mended. Each entry must still break it
# (an entry that no longer does fails the check, so this list only shrinks); empty it as they land.
WINDOW_RULE_PENDING = set()

DIRECTIVE = re.compile(r"^\s*#\s*(include_next|include|import)\b(.*)$")
QUOTED = re.compile(r'^\s*"([^"]*)"')
ANGLED = re.compile(r"^\s*<([^>]*)>")
SOURCE_SUFFIXES = {".h", ".hh", ".hpp", ".hxx", ".h++", ".inc", ".ipp", ".tpp", ".c", ".cc", ".cpp", ".cxx",
                   ".c++", ".mm"}
# Folders that hold no sources of the project's own.
SKIPPED_FOLDERS = {"node_modules", "__pycache__"}


def layer_of(path):
    """The layer a path (relative to the root, with "/") belongs to, or None."""
    best = None
    for layer in LAYERS:
        if path == layer or path.startswith(layer + "/"):
            if best is None or len(layer) > len(best):
                best = layer
    return best


def without_comments(text):
    """The text with comments blanked out (string literals kept), lines kept in place."""
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            i = n if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append(" " + "\n" * text.count("\n", i, j))
            i = j
        elif c == '"' or c == "'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            out.append(text[i:j + 1])
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def code_only(text):
    """The text with comments and string literals blanked out, lines kept in place."""
    kept = without_comments(text)
    return re.sub(r'"(?:[^"\\\n]|\\.)*"|\'(?:[^\'\\\n]|\\.)*\'', lambda m: m.group(0)[0] * 2, kept)


def logical_lines(text):
    """(line number, line) for each line, continuation lines joined onto the line they continue."""
    lines = text.split("\n")
    i = 0
    while i < len(lines):
        number, line = i + 1, lines[i]
        while line.endswith("\\") and i + 1 < len(lines):
            i += 1
            line = line[:-1] + lines[i]
        yield number, line
        i += 1


def is_project_path(header):
    first = header.replace("\\", "/").lstrip("/").split("/")[0]
    return first in PROJECT_FOLDERS


def resolve(root, path, header):
    """The file a quoted include names, as the compiler finds it (the including file's folder first,
    then the source root), relative to the root; or None."""
    real_root = root.resolve()
    for base in (path.parent, root):
        candidate = base / header
        if candidate.is_file():
            real = candidate.resolve()
            try:
                return real.relative_to(real_root).as_posix()
            except ValueError:
                return None
    return None


def breaches(root, path):
    """Every breach of the rules in one file, as (line number, reason), and whether it shows a window."""
    rel = path.relative_to(root).as_posix()
    layer = layer_of(rel)
    if layer is None:
        folders = ", ".join(LAYERS)
        return [(1, f"{rel} is in no layer: sources live in one of {folders}")], False
    text = path.read_text(encoding="utf-8", errors="replace")
    found = []
    window_rule = layer in NO_WINDOWS and rel not in WINDOW_RULE_EXEMPT
    window_breach = False

    def window_header(number, header):
        nonlocal window_breach
        if window_rule and WINDOW_HEADERS.match(header):
            window_breach = True
            if rel not in WINDOW_RULE_PENDING:
                found.append((number, f"{layer} shows no window: {header} is a window or dialog header"))

    for number, line in logical_lines(without_comments(text)):
        d = DIRECTIVE.match(line)
        if not d:
            continue
        rest = d.group(2)
        quoted, angled = QUOTED.match(rest), ANGLED.match(rest)
        if angled:
            header = angled.group(1).strip()
            if is_project_path(header) or (root / header).is_file():
                found.append((number, f"{header} is a project header: include it with quotes"))
            window_header(number, header)
            continue
        if not quoted:
            found.append((number, f"include through a macro ({rest.strip()}): name the header itself"))
            continue
        header = quoted.group(1).strip()
        if ".." in re.split(r"[/\\]", header) or header.startswith(("/", "./")):
            found.append((number, f"{header} is a relative include: write its path from the source root"))
            continue
        target = resolve(root, path, header)
        if target is None:
            found.append((number, f"{header} is no file of the sources: quoted includes name project headers"))
            continue
        if target != header:
            found.append((number, f"{header} is {target}: write its path from the source root"))
        target_layer = layer_of(target)
        if target_layer is None:
            found.append((number, f"{header} is in no layer"))
        elif target_layer != layer and target_layer not in MAY_INCLUDE[layer]:
            found.append((number, f"{layer} may not include {header} ({target_layer} is not below it)"))
        window_header(number, target)
    if window_rule:
        for number, line in enumerate(code_only(text).splitlines(), 1):
            if DIRECTIVE.match(line):
                continue
            m = WINDOW_CALLS.search(line)
            if m:
                window_breach = True
                if rel not in WINDOW_RULE_PENDING:
                    found.append((number, f"{layer} shows no window: {m.group(1)}"))
    return found, window_breach


def source_files(root):
    """Every source file under the root, build trees and hidden folders left out."""
    for folder, subfolders, files in os.walk(root):
        subfolders[:] = sorted(
            s for s in subfolders
            if not s.startswith(".") and s not in SKIPPED_FOLDERS
            and not (pathlib.Path(folder) / s / "CMakeCache.txt").exists())
        for name in sorted(files):
            path = pathlib.Path(folder) / name
            if path.suffix.lower() in SOURCE_SUFFIXES and path.is_file():
                yield path


def check(root):
    """Every breach in the tree, as (path, line, reason)."""
    out = []
    still_pending = set()
    for path in source_files(root):
        found, window_breach = breaches(root, path)
        rel = path.relative_to(root).as_posix()
        if window_breach:
            still_pending.add(rel)
        out += [(rel, number, reason) for number, reason in found]
    for rel in sorted(WINDOW_RULE_PENDING - still_pending):
        out.append((rel, 0, f"shows no window any more: remove it from WINDOW_RULE_PENDING in "
                            f"{pathlib.Path(__file__).name}"))
    return out


# A small tree that keeps every rule, and breaches planted into it one at a time: (file, text, what
# the check must say about that file).
CLEAN_TREE = {
    "platform/core.h": "#pragma once\n#include <QString>\n",
    "platform/ui/message_box.h": "#pragma once\n#include <QMessageBox>\n",
    "console/patch/a.h": '#pragma once\n#include "platform/core.h"\n',
    "console/engine/fine.cpp": ('#include "console/patch/a.h"\n#include <QString>\n#include <vector>\n'
                                '// showMessage(...) and #include <QInputDialog> in a comment are fine\n'
                                '/* so is QMainWindow in a block comment */\n'
                                'QString t = "QWidget QFileDialog";\n'),
    "console/editors/x.h": "#pragma once\n#include <QWidget>\n#include <QFileDialog>\n",
    "console/editors/cue_editor.h": '#pragma once\n#include "console/editors/x.h"\n',
    "console/remote/osc_codec.h": '#pragma once\n#include "console/engine/b.h"\n',
    "console/engine/b.h": '#pragma once\n#include "console/patch/a.h"\n',
    "console/window/top.cpp": ('#include "platform/ui/message_box.h"\n#include "console/editors/x.h"\n'
                               '#include <QMainWindow>\n'),
    "tests/engine/b_test.cpp": '#include "console/engine/b.h"\n#include "console/editors/x.h"\n#include <gtest/gtest.h>\n',
}
BREACHES = [
    # Including upwards, in every form the compiler accepts.
    ("console/engine/reaches_up.cpp", '#include "console/editors/cue_editor.h"\n', ["may not include"]),
    ("console/engine/angled.cpp", "#include <console/editors/cue_editor.h>\n", ["include it with quotes"]),
    ("console/engine/relative.cpp", '#include "../editors/cue_editor.h"\n', ["relative include"]),
    ("console/engine/macro.cpp", '#define EDITOR "console/editors/cue_editor.h"\n#include EDITOR\n',
     ["include through a macro"]),
    ("console/engine/continued.cpp", '#include \\\n  "console/editors/cue_editor.h"\n', ["may not include"]),
    ("console/engine/next.cpp", '#include_next "console/editors/cue_editor.h"\n', ["may not include"]),
    ("console/output/sideways.cpp", '#include "console/remote/osc_codec.h"\n', ["may not include"]),
    ("platform/up.cpp", '#include "platform/ui/message_box.h"\n', ["may not include", "window or dialog header"]),
    ("platform/down_the_folder.cpp", '#include "ui/message_box.h"\n',
     ["from the source root", "may not include", "window or dialog header"]),
    ("console/engine/missing.cpp", '#include "console/engine/gone.h"\n', ["no file of the sources"]),
    # Sources outside the layers.
    ("console/loose.cpp", '#include "console/editors/cue_editor.h"\n', ["in no layer"]),
    ("console/newpart/x.cpp", '#include "console/editors/cue_editor.h"\n', ["in no layer"]),
    ("elsewhere/y.h", "#pragma once\n", ["in no layer"]),
    # Windows below the window.
    ("console/remote/asks.cpp", "#include <QMessageBox>\n", ["window or dialog header"]),
    ("console/engine/widgets.cpp", "#include <QtWidgets>\n", ["window or dialog header"]),
    ("console/patch/parent.h", "class QWidget;\nstruct C { QWidget* p; };\n",
     ["shows no window: QWidget", "shows no window: QWidget"]),
    ("console/engine/tells.cpp", 'void f() { showMessage("t", "x"); }\n', ["shows no window: showMessage"]),
    ("console/engine/input.cpp", 'class QInputDialog;\nvoid f() { QInputDialog::getText(0, "t", "x"); }\n',
     ["shows no window: QInputDialog", "shows no window: QInputDialog"]),
    ("console/output/progress.cpp", "void f() { QProgressDialog d; d.exec(); }\n",
     ["shows no window: QProgressDialog"]),
    ("console/remote/chooser.cpp", 'void f() { auto n = QFileDialog::getOpenFileName(); }\n',
     ["shows no window: QFileDialog"]),
    ("console/engine/main.cpp", "void f(QMainWindow& w) { w.show(); }\n", ["shows no window: QMainWindow"]),
    ("platform/asks.cpp", "#include <QInputDialog>\n", ["window or dialog header"]),
]


def self_test():
    """The rules on a small tree of their own: the clean tree passes, and each planted breach fails
    the whole check with what it is."""
    ok = True

    def write(root, files):
        for rel, text in files.items():
            (root / rel).parent.mkdir(parents=True, exist_ok=True)
            (root / rel).write_text(text)

    with tempfile.TemporaryDirectory() as tmp:
        root = pathlib.Path(tmp) / "clean"
        write(root, CLEAN_TREE)
        # A build tree inside the sources is not part of them.
        write(root, {"build/CMakeCache.txt": "", "build/gen/moc_x.cpp": "#include <console/editors/x.h>\n"})
        found = check(root)
        if found:
            print(f"self-test: the clean tree fails: {found}")
            ok = False
        for number, (rel, text, expected) in enumerate(BREACHES):
            planted = pathlib.Path(tmp) / f"planted{number}"
            shutil.copytree(root, planted)
            write(planted, {rel: text})
            found = check(planted)
            reasons = [reason for path, _, reason in found if path == rel]
            others = [(path, reason) for path, _, reason in found if path != rel]
            if (len(reasons) != len(expected) or not all(e in r for e, r in zip(expected, reasons))
                    or others):
                print(f"self-test {rel}: expected {expected}, found {reasons} and {others}")
                ok = False
    print("self-test passed" if ok else "self-test failed")
    return 0 if ok else 1


def main():
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    found = check(root)
    for rel, number, reason in found:
        print(f"{rel}:{number}: {reason}")
    if found:
        print(f"{len(found)} breach(es) of the layer rules")
        return 1
    print("layer rules hold")
    return 0


if __name__ == "__main__":
    sys.exit(main())
