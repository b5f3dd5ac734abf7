#!/usr/bin/env bash
# The uhid tests of the Linux HID backend, which skip where there is no /dev/uhid: here they must
# all run, and pass.
set -u
bin=$KV_BUILD/tests/kv_linux_tests
out=$KV_RESULTS/10-uhid-backend.txt
"$bin" --gtest_filter='LinuxHidUhid*' 2>&1 | tee "$out"
rc=${PIPESTATUS[0]}
[ "$rc" -eq 0 ] || { echo "FAIL: the uhid backend tests failed ($rc)"; exit 1; }
if grep -q '\[  SKIPPED \]' "$out"; then echo "FAIL: tests were skipped"; exit 1; fi
ran=$(sed -n 's/.*\[  PASSED  \] \([0-9]*\) tests\{0,1\}\..*/\1/p' "$out")
expected=$(grep -c '^TEST_F(LinuxHidUhid' "$KV_SRC/tests/linux/linux_hid_uhid_test.cpp")
[ "${ran:-0}" -eq "$expected" ] || { echo "FAIL: $ran of $expected tests passed"; exit 1; }
echo "ok: all $expected uhid backend tests ran and passed"
