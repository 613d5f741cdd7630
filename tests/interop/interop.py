#!/usr/bin/env python3
"""Interop of the BMP, ICO and CUR readers and writers with ImageMagick and
netpbm, through tdeconv. Files are made during the run:

  read:  a file made by another tool (or crafted here when no tool writes that
         variant) is converted by tdeconv; the pixels of our result and of the
         original, both decoded by ImageMagick, must be equal.
  write: files written by tdeconv are decoded by ImageMagick and netpbm and
         must give the pixels of the source.

Usage: interop.py TDECONV"""
import os
import struct
import subprocess
import sys
import tempfile

TDECONV = None
FAILS = []


def run(*cmd, stdin=None):
    r = subprocess.run(cmd, input=stdin, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if r.returncode != 0:
        raise RuntimeError("%s failed: %s %s" % (" ".join(cmd), r.stdout[-300:], r.stderr[-300:]))
    return r.stdout


def pixels(path, alpha=False):
    """RGB or RGBA bytes of the first image of a file, as ImageMagick decodes it."""
    return run("convert", path + "[0]", "-depth", "8", ("rgba:-" if alpha else "rgb:-"))


def pnm_pixels(path):
    """RGB bytes of a BMP as netpbm decodes it."""
    ppm = run("sh", "-c", "bmptopnm '%s' | pnmtopnm -plain 2>/dev/null || bmptopnm '%s' | pamtopnm" %
              (path, path))
    return ppm


def netpbm_rgb(path):
    data = run("sh", "-c", "bmptopnm '%s' 2>/dev/null | pamtopnm 2>/dev/null | pnmtoplainpnm 2>/dev/null"
               " || true" % path)
    return data


def clear_transparent(rgba):
    """Transparent pixels compare by their transparency alone."""
    out = bytearray(rgba)
    for i in range(0, len(out), 4):
        if out[i + 3] == 0:
            out[i:i + 4] = b"\0\0\0\0"
    return bytes(out)


def check(name, got, want):
    if got != want:
        FAILS.append(name)
        diff = next((i for i in range(min(len(got), len(want))) if got[i] != want[i]), None)
        print("FAIL %s: %d vs %d bytes, first difference at %s" % (name, len(got), len(want), diff))
    else:
        print("ok   %s" % name)


def tde(src, dst):
    run(TDECONV, src, dst)
    return dst


# ---------------------------------------------------------------- crafted files

def pad(row):
    return row + b"\0" * (-len(row) % 4)


def pack(values, bits):
    out = bytearray((len(values) * bits + 7) // 8)
    for i, v in enumerate(values):
        b = i * bits
        out[b // 8] |= v << (8 - bits - b % 8)
    return bytes(out)


def bmp_file(bits, w, h, data, palette=b"", compression=0, masks=b""):
    head = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, compression, len(data), 2835, 2835,
                       len(palette) // 4, 0)
    off = 14 + 40 + len(masks) + len(palette)
    return b"BM" + struct.pack("<IHHI", off + len(data), 0, 0, off) + head + masks + palette + data


def pattern(w, h, n):
    return [[(x * 3 + y * 5 + (x * y) % 7) % n for x in range(w)] for y in range(h)]


def rle4(rows, w):
    """Run-length 4-bit data: runs of equal pairs and literals, bottom row first."""
    out = bytearray()
    for row in reversed(rows):
        x = 0
        while x < w:
            if x + 5 < w and len(set(row[x:x + 6])) == 1:
                n = 6
                while x + n < w and row[x + n] == row[x] and n < 255:
                    n += 1
                out += bytes((n, row[x] << 4 | row[x]))
                x += n
            else:
                n = min(w - x, 5)
                lit = row[x:x + n]
                if n < 3:
                    for v in lit:
                        out += bytes((1, v << 4))
                else:
                    out += bytes((0, n)) + pack(lit + [0] * (n % 2), 4)
                    if len(out) % 2:
                        out += b"\0"
                x += n
        out += b"\0\0"
    return bytes(out[:-2]) + b"\0\1"


def ico_file(kind, w, h, bits, rows, masks, palette):
    xor = b"".join(pad(pack(r, bits)) for r in reversed(rows))
    andm = b"".join(pad(pack(m, 1)) for m in reversed(masks))
    head = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, bits, 0, len(xor) + len(andm), 0, 0, 0, 0)
    img = head + palette + xor + andm
    f1, f2 = (1, bits) if kind == 1 else (w // 2, h // 2)
    entry = struct.pack("<BBBBHHII", w % 256, h % 256, (1 << bits) % 256 if kind == 1 else 0, 0, f1,
                        f2, len(img), 22)
    return struct.pack("<HHH", 0, kind, 1) + entry + img


def palette_of(n, seed):
    return b"".join(bytes(((i * 37 + seed) % 256, (i * 91 + seed * 3) % 256, (i * 53 + 7) % 256, 0))
                    for i in range(n))


# ---------------------------------------------------------------- the cases

SIXTEEN = {}


def widen(v, bits):
    top = (1 << bits) - 1
    return (v * 255 * 2 + top) // (2 * top)


def expected16(data, w, h, is565):
    """RGB rows top-down as the reader must produce them."""
    rows = []
    rowsize = (w * 2 + 3) // 4 * 4
    for y in range(h):
        row = bytearray()
        for x in range(w):
            v = struct.unpack_from("<H", data, y * rowsize + 2 * x)[0]
            if is565:
                row += bytes((widen(v >> 11, 5), widen((v >> 5) & 63, 6), widen(v & 31, 5)))
            else:
                row += bytes((widen((v >> 10) & 31, 5), widen((v >> 5) & 31, 5), widen(v & 31, 5)))
        rows.append(bytes(row))
    return b"".join(reversed(rows))


def top_bits(rgb, green6):
    out = bytearray(rgb)
    for i in range(len(out)):
        out[i] >>= 2 if green6 and i % 3 == 1 else 3
    return bytes(out)


def read_cases(d):
    """(name, file) pairs of files made by other tools or crafted."""
    src = os.path.join(d, "src.ppm")
    run("convert", "-size", "37x23", "plasma:fractal", "-seed", "7", "-depth", "8", src)
    cases = []

    def tool(name, cmd):
        path = os.path.join(d, name)
        run("sh", "-c", cmd % {"src": src, "out": path})
        cases.append((name, path))

    tool("nb1.bmp", "ppmtopgm %(src)s | pgmtopbm | ppmtobmp -bpp=1 > %(out)s 2>/dev/null")
    tool("nb4.bmp", "pnmquant 16 %(src)s 2>/dev/null | ppmtobmp -bpp=4 > %(out)s 2>/dev/null")
    tool("nb8.bmp", "pnmquant 200 %(src)s 2>/dev/null | ppmtobmp -bpp=8 > %(out)s 2>/dev/null")
    tool("nb24.bmp", "ppmtobmp -bpp=24 %(src)s > %(out)s 2>/dev/null")
    tool("os2.bmp", "ppmtobmp -os2 -bpp=24 %(src)s > %(out)s 2>/dev/null")
    tool("os2-8.bmp", "pnmquant 100 %(src)s 2>/dev/null | ppmtobmp -os2 -bpp=8 > %(out)s 2>/dev/null")
    tool("im24.bmp", "convert %(src)s -define bmp:format=bmp3 -type truecolor BMP3:%(out)s")
    tool("imrle8.bmp", "convert %(src)s -colors 64 -type palette -compress RLE BMP3:%(out)s")

    def craft(name, data):
        path = os.path.join(d, name)
        with open(path, "wb") as f:
            f.write(data)
        cases.append((name, path))

    w, h = 21, 13
    rows = pattern(w, h, 16)
    craft("rle4.bmp", bmp_file(4, w, h, rle4(rows, w), palette_of(16, 1), compression=2))
    px555 = b"".join(pad(b"".join(struct.pack("<H", (x * 1500 + y * 77) & 0x7fff) for x in range(w)))
                     for y in range(h))
    craft("rgb555.bmp", bmp_file(16, w, h, px555))
    SIXTEEN["rgb555.bmp"] = SIXTEEN["bf555.bmp"] = expected16(px555, w, h, False)
    px565 = b"".join(pad(b"".join(struct.pack("<H", (x * 2900 + y * 131) & 0xffff) for x in range(w)))
                     for y in range(h))
    SIXTEEN["rgb565.bmp"] = expected16(px565, w, h, True)
    craft("rgb565.bmp", bmp_file(16, w, h, px565, compression=3,
                                 masks=struct.pack("<III", 0xf800, 0x07e0, 0x001f)))
    craft("bf555.bmp", bmp_file(16, w, h, px555, compression=3,
                                masks=struct.pack("<III", 0x7c00, 0x03e0, 0x001f)))
    px32 = b"".join(bytes((x * 9, y * 17, (x + y) * 5, 255)) for y in range(h) for x in range(w))
    craft("rgb32.bmp", bmp_file(32, w, h, px32))
    return cases


def icon_cases(d):
    cases = []
    for kind, bits, w, h in ((1, 4, 16, 16), (1, 8, 32, 32), (1, 4, 20, 11), (2, 1, 32, 32)):
        rows = pattern(w, h, 1 << bits)
        # Transparent pixels use a colour of their own (the reader's model keeps
        # transparency per colour-map entry).
        t = (1 << bits) - 1
        masks = [[1 if (x + y) % 5 == 0 else 0 for x in range(w)] for y in range(h)]
        rows = [[t if masks[y][x] else min(rows[y][x], t - 1) for x in range(w)] for y in range(h)]
        if kind == 2:
            pal = bytes((0, 0, 0, 0, 255, 255, 255, 0))
            # Black figure on a transparent ground (XOR 1 under the mask): the
            # two colours of the file's palette stay apart in the reader's model.
            rows = [[1 if masks[y][x] else 0 for x in range(w)] for y in range(h)]
        else:
            pal = palette_of(1 << bits, bits)
        name = "i%d_%dx%d.%s" % (bits, w, h, "ico" if kind == 1 else "cur")
        path = os.path.join(d, name)
        with open(path, "wb") as f:
            f.write(ico_file(kind, w, h, bits, rows, masks, pal))
        cases.append((name, path))
    return cases


def cli(args, lang, stream="stderr"):
    """Exit code and one output stream: results go to stdout, messages to stderr."""
    env = dict(os.environ, LC_ALL=lang, LANG=lang)
    r = subprocess.run([TDECONV] + args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
    return r.returncode, getattr(r, stream)


def cli_checks(d):
    """tdeconv itself: -i, exit codes, messages in the terminal's encoding."""
    src = os.path.join(d, "cli.bmp")
    run("sh", "-c", "ppmmake rgb:10/20/30 7 5 | ppmtobmp -bpp=24 > %s 2>/dev/null" % src)
    check("cli -i", repr(cli(["-i", src], "C.UTF-8", "stdout")).encode(),
          repr((0, b"7 5 4 256 2\n")).encode())
    tde(src, os.path.join(d, "cli.pxa"))
    check("cli -i native", cli(["-i", os.path.join(d, "cli.pxa")], "C", "stdout")[1],
          b"7 5 4 256 1\n")
    missing = os.path.join(d, "missing.bmp")
    want = "bmfileLoad:ファイルオープン(r)エラー:%s\n" % missing
    check("cli missing (UTF-8)", repr(cli([missing, src + ".pxa"], "C.UTF-8")).encode(),
          repr((1, want.encode("utf-8"))).encode())
    check("cli missing (Shift-JIS)", repr(cli([missing, src + ".pxa"], "C")).encode(),
          repr((1, want.encode("cp932"))).encode())
    code, out = cli([src, os.path.join(d, "x.xyz")], "C.UTF-8")
    check("cli unknown extension", repr((code, out)).encode(),
          repr((1, ("tdeconv:出力形式が分かりません:%s\n" % os.path.join(d, "x.xyz")).encode())).encode())
    code, out = cli([], "C.UTF-8")
    check("cli usage", bytes([code]), bytes([2]))
    # Every refusal names the file and says why, also after a silent reader or
    # a reason that does not name the file.
    unreadable = "tdeconv:読み込めません(壊れているか、対応していない形式です):%s\n"
    short = os.path.join(d, "short.ppm")
    with open(short, "wb") as f:
        f.write(b"P2 3 3 255\n1 2")
    check("cli silent reader", repr(cli([short, short + ".bmp"], "C.UTF-8")).encode(),
          repr((1, (unreadable % short).encode())).encode())
    rle1 = os.path.join(d, "rle1.bmp")
    with open(rle1, "wb") as f:
        f.write(bmp_file(1, 2, 2, bytes(8), palette_of(2, 1), compression=1))
    check("cli undecodable picture", repr(cli(["-i", rle1], "C.UTF-8")).encode(),
          repr((1, ("bmpOpen DECODE ERROR: ebit=1\n" + unreadable % rle1).encode())).encode())
    # A direct-colour picture saved as an icon goes through an indexed copy.
    code, out = cli([src, os.path.join(d, "cli.ico")], "C.UTF-8")
    check("cli direct to icon", repr((code, out)).encode(), repr((0, b"")).encode())
    check("cli direct to icon pixels", pixels(os.path.join(d, "cli.ico")), pixels(src))
    check("cli -i icon", cli(["-i", os.path.join(d, "cli.ico")], "C", "stdout")[1],
          b"7 5 1 16 7\n")


def damaged_checks(d):
    """Damaged copies of every seed file: tdeconv converts them or refuses
    with exit code 1 and a message naming the file; it never crashes or hangs."""
    import glob
    import random
    rnd = random.Random(16)
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    silent, broken, runs = [], [], 0
    for seed in sorted(glob.glob(os.path.join(root, "fuzz", "corpus", "*", "*"))):
        data = open(seed, "rb").read()
        for k in range(4):
            b = bytearray(data)
            if k == 0:
                b = b[:rnd.randrange(4, max(5, len(b)))]
            else:
                for _ in range(k):
                    b[rnd.randrange(len(b))] = rnd.randrange(256)
            path = os.path.join(d, "dmg%d%s" % (runs, os.path.splitext(seed)[1]))
            runs += 1
            with open(path, "wb") as f:
                f.write(b)
            try:
                r = subprocess.run([TDECONV, path, path + ".bmp"], stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, timeout=30)
            except subprocess.TimeoutExpired:
                broken.append(path)
                continue
            if r.returncode not in (0, 1):
                broken.append(path)
            elif r.returncode == 1 and path.encode() not in r.stderr:
                silent.append(path)
    print("damaged copies: %d, refused without naming the file: %d, crashed or hung: %d" %
          (runs, len(silent), len(broken)))
    check("damaged copies refused with a message", repr(silent).encode(), b"[]")
    check("damaged copies never crash", repr(broken).encode(), b"[]")


def main():
    global TDECONV
    TDECONV = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory(prefix="tdeinterop") as d:
        # Read: our decoding, written back as BMP, against ImageMagick's decoding.
        for name, path in read_cases(d):
            ours = tde(tde(path, path + ".pxa"), path + ".our.bmp")
            if name in SIXTEEN:
                # ImageMagick widens 5 and 6-bit channels by repeating bits, we
                # round v * 255 / 31 (or 63): the stored bits must agree exactly,
                # and our values must be the rounded ones.
                green6 = name == "rgb565.bmp"
                check("read " + name + " (stored bits)", top_bits(pixels(ours), green6),
                      top_bits(pixels(path), green6))
                check("read " + name + " (rounding)", pixels(ours), SIXTEEN[name])
                continue
            check("read " + name, pixels(ours), pixels(path))
        for name, path in icon_cases(d):
            ours = tde(tde(path, path + ".pxa"), path + ".our" + os.path.splitext(path)[1])
            check("read " + name, clear_transparent(pixels(ours, True)),
                  clear_transparent(pixels(path, True)))
        # Write: our BMP files at every depth, decoded by ImageMagick and netpbm.
        src = os.path.join(d, "src.ppm")
        for bits, prep in ((1, "ppmtopgm %s | pgmtopbm | ppmtobmp -bpp=1"),
                           (4, "pnmquant 16 %s 2>/dev/null | ppmtobmp -bpp=4"),
                           (8, "pnmquant 256 %s 2>/dev/null | ppmtobmp -bpp=8"),
                           (24, "ppmtobmp -bpp=24 %s")):
            orig = os.path.join(d, "w%d.bmp" % bits)
            run("sh", "-c", (prep % src) + " > " + orig + " 2>/dev/null")
            ours = tde(tde(orig, orig + ".pxa"), orig + ".our.bmp")
            with open(ours, "rb") as f:
                head = f.read(30)
            depth = struct.unpack("<H", head[28:30])[0]
            check("write bmp depth %d" % bits, bytes([depth]), bytes([bits]))
            check("write bmp %d (ImageMagick)" % bits, pixels(ours), pixels(orig))
            check("write bmp %d (netpbm)" % bits, run("bmptopnm", ours)[-len(pixels(orig)):],
                  run("bmptopnm", orig)[-len(pixels(orig)):])
        # Write: icons and cursors from indexed sources.
        for name, path in icon_cases(d):
            ext = os.path.splitext(path)[1]
            ours = tde(path, path + ".again" + ext)
            check("write " + name, clear_transparent(pixels(ours, True)),
                  clear_transparent(pixels(path, True)))
        # Three colours: our BMP has 2 bits per pixel, which netpbm reads
        # (ImageMagick does not know that depth).
        three = os.path.join(d, "three.bmp")
        w, h = 11, 5
        rows = [[(x + y) % 3 for x in range(w)] for y in range(h)]
        data = b"".join(pad(pack(r, 4)) for r in reversed(rows))
        with open(three, "wb") as f:
            f.write(bmp_file(4, w, h, data, palette_of(3, 5)))
        ours = tde(tde(three, three + ".pxa"), three + ".our.bmp")
        with open(ours, "rb") as f:
            check("write bmp depth 2", f.read(30)[28:29], bytes([2]))
        check("write bmp 2 (netpbm)", run("bmptopnm", ours), run("bmptopnm", three))
        cli_checks(d)
        damaged_checks(d)
    print("%d failures" % len(FAILS))
    return 1 if FAILS else 0


if __name__ == "__main__":
    sys.exit(main())
