#!/usr/bin/env python3
"""Draws the auto-scroll mark and the five move cursors as 32x32 PNG files in viewer/cursors/.

Run once; the PNGs are committed. Pure standard library: a tiny rasteriser and a PNG writer.
"""
import math
import struct
import zlib
from pathlib import Path

SIZE = 32
BLACK = (0, 0, 0, 255)
WHITE = (255, 255, 255, 255)
CLEAR = (0, 0, 0, 0)


def png(pixels, path):
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)

    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    Path(path).write_bytes(data)


def inside_triangle(p, a, b, c):
    def sign(p1, p2, p3):
        return (p1[0] - p3[0]) * (p2[1] - p3[1]) - (p2[0] - p3[0]) * (p1[1] - p3[1])
    d1, d2, d3 = sign(p, a, b), sign(p, b, c), sign(p, c, a)
    neg = d1 < 0 or d2 < 0 or d3 < 0
    pos = d1 > 0 or d2 > 0 or d3 > 0
    return not (neg and pos)


# Arrow triangles pointing away from the centre (16, 16), in the four directions.
ARROWS = {
    "up": ((16, 2), (10, 9), (22, 9)),
    "down": ((16, 30), (10, 23), (22, 23)),
    "left": ((2, 16), (9, 10), (9, 22)),
    "right": ((30, 16), (23, 10), (23, 22)),
}


def draw(arrows, ring):
    pixels = [[CLEAR] * SIZE for _ in range(SIZE)]
    for y in range(SIZE):
        for x in range(SIZE):
            p = (x + 0.5, y + 0.5)
            r = math.hypot(p[0] - 16, p[1] - 16)
            filled = r <= 2.5
            if ring and 13.5 <= r <= 15.5:
                filled = True
            for name in arrows:
                if inside_triangle(p, *ARROWS[name]):
                    filled = True
            if filled:
                pixels[y][x] = BLACK
    # A white outline keeps the shapes visible on dark pages.
    out = [row[:] for row in pixels]
    for y in range(SIZE):
        for x in range(SIZE):
            if pixels[y][x] == CLEAR and any(
                0 <= y + dy < SIZE and 0 <= x + dx < SIZE and pixels[y + dy][x + dx] == BLACK
                for dy in (-1, 0, 1) for dx in (-1, 0, 1)
            ):
                out[y][x] = WHITE
    return out


def main():
    res = Path(__file__).resolve().parent.parent / "viewer" / "cursors"
    png(draw(["up", "down", "left", "right"], ring=True), res / "QB_MOVE.png")
    png(draw(["up", "down", "left", "right"], ring=False), res / "QB_MOVE_C.png")
    png(draw(["up"], ring=False), res / "QB_MOVE_U.png")
    png(draw(["down"], ring=False), res / "QB_MOVE_D.png")
    png(draw(["left"], ring=False), res / "QB_MOVE_L.png")
    png(draw(["right"], ring=False), res / "QB_MOVE_R.png")


if __name__ == "__main__":
    main()
