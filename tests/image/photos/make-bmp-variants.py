#!/usr/bin/env python3
"""BMP variants that ImageMagick reads but does not write, made by rewriting the bytes of the
files make-photos.sh wrote: RLE4, top-down 8- and 32-bit, 16- and 24-bit with a gap or a colour
table before the pixels, and an OS/2 file whose palette holds only the colours it uses."""
import struct


def read(name):
    data = open(name, "rb").read()
    offset, header_size = struct.unpack_from("<II", data, 10)
    width, height = struct.unpack_from("<ii", data, 18)
    bits = struct.unpack_from("<H", data, 28)[0]
    stride = (bits * width + 31) // 32 * 4
    rows = [data[offset + r * stride: offset + (r + 1) * stride] for r in range(height)]
    return data, width, height, rows


def write(name, info, table, rows, gap=b""):
    """info: the 40-byte information header; table: colour table or palette bytes."""
    offset = 14 + len(info) + len(table) + len(gap)
    body = info + table + gap + b"".join(rows)
    open(name, "wb").write(b"BM" + struct.pack("<IHHI", 14 + len(body), 0, 0, offset) + body)


def info_header(width, height, bits, compression=0, image_size=0, colours=0):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, image_size, 2835, 2835, colours, 0)


def pixels_24(rows, width):
    return [[row[3 * x: 3 * x + 3] for x in range(width)] for row in rows]  # blue, green, red


def pad(row):
    return row + b"\0" * (-len(row) % 4)


# Top-down 8-bit: the same palette, rows in the other order, height negative.
data, width, height, rows = read("photo-8-palette.bmp")
write("photo-8-top-down.bmp", info_header(width, -height, 8, colours=256), data[54:1078], rows[::-1])

# RLE4 from the 16-colour file: runs of equal pixels encoded, stretches of single ones literal.
data, width, height, rows = read("photo-4-palette.bmp")
encoded = bytearray()
for row in rows:
    indices = [(row[x // 2] >> (4 if x % 2 == 0 else 0)) & 15 for x in range(width)]
    x, literal = 0, []

    def flush(literal):
        if len(literal) >= 3:
            packed = bytes((literal[i] << 4) | (literal[i + 1] if i + 1 < len(literal) else 0)
                           for i in range(0, len(literal), 2))
            encoded.extend(bytes([0, len(literal)]) + packed + b"\0" * (len(packed) % 2))
        else:
            for index in literal:
                encoded.extend(bytes([1, index << 4]))
        literal.clear()

    while x < width:
        run = 1
        while x + run < width and indices[x + run] == indices[x] and run < 255:
            run += 1
        if run >= 2:
            flush(literal)
            encoded.extend(bytes([run, (indices[x] << 4) | indices[x]]))
        else:
            literal.append(indices[x])
            if len(literal) == 255:
                flush(literal)
        x += run
    flush(literal)
    encoded.extend(b"\0\0")  # end of row
encoded.extend(b"\0\1")  # end of picture
write("photo-rle4.bmp", info_header(width, height, 4, 2, len(encoded), 16), data[54:54 + 64], [bytes(encoded)])

# From the classic file: 16-bit 5-5-5 after a 10-byte gap, 24-bit after a 16-colour table,
# top-down 32-bit whose fourth bytes vary (reserved, so they must change nothing).
data, width, height, rows = read("photo-24.bmp")
pixels = pixels_24(rows, width)
rows_16 = [pad(b"".join(struct.pack("<H", ((p[2] >> 3) << 10) | ((p[1] >> 3) << 5) | (p[0] >> 3)) for p in row))
           for row in pixels]
write("photo-16-gap.bmp", info_header(width, height, 16), b"", rows_16, gap=b"\xA5" * 10)
table = b"".join(bytes([16 * i, 255 - 16 * i, 7 * i, 0]) for i in range(16))
write("photo-24-colour-table.bmp", info_header(width, height, 24, colours=16), table, rows)
rows_32 = [b"".join(p + bytes([(x * 37 + y * 11) % 256]) for x, p in enumerate(row)) for y, row in enumerate(pixels)]
write("photo-32-top-down.bmp", info_header(width, -height, 32), b"", rows_32[::-1])

# OS/2 1.x: ImageMagick pads the palette to 256 entries; keep only those up to the highest
# index the pixels use, so that the palette's size is known only from where the pixels start.
data = open("photo-os2.bmp", "rb").read()
offset = struct.unpack_from("<I", data, 10)[0]
entries = max(data[offset:]) + 1
body = data[14:26] + data[26:26 + entries * 3] + data[offset:]
open("photo-os2.bmp", "wb").write(b"BM" + struct.pack("<IHHI", 14 + len(body), 0, 0, 26 + entries * 3) + body)
