#!/usr/bin/env python3
"""Writes splash.png: the 757 x 375 splash picture of Kalvex Virtual Machine.

Standard library only, so the picture can be rebuilt on any machine:
    python3 make_splash.py [out.png]

Layout: a navy header with the Brondel name, the product title on the left,
a milling spindle over a workpiece in front of a faint gear on the right.
The area from (100, 225) to the gear stays plain, for the loading text that
the window draws in RGB(0x12, 0x3B, 0x75). The picture is opaque, RGBA with
8 bits per channel, not interlaced.
"""
import math
import struct
import sys
import zlib

W, H = 757, 375


def hex_rgb(text):
    return tuple(int(text[i:i + 2], 16) / 255.0 for i in (1, 3, 5))


class Canvas:
    def __init__(self):
        self.rgb = [0.0] * (W * H * 3)

    def paint(self, mask, colour):
        """Blends a colour (or a function of x, y giving one) through a coverage mask."""
        for (x, y), a in mask.items():
            if a <= 0.0 or not (0 <= x < W and 0 <= y < H):
                continue
            c = colour(x, y) if callable(colour) else colour
            i = (y * W + x) * 3
            for k in range(3):
                self.rgb[i + k] += (c[k] - self.rgb[i + k]) * min(a, 1.0)

    def png(self):
        raw = bytearray()
        for y in range(H):
            raw.append(0)  # filter: none
            for x in range(W):
                i = (y * W + x) * 3
                raw.extend(round(max(0.0, min(1.0, v)) * 255) for v in self.rgb[i:i + 3])
                raw.append(255)

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        header = struct.pack(">IIBBBBB", W, H, 8, 6, 0, 0, 0)  # RGBA, 8 bits, no interlace
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


# Coverage masks: dict (x, y) -> 0..1, combined by union (max).

def union(*masks):
    out = {}
    for m in masks:
        for p, a in m.items():
            if a > out.get(p, 0.0):
                out[p] = a
    return out


def subtract(mask, hole):
    return {p: a * (1.0 - min(hole.get(p, 0.0), 1.0)) for p, a in mask.items()}


def rect(x0, y0, x1, y1):
    return polygon([(x0, y0), (x1, y0), (x1, y1), (x0, y1)])


def polygon(points, sub=4):
    """Filled polygon (even-odd), exact horizontally and sub samples per row vertically."""
    mask = {}
    ys = [p[1] for p in points]
    for py in range(max(0, int(min(ys))), min(H, int(math.ceil(max(ys))) + 1)):
        for s in range(sub):
            sy = py + (s + 0.5) / sub
            xs = []
            for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
                if (ay <= sy < by) or (by <= sy < ay):
                    xs.append(ax + (sy - ay) * (bx - ax) / (by - ay))
            xs.sort()
            for xa, xb in zip(xs[0::2], xs[1::2]):
                for px in range(max(0, int(xa)), min(W, int(math.ceil(xb)))):
                    cover = min(xb, px + 1) - max(xa, px)
                    if cover > 0:
                        mask[(px, py)] = mask.get((px, py), 0.0) + cover / sub
    return mask


def disc(cx, cy, r):
    mask = {}
    for y in range(int(cy - r - 1), int(cy + r + 2)):
        for x in range(int(cx - r - 1), int(cx + r + 2)):
            a = r + 0.5 - math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            if a > 0:
                mask[(x, y)] = min(a, 1.0)
    return mask


def stroke(path, half):
    """A polyline of the given half width with round caps and joins."""
    mask = {}
    for (ax, ay), (bx, by) in zip(path, path[1:]):
        dx, dy = bx - ax, by - ay
        length2 = dx * dx + dy * dy or 1e-9
        for y in range(int(min(ay, by) - half - 1), int(max(ay, by) + half + 2)):
            for x in range(int(min(ax, bx) - half - 1), int(max(ax, bx) + half + 2)):
                px, py = x + 0.5, y + 0.5
                t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
                a = half + 0.5 - math.hypot(px - ax - t * dx, py - ay - t * dy)
                if a > mask.get((x, y), 0.0):
                    mask[(x, y)] = min(a, 1.0)
    return mask


def rounded(points, closed=False, steps=8):
    """Turns corners given as (x, y, r) into quadratic curves of radius about r."""
    pts = [p if len(p) == 3 else (p[0], p[1], 0.0) for p in points]
    out = []
    n = len(pts)
    for i, (x, y, r) in enumerate(pts):
        has_neighbours = closed or 0 < i < n - 1
        if r <= 0 or not has_neighbours:
            out.append((x, y))
            continue
        px, py, _ = pts[i - 1]
        nx, ny, _ = pts[(i + 1) % n]
        la, lb = math.hypot(px - x, py - y), math.hypot(nx - x, ny - y)
        a = (x + (px - x) * r / la, y + (py - y) * r / la)
        b = (x + (nx - x) * r / lb, y + (ny - y) * r / lb)
        for s in range(steps + 1):
            t = s / steps
            out.append(((1 - t) ** 2 * a[0] + 2 * (1 - t) * t * x + t * t * b[0],
                        (1 - t) ** 2 * a[1] + 2 * (1 - t) * t * y + t * t * b[1]))
    if closed:
        out.append(out[0])
    return out


