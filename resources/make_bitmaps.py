#!/usr/bin/env python3
"""Draws every picture of OvSShow.dll from one set of drawings.

    resources/make_bitmaps.py [--preview DIR]

Writes beside this script:
- M1.bmp (two slides), M2.bmp (a gear), M3.bmp (a wrapped package) and
  M4.bmp (a label): the 16x16, 16-colour menu bitmaps on white that Windows
  98 to XP show as the items' check marks;
- product.ico, show.ico, config.ico, build.ico and setcaption.ico: each at
  16, 20, 24, 28, 32, 36, 40 and 48 pixels in 32 bits with alpha (the
  small-icon sizes of 100 % to 250 % display scale, and 48), drawn with a dark
  outline inside and a light halo outside so that they read on light and dark
  menus alike, plus 16-colour images at 16 and 32 pixels (the sizes of
  Windows 95 and NT 4) for systems without alpha; the 16-pixel ones of the
  commands are the menu bitmaps' pictures, their white made transparent;
- package/Square44x44Logo.png, package/Square150x150Logo.png and
  package/StoreLogo.png (50x50): the product icon for the package manifest.

The 16-pixel pictures are kept here as text, one character per pixel (a
hexadecimal index into the standard 16-colour palette, '.' for the white
background), so they can be touched up in any editor; the larger ones are
drawn from shapes on the same 16-unit grid, so each size is drawn, not
stretched. With --preview, enlarged copies of every size on a light and a
dark menu colour are written to DIR as PNG files.
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


# --- Shapes on the 16-unit grid ------------------------------------------------
# Each shape is a signed distance: negative inside, in grid units.

def box(x0, y0, x1, y1, radius=0.0):
    cx, cy, hx, hy = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius

    def distance(x, y):
        dx, dy = abs(x - cx) - hx, abs(y - cy) - hy
        return math.hypot(max(dx, 0.0), max(dy, 0.0)) + min(max(dx, dy), 0.0) - radius
    return distance


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def segment_distance(x, y, ax, ay, bx, by):
    ex, ey = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * ex + (y - ay) * ey) / (ex * ex + ey * ey)))
    return math.hypot(x - ax - ex * t, y - ay - ey * t)


def polygon(points):
    edges = list(zip(points, points[1:] + points[:1]))

    def distance(x, y):
        d = min(segment_distance(x, y, ax, ay, bx, by) for (ax, ay), (bx, by) in edges)
        inside = False
        for (ax, ay), (bx, by) in edges:
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                inside = not inside
        return -d if inside else d
    return distance


def stroke(points, r):
    """A line through the points, r thick on either side."""
    pairs = list(zip(points, points[1:]))
    return lambda x, y: min(segment_distance(x, y, ax, ay, bx, by) for (ax, ay), (bx, by) in pairs) - r


def minus(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


def ring(shape, r):
    return lambda x, y: abs(shape(x, y)) - r


# --- The drawings -----------------------------------------------------------------
# A drawing is a list of layers, back to front: (shape, fill, outlined). A
# fill is a colour or a function of the grid position.

INK = (0x1E, 0x1E, 0x24)        # the outline
HALO = (0xFF, 0xFF, 0xFF, 0.72)  # the light rim outside the outline
MOUNT = (0xDC, 0xDC, 0xD6)
SKY = (0x3A, 0x8E, 0xF0)
MEADOW = (0x3C, 0xB0, 0x48)
SUN = (0xFF, 0xD2, 0x28)


def slide(x0, y0, x1, y1, sun):
    """A slide in its mount: sky, sun and meadow."""
    window = (x0 + 2, y0 + 2, x1 - 2, y1 - 2)
    horizon = window[1] + (window[3] - window[1]) * 0.62
    return [
        (box(x0, y0, x1, y1, 0.6), MOUNT, True),
        (box(*window), SKY, True),
        (circle(sun[0], sun[1], sun[2]), SUN, False),
        (box(window[0] + 0.5, horizon, window[2] - 0.5, window[3] - 0.5), MEADOW, False),
    ]


def show_drawing():
    return slide(6, 1, 15, 10, (12.0, 4.4, 0.9)) + slide(1.5, 5, 10.5, 14, (7.5, 8.5, 1.0))


def gear_shape():
    teeth, points = 8, []
    for i in range(teeth):
        base = math.radians(i * 45 - 13)
        for angle, r in ((0, 4.9), (4, 6.7), (22, 6.7), (26, 4.9)):
            a = base + math.radians(angle)
            points.append((8 + r * math.cos(a), 8 + r * math.sin(a)))
    return minus(polygon(points), circle(8, 8, 1.7))


def config_drawing():
    def shade(x, y):
        # Lit from the upper left, as the 16-pixel picture.
        t = max(0.0, min(1.0, (x + y - 10) / 12))
        return tuple(round(a + (b - a) * t) for a, b in zip((0xD6, 0xD6, 0xDC), (0x84, 0x84, 0x8C)))
    return [(gear_shape(), shade, True)]


def build_drawing():
    paper, ribbon = (0xC8, 0x93, 0x55), (0xE0, 0x28, 0x28)
    return [
        # The ribbon's own edges stay unoutlined: at 16 pixels an outline
        # would leave no red.
        (ring(circle(5.0, 2.9, 1.45), 0.7), ribbon, False),
        (ring(circle(11.0, 2.9, 1.45), 0.7), ribbon, False),
        (box(1, 5.5, 15, 15, 0.4), paper, True),
        (box(7, 6.5, 9, 14), ribbon, False),
        (box(2, 8.2, 14, 10.2), ribbon, False),
        (box(6.6, 3.0, 9.4, 5.8, 0.6), ribbon, True),
    ]


def setcaption_drawing():
    tag = minus(polygon([(6.5, 4.5), (15, 4.5), (15, 11.5), (6.5, 11.5), (2, 8)]), circle(6.2, 8, 0.75))
    return [
        (tag, (0xFF, 0xD4, 0x2A), True),
        (stroke([(6.2, 7.3), (4.6, 4.3), (2.0, 2.2)], 0.42), (0x6E, 0x6E, 0x78), True),
    ]


def product_drawing():
    play = polygon([(10.2, 9.1), (10.2, 14.1), (14.5, 11.6)])
    return slide(0.5, 1.5, 15.5, 12.5, (10.0, 5.0, 1.3)) + [
        (circle(11.6, 11.6, 3.9), (0xF0, 0x78, 0x14), True),
        (play, (0xFF, 0xFF, 0xFF), False),
    ]


# --- Rendering ---------------------------------------------------------------------

def render(drawing, size, halo=True):
    """Rows of straight (r, g, b, a) pixels, a from 0 to 1, at size x size."""
    unit = 16.0 / size
    outline = max(1.0, size / 16.0) * unit
    rim = max(1.0, size / 24.0) * unit
    shapes = [shape for shape, _, _ in drawing]
    # The halo keeps off the corner pixels: an icon's corners stay clear, so
    # the square never shows.
    square = box(0, 0, 16, 16, 3.5 * unit)
    ss = 4 if size <= 64 else 3
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
            for sy in range(ss):
                for sx in range(ss):
                    x, y = (px + (sx + 0.5) / ss) * unit, (py + (sy + 0.5) / ss) * unit
                    colour = None
                    for shape, fill, outlined in drawing:
                        d = shape(x, y)
                        if d <= 0:
                            colour = INK if outlined and d > -outline else (fill(x, y) if callable(fill) else fill)
                    if colour is not None:
                        alpha = 1.0
                    elif halo and min(s(x, y) for s in shapes) < rim and square(x, y) < 0:
                        colour, alpha = HALO[:3], HALO[3]
                    else:
                        continue
                    for i in range(3):
                        acc[i] += colour[i] * alpha
                    acc[3] += alpha
            n = ss * ss
            a = acc[3] / n
            row.append(tuple(round(acc[i] / acc[3]) if a else 0 for i in range(3)) + (a,))
        rows.append(row)
    return rows


def art_rgba(pixels, halo=True):
    """A 16-pixel picture with its white made transparent, and the halo."""
    inside = [[p != WHITE for p in row] for row in pixels]
    rows = []
    for y in range(16):
        row = []
        for x in range(16):
            if inside[y][x]:
                row.append(PALETTE[pixels[y][x]] + (1.0,))
                continue
            near = [inside[y + dy][x + dx] for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))
                    if 0 <= x + dx < 16 and 0 <= y + dy < 16]
            row.append(HALO if halo and any(near) else (0, 0, 0, 0.0))
        rows.append(row)
    return rows


def nearest_index(colour):
    return min(range(16), key=lambda i: sum((a - b) ** 2 for a, b in zip(colour, PALETTE[i])))


def low_colour(rgba):
    """16-colour pixels and the transparency mask of a picture drawn without halo."""
    return ([[nearest_index(p[:3]) for p in row] for row in rgba],
            [[p[3] < 0.5 for p in row] for row in rgba])


# --- File formats ------------------------------------------------------------------

def padded(row):
    return row + b"\0" * (-len(row) % 4)


def mask_bits(mask):
    # The AND mask, bottom-up, one bit a pixel: 1 where the picture is transparent.
    out = b""
    for row in reversed(mask):
        bits = bytearray((len(row) + 7) // 8)
        for x, clear in enumerate(row):
            if clear:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += padded(bytes(bits))
    return out


def icon_image_32(rgba):
    size = len(rgba)
    xor = b"".join(bytes((p[2], p[1], p[0], round(p[3] * 255))) for row in reversed(rgba) for p in row)
    mask = mask_bits([[round(p[3] * 255) == 0 for p in row] for row in rgba])
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + xor + mask


def icon_image_4(indices, mask):
    size = len(indices)
    xor = b""
    for row, clear in zip(reversed(indices), reversed(mask)):
        # Transparent pixels are black, so the AND-then-XOR drawing leaves
        # the background as it was.
        row = [0 if c else i for i, c in zip(row, clear)]
        xor += padded(bytes((row[i] << 4) | row[i + 1] for i in range(0, size, 2)))
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    bits = mask_bits(mask)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 4, 0, len(xor) + len(bits), 0, 0, 16, 0)
    return header + palette + xor + bits


def ico_bytes(images):
    """images: (size, colour count or 0, bits per pixel, image bytes)."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    data = b""
    for size, colours, bpp, image in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bpp, len(image), offset + len(data))
        data += image
    return directory + data


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


