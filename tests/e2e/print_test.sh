#!/usr/bin/env bash
# 印刷 to a real printer: a private CUPS scheduler with a PDF printer (the
# cups fixture, scripts/cups.sh). The window's view with its pixel grid must
# come out on the page enlarged to the page's width and centred. Without a
# scheduler Wine has no printer: its print dialog only says that one must be
# installed, and the program goes on.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
EX=(python3 "$(dirname "${BASH_SOURCE[0]}")/exchange.py")
"${EX[@]}" blocks "$WORKDIR/blocks.bmp"

# print_menu ID : 設定 › ピクセル罫線, then ﾌｧｲﾙ › 印刷.
print_menu() {
  menu "$1" Right Right Right Down Return
  sleep 0.3
  menu "$1" Down Down Down Down Down Down Down Return
}

echo "no printer: Wine says a printer is needed, nothing printed, no crash"
CUPS_SERVER="$WORKDIR/no-such-cups.sock" tde_start blocks.bmp
id="$(window_wait blocks.bmp)"
sleep 1
print_menu "$id"
note="$(window_wait 印刷)"
sleep 0.5
window_key "$note" Return
window_gone 印刷
sleep 0.5
tde_running || fail "the program ended after 印刷 without a printer"
window_key "$id" Escape
tde_wait_exit
[ "$TDE_RC" -eq 0 ] || fail "exit code $TDE_RC"

if [ ! -s "${TDE_CUPS_DIR:-/nonexistent}/server" ]; then
  echo "print: no CUPS scheduler (scripts/cups.sh); the printer part is skipped"
  exit 0
fi
export CUPS_SERVER
CUPS_SERVER="$(cat "$TDE_CUPS_DIR/server")"
# cups-pdf writes to the PDF folder in the home that the password database
# gives the job's user.
OUT="$(getent passwd "$(id -un)" | cut -d: -f6)/PDF"
mkdir -p "$OUT"
ls "$OUT" >"$WORKDIR/before"

echo "印刷 to the PDF printer: the view enlarged to the page"
tde_start blocks.bmp
id="$(window_wait blocks.bmp)"
sleep 1
print_menu "$id"
dlg="$(window_wait 印刷)"
sleep 0.5
window_key "$dlg" Return
window_gone 印刷
pdf=""
for _ in $(seq 300); do
  if [ -z "$(lpstat -o 2>/dev/null)" ]; then
    pdf="$(ls "$OUT" | grep -vxF -f "$WORKDIR/before" | grep '\.pdf$' | head -n1 || true)"
    [ -n "$pdf" ] && pdfinfo "$OUT/$pdf" >/dev/null 2>&1 && break
    pdf=""
  fi
  sleep 0.2
done
[ -n "$pdf" ] || fail "no PDF appeared in $OUT"
mv "$OUT/$pdf" "$ARTIFACTS/print_page.pdf"
pages="$(pdfinfo "$ARTIFACTS/print_page.pdf" | sed -n 's/^Pages: *//p')"
[ "$pages" = 1 ] || fail "$pages pages printed"
pdftoppm -r 150 -aa no -aaVector no -png -singlefile "$ARTIFACTS/print_page.pdf" \
  "$ARTIFACTS/print_page"
"${EX[@]}" page "$ARTIFACTS/print_page.png" "$WORKDIR/blocks.bmp" ||
  fail "the printed page does not show the window's view"
window_key "$id" Escape
tde_wait_exit
[ "$TDE_RC" -eq 0 ] || fail "exit code $TDE_RC"
echo "print: all checks passed"
