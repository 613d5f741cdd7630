# Helpers for the end-to-end scripts (sourced). They drive the real program
# under X the way a person would: find its window, press keys, click.
# Environment (set by CTest): TDE_EXE, TDE_ARTIFACTS, DISPLAY.
set -euo pipefail

: "${TDE_EXE:?TDE_EXE names the program launcher}"
: "${DISPLAY:?the end-to-end tests need an X display}"
ARTIFACTS="${TDE_ARTIFACTS:-$PWD/artifacts}"
mkdir -p "$ARTIFACTS"

fail() {
  echo "FAIL: $*" >&2
  if [ -s "${WORKDIR:-}/stderr" ]; then
    echo "--- the program's standard error (last lines):" >&2
    tail -n 20 "$WORKDIR/stderr" >&2
  fi
  exit 1
}

# A fresh, empty working directory for the program.
WORKDIR="$(mktemp -d)"
TDE_PID=""
cleanup() {
  if [ -n "$TDE_PID" ] && kill -0 "$TDE_PID" 2>/dev/null; then
    kill "$TDE_PID" 2>/dev/null || true
  fi
  rm -rf "$WORKDIR"
}
trap cleanup EXIT

# tde_start ARG... : starts the program in $WORKDIR; its pid goes to TDE_PID,
# its standard output to $WORKDIR/stdout.
tde_start() {
  (cd "$WORKDIR" && exec "$TDE_EXE" "$@" >"$WORKDIR/stdout" 2>"$WORKDIR/stderr") &
  TDE_PID=$!
}

# tde_wait_exit [SECONDS] : waits for the program; its exit code goes to TDE_RC.
tde_wait_exit() {
  local limit="${1:-30}" i
  for ((i = 0; i < limit * 10; i++)); do
    kill -0 "$TDE_PID" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$TDE_PID" 2>/dev/null; then
    kill "$TDE_PID" 2>/dev/null || true
    fail "program still running after ${limit}s"
  fi
  TDE_RC=0
  wait "$TDE_PID" || TDE_RC=$?
}

# tde_running : true while the program runs.
tde_running() { kill -0 "$TDE_PID" 2>/dev/null; }

# window_wait TITLE [SECONDS] : prints the X id of the visible window whose
# title is exactly TITLE.
window_wait() {
  local title="$1" limit="${2:-30}" i id
  local pattern="^$(printf '%s' "$title" | sed 's/[][\.*^$?+(){}|]/\\&/g')\$"
  for ((i = 0; i < limit * 10; i++)); do
    id="$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n1 || true)"
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    tde_running || fail "program ended before window '$title' appeared"
    sleep 0.1
  done
  fail "no window titled '$title' after ${limit}s"
}

# window_gone TITLE [SECONDS] : waits until no window has that title.
window_gone() {
  local title="$1" limit="${2:-15}" i
  local pattern="^$(printf '%s' "$title" | sed 's/[][\.*^$?+(){}|]/\\&/g')\$"
  for ((i = 0; i < limit * 10; i++)); do
    xdotool search --onlyvisible --name "$pattern" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  fail "window '$title' still there after ${limit}s"
}

# window_key ID KEY : gives the window the keyboard focus (the prefix lets X
# focus activate a Wine window) and presses KEY.
window_key() {
  xdotool windowfocus "$1"
  sleep 0.3
  xdotool key "$2"
}

# window_click ID X Y : clicks the left button at X,Y inside the window.
window_click() {
  xdotool mousemove --window "$1" "$2" "$3"
  sleep 0.1
  xdotool click 1
}

# screenshot NAME : saves the whole screen as $ARTIFACTS/NAME.png.
screenshot() {
  import -window root "$ARTIFACTS/$1.png"
}

# picture_cell RRGGBB N C R : screen centre "X Y" of cell (C, R) of the N x N
# picture on the screen, found by a colour whose pixels span its whole width.
picture_cell() {
  screenshot e2e_cell
  python3 "$(dirname "${BASH_SOURCE[0]}")/screen.py" cell "$ARTIFACTS/e2e_cell.png" "$@"
}

# sjis_stdout : the program's standard output converted from Shift-JIS.
sjis_stdout() { iconv -f CP932 -t UTF-8 "$WORKDIR/stdout"; }

