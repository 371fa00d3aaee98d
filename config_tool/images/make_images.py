#!/usr/bin/env python3
"""Draws the tool's two pictures (the login padlock and the add button's plus sign) as PNG files.

Run once when a picture changes; the PNG files are committed and compiled in as Qt resources.
Only the standard library is used, so the pictures are our own and need no drawing program.
"""
import struct
import zlib
from pathlib import Path


def write_png(path, width, height, pixel):
    rows = b""
    for y in range(height):
        rows += b"\x00" + b"".join(bytes(pixel(x, y)) for x in range(width))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    Path(path).write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                           + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def padlock(x, y):
    # 49 x 60: a grey shackle over a golden body with a dark keyhole.
    cx = 24.5
    if 28 <= y <= 56 and 6 <= x <= 42:
        if (x - cx) ** 2 + (y - 38) ** 2 <= 16 or (22 <= x <= 26 and 38 <= y <= 48):
            return (60, 40, 10, 255)
        shade = 200 + (42 - x) // 2
        return (min(shade, 255), 160, 30, 255)
    if y < 30:
        d = ((x - cx) ** 2 + (y - 20) ** 2) ** 0.5
        if y <= 20 and 10 <= d <= 15:
            return (150, 150, 160, 255)
        if y > 20 and (10 <= abs(x - cx) <= 15):
            return (150, 150, 160, 255)
    return (0, 0, 0, 0)


def plus(x, y):
    # 16 x 16: a green plus sign with a darker rim.
    arm = (6 <= x <= 9 and 1 <= y <= 14) or (6 <= y <= 9 and 1 <= x <= 14)
    inner = (7 <= x <= 8 and 2 <= y <= 13) or (7 <= y <= 8 and 2 <= x <= 13)
    if inner:
        return (60, 180, 60, 255)
    if arm:
        return (20, 110, 20, 255)
    return (0, 0, 0, 0)


if __name__ == "__main__":
    here = Path(__file__).parent
    write_png(here / "login.png", 49, 60, padlock)
    write_png(here / "add.png", 16, 16, plus)
