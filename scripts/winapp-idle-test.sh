#!/usr/bin/env bash
# kestrovane.exe under Wine with no controller: once its caption says "Device not found" there is
# nothing to do until a device comes, and the program must sleep. Counts the wake-ups (voluntary
# context switches, summed over the process's threads) of the Wine process over a few seconds:
# at most 3 a second. A timer ticking for nothing (the 10 ms pointer tick, the 20 ms repeat tick,
# the 50 ms redraw) would cost tens to hundreds.
#   scripts/winapp-idle-test.sh WINDOWS-EXE
# Needs WINEPREFIX set up and wine on the PATH (scripts/test-windows.sh does both). Starts its
# own X server. Exits non-zero on failure.
set -euo pipefail
exe=$(realpath "$1")
wine=${WINE:-wine}
seconds=5
fail() {
  echo "FAIL idle: $*" >&2
  exit 1
}

source "$(dirname "$0")/winapp-common.sh"
winapp_start_display idle

cp "$exe" "$work/kestrovane.exe"
# Inside a Wine desktop, as the other tests: closing is quick there.
(cd "$work" && exec "$wine" explorer /desktop=kvidle,800x600 kestrovane.exe) \
  >"$work/output.txt" 2>&1 &
pids+=($!)
waiting() { xdotool search --name "^Device not found$" >/dev/null 2>&1; }
wait_for 60 waiting || fail "the caption never said \"Device not found\""

# The Windows process itself (its threads are Linux threads under this name).
program=""
find_program() {
  local pid
  for pid in $(pgrep -f "kestrovane.exe" || true); do
    [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = kestrovane.exe ] && program=$pid && return 0
  done
  return 1
}
wait_for 10 find_program || fail "no kestrovane.exe process"
wake_ups() { cat /proc/"$program"/task/*/status 2>/dev/null | awk '/^voluntary_ctxt/ { s += $2 } END { print s }'; }

sleep 2  # the set-up of the caption and the window's first paint
before=$(wake_ups)
sleep "$seconds"
after=$(wake_ups)
rate=$(((after - before) / seconds))
echo "idle: $((after - before)) wake-ups in ${seconds} s without a controller"
[ "$rate" -le 3 ] || fail "$rate wake-ups a second while idle, at most 3 expected"
# The program ends at the session's end (wineserver -k below ends the desktop).
"$wine" wineboot --end-session >/dev/null 2>&1 || true
