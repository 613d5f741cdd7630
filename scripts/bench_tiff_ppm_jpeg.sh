#!/bin/sh
# TIFF, PPM and JPEG rows of bench/formats_compare.sh (tdeconv against
# ImageMagick, netpbm and cjpeg/djpeg, alternating, wall and CPU time).
#   scripts/bench_tiff_ppm_jpeg.sh [BUILD_DIR] [RUNS]     (default build/, needs tdeconv)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
bdir=${1:-$root/build}
[ -x "$bdir/tdeconv" ] || { echo "build tdeconv first: cmake --build $bdir --target tdeconv" >&2; exit 2; }
SECTIONS=${SECTIONS:-tiff ppm jpeg} exec sh "$root/bench/formats_compare.sh" "$bdir" "${2:-5}"
