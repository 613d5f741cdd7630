#!/usr/bin/env python3
"""Interop of PNG, of BMP files with larger headers or top-down rows and of
icons with PNG entries, with ImageMagick, netpbm and pngcheck, through
tdeconv. Every file is made during the run.

  read:  a file of another tool is converted by tdeconv to PNG; ImageMagick's
         decoding of our PNG must equal its decoding of the original, and
         pngcheck must accept our file.
  write: our PNG files are decoded by ImageMagick and by netpbm (pngtopnm) and
         must give the source's pixels; a palette keeps its order.

Usage: png_interop.py TDECONV"""
import os
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import interop  # noqa: E402  (shared helpers: run, pixels, check, ...)
from interop import check, clear_transparent, pixels, run, tde  # noqa: E402

IM = "/usr/bin/convert"


def chunks(path):
    """(type, data) of every chunk of a PNG file."""
    with open(path, "rb") as f:
        d = f.read()
    out, at = [], 8
    while at + 12 <= len(d):
        n = struct.unpack_from(">I", d, at)[0]
        out.append((d[at + 4:at + 8].decode("latin-1"), d[at + 8:at + 8 + n]))
        at += 12 + n
    return out


def ihdr(path):
    """(bit depth, colour type, interlace) of a PNG file."""
    data = dict(chunks(path))["IHDR"]
    return data[8], data[9], data[12]


def info(path):
    """tdeconv -i: width, height, bytes per pixel, colour count, format code."""
    return [int(v) for v in run(interop.TDECONV, "-i", path).split()]


def same_rgba(name, ours, theirs):
    check(name, clear_transparent(pixels(ours, True)), clear_transparent(pixels(theirs, True)))


def rounded(path):
    """ImageMagick's 8-bit RGBA PNG of a file. Its own 8-bit writers round
    16-bit samples, as we do; `-depth 8` alone would cut them."""
    out = path + ".im8.png"
    run(IM, path, "PNG32:" + out)
    return out


