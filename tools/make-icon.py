#!/usr/bin/env python3
"""Draws the program icon, a clock face, and writes it as resources/ostrak.ico: two images,
16x16 and 32x32, 24 bits per pixel, each with a 1-bit transparency mask. Beside it go the
tray's icons for each thing that keeps Ostrak from recording or saving: the same clock with a
badge at its lower right corner, resources/tray-<cause>.ico. The paused icon, tray-paused.ico,
also holds the 20 and 24 pixel images the tray asks for at 120 and 144 DPI, with its sign set
on whole pixels at each size.

Usage: tools/make-icon.py [folder]
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

RED = (208, 32, 32)
ORANGE = (240, 128, 0)
YELLOW = (252, 208, 0)
GREY = (128, 128, 128)
WHITE = (255, 255, 255)
DARK = (24, 24, 24)
BLUE = (32, 96, 208)

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


def exclamation(u, v, ink):
    """A "!" in the badge's own square, u and v from -1 to 1, v growing upwards; None beside it."""
    if abs(u) <= 0.2 and (-0.05 <= v <= 0.7 or -0.7 <= v <= -0.35):
        return ink
    return None


def badge_at(u, v, badge):
    """The badge's colour at (u, v) of its square, or None where the clock shows through."""
    disc = math.hypot(u, v) <= 1.0
    if badge == 'not-recording':                     # a red disc with a white cross
        if not disc:
            return None
        if math.hypot(u, v) <= 0.75 and (abs(u - v) <= 0.3 or abs(u + v) <= 0.3):
            return WHITE
        return RED
    if badge == 'other-writer':                      # an orange disc with a white "!"
        return (exclamation(u, v, WHITE) or ORANGE) if disc else None
    if badge == 'log-held':                          # a yellow disc with a dark padlock
        if not disc:
            return None
        if -0.6 <= u <= 0.6 and -0.6 <= v <= 0.05:
            return DARK                              # the lock's body
        if 0.05 < v and 0.25 <= math.hypot(u, v - 0.05) <= 0.5:
            return DARK                              # its shackle
        return YELLOW
    if badge == 'log-not-saved':                     # a yellow triangle with a dark "!"
        if v < -0.85 or abs(u) > (1.0 - v) * 0.6:
            return None
        if abs(u) <= 0.17 and (-0.3 <= v <= 0.35 or -0.75 <= v <= -0.5):
            return DARK                              # a "!" low in the triangle, where it is wide
        return YELLOW
    if badge == 'side-file':                         # a white page with a folded corner and lines
        if abs(u) > 0.75 or abs(v) > 1.0 or u + v > 1.15:
            return None
        if abs(u) > 0.5 or v < -0.75 or u + v > 0.85 or v > 0.75 and u < 0.4:
            return DARK                              # its outline and the fold
        if -0.45 <= v <= -0.2 or 0.05 <= v <= 0.3:
            return BLUE                              # two lines of text
        return WHITE
    if badge == 'timeline':                          # a grey disc with a white "!"
        return (exclamation(u, v, WHITE) or GREY) if disc else None
    if badge == 'paused':                            # a blue disc; pause_bars draws its sign
        return BLUE if disc else None
    raise ValueError(badge)


def pause_bars(x, y, size):
    """Whether (x, y) lies on the pause sign's two white bars, which start and end on whole
    pixels at every size: a bar smoothed across two pixels would read as a grey smear."""
    half = size * 0.29
    centre = size - half
    width = max(2, round(size / 10))
    gap = max(1, round(size / 16))
    height = round(size * 0.3)
    left = round(centre - (2 * width + gap) / 2)
    top = round(centre - height / 2)
    if not top <= y < top + height:
        return False
    return left <= x < left + width or left + width + gap <= x < left + 2 * width + gap


BADGES = ('not-recording', 'other-writer', 'log-held', 'log-not-saved', 'side-file', 'timeline')


def picture_at(x, y, size, badge):
    """The clock with the badge, if any, over its lower right corner."""
    if badge:
        # The badge takes a little over half the icon, so that it reads at 16 pixels.
        half = size * 0.29
        centre = size - half
        colour = badge_at((x - centre) / half, (centre - y) / half, badge)
        if colour is not None:
            return WHITE if badge == 'paused' and pause_bars(x, y, size) else colour
    return colour_at(x, y, size)


def render(size, badge=None):
    """Rows top to bottom of (colour, opaque) per pixel."""
    rows = []
    step = 1.0 / SUPERSAMPLES
    for py in range(size):
        row = []
        for px in range(size):
            samples = []
            for sy in range(SUPERSAMPLES):
                for sx in range(SUPERSAMPLES):
                    samples.append(picture_at(px + (sx + 0.5) * step, py + (sy + 0.5) * step, size, badge))
            inside = [s for s in samples if s is not None]
            # The mask has one bit: a pixel is part of the clock when most of it is.
            if len(inside) * 2 < len(samples):
                row.append(((0, 0, 0), False))
                continue
            colour = tuple(round(sum(c[i] for c in inside) / len(inside)) for i in range(3))
            row.append((colour, True))
        rows.append(row)
    return rows


def icon_image(size, badge=None):
    """One icon image: a BITMAPINFOHEADER of double height, the colour rows, the mask rows."""
    pixels = render(size, badge)
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


def write_icon(target, badge=None, sizes=(16, 32)):
    images = [icon_image(size, badge) for size in sizes]
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b''
    for size, image in zip(sizes, images):
        entries += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 24, len(image), offset)
        offset += len(image)
    with open(target, 'wb') as out:
        out.write(directory + entries + b''.join(images))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, '..', 'resources')
    write_icon(os.path.join(folder, 'ostrak.ico'))
    for badge in BADGES:
        write_icon(os.path.join(folder, 'tray-%s.ico' % badge), badge)
    write_icon(os.path.join(folder, 'tray-paused.ico'), 'paused', (16, 20, 24, 32))


if __name__ == '__main__':
    main()
