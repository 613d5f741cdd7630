#!/usr/bin/env bash
# A person blurs part of a picture: holds the right button over it, chooses
# "ツールメニュー", presses "ぼかす" in the tool menu, drags a region, ends the
# tool with a held right button and saves with "上書き保存". The saved file
# holds the 3 x 3 average of the region, clipped to it.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
SCREEN=(python3 "$(dirname "${BASH_SOURCE[0]}")/screen.py")
TDECONV="${TDE_TDECONV:?TDE_TDECONV names the converter}"
MAGENTA=ff00ff

# A 16 x 16 direct-colour picture: magenta with a green square and a blue
# column, so that a blur across them mixes colours.
python3 - "$WORKDIR/start.ppm" <<'EOF'
import sys
px = bytearray(b"\xff\x00\xff" * 256)
for y in range(16):
    for x in range(16):
        if 5 <= x <= 8 and 5 <= y <= 8:
            px[3 * (16 * y + x):3 * (16 * y + x) + 3] = b"\x00\xff\x00"
        elif x == 11:
            px[3 * (16 * y + x):3 * (16 * y + x) + 3] = b"\x00\x00\xff"
open(sys.argv[1], "wb").write(b"P6 16 16 255\n" + px)
EOF
"$TDECONV" "$WORKDIR/start.ppm" "$WORKDIR/blur.bmp" >/dev/null

# cell C R : screen position of the centre of picture cell (C, R).
cell() { picture_cell "$MAGENTA" 16 "$1" "$2"; }

# hold_right X Y : holds the right button at a screen point for 0.4 s and
# releases it 10 pixels further down and right.
hold_right() {
  xdotool mousemove "$1" "$2"
  sleep 0.2
  xdotool mousedown 3
  sleep 0.4
  xdotool mousemove $(($1 + 10)) $(($2 + 8))
  sleep 0.3
  xdotool mouseup 3
  sleep 0.5
}

tde_start blur.bmp
id="$(window_wait blur.bmp)"
sleep 1
# Larger, so that the picture shows magnified.
xdotool windowsize "$id" 420 460
sleep 0.5
read -r ax ay <<<"$(cell 3 3)"
read -r bx by <<<"$(cell 12 10)"

echo "context menu › ツールメニュー › ぼかす"
# From the bottom-left cell: the tool menu opens there, clear of the region.
read -r mx my <<<"$(cell 0 15)"
hold_right "$mx" "$my"
menu_id="$(window_wait ツール)"
sleep 0.5
# The button of "ぼかす" is the 18th: row 3, column 2 of 24-pixel cells in a
# client of 126 x 193 (the X window may add a frame around it).
read -r mw mh <<<"$(xdotool getwindowgeometry "$menu_id" |
  sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p')"
frame=$(((mw - 126) / 2))
window_click "$menu_id" $((frame + 2 * 24 + 12)) $((mh - 193 - frame + 3 * 24 + 12))
sleep 0.5

echo "drag from cell (3, 3) to cell (12, 10), then a held right button ends the tool"
xdotool mousemove "$ax" "$ay"
sleep 0.2
xdotool mousedown 1
sleep 0.3
xdotool mousemove $(((ax + bx) / 2)) $(((ay + by) / 2))
sleep 0.1
xdotool mousemove "$bx" "$by"
sleep 0.2
xdotool mouseup 1
sleep 0.5
hold_right "$ax" "$ay"
screenshot filter_blur
tde_running || fail "the program ended"

echo "上書き保存 writes the blurred picture"
before="$(md5sum <"$WORKDIR/blur.bmp")"
xdotool windowfocus "$id"
sleep 0.3
xdotool key F10
sleep 0.2
for k in Down Down Down Down Return; do
  xdotool key "$k"
  sleep 0.15
done
for ((i = 0; i < 100; i++)); do
  [ "$(md5sum <"$WORKDIR/blur.bmp")" != "$before" ] && break
  sleep 0.1
done
sleep 0.5
"${SCREEN[@]}" pixels "$WORKDIR/start.ppm" >"$WORKDIR/start.txt"
"${SCREEN[@]}" pixels "$WORKDIR/blur.bmp" >"$WORKDIR/saved.txt" || fail "saved file unreadable"
python3 - "$WORKDIR/start.txt" "$WORKDIR/saved.txt" <<'EOF' || fail "saved pixels are not the blur"
import sys
start = [[bytes.fromhex(p) for p in line.split()] for line in open(sys.argv[1])]
saved = [line.split() for line in open(sys.argv[2])]
x0, y0, x1, y1 = 3, 3, 13, 11  # the region, right and bottom exclusive
want = [[p.hex() for p in row] for row in start]
for y in range(y0, y1):
    for x in range(x0, x1):
        near = [start[v][u] for v in range(max(y0, y - 1), min(y1, y + 2))
                for u in range(max(x0, x - 1), min(x1, x + 2))]
        want[y][x] = bytes(sum(p[c] for p in near) // len(near) for c in range(3)).hex()
bad = [(x, y, saved[y][x], want[y][x]) for y in range(16) for x in range(16)
       if saved[y][x] != want[y][x]]
if bad:
    sys.exit(f"pixels differ (x, y, saved, wanted): {bad[:6]}")
EOF
window_key "$id" Escape
tde_wait_exit
[ "$TDE_RC" -eq 0 ] || fail "exit code $TDE_RC"
echo "ok"