def pngcheck_ok(name, path):
    r = subprocess.run(["pngcheck", "-q", path], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    check(name + " (pngcheck)", bytes([r.returncode]), bytes([0]))


# PNG files of other tools: (name, shell command, bytes per pixel we must give).
def png_sources(d, src):
    alpha = "-alpha set -channel A -fx '(i+j)%%5/4' +channel"
    im = IM + " %(src)s "
    cases = [
        ("g1.png", im + "-colorspace gray -type bilevel PNG:%(out)s", 1),
        ("g2.png", im + "-colorspace gray -depth 2 PNG:%(out)s", 1),
        ("g4.png", im + "-colorspace gray -depth 4 PNG:%(out)s", 1),
        ("g8.png", im + "-colorspace gray -depth 8 PNG:%(out)s", 1),
        ("g16.png", im + "-colorspace gray -depth 16 PNG:%(out)s", 4),
        ("ga8.png", im + "-colorspace gray " + alpha + " -define png:color-type=4 PNG:%(out)s", 4),
        ("ga16.png", im + "-colorspace gray " + alpha + " -depth 16 -define png:color-type=4 PNG:%(out)s", 4),
        ("rgb8.png", im + "PNG24:%(out)s", 4),
        ("rgb16.png", im + "-depth 16 PNG48:%(out)s", 4),
        ("rgba8.png", im + alpha + " PNG32:%(out)s", 4),
        ("rgba16.png", im + alpha + " -depth 16 PNG64:%(out)s", 4),
        ("p1.png", im + "-colors 2 -define png:bit-depth=1 PNG8:%(out)s", 1),
        ("p2.png", im + "-colors 4 -define png:bit-depth=2 PNG8:%(out)s", 1),
        ("p4.png", im + "-colors 16 -define png:bit-depth=4 PNG8:%(out)s", 1),
        ("p8.png", im + "-colors 200 PNG8:%(out)s", 1),
        ("p8trns.png", im + "-colors 30 " + alpha.replace("%%5/4", "%%3>0") + " PNG8:%(out)s", 1),
        ("rgb8i.png", im + "-interlace PNG PNG24:%(out)s", 4),
        ("rgba16i.png", im + alpha + " -depth 16 -interlace PNG PNG64:%(out)s", 4),
        ("g1i.png", im + "-colorspace gray -type bilevel -interlace PNG PNG:%(out)s", 1),
        ("p2i.png", im + "-colors 4 -define png:bit-depth=2 -interlace PNG PNG8:%(out)s", 1),
        ("nb_rgb.png", "pnmtopng -force %(src)s", 4),
        ("nb_inter.png", "pnmtopng -force -interlace %(src)s", 4),
        ("nb_trns.png", "pnmtopng -force -transparent =rgb:ff/ff/ff %(src)s", 4),
        ("nb_pal.png", "pnmquant 20 %(src)s | pnmtopng", 1),
        ("nb_grey_trns.png", "ppmtopgm %(src)s | pnmtopng -transparent =gray50", 1),
        ("nb_rgb16.png", "pamdepth 65535 %(src)s | pnmtopng -force", 4),
        ("nb_alpha.png", "ppmtopgm %(src)s > %(d)s/a.pgm; pnmtopng -force -alpha=%(d)s/a.pgm %(src)s", 4),
    ]
    out = []
    for name, cmd, bpp in cases:
        path = os.path.join(d, name)
        redirect = "" if "%(out)s" in cmd else " > %(out)s"
        run("sh", "-c", (cmd + redirect + " 2>/dev/null") % {"src": src, "out": path, "d": d})
        out.append((name, path, bpp))
    return out


def flip_top_down(path, out):
    """The same BMP with its uncompressed rows stored top row first."""
    with open(path, "rb") as f:
        d = bytearray(f.read())
    off, = struct.unpack_from("<I", d, 10)
    w, h = struct.unpack_from("<ii", d, 18)
    bits, = struct.unpack_from("<H", d, 28)
    rowsize = (w * bits + 31) // 32 * 4
    rows = [bytes(d[off + r * rowsize:off + (r + 1) * rowsize]) for r in range(h)]
    d[off:off + h * rowsize] = b"".join(reversed(rows))
    struct.pack_into("<i", d, 22, -h)
    with open(out, "wb") as f:
        f.write(d)


def bmp_sources(d, src):
    """(name, path, compare alpha) of BMP files with larger headers and top-down rows."""
    alpha = "-alpha set -channel A -fx '(i*j)%7/6' +channel"
    cases = [("v5_24.bmp", ""), ("v5_32a.bmp", alpha), ("v5_rle8.bmp", "-colors 50 -type palette"),
             ("v4_grey.bmp", "-colorspace gray"), ("v5_565.bmp", "-define bmp:subtype=RGB565"),
             ("v5_4444.bmp", alpha + " -define bmp:subtype=ARGB4444"),
             ("v5_1555.bmp", "-alpha set -channel A -fx 'i%2' +channel -define bmp:subtype=ARGB1555")]
    out = []
    for name, opts in cases:
        path = os.path.join(d, name)
        run("sh", "-c", "%s %s %s BMP:%s" % (IM, src, opts, path))
        # Index 0 of an indexed BMP is transparent in our model: compare colours only.
        out.append((name, path, "rle8" not in name))
    for name, base in (("td_24.bmp", "v5_24.bmp"), ("td_32a.bmp", "v5_32a.bmp")):
        path = os.path.join(d, name)
        flip_top_down(os.path.join(d, base), path)
        out.append((name, path, True))
    path = os.path.join(d, "td_8.bmp")
    run("sh", "-c", "pnmquant 40 %s 2>/dev/null | ppmtobmp -bpp=8 > %s.in 2>/dev/null" % (src, path))
    flip_top_down(path + ".in", path)
    out.append(("td_8.bmp", path, False))
    return out


# Channel widths of the 16-bit layouts. ImageMagick widens them its own way
# (5 bits by repeating bits, 4 and 1 bits by shifting: opaque 4-bit alpha is
# 240 to it); we round v * 255 / max. The stored bits must agree.
NARROW = {"v5_565.bmp": (5, 6, 5, 8), "v5_4444.bmp": (4, 4, 4, 4), "v5_1555.bmp": (5, 5, 5, 1)}


def top_bits(rgba, widths):
    out = bytearray(rgba)
    for i in range(len(out)):
        out[i] >>= 8 - widths[i % 4]
    return bytes(out)


def read_checks(d, src):
    for name, path, bpp in png_sources(d, src):
        ours = tde(path, path + ".our.png")
        same_rgba("read " + name, ours, rounded(path))
        check("read " + name + " (kind)", bytes([info(path)[2]]), bytes([bpp]))
        pngcheck_ok("read " + name, ours)
    for name, path, with_alpha in bmp_sources(d, src):
        ours = tde(path, path + ".our.png")
        if name in NARROW:
            check("read " + name + " (stored bits)", top_bits(pixels(ours, True), NARROW[name]),
                  top_bits(pixels(path, True), NARROW[name]))
        elif with_alpha:
            same_rgba("read " + name, ours, path)
        else:
            check("read " + name, pixels(ours), pixels(path))
    # Icons of current tools: the 256 x 256 picture is stored as PNG.
    big = os.path.join(d, "big.png")
    run(IM, src, "-alpha", "set", "-channel", "A", "-fx", "i/w", "+channel", "-resize", "256x256!",
        "PNG32:" + big)
    for name, opts in (("one.ico", []), ("multi.ico", ["-define", "icon:auto-resize=256,48,16"])):
        path = os.path.join(d, name)
        run(IM, big, *opts, path)
        ours = tde(path, path + ".our.png")
        same_rgba("read " + name, ours, path)
        check("read " + name + " (size)", repr(info(path)[:3]).encode(), b"[256, 256, 4]")


def colormap(path):
    """RGB of the colour map entries, in order, as `identify -verbose` lists them."""
    text = run("identify", "-verbose", path).decode("latin-1").splitlines()
    start = next(i for i, l in enumerate(text) if l.strip().startswith("Colormap:"))
    entries = []
    for line in text[start + 1:]:
        head, _, rest = line.strip().partition(":")
        if not head.isdigit():
            break
        entries.append(tuple(int(float(v)) for v in rest.strip(" (").split(")")[0].split(",")[:3]))
    return entries


def bmp_palette(path):
    with open(path, "rb") as f:
        d = f.read()
    hs, = struct.unpack_from("<I", d, 14)
    n = struct.unpack_from("<I", d, 46)[0] or 1 << struct.unpack_from("<H", d, 28)[0]
    pal = d[14 + hs:14 + hs + 4 * n]
    return [(pal[i + 2], pal[i + 1], pal[i]) for i in range(0, len(pal), 4)]


def write_checks(d, src):
    sources = []
    for bits, prep in ((1, "ppmtopgm %s | pgmtopbm | ppmtobmp -bpp=1"),
                       (4, "pnmquant 16 %s 2>/dev/null | ppmtobmp -bpp=4"),
                       (8, "pnmquant 256 %s 2>/dev/null | ppmtobmp -bpp=8")):
        path = os.path.join(d, "w%d.bmp" % bits)
        run("sh", "-c", (prep % src) + " > " + path + " 2>/dev/null")
        sources.append((path, bits, True))
    pal = os.path.join(d, "w_pal.png")
    run(IM, src, "-colors", "16", "PNG8:" + pal)
    sources.append((pal, 4, True))
    sources.append((src, 8, False))
    rgba = os.path.join(d, "w_rgba.png")
    run(IM, src, "-alpha", "set", "-channel", "A", "-fx", "(i+2*j)%9/8", "+channel", "PNG32:" + rgba)
    sources.append((rgba, 8, False))
    for path, bits, indexed in sources:
        name = os.path.basename(path)
        ours = tde(path, path + ".w.png")
        depth, ctype, _ = ihdr(ours)
        want = (bits, 3) if indexed else (8, 6 if name.endswith("rgba.png") else 2)
        check("write " + name + " (depth, type)", bytes([depth, ctype]), bytes(want))
        pngcheck_ok("write " + name, ours)
        # Colours: ImageMagick and netpbm both read what we wrote.
        check("write " + name + " (ImageMagick)", pixels(ours), pixels(path))
        rgb = pixels(path)
        check("write " + name + " (netpbm)",
              run("sh", "-c", "pngtopnm %s | ppmtoppm | pamdepth 255" % ours)[-len(rgb):], rgb)
        if not indexed:
            continue
        plte = dict(chunks(ours))["PLTE"]
        if name.endswith(".bmp"):
            check("write " + name + " (PLTE order)", plte, bytes(v for e in bmp_palette(path) for v in e))
            # Index 0 is transparent in our model: tRNS says so when it is used, nothing else.
            trns = dict(chunks(ours)).get("tRNS", b"")
            check("write " + name + " (tRNS)", bytes([trns in (b"", b"\0")]), b"\1")
        else:
            check("write " + name + " (identify order)", repr(colormap(ours)).encode(),
                  repr(colormap(path)).encode())
        again = tde(ours, ours + ".again.png")
        check("write " + name + " (round trip PLTE)", dict(chunks(again))["PLTE"], plte)
    same_rgba("write w_rgba.png (alpha)", os.path.join(d, "w_rgba.png.w.png"), rgba)


def main():
    interop.TDECONV = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory(prefix="tdepng") as d:
        src = os.path.join(d, "src.ppm")
        run(IM, "-seed", "11", "-size", "37x23", "plasma:fractal", "-depth", "8", src)
        read_checks(d, src)
        write_checks(d, src)
        # Odd sizes: one pixel, one column, one row; interlaced pictures smaller
        # than the 8 x 8 pattern at sub-byte and 16-bit depths.
        for size in ("1x1", "1x17", "29x1"):
            path = os.path.join(d, "odd%s.png" % size)
            run(IM, src, "-resize", size + "!", "PNG24:" + path)
            same_rgba("odd size " + size, tde(path, path + ".our.png"), path)
        for size in ("1x1", "3x2", "5x7"):
            for name, opts in (("g1", ["-type", "bilevel", "PNG:"]),
                               ("p2", ["-colors", "4", "-define", "png:bit-depth=2", "PNG8:"]),
                               ("rgba16", ["-alpha", "set", "-depth", "16", "PNG64:"])):
                path = os.path.join(d, "i%s_%s.png" % (name, size))
                run(IM, src, "-resize", size + "!", *opts[:-1], "-interlace", "PNG", opts[-1] + path)
                check("interlaced %s %s (flag)" % (name, size), bytes([ihdr(path)[2]]), b"\1")
                same_rgba("interlaced %s %s" % (name, size), tde(path, path + ".our.png"),
                          rounded(path))
    print("%d failures" % len(interop.FAILS))
    return 1 if interop.FAILS else 0


if __name__ == "__main__":
    sys.exit(main())
