#!/bin/sh
# Writes the seed corpora of the TIFF, PPM, JPEG and SBF fuzz targets into
# fuzz/corpus/{tiff,ppm,jpeg,sbf}/ with independent tools (ImageMagick,
# netpbm, libtiff-tools, libjpeg-turbo-progs) plus hand-made SBF containers.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
c=$root/fuzz/corpus
mkdir -p "$c/tiff" "$c/ppm" "$c/jpeg" "$c/sbf"
t=$(mktemp -d)
trap 'rm -rf "$t"' EXIT

convert -size 7x5 gradient:red-blue "$t/rgb.ppm"
convert -size 6x4 plasma:fractal -seed 1 "$t/p.ppm" 2>/dev/null || cp "$t/rgb.ppm" "$t/p.ppm"

# TIFF: byte orders, RGB, RGBA, palette, 4-bit, several strips and directories.
convert "$t/rgb.ppm" -compress none -endian LSB "$c/tiff/rgb_le.tif"
convert "$t/rgb.ppm" -compress none -endian MSB "$c/tiff/rgb_be.tif"
convert "$t/rgb.ppm" -alpha set -channel A -evaluate set 50% -compress none "$c/tiff/rgba.tif"
convert "$t/rgb.ppm" -colors 16 -type palette -depth 4 -compress none "$c/tiff/pal4.tif"
convert "$t/rgb.ppm" -colors 200 -type palette -compress none "$c/tiff/pal8.tif"
convert "$t/rgb.ppm" -colors 2 -type palette -depth 1 -compress none "$c/tiff/pal1.tif"
tiffcp -c none -r 1 "$c/tiff/rgb_le.tif" "$c/tiff/strips.tif"
tiffcp -c none "$c/tiff/rgb_le.tif" "$c/tiff/pal4.tif" "$c/tiff/twodirs.tif"
convert "$t/rgb.ppm" -colorspace CMYK -compress none "$c/tiff/cmyk.tif"

# PPM: all six variants, with comments.
printf 'P1\n# bits\n3 2\n0 1 0\n1 0 1\n' >"$c/ppm/p1.pbm"
printf 'P1\n5 2\n01101\n1#c\n0010\n' >"$c/ppm/p1tight.pbm"
printf 'P2\n3 2\n# grey\n15\n0 7 15\n1 2 3\n' >"$c/ppm/p2.pgm"
printf 'P3 2 1 255\n255 0 0 0 128 255\n' >"$c/ppm/p3.ppm"
pnmtoplainpnm "$t/rgb.ppm" >"$c/ppm/p3b.ppm"
ppmtopgm "$t/rgb.ppm" >"$c/ppm/p5.pgm"
ppmtopgm "$t/rgb.ppm" | pgmtopbm >"$c/ppm/p4.pbm"
cp "$t/rgb.ppm" "$c/ppm/p6.ppm"

# JPEG: grey, colour, progressive, restart markers.
cjpeg -quality 90 "$t/rgb.ppm" >"$c/jpeg/rgb.jpg"
cjpeg -grayscale "$t/rgb.ppm" >"$c/jpeg/grey.jpg"
cjpeg -progressive "$t/p.ppm" >"$c/jpeg/prog.jpg"
cjpeg -restart 1 -sample 1x1 "$t/p.ppm" >"$c/jpeg/restart.jpg"
cjpeg -arithmetic "$t/rgb.ppm" >"$c/jpeg/arith.jpg"

# SBF: direct colour, 8-bit and 2-bit indexed.
python3 - "$c/sbf" <<'PY'
import struct, sys
def chunk(tag, body):
    return tag.ljust(4).encode()[::-1] + struct.pack("<I", len(body)) + body + b"\0" * (-len(body) % 4)
def sbf(ebit, w, h, cmap, data):
    cs = [chunk("type", b"sbf\0"), chunk("crtl", b"bm\0\0"), chunk("dver", struct.pack("<i", 1)),
          chunk("ebit", struct.pack("<i", ebit)), chunk("xw", struct.pack("<i", w)),
          chunk("yw", struct.pack("<i", h))]
    if cmap is not None: cs.append(chunk("cmap", cmap))
    cs.append(chunk("data", data))
    body = b"".join(cs)
    return b"ffiS" + struct.pack("<I", len(body)) + body
d = sys.argv[1]
open(d + "/rgba.sbf", "wb").write(sbf(0, 3, 2, None, bytes(range(24))))
open(d + "/idx8.sbf", "wb").write(sbf(8, 4, 2, bytes(range(16)), bytes([0, 1, 2, 3, 3, 2, 1, 0])))
open(d + "/idx2.sbf", "wb").write(sbf(2, 5, 3, bytes(range(16)), bytes([0x1B, 0x1B, 0x1B, 0x00])))
PY
