#!/usr/bin/env python3
"""Renders the Mirel application icon: a paper-white rounded tile carrying three
overlapping cyan, magenta and yellow ink discs.

Standard library only, so the artwork can be regenerated anywhere Python 3 runs.
The generated PNGs and mirel.ico are committed so that no build needs Python.

    python3 render_icon.py [output-directory]
    python3 render_icon.py --check   # exit 1 if the committed files are stale
"""

import math
import os
import struct
import sys
import zlib

SIZES = (256, 128, 64, 48, 32, 16)

# Geometry in units of the canvas edge (0..1).
TILE_MARGIN = 0.0625
TILE_RADIUS = 0.19
DISC_RADIUS = 0.215
DISC_SPREAD = 0.135  # distance of each disc centre from the group's centre
# Two discs sit above and one below, so the group's centre is raised to balance
# the space left above and below it.
DISC_RAISE = DISC_SPREAD / 4.0

# The tile is paper: nearly white at the top, a cool light grey at the bottom.
PAPER_TOP = (255, 255, 255)
PAPER_BOTTOM = (226, 231, 238)
EDGE = (120, 132, 150)

# Process inks, combined by multiplication as they would be on paper, so the
# overlaps come out red, green, blue and a near-black centre.
INKS = (
    ((0, 164, 228), -150.0),  # cyan, upper left
    ((232, 0, 138), -30.0),   # magenta, upper right
    ((255, 222, 0), 90.0),    # yellow, bottom
)
INK_OPACITY = 0.92


def _rounded_box_distance(x, y, half, radius):
    """Signed distance from (x, y), relative to the box centre, to a rounded square."""
    qx = abs(x) - (half - radius)
    qy = abs(y) - (half - radius)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    inside = min(max(qx, qy), 0.0)
    return outside + inside - radius


def _sample(x, y, size):
    """Colour (r, g, b, a) in 0..1 of the artwork at canvas point (x, y) in pixels."""
    centre = size / 2.0
    half = size * (0.5 - TILE_MARGIN)
    # Keep the outline at least one pixel wide so small sizes stay separated from
    # white backgrounds; at large sizes it scales with the artwork.
    edge_width = max(1.0, size * 0.012)
    d = _rounded_box_distance(x - centre, y - centre, half, size * TILE_RADIUS)
    if d > 0.0:
        return (0.0, 0.0, 0.0, 0.0)
    if d > -edge_width:
        return (EDGE[0] / 255.0, EDGE[1] / 255.0, EDGE[2] / 255.0, 1.0)

    t = (y - (centre - half)) / (2.0 * half)
    r, g, b = (
        (PAPER_TOP[i] + (PAPER_BOTTOM[i] - PAPER_TOP[i]) * t) / 255.0 for i in range(3)
    )
    radius = size * DISC_RADIUS
    spread = size * DISC_SPREAD
    for ink, angle in INKS:
        a = math.radians(angle)
        dx = x - (centre + spread * math.cos(a))
        dy = y - (centre - size * DISC_RAISE + spread * math.sin(a))
        if dx * dx + dy * dy <= radius * radius:
            r *= 1.0 - INK_OPACITY * (1.0 - ink[0] / 255.0)
            g *= 1.0 - INK_OPACITY * (1.0 - ink[1] / 255.0)
            b *= 1.0 - INK_OPACITY * (1.0 - ink[2] / 255.0)
    return (r, g, b, 1.0)


def render(size):
    """Returns size*size RGBA pixels (bytes, straight alpha, top row first)."""
    # Small images need more sub-samples per pixel for smooth edges; large ones
    # already have enough pixels along each curve.
    n = 4 if size >= 128 else 8
    offsets = [(i + 0.5) / n for i in range(n)]
    out = bytearray()
    for py in range(size):
        for px in range(size):
            acc_r = acc_g = acc_b = acc_a = 0.0
            for oy in offsets:
                for ox in offsets:
                    r, g, b, a = _sample(px + ox, py + oy, size)
                    # Premultiplied accumulation keeps transparent samples from
                    # darkening the anti-aliased rim.
                    acc_r += r * a
                    acc_g += g * a
                    acc_b += b * a
                    acc_a += a
            if acc_a == 0.0:
                out += b"\0\0\0\0"
                continue
            out += bytes((
                min(255, round(acc_r / acc_a * 255.0)),
                min(255, round(acc_g / acc_a * 255.0)),
                min(255, round(acc_b / acc_a * 255.0)),
                min(255, round(acc_a / (n * n) * 255.0)),
            ))
    return bytes(out)


def _png_chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data
            + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def encode_png(size, rgba):
    stride = size * 4
    raw = b"".join(b"\0" + rgba[y * stride:(y + 1) * stride] for y in range(size))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + _png_chunk(b"IHDR", header)
            + _png_chunk(b"IDAT", zlib.compress(raw, 9)) + _png_chunk(b"IEND", b""))


def encode_dib(size, rgba):
    """32-bit BGRA icon bitmap with its AND mask, as every Windows version reads it."""
    stride = size * 4
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for y in reversed(range(size)):  # bitmaps are stored bottom row first
        row = rgba[y * stride:(y + 1) * stride]
        for x in range(0, stride, 4):
            colour += bytes((row[x + 2], row[x + 1], row[x], row[x + 3]))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(size)):
        bits = bytearray(mask_stride)
        for x in range(size):
            if rgba[(y * size + x) * 4 + 3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(colour) + bytes(mask)


def encode_ico(images):
    """images: list of (size, rgba). The 256 px image is stored as PNG to keep the
    file small; smaller ones as bitmaps, which every icon consumer understands."""
    entries = []
    for size, rgba in images:
        data = encode_png(size, rgba) if size >= 256 else encode_dib(size, rgba)
        entries.append((size, data))
    offset = 6 + 16 * len(entries)
    directory = struct.pack("<HHH", 0, 1, len(entries))
    blobs = b""
    for size, data in entries:
        dim = 0 if size >= 256 else size  # 0 means 256 in an icon directory
        directory += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
        blobs += data
    return directory + blobs


def generate():
    """Returns {file name: contents} for every generated file."""
    files = {}
    images = []
    for size in SIZES:
        rgba = render(size)
        images.append((size, rgba))
        files["mirel-%d.png" % size] = encode_png(size, rgba)
    files["mirel.ico"] = encode_ico(images)
    return files


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    if sys.argv[1:] == ["--check"]:
        # Catches artwork edits committed without regenerating the images.
        stale = []
        for name, data in generate().items():
            path = os.path.join(here, name)
            if not os.path.exists(path) or open(path, "rb").read() != data:
                stale.append(name)
        if stale:
            print("out of date, rerun render_icon.py: " + " ".join(stale))
            return 1
        return 0
    outdir = sys.argv[1] if len(sys.argv) > 1 else here
    for name, data in generate().items():
        with open(os.path.join(outdir, name), "wb") as f:
            f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
