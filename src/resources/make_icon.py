#!/usr/bin/env python3
"""Writes KXVirtualMachMgr.ico: a 32x32 32-bit icon, a blue gear-like disc."""
import math
import struct
import sys

SIZE = 32


def pixel(x, y):
    cx = cy = (SIZE - 1) / 2
    r = math.hypot(x - cx, y - cy)
    teeth = 13 + 2 * (math.cos(8 * math.atan2(y - cy, x - cx)) > 0.3)
    if r > teeth:
        return (0, 0, 0, 0)
    if r < 5:
        return (0xF0, 0xF0, 0xF0, 0xFF)
    shade = int(0x75 + (0xC0 - 0x75) * (1 - r / 15))
    return (shade, 0x3B, 0x12, 0xFF)  # BGRA


def main(path):
    rows = []
    for y in range(SIZE - 1, -1, -1):  # bottom-up
        rows.append(b"".join(bytes(pixel(x, y)) for x in range(SIZE)))
    xor = b"".join(rows)
    mask = b"\0" * (SIZE * 4)  # 32 bits per row, all opaque via alpha
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    icon = struct.pack("<HHH", 0, 1, 1)
    icon += struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(icon + image)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "KXVirtualMachMgr.ico")
