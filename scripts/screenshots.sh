#!/usr/bin/env bash
# Starts the real program under a private Xvfb with a virtual Wii Remote that holds a few buttons
# and sees two IR points, opens the preferences dialog with its shortcut, and writes PNG
# screenshots of both windows.
#   scripts/screenshots.sh [OUTPUT-DIRECTORY]   (default docs/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/screenshots}")
mkdir -p "$out"
scripts/setup-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target kestrovane >/dev/null

work=$(mktemp -d /tmp/kestrovane-shots-XXXXXX)
cleanup() {
  [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do grep -q . "$work/display" 2>/dev/null && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")"

# A controller tilted a little, holding A and 1, pointing between two light sources; the
# accelerometer waves so the graph has something to show.
{
  echo "battery 186"
  for i in $(seq 0 120); do
    t=$((200 + i * 25))
    x=$(printf '%02x' $((128 + (i % 24) - 12)))
    y=$(printf '%02x' $((128 + ((i * 7) % 30) - 15)))
    buttons=00
    [ "$i" -gt 100 ] && buttons=0a
    echo "$t 33 00 $buttons $x $y 9a 10 20 15 30 40 a4 ff ff ff ff ff ff"
  done
} >"$work/scenario.txt"

cp build/default/src/app/kestrovane "$work/kestrovane"
"$work/kestrovane" --virtual-wiimote "$work/scenario.txt" >"$work/program.log" 2>&1 &
app=$!

window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --class kestrovane 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the main window did not appear" >&2; cat "$work/program.log" >&2; exit 1; }
sleep 3.5  # let the scenario reach the held buttons
import -window "$window" "$out/main-window.png"

xdotool windowfocus --sync "$window" key ctrl+p
dialog=""
for _ in $(seq 50); do
  dialog=$(xdotool search --onlyvisible --name '^Preference$' 2>/dev/null | head -n 1 || true)
  [ -n "$dialog" ] && break
  sleep 0.1
done
[ -n "$dialog" ] || { echo "the preferences dialog did not open" >&2; exit 1; }
sleep 0.5
import -window "$dialog" "$out/preferences.png"
echo "Screenshots: $out/main-window.png $out/preferences.png"
