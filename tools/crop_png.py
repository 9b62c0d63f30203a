#!/usr/bin/env python3
"""Crops an 8-bit RGB or RGBA PNG (as the host's screenshots are) to a rectangle, with the standard
library only: crop_png.py IN OUT X Y WIDE TALL."""
import struct
import sys
import zlib


def read_chunks(data):
    at = 8
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        yield kind, data[at + 8:at + 8 + length]
        at += 12 + length


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else (b if pb <= pc else c)


def decode(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"{path}: not a PNG file")
    header, idat = None, b""
    for kind, body in read_chunks(data):
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
    wide, tall, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        sys.exit(f"{path}: only 8-bit RGB or RGBA without interlacing is handled")
    bpp = 3 if colour == 2 else 4
    raw, stride, rows, prior = zlib.decompress(idat), wide * bpp, [], bytearray(wide * bpp)
    for y in range(tall):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - bpp] if i >= bpp else 0
            up, corner = prior[i], (prior[i - bpp] if i >= bpp else 0)
            line[i] = (line[i] + (0, left, up, (left + up) // 2, paeth(left, up, corner))[kind]) & 0xFF
        rows.append(line)
        prior = line
    return wide, tall, colour, bpp, rows


def encode(path, wide, tall, colour, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", wide, tall, 8, colour, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    open(path, "wb").write(png)


def main():
    if len(sys.argv) != 7:
        sys.exit(__doc__)
    source, target = sys.argv[1], sys.argv[2]
    x, y, wide, tall = (int(v) for v in sys.argv[3:])
    full_wide, full_tall, colour, bpp, rows = decode(source)
    if x < 0 or y < 0 or wide <= 0 or tall <= 0 or x + wide > full_wide or y + tall > full_tall:
        sys.exit(f"the rectangle {x},{y} {wide}x{tall} is not inside the {full_wide}x{full_tall} picture")
    encode(target, wide, tall, colour, [row[x * bpp:(x + wide) * bpp] for row in rows[y:y + tall]])


if __name__ == "__main__":
    main()
