#!/usr/bin/env bash
# A Wii Remote Plus (057E:0330) on the kernel: hid-wiimote takes it, and the real program finds
# it through its hidraw node and sets it up like the original.
set -u
. "$KV_SRC/tests/vm/lib.sh"
. "$KV_SRC/tests/vm/program.sh"
dir=$KV_RESULTS/51-wiimote-plus
mkdir -p "$dir"

export WIIMOTE_WAIT=60  # emulation on a busy host can be slow
start_wiimote "$dir" --product 0x0330 || exit 1
check "hid-wiimote drives the Wii Remote Plus" test "$(hid_driver "$WIIMOTE_HID")" = wiimote
start_display 52 || exit 1
start_program "$dir/program"
# Only the program switches the camera on and writes its registers.
check "the program sets it up" wait_for 120 grep -q ' 16 04 b0 00 33 01 33' "$dir/output.log"
for report in '12 00 31' '12 00 33' '13 04' '1a 04' '16 04 b0 00 30 01 08'; do
  check "the program sent $report" grep -q " $report" "$dir/output.log"
done
check "the caption says it is ready" wait_for 20 title_is Kestrovane
echo "title: $(program_title)"
check "the program ends cleanly" stop_program
# LED 4 alone: only the program's exit sends it (the driver lights LED 1).
check "at exit it leaves LED 4 lit" grep -q ' 11 80' "$dir/output.log"
stop_wiimote
stop_display
exit $kv_fail
