#!/usr/bin/env bash
# Runs a command on a private X server (Xvfb) with a Wine prefix of its own, so that the
# console's windows are real windows:  with_xvfb.sh PREFIX COMMAND [ARGS...]
# (COMMAND may be "wine PROGRAM.exe ..."). The prefix's wineserver starts with this
# display and is stopped at the end: a Wine desktop started without a display (as the
# other tests' prefix is) cannot show windows, and one left running would outlive the
# X server.
set -euo pipefail

if [ "${1:-}" != "--inner" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" --inner "$@"
fi
shift
export WINEPREFIX="$1"
shift
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win64

mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1
  fi
  # Whatever still runs in the prefix belongs to an X server that is gone.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
) 9>"$WINEPREFIX.lock"

status=0
"$@" || status=$?
wineserver -k 2>/dev/null || true
exit $status
