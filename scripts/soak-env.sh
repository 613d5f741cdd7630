# Sourced by the long-run scripts (soak.sh, longrun.sh) after ROOT and BUILD
# are set: `soak_env NAME` exports the program and the converter of BUILD and,
# when there is no display, starts a private Xvfb that ends with the script.
soak_env() {
  source "$ROOT/scripts/env.sh"
  export TDE_EXE="$BUILD/wine/tde.exe" TDE_TDECONV="$BUILD/tdeconv"
  if [ -z "${DISPLAY:-}" ]; then
    SOAK_XVFB_STATE="$BUILD/$1-xvfb.state"
    bash "$ROOT/scripts/xvfb.sh" start "$SOAK_XVFB_STATE" >&2
    read -r DISPLAY SOAK_XVFB_PID <"$SOAK_XVFB_STATE"
    export DISPLAY
    trap 'kill "$SOAK_XVFB_PID" 2>/dev/null || true; rm -f "$SOAK_XVFB_STATE"' EXIT
  fi
}
