#!/bin/sh
# PNG rows of bench/formats_compare.sh: BMP -> PNG and PNG -> BMP with tdeconv
# against /usr/bin/convert on a photo-like plasma and on flat pixel art,
# alternating, wall and CPU time, with the sizes of both PNG files.
#   scripts/bench_png.sh [BUILD_DIR] [RUNS]     (default build/, needs tdeconv)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
bdir=${1:-$root/build}
[ -x "$bdir/tdeconv" ] || { echo "build tdeconv first: cmake --build $bdir --target tdeconv" >&2; exit 2; }
SIZES=${SIZES-4096} SECTIONS=png exec sh "$root/bench/formats_compare.sh" "$bdir" "${2:-5}"
