#!/usr/bin/env bash
# Starts kestrovane.exe under Wine on a private Xvfb with a virtual Wii Remote that holds a few
# buttons and sees two IR points, and writes a PNG screenshot of its main window.
#   scripts/screenshots-windows.sh [OUTPUT-DIRECTORY]   (default docs/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$(realpath -m "${1:-docs/screenshots}")
mkdir -p "$out"
scripts/setup-deps.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j "$(nproc)" --target kestrovane >/dev/null

export WINEPREFIX="$root/build/mingw/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d /tmp/kestrovane-winshots-XXXXXX)
cleanup() {
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  wineserver -k 2>/dev/null || true  # the server of our own prefix only
  rm -rf "$work"
}
trap cleanup EXIT
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do grep -q . "$work/display" 2>/dev/null && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")"

# The scenario of scripts/screenshots.sh: tilted a little, holding A and 1 at the end, pointing
# between two light sources, the accelerometer waving.
{
  echo "battery 186"
  for i in $(seq 0 240); do
    t=$((200 + i * 25))
    x=$(printf '%02x' $((128 + (i % 24) - 12)))
    y=$(printf '%02x' $((128 + ((i * 7) % 30) - 15)))
    buttons=00
    [ "$i" -gt 100 ] && buttons=0a
    echo "$t 33 00 $buttons $x $y 9a 10 20 15 30 40 a4 ff ff ff ff ff ff"
  done
  # Then the buttons go up again (A clicks and 1 types Tab), before the dialog is opened.
  echo "6400 33 00 00 80 80 9a 10 20 15 30 40 a4 ff ff ff ff ff ff"
} >"$work/scenario.txt"
cp build/mingw/src/winapp/kestrovane.exe "$work/"
# Inside a Wine desktop, which draws the window's frame and caption as Windows would.
(cd "$work" && exec wine explorer /desktop=kvshots,800x600 kestrovane.exe \
  --virtual-wiimote scenario.txt) >"$work/program.log" 2>&1 &

window=""
for _ in $(seq 600); do
  window=$(xdotool search --onlyvisible --name '^Kestrovane' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the main window did not appear" >&2; cat "$work/program.log" >&2; exit 1; }
# Until the scenario holds the buttons (2.7 s after the set-up) and the graph has filled.
sleep 5
geometry=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ { x = $NF }
  /Absolute upper-left Y/ { y = $NF } /Width:/ { w = $NF } /Height:/ { h = $NF }
  END { printf "%dx%d+%d+%d", w, h, x, y }')
import -window root -crop "$geometry" +repage "$out/windows-main-window.png"
echo "Screenshot: $out/windows-main-window.png"

# The preferences dialog as Ctrl+P opens it, showing the settings and the first button. It opens
# centred over the main window and larger than it, so it covers the main window; once a point of
# the desktop right of the main window turns into the dialog, the dialog is what stands out
# from the desktop's background.
desk() { import -window root -crop 800x560+0+0 +repage "$work/desk.png"; }
pixel() { convert "$work/desk.png" -format "%[pixel:p{$1}]" info:; }
sleep 3  # until the scenario has let go of the buttons
desk
background=$(pixel 700,500)
# The keys go to the Wine desktop's active window: a click on the graph activates the main window.
desktop=$(xdotool search --name '^kvshots - Wine desktop$' | head -n 1)
xdotool windowfocus --sync "$desktop" mousemove 150 80 click 1
sleep 0.5
xdotool key ctrl+p
for _ in $(seq 100); do
  sleep 0.2
  desk
  [ "$(pixel 420,100)" != "$background" ] && break
done
[ "$(pixel 420,100)" != "$background" ] || { echo "the preferences dialog did not appear" >&2; exit 1; }
sleep 1
desk
geometry=$(convert "$work/desk.png" -bordercolor "$background" -border 1 -trim \
  -format '%wx%h+%[fx:page.x-1]+%[fx:page.y-1]' info:)
convert "$work/desk.png" -crop "$geometry" +repage "$out/windows-preferences.png"
echo "Screenshot: $out/windows-preferences.png ($geometry)"
