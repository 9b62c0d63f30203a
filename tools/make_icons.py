#!/usr/bin/env python3
"""Draws the server list's 16x16 icons as PNG files under game/servers.

Each icon is pixel art: a grid of one-letter colour codes and a palette, so the pictures can be
read and edited here. The "_column" variants for the list header are the same grids in greys,
quieter than the row icons. Only the standard library is used, and the output carries no time
stamps, so running the script again gives the same bytes.

    python3 tools/make_icons.py [--out DIR] [--preview FILE]

--preview writes one enlarged sheet of every icon over the list, selection and header colours,
for looking at the drawings; keep it outside the repository.
"""

import argparse
import os
import struct
import sys
import zlib

SIZE = 16

# A padlock: a metal shackle over an amber body with a keyhole.
PADLOCK = (
    [
        "................",
        ".....oooooo.....",
        "....osssssSo....",
        "...osSoooosSo...",
        "...osSo..osSo...",
        "...osSo..osSo...",
        "...osSo..osSo...",
        "..oooooooooooo..",
        "..ohhhhhhhhhho..",
        "..obbbbbbbbbbo..",
        "..obbbbkkbbbbo..",
        "..obbbbkkbbbbo..",
        "..obbbbkkbbbbo..",
        "..oBBBBBBBBBBo..",
        "..oooooooooooo..",
        "................",
    ],
    {
        "o": (58, 36, 8),
        "s": (222, 228, 236),
        "S": (150, 158, 170),
        "h": (255, 214, 120),
        "b": (236, 172, 52),
        "B": (184, 122, 24),
        "k": (58, 36, 8),
    },
)

# A robot head: antenna, bolt ears, glowing eyes and a mouth slot.
ROBOT = (
    [
        "................",
        ".......oo.......",
        "......oaao......",
        ".......oo.......",
        ".......MM.......",
        "..oooooooooooo..",
        "..ohhhhhhhhhho..",
        ".oommmmmmmmmmoo.",
        "oeomccmmmmccmoeo",
        "oeomccmmmmccmoeo",
        ".oommmmmmmmmmoo.",
        "..ommmmmmmmmmo..",
        "..ommddddddmmo..",
        "..oMMMMMMMMMMo..",
        "..oooooooooooo..",
        "................",
    ],
    {
        "o": (30, 36, 46),
        "a": (244, 86, 72),
        "h": (226, 232, 240),
        "m": (172, 184, 200),
        "M": (120, 132, 150),
        "e": (120, 132, 150),
        "c": (96, 226, 255),
        "d": (30, 36, 46),
    },
)

# The shield outline shared by the protected and the refused icons.
SHIELD_ROWS = [
    "................",
    "..oooooooooooo..",
    "..ohhhhhhhhhGo..",
    "..ohggggggggGo..",
    "..ohggggggggGo..",
    "..ohggggggggGo..",
    "..ohggggggggGo..",
    "..ohggggggggGo..",
    "..ohggggggggGo..",
    "...ohggggggGo...",
    "...ohggggggGo...",
    "....ohggggGo....",
    ".....ohggGo.....",
    "......oGGo......",
    ".......oo.......",
    "................",
]


def overlay(rows, marks):
    """Returns `rows` with each (row, column, code) of `marks` painted over."""
    grid = [list(row) for row in rows]
    for row, column, code in marks:
        grid[row][column] = code
    return ["".join(row) for row in grid]


# A green shield with a white tick: the server is protected by the anti-cheat system.
TICK = [(4, 10, "w"), (4, 11, "w"), (5, 9, "w"), (5, 10, "w"), (6, 8, "w"), (6, 9, "w"),
        (7, 4, "w"), (7, 7, "w"), (7, 8, "w"), (8, 4, "w"), (8, 5, "w"), (8, 6, "w"),
        (8, 7, "w"), (9, 5, "w"), (9, 6, "w")]
SHIELD = (
    overlay(SHIELD_ROWS, TICK),
    {
        "o": (14, 58, 26),
        "h": (140, 222, 150),
        "g": (64, 170, 88),
        "G": (36, 118, 56),
        "w": (246, 252, 246),
    },
)

# A red shield crossed out by a pale bar: protected, but this user is barred from it.
SLASH = [(r, c, "x") for r, c in ((1, 1), (2, 2), (3, 3), (4, 4), (5, 5), (6, 6), (7, 7), (8, 8),
                                  (9, 9), (10, 10), (11, 11), (12, 12), (13, 13), (14, 14))]
