#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/ and
the files every reader must refuse into fuzz/refused/.

Small, valid files of every variant each reader knows, so that fuzzing starts
from inside the formats rather than from noise: made here byte by byte, and
made by independent tools (ImageMagick, netpbm, libtiff-tools,
libjpeg-turbo-progs) for TIFF, portable maps, JPEG, PNG and the newer BMP and
icon variants. When a tool is missing, the seeds made by tools are left as
they are and the script says which tools it lacks."""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def lz_literals(data):
    """An LZSS stream of literals only (always valid)."""
    out = bytearray()
    for i in range(0, len(data), 8):
        out.append(0)
        out += data[i:i + 8]
    return bytes(out)


def chunk(tag, body):
    name = tag.ljust(4).encode()
    out = name[::-1] + struct.pack("<I", len(body)) + body
    return out + b"\0" * (-len(body) % 4)


def container(top, chunks):
    body = b"".join(chunks)
    return top[::-1].encode() + struct.pack("<I", len(body)) + body


def pack_bits(values, b):
    out = bytearray((len(values) * b + 7) // 8)
    for i, v in enumerate(values):
        bit = i * b
        out[bit // 8] |= (v & ((1 << b) - 1)) << (8 - b - bit % 8)
    return bytes(out)


def pxa(w, h, ebit, pixels, cmap):
    raw = pack_bits(pixels, ebit) if 0 < ebit < 8 else bytes(pixels)
    tag = "rgba" if ebit == 0 else "cidx"
    return container("NIF1", [
        chunk("type", b"pxa\0"),
        chunk("ebit", struct.pack("<i", ebit)),
        chunk("xw", struct.pack("<i", w)),
        chunk("yw", struct.pack("<i", h)),
        chunk("cmap", b"".join(struct.pack("<I", c) for c in cmap)),
        chunk(tag, lz_literals(raw)),
    ])


def bmp(bits, w, h, rows, palette=b"", compression=0, masks=b"", hd12=False):
    data = b"".join(rows)
    if hd12:
        head = struct.pack("<IHHHH", 12, w, h, 1, bits)
    else:
        head = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, compression, len(data), 0, 0, 0, 0)
    off = 14 + len(head) + len(masks) + len(palette)
    return b"BM" + struct.pack("<IHHI", off + len(data), 0, 0, off) + head + masks + palette + data


def pad(row):
    return row + b"\0" * (-len(row) % 4)


def icon(kind, w, h, bits):
    ncol = 1 << bits
    palette = b"".join(bytes((i * 17 % 256, i * 5 % 256, i * 3 % 256, 0)) for i in range(ncol))
    xor = b"".join(pad(pack_bits([(x + y) % ncol for x in range(w)], bits)) for y in range(h))
    mask = b"".join(pad(pack_bits([1 if x < 2 else 0 for x in range(w)], 1)) for y in range(h))
    head = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, bits, 0, 0, 0, 0, 0, 0)
    img = head + palette + xor + mask
    entry = struct.pack("<BBBBHHII", w, h, 0, 0, 1 if kind == 1 else 0, bits if kind == 1 else 0,
                        len(img), 22)
    return struct.pack("<HHH", 0, kind, 1) + entry + img


def seeds():
    gray = [0xff000000 | i * 0x010101 for i in range(256)]
    px = [(x * 7 + y * 3) % 16 for y in range(6) for x in range(9)]
    files = {
        "pxa": {
            "idx8.pxa": pxa(9, 6, 8, px, gray[:16]),
            "idx1.pxa": pxa(9, 6, 1, [p & 1 for p in px], gray[:2]),
            "idx4.pxa": pxa(9, 6, 4, px, gray[:16]),
            "rgba.pxa": pxa(3, 2, 0, list(range(24)), gray[:1]),
        },
        "lz": {
            "lit.lz": struct.pack("<H", 10) + lz_literals(bytes(range(10))),
            "run.lz": struct.pack("<H", 18) + bytes((0x40, 0x41, 0x0e, 0x00)),
            "back.lz": struct.pack("<H", 26) + lz_literals(bytes(range(8))) + bytes((0x80, 0x0f, 0x07)),
        },
    }
    files["nif"] = dict(files["pxa"])
    files["nif"]["nested.sbf"] = container("Siff", [
        chunk("type", b"sbf\0"),
        chunk("grp", chunk("xw", struct.pack("<i", 3)) + chunk("dat5", b"abcde")),
    ])
    pal16 = b"".join(bytes((i * 16, 255 - i * 16, i * 8, 0)) for i in range(16))
    pal256 = b"".join(bytes((i, i, 255 - i, 0)) for i in range(256))
    w, h = 9, 6
    files["bmp"] = {
        "b1.bmp": bmp(1, w, h, [pad(pack_bits([(x + y) & 1 for x in range(w)], 1)) for y in range(h)],
                      pal16[:8]),
        "b4.bmp": bmp(4, w, h, [pad(pack_bits(px[y * w:(y + 1) * w], 4)) for y in range(h)], pal16),
        "b8.bmp": bmp(8, w, h, [pad(bytes(px[y * w:(y + 1) * w])) for y in range(h)], pal256),
        "b24.bmp": bmp(24, w, h, [pad(b"".join(bytes((x * 20, y * 40, 99)) for x in range(w)))
                                  for y in range(h)]),
        "b32.bmp": bmp(32, w, h, [b"".join(bytes((x, y, 7, 128)) for x in range(w)) for y in range(h)]),
        "b16.bmp": bmp(16, w, h, [pad(b"".join(struct.pack("<H", x * 1000 + y) for x in range(w)))
                                  for y in range(h)]),
        "b565.bmp": bmp(16, w, h, [pad(b"".join(struct.pack("<H", x * 2000 + y) for x in range(w)))
                                   for y in range(h)], compression=3,
                        masks=struct.pack("<III", 0xf800, 0x07e0, 0x001f)),
        "rle8.bmp": bmp(8, w, h, [bytes((3, 5, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 1, 1, 4, 9, 0, 1))],
                        pal256, compression=1),
        "rle4.bmp": bmp(4, w, h, [bytes((5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 2, 2, 1, 0, 1))], pal16,
                        compression=2),
        "hd12.bmp": bmp(8, w, h, [pad(bytes(px[y * w:(y + 1) * w])) for y in range(h)],
                        b"".join(bytes((i, i, i)) for i in range(256)), hd12=True),
    }
    files["ico"] = {
        "i4.ico": icon(1, 16, 16, 4),
        "i8.ico": icon(1, 16, 16, 8),
        "c1.cur": icon(2, 32, 32, 1),
    }
    files["bmfile"] = {}
    for t in ("pxa", "bmp", "ico"):
        files["bmfile"].update(files[t])
    # SBF: direct colour, 8-bit and 2-bit indexed.
    files["sbf"] = {
        "rgba.sbf": sbf(0, 3, 2, None, bytes(range(24))),
        "idx8.sbf": sbf(8, 4, 2, bytes(range(16)), bytes([0, 1, 2, 3, 3, 2, 1, 0])),
        "idx2.sbf": sbf(2, 5, 3, bytes(range(16)), bytes([0x1B, 0x1B, 0x1B, 0x00])),
    }
    # Portable maps written by hand: plain variants with comments and tight bits.
    files["ppm"] = {
        "p1.pbm": b"P1\n# bits\n3 2\n0 1 0\n1 0 1\n",
        "p1tight.pbm": b"P1\n5 2\n01101\n1#c\n0010\n",
        "p2.pgm": b"P2\n3 2\n# grey\n15\n0 7 15\n1 2 3\n",
        "p3.ppm": b"P3 2 1 255\n255 0 0 0 128 255\n",
    }
    return files


def sbf(ebit, w, h, cmap, data):
    cs = [chunk("type", b"sbf\0"), chunk("crtl", b"bm\0\0"), chunk("dver", struct.pack("<i", 1)),
          chunk("ebit", struct.pack("<i", ebit)), chunk("xw", struct.pack("<i", w)),
          chunk("yw", struct.pack("<i", h))]
    if cmap is not None:
        cs.append(chunk("cmap", cmap))
    cs.append(chunk("data", data))
    return container("Siff", cs)


def refused():
    """Files whose picture the readers cannot decode: each load must fail with
    a message instead of showing a blank picture."""
    w, h = 9, 6
    row1 = [pad(pack_bits([(x + y) & 1 for x in range(w)], 1)) for y in range(h)]
    row24 = [pad(bytes(3 * w)) for y in range(h)]
    row32 = [bytes(4 * w) for y in range(h)]
    full = bytearray(icon(1, 16, 16, 8))
    full[22 + 14:22 + 16] = struct.pack("<H", 32)  # the picture claims 32 bits
    return {
        "rle1.bmp": bmp(1, w, h, row1, bytes(8), compression=1),
        "rle24.bmp": bmp(24, w, h, row24, compression=1),
        "fields32.bmp": bmp(32, w, h, row32, compression=3,
                            masks=struct.pack("<III", 0xff0000, 0xff00, 0xff)),
        "i32.ico": bytes(full),
    }


def write_all(folder, items):
    d = os.path.join(ROOT, "fuzz", folder)
    os.makedirs(d, exist_ok=True)
    for name, data in items.items():
        with open(os.path.join(d, name), "wb") as f:
            f.write(data)


# Seeds made by other tools, one shell command each, run in fuzz/corpus/ with
# $t a scratch folder. ImageMagick's PNG writer leaves out its date and time
# chunks, so these seeds come out the same every time.
TOOLS = ["convert", "/usr/bin/convert", "tiffcp", "cjpeg", "pnmtoplainpnm", "ppmtopgm", "pgmtopbm",
         "pnmtopng"]
IM = "/usr/bin/convert -define png:exclude-chunk=date,time"
A = "-alpha set -channel A -fx i/w +channel"
A32 = "-alpha set -channel A -fx j/h +channel"
TOOL_SEEDS = [
    "convert -size 7x5 gradient:red-blue $t/rgb.ppm",
    "convert -size 6x4 plasma:fractal -seed 1 $t/p.ppm 2>/dev/null || cp $t/rgb.ppm $t/p.ppm",
    # TIFF: byte orders, RGB, RGBA, palette, 4-bit, several strips and directories.
    "convert $t/rgb.ppm -compress none -endian LSB tiff/rgb_le.tif",
    "convert $t/rgb.ppm -compress none -endian MSB tiff/rgb_be.tif",
    "convert $t/rgb.ppm -alpha set -channel A -evaluate set 50% -compress none tiff/rgba.tif",
    "convert $t/rgb.ppm -colors 16 -type palette -depth 4 -compress none tiff/pal4.tif",
    "convert $t/rgb.ppm -colors 200 -type palette -compress none tiff/pal8.tif",
    "convert $t/rgb.ppm -colors 2 -type palette -depth 1 -compress none tiff/pal1.tif",
    "tiffcp -c none -r 1 tiff/rgb_le.tif tiff/strips.tif",
    "tiffcp -c none tiff/rgb_le.tif tiff/pal4.tif tiff/twodirs.tif",
    "convert $t/rgb.ppm -colorspace CMYK -compress none tiff/cmyk.tif",
    # Portable maps: the binary variants and a plain one from netpbm.
    "pnmtoplainpnm $t/rgb.ppm >ppm/p3b.ppm",
    "ppmtopgm $t/rgb.ppm >ppm/p5.pgm",
    "ppmtopgm $t/rgb.ppm | pgmtopbm >ppm/p4.pbm",
    "cp $t/rgb.ppm ppm/p6.ppm",
    # JPEG: grey, colour, progressive, restart markers, arithmetic coding.
    "cjpeg -quality 90 $t/rgb.ppm >jpeg/rgb.jpg",
    "cjpeg -grayscale $t/rgb.ppm >jpeg/grey.jpg",
    "cjpeg -progressive $t/p.ppm >jpeg/prog.jpg",
    "cjpeg -restart 1 -sample 1x1 $t/p.ppm >jpeg/restart.jpg",
    "cjpeg -arithmetic $t/rgb.ppm >jpeg/arith.jpg",
    # PNG: every colour type and depth, interlaced, tRNS.
    IM + " -seed 5 -size 9x7 plasma:fractal -depth 8 $t/s.ppm",
    IM + " $t/s.ppm -colorspace gray -type bilevel PNG:png/g1.png",
    IM + " $t/s.ppm -colorspace gray -type bilevel -interlace PNG PNG:png/g1i.png",
    IM + " $t/s.ppm -colorspace gray -depth 2 PNG:png/g2.png",
    IM + " $t/s.ppm -colorspace gray -depth 4 PNG:png/g4.png",
    IM + " $t/s.ppm -colorspace gray -depth 8 PNG:png/g8.png",
    IM + " $t/s.ppm -colorspace gray -depth 16 PNG:png/g16.png",
    IM + " $t/s.ppm -colorspace gray " + A + " -depth 8 -define png:color-type=4 PNG:png/ga8.png",
    IM + " $t/s.ppm -colorspace gray " + A + " -depth 16 -define png:color-type=4 PNG:png/ga16.png",
    IM + " $t/s.ppm PNG24:png/rgb8.png",
    IM + " $t/s.ppm -interlace PNG PNG24:png/rgb8i.png",
    IM + " $t/s.ppm -depth 16 PNG48:png/rgb16.png",
    IM + " $t/s.ppm " + A32 + " PNG32:png/rgba8.png",
    IM + " $t/s.ppm " + A32 + " -depth 16 PNG64:png/rgba16.png",
    IM + " $t/s.ppm -colors 2 -define png:bit-depth=1 PNG8:png/p1.png",
    IM + " $t/s.ppm -colors 4 -define png:bit-depth=2 PNG8:png/p2.png",
    IM + " $t/s.ppm -colors 4 -define png:bit-depth=2 -interlace PNG PNG8:png/p2i.png",
    IM + " $t/s.ppm -colors 16 -define png:bit-depth=4 PNG8:png/p4.png",
    IM + " $t/s.ppm -colors 40 PNG8:png/p8.png",
    IM + " $t/s.ppm -colors 16 -alpha set -channel A -fx 'i>4?1:0' +channel PNG8:png/p8trns.png",
    "pnmtopng -force -transparent =rgb:ff/ff/ff $t/s.ppm >png/rgbtrns.png 2>/dev/null",
    "ppmtopgm $t/s.ppm | pnmtopng -transparent =gray50 >png/gtrns.png 2>/dev/null",
    # BMP with 108- and 124-byte headers, and an icon with a PNG entry.
    IM + " $t/s.ppm -resize 8x8! " + A + " PNG32:$t/e.png",
    IM + " $t/e.png ico/png.ico",
    IM + " $t/s.ppm BMP:bmp/v5_24.bmp",
    IM + " $t/s.ppm -colorspace gray BMP:bmp/v4_grey.bmp",
    IM + " $t/s.ppm " + A + " BMP:bmp/v5_32a.bmp",
    IM + " $t/s.ppm " + A + " -define bmp:subtype=ARGB4444 BMP:bmp/v5_4444.bmp",
]
# Tool-made seeds that the whole-file dispatch target starts from as well.
TOOL_SEEDS_BMFILE = ["bmp/v5_32a.bmp", "bmp/topdown.bmp", "png/p4.png", "ico/png.ico"]


def top_down(bmp_file):
    """The same 32-bit BMP with its rows stored top row first."""
    d = bytearray(bmp_file)
    off, = struct.unpack_from("<I", d, 10)
    w, h = struct.unpack_from("<ii", d, 18)
    row = w * 4
    rows = [bytes(d[off + r * row:off + (r + 1) * row]) for r in range(h)]
    d[off:off + h * row] = b"".join(reversed(rows))
    struct.pack_into("<i", d, 22, -h)
    return bytes(d)


def tool_seeds():
    missing = [t for t in TOOLS if not shutil.which(t)]
    if missing:
        print("fuzzseeds: %s missing, the seeds made by tools are left as they are" %
              " ".join(missing), file=sys.stderr)
        return
    corpus = os.path.join(ROOT, "fuzz", "corpus")
    for d in ("tiff", "ppm", "jpeg", "png", "bmp", "ico", "bmfile"):
        os.makedirs(os.path.join(corpus, d), exist_ok=True)
    with tempfile.TemporaryDirectory() as t:
        env = dict(os.environ, t=t)
        for cmd in TOOL_SEEDS:
            subprocess.run(cmd, shell=True, check=True, cwd=corpus, env=env)
    with open(os.path.join(corpus, "bmp", "v5_32a.bmp"), "rb") as f:
        flipped = top_down(f.read())
    with open(os.path.join(corpus, "bmp", "topdown.bmp"), "wb") as f:
        f.write(flipped)
    for name in TOOL_SEEDS_BMFILE:
        shutil.copyfile(os.path.join(corpus, name),
                        os.path.join(corpus, "bmfile", os.path.basename(name)))


def main():
    for target, items in seeds().items():
        write_all(os.path.join("corpus", target), items)
    write_all("refused", refused())
    tool_seeds()
    return 0


if __name__ == "__main__":
    sys.exit(main())
