#!/usr/bin/env bash
# The real program under Xvfb drives the virtual Wii Remote through the kernel (hidraw), twice:
# with hid-wiimote bound (the program as root, as the udev rule lets the user at the seat open
# the hidraw node and the driver's key device), and without hid-wiimote (hid-generic bound).
#
# Each run: the set-up reaches the controller; 30 s of streaming with the battery timer running,
# measured on the controller's side (share of reports in 0x33, longest accelerometer gap); B
# switches the cursor on (LEDs 0x90: the program decodes the buttons);
# meanwhile an ordinary reader of the driver's "Nintendo Wii Remote" device counts key presses
# (double input), which an earlier reader saw before the program started; SIGTERM ends the program with LED 4 and mode 0x30 and writes config.ini; then
# the driver's device delivers the buttons again.
set -u
. "$KV_SRC/tests/vm/lib.sh"
base=$KV_RESULTS/30-program
mkdir -p "$base"
figures=$base/figures.txt
: >"$figures"
seconds=30

Xvfb :7 -screen 0 1280x1024x24 -nolisten tcp -ac >"$base/xvfb.txt" 2>&1 &
xvfb=$!
export DISPLAY=:7
wait_for 30 test -S /tmp/.X11-unix/X7 || { echo "FAIL: Xvfb did not start"; exit 1; }

press() {  # press BUTTONWORD: held for 150 ms
  echo "buttons $1" >"$control"
  sleep 0.15
  echo "buttons 0000" >"$control"
}

# presses_seen NODE FILE: starts an ordinary reader of NODE, presses A, and prints how many key
# presses the reader got.
presses_seen() {
  python3 "$KV_SRC/tests/vm/evdev_keys.py" "$1" >"$2" 2>&1 &
  local pid=$!
  wait_for 30 grep -q reading "$2"
  press 0008
  sleep 5
  kill -TERM "$pid"
  wait "$pid"
  awk '/^presses/ { print $2 }' "$2"
}

# Output reports the program sent after the set-up (lines of output.log after the IR mode write).
after_setup() { sed -n '/ 16 04 b0 00 33 01 33/,$p' "$dir/output.log" | tail -n +2; }
logged() { after_setup | grep -q " $1"; }

run() {
  local name=$1
  dir=$base/$name
  control=/tmp/wiimote-$name.fifo  # the results share takes no FIFOs
  rm -rf "$dir"
  mkdir -p "$dir/prog"
  echo "--- run: $name"
  start_wiimote "$dir" --stream 100 --control "$control" || return 1
  local driver
  driver=$(hid_driver "$WIIMOTE_HID")
  echo "driver: ${driver:-none}"
  local buttons_node reader=
  buttons_node=$(hid_events "$WIIMOTE_HID" | awk '$2 == "Nintendo" && NF == 4 { print $1 }')
  if [ -n "$buttons_node" ]; then
    check "$name: before the program the driver's buttons reach others" \
      test "$(presses_seen "$buttons_node" "$dir/reader-before.txt")" -ge 1
    python3 "$KV_SRC/tests/vm/evdev_keys.py" "$buttons_node" >"$dir/reader-held.txt" 2>&1 &
    reader=$!
    wait_for 30 grep -q reading "$dir/reader-held.txt"
  fi

  cp "$KV_BUILD/src/app/kestrovane" "$dir/prog/"
  (cd "$dir/prog" && exec ./kestrovane) >"$dir/program.txt" 2>&1 &
  local program=$!

  check "$name: the program sets up the controller" wait_for 120 \
    grep -q ' 16 04 b0 00 33 01 33' "$dir/output.log"
  check "$name: the program asks for the status after the set-up" wait_for 10 logged '15 00 00'
  sleep $((seconds + 1))
  local m
  m=$(python3 "$KV_SRC/tests/vm/wiimote_logs.py" "$dir" --seconds "$seconds")
  echo "$m"

  # Under emulation on a busy host the program may take many seconds to catch up, and the
  # press may last longer than the 300 ms of a click: held or clicked, B turns the cursor on.
  press 0004
  check "$name: B switches the cursor on (LEDs 1 and 4)" wait_for 60 logged '11 90'
  local unexpected
  unexpected=$(after_setup | awk '$2 == "11" && $3 != "80" && $3 != "90" && $3 != "91"' | head -3)
  check "$name: no LED report but the program's after the set-up" test -z "$unexpected"
  [ -z "$unexpected" ] || echo "$unexpected"

  sleep 3  # the reader has time to see what the desktop would
  kill -TERM "$program"
  wait "$program"
  local rc=$?
  check "$name: SIGTERM ends the program cleanly" test "$rc" -eq 0
  check "$name: LED 4 and mode 0x30 at exit" \
    bash -c "tac '$dir/output.log' | sed '/ 11 80/q' | grep -q ' 12 00 30'"
  check "$name: config.ini written at exit" grep -q '^\[General\]' "$dir/prog/config.ini"

  local held=-
  if [ -n "$reader" ]; then
    kill -TERM "$reader"
    wait "$reader"
    held=$(awk '/^presses/ { print $2 }' "$dir/reader-held.txt")
    # The driver's device works again once the program has let go.
    check "$name: the driver's buttons reach others again after the program ends" \
      test "$(presses_seen "$buttons_node" "$dir/reader-after.txt")" -ge 1
  fi
  stop_wiimote
  echo "$name: driver ${driver:-none}; $m; key presses others saw while the program held the controller: $held" |
    tee -a "$figures"
  heldPresses=$held
  measured=$m
}

# The share of reports in the program's mode must be 99 %. The gaps are printed: on hardware
# the keeper answers the driver within milliseconds, but under emulation the virtual machine
# itself stalls for hundreds, so the check only asks that the controller never stays out of the
# program's mode for a whole battery-timer period (it did, for good, before the keeper).
share_ok() {
  python3 "$KV_SRC/tests/vm/wiimote_logs.py" "$dir" --seconds "$seconds" --min-share 0.99 \
    --max-gap-ms 900
}

heldPresses=- measured=
run grabbed
check "grabbed: no double input (others saw no key presses)" test "$heldPresses" = 0
check "grabbed: >= 99 % of reports in 0x33, never out of it for a second" share_ok


# Without hid-wiimote, hid-generic takes the controller only when told to ignore the kernel's
# list of devices that have a driver of their own (else nothing takes it: no hidraw node).
"$KV_MODULE" unload hid-wiimote
echo 1 >/sys/module/hid/parameters/ignore_special_drivers
run no-driver
echo 0 >/sys/module/hid/parameters/ignore_special_drivers
"$KV_MODULE" load hid-wiimote
check "no-driver: >= 99 % of reports in 0x33, never out of it for a second" share_ok

kill "$xvfb"
wait "$xvfb" 2>/dev/null
echo "figures:"
cat "$figures"
exit $kv_fail
