#!/usr/bin/env python3
"""Writes the pictures of the link-page resource library stand-in: bitmap 1100 (24-bit, drawn
framed), bitmap 1003 (16 colours, magenta background drawn transparent) and icon 1102."""
import struct
import sys
from pathlib import Path


def bmp(width, height, bits, pixel, palette=None):
    """pixel(x, y) gives an (r, g, b) for 24-bit or a palette index otherwise."""
    colours = len(palette) if palette else 0
    row = ((width * bits + 31) // 32) * 4
    data = bytearray()
    for y in range(height - 1, -1, -1):
        line = bytearray()
        if bits == 24:
            for x in range(width):
                r, g, b = pixel(x, y)
                line += bytes((b, g, r))
        else:
            for x in range(0, width, 2):
                hi = pixel(x, y)
                lo = pixel(x + 1, y) if x + 1 < width else 0
                line.append((hi << 4) | lo)
        line += bytes(row - len(line))
        data += line
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, len(data), 2835, 2835,
                         colours, 0)
    table = b''.join(bytes((b, g, r, 0)) for (r, g, b) in (palette or []))
    offset = 14 + len(header) + len(table)
    return struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset) + header + table + data


def ico(size):
    xor = bytearray()
    for y in range(size - 1, -1, -1):
        for x in range(size):
            inside = (x - size / 2) ** 2 + (y - size / 2) ** 2 < (size / 2 - 1) ** 2
            xor += bytes((200, 120, 30, 255)) if inside else bytes((0, 0, 0, 0))
    mask_row = ((size + 31) // 32) * 4
    mask = bytes(mask_row * size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0,
                         0, 0)
    image = header + xor + mask
    return struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32,
                                                    len(image), 22) + image


def main(out):
    out = Path(out)
    out.mkdir(parents=True, exist_ok=True)
    (out / 'link1100.bmp').write_bytes(
        bmp(120, 60, 24, lambda x, y: (30 + 2 * x % 226, 80 + y * 2, 160)))
    palette = [(0, 0, 0), (255, 0, 255), (0, 90, 170), (255, 255, 255)] + [(128, 128, 128)] * 12
    (out / 'link1003.bmp').write_bytes(
        bmp(40, 20, 4, lambda x, y: 2 if 5 <= x < 35 and 4 <= y < 16 else 1, palette))
    (out / 'link1102.ico').write_bytes(ico(32))


if __name__ == '__main__':
    main(sys.argv[1])
