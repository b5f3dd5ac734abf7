#!/usr/bin/env bash
# One command from a fresh clone: installs what is missing, builds, and starts Kestrovane.
#   scripts/run.sh                 the program with the Wii Remote paired to this computer
#   scripts/run.sh --demo          the built-in demonstration on a virtual Wii Remote
#   scripts/run.sh ARGS...         any program arguments (see --help)
# Without a display (no DISPLAY, or the X server does not answer) it runs the demonstration
# under a private Xvfb for a few seconds, saves a screenshot and the virtual Wii Remote's output
# log, and prints where they are.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target kestrovane
program=build/default/src/app/kestrovane

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$program" "$@"
fi

out=$(mktemp -d /tmp/kestrovane-demo-XXXXXX)
seconds=${KESTROVANE_HEADLESS_SECONDS:-8}
echo "No display: running the demonstration under Xvfb for ${seconds}s"
# Xvfb picks a free display number and writes it to fd 3 once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$out/display" >"$out/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 100); do
  grep -q . "$out/display" 2>/dev/null && break
  sleep 0.1
done
number=$(head -n 1 "$out/display")
[ -n "$number" ] || { echo "Xvfb did not start (see $out/xvfb.log)" >&2; exit 1; }
export DISPLAY=":$number"
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
# The demonstration runs on settings of its own and writes no config.ini.
"$program" --demo --virtual-wiimote-log "$out/virtual-wiimote.log" >"$out/program.log" 2>&1 &
app=$!
sleep "$seconds"
import -window root "$out/screenshot.png"
kill -TERM "$app" 2>/dev/null || true
wait "$app" || true
echo "Screenshot:           $out/screenshot.png"
echo "Output reports sent:  $out/virtual-wiimote.log"
echo "Program output:       $out/program.log"
