#!/usr/bin/env python3
"""Checks that every #include "..." of the plug-in goes down the floors of layers.txt.

    tools/layering.py SOURCE_ROOT

layers.txt lists the product's rooms top to bottom (a folder at the start of a line; indented
lines continue the one above). A file of a room may include from its own room and from any
room below it. An include is resolved as the compiler resolves it: beside the including file,
then from the source root, then from res/; headers that CMake generates from a res/ template
(configure_file(res/....in .../generated/NAME)) belong to res/. Prints one line per offending
include (file:line, the header and both rooms) and exits 1 when there is any; an include that
resolves to nothing, or to a file in no room, fails too.
"""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
GENERATED = re.compile(r"configure_file\(\s*res/\S+\.in\s+\S*/generated/(\S+?)[\s)]")
SUFFIXES = (".cpp", ".h", ".c", ".rc")


def read_rooms(root):
    """The rooms of layers.txt, top first, as folder prefixes ending in '/'."""
    rooms = []
    for line in (root / "layers.txt").read_text(encoding="utf-8").splitlines():
        if not line or line.startswith("#") or line[0].isspace():
            continue
        folder = line.split()[0]
        if not folder.endswith("/"):
            raise SystemExit(f"layers.txt: '{folder}' is not a folder (ends in '/')")
        rooms.append(folder)
    return rooms


def room_of(rel, rooms):
    """The deepest room holding the file `rel` (a posix path from the root), or None."""
    best = None
    for index, folder in enumerate(rooms):
        if rel.startswith(folder) and (best is None or len(folder) > len(rooms[best])):
            best = index
    return best


def generated_headers(root):
    names = set()
    for cmake in [root / "CMakeLists.txt"]:
        names.update(GENERATED.findall(cmake.read_text(encoding="utf-8")))
    return names


def resolve(root, including, name, generated):
    """The included file as a posix path from the root, or None."""
    for base in (including.parent, root, root / "res"):
        candidate = (base / name).resolve()
        if candidate.is_file():
            try:
                return candidate.relative_to(root.resolve()).as_posix()
            except ValueError:
                return None
    if name in generated:
        return "res/" + name
    return None


def check(root):
    rooms = read_rooms(root)
    generated = generated_headers(root)
    problems = []
    for folder in rooms:
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in SUFFIXES or not path.is_file():
                continue
            rel = path.relative_to(root).as_posix()
            here = room_of(rel, rooms)
            text = path.read_text(encoding="utf-8", errors="replace")
            for number, line in enumerate(text.splitlines(), 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                name = match.group(1)
                target = resolve(root, path, name, generated)
                where = f"{rel}:{number}"
                if target is None:
                    problems.append(f'{where}: #include "{name}" is no file of the source tree')
                    continue
                there = room_of(target, rooms)
                if there is None:
                    problems.append(f'{where}: #include "{name}" ({target}) is in no room of '
                                    "layers.txt")
                elif there < here:
                    problems.append(f'{where}: #include "{name}" goes up from {rooms[here]} to '
                                    f"{rooms[there]}")
    return problems


def main(argv):
    if len(argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    problems = check(pathlib.Path(argv[1]))
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} include(s) against the floors of layers.txt")
        return 1
    print("every include goes down the floors of layers.txt")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
