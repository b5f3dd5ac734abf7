# The real program loses its Wii Remote (the uhid device destroyed) and finds it again (created
# anew): the lost device is given back (no hidraw handle, no read thread left), the caption says
# no controller is there, and the new one gets the whole set-up. Sourced by the reconnect tests
# (after lib.sh and program.sh); run_case DRIVER runs it with the controller driven by DRIVER
# and appends the time from creating the device to the end of the set-up (the caption
# "Kestrovane" follows at once), in the virtual Wii Remote's own time, to
# $KV_RESULTS/reconnect.txt.
# shellcheck shell=bash

# Reports only the program sends: its reporting modes and its IR camera set-up.
setup_reached() {
  local log=$1 report
  for report in '12 00 31' '12 00 33' '13 04' '1a 04' '16 04 b0 00 30 01 08' \
    '16 04 b0 00 33 01 33' '15 00'; do
    grep -q " $report" "$log" || return 1
  done
}

# "FIRST LAST" from an output log: milliseconds after the device was created of the program's
# first set-up report and of the status request that closes the set-up.
setup_times() {
  awk '$2 == "12" && $3 == "00" && $4 == "31" && first == "" { first = $1 }
       first != "" && $2 == "16" && $4 == "b0" && $6 == "33" && $8 == "33" { camera = 1 }
       camera && $2 == "15" { print first, $1; exit }' "$1"
}

not_connected() {
  local t
  t=$(program_title)
  [ "$t" = "Kestrovane - No Wiimote detected." ] || [ "$t" = "Device not found" ]
}

run_case() {
  local driver=$1 run=$KV_RESULTS/reconnect-$1
  start_wiimote "$run/first" || return 1
  check "[$driver] the controller is driven by $driver" test "$(hid_driver "$WIIMOTE_HID")" = "$driver"
  start_program "$run/program"
  check "[$driver] the set-up reached the controller" wait_for 120 setup_reached "$run/first/output.log"
  check "[$driver] set up at start" wait_for 20 title_is Kestrovane
  local threads
  threads=$(program_threads)
  check "[$driver] one hidraw handle while connected" test "$(program_hidraw_fds)" -ge 1

  stop_wiimote  # destroys the uhid device
  check "[$driver] the caption says no controller is there" wait_for 20 not_connected
  check "[$driver] the lost device's handles are closed" wait_for 10 test "$(program_hidraw_fds)" = 0
  check "[$driver] its read thread has ended" test "$(program_threads)" -lt "$threads"
  sleep 2
  check "[$driver] still no controller, and no error caption" not_connected

  start_wiimote "$run/second" || { stop_program; return 1; }
  check "[$driver] set up again" wait_for 60 title_is Kestrovane
  check "[$driver] the whole set-up reached the new controller" \
    wait_for 10 setup_reached "$run/second/output.log"
  local times
  read -r -a times <<<"$(setup_times "$run/second/output.log")"
  echo "[$driver] device created to first set-up report ${times[0]:-?} ms," \
    "to the end of the set-up ${times[1]:-?} ms" | tee -a "$KV_RESULTS/reconnect.txt"
  check "[$driver] no thread more than before the loss" test "$(program_threads)" -le "$threads"
  check "[$driver] the program ends cleanly" stop_program
  check "[$driver] config.ini written" test -s "$run/program/config.ini"
  stop_wiimote
}

