#!/usr/bin/env bash
# Renders the README's pictures with the program itself:
#   scripts/screenshots.sh [OUTDIR]        (default docs/img)
# Starts a private Xvfb (whatever DISPLAY says), runs the real editor in the
# project's Wine prefix, walks to each window as a person would (tests/e2e/
# lib.sh) and crops the screen around it. The tool-button pictures are cut
# from the sheets the program embeds, converted by tdeconv.
# Needs build/wine/tde.exe and build/tdeconv (TDE_BUILD_DIR for another build).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TDE_BUILD_DIR:-$ROOT/build}"
OUT="$(mkdir -p "${1:-$ROOT/docs/img}" && cd "${1:-$ROOT/docs/img}" && pwd)"
source "$ROOT/scripts/env.sh"
export TDE_EXE="${TDE_EXE:-$BUILD/wine/tde.exe}"
export TDE_TDECONV="${TDE_TDECONV:-$BUILD/tdeconv}"
TDECONV="$TDE_TDECONV"
[ -x "$TDE_EXE" ] && [ -x "$TDECONV" ] || {
  echo "screenshots: build the program first (cmake --build build --target tde_wine tdeconv)" >&2
  exit 1
}

state="$(mktemp -u /tmp/tde-shots.XXXXXX)"
env -u DISPLAY bash "$ROOT/scripts/xvfb.sh" start "$state" >/dev/null
read -r DISPLAY _ <"$state"
export DISPLAY
RAW="$(mktemp -d)"
export TDE_ARTIFACTS="$RAW"
source "$ROOT/tests/e2e/lib.sh"
trap 'cleanup; rm -rf "$RAW"; bash "$ROOT/scripts/xvfb.sh" stop "$state" >/dev/null' EXIT

# keep NAME X Y W H : the screen box, cut and reduced to few colours.
keep() {
  import -window root "$RAW/screen.png"
  convert "$RAW/screen.png" -crop "$4x$5+$2+$3" +repage +dither -colors 48 -strip \
    "PNG8:$OUT/$1.png"
  echo "$OUT/$1.png"
}

# box ID... : "X Y W H" of the windows together, with a margin of 2 pixels
# (without a window manager the windows have no frames).
box() {
  local x0=100000 y0=100000 x1=0 y1=0 id WINDOW X Y WIDTH HEIGHT SCREEN
  for id in "$@"; do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    X=$((X - 2)) Y=$((Y - 2)) WIDTH=$((WIDTH + 4)) HEIGHT=$((HEIGHT + 4))
    ((X < x0)) && x0=$X
    ((Y < y0)) && y0=$Y
    ((X + WIDTH > x1)) && x1=$((X + WIDTH))
    ((Y + HEIGHT > y1)) && y1=$((Y + HEIGHT))
  done
  ((x0 < 0)) && x0=0
  ((y0 < 0)) && y0=0
  echo "$x0 $y0 $((x1 - x0)) $((y1 - y0))"
}

keep_windows() {
  local name="$1"
  shift
  # shellcheck disable=SC2046
  keep "$name" $(box "$@")
}

# The button sheets, one small picture per button in table order.
buttons() {
  local sheet="$1" prefix="$2" count="$3" i
  mkdir -p "$OUT/btn"
  "$TDECONV" "$ROOT/resources/$sheet.pxa" "$RAW/$sheet.png" >/dev/null
  for ((i = 0; i < count; i++)); do
    convert "$RAW/$sheet.png" -crop "24x24+$((24 * (i % 5)))+$((24 * (i / 5)))" +repage -strip \
      "PNG8:$OUT/btn/$prefix$(printf %02d "$i").png"
  done
}
buttons toolbtn_main m 32
buttons toolbtn_cmap c 9

