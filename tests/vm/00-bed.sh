#!/usr/bin/env bash
# The test bed itself: the guest runs the kernel it was meant to, with the modules the other tests
# rely on, the device nodes devtmpfs makes, and the environment the tests are given.
set -u
fail=0
check() { if "$@"; then :; else echo "FAIL: $*"; fail=1; fi; }
echo "kernel $(uname -r)"
check test "${KV_VM:-}" = 1
check test -d "$KV_SRC/tests/vm"
check test -f "$KV_BUILD/CMakeCache.txt"
check touch "$KV_RESULTS/.writable"
for m in hid uhid hid_generic hid_wiimote ff_memless uinput evdev; do
  check test -d "/sys/module/$m"
done
check test -c /dev/uhid
check test -c /dev/uinput
"$KV_MODULE" unload hid-wiimote && check test ! -d /sys/module/hid_wiimote
"$KV_MODULE" load hid-wiimote && check test -d /sys/module/hid_wiimote
exit $fail
