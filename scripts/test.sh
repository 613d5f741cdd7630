#!/usr/bin/env bash
# The project's test command: sets up, builds every tier and runs them all in
# one CTest run (labels unit, sanitized, wine, e2e). The wine and e2e tiers get
# their own Xvfb from CTest fixtures when there is no display.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TDE_BUILD_DIR:-$ROOT/build}"

bash "$ROOT/scripts/setup.sh"
bash "$ROOT/scripts/build.sh"
cd "$BUILD"
ctest --output-on-failure -j"${TDE_JOBS:-2}" "$@"
