#!/usr/bin/env python3
"""Renders the compiled-in images of ui/images/ (window icons, unit button
faces, width/height arrows and the about banner).

Standard library only, deterministic: running it again gives the same bytes.
Shapes are drawn on a supersampled canvas and box-filtered down, text uses a
small built-in pixel font.

    scripts/make-artwork.py [output folder]   (default: ui/images)
"""

import math
import os
import struct
import sys
import zlib

# ---------------------------------------------------------------- canvas


class Canvas:
    """Premultiplied RGBA floats, drawn at `scale` times the final size."""

    def __init__(self, width, height, scale=4, background=None):
        self.width = width
        self.height = height
        self.scale = scale
        self.w = width * scale
        self.h = height * scale
        fill = [0.0, 0.0, 0.0, 0.0]
        if background is not None:
            fill = premultiply(background)
        self.px = [fill[:] for _ in range(self.w * self.h)]

    # Coordinates given to the drawing calls are in final pixels.

    def blend(self, i, colour):
        r, g, b, a = colour
        d = self.px[i]
        k = 1.0 - a
        d[0] = r + d[0] * k
        d[1] = g + d[1] * k
        d[2] = b + d[2] * k
        d[3] = a + d[3] * k

    def polygon(self, points, paint):
        """Fills a polygon (even-odd). `paint` is a colour or f(x, y) -> colour."""
        s = self.scale
        pts = [(x * s, y * s) for x, y in points]
        ys = [p[1] for p in pts]
        y0 = max(0, int(math.floor(min(ys))))
        y1 = min(self.h - 1, int(math.ceil(max(ys))))
        n = len(pts)
        const = None if callable(paint) else premultiply(paint)
        for yi in range(y0, y1 + 1):
            yc = yi + 0.5
            xs = []
            for k in range(n):
                ax, ay = pts[k]
                bx, by = pts[(k + 1) % n]
                if (ay <= yc < by) or (by <= yc < ay):
                    xs.append(ax + (yc - ay) * (bx - ax) / (by - ay))
            xs.sort()
            for k in range(0, len(xs) - 1, 2):
                xa = max(0, int(math.ceil(xs[k] - 0.5)))
                xb = min(self.w - 1, int(math.floor(xs[k + 1] - 0.5)))
                row = yi * self.w
                for xi in range(xa, xb + 1):
                    c = const if const is not None else premultiply(paint((xi + 0.5) / s, yc / s))
                    self.blend(row + xi, c)

    def rect(self, x, y, w, h, paint):
        self.polygon([(x, y), (x + w, y), (x + w, y + h), (x, y + h)], paint)

    def rounded_rect(self, x, y, w, h, radius, paint):
        self.polygon(rounded_points(x, y, w, h, radius), paint)

    def line(self, x0, y0, x1, y1, width, paint):
        """A thick line with square ends."""
        dx, dy = x1 - x0, y1 - y0
        length = math.hypot(dx, dy) or 1.0
        nx, ny = -dy / length * width / 2, dx / length * width / 2
        self.polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)], paint)

    def circle(self, cx, cy, radius, paint, steps=48):
        self.polygon([(cx + radius * math.cos(2 * math.pi * k / steps),
                       cy + radius * math.sin(2 * math.pi * k / steps)) for k in range(steps)], paint)

    def text(self, x, y, string, size, paint, spacing=1):
        """Pixel-font text; (x, y) is the top of the capitals, size the font pixel size."""
        cx = x
        for ch in string:
            glyph = FONT.get(ch)
            if glyph is None:
                cx += 4 * size
                continue
            for row, bits in enumerate(glyph):
                for col, bit in enumerate(bits):
                    if bit == '#':
                        self.rect(cx + col * size, y + row * size, size, size, paint)
            cx += (len(glyph[0]) + spacing) * size

    def pixels(self):
        """Box-filtered down to the final size: rows of straight RGBA bytes."""
        s = self.scale
        n = float(s * s)
        out = []
        for y in range(self.height):
            row = []
            for x in range(self.width):
                r = g = b = a = 0.0
                for sy in range(s):
                    base = (y * s + sy) * self.w + x * s
                    for sx in range(s):
                        p = self.px[base + sx]
                        r += p[0]
                        g += p[1]
                        b += p[2]
                        a += p[3]
                r, g, b, a = r / n, g / n, b / n, a / n
                if a > 0:
                    r, g, b = r / a, g / a, b / a
                row.append((to_byte(r), to_byte(g), to_byte(b), to_byte(a)))
            out.append(row)
        return out


def premultiply(colour):
    if len(colour) == 3:
        colour = (colour[0], colour[1], colour[2], 255)
    a = colour[3] / 255.0
    return [colour[0] / 255.0 * a, colour[1] / 255.0 * a, colour[2] / 255.0 * a, a]


