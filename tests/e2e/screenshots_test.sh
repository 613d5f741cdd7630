#!/usr/bin/env bash
# The README's pictures can still be made: scripts/screenshots.sh runs into a
# temporary folder and every picture it should make is there and not blank.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

bash "$ROOT/scripts/screenshots.sh" "$out"

expected=(editor context-menu toolmenu toolmenu-cmap cmap rubber-band rotation
  dlg-new dlg-properties dlg-drawing dlg-binarise dlg-colour dlg-save)
for i in $(seq -w 0 31); do expected+=("btn/m$i"); done
for i in 0 1 2 3 4 5 6 7 8; do expected+=("btn/c0$i"); done
for name in "${expected[@]}"; do
  f="$out/$name.png"
  [ -s "$f" ] || { echo "FAIL: $name.png was not made" >&2; exit 1; }
  # Blank: one colour only, or a picture too small to show a window.
  read -r colours w h <<<"$(identify -format '%k %w %h' "$f")"
  [ "$colours" -gt 2 ] || { echo "FAIL: $name.png is blank ($colours colours)" >&2; exit 1; }
  [ "$w" -ge 16 ] && [ "$h" -ge 16 ] || { echo "FAIL: $name.png is only ${w}x$h" >&2; exit 1; }
done
echo "ok: ${#expected[@]} pictures"
