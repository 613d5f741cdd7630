#!/usr/bin/env python3
"""Test pictures and expected drawings for the end-to-end scripts.

  picture.py make FILE.ppm N          N x N magenta, green at (N-1, N-1)
  picture.py gray FILE.pgm N          N x N grey ramp by column
  picture.py check SAVED EXPECT...    compares a saved picture (read by
                                      ImageMagick) with magenta plus what the
                                      EXPECT words draw, in the colour given
                                      by the last "colour=RRGGBB" (default
                                      green):
                                        line=x0,y0,x1,y1  the logged line
                                                          without its end
                                        pline=x0,y0,x1,y1 with its end
                                        rect=x0,y0,x1,y1  the outline of the
                                                          half-open rectangle
                                        dot=x,y
"""
import subprocess
import sys

MAGENTA = "ff00ff"


def walk(x0, y0, x1, y1, incend):
    """The points of the line walk, as the editor defines it."""
    dx, dy = x1 - x0, y1 - y0
    sx = -1 if dx < 0 else 1
    sy = -1 if dy < 0 else 1
    xmajor = abs(dy) < abs(dx)
    major, minor = max(abs(dx), abs(dy)), min(abs(dx), abs(dy))
    err = major >> 1
    x, y, pts = x0, y0, []
    for _ in range(major + incend):
        pts.append((x, y))
        step = err - minor < 0
        if xmajor or step:
            x += sx
        if not xmajor or step:
            y += sy
        err = err - minor + (major if step else 0)
    return pts


def rect(x0, y0, x1, y1):
    pts = walk(x0, y0, x1 - 1, y0, 0) + walk(x1 - 1, y0, x1 - 1, y1 - 1, 0)
    return pts + walk(x1 - 1, y1 - 1, x0, y1 - 1, 0) + walk(x0, y1 - 1, x0, y0, 0)


def read(path):
    out = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                         capture_output=True).stdout
    fields = out.split(maxsplit=4)
    w, h = int(fields[1]), int(fields[2])
    data = out[len(out) - 3 * w * h:]
    return w, h, [[data[3 * (y * w + x):3 * (y * w + x) + 3].hex() for x in range(w)]
                  for y in range(h)]


def check(path, words):
    w, h, rows = read(path)
    want = {(x, y): MAGENTA for y in range(h) for x in range(w)}
    want[(w - 1, h - 1)] = "00ff00"
    colour = "00ff00"
    for word in words:
        kind, _, arg = word.partition("=")
        if kind == "colour":
            colour = arg
            continue
        v = [int(a) for a in arg.split(",")]
        pts = {"line": lambda: walk(*v, 0), "pline": lambda: walk(*v, 1),
               "rect": lambda: rect(*v), "dot": lambda: [tuple(v)]}[kind]()
        for p in pts:
            if p in want:
                want[p] = colour
    bad = [(x, y, rows[y][x], want[(x, y)]) for y in range(h) for x in range(w)
           if rows[y][x] != want[(x, y)]]
    if bad:
        sys.exit(f"{len(bad)} pixels differ, first (x, y, got, want): {bad[:6]}")


def main():
    cmd = sys.argv[1]
    if cmd == "make":
        n = int(sys.argv[3])
        px = bytearray(bytes.fromhex(MAGENTA) * (n * n))
        px[-3:] = b"\x00\xff\x00"
        open(sys.argv[2], "wb").write(b"P6 %d %d 255\n" % (n, n) + px)
    elif cmd == "gray":
        n = int(sys.argv[3])
        px = bytes(x * 255 // (n - 1) for _ in range(n) for x in range(n))
        open(sys.argv[2], "wb").write(b"P5 %d %d 255\n" % (n, n) + px)
    elif cmd == "check":
        check(sys.argv[2], sys.argv[3:])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
