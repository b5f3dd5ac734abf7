#!/usr/bin/env bash
# The tray icon of kestrovane.exe under Wine, inside a Wine desktop (which has a taskbar with a
# notification area): Ctrl+M hides the window and puts the icon in the notification area; a
# double click on the icon brings the window back and takes the icon away; Ctrl+E then ends the
# program, which writes config.ini. Observed on screenshots of the 800 x 600 desktop: the window
# sits at the top left, the notification area at the bottom right.
#   scripts/winapp-tray-test.sh WINDOWS-EXE
# Needs WINEPREFIX set up and wine on the PATH (scripts/test-windows.sh does both). Starts its
# own X server. Exits non-zero on failure.
set -euo pipefail
exe=$(realpath "$1")
wine=${WINE:-wine}
fail() {
  echo "FAIL tray: $*" >&2
  [ -f "$work/shot.png" ] && cp "$work/shot.png" "${TMPDIR:-/tmp}/kv-tray-failure.png" &&
    echo "last screenshot: ${TMPDIR:-/tmp}/kv-tray-failure.png" >&2
  exit 1
}

source "$(dirname "$0")/winapp-common.sh"
WAIT_POLL=0.2  # each look takes a screenshot
winapp_start_display tray

shoot() { import -window root -crop 800x600+0+0 "$work/shot.png" 2>/dev/null; }
pixel() { convert "$work/shot.png" -format "%[pixel:p{$1}]" info:; }
# The window's client area (inside its "IR Sensor" box) against the desktop beside it.
window_shown() { shoot && [ "$(pixel 150,300)" != "$(pixel 600,300)" ]; }
window_hidden() { shoot && [ "$(pixel 150,300)" = "$(pixel 600,300)" ]; }
# An icon shows as many colours in the bottom-right corner; the bare taskbar or desktop as few.
corner_colours() {
  convert "$work/shot.png" -crop 22x16+776+582 +repage -unique-colors -format %w info:
}
icon_shown() { window_hidden && [ "$(corner_colours)" -gt 4 ]; }
icon_gone() { window_shown && [ "$(corner_colours)" -le 2 ]; }

printf 'battery 150\n300 31 00 00 80 80 9a\n' >"$work/scenario.txt"
cp "$exe" "$work/kestrovane.exe"
(cd "$work" && exec "$wine" explorer /desktop=kvtray,800x600 kestrovane.exe \
  --virtual-wiimote scenario.txt) >"$work/output.txt" 2>&1 &
program=$!
pids+=("$program")
wait_for 60 window_shown || fail "the main window did not appear"
sleep 1
desktop=$(xdotool search --name '^kvtray - Wine desktop$' | head -n 1)
[ -n "$desktop" ] || fail "no Wine desktop window"
xdotool windowfocus --sync "$desktop" mousemove 200 150 click 1
xdotool key ctrl+m
wait_for 20 icon_shown || fail "Ctrl+M: the icon did not replace the window"
xdotool mousemove 787 590 click --repeat 2 --delay 80 1
wait_for 20 icon_gone || fail "double click on the icon: the window did not come back"
xdotool key ctrl+e
exited() { ! kill -0 "$program" 2>/dev/null; }
wait_for 30 exited || fail "Ctrl+E did not end the program"
[ -f "$work/config.ini" ] || fail "no config.ini after the exit"
echo "tray: minimised into the notification area and restored by a double click: ok"
