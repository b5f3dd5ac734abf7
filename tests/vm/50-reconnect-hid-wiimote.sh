#!/usr/bin/env bash
# Reconnecting with hid-wiimote bound to the controller (see reconnect.sh).
set -u
. "$KV_SRC/tests/vm/lib.sh"
. "$KV_SRC/tests/vm/program.sh"
. "$KV_SRC/tests/vm/reconnect.sh"
export WIIMOTE_WAIT=60  # emulation on a busy host can be slow
start_display 50 || exit 1
run_case wiimote || kv_fail=1
stop_display
exit $kv_fail
