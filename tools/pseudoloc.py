#!/usr/bin/env python3
"""Writes a pseudo-localised copy of the plug-in's resource scripts.

    tools/pseudoloc.py RES_DIR OUT_DIR

Every text a user reads (dialog captions, control texts, string-table entries) becomes 40 %
longer and its letters accented, the way translations lengthen and change texts: a layout that
holds these holds a translation. Access keys keep their letters, format specifiers (%d, %%),
escapes (\\n, \\t) and doubled quotes stay as they are. Strings the plug-in uses as names rather
than texts (a library name, INI sections, a font name, point sizes) are left alone. Header files
are not copied: the scripts in OUT_DIR include them from RES_DIR (resource compiler include
path).
"""
import math
import pathlib
import re
import sys

ACCENTS = str.maketrans(
    "abcdeghiklnorstuyzABCDEGHIKLNORSTUYZ",
    "áƀçđéĝĥíķłñöŕšţüýžÅƁÇĐÉĜĤÍĶŁÑÖŔŠŢÜÝŽ")
PADDING = "éöüáí"
GROWTH = 0.4

# String-table entries that are names, not texts.
NOT_TEXTS = {"IDS_USER_MODE_LIBRARY", "IDS_WATERMARK_SECTION", "IDS_CUSTOM_COLOR_SECTION",
             "IDS_WATERMARK_FONT_DEFAULT"} | {str(n) for n in range(8061, 8077)}

# Statements whose first string is a text shown to the user.
TEXT_STATEMENTS = re.compile(
    r"^\s*(CAPTION|LTEXT|RTEXT|CTEXT|GROUPBOX|PUSHBUTTON|DEFPUSHBUTTON|AUTOCHECKBOX|"
    r"AUTORADIOBUTTON|CHECKBOX|RADIOBUTTON|CONTROL)\b")
STRING = re.compile(r'"((?:[^"]|"")*)"')


def pseudo(text):
    """The text accented, each word 40 % longer; escapes, format specifiers, access keys and
    texts without letters (numbers, signs) kept."""
    out = []
    word = 0  # letters of the word being copied

    def end_word():
        nonlocal word
        if word:
            extra = math.ceil(word * GROWTH)
            out.append((PADDING * (extra // len(PADDING) + 1))[:extra])
        word = 0

    if not re.search(r"[A-Za-z]", re.sub(r"%[-+ #0]*\d*l?[dusxXc%]|\\.", "", text)):
        return text
    i = 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            end_word()
            out.append(text[i:i + 2])
            i += 2
            continue
        if c == "%":
            m = re.match(r"%%|%[-+ #0]*\d*(?:\.\d+)?l?[dusxXc]", text[i:])
            if m:
                end_word()
                out.append(m.group(0))
                i += len(m.group(0))
                continue
        if c == "&" and i + 1 < len(text):
            out.append(text[i:i + 2])  # the access key keeps its letter
            word += 1
            i += 2
            continue
        if c.isalpha():
            out.append(c.translate(ACCENTS))
            word += 1
        else:
            end_word()
            out.append('""' if c == '"' else c)
            if c == '"':
                i += 1  # a doubled quote
        i += 1
    end_word()
    return "".join(out)


def convert(script):
    lines = []
    in_table = False
    for line in script.splitlines():
        stripped = line.strip()
        if stripped.startswith("STRINGTABLE"):
            in_table = True
        elif in_table and stripped == "END":
            in_table = False
        if in_table:
            m = re.match(r'^(\s*)(\w+)(\s+)"((?:[^"]|"")*)"(.*)$', line)
            if m and m.group(2) not in NOT_TEXTS:
                line = f'{m.group(1)}{m.group(2)}{m.group(3)}"{pseudo(m.group(4))}"{m.group(5)}'
        elif TEXT_STATEMENTS.match(line) and not stripped.startswith("//"):
            line = STRING.sub(lambda m: f'"{pseudo(m.group(1))}"', line, count=1)
        lines.append(line)
    return "\n".join(lines) + "\n"


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    source, target = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    target.mkdir(parents=True, exist_ok=True)
    for script in sorted(source.glob("*.rc")):
        text = convert(script.read_text(encoding="utf-8"))
        if script.name == "vroemui.rc":
            text = "#pragma code_page(65001)\n" + text
        (target / script.name).write_text(text, encoding="utf-8")


if __name__ == "__main__":
    main()
