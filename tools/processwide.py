#!/usr/bin/env python3
"""Checks that the plug-in's mutable process-wide variables are exactly those listed in
base/processwide.h.

    tools/processwide.py SOURCE_ROOT [--list]

Scans the C++ sources of base/, plugin/, docevent/, setup/, docprop/ and ui/ for variables with static storage
that can change after start-up: namespace-scope definitions (at the start of a line, outside
functions) and `static` / `thread_local` locals. `const` and `constexpr` objects do not count.
Every such variable must have a row in the table of base/processwide.h (name and file), and
every row must still name such a variable. --list prints what was found. Exits 1 on a mismatch.
"""
import pathlib
import re
import sys

AREAS = ("base", "plugin", "docevent", "setup", "docprop", "ui")
TABLE = pathlib.Path("base") / "processwide.h"

# A definition at namespace scope: type, name, optional array bounds, optional initialiser.
NAMESPACE_VARIABLE = re.compile(
    r"^(?:static\s+|thread_local\s+)*(?:volatile\s+)?"
    r"(?P<type>[A-Za-z_][\w:<>,\s\*&]*?)[\s\*&]+(?P<name>[A-Za-z_]\w*)\s*(?:\[[^\]]*\])*\s*"
    r"(?:=[^;]*|\{[^;]*\})?;\s*(?://.*)?$")
# The first line of a namespace-scope definition whose initialiser runs over several lines.
NAMESPACE_VARIABLE_OPEN = re.compile(
    r"^(?:static\s+|thread_local\s+)*(?:volatile\s+)?"
    r"(?P<type>[A-Za-z_][\w:<>,\s\*&]*?)[\s\*&]+(?P<name>[A-Za-z_]\w*)\s*(?:\[[^\]]*\])*\s*"
    r"=\s*\{\s*(?://.*)?$")
# A static or thread-local object inside a function.
LOCAL_STATIC = re.compile(
    r"^\s+(?:static|thread_local)\s+(?:thread_local\s+|static\s+)?(?:volatile\s+)?"
    r"(?P<type>[A-Za-z_][\w:<>,\s\*&]*?)[\s\*&]+(?P<name>[A-Za-z_]\w*)\s*(?:\[[^\]]*\])*\s*"
    r"(?:=[^;]*|\{[^;]*\})?;\s*(?://.*)?$")
NOT_A_VARIABLE = re.compile(
    r"^\s*(?:extern|using|typedef|return|struct|class|enum|union|namespace|template|friend|"
    r"static_assert|constexpr|inline\s+constexpr|const\b|static\s+const\b|static\s+constexpr|"
    r"#|//|case\b|goto\b|delete\b|throw\b)")
ROW = re.compile(r"^//\s{2,}(?P<name>[A-Za-z_]\w*)\s+(?P<file>[\w/]+\.(?:cpp|h))\s")


def strip_block_comments(text):
    return re.sub(r"/\*.*?\*/", lambda m: "\n" * m.group(0).count("\n"), text, flags=re.S)


def found_variables(root):
    """Yields (name, relative file, line number) for each mutable static-storage variable."""
    for area in AREAS:
        for path in sorted((root / area).rglob("*")):
            if path.suffix not in (".cpp", ".h"):
                continue
            rel = path.relative_to(root).as_posix()
            lines = strip_block_comments(path.read_text(encoding="utf-8")).splitlines()
            for number, line in enumerate(lines, 1):
                if NOT_A_VARIABLE.match(line):
                    continue
                head = line.split("=", 1)[0].split("{", 1)[0]
                if "(" in head:  # a function, a call or a cast, not a definition
                    continue
                if not line[:1].isspace():
                    match = NAMESPACE_VARIABLE.match(line) or NAMESPACE_VARIABLE_OPEN.match(line)
                    if match and match.group("type").strip() not in ("return", "else"):
                        yield match.group("name"), rel, number
                else:
                    match = LOCAL_STATIC.match(line)
                    if match:
                        yield match.group("name"), rel, number


def listed_variables(root):
    rows = set()
    for line in (root / TABLE).read_text(encoding="utf-8").splitlines():
        match = ROW.match(line)
        if match:
            rows.add((match.group("name"), match.group("file")))
    return rows


def main(argv):
    if len(argv) < 2:
        print(__doc__)
        return 2
    root = pathlib.Path(argv[1])
    found = list(found_variables(root))
    if "--list" in argv:
        for name, rel, number in found:
            print(f"{rel}:{number}: {name}")
        print(f"{len(found)} process-wide variables")
        return 0
    listed = listed_variables(root)
    if not listed:
        print(f"{TABLE}: no rows found")
        return 1
    failures = 0
    seen = set()
    for name, rel, number in found:
        seen.add((name, rel))
        if (name, rel) not in listed:
            print(f"{rel}:{number}: '{name}' is process-wide but not listed in {TABLE}")
            failures += 1
    for name, rel in sorted(listed - seen):
        print(f"{TABLE}: '{name}' in {rel} is listed but no longer defined there")
        failures += 1
    print(f"{len(found)} process-wide variables, {len(listed)} listed, {failures} mismatches")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
