#!/usr/bin/env bash
# The uinput backend under sway (headless, libinput) with one output, against the X11 backend under
# Xvfb with the same layout and the same scenarios:
#  - IR pointing settles within 2 px of where the X11 backend settles;
#  - the tilt path moves 87 px per tick along x only, as on X11, and ends on the same far edge;
#  - a key combination with modifiers and clicks arrive in a Wayland client (wev) in order;
#  - a mouse button held at SIGTERM is released, and the devices are gone after the exit.
set -u
# shellcheck source=tests/vm/wayland.bash
. "$(dirname "$0")/wayland.bash"
wl_sway_test 1
