#!/usr/bin/env bash
# config.exe as a user meets it: its own process on a private X server (Xvfb), driven
# from outside with xdotool (the menu bar from the keyboard, a button clicked with the
# mouse), with a screenshot of the main window and of each dialog.
#   with_xvfb.sh PREFIX console_xvfb_test.sh CONFIG_EXE SHOT_FOLDER
set -euo pipefail

config="$1" shots="$2"
position="$(dirname "$config")/control_position.exe"

rm -rf "$shots"
mkdir -p "$shots/program"
cp "$config" "$shots/program/config.exe"
ini="$shots/program/plomenk.ini"
# Proxy and mail on, so that their dialogs can be opened from the menus.
printf '[FTP]\r\nUseProxy=1\r\n[SMTP]\r\nEnable=1\r\n' >"$ini"

wine "$shots/program/config.exe" &
console_pid=$!
cleanup() { kill "$console_pid" 2>/dev/null || true; }
trap cleanup EXIT

fail() {
  echo "FAILED: $*" >&2
  import -window root "$shots/failure.png" 2>/dev/null || true
  exit 1
}

# The X window whose title begins with $1, waited for up to 60 s.
window_of() {
  local id
  for _ in $(seq 1 240); do
    id=$(xdotool search --onlyvisible --name "^$1" 2>/dev/null | head -n1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.25
  done
  return 1
}

gone() {
  for _ in $(seq 1 40); do
    xdotool search --onlyvisible --name "^$1" >/dev/null 2>&1 || return 0
    sleep 0.25
  done
  return 1
}

shot() { sleep 0.5; import -window "$1" "$shots/$2.png"; }

keys() {
  for k in "$@"; do xdotool key "$k"; sleep 0.3; done
}

main=$(window_of "GUI version") || fail "the main window did not appear"
xdotool windowfocus "$main" 2>/dev/null || true
shot "$main" main

# Each dialog from the keyboard: F10 to the menu bar, arrows to the item, Enter.
open_dialog() {  # caption shot keys...
  local caption="$1" name="$2"
  shift 2
  xdotool windowfocus "$main" 2>/dev/null || true
  keys F10 "$@"
  local id
  id=$(window_of "$caption") || fail "$caption did not open from the keyboard"
  shot "$id" "$name"
  keys Escape
  gone "$caption" || fail "Escape did not close $caption"
}
open_dialog "Protocols" protocols Right Down Return
grep -qi '^UseThis=1' "$ini" || fail "the protocol dialog did not store the FTP choice"
open_dialog "Proxy Parameters" proxy Right Down Down Down Return
open_dialog "SMTP Parameters" smtp Right Right Down Down Return
open_dialog "About Vormsline" about Right Right Right Right Right Down Return

# "Start now" clicked with the mouse where it is drawn.
read -r x y < <(wine "$position" "GUI version" "Start now" | tr -d '\r') ||
  fail "no Start now button"
xdotool mousemove "$x" "$y" click 1
for _ in $(seq 1 40); do
  grep -qi '^StartActions=1' "$ini" && break
  sleep 0.25
done
grep -qi '^StartActions=1' "$ini" || fail "clicking Start now did not ask for a check"
shot "$main" main_after_start

# "Quit" from the keyboard ends the program.
xdotool windowfocus "$main" 2>/dev/null || true
keys F10 Return Down Return
for _ in $(seq 1 40); do
  kill -0 "$console_pid" 2>/dev/null || break
  sleep 0.25
done
if kill -0 "$console_pid" 2>/dev/null; then fail "Quit did not end the program"; fi
trap - EXIT
echo "screenshots in $shots"
