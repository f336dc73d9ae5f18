"""Icon files for the resource tests, built in memory: each image one solid
colour, so that a test can tell which image Windows loaded.

make_ico([(16, (255, 0, 0)), (256, (0, 255, 0), "png")]) gives the bytes of an
.ico with a 16-pixel bitmap image and a 256-pixel PNG image.
"""

import struct
import zlib


def bitmap_image(side, rgb):
    """A 32-bit BITMAPINFOHEADER image with its (empty) AND mask."""
    r, g, b = rgb
    header = struct.pack("<IiiHHIIiiII", 40, side, 2 * side, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytes((b, g, r, 255)) * (side * side)
    mask = bytes(((side + 31) // 32) * 4 * side)
    return header + pixels + mask


def png_image(side, rgb):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    row = b"\0" + bytes(rgb + (255,)) * side
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(row * side)) + chunk(b"IEND", b""))


def make_ico(images):
    """images: (side, (r, g, b)) or (side, (r, g, b), "png") tuples."""
    datas = [png_image(i[0], i[1]) if i[2:] == ("png",) else bitmap_image(i[0], i[1]) for i in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (side, *_), data in zip(images, datas):
        out += struct.pack("<BBBBHHII", side % 256, side % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(datas)


def ico_images(data):
    """[(width, height, bit count, image bytes)] of an .ico file."""
    _, _, count = struct.unpack_from("<HHH", data)
    images = []
    for i in range(count):
        width, height, _, _, _, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        images.append((width or 256, height or 256, bits, data[offset:offset + size]))
    return images
