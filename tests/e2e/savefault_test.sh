#!/usr/bin/env bash
# Saving when the disk says no: "上書き保存" and "名前をつけて保存" onto a full
# file system, into a read-only folder, over a file marked read-only or one
# that cannot be replaced, into a folder removed after opening, through a
# link, and the program killed while it writes a large picture. Each time the old file is intact (or wholly replaced), no
# temporary file is left beside it, the picture stays in its window and stays
# modified (a failed save as leaves it the old file's), and a message box
# titled "保存エラー" tells the person.
# The file-system cases need root (mount, chattr); without it they are
# skipped with a message.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
TDECONV="${TDE_TDECONV:?TDE_TDECONV names the converter}"

MOUNTS=()
finish() {
  local m
  screenshot savefault_last || true
  for m in "${MOUNTS[@]}"; do umount -l "$m" 2>/dev/null || true; done
  chattr -i "$WORKDIR/imm/pic.bmp" 2>/dev/null || true
  cleanup
}
trap finish EXIT

# A 40 x 24 direct-colour picture that no rotation maps onto itself, and
# what +90° makes of it.
python3 - "$WORKDIR/pic.ppm" <<'EOF'
import sys
w, h = 40, 24
px = bytes(v for y in range(h) for x in range(w) for v in (x * 6, y * 10, (x * y) & 255))
open(sys.argv[1], "wb").write(b"P6 %d %d 255\n" % (w, h) + px)
EOF
"$TDECONV" "$WORKDIR/pic.ppm" "$WORKDIR/pic.bmp" >/dev/null
rotated_sum() { convert "$1" -rotate 90 rgb:- | md5sum; }
ROTATED="$(rotated_sum "$WORKDIR/pic.ppm")"

# mounted DIR OPTIONS : a small tmpfs on $WORKDIR/DIR; false when the
# system does not let this test mount one.
mounted() {
  mkdir -p "$WORKDIR/$1"
  mount -t tmpfs -o "$2" tdetest "$WORKDIR/$1" 2>"$WORKDIR/mount.err" || return 1
  MOUNTS+=("$WORKDIR/$1")
}
skip() { echo "SKIP: $* ($(head -c 200 "$WORKDIR/mount.err" 2>/dev/null))"; }

# Keyboard roads through the menus.
rotate() {
  menu "$DOC" Right Right Down Down Right Return
  sleep 0.8
}
save() { menu "$DOC" Down Down Down Down Return; }
save_as() {
  menu "$DOC" Down Down Down Down Down Return
  window_wait ファイルをセーブします >/dev/null
  sleep 0.5
  xdotool type --delay 40 "$1"
  xdotool key Return
}

# open NAME : starts the program on NAME and turns the picture +90°.
open_rotated() {
  tde_start "$1"
  DOC="$(window_wait "$1")"
  sleep 1
  rotate
}

# told : the "保存エラー" box is up; it is answered.
told() {
  local box
  box="$(window_wait 保存エラー 20)"
  screenshot "savefault_$1"
  window_key "$box" Return
  window_gone 保存エラー
}

# kept : the window is there and its picture is still modified: closing it
# asks the save question (answered ｷｬﾝｾﾙ, so the window stays).
kept() {
  xdotool getwindowname "$DOC" >/dev/null 2>&1 || fail "$1: the window is gone"
  window_key "$DOC" Escape
  local q
  q="$(window_wait ファイルは変更されています)" || fail "$1: the picture is no longer modified"
  window_key "$q" Escape
  window_gone ファイルは変更されています
  tde_running || fail "$1: the program ended"
}

# no_temps DIR : nothing but finished files beside the pictures.
no_temps() {
  local left
  left="$(find "$1" -name '*~tde*' 2>/dev/null | head -n3)"
  [ -z "$left" ] || fail "temporary files left: $left"
}

# intact FILE MD5 / is_rotated FILE [MD5] : the old file, or the new
# picture whole (it loads, and its pixels are those of the window).
intact() { [ "$(md5sum <"$1")" = "$2" ] || fail "$1 was changed"; }
is_rotated() {
  "$TDECONV" -i "$1" >/dev/null || fail "$1 does not load"
  "$TDECONV" "$1" "$WORKDIR/check.bmp" >/dev/null
  [ "$(convert "$WORKDIR/check.bmp" rgb:- | md5sum)" = "${2:-$ROTATED}" ] ||
    fail "$1 is not the picture"
  rm -f "$WORKDIR/check.bmp"
}

