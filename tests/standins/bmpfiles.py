"""BMP and ICO bytes for the pictures of the test stand-in resource libraries."""
import struct


def bmp(width, height, bits, pixel, palette=None, cut=0):
    """A BMP file. pixel(x, y) gives (r, g, b) for 24 bits or a palette index for 4 and 8 bits;
    cut drops that many bytes from the end of the pixel data."""
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


def ico(size, inside=lambda x, y: True, bgra=(0, 200, 255, 255)):
    """A one-image 32-bit ICO file; pixels where inside(x, y) is false are transparent."""
    xor = bytearray()
    for y in range(size - 1, -1, -1):
        for x in range(size):
            xor += bytes(bgra) if inside(x, y) else bytes((0, 0, 0, 0))
    mask = bytes(((size + 31) // 32) * 4 * size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0,
                         0, 0)
    image = header + xor + mask
    return struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32,
                                                    len(image), 22) + image
