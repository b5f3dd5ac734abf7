#!/usr/bin/env bash
# The preferences dialog of kestrovane.exe under Wine, end to end with the virtual Wii Remote:
# Ctrl+P opens the dialog "Preference"; in it, "Invert Horizontal" is ticked, Ctrl+S is pressed
# in the key-capture edit and set on the current button ("Up"), and Apply closes it. Later in the
# scenario the virtual Wii Remote presses Up: the program types Ctrl+S, which reaches its own main
# window as input and switches the cursor on (output report 11 90). Ctrl+E then ends the program,
# whose config.ini holds InvertH=1 and Up assigned Ctrl+S.
#
# The typed combination is observed inside the program rather than in the X server: Wine's
# synthetic input goes into Wine's own input queue, to its foreground window, and never through
# the X server, so an X client would see nothing; the main window's Ctrl+S shortcut sees it.
#   scripts/winapp-dialog-test.sh WINDOWS-EXE
# Needs WINEPREFIX set up and wine on the PATH (scripts/test-windows.sh does both). Starts its
# own X server. Exits non-zero on failure.
set -euo pipefail
exe=$(realpath "$1")
wine=${WINE:-wine}
fail() {
  echo "FAIL dialog: $*" >&2
  [ -s "$work/reports.log" ] && { echo "--- reports.log" >&2; tail -n 5 "$work/reports.log" >&2; }
  exit 1
}

source "$(dirname "$0")/winapp-common.sh"
winapp_start_display dialog

# Up (0x0800) is pressed once, late enough for the dialog to be done with by then.
press_ms=20000
cat >"$work/scenario.txt" <<SCENARIO
battery 150
300 31 00 00 80 80 9a
$press_ms 31 08 00 80 80 9a
$((press_ms + 150)) 31 00 00 80 80 9a
SCENARIO
cp "$exe" "$work/kestrovane.exe"
(cd "$work" && exec "$wine" kestrovane.exe --virtual-wiimote scenario.txt \
  --virtual-wiimote-log reports.log) >"$work/output.txt" 2>&1 &
program=$!
pids+=("$program")

shown() { xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }
find_main() { main=$(xdotool search --name '^Kestrovane' 2>/dev/null | head -n 1) && shown "$main"; }
find_dialog() { dialog=$(xdotool search --name '^Preference$' 2>/dev/null | head -n 1) && shown "$dialog"; }
dialog_gone() { ! shown "$dialog"; }
set_up() {
  [ -f "$work/reports.log" ] && awk '/(^| )16 04 b0 00 33 / { ir = 1 }
    ir && /(^| )15 00 00 / { ok = 1 } END { exit !ok }' "$work/reports.log"
}
cursor_on() { tr -d '\r' <"$work/reports.log" | grep -q '^[0-9]* 11 90 '; }
exited() { ! kill -0 "$program" 2>/dev/null; }
# Clicks a point of the dialog's client area, which is the whole X window Wine makes for it.
click() { xdotool mousemove --window "$dialog" "$1" "$2" click 1; sleep 0.3; }

wait_for 60 find_main || fail "the main window did not appear"
wait_for 30 set_up || fail "the controller was not set up"
xdotool windowfocus --sync "$main" key ctrl+p
wait_for 20 find_dialog || fail "Ctrl+P did not open the dialog \"Preference\""
geometry=$(xwininfo -id "$dialog" | awk '/Width:/ { w = $NF } /Height:/ { h = $NF } END { print w "x" h }')
[ "$geometry" = 449x372 ] || fail "the dialog's client area is $geometry, not 449x372"
sleep 0.5
click 20 184   # "Invert Horizontal"
click 300 95   # the key-capture edit
xdotool key ctrl+s
sleep 0.3
click 408 118  # Set in the "Keys" box, for the current button "Up"
click 335 348  # Apply
wait_for 10 dialog_gone || fail "Apply did not close the dialog"
last_ms=$(tr -d '\r' <"$work/reports.log" | tail -n 1 | cut -d' ' -f1)
[ "$last_ms" -lt "$press_ms" ] || fail "too slow: the dialog was done at $last_ms ms"
cursor_on && fail "the cursor went on before the button was pressed"

xdotool windowfocus --sync "$main"
wait_for 40 cursor_on || fail "pressing Up typed no Ctrl+S into the program"
on_ms=$(tr -d '\r' <"$work/reports.log" | awk '$2 == "11" && $3 == "90" { print $1; exit }')
[ "$on_ms" -ge "$press_ms" ] || fail "the cursor went on at $on_ms ms, before the press"
xdotool windowfocus --sync "$main" key ctrl+e
wait_for 30 exited || fail "Ctrl+E did not end the program"
ini=$(tr -d '\r' <"$work/config.ini" 2>/dev/null) || fail "no config.ini"
value() { awk -F= -v s="[$1]" -v k="$2" '$0 == s { in_s = 1; next } /^\[/ { in_s = 0 }
  in_s && $1 == k { print substr($0, length(k) + 2) }' <<<"$ini"; }
[ "$(value Motion InvertH)" = 1 ] || fail "InvertH is '$(value Motion InvertH)', not 1"
[ "$(value Up Type)" = Keys ] && [ "$(value Up Value)" = Ctrl+S ] ||
  fail "Up is assigned '$(value Up Type)' '$(value Up Value)', not Keys Ctrl+S"
echo "dialog: Ctrl+P opened it; Apply took InvertH; Up set to Ctrl+S in it typed Ctrl+S at $on_ms ms: ok"
