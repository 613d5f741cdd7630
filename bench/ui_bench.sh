#!/usr/bin/env bash
# Interaction latency, start-up time and peak memory of the editor, measured
# on the real program under a private Xvfb (see bench/ui_bench.py):
#
#   bench/ui_bench.sh [OPTIONS] [BUILD_DIR...]
#
# BUILD_DIR defaults to build/; with several, the builds run alternately in
# every round (e.g. an older build next to the current one). OPTIONS go to
# ui_bench.py: --runs N (3), --moves N (500), --interval MS (8),
# --only line,freehand,open,memory. Pictures and traces stay in
# $TDE_BENCH_WORK (default: a fresh directory under /tmp, removed afterwards).
# This is a benchmark for a person to run; it is not part of the tests.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/env.sh"

opts=()
builds=()
while [ $# -gt 0 ]; do
  case "$1" in
    --runs | --moves | --interval | --only)
      opts+=("$1" "$2")
      shift 2
      ;;
    *)
      builds+=("$(cd "$1" && pwd)")
      shift
      ;;
  esac
done
[ ${#builds[@]} -gt 0 ] || builds=("${TDE_BUILD_DIR:-$ROOT/build}")
launchers=()
for b in "${builds[@]}"; do
  [ -x "$b/wine/tde.exe" ] || { echo "ui_bench: no $b/wine/tde.exe (build it first)" >&2; exit 1; }
  launchers+=("$b/wine/tde.exe")
done
# The memory benchmark makes its pictures with the first build's converter.
tdeconv="${builds[0]}/tdeconv"

work="${TDE_BENCH_WORK:-}"
keep=1
if [ -z "$work" ]; then
  work="$(mktemp -d /tmp/tde-uibench.XXXXXX)"
  keep=0
fi
mkdir -p "$work"

# A private X server, large enough for a 1024 x 768 client and the tool menu.
numfile="$(mktemp)"
setsid Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$numfile" \
  </dev/null >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  kill "$xvfb" 2>/dev/null || true
  rm -f "$numfile"
  [ "$keep" = 1 ] || rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 100); do
  [ -s "$numfile" ] && break
  sleep 0.1
done
[ -s "$numfile" ] || { echo "ui_bench: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(tr -d '[:space:]' <"$numfile")"

# Every start finds the Wine server already up (it leaves by itself a minute
# after the last program).
wineserver -p60 2>/dev/null || true

python3 "$ROOT/bench/ui_bench.py" --work "$work" --tdeconv "$tdeconv" "${opts[@]}" \
  "${launchers[@]}"
