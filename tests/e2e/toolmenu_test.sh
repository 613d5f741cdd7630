#!/usr/bin/env bash
# The road of one edit, as a person takes it: hold the right button over the
# picture, choose "ツールメニュー", click "線分", pick a colour with a quick
# right click, draw, end the tool with a held right button, "上書き保存",
# close. Then the colour-map window: choose an entry, raise its red with the
# bar's arrow (clicks and a held arrow), draw with it, undo.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
MAGENTA=ff00ff
N=24

"${PICTURE[@]}" make "$WORKDIR/start.ppm" "$N"
"$TDECONV" "$WORKDIR/start.ppm" "$WORKDIR/road.bmp" >/dev/null
cp "$WORKDIR/road.bmp" "$WORKDIR/map.bmp"


# at C R : screen position of picture cell (C, R).
at() { cell "$MAGENTA" "$N" "$1" "$2"; }

drag() {
  xdotool mousemove $1
  sleep 0.1
  xdotool mousedown 1
  sleep 0.3
  xdotool mousemove $2
  sleep 0.3
  xdotool mouseup 1
  sleep 0.3
}

hold_right() {
  xdotool mousemove $1
  sleep 0.1
  xdotool mousedown 3
  sleep 0.6
  xdotool mouseup 3
  sleep 0.3
}

save_and_close() {
  local before
  before="$(md5sum <"$WORKDIR/$1")"
  menu "$DOC" Down Down Down Down Return
  for ((i = 0; i < 100; i++)); do
    [ "$(md5sum <"$WORKDIR/$1")" != "$before" ] && break
    sleep 0.1
  done
  window_key "$DOC" Escape
  tde_wait_exit
  [ "$TDE_RC" -eq 0 ] || fail "exit code $TDE_RC"
}

echo "the road of one edit"
open_large road.bmp
read -r x y <<<"$(at 12 12)"
right_hold_choose "$x" "$y" 15
screenshot toolmenu_context_menu
xdotool mouseup 3
TM="$(window_wait ツール)"
sleep 0.5
xdotool mousemove --window "$TM" 36 12 mousedown 3
sleep 0.5
screenshot toolmenu_tip
xdotool mouseup 3
sleep 0.3
xdotool mousemove --window "$TM" 36 12 click 1
sleep 0.3
xdotool mousemove $(at 23 23)
sleep 0.2
xdotool click 3
sleep 0.3
xdotool mousemove $(at 2 4)
sleep 0.1
xdotool mousedown 1
sleep 0.3
xdotool mousemove $(at 15 9)
sleep 0.3
screenshot toolmenu_rubber_band
xdotool mouseup 1
sleep 0.3
hold_right "$(at 20 2)"
save_and_close road.bmp
"${PICTURE[@]}" check "$WORKDIR/road.bmp" line=2,4,16,10 || fail "the line is not as dragged"

echo "the colour-map window: an entry, its red bar, a stroke, undo"
open_large map.bmp
read -r x y <<<"$(at 12 12)"
right_hold_choose "$x" "$y" 47
xdotool mouseup 3
CM="$(window_wait カラーマップ)"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$CM")"
top=$((HEIGHT - 256))  # the menu bar above the client
# 初期化 › グレースケール: entry i becomes (i, i, i).
menu "$CM" Down Return
sleep 0.3
# Entry 53: column 5, row 3 of the 256-pixel grid.
xdotool mousemove --window "$CM" $((5 * 16 + 8)) $((top + 3 * 16 + 8)) click 1
sleep 0.2
for _ in 1 2 3; do
  xdotool mousemove --window "$CM" $((256 + 16)) $((top + 6)) click 1
  sleep 0.1
done
xdotool mousemove --window "$CM" $((256 + 16)) $((top + 6)) mousedown 1
sleep 1.2
xdotool mouseup 1
sleep 0.3
screenshot cmap_window
drag "$(at 2 2)" "$(at 10 2)"
right_hold_choose $((X + 40)) $((Y + top + 40)) 15
xdotool mouseup 3
TM="$(window_wait ツール)"
sleep 0.5
xdotool mousemove --window "$TM" 12 36 mousedown 3  # "明るくする"
sleep 0.5
screenshot toolmenu_cmap
xdotool mouseup 3
menu "$DOC" Down Down Down Down Return
sleep 1.5
"${PICTURE[@]}" check "$WORKDIR/map.bmp" 2>"$WORKDIR/check.txt" && fail "no stroke saved"
python3 - "$WORKDIR/map.bmp" <<'PY' || fail "the stroke is not in the edited entry's colour"
import subprocess, sys
ppm = subprocess.run(["convert", sys.argv[1], "-depth", "8", "ppm:-"], capture_output=True).stdout
w = int(ppm.split()[1])
data = ppm[len(ppm) - 3 * w * w:]
r, g, b = data[3 * (2 * w + 6):3 * (2 * w + 6) + 3]
# Entry 53 of the grey map, its red raised by three clicks and a held arrow.
assert (g, b) == (53, 53) and r > 56, (r, g, b)
PY
menu "$DOC" Right Down Return  # 編集 › 元に戻す
sleep 0.3
save_and_close map.bmp
"${PICTURE[@]}" check "$WORKDIR/map.bmp" || fail "undo left the stroke"
echo "ok"
