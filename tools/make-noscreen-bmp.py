#!/usr/bin/env python3
"""Writes installer/noscreen.bmp, the picture a route package shows when its
route has none: a 24-bit Windows bitmap, grey with a darker frame and a
diagonal cross, 160 x 120 pixels."""
import os
import struct

W, H = 160, 120


def pixel(x, y):
    if x < 3 or y < 3 or x >= W - 3 or y >= H - 3:
        return (96, 96, 96)
    # Two diagonals, about two pixels wide.
    if abs(x * H - y * W) < 2 * W or abs((W - 1 - x) * H - y * W) < 2 * W:
        return (150, 150, 150)
    return (208, 208, 208)


def main():
    row = (W * 3 + 3) & ~3
    data = bytearray()
    for y in range(H - 1, -1, -1):  # bottom-up rows
        line = bytearray()
        for x in range(W):
            r, g, b = pixel(x, y)
            line += bytes((b, g, r))
        line += b"\0" * (row - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "installer", "noscreen.bmp")
    with open(out, "wb") as f:
        f.write(header + info + data)


if __name__ == "__main__":
    main()
