#!/usr/bin/env bash
# A person's first edits: pick a colour with a quick right click, draw a
# freehand stroke, answer the save question each of its three ways, open a
# missing cursor file, make a new picture through "新規作成", save it under a
# typed name, rename it and save again, revert. The saved files are checked
# pixel by pixel.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
TDECONV="${TDE_TDECONV:?TDE_TDECONV names the converter}"
SCREEN=(python3 "$(dirname "${BASH_SOURCE[0]}")/screen.py")
MAGENTA=ff00ff
GREEN=00ff00

# A 16 x 16 direct-colour picture: magenta with one green pixel at (15, 15).
python3 - "$WORKDIR/start.ppm" <<'EOF'
import sys
px = bytearray(b"\xff\x00\xff" * 256)
px[3 * 255:3 * 256] = b"\x00\xff\x00"
open(sys.argv[1], "wb").write(b"P6 16 16 255\n" + px)
EOF
"$TDECONV" "$WORKDIR/start.ppm" "$WORKDIR/start.bmp" >/dev/null

# cell C R : screen position of the centre of picture cell (C, R).
cell() {
  screenshot e2e_cell
  "${SCREEN[@]}" cell "$ARTIFACTS/e2e_cell.png" "$MAGENTA" 16 "$1" "$2"
}

# wait_file PATH : waits until the program has written PATH.
wait_file() {
  local i
  for ((i = 0; i < 100; i++)); do
    [ -s "$1" ] && return 0
    sleep 0.1
  done
  fail "$1 was not written"
}

# Picks green, then draws (1,2) -> (8,2) -> (8,9) with the left button held.
pick_and_draw() {
  local p
  p="$(cell 15 15)"
  xdotool mousemove $p
  sleep 0.2
  xdotool click 3
  sleep 0.3
  xdotool mousemove $(cell 1 2)
  sleep 0.1
  local a b c
  a="$(cell 4 2)" b="$(cell 8 2)" c="$(cell 8 9)"
  xdotool mousedown 1
  for p in "$a" "$b" "$c"; do
    sleep 0.1
    xdotool mousemove $p
  done
  sleep 0.1
  xdotool mouseup 1
  sleep 0.5
}

# The save question of a window; answers it with KEY.
answer_save_question() {
  local id="$1" key="$2" dlg
  window_key "$id" Escape
  dlg="$(window_wait "ファイルは変更されています")"
  sleep 0.3
  window_key "$dlg" "$key"
  window_gone "ファイルは変更されています"
}

echo "start on a 16 x 16 picture, pick, draw, close: ｷｬﾝｾﾙ keeps the window"
before="$(md5sum <"$WORKDIR/start.bmp")"
tde_start start.bmp
id="$(window_wait start.bmp)"
sleep 1
pick_and_draw
screenshot editing_stroke
answer_save_question "$id" Escape
sleep 1
window_wait start.bmp >/dev/null
tde_running || fail "the program ended after ｷｬﾝｾﾙ"
[ "$(md5sum <"$WORKDIR/start.bmp")" = "$before" ] || fail "ｷｬﾝｾﾙ wrote the file"

echo "いいえ(&N) closes without writing"
answer_save_question "$id" n
tde_wait_exit
[ "$TDE_RC" -eq 0 ] || fail "exit code $TDE_RC"
[ "$(md5sum <"$WORKDIR/start.bmp")" = "$before" ] || fail "いいえ wrote the file"

echo "はい(&Y) writes the picture in its own format, then closes"
tde_start start.bmp
id="$(window_wait start.bmp)"
sleep 1
pick_and_draw
answer_save_question "$id" Return
tde_wait_exit
[ "$TDE_RC" -eq 0 ] || fail "exit code $TDE_RC"
"${SCREEN[@]}" pixels "$WORKDIR/start.bmp" >"$WORKDIR/saved.txt" || fail "saved file unreadable"
python3 - "$WORKDIR/saved.txt" <<'EOF' || fail "saved pixels differ"
import sys
rows = [line.split() for line in open(sys.argv[1])]
green = {(x, 2) for x in range(1, 9)} | {(8, y) for y in range(2, 10)} | {(15, 15)}
bad = [(x, y, rows[y][x]) for y in range(16) for x in range(16)
       if rows[y][x] != ("00ff00" if (x, y) in green else "ff00ff")]
if bad:
    sys.exit(f"pixels not as drawn: {bad[:8]}")
EOF

echo "a missing .cur name opens the 32 x 32 three-colour picture"
tde_start new.cur
id="$(window_wait new.cur)"
sleep 1
menu "$id" Down Down Down Down Return
wait_file "$WORKDIR/new.cur"
info="$("$TDECONV" -i "$WORKDIR/new.cur")"
case "$info" in
  "32 32 1 "*) ;;
  *) fail "new.cur holds $info" ;;
esac
window_key "$id" Escape
tde_wait_exit

echo "新規作成 with a typed size, 名前をつけて保存, 名前の変更, 上書き保存"
tde_start
first="$(window_wait 無題.pxa)"
sleep 1
menu "$first" Down Return
dlg="$(window_wait 新規作成)"
sleep 0.5
xdotool type --delay 50 24
xdotool key Tab
xdotool type --delay 50 20
xdotool key Return
second=""
for _ in $(seq 50); do
  second="$(xdotool search --onlyvisible --name '^無題\.pxa$' | grep -v "^$first\$" | head -n1 || true)"
  [ -n "$second" ] && break
  sleep 0.2
done
[ -n "$second" ] || fail "no second window after 新規作成"
menu "$second" Down Down Down Down Down Return
save="$(window_wait ファイルをセーブします)"
sleep 0.5
xdotool type --delay 50 made.bmp
xdotool key Return
wait_file "$WORKDIR/made.bmp"
info="$("$TDECONV" -i "$WORKDIR/made.bmp")" || fail "made.bmp not written"
[ "$info" = "24 20 1 256 2" ] || fail "made.bmp holds $info"
menu "$second" Down Down Down Down Down Down Return
window_wait ファイルをセーブします >/dev/null
sleep 0.5
xdotool type --delay 50 renamed.pxa
xdotool key Return
for ((i = 0; i < 50; i++)); do
  xdotool search --onlyvisible --name 'renamed\.pxa$' >/dev/null && break
  sleep 0.2
done
xdotool search --onlyvisible --name 'renamed\.pxa$' >/dev/null || fail "title not renamed"
[ ! -e "$WORKDIR/renamed.pxa" ] || fail "名前の変更 wrote a file"
menu "$second" Down Down Down Down Return
wait_file "$WORKDIR/renamed.pxa"
info="$("$TDECONV" -i "$WORKDIR/renamed.pxa")" || fail "renamed.pxa not written"
[ "$info" = "24 20 1 256 1" ] || fail "renamed.pxa holds $info"

echo "grids: 設定 › ピクセル罫線 and キャラクタ罫線 › 8"
# A larger window shows the picture larger (the zoom follows the shorter side).
xdotool windowsize "$second" 420 460
sleep 0.5
menu "$second" Right Right Right Down Return
menu "$second" Right Right Right Down Down Right Down Return
sleep 0.5
screenshot editing_grids
window_key "$second" Escape
window_key "$first" Escape
tde_wait_exit
[ "$TDE_RC" -eq 0 ] || fail "exit code $TDE_RC"
echo "ok"
