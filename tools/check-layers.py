#!/usr/bin/python3
"""Fails on an #include in src/ that runs up the layers.

Each folder of src/ sits on a layer; a file may include its own folder and
folders of lower layers only, so that the lower ones can be understood,
tested and reused without the higher. Folders on one layer stay apart.

  platform                                 0  services every subsystem uses
  settings, receive, port, help            1  the subsystems
  capture, app                             2  what a session keeps of the display and the port;
                                              the command line, which bounds the subsystems' options
  window                                   3  the main window, which wires them together
  main.cpp                                 4

Standard library only; run from anywhere.
"""

import re
import sys
from pathlib import Path

SRC = Path(__file__).resolve().parent.parent / "src"
LAYERS = {"platform": 0, "settings": 1, "receive": 1, "port": 1, "help": 1, "app": 2,
          "capture": 2, "window": 3}
TOP = 4  # main.cpp
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def main():
    problems = []
    for path in sorted(SRC.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        relative = path.relative_to(SRC)
        folder = relative.parts[0] if len(relative.parts) > 1 else None
        if folder is not None and folder not in LAYERS:
            problems.append(f"{relative}: folder {folder} has no layer (tools/check-layers.py)")
            continue
        layer = LAYERS[folder] if folder else TOP
        for included in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
            parts = Path(included).parts
            if len(parts) == 1:
                continue  # beside the including file
            target = parts[0]
            if target not in LAYERS:
                problems.append(f"{relative}: includes {included}, whose folder has no layer")
            elif target != folder and LAYERS[target] >= layer:
                problems.append(f"{relative}: includes {included} ({target}, layer {LAYERS[target]}) "
                                f"from {folder or 'main.cpp'} (layer {layer})")
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} include(s) run up or across the layers")
        return 1
    print("includes run down the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main())
