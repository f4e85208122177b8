#!/usr/bin/env python3
"""Checks that the plug-in allocates only without exceptions. It is built with -fno-exceptions,
so an allocation that throws on exhaustion ends the host process (an application, or the
spooler) instead of failing one operation. Plain `new` (without std::nothrow), make_unique,
make_shared and the allocating standard containers and strings are refused in its sources.

    tools/allocations.py [ROOT]

Exit status 1 lists each use found as file:line: text.
"""
import pathlib
import re
import sys

SOURCE_DIRS = ["base", "plugin", "docevent", "setup", "docprop", "ui"]
RULES = [
    (re.compile(r"\bnew\b(?!\s*\(\s*std::nothrow\s*\))"), "new without std::nothrow"),
    (re.compile(r"\bstd::make_(?:unique|shared)\b"), "throwing allocation"),
    (re.compile(r"\bstd::(?:vector|basic_string|string|wstring|map|multimap|set|unordered_\w+|list|deque)\b"),
     "allocating standard container"),
]


def code_only(text):
    """The text with comments, string and character literals blanked (lines kept)."""
    out, i, n = [], 0, len(text)
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
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            out.append(" ")
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def scan(root):
    problems = []
    files = [p for d in SOURCE_DIRS for p in sorted((root / d).rglob("*")) if p.suffix in (".cpp", ".h")]
    for path in files:
        lines = code_only(path.read_text(encoding="utf-8")).split("\n")
        for number, line in enumerate(lines, 1):
            if line.lstrip().startswith("#"):
                continue  # includes and other directives
            for pattern, what in RULES:
                if pattern.search(line):
                    problems.append("%s:%d: %s: %s" % (path.relative_to(root).as_posix(), number,
                                                       what, line.strip()))
    return files, problems


def main(argv):
    root = pathlib.Path(argv[0] if argv else pathlib.Path(__file__).resolve().parent.parent)
    files, problems = scan(root)
    if len(files) < 20:
        print("allocations: only %d source files found under %s" % (len(files), root))
        return 1
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