# A 32 x 32 sprite with a few colours: sky, ground, a house.
python3 - "$WORKDIR/sprite.ppm" <<'PY'
import sys
w = h = 32
px = []
for y in range(h):
    for x in range(w):
        c = (120, 180, 255) if y < 22 else (60, 150, 60)
        if 8 <= x < 24 and 12 <= y < 24:
            c = (230, 200, 150)
        if 8 <= x < 24 and 6 + abs(x - 15.5) // 1.5 <= y < 12 + (x in (8, 23)):
            c = (190, 50, 40)
        if 13 <= x < 18 and 17 <= y < 24:
            c = (110, 70, 40)
        if (x - 26) ** 2 + (y - 5) ** 2 < 9:
            c = (255, 230, 60)
        px += c
open(sys.argv[1], "wb").write(b"P6 32 32 255\n" + bytes(px))
PY
convert "$WORKDIR/sprite.ppm" -type Palette "BMP3:$WORKDIR/sprite.bmp"
SKY=78b4ff

tde_start sprite.bmp
DOC="$(window_wait sprite.bmp)"
sleep 1
xdotool windowsize "$DOC" 420 440
xdotool windowmove "$DOC" 20 30
sleep 1
# The picture's place on the screen, found once by its sky (the colour-map
# window shows that colour too, later).
import -window root "$RAW/screen.png"
read -r PX PY PW _ <<<"$(python3 "$SCREEN_PY" bbox "$RAW/screen.png" "$SKY")"
# at C R : screen centre of picture cell (C, R).
at() { echo $((PX + (2 * $1 + 1) * PW / 64)) $((PY + (2 * $2 + 1) * PW / 64)); }

# 設定 › ピクセル罫線, then 設定 › キャラクタ罫線 › 8.
menu "$DOC" Right Right Right Down Return
sleep 0.5
menu "$DOC" Right Right Right Down Down Right Down Return
sleep 0.8

# The context menu, held open.
read -r x y <<<"$(at 4 26)"
xdotool mousemove "$x" "$y" mousedown 3
sleep 0.6
xdotool mousemove $((x + 3)) $((y + 3))
sleep 0.4
keep context-menu $((x - 60)) $((y - 40)) 200 110
xdotool mousemove $((x + 12)) $((y + 47))
sleep 0.3
xdotool mouseup 3
CM="$(window_wait カラーマップ)"
sleep 0.5
xdotool windowmove "$CM" 450 30
sleep 0.8

# The tool menu of the picture, with the tip of "線分".
read -r x y <<<"$(at 28 28)"
right_hold_choose "$x" "$y" 15
xdotool mouseup 3
TM="$(window_wait ツール)"
sleep 0.5
xdotool windowmove "$TM" 450 330
sleep 0.8
xdotool mousemove --window "$TM" 36 12 mousedown 3
sleep 0.6
keep_windows toolmenu "$TM"
xdotool mouseup 3
sleep 0.3

# The roof's red (entry 1) to draw with, then the line tool's rubber band,
# held.
eval "$(xdotool getwindowgeometry --shell "$CM")"
xdotool mousemove --window "$CM" $((16 + 8)) $((HEIGHT - 256 + 8)) click 1
sleep 0.5
xdotool mousemove --window "$TM" 36 12 click 1
sleep 0.5
read -r x0 y0 <<<"$(at 2 30)"
read -r x1 y1 <<<"$(at 20 14)"
xdotool mousemove $((x0 + 5)) $((y0 - 5))
sleep 0.3
xdotool mousemove "$x0" "$y0"
sleep 0.3
xdotool mousedown 1
sleep 0.3
xdotool mousemove $(((x0 + x1) / 2)) $(((y0 + y1) / 2))
sleep 0.2
xdotool mousemove "$x1" "$y1"
sleep 0.6
keep rubber-band $((x0 - 40)) $((y1 - 40)) $((x1 - x0 + 80)) $((y0 - y1 + 80))
xdotool mouseup 1
sleep 0.3

# The editor at work: the picture with its grids, colour map and tool menu.
keep_windows editor "$DOC" "$CM" "$TM"
keep_windows cmap "$CM"
right_hold $(at 30 2)
sleep 0.3