# discard : closes the window without saving; the program ends.
discard() {
  window_key "$DOC" Escape
  window_key "$(window_wait ファイルは変更されています)" n
  tde_wait_exit
  [ "$TDE_RC" -eq 0 ] || fail "exit code $TDE_RC"
}

echo "control: a save into a writable folder replaces the file with the picture"
mkdir "$WORKDIR/ok"
cp "$WORKDIR/pic.bmp" "$WORKDIR/ok/"
open_rotated ok/pic.bmp
before="$(md5sum <"$WORKDIR/ok/pic.bmp")"
save
wait_changed "$WORKDIR/ok/pic.bmp" "$before"
sleep 0.5
is_rotated "$WORKDIR/ok/pic.bmp"
no_temps "$WORKDIR/ok"
window_key "$DOC" Escape
tde_wait_exit

echo "a full file system: save, save as and the save question's はい all fail and say so"
if mounted full size=256k; then
  cp "$WORKDIR/pic.bmp" "$WORKDIR/full/"
  sum="$(md5sum <"$WORKDIR/full/pic.bmp")"
  dd if=/dev/zero of="$WORKDIR/full/filler" bs=4k 2>/dev/null || true
  open_rotated full/pic.bmp
  save
  told full_save
  intact "$WORKDIR/full/pic.bmp" "$sum"
  no_temps "$WORKDIR/full"
  kept "full save"
  save_as 'full\other.bmp'
  told full_saveas
  [ ! -e "$WORKDIR/full/other.bmp" ] || fail "save as left full/other.bmp"
  no_temps "$WORKDIR/full"
  [ "$(xdotool getwindowname "$DOC")" = full/pic.bmp ] ||
    fail "a failed save as renamed the window: $(xdotool getwindowname "$DOC")"
  kept "full save as"
  # The save question: はい fails too, and the window stays.
  window_key "$DOC" Escape
  window_key "$(window_wait ファイルは変更されています)" Return
  told full_close
  no_temps "$WORKDIR/full"
  kept "full close"
  # With room again the picture, still whole, reaches the disk.
  rm "$WORKDIR/full/filler"
  save
  wait_changed "$WORKDIR/full/pic.bmp" "$sum"
  sleep 0.5
  is_rotated "$WORKDIR/full/pic.bmp"
  [ ! -e "$WORKDIR/full/other.bmp" ] || fail "the save went to full/other.bmp"
  no_temps "$WORKDIR/full"
  window_key "$DOC" Escape
  tde_wait_exit
else
  skip "cannot mount a tmpfs for the full file system"
fi

echo "a read-only folder: save and save as fail and say so"
if mounted ro size=256k; then
  cp "$WORKDIR/pic.bmp" "$WORKDIR/ro/"
  mount -o remount,ro "$WORKDIR/ro"
  if touch "$WORKDIR/ro/probe" 2>/dev/null; then fail "the remounted folder is writable"; fi
  sum="$(md5sum <"$WORKDIR/ro/pic.bmp")"
  open_rotated ro/pic.bmp
  save
  told ro_save
  intact "$WORKDIR/ro/pic.bmp" "$sum"
  kept "read-only save"
  save_as 'ro\new.bmp'
  told ro_saveas
  [ ! -e "$WORKDIR/ro/new.bmp" ] || fail "save as wrote ro/new.bmp"
  no_temps "$WORKDIR/ro"
  kept "read-only save as"
  discard
else
  skip "cannot mount a read-only tmpfs"
fi

echo "a file marked read-only (mode 444) in a writable folder stays as it is"
mkdir "$WORKDIR/mode"
cp "$WORKDIR/pic.bmp" "$WORKDIR/mode/"
chmod 444 "$WORKDIR/mode/pic.bmp"
sum="$(md5sum <"$WORKDIR/mode/pic.bmp")"
open_rotated mode/pic.bmp
save
told mode_save
intact "$WORKDIR/mode/pic.bmp" "$sum"
no_temps "$WORKDIR/mode"
kept "read-only file"
discard

echo "a save through a link replaces the file it names and keeps the link"
mkdir "$WORKDIR/link"
cp "$WORKDIR/pic.bmp" "$WORKDIR/link/real.bmp"
ln -s real.bmp "$WORKDIR/link/pic.bmp"
open_rotated link/pic.bmp
save
wait_changed "$WORKDIR/link/real.bmp" "$(md5sum <"$WORKDIR/pic.bmp")"
sleep 0.5
[ -L "$WORKDIR/link/pic.bmp" ] || fail "the save replaced the link by a file"
is_rotated "$WORKDIR/link/real.bmp"
no_temps "$WORKDIR/link"
window_key "$DOC" Escape
tde_wait_exit