# The picture helpers of screen.py and picture.py, and the converter.
SCREEN_PY="$(dirname "${BASH_SOURCE[0]}")/screen.py"
PICTURE=(python3 "$(dirname "${BASH_SOURCE[0]}")/picture.py")
TDECONV="${TDE_TDECONV:-}"

# open_large NAME : starts the program on NAME, makes its window large and
# leaves the window's id in DOC.
open_large() {
  tde_start "$1"
  DOC="$(window_wait "$1")"
  sleep 1
  xdotool windowsize "$DOC" 420 440
  sleep 0.8
}

# cell COLOUR N C R : screen centre of cell (C, R) of an N x N picture shown
# on the screen whose pixels of COLOUR (RRGGBB) span its whole width.
cell() {
  screenshot e2e_cell
  python3 "$SCREEN_PY" cell "$ARTIFACTS/e2e_cell.png" "$1" "$2" "$3" "$4"
}

# tool_start X Y INDEX : the road to a tool as a person takes it: holds the
# right button at screen X,Y until the context menu opens, releases it over
# "ツールメニュー" (its first item, just below the pointer) and presses
# button INDEX (table order, five to a row) of the tool menu that opens at
# the pointer; the menu is then moved out of sight.
tool_start() {
  local x="$1" y="$2" i="$3" old id="" n WINDOW X Y WIDTH HEIGHT SCREEN
  old="$(xdotool search --onlyvisible --name '^ツール$' 2>/dev/null | head -n1 || true)"
  xdotool mousemove "$x" "$y"
  sleep 0.2
  xdotool mousedown 3
  sleep 0.5
  xdotool mousemove $((x + 25)) $((y + 9))
  sleep 0.3
  xdotool mouseup 3
  # The menu opens anew at the pointer: wait for the new window.
  for ((n = 0; n < 300; n++)); do
    id="$(xdotool search --onlyvisible --name '^ツール$' 2>/dev/null | grep -v "^${old:-none}\$" |
      head -n1 || true)"
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || fail "no tool menu"
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$id")"
  xdotool mousemove $((X + 24 * (i % 5) + 12)) $((Y + 24 * (i / 5) + 12))
  sleep 0.3
  xdotool click 1
  sleep 1
  xdotool windowmove "$id" 2000 2000
  sleep 0.5
}

# left_drag X0 Y0 X1 Y1 : a left-button drag held past the click time.
left_drag() {
  xdotool mousemove "$1" "$2"
  sleep 0.1
  xdotool mousedown 1
  sleep 0.3
  xdotool mousemove $((($1 + $3) / 2)) $((($2 + $4) / 2))
  sleep 0.1
  xdotool mousemove "$3" "$4"
  sleep 0.2
  xdotool mouseup 1
  sleep 0.3
}

# left_click X Y / right_click X Y / right_hold X Y : a right hold ends a tool.
left_click() {
  xdotool mousemove "$1" "$2"
  sleep 0.1
  xdotool click 1
  sleep 0.3
}
right_click() {
  xdotool mousemove "$1" "$2"
  sleep 0.1
  xdotool click 3
  sleep 0.3
}
right_hold() {
  xdotool mousemove "$1" "$2"
  sleep 0.1
  xdotool mousedown 3
  sleep 0.6
  xdotool mouseup 3
  sleep 0.5
}

# menu ID KEY... : opens the menu bar of window ID with F10 and walks it.
menu() {
  local id="$1" k
  shift
  xdotool windowfocus "$id"
  sleep 0.3
  xdotool key F10
  sleep 0.2
  for k in "$@"; do
    xdotool key "$k"
    sleep 0.15
  done
}

# wait_changed PATH MD5 : waits until the file's checksum is no longer MD5.
wait_changed() {
  local i
  for ((i = 0; i < 100; i++)); do
    [ "$(md5sum <"$1")" != "$2" ] && return 0
    sleep 0.1
  done
  fail "$1 was not changed"
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

# right_hold_choose X Y DY : holds the right button at screen (X, Y), moves
# DY pixels down onto a context-menu item and releases there.
right_hold_choose() {
  xdotool mousemove "$1" "$2"
  sleep 0.2
  xdotool mousedown 3
  sleep 0.4
  xdotool mousemove "$(($1 + 12))" "$(($2 + $3))"
  sleep 0.3
}