SLASH += [(r, c + 1, "x") for r, c in ((1, 1), (2, 2), (3, 3), (4, 4), (5, 5), (6, 6), (7, 7),
                                       (8, 8), (9, 9), (10, 10), (11, 11), (12, 12), (13, 13))]
SLASH_EDGE = [(r, c - 1, "k") for r, c in ((2, 2), (3, 3), (4, 4), (5, 5), (6, 6), (7, 7), (8, 8),
                                           (9, 9), (10, 10), (11, 11), (12, 12), (13, 13),
                                           (14, 14))]
SLASH_EDGE += [(r, c + 2, "k") for r, c in ((1, 1), (2, 2), (3, 3), (4, 4), (5, 5), (6, 6),
                                            (7, 7), (8, 8), (9, 9), (10, 10), (11, 11), (12, 12))]
SHIELD_DENIED = (
    overlay(SHIELD_ROWS, SLASH_EDGE + SLASH),
    {
        "o": (72, 10, 10),
        "h": (246, 128, 116),
        "g": (210, 56, 52),
        "G": (150, 30, 30),
        "x": (255, 236, 230),
        "k": (72, 10, 10),
    },
)


def greyed(palette):
    """The header variant of a palette: each colour as a grey of its lightness, kept within the
    range that reads on the header's steel background."""
    result = {}
    for code, (r, g, b) in palette.items():
        lightness = 0.299 * r + 0.587 * g + 0.114 * b
        result[code] = (int(40 + lightness * 0.72),) * 3
    return result


ICONS = {
    "icon_password": PADLOCK,
    "icon_bots": ROBOT,
    "icon_robotron": SHIELD,
    "icon_secure_deny": SHIELD_DENIED,
    "icon_password_column": (PADLOCK[0], greyed(PADLOCK[1])),
    "icon_bots_column": (ROBOT[0], greyed(ROBOT[1])),
    "icon_robotron_column": (SHIELD[0], greyed(SHIELD[1])),
}


def pixels(rows, palette):
    """Rows of RGBA tuples; "." is transparent."""
    if len(rows) != SIZE or any(len(row) != SIZE for row in rows):
        raise ValueError("an icon grid must be %d x %d" % (SIZE, SIZE))
    image = []
    for row in rows:
        line = []
        for code in row:
            if code == ".":
                line.append((0, 0, 0, 0))
            elif code in palette:
                line.append(palette[code] + (255,))
            else:
                raise ValueError("colour code %r has no palette entry" % code)
        image.append(line)
    return image


def png_bytes(image):
    """An 8-bit RGBA PNG of `image` (rows of RGBA tuples), without optional chunks."""
    height = len(image)
    width = len(image[0])
    raw = bytearray()
    for line in image:
        raw.append(0)  # filter type none
        for pixel in line:
            raw.extend(pixel)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def write_file(path, data):
    # Written beside and renamed, so a failed run never leaves a cut image behind.
    temporary = path + ".tmp"
    with open(temporary, "wb") as stream:
        stream.write(data)
    os.replace(temporary, path)


def preview_sheet(scale):
    """Every icon enlarged over the list background, a selected row and the column header."""
    backgrounds = [(24, 27, 32), (74, 144, 226), (84, 92, 104)]
    margin = 8
    cell = SIZE * scale
    names = list(ICONS)
    width = margin + len(names) * (cell + margin)
    height = margin + len(backgrounds) * (cell + margin)
    sheet = [[(36, 40, 46, 255)] * width for _ in range(height)]
    for band, background in enumerate(backgrounds):
        top = margin + band * (cell + margin)
        for index, name in enumerate(names):
            left = margin + index * (cell + margin)
            icon = pixels(*ICONS[name])
            for y in range(cell):
                for x in range(cell):
                    r, g, b, a = icon[y // scale][x // scale]
                    sheet[top + y][left + x] = (r, g, b, 255) if a else background + (255,)
    return sheet


def main(argv):
    default_out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "game", "servers")
    parser = argparse.ArgumentParser(description="Draw the server list icons.")
    parser.add_argument("--out", default=default_out, help="folder for the icons")
    parser.add_argument("--preview", help="also write an enlarged sheet of all icons to this file")
    parser.add_argument("--scale", type=int, default=8, help="enlargement of the preview sheet")
    options = parser.parse_args(argv)

    os.makedirs(options.out, exist_ok=True)
    for name, (rows, palette) in ICONS.items():
        write_file(os.path.join(options.out, name + ".png"), png_bytes(pixels(rows, palette)))
    if options.preview:
        write_file(options.preview, png_bytes(preview_sheet(max(1, options.scale))))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
