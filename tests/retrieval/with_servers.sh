#!/usr/bin/env bash
# Runs one retrieval test program with its local servers: a pyftpdlib FTP server on a
# free port of 127.0.0.1 serving a fresh folder. The test finds them through
# VORMS_FTP_PORT, VORMS_SILENT_PORT and VORMS_FTP_ROOT; the servers are stopped when
# the test ends, however it ends.
#   with_servers.sh WINE_RUN TEST_PROGRAM [ARGS...]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
wine_run="$1"; shift

work="$(mktemp -d /tmp/vorms-retrieval.XXXXXX)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/ftp"
/usr/bin/python3 "$here/ftp_server.py" "$work/ftp" "$work/ftp.port" >"$work/ftp.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -f "$work/ftp.port" ] && break; sleep 0.1; done
[ -f "$work/ftp.port" ] || { echo "FTP server did not start:"; cat "$work/ftp.log"; exit 1; }
read -r ftp_port silent_port <"$work/ftp.port"

export VORMS_FTP_PORT="$ftp_port" VORMS_SILENT_PORT="$silent_port" VORMS_FTP_ROOT="$work/ftp"
"$wine_run" "$@"
