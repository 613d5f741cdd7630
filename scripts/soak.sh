#!/usr/bin/env bash
# The long monkey run: scripts/soak.sh [ACTIONS] [SEED...]
# Builds what is missing and runs tests/soak/monkey.py for every seed
# (default: 20000 actions, one random seed). The seeds run side by side, each
# in its own copy of the Wine prefix and on its own Xvfb: programs of one
# prefix share one wineserver and with it the keyboard focus, and the runs
# must not take keys from each other. Each run prints its seed and memory
# figures; a failure prints the seed and the last actions for a replay. Logs
# are kept in build/soak-logs/SEED.log; the exit code is non-zero when any
# run failed.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TDE_BUILD_DIR:-$ROOT/build}"
actions="${1:-20000}"
shift || true
seeds=("$@")
[ ${#seeds[@]} -gt 0 ] || seeds=($((RANDOM * 32768 + RANDOM)))

bash "$ROOT/scripts/setup.sh" >&2
bash "$ROOT/scripts/build.sh" --target tde_wine tdeconv >&2
source "$ROOT/scripts/soak-env.sh"
logs="$BUILD/soak-logs"
mkdir -p "$logs"

run_one() {
  local seed="$1" slot="$2"
  export TDE_WINEPREFIX="$BUILD/soak-wineprefix-$slot"
  [ -d "$TDE_WINEPREFIX" ] || cp -a "$ROOT/.wineprefix" "$TDE_WINEPREFIX"
  unset DISPLAY
  soak_env "soak-$slot"
  python3 "$ROOT/tests/soak/monkey.py" --seed "$seed" --actions "$actions" --bound 30
}

pids=()
for i in "${!seeds[@]}"; do
  (run_one "${seeds[$i]}" "$i") >"$logs/${seeds[$i]}.log" 2>&1 &
  pids+=($!)
done
failed=0
for i in "${!seeds[@]}"; do
  if wait "${pids[$i]}"; then status=passed; else status=FAILED; failed=1; fi
  echo "== seed ${seeds[$i]}: $status"
  grep -v '^using DISPLAY' "$logs/${seeds[$i]}.log" | tail -n 45
done
exit "$failed"
