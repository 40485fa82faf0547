#!/usr/bin/python3
"""Checks that the grid's floors include only downward: a file in treelist/<floor>/ may include
its own floor and the floors below it, never one above nor a file of treelist/ itself, so that
each floor can be read (and tested) knowing only what lies under it. The files of treelist/
itself tie the floors together and may include any. Prints every upward include and exits 1 if
there is one.

    check_floors.py SOURCE_ROOT"""
import os
import re
import sys

# Lowest first.
FLOORS = ["core", "view", "input", "columns", "customize"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"treelist/([^"]+)"', re.MULTILINE)


def floor_index(relative_path):
    """The floor of a path under treelist/, None for a file of treelist/ itself."""
    head, _, rest = relative_path.partition("/")
    if not rest:
        return None
    return FLOORS.index(head) if head in FLOORS else -1


def upward_includes(grid):
    for folder, _, files in sorted(os.walk(grid)):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(folder, name)
            relative = os.path.relpath(path, grid).replace(os.sep, "/")
            own = floor_index(relative)
            if own == -1:
                yield f"treelist/{relative}: in a folder that is not a floor ({', '.join(FLOORS)})"
                continue
            if own is None:
                continue
            with open(path, encoding="utf-8") as source:
                text = source.read()
            for match in INCLUDE.finditer(text):
                target = floor_index(match.group(1))
                line = text.count("\n", 0, match.start()) + 1
                where = (f"treelist/{relative}:{line}: {FLOORS[own]} includes "
                         f"treelist/{match.group(1)}")
                if target is None:
                    yield f"{where}, which ties the floors together above them all"
                elif target == -1:
                    yield f"{where}, which is on no floor"
                elif target > own:
                    yield f"{where}, a floor above it"


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip().splitlines()[-1].strip())
        return 2
    grid = os.path.join(sys.argv[1], "treelist")
    floors_found = [f for f in FLOORS if os.path.isdir(os.path.join(grid, f))]
    if floors_found != FLOORS:
        print(f"{grid}: expected the floors {', '.join(FLOORS)}, found {', '.join(floors_found)}")
        return 1
    problems = list(upward_includes(grid))
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} include(s) against the floors; "
              f"from the bottom: {', '.join(FLOORS)}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