def png_bytes(rgba, scale=1, background=None):
    """An RGBA PNG; on a background colour, an RGB one."""
    raw = b""
    for row in rgba:
        line = b""
        for r, g, b, a in row:
            if background:
                pixel = bytes(round(c * a + k * (1 - a)) for c, k in zip((r, g, b), background))
            else:
                pixel = bytes((r, g, b, round(a * 255)))
            line += pixel * scale
        raw += (b"\0" + line) * scale

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    size = len(rgba) * scale
    kind = 2 if background else 6
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, kind, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


# --- The files -----------------------------------------------------------------------

ICON_SIZES = (16, 20, 24, 28, 32, 36, 40, 48)
LOW_COLOUR_SIZES = (16, 32)
# name, drawing, the 16-pixel picture (None: drawn from the shapes as well)
ICONS = (
    ("product", product_drawing, None),
    ("show", show_drawing, M1),
    ("config", config_drawing, None),
    ("build", build_drawing, M3),
    ("setcaption", setcaption_drawing, M4),
)
LOGOS = (("Square44x44Logo", 44), ("Square150x150Logo", 150), ("StoreLogo", 50))
MENU_LIGHT, MENU_DARK = (0xF2, 0xF2, 0xF2), (0x2B, 0x2B, 0x2B)


