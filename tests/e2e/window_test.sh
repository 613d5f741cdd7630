#!/usr/bin/env bash
# The program opens one window per name and ends with exit code 0 when the
# last window is closed from the keyboard or the menu.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

echo "no argument: one window for a new image"
tde_start
id="$(window_wait "無題.pxa")"
sleep 1
screenshot window_untitled
window_key "$id" Escape
window_gone "無題.pxa"
tde_wait_exit
[ "$TDE_RC" -eq 0 ] || fail "exit code $TDE_RC after closing the only window"

echo "two missing files: two windows, the program ends with the last"
tde_start "新しい絵.bmp" "sprite.pxa"
first="$(window_wait "新しい絵.bmp")"
second="$(window_wait "sprite.pxa")"
window_key "$first" Escape
window_gone "新しい絵.bmp"
sleep 1
tde_running || fail "program ended while a window was still open"
window_key "$second" Escape
tde_wait_exit
[ "$TDE_RC" -eq 0 ] || fail "exit code $TDE_RC after closing both windows"
[ ! -e "$WORKDIR/新しい絵.bmp" ] && [ ! -e "$WORKDIR/sprite.pxa" ] ||
  fail "files were written although nothing was saved"

echo "a file named twice and matched by a pattern: one window"
# Pictures that load (an empty file is no picture and opens no window).
convert -size 2x2 xc:red "BMP3:$WORKDIR/tile.bmp"
convert -size 2x2 xc:blue "BMP3:$WORKDIR/other.bmp"
tde_start tile.bmp '*.bmp' tile.bmp
tile="$(window_wait "tile.bmp")"
other="$(window_wait "other.bmp")"
sleep 1
count="$(xdotool search --onlyvisible --name '^tile\.bmp$' | wc -l)"
[ "$count" -eq 1 ] || fail "$count windows for tile.bmp"
window_key "$tile" Escape
window_gone "tile.bmp"
window_key "$other" Escape
tde_wait_exit
[ "$TDE_RC" -eq 0 ] || fail "exit code $TDE_RC"

echo "menu: ﾌｧｲﾙ › ｱﾌﾟﾘｹｰｼｮﾝの終了(&X) ends the program"
tde_start "menu.pxa"
id="$(window_wait "menu.pxa")"
sleep 0.5
window_click "$id" 15 10
sleep 0.5
screenshot window_file_menu
xdotool key x
tde_wait_exit
[ "$TDE_RC" -eq 0 ] || fail "exit code $TDE_RC after choosing exit"
echo "ok"
