#!/usr/bin/env python3
"""Draws the two pointer files that ship beside the program: HAND-M.CUR and drag.ico.

Both are 32 x 32, 32-bit with alpha, stored as DIB entries (the layout every reader accepts).
Run from the resources folder: python3 tools/make_pointers.py
"""
import struct

# '#' outline, '.' fill, ' ' transparent.
HAND = [
    "      ##                        ",
    "     #..#                       ",
    "     #..#                       ",
    "     #..#                       ",
    "     #..#                       ",
    "     #..###                     ",
    "     #..#..###                  ",
    "     #..#..#..##                ",
    "     #..#..#..#.#               ",
    " ### #..#..#..#..#              ",
    " #..##........#..#              ",
    " #...#...........#              ",
    "  #..#...........#              ",
    "   #.............#              ",
    "   #.............#              ",
    "    #............#              ",
    "    #...........#               ",
    "     #..........#               ",
    "     #.........#                ",
    "      #........#                ",
    "      #........#                ",
    "      ##########                ",
] + [" " * 32] * 10

DRAG = [
    "                                ",
    "   ##########################   ",
    "   #........................#   ",
    "   #..####################..#   ",
    "   #........................#   ",
    "   ##########################   ",
    "                                ",
    "               ##               ",
    "              #..#              ",
    "             #....#             ",
    "            #......#            ",
    "           ###....###           ",
    "             #....#             ",
    "             #....#             ",
    "             #....#             ",
    "             #....#             ",
    "             #....#             ",
    "             #....#             ",
    "           ###....###           ",
    "            #......#            ",
    "             #....#             ",
    "              #..#              ",
    "               ##               ",
    "                                ",
    "   ##########################   ",
    "   #........................#   ",
    "   #..####################..#   ",
    "   #........................#   ",
    "   ##########################   ",
    "                                ",
    "                                ",
    "                                ",
]

COLOURS = {"#": (0, 0, 0, 255), ".": (255, 255, 255, 255), " ": (0, 0, 0, 0)}


def dib(rows):
    size = 32
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b""
    mask = b""
    for row in reversed(rows):  # bottom-up
        row = row.ljust(size)[:size]
        bits = 0
        for ch in row:
            b, g, r, a = COLOURS[ch][2], COLOURS[ch][1], COLOURS[ch][0], COLOURS[ch][3]
            pixels += bytes((b, g, r, a))
            bits = (bits << 1) | (1 if a == 0 else 0)
        mask += bits.to_bytes(4, "big")
    return header + pixels + mask


def write(path, rows, kind, hot_x, hot_y):
    image = dib(rows)
    planes_or_x, bits_or_y = (hot_x, hot_y) if kind == 2 else (1, 32)
    entry = struct.pack("<BBBBHHII", 32, 32, 0, 0, planes_or_x, bits_or_y, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, kind, 1) + entry + image)


write("HAND-M.CUR", HAND, 2, 6, 0)
write("drag.ico", DRAG, 1, 0, 0)
