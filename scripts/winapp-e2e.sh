#!/usr/bin/env bash
# kestrovane.exe under Wine against the Linux program, end to end, with the virtual Wii Remote:
# both run the same scenario and the same keystrokes, and must write the same output reports in
# the same order and show the same captions. Ctrl+S switches the cursor on (11 90), Ctrl+E ends
# the program, which leaves config.ini with its 36 keys and the controller on LED 4 in the
# buttons-only mode. The end of a Windows session does the same.
#   scripts/winapp-e2e.sh WINDOWS-EXE LINUX-PROGRAM
# Needs WINEPREFIX set up and wine on the PATH (scripts/test-windows.sh does both). Starts its
# own X server. Exits non-zero on any difference.
set -euo pipefail
exe=$(realpath "$1")
linux=$(realpath "$2")
wine=${WINE:-wine}

fail() {
  echo "FAIL winapp e2e: $*" >&2
  for f in "$work"/*/output.txt; do [ -s "$f" ] && { echo "--- $f" >&2; tail -n 20 "$f" >&2; }; done
  exit 1
}

source "$(dirname "$0")/winapp-common.sh"
winapp_start_display e2e

# A controller at rest with a few readings.
cat >"$work/scenario.txt" <<'SCENARIO'
battery 150
300 31 00 00 80 80 9a
400 31 00 00 82 7e 9a
SCENARIO
# The captions of the connection set-up, in order. The window is watched from when it is found,
# which may be a moment after the set-up began, and a caption replaced at once by the next
# (with no messages handled in between, as "No Wiimote detected." is) may be read already
# replaced; so each program must show these captions in this order, some perhaps unseen, ending
# with the last, and nothing else.
setup_captions="Kestrovane|Kestrovane - No Wiimote detected.|Kestrovane - Motion Sensor Initialing..|Kestrovane - IR Sensor Initialing..|Kestrovane|"
# in_order SEEN: whether SEEN ("a|b|") is SETUP_CAPTIONS with some captions left out, and ends
# like it.
in_order() {
  awk -v seen="$1" -v all="$setup_captions" 'BEGIN {
    n = split(seen, s, "|") - 1; m = split(all, a, "|") - 1; j = 1
    for (i = 1; i <= n; ++i) { while (j <= m && a[j] != s[i]) ++j; if (j > m) exit 1; ++j }
    exit !(n >= 1 && s[n] == a[m])
  }'
}
captions() { sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p' "$1" | uniq; }
# The set-up has ended once its status request follows the IR camera's last register write.
set_up() {
  [ -f "$1" ] && awk '/(^| )16 04 b0 00 33 / { ir = 1 }
    ir && /(^| )15 00 00 / { ok = 1 } END { exit !ok }' "$1"
}
# The window from when it exists (its captions are watched from then on), then until it shows.
# (The Linux program also has a 1 x 1 window of that name that is never shown.)
find_window() {
  local w
  for w in $(xdotool search --name '^Kestrovane' 2>/dev/null); do
    xwininfo -id "$w" 2>/dev/null | grep -q 'Width: 1$' && continue
    window=$w
    return 0
  done
  return 1
}
visible() { xwininfo -id "$window" 2>/dev/null | grep -q 'IsViewable'; }
logged() { grep -q "^[0-9]* $2 " "$1"; }
exited() { ! kill -0 "$1" 2>/dev/null; }

# run NAME COMMAND...: runs one program through the scenario in its own directory.
run() {
  local name=$1 dir=$work/$1
  shift
  mkdir -p "$dir/config"
  cp "$work/scenario.txt" "$dir/"
  (cd "$dir" && XDG_CONFIG_HOME="$dir/config" exec "$@" --virtual-wiimote scenario.txt \
    --virtual-wiimote-log reports.log) >"$dir/output.txt" 2>&1 &
  local program=$!
  pids+=("$program")
  wait_for 60 find_window || fail "$name: the main window did not appear"
  xprop -spy -id "$window" _NET_WM_NAME >"$dir/captions.spy" 2>/dev/null &
  pids+=($!)
  wait_for 30 visible || fail "$name: the main window was not shown"
  wait_for 30 set_up "$dir/reports.log" || fail "$name: the controller was not set up"
  xdotool windowfocus --sync "$window" key ctrl+s || fail "$name: cannot type into the window"
  wait_for 10 logged "$dir/reports.log" "11 90" || fail "$name: Ctrl+S sent no 11 90"
  xdotool windowfocus --sync "$window" key ctrl+e || fail "$name: cannot type into the window"
  wait_for 30 exited "$program" || fail "$name: Ctrl+E did not end the program"
  wait "$program" || fail "$name: exit status $?"
  local seen
  seen=$(captions "$dir/captions.spy" | tr '\n' '|')
  in_order "$seen" || fail "$name: captions $seen"
  echo "$seen" >"$dir/captions.txt"
  # Every report but the status requests, with repeats of one report counted once: how many
  # status requests the battery timer sends (also nested in the set-up's pauses, when it falls
  # due then), and how often the pointer tick renews the LED byte while the cursor is on,
  # depends on how long each program ran. The set-up's own status request must follow the IR
  # camera's last register write. The Windows log has Windows line ends.
  tr -d '\r' <"$dir/reports.log" | cut -d' ' -f2- >"$dir/all.txt"
  awk '$1 != "15"' "$dir/all.txt" | uniq >"$dir/reports.txt"
  set_up "$dir/all.txt" || fail "$name: no status request after the set-up"
}

# Each program sits alone in its directory, so each writes its config.ini there.
mkdir -p "$work/linux" "$work/windows"
cp "$linux" "$work/linux/kestrovane"
cp "$exe" "$work/windows/kestrovane.exe"
run linux "$work/linux/kestrovane"
run windows "$wine" "$work/windows/kestrovane.exe"

diff -u "$work/linux/reports.txt" "$work/windows/reports.txt" >&2 ||
  fail "the output reports differ (- Linux, + Windows)"
# The set-up, the cursor switched on, then the exit: LED 4 alone and the buttons-only mode.
reports=$(cut -d' ' -f1-3 "$work/windows/reports.txt" | tr '\n' '|')
case "$reports" in
  "12 00 31|12 00 33|"*"|16 04 b0|11 90 00|11 80 00|12 00 30|") ;;
  *) fail "reports: $reports" ;;
esac
ini="$work/windows/config.ini"
[ -f "$ini" ] || fail "no config.ini beside the executable"
keys=$(tr -d '\r' <"$ini" | grep -c '^[A-Za-z0-9]*=')
[ "$keys" = 36 ] || fail "config.ini holds $keys keys, not 36"
# The end of a Windows session (logoff, shutdown) saves and leaves the controller in order too:
# the program is ended right after it answers the session's end.
dir="$work/session"
mkdir -p "$dir"
cp "$work/scenario.txt" "$exe" "$dir/"
(cd "$dir" && exec "$wine" kestrovane.exe --virtual-wiimote scenario.txt \
  --virtual-wiimote-log reports.log) >"$dir/output.txt" 2>&1 &
program=$!
pids+=("$program")
wait_for 60 set_up "$dir/reports.log" || fail "session: the controller was not set up"
"$wine" wineboot --end-session >/dev/null 2>&1 || fail "session: wineboot --end-session failed"
wait_for 30 exited "$program" || fail "session: the program did not end with the session"
last=$(tr -d '\r' <"$dir/reports.log" | tail -n 2 | cut -d' ' -f2-4 | tr '\n' '|')
[ "$last" = "11 80 00|12 00 30|" ] || fail "session: the last reports were $last"
[ "$(tr -d '\r' <"$dir/config.ini" 2>/dev/null | grep -c '^[A-Za-z0-9]*=')" = 36 ] ||
  fail "session: no config.ini with 36 keys"

echo "winapp e2e: the same $(wc -l <"$work/windows/reports.txt") reports as the Linux program;" \
  "captions $(cat "$work/linux/captions.txt") and $(cat "$work/windows/captions.txt")"
