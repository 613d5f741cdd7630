#!/bin/sh
# Fuzzing of the image readers with libFuzzer (clang).
#   scripts/fuzz.sh build                 build all targets into build-fuzz/
#   scripts/fuzz.sh run TARGET [ARGS...]  fuzz one target (libFuzzer options
#                                         such as -runs=10000000 or -max_total_time=60)
#   scripts/fuzz.sh smoke [RUNS]          build, then run every target RUNS (20000) inputs from
#                                         its seeds with a fixed seed: the same inputs every time,
#                                         so a clean smoke run here is a clean one in CI
# Targets: nif lz pxa bmp ico bmfile tiff ppm jpeg sbf png. Seeds and dictionaries are in fuzz/;
# the growing corpus lives in build-fuzz/corpus/TARGET; crash files land in
# fuzz/crashers/TARGET/ (commit them: the replay test runs them forever).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
bdir=${TDE_FUZZ_BUILD:-$root/build-fuzz}
targets="nif lz pxa bmp ico bmfile tiff ppm jpeg sbf png"

build() {
  if [ ! -f "$bdir/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S "$root/fuzz" -B "$bdir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  fi
  cmake --build "$bdir" -j2 >/dev/null
}

run() {
  t=$1
  shift
  corpus=${TDE_FUZZ_CORPUS:-$bdir/corpus}
  mkdir -p "$corpus/$t" "$root/fuzz/crashers/$t"
  dict=""
  [ -f "$root/fuzz/dict/$t.dict" ] && dict="-dict=$root/fuzz/dict/$t.dict"
  # -close_fd_mask=1: the readers' diagnostics on stdout would only slow things down.
  "$bdir/fuzz_$t" $dict -close_fd_mask=1 -max_len=${TDE_FUZZ_MAXLEN:-8192} -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix="$root/fuzz/crashers/$t/" "$@" "$corpus/$t" "$root/fuzz/corpus/$t"
}

case ${1:-} in
  build) build ;;
  run)
    shift
    build
    run "$@"
    ;;
  smoke)
    runs=${2:-20000}
    build
    status=0
    TDE_FUZZ_CORPUS="$bdir/smoke-corpus"
    rm -rf "$TDE_FUZZ_CORPUS"
    export TDE_FUZZ_CORPUS
    for t in $targets; do
      echo "== fuzz_$t ($runs inputs)"
      if ! run "$t" -seed=1 -runs="$runs" -print_final_stats=1 >"$bdir/smoke_$t.log" 2>&1; then
        grep -E "ERROR|SUMMARY|artifact" "$bdir/smoke_$t.log" >&2 || true
        echo "fuzz_$t found a fault: see fuzz/crashers/$t" >&2
        status=1
      fi
      grep -E "stat::number_of_executed_units" "$bdir/smoke_$t.log" || true
    done
    exit $status
    ;;
  *)
    sed -n '2,9p' "$0"
    exit 2
    ;;
esac
