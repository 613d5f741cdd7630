#!/usr/bin/env bash
# Region tools and the text tool as a person uses them, each started through
# the context menu and the tool menu: a region copied from one window into
# another, a perspective warp by four clicks, a region rotated by dragging,
# Japanese text typed and stamped. The saved files are checked; screenshots
# of the rotation preview and of the pending text are kept.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
SCREEN=(python3 "$(dirname "${BASH_SOURCE[0]}")/screen.py")
MAGENTA=ff00ff
CYAN=00ffff
CREAM=ffff80
# Tool menu buttons in table order.
TOOL_TEXT=9
TOOL_COPY=11
TOOL_ROTATE=14
TOOL_WARP=30

# src: magenta, a green 4 x 4 block at (2..5, 2..5), a blue bar on row 11
# from column 8 to 15. dst: cyan. text: cream 96 x 24, one red pixel at
# (95, 23).
python3 - "$WORKDIR" <<'EOF'
import sys
d = sys.argv[1]
def ppm(name, w, h, bg, spots):
    px = bytearray(bytes.fromhex(bg) * (w * h))
    for (x, y), c in spots.items():
        px[3 * (y * w + x):3 * (y * w + x) + 3] = bytes.fromhex(c)
    open(f"{d}/{name}.ppm", "wb").write(b"P6 %d %d 255\n" % (w, h) + px)
spots = {(x, y): "00ff00" for x in range(2, 6) for y in range(2, 6)}
spots.update({(x, 11): "0000ff" for x in range(8, 16)})
ppm("src", 16, 16, "ff00ff", spots)
ppm("dst", 16, 16, "00ffff", {})
ppm("text", 96, 24, "ffff80", {(95, 23): "ff0000"})
EOF
for n in src dst text; do
  convert "$WORKDIR/$n.ppm" -type TrueColor "BMP3:$WORKDIR/$n.bmp"
done

# cell COLOUR N C R : screen centre of cell (C, R) of the N-wide picture
# whose background is COLOUR.
cell() {
  screenshot e2e_cell
  "${SCREEN[@]}" cell "$ARTIFACTS/e2e_cell.png" "$1" "$2" "$3" "$4"
}

# save ID FILE : "上書き保存" and wait until FILE changed.
save() {
  local sum
  sum="$(md5sum <"$2")"
  menu "$1" Down Down Down Down Return
  wait_changed "$2" "$sum"
  sleep 0.3
}

# check FILE PYTHON : runs PYTHON with `px` = the saved picture's rows of
# RRGGBB values; it exits with a message when the pixels are wrong.
check() {
  "${SCREEN[@]}" pixels "$1" >"$WORKDIR/pixels.txt" || fail "$1 unreadable"
  python3 -c "
import sys
px = [line.split() for line in open('$WORKDIR/pixels.txt')]
$2" || fail "$1: pixels not as expected"
}

tde_start src.bmp dst.bmp
src="$(window_wait src.bmp)"
dst="$(window_wait dst.bmp)"
sleep 1
xdotool windowsize "$src" 300 330
xdotool windowsize "$dst" 300 330
xdotool windowmove "$dst" 400 23
sleep 1

echo "矩形コピー: the green block of src into dst"
tool_start $(cell $MAGENTA 16 12 4) $TOOL_COPY
left_drag $(cell $MAGENTA 16 2 2) $(cell $MAGENTA 16 5 5)
left_click $(cell $CYAN 16 8 8)
right_hold $(cell $CYAN 16 14 1)

echo "透視変形: the green block of src onto four clicked points in dst"
tool_start $(cell $MAGENTA 16 12 4) $TOOL_WARP
left_drag $(cell $MAGENTA 16 2 2) $(cell $MAGENTA 16 5 5)
for p in "2 1" "5 1" "7 6" "0 6"; do
  left_click $(cell $CYAN 16 $p)
done
right_hold $(cell $CYAN 16 14 1)
save "$dst" "$WORKDIR/dst.bmp"
check "$WORKDIR/dst.bmp" "
G, C = '00ff00', '00ffff'
copy = {(x, y) for x in range(8, 12) for y in range(8, 12)}
for x, y in copy | {(3, 3), (4, 4), (3, 5), (4, 2)}:
    if px[y][x] != G: sys.exit(f'({x},{y}) is {px[y][x]}, not green')
