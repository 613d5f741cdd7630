#!/usr/bin/env bash
# The long monkey run: scripts/soak.sh [ACTIONS] [SEED...]
# Builds what is missing, starts Xvfb when there is no display, and runs
# tests/soak/monkey.py once per seed (default: 20000 actions, one random
# seed). Each run prints its seed and memory figures; a failure prints the
# seed and the last actions for a replay.
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
soak_env soak
for seed in "${seeds[@]}"; do
  python3 "$ROOT/tests/soak/monkey.py" --seed "$seed" --actions "$actions" --bound 30
done
