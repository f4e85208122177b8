#!/usr/bin/env python3
"""Writes the pictures of the dialog-routine test resources: a 24-bit bitmap without colour
table, an 8-bit bitmap with its palette, a 16-colour bitmap with a magenta (transparent) border,
a 24-bit bitmap whose pixel data is cut short, and a 32x32 icon."""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
from bmpfiles import bmp, ico  # noqa: E402

RED, BLUE = (220, 20, 30), (20, 40, 200)
GREEN, PURPLE = (10, 170, 40), (150, 60, 170)
MAGENTA, ORANGE = (255, 0, 255), (250, 140, 0)


def main(out):
    out = Path(out)
    out.mkdir(parents=True, exist_ok=True)
    # 24-bit: left half red, right half blue.
    (out / 'true24.bmp').write_bytes(bmp(16, 12, 24, lambda x, y: RED if x < 8 else BLUE))
    # 8-bit with a 4-entry palette: top half green, bottom half purple.
    palette = [(0, 0, 0), GREEN, PURPLE, (255, 255, 255)]
    (out / 'pal8.bmp').write_bytes(bmp(16, 12, 8, lambda x, y: 1 if y < 6 else 2, palette))
    # 16 colours: a 4-pixel magenta border around an orange block.
    palette16 = [(0, 0, 0), MAGENTA, ORANGE] + [(128, 128, 128)] * 13
    (out / 'keyed4.bmp').write_bytes(
        bmp(16, 12, 4, lambda x, y: 2 if 4 <= x < 12 and 4 <= y < 8 else 1, palette16))
    # 24-bit whose header promises more rows than the data holds.
    (out / 'cut24.bmp').write_bytes(bmp(16, 12, 24, lambda x, y: RED, cut=100))
    (out / 'warn.ico').write_bytes(ico(32))


if __name__ == '__main__':
    main(sys.argv[1])
