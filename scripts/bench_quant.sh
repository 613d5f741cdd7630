#!/usr/bin/env bash
# Quantiser against ImageMagick on the same photo-like pictures, in one run:
# ours (bench/quant_bench: colour map only, nearest mapping, error diffusion)
# and `convert +dither -colors 256` / `convert -dither FloydSteinberg -colors 256`.
#
#   scripts/bench_quant.sh [build-dir]     (default: build)
#
# The machine is shared: compare CPU times (ours: the "CPU" column; convert:
# "user+sys") as well as wall times, all taken in this one run.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

command -v convert >/dev/null || { echo "bench_quant: ImageMagick convert is needed" >&2; exit 1; }
if [ ! -x "$build/quant_bench" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" --target quant_bench -j2 >/dev/null
fi

for size in 1024 4096; do
  convert -size ${size}x${size} -seed 42 plasma:fractal -depth 8 "$work/plasma$size.ppm"
done

echo "== ours"
"$build/quant_bench" "$work/plasma1024.ppm" "$work/plasma4096.ppm"

echo "== ImageMagick (4096x4096 to 256 colours)"
for mode in "+dither" "-dither FloydSteinberg"; do
  # shellcheck disable=SC2086
  /usr/bin/time -f "convert $mode: %e s wall, %U s user + %S s sys" \
    convert "$work/plasma4096.ppm" $mode -colors 256 "$work/out.ppm"
done
