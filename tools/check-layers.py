#!/usr/bin/python3
"""Fails on an #include in src/ that climbs out of its folder by a path.

The build holds the layers: each folder of src/ is a library that reaches
the headers of the layers it links, and no others (src/CMakeLists.txt). What
no include path can refuse is a path the compiler resolves on its own: one
that climbs from the including file's folder ("../window/frm_quillar.h") or
starts at the root. This check refuses those, in either form of #include.

Standard library only; run from anywhere.
"""

import re
import sys
from pathlib import Path

SRC = Path(__file__).resolve().parent.parent / "src"
INCLUDE = re.compile(r'^\s*#\s*include\s*(["<])([^">]+)[">]', re.M)


def main():
    problems = []
    for path in sorted(SRC.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        text = path.read_text(encoding="utf-8", errors="replace")
        for _, included in INCLUDE.findall(text):
            parts = Path(included).parts
            if included.startswith("/") or ".." in parts:
                problems.append(f"{path.relative_to(SRC)}: includes {included}, a path around the layers")
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} include(s) go around the layers the build holds")
        return 1
    print("every include reaches its header through the layers the build holds")
    return 0


if __name__ == "__main__":
    sys.exit(main())
