#!/usr/bin/env bash
# Long editing runs with memory figures: scripts/longrun.sh [longrun.py options]
# Builds what is missing, starts Xvfb when there is no display, and runs
# tests/soak/longrun.py (1000 undo steps on a 2048 x 2048 picture, 100
# windows, 100 colour-map windows by default; about half an hour on two cores).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TDE_BUILD_DIR:-$ROOT/build}"

bash "$ROOT/scripts/setup.sh" >&2
bash "$ROOT/scripts/build.sh" --target tde_wine tdeconv >&2
# A Wine prefix of its own: programs of one prefix share one wineserver, and
# with it the active window, whatever display they are on; a test run beside
# this one would take the keyboard from it.
if [ -z "${TDE_WINEPREFIX:-}" ]; then
  export TDE_WINEPREFIX="$BUILD/longrun-wineprefix"
  [ -d "$TDE_WINEPREFIX" ] || cp -a "$ROOT/.wineprefix" "$TDE_WINEPREFIX"
fi
source "$ROOT/scripts/soak-env.sh"
soak_env longrun
python3 "$ROOT/tests/soak/longrun.py" "$@"