def write(path, data):
    with open(path, "wb") as out:
        out.write(data)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    preview = None
    if len(sys.argv) == 3 and sys.argv[1] == "--preview":
        preview = sys.argv[2]
        os.makedirs(preview, exist_ok=True)
    art = {"M1": parse(M1), "M2": parse(gear()), "M3": parse(M3), "M4": parse(M4)}
    for name, pixels in art.items():
        write(os.path.join(here, name + ".bmp"), bmp_bytes(pixels))
    art_of = {M1: art["M1"], M3: art["M3"], M4: art["M4"], None: None}
    art_of_icon = {"config": art["M2"]}

    for name, drawing, picture in ICONS:
        shapes = drawing()
        pixels = art_of[picture] or art_of_icon.get(name)
        images = []
        for size in ICON_SIZES:
            rgba = render(shapes, size)
            images.append((size, 0, 32, icon_image_32(rgba)))
            if preview:
                for tone, colour in (("light", MENU_LIGHT), ("dark", MENU_DARK)):
                    write(os.path.join(preview, "%s-%d-%s.png" % (name, size, tone)),
                          png_bytes(rgba, 96 // size, colour))
        for size in LOW_COLOUR_SIZES:
            if size == 16 and pixels:
                indices, mask = pixels, [[p == WHITE for p in row] for row in pixels]
            else:
                indices, mask = low_colour(render(shapes, size, halo=False))
            images.append((size, 16, 4, icon_image_4(indices, mask)))
        write(os.path.join(here, name + ".ico"), ico_bytes(images))
        if name == "product":
            os.makedirs(os.path.join(here, "package"), exist_ok=True)
            for logo, size in LOGOS:
                write(os.path.join(here, "package", logo + ".png"), png_bytes(render(shapes, size)))


if __name__ == "__main__":
    main()
