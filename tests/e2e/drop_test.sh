#!/usr/bin/env bash
# Files dragged from another X program (a GTK drag source) and dropped on a
# document window open in new windows, Japanese names included. Plain
# windows: inside Wine's virtual desktop a drop crashes the target.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
TDECONV="${TDE_TDECONV:?TDE_TDECONV names the converter}"
EX=(python3 "$(dirname "${BASH_SOURCE[0]}")/exchange.py")

"${EX[@]}" rgb "$WORKDIR/target.bmp"
"${EX[@]}" indexed "$WORKDIR/絵その一.bmp"
"${EX[@]}" rgb "$WORKDIR/絵その二.bmp"

SOURCE_PID=""
stop_source() {
  if [ -n "$SOURCE_PID" ]; then
    kill "$SOURCE_PID" 2>/dev/null || true
    wait "$SOURCE_PID" 2>/dev/null || true
  fi
}
trap 'stop_source; cleanup' EXIT

# geometry ID : "X Y W H" of an X window on the screen.
geometry() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$X $Y $WIDTH $HEIGHT"
}

tde_start target.bmp
target="$(window_wait target.bmp)"
# Debian's Python: GTK's bindings (python3-gi) belong to it.
/usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/dragsource.py" \
  "$WORKDIR/絵その一.bmp" "$WORKDIR/絵その二.bmp" 2>"$WORKDIR/source.err" &
SOURCE_PID=$!
source="$(window_wait tde-drag-source)"
sleep 1
# Apart from each other: the source low right, the target high left.
xdotool windowmove "$source" 700 600
xdotool windowmove "$target" 100 100
sleep 0.5
read -r sx sy sw sh < <(geometry "$source")
read -r tx ty tw th < <(geometry "$target")

echo "two files dragged from the source and dropped on the window"
xdotool mousemove $((sx + sw / 2)) $((sy + sh / 2))
sleep 0.3
xdotool mousedown 1
x0=$((sx + sw / 2)) y0=$((sy + sh / 2)) x1=$((tx + tw / 2)) y1=$((ty + th / 2))
for i in $(seq 1 20); do
  xdotool mousemove $((x0 + (x1 - x0) * i / 20)) $((y0 + (y1 - y0) * i / 20))
  sleep 0.05
done
sleep 0.3
xdotool mouseup 1
for name in 絵その一 絵その二; do
  for ((i = 0; i < 100; i++)); do
    xdotool search --onlyvisible --name "$name\\.bmp\$" >/dev/null 2>&1 && break
    tde_running || fail "the program ended on the drop"
    sleep 0.1
  done
  xdotool search --onlyvisible --name "$name\\.bmp\$" >/dev/null 2>&1 ||
    fail "no window for $name.bmp after the drop"
done
screenshot drop_windows
stop_source

for name in 絵その一 絵その二; do
  window_key "$(xdotool search --onlyvisible --name "$name\\.bmp\$" | head -n1)" Escape
done
window_key "$target" Escape
tde_wait_exit
[ "$TDE_RC" -eq 0 ] || fail "exit code $TDE_RC"
echo "drop: all checks passed"
