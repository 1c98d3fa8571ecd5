#!/usr/bin/env python3
"""Draws the four 16x16, 16-colour menu bitmaps of OvSShow.dll.

    resources/make_bitmaps.py [--preview DIR]

Writes M1.bmp (two slides), M2.bmp (a gear), M3.bmp (a wrapped package) and
M4.bmp (a label) beside this script. The pictures are kept here as text, one
character per pixel (a hexadecimal index into the standard 16-colour palette,
'.' for the white background), so they can be touched up in any editor.
With --preview, 8x enlarged PNG copies are written to DIR as well.
"""
import math
import os
import struct
import sys
import zlib

# The standard 16-colour palette, in index order.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
WHITE = 15

# Two slides in their mounts, the front one lower left: sky, sun and meadow.
M1 = """
................
......000000000.
......077777770.
......07CCCCC70.
......07CCCCC70.
..000000000CC70.
..077777770AA70.
..07CCCBC70AA70.
..07CCCCC707770.
..07CCCCC700000.
..07AAAAA70.....
..07AAAAA70.....
..077777770.....
..000000000.....
................
................
"""

# A package in brown paper tied with a red ribbon and a bow.
M3 = """
................
....99....99....
...9..9..9..9...
...9...99...9...
....999999999...
.000000990000000
.033333993333330
.033333993333330
.099999999999990
.099999999999990
.033333993333330
.033333993333330
.033333993333330
.033333993333330
.000000990000000
................
"""

# A yellow tag with its eyelet and string, pointing left.
M4 = """
................
................
..88............
....8...........
.....8000000000.
....80BBBBBBBB0.
...0BB8BBBBBBB0.
..0BB8.8BBBBBB0.
..0BBB8BBBBBBB0.
...0BBBBBBBBBB0.
....0BBBBBBBBB0.
.....000000000..
................
................
................
................
"""


def gear():
    """An eight-toothed grey gear with a hole, outlined in black."""
    def covered(x, y):
        # A pixel belongs to the gear when most of it lies inside its shape.
        hits = 0
        for sy in range(4):
            for sx in range(4):
                dx, dy = x + (sx + 0.5) / 4 - 8, y + (sy + 0.5) / 4 - 8
                r = math.hypot(dx, dy)
                angle = (math.degrees(math.atan2(dy, dx)) + 360 + 13) % 45
                outer = 6.6 if angle < 26 else 4.9
                hits += 2.0 < r <= outer
        return hits >= 8

    inside = [[covered(x, y) for x in range(16)] for y in range(16)]

    def at(x, y):
        return 0 <= x < 16 and 0 <= y < 16 and inside[y][x]

    rows = []
    for y in range(16):
        row = ""
        for x in range(16):
            if at(x, y):
                row += "7" if x + y < 15 else "8"
            elif any(at(x + ox, y + oy) for ox, oy in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                row += "0"
            else:
                row += "."
        rows.append(row)
    return "\n".join(rows)


def parse(picture):
    rows = [line for line in picture.strip().splitlines()]
    assert len(rows) == 16, "a picture has 16 rows"
    pixels = []
    for row in rows:
        assert len(row) == 16, "a row has 16 pixels: %r" % row
        pixels.append([WHITE if c == "." else int(c, 16) for c in row])
    return pixels


def bmp_bytes(pixels):
    # A bottom-up 4-bit DIB; a row of 16 pixels is 8 bytes, already a
    # multiple of four.
    rows = b""
    for row in reversed(pixels):
        rows += bytes((row[i] << 4) | row[i + 1] for i in range(0, 16, 2))
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    header_size = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, 16, 16, 1, 4, 0, len(rows), 2835, 2835, 16, 16)
    file_header = struct.pack("<2sIHHI", b"BM", header_size + len(rows), 0, 0, header_size)
    return file_header + info + palette + rows


def png_bytes(pixels, scale=8):
    raw = b""
    for row in pixels:
        line = b"".join(bytes(PALETTE[p]) * scale for p in row)
        raw += (b"\0" + line) * scale

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    size = 16 * scale
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    preview = None
    if len(sys.argv) == 3 and sys.argv[1] == "--preview":
        preview = sys.argv[2]
        os.makedirs(preview, exist_ok=True)
    for name, picture in (("M1", M1), ("M2", gear()), ("M3", M3), ("M4", M4)):
        pixels = parse(picture)
        with open(os.path.join(here, name + ".bmp"), "wb") as out:
            out.write(bmp_bytes(pixels))
        if preview:
            with open(os.path.join(preview, name + ".png"), "wb") as out:
                out.write(png_bytes(pixels))


if __name__ == "__main__":
    main()
