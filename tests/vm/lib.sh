# Shared helpers of the tests in this folder (sourced, not run).
# shellcheck shell=bash

KV_WIIMOTE_BIN=$KV_BUILD/tests/vm/kv_uhid_wiimote
KV_WIIMOTE_DESCRIPTOR=$KV_SRC/tests/fixtures/hid/wiimote-report-descriptor.hex

kv_fail=0
# check DESCRIPTION COMMAND...: runs the command, prints ok/FAIL with the description.
check() {
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
  else
    echo "FAIL: $what"
    kv_fail=1
  fi
}

# Waits up to $1 seconds for the command to succeed.
wait_for() {
  local limit=$1
  shift
  local end=$((SECONDS + limit))
  until "$@"; do
    [ $SECONDS -ge $end ] && return 1
    sleep 0.2
  done
}

# start_wiimote DIR [kv_uhid_wiimote options]: starts the virtual Wii Remote on /dev/uhid with
# its logs in DIR (output.log, input.log) and waits until a driver runs it; sets WIIMOTE_PID and
# WIIMOTE_HID (the sysfs folder of its HID device). With WIIMOTE_WAIT=0 it does not wait (for a
# device no driver takes) and WIIMOTE_HID stays empty.
start_wiimote() {
  local dir=$1
  shift
  mkdir -p "$dir"
  rm -f "$dir/ready"
  "$KV_WIIMOTE_BIN" --descriptor "$KV_WIIMOTE_DESCRIPTOR" --output-log "$dir/output.log" \
    --input-log "$dir/input.log" --ready "$dir/ready" "$@" >"$dir/wiimote.txt" 2>&1 &
  WIIMOTE_PID=$!
  WIIMOTE_HID=
  [ "${WIIMOTE_WAIT:-20}" = 0 ] && return 0
  if ! wait_for "${WIIMOTE_WAIT:-20}" test -s "$dir/ready"; then
    echo "the virtual Wii Remote did not start:"
    cat "$dir/wiimote.txt"
    return 1
  fi
  WIIMOTE_HID=$(cat "$dir/ready")
}

stop_wiimote() {
  [ -n "${WIIMOTE_PID:-}" ] || return 0
  kill "$WIIMOTE_PID" 2>/dev/null
  wait "$WIIMOTE_PID" 2>/dev/null
  WIIMOTE_PID=
}

# The driver bound to the HID device in $1 (empty when none).
hid_driver() { basename "$(readlink "$1/driver" 2>/dev/null)" 2>/dev/null; }
# The hidraw node of the HID device in $1.
hid_hidraw() { echo "/dev/$(ls "$1/hidraw" 2>/dev/null | head -1)"; }
# The event nodes of the HID device in $1, one "NODE NAME" a line.
hid_events() {
  local input
  for input in "$1"/input/input*; do
    [ -d "$input" ] || continue
    echo "/dev/input/$(basename "$input"/event*) $(cat "$input/name")"
  done
}