for y in range(16):
    for x in range(16):
        if (x, y) not in copy and (y > 7 or x > 8 or y == 0) and px[y][x] != C:
            sys.exit(f'({x},{y}) is {px[y][x]} outside the copy and the quadrilateral')
"

echo "回転: the blue bar of src turned a quarter by dragging"
tool_start $(cell $MAGENTA 16 12 4) $TOOL_ROTATE
left_drag $(cell $MAGENTA 16 8 8) $(cell $MAGENTA 16 15 15)
read -r cx cy <<<"$(cell $MAGENTA 16 15 12)"
read -r ex ey <<<"$(cell $MAGENTA 16 11 15)"
xdotool mousemove "$cx" "$cy"
sleep 0.2
xdotool mousedown 1
sleep 0.2
for f in 1 2 3 4; do
  xdotool mousemove $((cx + (ex - cx) * f / 4)) $((cy + (ey - cy) * f / 4))
  sleep 0.15
done
sleep 0.3
screenshot regiontext_rotation_preview
xdotool mouseup 1
sleep 0.5
right_hold $(cell $MAGENTA 16 4 12)
save "$src" "$WORKDIR/src.bmp"
check "$WORKDIR/src.bmp" "
B = '0000ff'
blue = [(x, y) for y in range(16) for x in range(16) if px[y][x] == B]
cols = {x for x, _ in blue}
rows = {y for _, y in blue}
if not blue or min(x for x, _ in blue) < 8 or min(y for _, y in blue) < 8:
    sys.exit(f'blue outside the region: {blue}')
if max(cols) - min(cols) > 1 or len(rows) < 6:
    sys.exit(f'the bar is not upright: {blue}')
for y in range(16):
    for x in range(16):
        inside = x >= 8 and y >= 8
        block = 2 <= x < 6 and 2 <= y < 6
        if not inside and px[y][x] != ('00ff00' if block else 'ff00ff'):
            sys.exit(f'({x},{y}) changed outside the region')
"
window_key "$src" Escape
window_key "$dst" Escape
tde_wait_exit
[ "$TDE_RC" -eq 0 ] || fail "exit code $TDE_RC"

echo "文字描画: Japanese text in the picked colour, Enter, save"
tde_start text.bmp
text="$(window_wait text.bmp)"
sleep 1
xdotool windowsize "$text" 900 150
sleep 1
tool_start $(cell $CREAM 96 80 12) $TOOL_TEXT
right_click $(cell $CREAM 96 95 23)
# The first character a new Wine process gets that is not on the keymap is
# lost: typed while nothing is pending, the window ignores it.
xdotool windowfocus "$text"
sleep 0.3
xdotool type --delay 50 'ア'
left_click $(cell $CREAM 96 2 4)
xdotool windowfocus "$text"
sleep 0.3
# One character at a time: xdotool maps each one onto a spare key for the
# moment it types it, and a busy Wine must have read it before the next.
for ch in あ い う 漢 字; do
  xdotool type --delay 100 "$ch"
  sleep 0.4
done
sleep 1
screenshot regiontext_pending_text
before="$(md5sum <"$WORKDIR/text.bmp")"
xdotool key Return
sleep 0.3
right_hold $(cell $CREAM 96 80 20)
save "$text" "$WORKDIR/text.bmp"
check "$WORKDIR/text.bmp" "
R = 'ff0000'
red = [(x, y) for y in range(24) for x in range(96) if px[y][x] == R and (x, y) != (95, 23)]
if len(red) < 80:
    sys.exit(f'only {len(red)} red pixels')
outside = [(x, y) for x, y in red if x < 2 or y < 4]
if outside:
    sys.exit(f'red outside the text: {outside[:8]}')
cols = {x for x, _ in red}
if max(cols) - min(cols) < 72:
    sys.exit(f'text only {max(cols) - min(cols) + 1} pixels wide: not five wide characters')
if px[23][95] != R:
    sys.exit('the picked pixel changed')
"
window_key "$text" Escape
tde_wait_exit
[ "$TDE_RC" -eq 0 ] || fail "exit code $TDE_RC"
echo "ok"
