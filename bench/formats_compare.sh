#!/bin/sh
# Whole-process comparison of tdeconv with ImageMagick (/usr/bin/convert),
# netpbm and libjpeg-turbo's cjpeg/djpeg doing the same conversion on the
# same files, and of lzEncode with gzip -1 on the same bytes.
#   [SIZES="2048 4096"] [SECTIONS="bmp tiff ppm jpeg png lz"] [WORK=/dev/shm] [BEFORE=tdeconv]
#   bench/formats_compare.sh BUILD_DIR [RUNS]
# The programs of one row run alternately, RUNS (5) times each; each gets its
# median wall time and median CPU time (user + system of all its processes)
# and both as a ratio to tdeconv's (above 1: tdeconv is faster). All files,
# inputs and outputs, live in one directory under WORK (tmpfs by default; set
# WORK=/tmp for the disk). tdeconv syncs its output before renaming it into
# place; the other tools do not sync.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?build directory}" && pwd)
runs=${2:-5}
tdeconv=$build/tdeconv
im=/usr/bin/convert  # ImageMagick itself, not a wrapper earlier in PATH
sections=${SECTIONS:-bmp tiff ppm jpeg png lz}
work=$(mktemp -d "${WORK:-/dev/shm}/tdecompare.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

# BEFORE=/path/to/an/older/tdeconv adds that build to every tdeconv row.
race() {
  case "$1" in
    "$tdeconv "*) if [ -n "${BEFORE:-}" ]; then
      python3 "$root/bench/race.py" "$runs" "$@" "$BEFORE ${1#"$tdeconv "}"
      return
    fi ;;
  esac
  python3 "$root/bench/race.py" "$runs" "$@"
}
has() { case " $sections " in *" $1 "*) return 0 ;; esac; return 1; }

for n in ${SIZES-2048 4096}; do
  echo "#### ${n} x ${n} (files in $work)"
  $im -size ${n}x$n plasma:fractal -seed 3 -depth 8 src.ppm
  if has bmp; then
    ppmtobmp -bpp=24 src.ppm > d.bmp 2>/dev/null
    $im src.ppm +dither -colors 200 ppm:- | ppmtobmp -bpp=8 > i.bmp 2>/dev/null
    $im i.bmp -compress RLE BMP3:r.bmp
    for f in d.bmp i.bmp r.bmp; do
      case $f in d.bmp) what="24-bit" ;; i.bmp) what="8-bit" ;; *) what="RLE8" ;; esac
      echo "== $what BMP ($(stat -c %s $f) bytes) -> BMP"
      race "$tdeconv $f o.bmp" "$im $f BMP3:c.bmp" "bmptopnm $f | ppmtobmp > n.bmp"
    done
  fi
  if has tiff; then
    pnmtotiff src.ppm > src.tif 2>/dev/null
    echo "== TIFF -> plain PPM"
    race "$tdeconv src.tif o.ppm" "$im src.tif -compress none c.ppm" \
      "tifftopnm src.tif | pnmtoplainpnm > n.ppm"
    echo "== raw PPM -> TIFF"
    race "$tdeconv src.ppm o.tif" "$im src.ppm -compress none c.tif" "pnmtotiff src.ppm > n.tif"
  fi
  if has ppm; then
    echo "== raw PPM -> plain PPM"
    race "$tdeconv src.ppm o.ppm" "$im src.ppm -compress none c.ppm" "pnmtoplainpnm src.ppm > n.ppm"
  fi
  if has jpeg; then
    cjpeg src.ppm > src.jpg
    echo "== raw PPM -> JPEG (default quality)"
    race "$tdeconv src.ppm o.jpg" "cjpeg src.ppm > j.jpg" "$im src.ppm c.jpg"
    cmp -s o.jpg j.jpg && echo "   tdeconv's JPEG is byte for byte cjpeg's" ||
      echo "   tdeconv's JPEG differs from cjpeg's"
    if has tiff; then
      echo "== TIFF (netpbm's, RGB) -> JPEG"
      race "$tdeconv src.tif o.jpg" "tifftopnm src.tif | cjpeg > j.jpg"
    fi
    echo "== JPEG -> BMP"
    race "$tdeconv src.jpg o.bmp" "djpeg -bmp src.jpg > j.bmp" "$im src.jpg BMP3:c.bmp"
  fi
  if has png; then
    # The photo-like plasma (24-bit BMP) and flat pixel art: blocks of 64 x 64
    # pixels in 16 colours (a 4-bit BMP). The PNG inputs are convert's own
    # default output for each.
    $im -seed 5 -size $((n / 64))x$((n / 64)) plasma:fractal +dither -colors 16 -scale 6400% art.ppm
    ppmtobmp -bpp=24 src.ppm > photo.bmp 2>/dev/null
    ppmtobmp art.ppm > art.bmp 2>/dev/null
    for what in photo art; do
      $im $what.bmp $what.png
      echo "== $what BMP ($(stat -c %s $what.bmp) bytes) -> PNG"
      race "$tdeconv $what.bmp o.png" "$im $what.bmp c.png"
      o=$(stat -c %s o.png) c=$(stat -c %s c.png)
      echo "   PNG bytes: tdeconv $o, convert $c ($(awk "BEGIN{printf \"%+.2f\", ($o / $c - 1) * 100}") %)"
      echo "== $what PNG ($(stat -c %s $what.png) bytes, convert's) -> BMP"
      race "$tdeconv $what.png o.bmp" "$im $what.png c.bmp"
    done
  fi
  rm -f ./*.bmp ./*.ppm ./*.tif ./*.jpg ./*.png
done

if has lz; then
  echo "#### lzEncode (in process, CPU time) against gzip -1 (whole process) on the same bytes"
  mkdir -p dump
  TDE_BENCH_DUMP=$work/dump "$build/bmp_pxa_bench" --benchmark_filter=BM_LzEncodeKind \
    --benchmark_min_time=1 2>/dev/null | grep BM_LzEncodeKind
  for f in dump/*.raw; do
    echo "== gzip -1 $(basename "$f") ($(stat -c %s "$f") bytes, packs to $(gzip -1 -c "$f" | wc -c))"
    race "gzip -1 -c $f > out.gz"
  done
fi
