#!/usr/bin/env bash
# Command-line errors: the usage text on standard output (Shift-JIS), exit
# code 1 and no window.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# expect_usage FIRSTLINE : checks the usage text, after FIRSTLINE when given.
expect_usage() {
  local out expected
  out="$(sjis_stdout)" || fail "standard output is not Shift-JIS"
  # The program name is the first element of the argument vector.
  out="$(printf '%s\n' "$out" | sed 's/^使用法:.*tde\.exe /使用法:tde.exe /')"
  expected="$(printf '%s\n\n霧の谷グラフィックエディタ Ver1.02 by 霧の谷工房\n\n使用法:tde.exe <ファイル>...' "$1")"
  if [ -z "$1" ]; then
    expected="${expected#$'\n'}"
  fi
  if [ "$out" != "$expected" ]; then
    printf 'got:\n%s\nexpected:\n%s\n' "$out" "$expected" >&2
    fail "usage text differs"
  fi
}

# run_expect_failure ARG... : runs the program and checks exit code 1.
run_expect_failure() {
  tde_start "$@"
  tde_wait_exit
  [ "$TDE_RC" -eq 1 ] || fail "exit code $TDE_RC for arguments: $*"
}

echo "unknown option"
run_expect_failure -x
expect_usage "オプションエラー:-x"

echo "the error shows the rest of the command line"
run_expect_failure a.bmp -x "b c.bmp"
expect_usage 'オプションエラー:-x "b c.bmp"'

echo "a plus sign is an option too"
run_expect_failure +v
expect_usage "オプションエラー:+v"

echo "a pattern that matches nothing"
run_expect_failure 'nothing*.bmp'
expect_usage ""

echo "a directory is not a file"
mkdir "$WORKDIR/pictures"
run_expect_failure pictures
expect_usage ""
echo "ok"
