#!/usr/bin/env bash
# Screenshot of the window framework: a small picture shown magnified with the
# pixel and character grids, captured from the screen by the Wine test
# XwinScreen (which also checks the pixels) and kept as a PNG artefact.
set -euo pipefail
test_exe="$(dirname "$TDE_EXE")/tde_wine_test.exe"
mkdir -p "$TDE_ARTIFACTS"
rm -f "$TDE_ARTIFACTS/xwin_magnified.bmp"
"$test_exe" --gtest_filter='XwinScreen.*'
convert "$TDE_ARTIFACTS/xwin_magnified.bmp" "$TDE_ARTIFACTS/xwin_magnified.png"
rm -f "$TDE_ARTIFACTS/xwin_magnified.bmp"
echo "artefact: $TDE_ARTIFACTS/xwin_magnified.png"
