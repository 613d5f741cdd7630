#!/usr/bin/env bash
# A short monkey run: a few hundred random actions with a fixed seed (the
# long run is scripts/soak.sh). Fails on a crash, a hang, an assertion, a
# saved file that does not load, or memory beyond its bound.
set -euo pipefail
: "${TDE_TDECONV:?TDE_TDECONV names the converter}"
exec python3 "$(dirname "${BASH_SOURCE[0]}")/../soak/monkey.py" \
  --seed "${TDE_MONKEY_SEED:-1}" --actions "${TDE_MONKEY_ACTIONS:-250}"
