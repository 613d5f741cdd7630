#!/usr/bin/env bash
# Regenerates the tool-button pictures and the program icon in resources/
# from scripts/pictures.txt. The outputs are committed.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TDE_BUILD:-$root/build}"
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target mkpictures -j2 >/dev/null
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
"$build/mkpictures" "$root/scripts/pictures.txt" "$out"
cp "$out/toolbtn_main.pxa" "$out/toolbtn_cmap.pxa" "$root/resources/"
cp "$out/tde.ico" "$root/resources/tde.ico"
echo "pictures written"
