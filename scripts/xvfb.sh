#!/usr/bin/env bash
# Starts or stops a private X server for the tests when there is no display.
#   xvfb.sh start STATEFILE   writes "DISPLAY PID" to STATEFILE (nothing when a
#                             display is already there)
#   xvfb.sh stop STATEFILE    ends the server named in STATEFILE
set -euo pipefail

cmd="${1:-}"
state="${2:-}"
if [ -z "$cmd" ] || [ -z "$state" ]; then
  echo "usage: xvfb.sh start|stop STATEFILE" >&2
  exit 2
fi

case "$cmd" in
  start)
    rm -f "$state"
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
      echo "using DISPLAY=$DISPLAY"
      exit 0
    fi
    mkdir -p "$(dirname "$state")"
    numfile="$state.num"
    rm -f "$numfile"
    # -displayfd picks a free display number, so parallel runs do not collide.
    setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
      3>"$numfile" </dev/null >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 100); do
      if [ -s "$numfile" ]; then break; fi
      sleep 0.1
    done
    num="$(tr -d '[:space:]' <"$numfile" 2>/dev/null || true)"
    rm -f "$numfile"
    if [ -z "$num" ]; then
      kill "$pid" 2>/dev/null || true
      echo "Xvfb did not start" >&2
      exit 1
    fi
    echo ":$num $pid" >"$state"
    echo "started Xvfb on :$num (pid $pid)"
    ;;
  stop)
    if [ -f "$state" ]; then
      read -r display pid <"$state" || true
      rm -f "$state"
      if [ -n "${pid:-}" ]; then
        kill "$pid" 2>/dev/null || true
        echo "stopped Xvfb on $display"
      fi
    fi
    ;;
  *)
    echo "usage: xvfb.sh start|stop STATEFILE" >&2
    exit 2
    ;;
esac
