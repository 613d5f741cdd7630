#!/usr/bin/env bash
# Configures and builds everything (native core, sanitized twins, the Win32
# program and its tests) in build/. Extra arguments go to the build tool.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TDE_BUILD_DIR:-$ROOT/build}"
JOBS="${TDE_JOBS:-2}"
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$BUILD" -j"$JOBS" "$@"
