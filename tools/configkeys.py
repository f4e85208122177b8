#!/usr/bin/env python3
"""Lists every configuration key the plug-in reads (INI files, model sections, version file,
registry values, printer data) by scanning its sources, and checks the configuration reference
against them: it must name each key in double quotes, and where a call reads a key with a
literal default (GetPrivateProfileIntW, GetPrivateProfileStringW, GetModelInt) or a count with
a literal limit (ReadCount), the reference's table row of that key must give that default in
its "Default" column and that range in its "Range" column.

    tools/configkeys.py [--list] [--reference FILE] [ROOT]

FILE defaults to ROOT/docs/configuration.md. Exit status 1 names the keys the reference lacks
and the defaults and ranges it gets wrong; with --list the keys found are printed.
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
NUMBER_CONSTANT = re.compile(r"\b(k\w+)\s*=\s*(-?\d+)\s*;")
# Reading function -> index of its default argument (None: it has none), and the default when
# the call leaves it out (None: the argument is required).
DEFAULTS = {
    "GetPrivateProfileIntW": (2, None),
    "GetPrivateProfileStringW": (2, None),
    "GetModelInt": (2, "0"),
    "GetModelIntIn": (3, "0"),
    "InstalledValue": (None, "0"),
    # Readers of texts that answer an empty text for a missing key.
    "GetModelString": (None, '""'),
    "GetModelStringIn": (None, '""'),
    "ReadModelValue": (None, '""'),
    "ReadModelString": (None, '""'),
    "ReadLinkModelValue": (None, '""'),
    "ReadVersionValue": (None, '""'),
    "ReadText": (None, '""'),
}
# Reading function -> index of the argument that limits a count read from 0 up.
LIMITS = {"ReadCount": 3}
INTEGER = re.compile(r"^-?\d+$")


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


def scan(root, defaults=None, limits=None):
    """Returns {key: [where, ...]}; fills `defaults` with {key: [(value, where), ...]} for the
    calls with a literal default (integers as text, strings as '""') and `limits` with
    {key: [(limit, where), ...]} for counts read with a constant limit."""
    files = [p for d in SOURCE_DIRS for p in sorted((root / d).rglob("*")) if p.suffix in (".cpp", ".h")]
    constants = {}
    numbers = {}
    for path in files:
        text = strip_comments(path.read_text(encoding="utf-8"))
        for name, value in CONSTANT.findall(text):
            constants.setdefault(name, value)
        for name, value in NUMBER_CONSTANT.findall(text):
            numbers.setdefault(name, value)
    defaults = {} if defaults is None else defaults
    limits = {} if limits is None else limits
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
                    key = key.replace("\\\\", "\\")
                    where = "%s:%d" % (path.relative_to(root).as_posix(), line)
                    found.setdefault(key, []).append(where)
                    value = literal_default(reader, args)
                    if value is not None:
                        defaults.setdefault(key, []).append((value, where))
                    if reader in LIMITS and len(args) > LIMITS[reader]:
                        limit = args[LIMITS[reader]]
                        limit = numbers.get(limit, limit)
                        if INTEGER.match(limit):
                            limits.setdefault(key, []).append((limit, where))
    return found


def literal_default(reader, args):
    """The call's default as text ('""' for an empty string), or None when it is not a
    literal (a function's own declaration, a variable)."""
    if reader not in DEFAULTS:
        return None
    index, implicit = DEFAULTS[reader]
    if index is None or len(args) <= index:
        return implicit
    arg = args[index]
    if INTEGER.match(arg):
        return str(int(arg))
    if arg == 'L""':
        return '""'
    return None


def reference_rows(reference):
    """Yields (keys, cells by column name, line number) for every row of every table of the
    reference; keys are the double-quoted names in its "Key" (or "Value") column."""
    header = None
    for number, line in enumerate(reference.splitlines(), 1):
        if not line.startswith("|"):
            header = None
            continue
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if header is None:
            header = cells
            continue
        if all(set(c) <= set("-: ") for c in cells):
            continue
        row = dict(zip(header, cells))
        names = row.get("Key", row.get("Value", ""))
        yield re.findall(r'"([^"]+)"', names), row, number


def default_matches(code, documented):
    """True when the reference's Default cell states the code's default."""
    documented = documented.strip("` ")
    if code == '""':
        return documented in ('""', "none")
    leading = re.match(r"-?\d+", documented)
    return leading is not None and int(leading.group(0)) == int(code)


def check_values(found_defaults, found_limits, reference, name):
    problems = []
    rows = list(reference_rows(reference))
    for key in sorted(set(found_defaults) | set(found_limits), key=str.lower):
        documented = [(row, number) for keys, row, number in rows if key in keys]
        for value, where in found_defaults.get(key, []):
            for row, number in documented:
                if "Default" in row and not default_matches(value, row["Default"]):
                    problems.append('configkeys: "%s" defaults to %s (%s) but %s:%d says %s'
                                    % (key, value, where, name, number, row["Default"]))
        for limit, where in found_limits.get(key, []):
            for row, number in documented:
                if "Range" in row and not re.search(r"(?<![\d-])0-%s(?!\d)" % limit, row["Range"]):
                    problems.append('configkeys: "%s" is read as a count of 0-%s (%s) but %s:%d '
                                    'gives the range %s' % (key, limit, where, name, number,
                                                            row["Range"]))
    return problems


def main(argv):
    listing = "--list" in argv
    rest = [a for a in argv if a != "--list"]
    reference_path = None
    if "--reference" in rest:
        at = rest.index("--reference")
        reference_path = pathlib.Path(rest[at + 1])
        del rest[at:at + 2]
    root = pathlib.Path(rest[0] if rest else pathlib.Path(__file__).resolve().parent.parent)
    found_defaults, found_limits = {}, {}
    found = scan(root, found_defaults, found_limits)
    if listing:
        for key in sorted(found, key=str.lower):
            print("%-28s %s" % (key, ", ".join(found[key])))
    if reference_path is None:
        reference_path = root / "docs" / "configuration.md"
    reference = reference_path.read_text(encoding="utf-8")
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
    # The value check must have something to compare: the model's integer keys have literal
    # defaults.
    if len(found_defaults) < 3:
        print("configkeys: only %d literal defaults found; the scan no longer reads them"
              % len(found_defaults))
        return 1
    for key in missing:
        print('configkeys: "%s" is read (%s) but %s does not list it'
              % (key, ", ".join(found[key]), reference_path.name))
    wrong = check_values(found_defaults, found_limits, reference, reference_path.name)
    for problem in wrong:
        print(problem)
    return 1 if missing or wrong else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
