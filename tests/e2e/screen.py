#!/usr/bin/env python3
"""Looks at screenshots and saved pictures for the end-to-end scripts.

  screen.py bbox SHOT.png RRGGBB       box "X Y W H" of the pixels of a colour
  screen.py cell SHOT.png RRGGBB N C R  screen centre "X Y" of cell (C, R) of an
                                        N x N picture whose pixels of that
                                        colour span its whole width
  screen.py pixels FILE                the picture's pixels as RRGGBB rows, as
                                        ImageMagick decodes the file
"""
import subprocess
import sys


def read_ppm(data):
    """Width, height and the RGB bytes of a binary P6 file."""
    fields, pos = [], 2
    while len(fields) < 3:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(int(data[pos:end]))
        pos = end
    w, h, _ = fields
    return w, h, data[pos + 1:pos + 1 + 3 * w * h]


def as_ppm(path):
    return read_ppm(subprocess.run(["convert", path, "-depth", "8", "ppm:-"],
                                   check=True, capture_output=True).stdout)


def bbox(shot, colour):
    w, h, px = as_ppm(shot)
    want = bytes.fromhex(colour)
    xs, ys = [], []
    for y in range(h):
        row = px[3 * w * y:3 * w * (y + 1)]
        start = row.find(want)
        while start != -1:
            if start % 3 == 0:
                xs.append(start // 3)
                ys.append(y)
            start = row.find(want, start + 1)
    if not xs:
        sys.exit(f"colour {colour} not on the screen")
    return min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1


def main():
    cmd = sys.argv[1]
    if cmd == "bbox":
        print(*bbox(sys.argv[2], sys.argv[3]))
    elif cmd == "cell":
        x, y, w, _ = bbox(sys.argv[2], sys.argv[3])
        n, c, r = (int(v) for v in sys.argv[4:7])
        scale = w / n
        print(int(x + (c + 0.5) * scale), int(y + (r + 0.5) * scale))
    elif cmd == "pixels":
        w, h, px = as_ppm(sys.argv[2])
        for y in range(h):
            print(" ".join(px[3 * (y * w + x):3 * (y * w + x) + 3].hex() for x in range(w)))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
