#!/usr/bin/env python3
"""Fails when an include crosses Ordello's layers the wrong way.

Targets, lowest first: platform, core, presentation, widgets. Inside the core the subsystems keep
their own order (foundation, language, model, store, sync). Only files under a gui/ folder (and
platform/desktop/) may include Qt Widgets.

Usage: check_layers.py [root]   (root defaults to the repository holding this script)
"""
import os
import re
import sys

SOURCE_FOLDERS = ["platform", "foundation", "language", "model", "store", "sync",
                  "controls", "taskviews", "app", "auxiliary"]
CORE_ORDER = ["foundation", "language", "model", "store", "sync"]
LAYERS = ["platform", "core", "presentation", "widgets", "executable"]
PRESENTATION = {"controls", "taskviews", "app", "auxiliary"}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
WIDGETS_INCLUDE = re.compile(r"^(QtWidgets|QtPrintSupport)(/|$)")


def widgets_headers():
    """Class headers of Qt Widgets and Print Support (<QWidget>, <QPrinter>, ...)."""
    names = set()
    for base in ("/usr/include/x86_64-linux-gnu/qt6", "/usr/include/aarch64-linux-gnu/qt6", "/usr/include/qt6"):
        for module in ("QtWidgets", "QtPrintSupport"):
            folder = os.path.join(base, module)
            if os.path.isdir(folder):
                names.update(n for n in os.listdir(folder) if not n.endswith(".h") and n.startswith("Q"))
    return names


def place(path):
    """(layer, core subsystem or None) of a path relative to the root, or None outside the layers."""
    parts = path.split("/")
    top = parts[0]
    if top not in SOURCE_FOLDERS:
        return None
    if path == "app/main.cpp":
        return ("executable", None)
    if "gui" in parts[1:-1] or (top == "platform" and len(parts) > 1 and parts[1] == "desktop"):
        return ("widgets", None)
    if top == "platform":
        return ("platform", None)
    if top in PRESENTATION:
        return ("presentation", None)
    return ("core", top)


def problems(root):
    qt_widgets = widgets_headers()
    found = []
    for folder in SOURCE_FOLDERS:
        for directory, _, files in os.walk(os.path.join(root, folder)):
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                full = os.path.join(directory, name)
                rel = os.path.relpath(full, root)
                here = place(rel)
                with open(full, encoding="utf-8", errors="replace") as source:
                    for number, line in enumerate(source, 1):
                        match = INCLUDE.match(line)
                        if not match:
                            continue
                        quote, target = match.groups()
                        where = f"{rel}:{number}: "
                        if quote == "<":
                            if (WIDGETS_INCLUDE.match(target) or target in qt_widgets) and here[0] not in ("widgets", "executable"):
                                found.append(where + f"includes <{target}> (Qt Widgets) outside a gui/ folder")
                            continue
                        there = place(target)
                        if there is None:
                            continue
                        if LAYERS.index(there[0]) > LAYERS.index(here[0]):
                            found.append(where + f"{here[0]} code includes {there[0]} header \"{target}\"")
                        elif here[0] == "core" and there[0] == "core" and \
                                CORE_ORDER.index(there[1]) > CORE_ORDER.index(here[1]):
                            found.append(where + f"{here[1]}/ includes \"{target}\" from {there[1]}/, which builds on it")
    return found


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    found = problems(root)
    for line in found:
        print(line)
    if found:
        print(f"check_layers: {len(found)} include(s) break the layer order (see ARCHITECTURE.md)", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
