#!/usr/bin/env python3
"""Draws the program icon, a clock face, and writes it as resources/ostrak.ico: two images,
16x16 and 32x32, 24 bits per pixel, each with a 1-bit transparency mask.

Usage: tools/make-icon.py [output.ico]
"""
import math
import os
import struct
import sys

RIM = (32, 64, 128)        # dark blue ring
FACE = (255, 255, 255)
TICK = (64, 64, 64)
HAND = (16, 16, 16)
SECOND_HAND = (200, 32, 32)

SUPERSAMPLES = 4           # per axis; edges inside the face are smoothed against the face


def colour_at(x, y, size):
    """The colour of the picture at (x, y) in pixel units, or None outside the clock."""
    centre = size / 2.0
    dx, dy = x - centre, centre - y          # y grows upwards from here on
    radius = math.hypot(dx, dy)
    outer = size / 2.0 - 0.25
    rim_width = max(1.25, size / 12.0)
    if radius > outer:
        return None
    if radius > outer - rim_width:
        return RIM

    def near_segment(angle_degrees, length, half_width, start=0.0):
        # Distance of the point from a hand pointing at angle_degrees (0 = twelve o'clock).
        angle = math.radians(angle_degrees)
        ux, uy = math.sin(angle), math.cos(angle)
        along = dx * ux + dy * uy
        across = abs(-dx * uy + dy * ux)
        return start <= along <= length and across <= half_width

    inner = outer - rim_width
    # Hour marks: all twelve on the large image, the quarters only on the small one.
    marks = range(0, 360, 30) if size >= 32 else range(0, 360, 90)
    for mark in marks:
        if near_segment(mark, inner - 0.5, max(0.5, size / 48.0), start=inner - size / 8.0):
            return TICK
    if radius <= max(1.0, size / 16.0):
        return HAND                                            # the hub
    if size >= 32 and near_segment(160, inner * 0.85, 0.45):
        return SECOND_HAND
    if near_segment(60, inner * 0.9, max(0.8, size / 32.0)):  # minute hand at ten past
        return HAND
    if near_segment(300, inner * 0.6, max(0.9, size / 22.0)):  # hour hand at ten
        return HAND
    return FACE


def render(size):
    """Rows top to bottom of (colour, opaque) per pixel."""
    rows = []
    step = 1.0 / SUPERSAMPLES
    for py in range(size):
        row = []
        for px in range(size):
            samples = []
            for sy in range(SUPERSAMPLES):
                for sx in range(SUPERSAMPLES):
                    samples.append(colour_at(px + (sx + 0.5) * step, py + (sy + 0.5) * step, size))
            inside = [s for s in samples if s is not None]
            # The mask has one bit: a pixel is part of the clock when most of it is.
            if len(inside) * 2 < len(samples):
                row.append(((0, 0, 0), False))
                continue
            colour = tuple(round(sum(c[i] for c in inside) / len(inside)) for i in range(3))
            row.append((colour, True))
        rows.append(row)
    return rows


def icon_image(size):
    """One icon image: a BITMAPINFOHEADER of double height, the colour rows, the mask rows."""
    pixels = render(size)
    colour_stride = (size * 3 + 3) // 4 * 4
    mask_stride = (size + 31) // 32 * 4
    colour_bytes = bytearray()
    mask_bytes = bytearray()
    for row in reversed(pixels):                      # bitmaps are stored bottom-up
        line = bytearray()
        for (red, green, blue), _ in row:
            line += bytes((blue, green, red))
        line += bytes(colour_stride - len(line))
        colour_bytes += line
        mask = bytearray(mask_stride)
        for x, (_, opaque) in enumerate(row):
            if not opaque:                            # 1 = transparent
                mask[x // 8] |= 0x80 >> (x % 8)
        mask_bytes += mask
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 24, 0,
                         len(colour_bytes) + len(mask_bytes), 0, 0, 0, 0)
    return header + bytes(colour_bytes) + bytes(mask_bytes)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, '..', 'resources', 'ostrak.ico')
    sizes = (16, 32)
    images = [icon_image(size) for size in sizes]
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b''
    for size, image in zip(sizes, images):
        entries += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 24, len(image), offset)
        offset += len(image)
    with open(target, 'wb') as out:
        out.write(directory + entries + b''.join(images))


if __name__ == '__main__':
    main()
