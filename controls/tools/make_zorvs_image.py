#!/usr/bin/env python3
"""Draws the extension's own picture, the image resource "zorvs": a white "Z"
on a violet disc, transparent around it. Writes the 1x (32 px) and 2x (64 px)
PNG files of the asset catalog's image set. Run it again only to change the
picture; its output is committed.

Usage: controls/tools/make_zorvs_image.py [IMAGESET_DIRECTORY]
"""
import os
import struct
import sys
import zlib

VIOLET = (110, 86, 207)
WHITE = (255, 255, 255)
SAMPLES = 4  # per axis, for smooth edges


def distance_to_segment(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    cx, cy = ax + t * dx, ay + t * dy
    return ((px - cx) ** 2 + (py - cy) ** 2) ** 0.5


def in_z(x, y):
    """The letter, in a unit square with y pointing down."""
    left, right, top, bottom, bar = 0.28, 0.72, 0.26, 0.74, 0.11
    if left <= x <= right and (top <= y <= top + bar or bottom - bar <= y <= bottom):
        return True
    return distance_to_segment(x, y, right - 0.03, top + bar, left + 0.03, bottom - bar) < 0.065


def colour_at(x, y):
    """RGBA of one sample point of the unit square."""
    if (x - 0.5) ** 2 + (y - 0.5) ** 2 > 0.48 ** 2:
        return (0, 0, 0, 0)
    return (*(WHITE if in_z(x, y) else VIOLET), 255)


def pixel(size, column, row):
    total = [0, 0, 0, 0]
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            x = (column + (sx + 0.5) / SAMPLES) / size
            y = (row + (sy + 0.5) / SAMPLES) / size
            r, g, b, a = colour_at(x, y)
            total = [total[0] + r * a, total[1] + g * a, total[2] + b * a, total[3] + a]
    alpha = total[3]
    if alpha == 0:
        return bytes(4)
    return bytes([round(total[0] / alpha), round(total[1] / alpha), round(total[2] / alpha),
                  round(alpha / SAMPLES ** 2)])


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(size):
    rows = b"".join(b"\x00" + b"".join(pixel(size, c, r) for c in range(size)) for r in range(size))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    directory = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        here, "..", "Resources", "Assets.xcassets", "zorvs.imageset")
    for name, size in (("zorvs.png", 32), ("zorvs@2x.png", 64)):
        with open(os.path.join(directory, name), "wb") as out:
            out.write(png(size))


if __name__ == "__main__":
    main()
