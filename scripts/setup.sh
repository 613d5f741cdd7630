#!/usr/bin/env bash
# Installs what the project needs on Debian 12 and prepares the project's own
# Wine prefix (.wineprefix in the repository, never ~/.wine). Safe to run
# again: each step is skipped when already done.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Debian packages. Other parts of the project add theirs to this list.
PACKAGES=(
  build-essential cmake g++ clang clang-format
  libclang-rt-14-dev
  wine wine64 wine64-tools libwine-dev fonts-wine
  libjpeg62-turbo-dev libspng-dev libgtest-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils imagemagick
  netpbm libtiff-tools libjpeg-turbo-progs pngcheck
  fonts-ipafont fonts-ipafont-gothic locales
  python3
)
# Printing and clipboard tests: a private CUPS with a PDF printer, PDF pages
# as pictures, the X clipboard from outside, a GTK drag source. Installed
# without their recommendations (avahi, colord: services nothing here uses).
PACKAGES_LEAN=(
  cups printer-driver-cups-pdf poppler-utils xclip python3-gi gir1.2-gtk-3.0
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

log() { printf 'setup: %s\n' "$*"; }

# install_packages [APT-OPTION...] -- PACKAGE...
install_packages() {
  local opts=() missing=()
  local p
  while [ "$1" != "--" ]; do
    opts+=("$1")
    shift
  done
  shift
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return
  fi
  log "installing ${missing[*]}"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${opts[@]}" "${missing[@]}"
}

# Wine reports code page 932 only when a Japanese UTF-8 locale exists.
generate_locale() {
  if locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    return
  fi
  log "generating ja_JP.UTF-8"
  if grep -q '^# *ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    $SUDO sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  elif ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  fi
  $SUDO locale-gen
}

# Wine draws caption buttons with the Marlett font; Debian ships it in Wine's
# data folder, where Wine 8 does not look, so the prefix gets a copy.
install_marlett() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" src
  if [ -f "$fonts/marlett.ttf" ]; then
    return
  fi
  for src in /usr/share/wine/fonts/marlett.ttf /usr/lib/wine/fonts/marlett.ttf; do
    if [ -f "$src" ]; then
      mkdir -p "$fonts"
      cp "$src" "$fonts/"
      return
    fi
  done
  log "marlett.ttf not found (install fonts-wine): caption buttons will show letters"
}

# The settings are imported again when they change (their hash is the stamp).
prepare_prefix() {
  local reg="$ROOT/scripts/wine-settings.reg"
  local stamp="$WINEPREFIX/.tde-ready"
  local want
  want="$(sha1sum "$reg" | cut -d' ' -f1)"
  if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then
    return
  fi
  log "preparing Wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  # No display is needed here; keep Wine from looking for one.
  (
    unset DISPLAY
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      wineboot -i >/dev/null 2>&1 || true
    fi
    # regedit reads a version 5 file as UTF-16 only with a byte-order mark.
    local tmp="$WINEPREFIX/drive_c/tde-settings.reg"
    { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$reg"; } >"$tmp"
    wine regedit /S 'C:\tde-settings.reg' >/dev/null 2>&1
    rm -f "$tmp"
    wineserver -w
  )
  if ! grep -q 'IPAPGothic' "$WINEPREFIX/user.reg" 2>/dev/null ||
    ! grep -q '"UseTakeFocus"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    log "settings did not reach $WINEPREFIX/user.reg"
    exit 1
  fi
  echo "$want" >"$stamp"
}

# --prefix-only: only make sure the Wine prefix is ready (used by the tests).
if [ "${1:-}" != "--prefix-only" ]; then
  install_packages -- "${PACKAGES[@]}"
  install_packages --no-install-recommends -- "${PACKAGES_LEAN[@]}"
  generate_locale
fi
source "$ROOT/scripts/env.sh"
prepare_prefix
install_marlett
log "ready"
