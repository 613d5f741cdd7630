#!/usr/bin/env python3
"""Pictures for the clipboard and printing scripts, and their checks.

  exchange.py indexed FILE.bmp         6 x 4 8-bit BMP, four palette colours
  exchange.py rgb FILE.bmp             5 x 3 24-bit BMP, fifteen colours
  exchange.py rgba FILE.png            4 x 3 PNG with alpha 0, 128 and 255
  exchange.py blocks FILE.bmp          96 x 96 24-bit BMP of 4 x 4 blocks
  exchange.py same A B [rgb]           A and B (read by ImageMagick) hold the
                                       same pixels, RGBA or only RGB
  exchange.py opaque A                 every pixel of A has alpha 255
  exchange.py page PAGE.png BLOCKS.bmp the printed page shows the picture
                                       over the page's whole width, centred
                                       vertically, a dark grid line on every
                                       pixel boundary and white around it
"""
import struct
import subprocess
import sys
import zlib

INDEXED_PALETTE = [(255, 0, 0), (0, 128, 255), (20, 200, 40), (250, 240, 10)]


def bmp(path, w, h, rows, palette=None):
    """BMP file, bottom-up; rows of indices with a palette, else of RGB."""
    bits = 8 if palette else 24
    stride = (w * bits // 8 + 3) & ~3
    body = b""
    for row in reversed(rows):
        line = bytes(row) if palette else b"".join(bytes((b, g, r)) for r, g, b in row)
        body += line + b"\0" * (stride - len(line))
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette or [])
    offset = 14 + 40 + len(table)
    head = b"BM" + struct.pack("<IHHI", offset + len(body), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, len(body), 2835, 2835,
                       len(palette or []), 0)
    open(path, "wb").write(head + info + table + body)


def png(path, w, h, rgba):
    """8-bit RGBA PNG, unfiltered."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + bytes(v for px in rgba[y * w:(y + 1) * w] for v in px)
                   for y in range(h))
    ihdr = struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)
    open(path, "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) +
                           chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def block_colour(bx, by):
    return (40 + 60 * bx, 230 - 50 * by, 90 + 40 * ((bx + by) % 4))


def read(path):
    """Width, height and RGBA tuples of a picture, as ImageMagick reads it."""
    size = subprocess.run(["identify", "-format", "%w %h\n", path], check=True,
                          capture_output=True, text=True).stdout.split()
    w, h = int(size[0]), int(size[1])
    data = subprocess.run(["convert", path, "-depth", "8", "rgba:-"], check=True,
                          capture_output=True).stdout
    return w, h, [tuple(data[i:i + 4]) for i in range(0, 4 * w * h, 4)]


def same(a, b, rgb_only):
    wa, ha, pa = read(a)
    wb, hb, pb = read(b)
    if (wa, ha) != (wb, hb):
        sys.exit(f"{a} is {wa} x {ha}, {b} is {wb} x {hb}")
    n = 3 if rgb_only else 4
    for i, (x, y) in enumerate(zip(pa, pb)):
        if x[:n] != y[:n]:
            sys.exit(f"pixel ({i % wa}, {i // wa}): {a} has {x[:n]}, {b} has {y[:n]}")


def opaque(a):
    w, _, px = read(a)
    for i, p in enumerate(px):
        if p[3] != 255:
            sys.exit(f"pixel ({i % w}, {i // w}) of {a} has alpha {p[3]}")


def near(p, q, tol=24):
    return all(abs(x - y) <= tol for x, y in zip(p, q))


def page(shot, blocks):
    """The picture (n x n) shown square over the page's width, centred."""
    w, h, px = read(shot)
    n, _, pic = read(blocks)
    at = lambda x, y: px[y * w + x][:3]
    side = w  # the page's shorter side
    top = (h - side) / 2
    unit = side / n
    errors = []
    for y in (int(top) - 6, int(top + side) + 6):
        for x in range(0, w, max(1, w // 50)):
            if not near(at(x, y), (255, 255, 255)):
                errors.append(f"({x}, {y}) outside the picture is {at(x, y)}")
                break
    for j in range(n):
        for i in range(n):
            want = pic[j * n + i][:3]
            x, y = int((i + 0.5) * unit), int(top + (j + 0.5) * unit)
            if not near(at(x, y), want):
                errors.append(f"pixel ({i}, {j}) at ({x}, {y}) is {at(x, y)}, not {want}")
    # Grid lines are a few device pixels wide: one of three neighbours is dark.
    dark = (64, 64, 64)
    for k in range(1, n):
        x, y = round(k * unit), int(top + (k - 0.5) * unit)
        if not any(near(at(x + d, y), dark, 40) for d in (-1, 0, 1)):
            errors.append(f"no grid line at x = {x} (row {y}): {at(x, y)}")
        x, y = int((k - 0.5) * unit), round(top + k * unit)
        if not any(near(at(x, y + d), dark, 40) for d in (-1, 0, 1)):
            errors.append(f"no grid line at y = {y} (column {x}): {at(x, y)}")
    if errors:
        sys.exit("\n".join(errors[:10]))


def main():
    cmd, args = sys.argv[1], sys.argv[2:]
    if cmd == "indexed":
        rows = [[(x + y) % 4 for x in range(6)] for y in range(4)]
        rows[0][0] = 3
        bmp(args[0], 6, 4, rows, INDEXED_PALETTE)
    elif cmd == "rgb":
        bmp(args[0], 5, 3, [[(50 * x, 120 * y, 255 - 40 * x - 30 * y) for x in range(5)]
                            for y in range(3)])
    elif cmd == "rgba":
        png(args[0], 4, 3, [(60 * x, 80 * y, 200, (0, 128, 255)[(x + y) % 3])
                            for y in range(3) for x in range(4)])
    elif cmd == "blocks":
        bmp(args[0], 96, 96, [[block_colour(x // 24, y // 24) for x in range(96)]
                              for y in range(96)])
    elif cmd == "same":
        same(args[0], args[1], len(args) > 2 and args[2] == "rgb")
    elif cmd == "opaque":
        opaque(args[0])
    elif cmd == "page":
        page(args[0], args[1])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
