#!/usr/bin/env bash
# Starts or stops the local SMTP servers of the mail tests (see smtp_servers.py).
#   smtp_servers.sh start STATE_DIR   fresh state, servers up, ports in STATE_DIR/ports.ini
#   smtp_servers.sh stop STATE_DIR    ends them
set -euo pipefail
action="$1"
state="$2"
here="$(cd "$(dirname "$0")" && pwd)"

stop() {
  if [ -f "$state/pid" ]; then
    pid="$(cat "$state/pid")"
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
    rm -f "$state/pid"
  fi
}

case "$action" in
  start)
    stop
    rm -rf "$state"
    mkdir -p "$state"
    # Detached from CTest's pipes, which it would otherwise wait on.
    setsid /usr/bin/python3 "$here/smtp_servers.py" "$state" </dev/null >"$state/server.log" 2>&1 &
    echo $! >"$state/pid"
    for _ in $(seq 200); do
      [ -f "$state/ports.ini" ] && exit 0
      kill -0 "$(cat "$state/pid")" 2>/dev/null || break
      sleep 0.1
    done
    cat "$state/server.log" >&2
    stop
    exit 1
    ;;
  stop)
    stop
    ;;
esac