echo "a file that cannot be replaced (immutable): the temporary file goes again"
mkdir "$WORKDIR/imm"
cp "$WORKDIR/pic.bmp" "$WORKDIR/imm/"
if chattr +i "$WORKDIR/imm/pic.bmp" 2>"$WORKDIR/mount.err"; then
  sum="$(md5sum <"$WORKDIR/imm/pic.bmp")"
  open_rotated imm/pic.bmp
  save
  told imm_save
  intact "$WORKDIR/imm/pic.bmp" "$sum"
  no_temps "$WORKDIR/imm"
  kept "immutable save"
  discard
  chattr -i "$WORKDIR/imm/pic.bmp"
else
  skip "chattr +i does not work here"
fi

echo "the folder removed after opening: save fails and says so, save as elsewhere rescues"
mkdir "$WORKDIR/gone"
cp "$WORKDIR/pic.bmp" "$WORKDIR/gone/"
open_rotated gone/pic.bmp
rm -r "$WORKDIR/gone"
save
told gone_save
[ ! -e "$WORKDIR/gone" ] || fail "the save made the folder again"
no_temps "$WORKDIR"
kept "folder gone"
save_as rescued.bmp
wait_file "$WORKDIR/rescued.bmp"
sleep 0.5
is_rotated "$WORKDIR/rescued.bmp"
no_temps "$WORKDIR"
window_key "$DOC" Escape
tde_wait_exit

echo "killed while writing a 4096 x 4096 picture: the old file stays"
python3 - "$WORKDIR/big.ppm" <<'EOF'
import sys
n = 4096
row = bytes(v for x in range(n) for v in (x & 255, x >> 4, 128))
with open(sys.argv[1], "wb") as f:
    f.write(b"P6 %d %d 255\n" % (n, n))
    for y in range(n):
        f.write(row[3 * (y & 255):] + row[:3 * (y & 255)])
EOF
"$TDECONV" "$WORKDIR/big.ppm" "$WORKDIR/big.pxa" >/dev/null
BIGROT="$(rotated_sum "$WORKDIR/big.ppm")"
rm "$WORKDIR/big.ppm"
TEMP="$WORKDIR/big.pxa.~tde"
sum="$(md5sum <"$WORKDIR/big.pxa")"
tde_start big.pxa
DOC="$(window_wait big.pxa 120)"
sleep 1
rotate
sleep 2
save
for ((i = 0; i < 3000; i++)); do
  [ -e "$TEMP" ] && break
  sleep 0.01
done
[ -e "$TEMP" ] || fail "no temporary file appeared while saving"
# The file is made in memory and written at the end: the kill waits for its
# first bytes on the disk, to land in the middle of the write.
for ((i = 0; i < 6000; i++)); do
  { [ -s "$TEMP" ] || [ ! -e "$TEMP" ]; } && break
  sleep 0.005
done
{
  kill -KILL "$TDE_PID"
  wait "$TDE_PID" || true
} 2>/dev/null
echo "  killed with $(stat -c %s "$TEMP" 2>/dev/null || echo no) bytes of the temporary file written"
sleep 1
if [ "$(md5sum <"$WORKDIR/big.pxa")" = "$sum" ]; then
  echo "  killed mid-write; the old file is intact"
  again="$BIGROT"
else
  echo "  the save finished before the kill; the file must be the new picture"
  is_rotated "$WORKDIR/big.pxa" "$BIGROT"
  again=""
fi
echo "  the next start opens the file; its save replaces any leftover"
tde_start big.pxa
DOC="$(window_wait big.pxa 120)"
sleep 1
touch "$TEMP"
rotate
sleep 2
save
for ((i = 0; i < 1200; i++)); do
  [ -e "$TEMP" ] || break
  sleep 0.1
done
sleep 0.5
no_temps "$WORKDIR"
if [ -n "$again" ]; then
  is_rotated "$WORKDIR/big.pxa" "$again"
else
  "$TDECONV" -i "$WORKDIR/big.pxa" >/dev/null || fail "big.pxa does not load"
fi
window_key "$DOC" Escape
tde_wait_exit 60
[ "$TDE_RC" -eq 0 ] || fail "exit code $TDE_RC"
echo "ok"
