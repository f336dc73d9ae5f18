#!/usr/bin/env python3
"""Fails when a source file includes a header of a layer its own layer may not use.

usage: check_layers.py SOURCE_ROOT LAYERS_FILE [STAMP]

LAYERS_FILE has one line per layer, "name: used layers...", as the folders'
CMakeLists declare them. A layer may include its own headers and those of the
layers it uses, directly or through them; nothing else of the product's.
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/([^"]+)"')


def read_layers(path):
    uses = {}
    with open(path) as f:
        for line in f:
            if ":" not in line:
                continue
            name, rest = line.split(":", 1)
            uses[name.strip()] = set(rest.split())
    return uses


def closure(uses):
    allowed = {}
    for name in uses:
        seen, todo = set(), list(uses[name])
        while todo:
            layer = todo.pop()
            if layer not in seen:
                seen.add(layer)
                todo.extend(uses.get(layer, ()))
        allowed[name] = seen
    return allowed


def violations(root, uses):
    allowed = closure(uses)
    found = []
    for layer in sorted(uses):
        for folder, _, files in os.walk(os.path.join(root, layer)):
            for file in sorted(files):
                if not file.endswith((".h", ".hpp", ".cpp", ".cc", ".c")):
                    continue
                path = os.path.join(folder, file)
                with open(path, errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if not m or m.group(1) not in uses or m.group(1) == layer:
                            continue
                        if m.group(1) not in allowed[layer]:
                            rel = os.path.relpath(path, root)
                            found.append("%s:%d: %s may not include %s/%s (it uses: %s)" % (
                                rel, number, layer, m.group(1), m.group(2),
                                " ".join(sorted(allowed[layer])) or "nothing"))
    return found


def main():
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    root, layers_file = sys.argv[1], sys.argv[2]
    found = violations(root, read_layers(layers_file))
    for line in found:
        print(line, file=sys.stderr)
    if found:
        print("check_layers: %d include(s) against the layer order" % len(found), file=sys.stderr)
        return 1
    if len(sys.argv) > 3:
        with open(sys.argv[3], "w") as f:
            f.write("ok\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
