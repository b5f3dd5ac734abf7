#!/usr/bin/env bash
# The virtual Wii Remote on /dev/uhid meets the kernel: hid-wiimote takes it (0x0306 and the Wii
# Remote Plus, 0x0330), talks to it through the engine's answers, and gives it input devices;
# without the driver hid-generic takes it; either way its hidraw node carries every report.
set -u
. "$KV_SRC/tests/vm/lib.sh"
dir=$KV_RESULTS/20-wiimote-driver

for product in 0x0306 0x0330; do
  start_wiimote "$dir/$product" --product "$product" || exit 1
  check "hid-wiimote drives $product" test "$(hid_driver "$WIIMOTE_HID")" = wiimote
  check "$product has a hidraw node" test -c "$(hid_hidraw "$WIIMOTE_HID")"
  check "$product has the driver's input devices" compgen -G "$WIIMOTE_HID/input/input*" >/dev/null
  hid_events "$WIIMOTE_HID"
  # The driver asks for a status at bind time and sets LED 1.
  check "the driver asked $product for its status" wait_for 10 grep -q ' 15 00' "$dir/$product/output.log"
  check "the driver lit LED 1 of $product" wait_for 10 grep -q ' 11 10' "$dir/$product/output.log"
  stop_wiimote
  check "$product is gone when the virtual Wii Remote ends" test ! -d "$WIIMOTE_HID"
done

# Without hid-wiimote nothing takes a Wii Remote (the kernel lists it as a device with a driver of
# its own), and with no driver there is no hidraw node either.
"$KV_MODULE" unload hid-wiimote
WIIMOTE_WAIT=0 start_wiimote "$dir/none"
check "the device is there" wait_for 10 compgen -G "/sys/devices/virtual/misc/uhid/0005:057E:0306.*"
sleep 2
none=$(ls -d /sys/devices/virtual/misc/uhid/0005:057E:0306.* | tail -1)
check "no driver takes it without hid-wiimote" test -z "$(hid_driver "$none")"
check "and it has no hidraw node" test ! -e "$none/hidraw"
stop_wiimote
# hid-generic takes it when told to ignore that list.
echo 1 >/sys/module/hid/parameters/ignore_special_drivers
start_wiimote "$dir/generic" || {
  echo 0 >/sys/module/hid/parameters/ignore_special_drivers
  "$KV_MODULE" load hid-wiimote
  exit 1
}
check "hid-generic drives it without hid-wiimote" test "$(hid_driver "$WIIMOTE_HID")" = hid-generic
check "nothing talks to it without hid-wiimote" test ! -s "$dir/generic/output.log"
# The hidraw node carries output reports to the device and its answers back.
node=$(hid_hidraw "$WIIMOTE_HID")
exec 3<>"$node"
printf '\x15\x00' >&3
answer=$(timeout 5 head -c 22 <&3 | od -An -tx1 | tr -d ' \n')
exec 3>&-
check "a status request through hidraw is answered with a status report" \
  test "${answer:0:2}" = 20
stop_wiimote
echo 0 >/sys/module/hid/parameters/ignore_special_drivers
"$KV_MODULE" load hid-wiimote
exit $kv_fail
