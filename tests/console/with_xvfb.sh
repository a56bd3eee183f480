#!/usr/bin/env bash
# Runs a Windows program of the build under Wine on a private X server (Xvfb), so that
# the console's windows are real windows: with_xvfb.sh WINE_RUN PROGRAM [ARGS...]
set -euo pipefail
wine_run="$1"
shift
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
  bash -c 'exec "$0" --display "$DISPLAY" "$@"' "$wine_run" "$@"