def to_byte(v):
    return max(0, min(255, int(round(v * 255.0))))


def rounded_points(x, y, w, h, radius, steps=8):
    radius = min(radius, w / 2, h / 2)
    pts = []
    corners = [(x + w - radius, y + radius, -90), (x + w - radius, y + h - radius, 0),
               (x + radius, y + h - radius, 90), (x + radius, y + radius, 180)]
    for cx, cy, start in corners:
        for k in range(steps + 1):
            t = math.radians(start + 90.0 * k / steps)
            pts.append((cx + radius * math.cos(t), cy + radius * math.sin(t)))
    return pts


def lerp_colour(c0, c1, t):
    t = max(0.0, min(1.0, t))
    return tuple(int(round(c0[i] + (c1[i] - c0[i]) * t)) for i in range(len(c0)))


def text_width(string, size, spacing=1):
    total = 0
    for ch in string:
        glyph = FONT.get(ch)
        total += (len(glyph[0]) + spacing) * size if glyph else 4 * size
    return total - spacing * size


# ---------------------------------------------------------------- font
# Capitals and ascenders use rows 0-6, lower case rows 2-6, descenders 7-8.

FONT = {
    'L': ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    'V': ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    'D': ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    'S': [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    '2': [".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"],
    'a': [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    'c': [".....", ".....", ".###.", "#....", "#....", "#...#", ".###."],
    'e': [".....", ".....", ".###.", "#...#", "#####", "#....", ".###."],
    'g': [".....", ".....", ".####", "#...#", "#...#", "#...#", ".####", "....#", ".###."],
    'h': ["#....", "#....", "#.##.", "##..#", "#...#", "#...#", "#...#"],
    'i': ["..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###."],
    'm': [".....", ".....", "##.#.", "#.#.#", "#.#.#", "#.#.#", "#.#.#"],
    'n': [".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"],
    'o': [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."],
    'p': [".....", ".....", "####.", "#...#", "#...#", "#...#", "####.", "#....", "#...."],
    'r': [".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."],
    't': [".#...", ".#...", "####.", ".#...", ".#...", ".#..#", "..##."],
    'u': [".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#"],
    'x': [".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#"],
}

# ---------------------------------------------------------------- files


def write_png(path, rows):
    height = len(rows)
    width = len(rows[0])
    raw = bytearray()
    for row in rows:
        raw.append(0)  # no filter
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body) & 0xFFFFFFFF)

    data = b'\x89PNG\r\n\x1a\n'
    data += chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0))
    data += chunk(b'IDAT', zlib.compress(bytes(raw), 9))
    data += chunk(b'IEND', b'')
    with open(path, 'wb') as f:
        f.write(data)


def write_bmp(path, rows, matte=(255, 255, 255)):
    """24-bit bottom-up BMP; transparency is flattened onto `matte`."""
    height = len(rows)
    width = len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b, a in row:
            k = a / 255.0
            line += bytes((int(round(b * k + matte[2] * (1 - k))),
                           int(round(g * k + matte[1] * (1 - k))),
                           int(round(r * k + matte[0] * (1 - k)))))
        line += b'\0' * (stride - len(line))
        pixels += line
    header = struct.pack('<2sIHHI', b'BM', 54 + len(pixels), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, 'wb') as f:
        f.write(header + info + pixels)


# ---------------------------------------------------------------- artwork

WINDOW_GREY = (239, 239, 239)
INK = (28, 52, 94)


def draw_icon(c, size):
    """A page coming out of a flatbed scanner with a lit scan bar."""
    u = size / 128.0

    def p(v):
        return v * u

    # Page, with a folded corner, partly inside the scanner.
    page = [(p(30), p(8)), (p(82), p(8)), (p(100), p(26)), (p(100), p(84)), (p(30), p(84))]
    c.polygon(page, (60, 70, 84))
    inner = [(p(33), p(11)), (p(81), p(11)), (p(97), p(27)), (p(97), p(84)), (p(33), p(84))]
    c.polygon(inner, (255, 255, 255))
    c.polygon([(p(81), p(11)), (p(81), p(27)), (p(97), p(27))], (200, 210, 222))
    if size >= 32:
        for k, length in enumerate((44, 36, 44, 28)):
            c.rect(p(42), p(34 + k * 10), p(length), max(p(4), 1.0), (120, 140, 170))
    # Scanner body with a lighter lid edge.
    c.rounded_rect(p(6), p(66), p(116), p(50), p(10), lambda x, y: lerp_colour((72, 88, 110), (34, 44, 58),
                                                                              (y - p(66)) / p(50)))
    c.rounded_rect(p(6), p(66), p(116), p(9), p(4), (126, 142, 164))
    # Scan light.
    c.rounded_rect(p(16), p(88), p(96), p(9), p(4), (58, 190, 255))
    if size >= 32:
        c.rounded_rect(p(16), p(90), p(96), p(3), p(1.5), (210, 245, 255))
    c.circle(p(108), p(106), p(4), (120, 230, 120))


