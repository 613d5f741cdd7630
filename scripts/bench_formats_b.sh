#!/bin/sh
# Whole-process comparison of tdeconv with the usual Debian tools on TIFF,
# PPM and JPEG at 2048x2048 and 4096x4096 (best of 3 wall-clock runs, ms).
#   scripts/bench_formats_b.sh [BUILD_DIR]     (default build/, needs tdeconv)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
bdir=${1:-$root/build}
conv=$bdir/tdeconv
[ -x "$conv" ] || { echo "build tdeconv first: cmake --build $bdir --target tdeconv" >&2; exit 2; }
t=$(mktemp -d)
trap 'rm -rf "$t"' EXIT

best() {  # best of 3 runs of a shell command, in ms
  b=""
  for _ in 1 2 3; do
    s=$(date +%s%N)
    sh -c "$1" >/dev/null 2>&1
    e=$(( ($(date +%s%N) - s) / 1000000 ))
    if [ -z "$b" ] || [ "$e" -lt "$b" ]; then b=$e; fi
  done
  echo "$b"
}

row() {  # label, ours, theirs label, theirs
  a=$(best "$2")
  b=$(best "$4")
  printf '%-34s %7s ms   %-26s %7s ms   ratio %s\n' "$1" "$a" "$3" "$b" \
    "$(awk "BEGIN { printf \"%.2f\", $a / ($b > 0 ? $b : 1) }")"
}

for n in 2048 4096; do
  echo "== ${n}x${n}"
  convert -size "${n}x${n}" gradient:red-blue -attenuate 0.3 +noise Uniform -depth 8 "$t/src.ppm"
  pnmtotiff "$t/src.ppm" >"$t/src.tif" 2>/dev/null
  cjpeg "$t/src.ppm" >"$t/src.jpg"
  "$conv" "$t/src.ppm" "$t/ours.tif"
  row "tif -> plain ppm (tdeconv)" "$conv $t/src.tif $t/o.ppm" \
    "tifftopnm | pnmtoplainpnm" "tifftopnm $t/src.tif | pnmtoplainpnm > $t/r.ppm"
  row "our tif -> plain ppm (tdeconv)" "$conv $t/ours.tif $t/o.ppm" \
    "convert" "convert $t/ours.tif -compress none $t/r.ppm"
  row "raw ppm -> tif (tdeconv)" "$conv $t/src.ppm $t/o.tif" \
    "pnmtotiff" "pnmtotiff $t/src.ppm > $t/r.tif"
  row "raw ppm -> tif (tdeconv)" "$conv $t/src.ppm $t/o.tif" \
    "convert" "convert $t/src.ppm -compress none $t/r.tif"
  row "jpg -> tif (tdeconv)" "$conv $t/src.jpg $t/o.tif" \
    "djpeg -pnm" "djpeg -pnm $t/src.jpg > $t/r.ppm"
  row "tif -> jpg (tdeconv)" "$conv $t/ours.tif $t/o.jpg" \
    "cjpeg (from ppm)" "cjpeg $t/src.ppm > $t/r.jpg"
  row "tif -> jpg (tdeconv)" "$conv $t/ours.tif $t/o.jpg" \
    "convert" "convert $t/src.tif $t/r.jpg"
done
