#!/usr/bin/env bash
# A private CUPS scheduler with one PDF printer, for the printing tests. It
# runs in the foreground of its own session with every file under DIR and
# listens only on a socket file; no system-wide service is used or needed.
#   cups.sh start DIR   starts cupsd, adds the printer "PDF" (cups-pdf, the
#                       default) and writes the socket path to DIR/server;
#                       without CUPS installed it says so and writes nothing
#   cups.sh stop DIR    ends the cupsd started in DIR
# Jobs land as PDF files in the submitting user's ~/PDF (cups-pdf's setting).
# Use it with: export CUPS_SERVER="$(cat DIR/server)".
set -euo pipefail

cmd="${1:-}"
dir="${2:-}"
if [ -z "$cmd" ] || [ -z "$dir" ]; then
  echo "usage: cups.sh start|stop DIR" >&2
  exit 2
fi

PPD=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd

stop() {
  if [ -f "$dir/cupsd.pid" ]; then
    local pid
    pid="$(cat "$dir/cupsd.pid")"
    local sockdir=""
    [ -f "$dir/server" ] && sockdir="$(dirname "$(cat "$dir/server")")"
    rm -f "$dir/cupsd.pid" "$dir/server"
    case "$sockdir" in /tmp/tde-cups.*) rm -rf "$sockdir" ;; esac
    if kill "$pid" 2>/dev/null; then
      for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
      done
      echo "stopped cupsd (pid $pid)"
    fi
  fi
}

write_config() {
  local sock="$1"
  mkdir -p "$dir/etc/ppd" "$dir/spool/tmp" "$dir/cache" "$dir/state" "$dir/log"
  chmod 0710 "$dir/spool"
  cat >"$dir/etc/cupsd.conf" <<EOF
Listen $sock
LogLevel warn
Browsing No
WebInterface No
DefaultAuthType None
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
<Location />
  Order allow,deny
  Allow all
</Location>
EOF
  cat >"$dir/etc/cups-files.conf" <<EOF
ServerRoot $dir/etc
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
ServerBin /usr/lib/cups
DataDir /usr/share/cups
DocumentRoot /usr/share/cups/doc-root
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
FileDevice Yes
Sandboxing Relaxed
EOF
  # Printers of an earlier run would come back from here.
  rm -f "$dir/etc/printers.conf" "$dir/etc/ppd/"*.ppd
}

start() {
  if [ ! -x /usr/sbin/cupsd ] || [ ! -f "$PPD" ]; then
    echo "CUPS or cups-pdf is not installed: no printer (run scripts/setup.sh)"
    exit 0
  fi
  stop
  mkdir -p "$dir"
  dir="$(cd "$dir" && pwd)"
  # A socket path has room for about 100 bytes.
  local sock="$dir/cups.sock"
  if [ ${#sock} -gt 100 ]; then
    sock="$(mktemp -d /tmp/tde-cups.XXXXXX)/cups.sock"
  fi
  rm -f "$sock"
  write_config "$sock"
  setsid /usr/sbin/cupsd -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" \
    </dev/null >"$dir/log/cupsd.out" 2>&1 &
  echo $! >"$dir/cupsd.pid"
  export CUPS_SERVER="$sock"
  for _ in $(seq 100); do
    lpstat -r >/dev/null 2>&1 && break
    sleep 0.1
  done
  if ! lpstat -r >/dev/null 2>&1; then
    echo "cupsd did not start:" >&2
    cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null || true
    stop
    exit 1
  fi
  # lpadmin warns that printer drivers are deprecated; the PPD still works.
  lpadmin -p PDF -v cups-pdf:/ -P "$PPD" -E 2>/dev/null
  lpadmin -d PDF
  echo "$sock" >"$dir/server"
  echo "started cupsd (pid $(cat "$dir/cupsd.pid")) on $sock with printer PDF"
}

case "$cmd" in
  start) start ;;
  stop) stop ;;
  *)
    echo "usage: cups.sh start|stop DIR" >&2
    exit 2
    ;;
esac
