#!/usr/bin/env bash
# Runs a command in the project's Wine environment. Without a display it uses
# the X server named in $TDE_XVFB_STATE (see xvfb.sh).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
if [ -z "${DISPLAY:-}" ] && [ -n "${TDE_XVFB_STATE:-}" ] && [ -f "$TDE_XVFB_STATE" ]; then
  read -r display _ <"$TDE_XVFB_STATE"
  export DISPLAY="$display"
fi
# Tests leave screenshots and other artefacts here.
if [ -n "${TDE_ARTIFACTS:-}" ]; then
  mkdir -p "$TDE_ARTIFACTS"
fi
exec "$@"
