#!/usr/bin/env python3
"""Writes cmake/OrdelloUnityApart.cmake: the sources kept out of the unity batches (ordello_unity_excluded),
packed into batches of their own where no two share a file-local name, so they need not each compile alone.

Run it from anywhere after changing ordello_unity_excluded. A source it cannot explain (no file-local name
shared with another excluded source) stays on its own: it was excluded for a reason this script cannot see.
"""
import os
import re
import sys
from collections import defaultdict

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SPEED = os.path.join(ROOT, "cmake", "OrdelloBuildSpeed.cmake")
OUT = os.path.join(ROOT, "cmake", "OrdelloUnityApart.cmake")
BATCH = 8


def code_of(line):
    line = re.sub(r'"(\\.|[^"\\])*"', '""', line)
    line = re.sub(r"'(\\.|[^'\\])*'", "''", line)
    return line.split("//")[0]


DECLARATION = re.compile(
    r"^(?:using\s+(\w+)\s*=|(?:struct|class|enum(?:\s+class)?)\s+(\w+)"
    r"|[\w:<>,\s\*&]+?[\s\*&](\w+)\s*(?:=|\(|\{|;|\[))")


def file_local_names(path):
    """Names a source declares that another source of its batch could also declare: those of its
    anonymous namespaces, its file-scope statics, its macros and the namespaces it opens wholesale."""
    names = set()
    depth = 0
    anonymous = []
    with open(path, errors="replace") as source:
        for raw in source:
            line = code_of(raw.rstrip("\n"))
            define = re.match(r"^\s*#\s*define\s+(\w+)", line)
            if define:
                names.add("#" + define.group(1))
            using = re.match(r"^\s*using\s+namespace\s+([\w:]+)", line)
            if using and depth == 0:
                names.add("using " + using.group(1))
            if re.match(r"^\s*namespace\s*\{", line):
                depth += 1
                anonymous.append(depth)
                continue
            at_file_scope = anonymous and depth == anonymous[-1] or depth == 0 and line.startswith("static ")
            if at_file_scope and line and line[0] not in " \t#}":
                match = DECLARATION.match(re.sub(r"^static\s+", "", line))
                if match:
                    name = match.group(1) or match.group(2) or match.group(3)
                    if name:
                        names.add(name)
            depth += line.count("{") - line.count("}")
            while anonymous and depth < anonymous[-1]:
                anonymous.pop()
    return names


def excluded_sources():
    text = open(SPEED).read()
    block = re.search(r"set\(ordello_unity_excluded\n(.*?)\n\)", text, re.S).group(1)
    return sorted(line.strip() for line in block.splitlines() if line.strip())


def all_sources():
    skipped = {"build", "build-fuzz", "fuzz", ".git"}
    for folder, subfolders, files in os.walk(ROOT):
        subfolders[:] = [s for s in subfolders if s not in skipped and not s.startswith(".")]
        for name in files:
            if name.endswith(".cpp"):
                yield os.path.relpath(os.path.join(folder, name), ROOT)


def batch_key(path):
    """Sources of one folder family end up in one target; gui/ folders are targets of their own."""
    parts = path.split("/")
    key = "/".join(parts[:2]) if parts[0] == "tests" else parts[0]
    return key + ("/gui" if "/gui/" in path else "")


def main():
    excluded = excluded_sources()
    names = {path: file_local_names(os.path.join(ROOT, path)) for path in all_sources()}
    holders = defaultdict(set)
    for path, declared in names.items():
        for name in declared:
            holders[name].add(path)
    explained = {path for path in excluded if any(len(holders[n]) > 1 for n in names[path])}

    batches = []  # (key, sources, names)
    for path in excluded:
        if path not in explained:
            continue
        key = batch_key(path)
        for batch_key_, sources, taken in batches:
            if batch_key_ == key and len(sources) < BATCH and not taken & names[path]:
                sources.append(path)
                taken |= names[path]
                break
        else:
            batches.append((key, [path], set(names[path])))

    lines = [
        "# Written by scripts/unity_apart.py from ordello_unity_excluded: run it again after changing that list.",
        "# Each line is a batch of excluded sources that share no file-local name; the rest compile alone.",
        "set(ordello_unity_apart_batches",
    ]
    for _, sources, _ in batches:
        if len(sources) > 1:
            lines.append(f"    {','.join(sources)}")
    lines.append(")")
    with open(OUT, "w") as out:
        out.write("\n".join(lines) + "\n")
    grouped = sum(len(b[1]) for b in batches if len(b[1]) > 1)
    print(f"{OUT}: {grouped} of {len(excluded)} excluded sources in "
          f"{sum(1 for b in batches if len(b[1]) > 1)} batches", file=sys.stderr)


if __name__ == "__main__":
    main()
