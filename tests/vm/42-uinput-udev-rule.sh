#!/usr/bin/env bash
# The package's udev rule gives the user at the seat /dev/uinput: udevd accepts the rule and tags
# the node "uaccess" (which logind turns into an access right for the active session), and the
# Wii Remote's hidraw line is still there.
set -u
# The guest runs the tests chrooted: udevd and udevadm refuse to work there without this.
export SYSTEMD_IGNORE_CHROOT=1
rules=/run/udev/rules.d
mkdir -p "$rules"
cp "$KV_SRC/packaging/linux/70-kestrovane.rules" "$rules/"
started=
if ! udevadm control --ping 2>/dev/null; then
  /lib/systemd/systemd-udevd --daemon
  started=1
fi
cleanup() {
  rm -f "$rules/70-kestrovane.rules"
  # Its control socket stays behind otherwise, and later programs would wait for udev events.
  if [ -n "$started" ]; then udevadm control --exit; rm -rf /run/udev; fi
}
trap cleanup EXIT
udevadm control --reload
udevadm trigger --action=change /dev/uinput
udevadm settle
fail=0
errors=$(udevadm test "$(udevadm info -q path -n /dev/uinput)" 2>&1 | grep -i '70-kestrovane.rules.*\(error\|invalid\|unknown\)')
if [ -n "$errors" ]; then echo "FAIL: udevd complains: $errors"; fail=1; fi
if udevadm info /dev/uinput | grep -Eq '^(G|Q): uaccess|TAGS=.*:uaccess:'; then
  echo "ok: /dev/uinput is tagged uaccess"
else
  echo "FAIL: /dev/uinput is not tagged uaccess"; udevadm info /dev/uinput; fail=1
fi
exit $fail
