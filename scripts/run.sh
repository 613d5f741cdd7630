#!/usr/bin/env bash
# Sets up and builds what is missing, then runs the editor on the given files:
#   scripts/run.sh [FILE|PATTERN]...
# Without an X display it starts Xvfb and shows the editor inside Wine's
# virtual desktop there (TDE_DESKTOP=0 for plain windows, 1 to force it).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TDE_BUILD_DIR:-$ROOT/build}"

bash "$ROOT/scripts/setup.sh" >&2
bash "$ROOT/scripts/build.sh" --target tde_wine >&2
source "$ROOT/scripts/env.sh"

desktop="${TDE_DESKTOP:-}"
xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  state="$BUILD/run-xvfb.state"
  bash "$ROOT/scripts/xvfb.sh" start "$state" >&2
  read -r DISPLAY xvfb_pid <"$state"
  export DISPLAY
  trap 'kill "$xvfb_pid" 2>/dev/null || true; rm -f "$state"' EXIT
  desktop="${desktop:-1}"
  cat >&2 <<MSG
run: no display given; the editor runs on Xvfb $DISPLAY. To look at it:
run:   DISPLAY=$DISPLAY import -window root shot.png
run:   DISPLAY=$DISPLAY xdotool search --name .   (windows; key Escape closes one)
MSG
fi

if [ "$desktop" = "1" ]; then
  # Wine draws title bars and frames itself inside one X window.
  wine explorer /desktop=tde,1200x900 "$BUILD/wine/tde.exe.so" "$@"
else
  "$BUILD/wine/tde.exe" "$@"
fi
