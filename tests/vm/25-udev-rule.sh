#!/usr/bin/env bash
# The udev rule gives the user at the seat (the "uaccess" tag) the Wii Remote's hidraw node and
# the event node of hid-wiimote's key device, for 0306 and 0330, and nothing else: not the
# driver's accelerometer or IR devices, not the hidraw node of another device.
set -u
. "$KV_SRC/tests/vm/lib.sh"
dir=$KV_RESULTS/25-udev-rule
mkdir -p "$dir"
# udevadm test applies the rules of /etc/udev/rules.d and /usr/lib/udev/rules.d (the system's
# own tag joysticks, security keys, ... for the seat too): leave only ours, to see what it grants.
mount -t tmpfs tmpfs /usr/lib/udev/rules.d || exit 1
mount -t tmpfs tmpfs /etc/udev/rules.d || { umount /usr/lib/udev/rules.d; exit 1; }
cp "$KV_SRC/packaging/linux/70-kestrovane.rules" /etc/udev/rules.d/

tagged() {  # tagged SYSFS-PATH: exit 0 when the rules give the device the uaccess tag
  # A device's tags stay in udev's database across events (the next device with the same node
  # number would inherit them): start from none.
  rm -rf /run/udev/data
  udevadm test --action=add "$1" >"$dir/udevadm.txt" 2>&1
  grep -E '^(CURRENT_)?TAGS=' "$dir/udevadm.txt" | grep -q ':uaccess:'
}
untagged() { ! tagged "$1"; }

for product in 0x0306 0x0330; do
  start_wiimote "$dir/$product" --product "$product" || { kv_fail=1; break; }
  hidraw=$(basename "$(hid_hidraw "$WIIMOTE_HID")")
  check "$product: the hidraw node is the seat user's" tagged "/sys/class/hidraw/$hidraw"
  while read -r node name; do
    event=/sys/class/input/$(basename "$node")
    if [ "$name" = "Nintendo Wii Remote" ]; then
      check "$product: the key device '$name' is the seat user's" tagged "$event"
    else
      check "$product: '$name' is not" untagged "$event"
    fi
  done < <(hid_events "$WIIMOTE_HID")
  stop_wiimote
done

# Another device of the same maker (product 0301, which hid-generic takes) is not a Wii Remote.
if start_wiimote "$dir/other" --product 0x0301; then
  hidraw=$(basename "$(hid_hidraw "$WIIMOTE_HID")")
  check "another device's hidraw node is not" untagged "/sys/class/hidraw/$hidraw"
else
  kv_fail=1
fi
stop_wiimote
umount /etc/udev/rules.d /usr/lib/udev/rules.d
exit $kv_fail