def draw_unit_face(c, label):
    """A raised 20 by 20 button face with a short unit name."""
    c.rect(0, 0, 20, 20, lambda x, y: lerp_colour((252, 252, 252), (214, 218, 226), y / 20.0))
    c.rect(0, 0, 20, 1, (255, 255, 255))
    c.rect(0, 0, 1, 20, (255, 255, 255))
    c.rect(0, 19, 20, 1, (120, 124, 132))
    c.rect(19, 0, 1, 20, (120, 124, 132))
    width = text_width(label, 1)
    rows = max(len(FONT[ch]) for ch in label)
    top = 6 if rows > 7 else 7
    c.text((20 - width) // 2, top - 1, label, 1, INK)


def draw_arrow(c, horizontal):
    """A double arrow between two end bars, across or down the square."""
    def pt(a, b):
        return (a, b) if horizontal else (b, a)

    c.rect(0, 0, 20, 20, WINDOW_GREY)
    bar0 = [pt(2, 4), pt(3.5, 4), pt(3.5, 16), pt(2, 16)]
    bar1 = [pt(16.5, 4), pt(18, 4), pt(18, 16), pt(16.5, 16)]
    c.polygon(bar0, INK)
    c.polygon(bar1, INK)
    c.polygon([pt(6.5, 9.25), pt(13.5, 9.25), pt(13.5, 10.75), pt(6.5, 10.75)], INK)
    c.polygon([pt(4.5, 10), pt(8.5, 6.5), pt(8.5, 13.5)], INK)
    c.polygon([pt(15.5, 10), pt(11.5, 6.5), pt(11.5, 13.5)], INK)


def draw_banner(c):
    w, h = c.width, c.height
    top, bottom = (16, 42, 84), (18, 110, 150)
    c.rect(0, 0, w, h, lambda x, y: lerp_colour(top, bottom, (y / h) * 0.7 + (x / w) * 0.3))
    # Soft diagonal bands.
    for k in range(6):
        x0 = -80 + k * 90
        c.polygon([(x0, h), (x0 + 40, h), (x0 + 160, 0), (x0 + 120, 0)], (255, 255, 255, 10))
    # A tilted page under a scan beam.
    page = [(300, 34), (396, 20), (420, 186), (324, 200)]
    c.polygon([(x + 4, y + 5) for x, y in page], (0, 0, 0, 60))
    c.polygon(page, (250, 252, 255))
    for k in range(9):
        t0 = 0.16 + k * 0.075
        a = (300 + (324 - 300) * t0 + 12, 34 + (200 - 34) * t0)
        length = 60 if k % 3 != 2 else 38
        dx, dy = 96 / 99.0 * length, -14 / 99.0 * length
        c.line(a[0], a[1], a[0] + dx, a[1] + dy, 3, (150, 170, 200))
    c.polygon([(292, 102), (440, 82), (440, 96), (292, 116)], (90, 210, 255, 70))
    c.line(292, 109, 440, 89, 2.5, (200, 245, 255))
    # Name and tag line.
    c.text(30, 74, "Lumerith V2", 4, (0, 0, 0, 70))
    c.text(28, 72, "Lumerith V2", 4, (255, 255, 255))
    c.rect(28, 112, 250, 2, (90, 210, 255, 200))
    c.text(28, 124, "Document Scanning", 2, (170, 220, 245))


def render(width, height, scale, draw, *args):
    c = Canvas(width, height, scale)
    draw(c, *args)
    return c.pixels()


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, 'ui', 'images')
    os.makedirs(out, exist_ok=True)
    for size in (16, 32, 48, 64, 128):
        write_png(os.path.join(out, 'icon_%d.png' % size), render(size, size, 4, draw_icon, size))
    for name, label in (('INCHU.BMP', 'in'), ('CMU.BMP', 'cm'), ('PIXELU.BMP', 'px')):
        write_bmp(os.path.join(out, name), render(20, 20, 4, draw_unit_face, label))
    write_bmp(os.path.join(out, 'SWIDTH.BMP'), render(20, 20, 4, draw_arrow, True))
    write_bmp(os.path.join(out, 'SHEIGHT.BMP'), render(20, 20, 4, draw_arrow, False))
    write_bmp(os.path.join(out, 'About.bmp'), render(448, 224, 2, draw_banner))


if __name__ == '__main__':
    main()
