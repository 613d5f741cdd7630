#!/bin/sh
# Whole-process comparison of tdeconv with ImageMagick (convert) and netpbm on
# the same files, and of lzEncode with gzip -1 on the same bytes.
#   [SIZES="2048 4096"] [KINDS="d i"] bench/formats_compare.sh BUILD_DIR [RUNS]
# (KINDS: d = 24-bit BMP, i = 8-bit BMP; pnmquant takes minutes at 4096 x 4096)
# The programs run alternately, RUNS (5) times each; the median wall time of
# each is reported with the ratio other / tdeconv (above 1: tdeconv is faster).
set -eu
build=$(cd "${1:?build directory}" && pwd)
runs=${2:-5}
tdeconv=$build/tdeconv
work=$(mktemp -d /tmp/tdecompare.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Median wall time (seconds) of alternating runs of the given commands.
race() {
  python3 - "$runs" "$@" <<'PY'
import statistics, subprocess, sys, time
runs = int(sys.argv[1]); cmds = sys.argv[2:]
times = [[] for _ in cmds]
for _ in range(runs):
    for i, c in enumerate(cmds):
        t = time.perf_counter()
        subprocess.run(c, shell=True, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        times[i].append(time.perf_counter() - t)
med = [statistics.median(t) for t in times]
for c, m in zip(cmds, med):
    print("  %8.1f ms  x%5.2f  %s" % (m * 1000, m / med[0], c))
PY
}

for n in ${SIZES-2048 4096}; do
  convert -size ${n}x$n plasma:fractal -seed 3 -depth 8 src$n.ppm
  ppmtobmp -bpp=24 src$n.ppm > d$n.bmp 2>/dev/null
  case ${KINDS:-d i} in
    *i*) pnmquant 256 src$n.ppm 2>/dev/null | ppmtobmp -bpp=8 > i$n.bmp 2>/dev/null ;;
  esac
  for kind in ${KINDS:-d i}; do
    f=$kind$n.bmp
    echo "== $f ($(stat -c %s $f) bytes): read a BMP, write a BMP"
    race "$tdeconv $f out_t.bmp" "convert $f BMP3:out_c.bmp" "bmptopnm $f | ppmtobmp > out_n.bmp"
    echo "== $f: read a BMP, write the native file / a PNG (compressed output)"
    race "$tdeconv $f out_t.pxa" "convert $f -quality 10 out_c.png" "bmptopnm $f | pnmtopng -compression 1 > out_n.png"
    echo "   sizes: pxa $(stat -c %s out_t.pxa)  png(convert) $(stat -c %s out_c.png)  png(netpbm) $(stat -c %s out_n.png)"
  done
done

echo "== lzEncode against gzip -1 on the native pixel streams"
mkdir -p dump
TDE_BENCH_DUMP=$work/dump "$build/formats_bench" --benchmark_filter=BM_LzEncode \
  --benchmark_min_time=0.5 2>/dev/null | grep BM_LzEncode
for f in dump/*.raw; do
  size=$(stat -c %s "$f")
  python3 - "$f" "$size" "$runs" <<'PY'
import statistics, subprocess, sys, time
f, size, runs = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
ts = []
for _ in range(runs):
    t = time.perf_counter()
    out = subprocess.run(["gzip", "-1", "-c", f], stdout=subprocess.PIPE, check=True).stdout
    ts.append(time.perf_counter() - t)
m = statistics.median(ts)
print("  gzip -1 %-22s %7.1f MB/s  ratio %.4f" % (f.split("/")[-1], size / m / 1e6, len(out) / size))
PY
done
