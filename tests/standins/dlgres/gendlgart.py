#!/usr/bin/env python3
"""Writes the pictures of the dialog-routine test resources: a 24-bit bitmap without colour
table, an 8-bit bitmap with its palette, a 16-colour bitmap with a magenta (transparent) border,
a 24-bit bitmap whose pixel data is cut short, and a 32x32 icon."""
import struct
import sys
from pathlib import Path

RED, BLUE = (220, 20, 30), (20, 40, 200)
GREEN, PURPLE = (10, 170, 40), (150, 60, 170)
MAGENTA, ORANGE = (255, 0, 255), (250, 140, 0)


def bmp(width, height, bits, pixel, palette=None, cut=0):
    """pixel(x, y) gives (r, g, b) for 24 bits or a palette index. cut drops bytes at the end."""
    colours = len(palette) if palette else 0
    row = ((width * bits + 31) // 32) * 4
    data = bytearray()
    for y in range(height - 1, -1, -1):
        line = bytearray()
        if bits == 24:
            for x in range(width):
                r, g, b = pixel(x, y)
                line += bytes((b, g, r))
        elif bits == 8:
            line += bytes(pixel(x, y) for x in range(width))
        else:
            for x in range(0, width, 2):
                line.append((pixel(x, y) << 4) | (pixel(x + 1, y) if x + 1 < width else 0))
        line += bytes(row - len(line))
        data += line
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, len(data), 2835, 2835,
                         colours, 0)
    table = b''.join(bytes((b, g, r, 0)) for (r, g, b) in (palette or []))
    if cut:
        data = data[:-cut]
    offset = 14 + len(header) + len(table)
    return struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset) + header + table + data


def ico(size):
    xor = bytearray()
    for y in range(size):
        for x in range(size):
            xor += bytes((0, 200, 255, 255))
    mask = bytes(((size + 31) // 32) * 4 * size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0,
                         0, 0)
    image = header + xor + mask
    return struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32,
                                                    len(image), 22) + image


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
