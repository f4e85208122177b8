#!/usr/bin/env python3
"""Lists every configuration key the plug-in reads (INI files, model sections, version file,
registry values, printer data) by scanning its sources, and checks that the configuration
reference names each one in double quotes.

    tools/configkeys.py [--list] [ROOT]

Exit status 1 names the keys the reference lacks; with --list the keys found are printed.
"""
import pathlib
import re
import sys

# Reading function -> index of the argument that names the key (or the section, for whole
# sections read at once).
READERS = {
    "GetPrivateProfileStringW": 1,
    "GetPrivateProfileIntW": 1,
    "GetPrivateProfileSectionW": 0,
    "GetModelString": 1,
    "GetModelInt": 1,
    "GetModelStringIn": 2,
    "GetModelIntIn": 2,
    "ReadLinkModelValue": 2,
    "ReadModelValue": 1,
    "ReadModelString": 1,
    "ModelFilePath": 1,
    "InstalledValue": 1,
    "ReadCount": 2,
    "ReadText": 2,
    "ReadVersionValue": 1,
    "GetPrinterDataW": 1,
    "GetPrinterDataExW": 2,
    "RegGetValueW": 2,
    "RegQueryValueExW": 1,
}
SOURCE_DIRS = ["base", "plugin", "docevent", "setup", "docprop", "ui"]
LITERAL = re.compile(r'^(?:const_cast<[^>]*>\()?\s*L"((?:[^"\\]|\\.)*)"\s*\)?$')
CONSTANT = re.compile(r'\b(k\w+)(?:\[\])?\s*=\s*L"((?:[^"\\]|\\.)*)"')


def strip_comments(text):
    text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
    return re.sub(r"//[^\n]*", " ", text)


def arguments(text, start):
    """Splits the argument list that opens at text[start] == '(' at its top-level commas."""
    depth, args, current, i, quoted = 0, [], "", start, False
    while i < len(text):
        c = text[i]
        if quoted:
            current += c
            if c == "\\":
                current += text[i + 1]
                i += 1
            elif c == '"':
                quoted = False
        elif c == '"':
            quoted = True
            current += c
        elif c in "(<[{" and not (c == "<" and depth > 0 and False):
            depth += 1
            if depth > 1:
                current += c
        elif c in ")]}":
            depth -= 1
            if depth == 0:
                args.append(current.strip())
                return args
            current += c
        elif c == "," and depth == 1:
            args.append(current.strip())
            current = ""
        else:
            if c == ">" and depth > 1:
                depth -= 1
            current += c
        i += 1
    return args


def scan(root):
    files = [p for d in SOURCE_DIRS for p in sorted((root / d).rglob("*")) if p.suffix in (".cpp", ".h")]
    constants = {}
    for path in files:
        for name, value in CONSTANT.findall(strip_comments(path.read_text(encoding="utf-8"))):
            constants.setdefault(name, value)
    found = {}
    for path in files:
        text = strip_comments(path.read_text(encoding="utf-8"))
        for reader, index in READERS.items():
            for match in re.finditer(r"\b%s\s*\(" % reader, text):
                args = arguments(text, match.end() - 1)
                if len(args) <= index:
                    continue
                arg = args[index]
                literal = LITERAL.match(arg)
                key = None
                if literal:
                    key = literal.group(1)
                elif re.fullmatch(r"(?:const_cast<[^>]*>\()?\s*(k\w+)\s*\)?", arg):
                    key = constants.get(re.search(r"k\w+", arg).group(0))
                if key:
                    line = text.count("\n", 0, match.start()) + 1
                    found.setdefault(key.replace("\\\\", "\\"), []).append(
                        "%s:%d" % (path.relative_to(root).as_posix(), line))
    return found


def main(argv):
    listing = "--list" in argv
    rest = [a for a in argv if a != "--list"]
    root = pathlib.Path(rest[0] if rest else pathlib.Path(__file__).resolve().parent.parent)
    found = scan(root)
    if listing:
        for key in sorted(found, key=str.lower):
            print("%-28s %s" % (key, ", ".join(found[key])))
    reference = (root / "docs" / "configuration.md").read_text(encoding="utf-8")
    missing = [k for k in sorted(found, key=str.lower) if '"%s"' % k not in reference]
    # The scan itself must work: the plug-in reads dozens of keys.
    if len(found) < 40:
        print("configkeys: only %d keys found; the scan no longer recognises the readers" % len(found))
        return 1
    # ... and the check must be able to fail: a reference without the first key misses it.
    first = sorted(found, key=str.lower)[0]
    if '"%s"' % first in reference.replace('"%s"' % first, ""):
        print("configkeys: the check cannot tell a missing key")
        return 1
    for key in missing:
        print('configkeys: "%s" is read (%s) but docs/configuration.md does not list it'
              % (key, ", ".join(found[key])))
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