# A squared technical alphabet: unit cap height, y downwards, each glyph a
# list of paths; corners carry a radius as a third value.
GLYPHS = {
    "A": (0.66, [[(0, 1), (0.33, 0), (0.66, 1)], [(0.12, 0.68), (0.54, 0.68)]]),
    "B": (0.6, [[(0, 0.47), (0.52, 0.47, 0.14), (0.52, 0, 0.14), (0, 0), (0, 1),
                 (0.6, 1, 0.16), (0.6, 0.47, 0.16), (0.45, 0.47)]]),
    "C": (0.6, [[(0.6, 0), (0, 0, 0.2), (0, 1, 0.2), (0.6, 1)]]),
    "D": (0.62, [[(0, 0), (0.62, 0, 0.22), (0.62, 1, 0.22), (0, 1), (0, 0)]]),
    "E": (0.54, [[(0.54, 0), (0, 0), (0, 1), (0.54, 1)], [(0, 0.5), (0.44, 0.5)]]),
    "H": (0.62, [[(0, 0), (0, 1)], [(0.62, 0), (0.62, 1)], [(0, 0.5), (0.62, 0.5)]]),
    "I": (0.0, [[(0, 0), (0, 1)]]),
    "K": (0.6, [[(0, 0), (0, 1)], [(0.6, 0), (0.02, 0.56)], [(0.22, 0.37), (0.62, 1)]]),
    "L": (0.52, [[(0, 0), (0, 1), (0.52, 1)]]),
    "M": (0.74, [[(0, 1), (0, 0), (0.37, 0.62), (0.74, 0), (0.74, 1)]]),
    "N": (0.62, [[(0, 1), (0, 0), (0.62, 1), (0.62, 0)]]),
    "O": (0.64, [[(0.32, 0), (0.64, 0, 0.22), (0.64, 1, 0.22), (0, 1, 0.22), (0, 0, 0.22),
                  (0.32, 0)]]),
    "R": (0.6, [[(0, 1), (0, 0), (0.58, 0, 0.16), (0.58, 0.52, 0.16), (0, 0.52)],
                [(0.32, 0.52), (0.62, 1)]]),
    "S": (0.58, [[(0.58, 0), (0, 0, 0.18), (0, 0.5, 0.18), (0.58, 0.5, 0.18), (0.58, 1, 0.18),
                  (0, 1)]]),
    "T": (0.6, [[(0, 0), (0.6, 0)], [(0.3, 0), (0.3, 1)]]),
    "U": (0.62, [[(0, 0), (0, 1, 0.22), (0.62, 1, 0.22), (0.62, 0)]]),
    "V": (0.66, [[(0, 0), (0.33, 1), (0.66, 0)]]),
    "X": (0.62, [[(0, 0), (0.62, 1)], [(0.62, 0), (0, 1)]]),
    " ": (0.3, []),
}


def text(s, x, y, size, half, spacing=0.26):
    """The text's mask with its top-left corner at (x, y) and cap height size."""
    masks = []
    for ch in s:
        width, paths = GLYPHS[ch]
        for path in paths:
            scaled = [(x + p[0] * size, y + p[1] * size) + ((p[2] * size,) if len(p) == 3 else ())
                      for p in path]
            masks.append(stroke(rounded(scaled), half))
        x += width * size + spacing * size + 2 * half
    return union(*masks)


def gear(cx, cy, outer, inner, teeth, hole):
    points = []
    for i in range(teeth * 4):
        angle = 2 * math.pi * i / (teeth * 4)
        r = outer if i % 4 in (1, 2) else inner
        skew = (1 if i % 4 == 1 else -1 if i % 4 == 2 else 0) * 0.35 * math.pi / (teeth * 4)
        points.append((cx + r * math.cos(angle - skew), cy + r * math.sin(angle - skew)))
    return subtract(polygon(points), disc(cx, cy, hole))


def vertical(top, bottom, y0, y1):
    def colour(x, y):
        t = max(0.0, min(1.0, (y - y0) / float(y1 - y0)))
        return tuple(a + (b - a) * t for a, b in zip(top, bottom))
    return colour


def horizontal(left, right, x0, x1):
    def colour(x, y):
        t = max(0.0, min(1.0, (x - x0) / float(x1 - x0)))
        return tuple(a + (b - a) * t for a, b in zip(left, right))
    return colour


NAVY = hex_rgb("#0E3166")
ORANGE = hex_rgb("#F28C28")