# The rotation preview: the house turned by a held drag.
xdotool windowmove "$TM" 450 330
sleep 0.5
xdotool mousemove --window "$TM" $((24 * 4 + 12)) $((24 * 2 + 12)) click 1  # 回転
sleep 0.5
left_drag $(at 7 5) $(at 24 24)
read -r cx cy <<<"$(at 23 15)"
read -r ex ey <<<"$(at 19 23)"
xdotool mousemove "$cx" "$cy"
sleep 0.3
xdotool mousedown 1
sleep 0.2
for f in 1 2 3 4; do
  xdotool mousemove $((cx + (ex - cx) * f / 4)) $((cy + (ey - cy) * f / 4))
  sleep 0.15
done
sleep 0.5
keep_windows rotation "$DOC"
xdotool mouseup 1
sleep 0.5
right_hold $(at 30 2)

# Colour conversion: a region, then the dialog "色の変換".
xdotool windowmove "$TM" 450 330
sleep 0.5
xdotool mousemove --window "$TM" $((24 * 3 + 12)) $((24 * 4 + 12)) click 1  # 色変換
sleep 0.5
left_drag $(at 8 6) $(at 24 24)
DLG="$(window_wait 色の変換)"
sleep 0.8
keep_windows dlg-colour "$DLG"
xdotool key Escape
window_gone 色の変換
xdotool windowmove "$TM" 2000 2000
sleep 0.5

# The context menu's dialogs: 描画設定 (item 1) and プロパティ (item 3).
context_dialog() {
  read -r x y <<<"$(at 16 20)"
  right_hold_choose "$x" "$y" $((15 + 16 * $1))
  xdotool mouseup 3
  DLG="$(window_wait "$2")"
  sleep 0.8
  keep_windows "$3" "$DLG"
  xdotool key Escape
  window_gone "$2"
}
context_dialog 1 描画設定 dlg-drawing
context_dialog 3 プロパティ dlg-properties

# 変換 › ２値化 and ﾌｧｲﾙ › 新規作成.
menu "$DOC" Right Right Down Down Down Return
DLG="$(window_wait ２値化)"
sleep 0.5
xdotool type --delay 50 128
sleep 0.8
keep_windows dlg-binarise "$DLG"
xdotool key Escape
window_gone ２値化
menu "$DOC" Down Return
DLG="$(window_wait 新規作成)"
sleep 0.8
keep_windows dlg-new "$DLG"
xdotool key Escape
window_gone 新規作成

# The question when a modified picture closes.
window_key "$CM" Escape
window_gone カラーマップ
window_key "$DOC" Escape
DLG="$(window_wait ファイルは変更されています)"
sleep 0.8
keep_windows dlg-save "$DLG"
xdotool key n
tde_wait_exit

# The colour-map window's tool menu with a tip.
tde_start sprite.bmp
DOC="$(window_wait sprite.bmp)"
sleep 1
xdotool windowsize "$DOC" 420 440
xdotool windowmove "$DOC" 20 30
sleep 1
read -r x y <<<"$(at 16 20)"
right_hold_choose "$x" "$y" 47
xdotool mouseup 3
CM="$(window_wait カラーマップ)"
sleep 0.5
xdotool windowmove "$CM" 450 30
sleep 0.8
right_hold_choose 560 120 15
xdotool mouseup 3
TM="$(window_wait ツール)"
sleep 0.5
xdotool windowmove "$TM" 450 330
sleep 0.8
xdotool mousemove --window "$TM" $((24 * 3 + 12)) 36 mousedown 3  # グラデーション作成
sleep 0.6
eval "$(xdotool getwindowgeometry --shell "$TM")"
keep toolmenu-cmap $((X - 2)) $((Y - 2)) $((WIDTH + 150)) $((HEIGHT + 30))
xdotool mouseup 3
window_key "$CM" Escape
window_gone カラーマップ
window_key "$DOC" Escape
tde_wait_exit
