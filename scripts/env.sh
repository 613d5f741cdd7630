# Environment shared by the project's scripts (sourced, not run).
# Wine runs in the project's own prefix, in a Japanese locale (code page 932),
# without the Mono and Gecko installers and without its own diagnostics.
TDE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${TDE_WINEPREFIX:-$TDE_ROOT/.wineprefix}"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8
