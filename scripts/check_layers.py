#!/usr/bin/env python3
"""Checks the direction of the layers in the sources.

    platform <- patch <- engine <- output / remote <- editors <- window

A file may include headers of its own layer and of the layers below it, never of a layer above.
The layers below the window (patch, engine, output, remote) also never show a window: they include
no widget or dialog header and call no dialog; they return outcomes or ask through the injected
operator (platform/operator.h).

Usage: check_layers.py [source root]   (default: the folder above this script)
       check_layers.py --self-test      (the rules on a small tree of their own)
Exit status 0 when every rule holds, 1 otherwise; each breach is printed as "path:line: reason".
"""

import pathlib
import re
import sys

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
]

# The layers each layer may include (its own always included).
_BELOW_EDITORS = {"platform", "console/patch", "console/engine", "console/output", "console/remote"}
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
}

# Layers that never show a window, and what showing one looks like.
NO_WINDOWS = ["console/patch", "console/engine", "console/output", "console/remote"]
WINDOW_HEADERS = re.compile(
    r"^(QtWidgets/.*|QtGui/(QScreen|QCursor|QGuiApplication|QWindow)|"
    r"Q(Widget|Dialog|MessageBox|Screen|Application|GuiApplication|Cursor|Window|MainWindow|"
    r"FileDialog|InputDialog|ProgressDialog|FontDialog|ColorDialog|ErrorMessage)|"
    r"platform/(message_dialog|file_dialog)\.h|platform/ui/.*)$"
)
WINDOW_CALLS = re.compile(
    r"\b(showMessage|chooseFile|QWidget|QDialog|QMessageBox|QScreen|QApplication|QGuiApplication|"
    r"QCursor|setOverrideCursor|restoreOverrideCursor)\b"
)

# Files that break the window rule today and are being mended. Each entry must still break it
# (an entry that no longer does fails the check, so this list only shrinks); empty it as they land.
WINDOW_RULE_PENDING = set()

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]')
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".cc"}


def layer_of(path):
    """The layer a path (relative to the root, with "/") belongs to, or None."""
    best = None
    for layer in LAYERS:
        if path == layer or path.startswith(layer + "/"):
            if best is None or len(layer) > len(best):
                best = layer
    return best


def code_only(text):
    """The text with comments and string literals blanked out, lines kept in place."""
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
            out.append("\n" * text.count("\n", i, j))
            i = j
        elif c == '"' or c == "'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            out.append(c + c)
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def breaches(root, path):
    """Every breach of the rules in one file, as (line number, reason)."""
    rel = path.relative_to(root).as_posix()
    layer = layer_of(rel)
    if layer is None:
        return [], False
    text = path.read_text(encoding="utf-8", errors="replace")
    found = []
    window_rule = layer in NO_WINDOWS
    window_breach = False
    for number, line in enumerate(text.splitlines(), 1):
        m = INCLUDE.match(line)
        if not m:
            continue
        header = m.group(2)
        if m.group(1) == '"':
            target = layer_of(header)
            if target is not None and target != layer and target not in MAY_INCLUDE[layer]:
                found.append((number, f'{layer} may not include {header} ({target} is not below it)'))
        if window_rule and WINDOW_HEADERS.match(header):
            window_breach = True
            if rel not in WINDOW_RULE_PENDING:
                found.append((number, f"{layer} shows no window: {header} is a window or dialog header"))
    if window_rule:
        for number, line in enumerate(code_only(text).splitlines(), 1):
            if INCLUDE.match(line):
                continue
            m = WINDOW_CALLS.search(line)
            if m:
                window_breach = True
                if rel not in WINDOW_RULE_PENDING:
                    found.append((number, f"{layer} shows no window: {m.group(1)}"))
    return found, window_breach


def self_test():
    """The rules on a small tree of their own: what must pass passes and what must fail fails."""
    import tempfile

    cases = {
        "console/engine/fine.cpp": ('#include "console/patch/a.h"\n#include <QString>\n'
                                    '// showMessage(...) in a comment is fine\nQString t = "QWidget";\n', []),
        "console/engine/reaches_up.cpp": ('#include "console/editors/cue_editor.h"\n', ["may not include"]),
        "console/output/sideways.cpp": ('#include "console/remote/osc_codec.h"\n', ["may not include"]),
        "platform/core.cpp": ('#include "platform/ui/message_box.h"\n', ["may not include"]),
        "console/window/top.cpp": ('#include "platform/ui/message_box.h"\n#include "console/editors/x.h"\n', []),
        "console/remote/asks.cpp": ("#include <QMessageBox>\n", ["window or dialog header"]),
        "console/patch/parent.h": ("class QWidget;\nstruct C { QWidget* p; };\n",
                                   ["shows no window: QWidget", "shows no window: QWidget"]),
        "console/engine/tells.cpp": ('void f() { showMessage("t", "x"); }\n', ["shows no window: showMessage"]),
        "console/editors/window.cpp": ("#include <QWidget>\n", []),
    }
    ok = True
    with tempfile.TemporaryDirectory() as tmp:
        root = pathlib.Path(tmp)
        for rel, (text, _) in cases.items():
            (root / rel).parent.mkdir(parents=True, exist_ok=True)
            (root / rel).write_text(text)
        for rel, (_, expected) in cases.items():
            found, _ = breaches(root, root / rel)
            reasons = [reason for _, reason in found]
            if len(reasons) != len(expected) or not all(e in r for e, r in zip(expected, reasons)):
                print(f"self-test {rel}: expected {expected}, found {reasons}")
                ok = False
    print("self-test passed" if ok else "self-test failed")
    return 0 if ok else 1


def main():
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    failures = 0
    still_pending = set()
    for folder in ("platform", "console", "webremote", "tools"):
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in SOURCE_SUFFIXES or not path.is_file():
                continue
            found, window_breach = breaches(root, path)
            rel = path.relative_to(root).as_posix()
            if window_breach:
                still_pending.add(rel)
            for number, reason in found:
                print(f"{rel}:{number}: {reason}")
                failures += 1
    for rel in sorted(WINDOW_RULE_PENDING - still_pending):
        print(f"{rel}: shows no window any more: remove it from WINDOW_RULE_PENDING in {pathlib.Path(__file__).name}")
        failures += 1
    if failures:
        print(f"{failures} breach(es) of the layer rules")
        return 1
    print("layer rules hold")
    return 0


if __name__ == "__main__":
    sys.exit(main())
