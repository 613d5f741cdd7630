#!/usr/bin/env bash
# The dialogs a person reaches from the context menu and the 変換 menu:
# drawing settings with steps of 8 (a rectangle lands on the grid),
# properties to 64 x 32 and direct colour, binarise previewed and cancelled.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
MAGENTA=ff00ff
N=24

"${PICTURE[@]}" make "$WORKDIR/start.ppm" "$N"
"$TDECONV" "$WORKDIR/start.ppm" "$WORKDIR/steps.bmp" >/dev/null
"${PICTURE[@]}" gray "$WORKDIR/gray.pgm" "$N"
"$TDECONV" "$WORKDIR/gray.pgm" "$WORKDIR/gray.bmp" >/dev/null
cp "$WORKDIR/gray.bmp" "$WORKDIR/binar.bmp"


# The centre of the window's client area on the screen.
centre() {
  eval "$(xdotool getwindowgeometry --shell "$DOC")"
  echo $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
}

# context_item N : holds the right button in the middle of the window and
# releases it over item N of the context menu.
context_item() {
  read -r x y <<<"$(centre)"
  right_hold_choose "$x" "$y" $((15 + 16 * $1))
  xdotool mouseup 3
}

wait_changed() {
  for ((i = 0; i < 100; i++)); do
    [ "$(md5sum <"$1")" != "$2" ] && return 0
    sleep 0.1
  done
  fail "$1 was not written"
}

save() {
  local before
  before="$(md5sum <"$WORKDIR/$1")"
  menu "$DOC" Down Down Down Down Return
  wait_changed "$WORKDIR/$1" "$before"
}

echo "描画設定: steps of 8 across and down; a rectangle snaps to the grid"
open_large steps.bmp
context_item 1
DLG="$(window_wait 描画設定)"
sleep 0.5
# 透明 has the focus; Tab reaches each radio group, arrows choose in it.
xdotool key Tab Down Down Down Tab Down Down Down
sleep 0.3
screenshot settings_drawing
xdotool key Return
window_gone 描画設定
context_item 0
TM="$(window_wait ツール)"
sleep 0.5
xdotool mousemove --window "$TM" 108 12 click 1  # "矩形"
sleep 0.3
xdotool mousemove $(cell "$MAGENTA" "$N" 23 23)
xdotool click 3  # green
sleep 0.3
xdotool mousemove $(cell "$MAGENTA" "$N" 3 3)
sleep 0.1
xdotool mousedown 1
sleep 0.3
xdotool mousemove $(cell "$MAGENTA" "$N" 10 5)
sleep 0.3
xdotool mouseup 1
sleep 0.3
xdotool mousemove $(cell "$MAGENTA" "$N" 20 20) mousedown 3
sleep 0.6
xdotool mouseup 3
save steps.bmp
window_key "$DOC" Escape
tde_wait_exit
"${PICTURE[@]}" check "$WORKDIR/steps.bmp" rect=0,0,16,8 || fail "the rectangle is off the grid"

echo "プロパティ: 64 x 32, direct colour"
open_large gray.bmp
context_item 3
DLG="$(window_wait プロパティ)"
sleep 0.5
xdotool type --delay 50 64
xdotool key Tab
xdotool type --delay 50 32
xdotool key Tab Tab Down
sleep 0.3
screenshot settings_properties
xdotool key Return
window_gone プロパティ
save gray.bmp
window_key "$DOC" Escape
tde_wait_exit
info="$("$TDECONV" -i "$WORKDIR/gray.bmp")"
case "$info" in
  "64 32 4 "*) ;;
  *) fail "gray.bmp holds $info" ;;
esac

echo "２値化: a threshold previews, ｷｬﾝｾﾙ puts the picture back"
open_large binar.bmp
menu "$DOC" Right Right Down Down Down Return
DLG="$(window_wait ２値化)"
sleep 0.5
xdotool type --delay 50 100
sleep 0.5
screenshot settings_binarise
xdotool key Escape
window_gone ２値化
menu "$DOC" Down Down Down Down Return
sleep 1.5
window_key "$DOC" Escape
tde_wait_exit
cmp -s <(python3 "$SCREEN_PY" pixels "$WORKDIR/gray.pgm") \
  <(python3 "$SCREEN_PY" pixels "$WORKDIR/binar.bmp") || fail "ｷｬﾝｾﾙ did not restore the picture"
echo "ok"
