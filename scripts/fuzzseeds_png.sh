#!/bin/sh
# Writes the seeds of the PNG fuzz target (fuzz/corpus/png: every colour type
# and depth, interlaced, tRNS) with ImageMagick and netpbm, and the seeds of
# the newer BMP and icon variants: BMP with 124- and 108-byte headers, a
# top-down BMP (fuzz/corpus/bmp) and an icon with a PNG entry (fuzz/corpus/ico).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
c=$root/fuzz/corpus
# No date or time chunks: the seeds come out the same every time.
im="/usr/bin/convert -define png:exclude-chunk=date,time"
mkdir -p "$c/png" "$c/bmp" "$c/ico" "$c/bmfile"
t=$(mktemp -d)
trap 'rm -rf "$t"' EXIT
$im -seed 5 -size 9x7 plasma:fractal -depth 8 "$t/s.ppm"
s=$t/s.ppm
a="-alpha set -channel A -fx i/w +channel"
cd "$c/png"
$im $s -colorspace gray -type bilevel PNG:g1.png
$im $s -colorspace gray -type bilevel -interlace PNG PNG:g1i.png
$im $s -colorspace gray -depth 2 PNG:g2.png
$im $s -colorspace gray -depth 4 PNG:g4.png
$im $s -colorspace gray -depth 8 PNG:g8.png
$im $s -colorspace gray -depth 16 PNG:g16.png
$im $s -colorspace gray $a -depth 8 -define png:color-type=4 PNG:ga8.png
$im $s -colorspace gray $a -depth 16 -define png:color-type=4 PNG:ga16.png
$im $s PNG24:rgb8.png
$im $s -interlace PNG PNG24:rgb8i.png
$im $s -depth 16 PNG48:rgb16.png
$im $s -alpha set -channel A -fx j/h +channel PNG32:rgba8.png
$im $s -alpha set -channel A -fx j/h +channel -depth 16 PNG64:rgba16.png
$im $s -colors 2 -define png:bit-depth=1 PNG8:p1.png
$im $s -colors 4 -define png:bit-depth=2 PNG8:p2.png
$im $s -colors 4 -define png:bit-depth=2 -interlace PNG PNG8:p2i.png
$im $s -colors 16 -define png:bit-depth=4 PNG8:p4.png
$im $s -colors 40 PNG8:p8.png
$im $s -colors 16 -alpha set -channel A -fx 'i>4?1:0' +channel PNG8:p8trns.png
pnmtopng -force -transparent =rgb:ff/ff/ff $s > rgbtrns.png 2>/dev/null
ppmtopgm $s | pnmtopng -transparent =gray50 > gtrns.png 2>/dev/null

$im $s -resize 8x8! $a PNG32:"$t/e.png"
$im "$t/e.png" "$c/ico/png.ico"
$im $s BMP:"$c/bmp/v5_24.bmp"
$im $s -colorspace gray BMP:"$c/bmp/v4_grey.bmp"
$im $s $a BMP:"$c/bmp/v5_32a.bmp"
$im $s $a -define bmp:subtype=ARGB4444 BMP:"$c/bmp/v5_4444.bmp"
# The same 32-bit picture with its rows stored top row first.
python3 - "$c/bmp/v5_32a.bmp" "$c/bmp/topdown.bmp" <<'PY'
import struct, sys
d = bytearray(open(sys.argv[1], "rb").read())
off, = struct.unpack_from("<I", d, 10)
w, h = struct.unpack_from("<ii", d, 18)
row = w * 4
rows = [bytes(d[off + r * row:off + (r + 1) * row]) for r in range(h)]
d[off:off + h * row] = b"".join(reversed(rows))
struct.pack_into("<i", d, 22, -h)
open(sys.argv[2], "wb").write(d)
PY
cp "$c/bmp/v5_32a.bmp" "$c/bmp/topdown.bmp" "$c/png/p4.png" "$c/ico/png.ico" "$c/bmfile/"
