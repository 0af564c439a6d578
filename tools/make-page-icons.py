#!/usr/bin/env python3
"""Draws the four page icons of the options dialog's page selector and writes them side by side,
24 bits per pixel, one square icon per page (general settings: a gear; applications: a window with
app tiles; projects: a clipboard with a check mark; privacy: a padlock), once for every size the
selector may ask for: resources/pages.bmp at 48 pixels, resources/pages-<size>.bmp at the others.
The pictures are drawn on a 48-unit grid and rendered anew at each size, so none is a scaled copy.

The image list keys the background colour RGB(49, 106, 197) exactly, so no pixel of an icon may
be a blend with it: edge pixels are smoothed against white (the list's background) instead, and
pixels the picture barely touches stay background.

Usage: tools/make-page-icons.py [output folder]
"""
import math
import os
import struct
import sys

ICON = 48                   # the grid the pictures are drawn on
SIZES = (24, 32, 40, 48, 64)  # keep in step with the selector's bitmaps (resources/resource.h)
KEY = (49, 106, 197)        # the transparent colour of the image list
WHITE = (255, 255, 255)
SUPERSAMPLES = 6            # per axis
EDGE_COVERAGE = 0.45        # below this share of a pixel, the picture leaves it transparent


# Signed distance functions: negative inside, in pixel units.
def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def box(cx, cy, hx, hy, r=0.0, angle=0.0):
    """A rectangle centred at (cx, cy) with half sizes hx, hy, corner radius r, turned by angle."""
    c, s = math.cos(angle), math.sin(angle)

    def distance(x, y):
        dx, dy = x - cx, y - cy
        lx, ly = abs(dx * c + dy * s), abs(-dx * s + dy * c)
        qx, qy = lx - (hx - r), ly - (hy - r)
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r
    return distance


def rect(left, top, right, bottom, r=0.0):
    return box((left + right) / 2, (top + bottom) / 2, (right - left) / 2, (bottom - top) / 2, r)


def stroke(points, half_width):
    """A polyline with round ends and joints."""
    def distance(x, y):
        best = float('inf')
        for (ax, ay), (bx, by) in zip(points, points[1:]):
            vx, vy = bx - ax, by - ay
            t = max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)))
            best = min(best, math.hypot(x - ax - t * vx, y - ay - t * vy))
        return best - half_width
    return distance


def union(*shapes):
    return lambda x, y: min(shape(x, y) for shape in shapes)


def minus(shape, cut):
    return lambda x, y: max(shape(x, y), -cut(x, y))


def vertical(top_colour, bottom_colour, top, bottom):
    """A fill that runs from one colour at y = top to another at y = bottom."""
    def fill(x, y):
        t = max(0.0, min(1.0, (y - top) / (bottom - top)))
        return tuple(a + (b - a) * t for a, b in zip(top_colour, bottom_colour))
    return fill


def solid(colour):
    return lambda x, y: colour


class Layer:
    """A shape filled with a colour and drawn with an inner outline; later layers lie on top."""

    def __init__(self, shape, fill, outline=None, width=1.2):
        self.shape, self.fill, self.outline, self.width = shape, fill, outline, width

    def colour_at(self, x, y):
        d = self.shape(x, y)
        if d >= 0:
            return None
        if self.outline is not None and d > -self.width:
            return self.outline
        return self.fill(x, y)


def gear():
    centre = 24.0
    teeth = [box(centre + 17.5 * math.cos(a), centre + 17.5 * math.sin(a), 4.0, 4.4, 1.2, a)
             for a in (math.pi / 4 * k + math.pi / 8 for k in range(8))]
    body = minus(union(circle(centre, centre, 15.0), *teeth), circle(centre, centre, 5.5))
    steel = vertical((214, 220, 228), (112, 122, 136), 3, 45)
    hub = minus(circle(centre, centre, 9.5), circle(centre, centre, 5.5))
    return [
        Layer(body, steel, outline=(52, 58, 68), width=1.3),
        Layer(hub, vertical((150, 160, 174), (232, 236, 242), 14, 34), outline=(80, 88, 100), width=1.0),
    ]


