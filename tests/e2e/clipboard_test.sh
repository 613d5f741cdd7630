#!/usr/bin/env bash
# The clipboard with another X program (xclip) both ways: コピー of an indexed
# and of a transparent picture read as BMP and PNG while the editor runs;
# 貼り付け of a BMP and of a PNG offered from outside, each saved from its
# "クリップボード.pxa" window and compared; 貼り付け of text only opens nothing.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
TDECONV="${TDE_TDECONV:?TDE_TDECONV names the converter}"
EX=(python3 "$(dirname "${BASH_SOURCE[0]}")/exchange.py")
PASTED=クリップボード.pxa

XCLIP_PID=""
stop_xclip() {
  if [ -n "$XCLIP_PID" ]; then
    kill "$XCLIP_PID" 2>/dev/null || true
    wait "$XCLIP_PID" 2>/dev/null || true
    XCLIP_PID=""
  fi
}
trap 'stop_xclip; cleanup' EXIT

# offer TYPE FILE : another program offers the file on the clipboard until
# stop_xclip; TYPE "text" offers it as plain text only.
offer() {
  stop_xclip
  if [ "$1" = text ]; then
    xclip -quiet -selection clipboard -i "$2" >/dev/null 2>&1 &
  else
    xclip -quiet -selection clipboard -t "$1" -i "$2" >/dev/null 2>&1 &
  fi
  XCLIP_PID=$!
  sleep 0.5
}

# read_clip TYPE FILE : what the clipboard offers as TYPE.
read_clip() {
  local i
  for ((i = 0; i < 20; i++)); do
    xclip -selection clipboard -t "$1" -o >"$2" 2>/dev/null && [ -s "$2" ] && return 0
    sleep 0.3
  done
  fail "the clipboard offers no $1"
}

# paste_into ID NAME : 貼り付け in window ID; saves the new window's picture
# and converts it to NAME.png; closes the new window.
paste_into() {
  local pid
  menu "$1" Right Down Down Down Return
  pid="$(window_wait "$PASTED")"
  sleep 0.5
  stop_xclip
  rm -f "$WORKDIR/$PASTED"
  menu "$pid" Down Down Down Down Return
  wait_file "$WORKDIR/$PASTED"
  info="$("$TDECONV" -i "$WORKDIR/$PASTED")"
  case "$info" in
    *" 4 "*" 1") ;;
    *) fail "the pasted picture holds $info, not direct colour in the native format" ;;
  esac
  "$TDECONV" "$WORKDIR/$PASTED" "$WORKDIR/$2.png" >/dev/null || fail "pasted picture unreadable"
  window_key "$pid" Escape
  window_gone "$PASTED"
}

"${EX[@]}" indexed "$WORKDIR/indexed.bmp"
"${EX[@]}" rgba "$WORKDIR/alpha.png"
"${EX[@]}" rgb "$WORKDIR/ext.bmp"
"${EX[@]}" rgba "$WORKDIR/ext.png"

tde_start indexed.bmp alpha.png
idx="$(window_wait indexed.bmp)"
alpha="$(window_wait alpha.png)"
sleep 1

echo "コピー of an indexed picture: xclip reads it as BMP and PNG"
menu "$idx" Right Down Down Return
sleep 0.5
read_clip TARGETS "$WORKDIR/targets"
grep -qx image/bmp "$WORKDIR/targets" || fail "no image/bmp among $(tr '\n' ' ' <"$WORKDIR/targets")"
grep -qx image/png "$WORKDIR/targets" || fail "no image/png among $(tr '\n' ' ' <"$WORKDIR/targets")"
read_clip image/bmp "$WORKDIR/copy.bmp"
"${EX[@]}" same "$WORKDIR/indexed.bmp" "$WORKDIR/copy.bmp" rgb || fail "image/bmp differs"
read_clip image/png "$WORKDIR/copy.png"
"${EX[@]}" same "$WORKDIR/indexed.bmp" "$WORKDIR/copy.png" rgb || fail "image/png differs"

echo "コピー of a transparent picture: the PNG keeps the alpha, the BMP the colours"
menu "$alpha" Right Down Down Return
sleep 0.5
read_clip image/png "$WORKDIR/alphacopy.png"
"${EX[@]}" same "$WORKDIR/alpha.png" "$WORKDIR/alphacopy.png" || fail "image/png lost the alpha"
read_clip image/bmp "$WORKDIR/alphacopy.bmp"
"${EX[@]}" same "$WORKDIR/alpha.png" "$WORKDIR/alphacopy.bmp" rgb || fail "image/bmp differs"

echo "貼り付け of a BMP offered by xclip: opaque direct colour"
offer image/bmp "$WORKDIR/ext.bmp"
paste_into "$idx" pastedbmp
"${EX[@]}" same "$WORKDIR/ext.bmp" "$WORKDIR/pastedbmp.png" || fail "pasted BMP differs"
"${EX[@]}" opaque "$WORKDIR/pastedbmp.png" || fail "pasted BMP not opaque"

echo "貼り付け of a PNG offered by xclip: the alpha comes along"
offer image/png "$WORKDIR/ext.png"
paste_into "$idx" pastedpng
"${EX[@]}" same "$WORKDIR/ext.png" "$WORKDIR/pastedpng.png" || fail "pasted PNG differs"

echo "貼り付け of text only: a message and no window"
printf 'only text' >"$WORKDIR/text.txt"
offer text "$WORKDIR/text.txt"
menu "$idx" Right Down Down Down Return
sleep 2
stop_xclip
if xdotool search --onlyvisible --name "^$PASTED\$" >/dev/null 2>&1; then
  fail "貼り付け of text opened a window"
fi
tde_running || fail "the program ended"

window_key "$alpha" Escape
window_key "$idx" Escape
tde_wait_exit
[ "$TDE_RC" -eq 0 ] || fail "exit code $TDE_RC"
# Standard output reaches the file when the program ends.
sjis_stdout | grep -q "GetClipboardDataエラー" || fail "no GetClipboardDataエラー on standard output"
echo "clipboard: all checks passed"
