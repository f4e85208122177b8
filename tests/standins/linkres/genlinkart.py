#!/usr/bin/env python3
"""Writes the pictures of the link-page resource library stand-in: bitmap 1100 (24-bit, drawn
framed), bitmap 1003 (16 colours, magenta background drawn transparent) and icon 1102."""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
from bmpfiles import bmp, ico  # noqa: E402


def main(out):
    out = Path(out)
    out.mkdir(parents=True, exist_ok=True)
    (out / 'link1100.bmp').write_bytes(
        bmp(120, 60, 24, lambda x, y: (30 + 2 * x % 226, 80 + y * 2, 160)))
    palette = [(0, 0, 0), (255, 0, 255), (0, 90, 170), (255, 255, 255)] + [(128, 128, 128)] * 12
    (out / 'link1003.bmp').write_bytes(
        bmp(40, 20, 4, lambda x, y: 2 if 5 <= x < 35 and 4 <= y < 16 else 1, palette))
    (out / 'link1102.ico').write_bytes(
        ico(32, lambda x, y: (x - 16) ** 2 + (y - 16) ** 2 < 15 ** 2, (200, 120, 30, 255)))


if __name__ == '__main__':
    main(sys.argv[1])
