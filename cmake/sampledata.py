#!/usr/bin/env python3
"""Writes a sample data file under the integrator's names: copies SOURCE to TARGET with every
OLD=NEW replacement made in its text, keeping the file's encoding (the plug-in INI file is
UTF-16LE with a byte-order mark, the others 8-bit text).

    sampledata.py SOURCE TARGET [OLD=NEW ...]
"""
import sys


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    source, target, pairs = argv[1], argv[2], argv[3:]
    data = open(source, "rb").read()
    wide = data.startswith(b"\xff\xfe")
    text = data[2:].decode("utf-16-le") if wide else data.decode("latin-1")
    for pair in pairs:
        old, new = pair.split("=", 1)
        text = text.replace(old, new)
    out = b"\xff\xfe" + text.encode("utf-16-le") if wide else text.encode("latin-1")
    try:
        if open(target, "rb").read() == out:
            return 0  # unchanged: keep the time stamp, nothing rebuilds
    except OSError:
        pass
    with open(target, "wb") as f:
        f.write(out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