def application_window():
    frame = rect(3.5, 6.5, 44.5, 41.5, 3.0)
    title_bar = rect(3.5, 6.5, 44.5, 15.5, 3.0)
    title_bar_base = rect(3.5, 11.0, 44.5, 15.5)
    tiles = []
    tile_colours = [((245, 120, 90), (214, 72, 52)), ((110, 210, 120), (52, 160, 72)),
                    ((252, 210, 90), (222, 164, 24)), ((190, 130, 215), (138, 80, 170))]
    for index, (light, dark) in enumerate(tile_colours):
        left = 10.0 + (index % 2) * 15.0
        top = 19.0 + (index // 2) * 10.5
        tiles.append(Layer(rect(left, top, left + 12.0, top + 8.5, 1.5), vertical(light, dark, top, top + 8.5),
                           outline=tuple(c * 0.6 for c in dark), width=1.0))
    buttons = [Layer(circle(x, 11.0, 1.6), solid(colour)) for x, colour in
               ((32.5, (250, 200, 80)), (37.0, (120, 215, 120)), (41.0, (245, 110, 90)))]
    return [
        Layer(frame, vertical((255, 255, 255), (236, 240, 245), 15, 41), outline=(44, 52, 64), width=1.3),
        Layer(union(title_bar, title_bar_base), vertical((86, 100, 118), (52, 62, 78), 6.5, 15.5),
              outline=(44, 52, 64), width=1.3),
        Layer(rect(8.0, 10.0, 22.0, 12.0, 1.0), solid((214, 220, 228))),
    ] + buttons + tiles


def clipboard():
    board = rect(7.5, 6.0, 40.5, 45.5, 3.5)
    paper = rect(11.5, 11.5, 36.5, 42.0, 1.0)
    clip = minus(rect(16.5, 3.0, 31.5, 12.5, 2.5), rect(21.5, 5.0, 26.5, 7.5, 1.2))
    tick = stroke([(16.5, 27.5), (21.5, 33.0), (32.0, 19.0)], 2.6)
    text_line = rect(16.0, 37.0, 32.0, 38.4)
    return [
        Layer(board, vertical((214, 158, 96), (160, 104, 50), 6, 45), outline=(96, 60, 28), width=1.3),
        Layer(paper, solid((253, 253, 253)), outline=(170, 150, 130), width=0.9),
        Layer(text_line, solid((206, 212, 220))),
        Layer(tick, vertical((92, 200, 96), (36, 140, 52), 18, 35), outline=(24, 100, 40), width=1.1),
        Layer(clip, vertical((232, 236, 242), (130, 140, 154), 3, 12.5), outline=(52, 58, 68), width=1.2),
    ]


def padlock():
    shackle = stroke([(15.5, 24.0)] + [(24.0 - 8.5 * math.cos(math.pi * k / 12), 15.5 - 8.5 * math.sin(math.pi * k / 12))
                                       for k in range(13)] + [(32.5, 24.0)], 3.0)
    body = rect(8.5, 21.5, 39.5, 44.5, 3.5)
    keyhole = union(circle(24.0, 30.5, 3.4), box(24.0, 35.5, 1.5, 4.5))
    return [
        Layer(shackle, vertical((232, 236, 242), (122, 132, 146), 5, 24), outline=(52, 58, 68), width=1.2),
        Layer(body, vertical((252, 212, 100), (206, 144, 28), 21.5, 44.5), outline=(112, 76, 14), width=1.3),
        Layer(keyhole, solid((70, 50, 20))),
    ]


def render(layers, size=ICON):
    """Rows top to bottom of (red, green, blue) for one icon of size pixels."""
    rows = []
    step = 1.0 / SUPERSAMPLES
    total = SUPERSAMPLES * SUPERSAMPLES
    scale = ICON / size
    for py in range(size):
        row = []
        for px in range(size):
            inside = []
            for sy in range(SUPERSAMPLES):
                for sx in range(SUPERSAMPLES):
                    x, y = (px + (sx + 0.5) * step) * scale, (py + (sy + 0.5) * step) * scale
                    for layer in reversed(layers):
                        colour = layer.colour_at(x, y)
                        if colour is not None:
                            inside.append(colour)
                            break
            if len(inside) < EDGE_COVERAGE * total:
                row.append(KEY)
                continue
            # The uncovered part of an edge pixel is white, the list's own background.
            pixel = tuple(round((sum(c[i] for c in inside) + (total - len(inside)) * WHITE[i]) / total)
                          for i in range(3))
            if pixel == KEY:                      # never by chance the transparent colour
                pixel = (pixel[0], pixel[1], pixel[2] + 1)
            row.append(pixel)
        rows.append(row)
    return rows


def write_bmp(path, rows):
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) // 4 * 4
    pixels = bytearray()
    for row in reversed(rows):                    # bitmaps are stored bottom-up
        line = bytearray()
        for red, green, blue in row:
            line += bytes((blue, green, red))
        pixels += line + bytes(stride - len(line))
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, 'wb') as out:
        out.write(header + info + bytes(pixels))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, '..', 'resources')
    for size in SIZES:
        icons = [render(layers, size) for layers in (gear(), application_window(), clipboard(), padlock())]
        rows = [sum((icon[y] for icon in icons), []) for y in range(size)]
        write_bmp(os.path.join(folder, 'pages.bmp' if size == ICON else 'pages-%d.bmp' % size), rows)


if __name__ == '__main__':
    main()
