#!/usr/bin/env bash
# tdeconv's batch form over a folder with damaged files: every good file is
# converted, every bad one is named with its reason, the exit code is 1 and
# nothing half-written is left; also its refusals and usage errors.
#   batch_test.sh TDECONV
set -euo pipefail
conv="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
export LC_ALL=C.UTF-8
fails=0
fail() {
  echo "FAIL: $*" >&2
  fails=$((fails + 1))
}

# expect CODE CMD... : runs tdeconv, keeps its stderr in err.txt.
expect() {
  local want=$1 rc=0
  shift
  "$conv" "$@" >out.txt 2>err.txt || rc=$?
  [ "$rc" -eq "$want" ] || fail "exit $rc, not $want: tdeconv $* ($(cat err.txt))"
}

mkdir in
printf 'P3 2 1 255\n255 0 0 0 128 255\n' >in/rgb.ppm
printf 'P2 3 2 15\n0 7 15 1 2 3\n' >in/grey.pgm
printf 'P1 3 1 0 1 0\n' >in/bits.pbm
"$conv" in/rgb.ppm in/rgb24.bmp
"$conv" in/grey.pgm in/g.pxa
mv in/g.pxa "in/日本語.pxa"
# Damaged: a cut grey map, a BMP header without its picture, an empty file.
printf 'P2 3 3 255\n1 2' >in/cut.pgm
head -c 20 in/rgb24.bmp >in/short.bmp
: >in/empty.png
good="rgb.ppm grey.pgm bits.pbm rgb24.bmp 日本語.pxa"
bad="cut.pgm short.bmp empty.png"

expect 1 -t png -d out/new in/*
for f in $good; do
  o="out/new/${f%.*}.png"
  [ -f "$o" ] || { fail "$f: no $o"; continue; }
  # Each output holds what its input holds (size and kind of pixels).
  [ "$("$conv" -i "$o" | cut -d' ' -f1-3)" = "$("$conv" -i "in/$f" | cut -d' ' -f1-3)" ] ||
    fail "$o differs from in/$f"
done
for f in $bad; do
  [ ! -e "out/new/${f%.*}.png" ] || fail "$f: an output for a damaged file"
  grep -q "in/$f" err.txt || fail "$f not named: $(cat err.txt)"
done
grep -q "読み込めません" err.txt || fail "no reason given: $(cat err.txt)"
grep -q "8 個のうち 3 個を変換できませんでした" err.txt || fail "no summary: $(cat err.txt)"
[ "$(ls out/new | wc -l)" -eq 5 ] || fail "stray files: $(ls out/new)"
[ ! -s out.txt ] || fail "messages on standard output"

# All good: exit 0, outputs beside the inputs without -d, nothing said.
mkdir two
cp in/rgb.ppm in/grey.pgm two/
expect 0 -t TIF two/rgb.ppm two/grey.pgm
[ -f two/rgb.tif ] && [ -f two/grey.tif ] || fail "no outputs beside the inputs"
[ ! -s err.txt ] || fail "messages after a clean batch: $(cat err.txt)"

# Never over an input, never two inputs into one output.
cp in/rgb.ppm keep.ppm
expect 1 -t ppm -d . keep.ppm
cmp -s keep.ppm in/rgb.ppm || fail "an input was overwritten"
grep -q "上書きしません:./keep.ppm" err.txt || fail "overwrite not refused: $(cat err.txt)"
mkdir dup
cp in/grey.pgm dup/rgb.pgm
expect 1 -t bmp -d same in/rgb.ppm dup/rgb.pgm
[ "$(ls same)" = "rgb.bmp" ] || fail "duplicate names: $(ls same)"
grep -q "same/rgb.bmp" err.txt || fail "duplicate not named: $(cat err.txt)"

# A file in the place of the folder.
: >notdir
expect 1 -t png -d notdir/sub in/rgb.ppm
grep -q "notdir/sub" err.txt || fail "folder failure not named"

# Usage errors: exit 2, nothing written.
expect 2 -t xyz -d u in/rgb.ppm
expect 2 -t png -d u
expect 2 --bogus
expect 2
[ ! -e u ] || fail "a usage error wrote something"
expect 0 --help
grep -q "終了コード" out.txt && grep -q " png" out.txt || fail "help without exit codes or formats"
expect 0 --version
grep -q "^tdeconv (霧の谷グラフィックエディタ) Ver1.02$" out.txt || fail "version: $(cat out.txt)"

# Messages follow the terminal's encoding: Shift-JIS bytes in the C locale.
LC_ALL=C "$conv" -t png -d out in/cut.pgm 2>err.txt && fail "damaged file converted"
iconv -f CP932 -t UTF-8 err.txt | grep -q "読み込めません" || fail "C locale: not Shift-JIS"

[ "$fails" -eq 0 ] || exit 1
echo ok