def draw_background(c):
    c.paint({(x, y): 1.0 for y in range(H) for x in range(W)},
            vertical(hex_rgb("#FFFFFF"), hex_rgb("#E2E9F2"), 60, H))
    # A faint drawing grid that fades out before the title side.
    grid = {}
    for y in range(64, H - 10):
        for x in range(440, W):
            if x % 22 == 0 or y % 22 == 0:
                grid[(x, y)] = min(1.0, (x - 440) / 200.0) * 0.35
    c.paint(grid, hex_rgb("#C7D4E4"))


def draw_header(c):
    c.paint(rect(0, 0, W, 56), horizontal(hex_rgb("#0A2650"), hex_rgb("#1A4A86"), 0, W))
    c.paint(rect(0, 56, W, 60), ORANGE)
    c.paint(text("BRONDEL", 28, 19, 18, 1.6, spacing=0.4), hex_rgb("#FFFFFF"))
    c.paint(rect(0, H - 8, W, H), horizontal(hex_rgb("#0A2650"), hex_rgb("#1A4A86"), 0, W))


def draw_title(c):
    c.paint(text("KALVEX", 100, 92, 58, 5.5, spacing=0.3), NAVY)
    c.paint(text("VIRTUAL MACHINE", 102, 168, 20, 1.6, spacing=0.42), hex_rgb("#3D5F8A"))
    c.paint(rect(100, 203, 152, 207), ORANGE)
    c.paint(text("MACHINE TOOL SIMULATION", 101, 300, 10, 1.0, spacing=0.5), hex_rgb("#6A84A6"))


def draw_machine(c):
    c.paint(gear(640, 190, 128, 112, 16, 46), hex_rgb("#D6E0EC"))
    c.paint(disc(640, 190, 20), hex_rgb("#D6E0EC"))
    # Column and spindle head.
    c.paint(rect(622, 60, 658, 80), hex_rgb("#3A5A82"))
    head = rounded([(586, 74, 10), (694, 74, 10), (694, 150, 6), (586, 150, 6)], closed=True)
    c.paint(polygon(head), vertical(hex_rgb("#3C5E8C"), hex_rgb("#203A60"), 74, 150))
    c.paint(rect(594, 84, 686, 88), hex_rgb("#6F8DB4"))
    c.paint(rect(664, 100, 680, 138), hex_rgb("#17304F"))
    c.paint(disc(672, 108, 3), hex_rgb("#7CD67C"))
    c.paint(polygon([(604, 150), (676, 150), (662, 172), (618, 172)]),
            horizontal(hex_rgb("#8196B2"), hex_rgb("#46607F"), 604, 676))
    c.paint(rect(626, 172, 654, 190), horizontal(hex_rgb("#B0BDCC"), hex_rgb("#6D7F96"), 626, 654))
    # End mill with its flutes, cutting into the workpiece.
    steel = horizontal(hex_rgb("#D9E1EA"), hex_rgb("#76889F"), 632, 648)
    c.paint(polygon([(632, 190), (648, 190), (648, 262), (644, 266), (636, 266), (632, 262)]), steel)
    for y in range(194, 258, 9):
        c.paint(stroke([(632.5, y + 6), (647.5, y)], 0.8), hex_rgb("#5C6E85"))
    # Workpiece on the machine table.
    c.paint(polygon([(546, 258), (716, 258), (736, 274), (566, 274)]), hex_rgb("#C4CFDC"))
    c.paint(polygon([(546, 258), (566, 274), (566, 314), (546, 298)]), hex_rgb("#7B8CA3"))
    c.paint(rect(566, 274, 736, 314), vertical(hex_rgb("#A5B3C4"), hex_rgb("#8898AD"), 274, 314))
    c.paint(polygon([(604, 262), (676, 262), (684, 269), (612, 269)]), hex_rgb("#8495AB"))
    for x in list(range(576, 600, 8)) + list(range(690, 722, 8)):  # the tool path, dashed
        c.paint(stroke([(x, 266), (x + 4, 266)], 0.9), ORANGE)
    for dx, dy, ex, ey in ((652, 258, 662, 250), (654, 262, 668, 259), (628, 259, 619, 252)):
        c.paint(stroke([(dx, dy), (ex, ey)], 1.0), hex_rgb("#F5A54A"))
    c.paint(rect(520, 314, 752, 330), vertical(hex_rgb("#2D4A72"), hex_rgb("#1B3252"), 314, 330))
    for x in range(536, 736, 34):
        c.paint(rect(x, 318, x + 14, 322), hex_rgb("#10223B"))


def draw_frame(c):
    edge = {}
    for x in range(W):
        edge[(x, 0)] = edge[(x, H - 1)] = 1.0
    for y in range(H):
        edge[(0, y)] = edge[(W - 1, y)] = 1.0
    c.paint(edge, hex_rgb("#0A2650"))


def main(path):
    c = Canvas()
    draw_background(c)
    draw_header(c)
    draw_title(c)
    draw_machine(c)
    draw_frame(c)
    with open(path, "wb") as f:
        f.write(c.png())


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "splash.png")
