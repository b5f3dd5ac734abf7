#!/usr/bin/env bash
# Reconnecting without hid-wiimote: hid-generic drives the controller (see reconnect.sh). It takes
# a Wii Remote only when told to ignore the kernel's list of devices with a driver of their own.
set -u
. "$KV_SRC/tests/vm/lib.sh"
. "$KV_SRC/tests/vm/program.sh"
. "$KV_SRC/tests/vm/reconnect.sh"
export WIIMOTE_WAIT=60  # emulation on a busy host can be slow
"$KV_MODULE" unload hid-wiimote
echo 1 >/sys/module/hid/parameters/ignore_special_drivers
start_display 51 || kv_fail=1
[ $kv_fail = 0 ] && { run_case hid-generic || kv_fail=1; }
stop_display
echo 0 >/sys/module/hid/parameters/ignore_special_drivers
"$KV_MODULE" load hid-wiimote
exit $kv_fail
