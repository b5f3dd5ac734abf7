# Shared by the Wayland tests of the VM bed (sourced, not run): sway headless on libinput with
# the program's uinput devices, wev as the Wayland client that reads the pointer and keys back,
# and Xvfb with the X11 backend for the same scenario to compare with.
# shellcheck shell=bash

WL_DIR=/tmp/kv-wayland
WL_RT=$WL_DIR/rt
KV_BIN=$WL_DIR/bin/kestrovane

wl_log() { echo "wayland: $*"; }

# udevd tags the devices for libinput (without it neither sway nor Xorg sees any).
wl_setup() {
  # The guest runs the tests chrooted: udevd and udevadm refuse to work there without this.
  export SYSTEMD_IGNORE_CHROOT=1
  rm -rf "$WL_DIR"
  mkdir -p "$WL_DIR/bin" "$WL_RT"
  chown nobody:nogroup "$WL_RT"
  chmod 700 "$WL_RT"
  cp "$KV_BUILD/src/app/kestrovane" "$KV_BIN"
  if ! udevadm control --ping 2>/dev/null; then
    /lib/systemd/systemd-udevd --daemon
    WL_STARTED_UDEVD=1
  fi
  udevadm trigger --action=add
  udevadm settle
}

# seatd hands sway the input devices, as sway refuses to run as root.
wl_start_seatd() {
  if ! pgrep -x seatd >/dev/null; then
    rm -f /run/seatd.sock
    SEATD_VTBOUND=0 seatd -u nobody -g nogroup >"$WL_DIR/seatd.log" 2>&1 &
    WL_SEATD_PID=$!
    for _ in $(seq 50); do [ -S /run/seatd.sock ] && break; sleep 0.1; done
  fi
}

# Stops what wl_setup and the tests started, so that later tests find the guest as it was.
wl_teardown() {
  mkdir -p "$KV_RESULTS/wayland"
  cp "$WL_DIR"/*.log "$WL_RT"/*.log "$KV_RESULTS/wayland/" 2>/dev/null
  wl_stop_sway
  wl_stop_xvfb
  if [ -n "${WL_SEATD_PID:-}" ]; then
    kill "$WL_SEATD_PID" 2>/dev/null
    wait "$WL_SEATD_PID" 2>/dev/null
    rm -f /run/seatd.sock
  fi
  # udevd leaves its control socket behind, which would make later programs wait for udev events
  # that no longer come: remove its run-time state with it.
  if [ -n "${WL_STARTED_UDEVD:-}" ]; then
    udevadm control --exit 2>/dev/null
    rm -rf /run/udev
  fi
}

# A sway command, tried again while sway is too busy to answer in time.
wl_swaymsg() {
  for _ in $(seq 10); do swaymsg "$1" >/dev/null 2>&1 && return 0; sleep 0.5; done
  wl_log "swaymsg '$1' failed"
  return 1
}

# sway with $1 outputs of 1280x800 side by side, no borders, the program's window sent away to
# a workspace of its own so that wev fills the outputs.
wl_start_sway() {
  local outputs=$1
  cat >"$WL_DIR/sway.conf" <<CONF
output HEADLESS-1 mode 1280x800 position 0 0
output HEADLESS-2 mode 1280x800 position 1280 0
default_border none
default_floating_border none
focus_follows_mouse no
no_focus [title="Kestrovane"]
xwayland disable
workspace 1 output HEADLESS-1
workspace 2 output HEADLESS-2
for_window [title="Kestrovane"] move container to workspace 9
CONF
  wl_launch_sway "$outputs" || return 1
  local i
  for i in $(seq "$outputs"); do
    # Once only: a command that timed out may still have run.
    swaymsg "workspace $i; exec sh -c 'echo \$\$ >$WL_RT/wev$i.pid && exec stdbuf -oL wev' >$WL_RT/wev$i.log 2>&1" >/dev/null 2>&1
  done
  wl_swaymsg "workspace 1"
  for i in $(seq "$outputs"); do
    for _ in $(seq 300); do grep -aq 'configure: width: 1280' "$WL_RT/wev$i.log" 2>/dev/null && break; sleep 0.1; done
    if ! grep -aq 'configure: width: 1280' "$WL_RT/wev$i.log" 2>/dev/null; then
      wl_log "wev $i did not fill its output"
      cat "$WL_RT/wev$i.log"
      tail -n 30 "$WL_DIR/sway.log"
      return 1
    fi
  done
}

# Starts sway as uid 65534 with $1 headless outputs and the config in $WL_DIR/sway.conf, and
# waits (up to 30 s) until its IPC answers. Extra environment for sway (and so for its bar) follows.
wl_launch_sway() {
  local outputs=$1
  shift
  chmod 644 "$WL_DIR/sway.conf"
  setpriv --reuid=65534 --regid=65534 --clear-groups env -i PATH=/usr/bin:/bin \
    XDG_RUNTIME_DIR="$WL_RT" WLR_BACKENDS=headless,libinput WLR_LIBINPUT_NO_DEVICES=1 \
    LIBSEAT_BACKEND=seatd WLR_RENDERER=pixman WLR_HEADLESS_OUTPUTS="$outputs" "$@" \
    sway -c "$WL_DIR/sway.conf" >"$WL_DIR/sway.log" 2>&1 &
  WL_SWAY_PID=$!
  for _ in $(seq 100); do
    [ -S "$WL_RT/wayland-1" ] && ls "$WL_RT"/sway-ipc.*.sock >/dev/null 2>&1 && break
    sleep 0.1
  done
  export XDG_RUNTIME_DIR=$WL_RT WAYLAND_DISPLAY=wayland-1
  SWAYSOCK=$(ls "$WL_RT"/sway-ipc.*.sock 2>/dev/null | head -1)
  export SWAYSOCK
  if [ -z "$SWAYSOCK" ] || ! kill -0 "$WL_SWAY_PID" 2>/dev/null; then
    wl_log "sway did not start"
    tail -n 30 "$WL_DIR/sway.log"
    return 1
  fi
  # Under emulation sway can take longer than swaymsg's 3 s to answer: ask until it does.
  for _ in $(seq 60); do swaymsg -t get_version >/dev/null 2>&1 && break; sleep 0.5; done
}

wl_stop_sway() {
  mkdir -p "$KV_RESULTS/wayland"
  cp "$WL_DIR/sway.log" "$KV_RESULTS/wayland/sway-$(date +%s%N).log" 2>/dev/null
  if [ -n "${WL_SWAY_PID:-}" ]; then
    kill "$WL_SWAY_PID" 2>/dev/null
    wait "$WL_SWAY_PID" 2>/dev/null
  fi
  # sway's exec detaches wev from sway, and wev outlives the compositor: end it by its id.
  local pidfile
  for pidfile in "$WL_RT"/wev*.pid; do
    [ -f "$pidfile" ] && kill "$(cat "$pidfile")" 2>/dev/null
    rm -f "$pidfile"
  done
  WL_SWAY_PID=
  unset WAYLAND_DISPLAY SWAYSOCK
}

# Runs the program with scenario file $1, config.ini text $2 and backend $3 until the virtual
# Wii Remote has been checked out for $4 ms (its log of output reports says so: the battery
# timer asks for a status every second), then ends it with SIGTERM. Start-up under emulation is
# slow and varies, so the time counts from the check-out, as the scenario's do. The program's
# output is left in $WL_DIR/kv.log. Extra environment follows. $WL_SNAPSHOT, when set, is run
# just before the SIGTERM: the pointer is read while the program's devices still exist (when the
# last pointer device goes, the compositor sends the client a leave).
wl_run_program() {
  local scenario=$1 config=$2 backend=$3 until_ms=$4
  shift 4
  printf '%s\n' "$config" >"$WL_DIR/bin/config.ini"
  : >"$WL_DIR/vw.log"
  env "$@" "$KV_BIN" --input-backend="$backend" --virtual-wiimote "$scenario" \
    --virtual-wiimote-log "$WL_DIR/vw.log" >"$WL_DIR/kv.log" 2>&1 &
  local pid=$! ms=0
  for _ in $(seq 1200); do
    ms=$(tail -1 "$WL_DIR/vw.log" | cut -d' ' -f1)
    [ "${ms:-0}" -ge "$until_ms" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -n "${WL_SNAPSHOT:-}" ]; then eval "$WL_SNAPSHOT"; fi
  kill -TERM "$pid" 2>/dev/null
  local rc=0
  wait "$pid" || rc=$?
  [ "${ms:-0}" -ge "$until_ms" ] || { wl_log "the scenario did not run to $until_ms ms"; rc=99; }
  return $rc
}

# The pointer's last position in desktop pixels from the wev logs, "x y": the surface that the
# pointer entered last and has not left, its last enter or motion. wev reports surface-local
# coordinates; output i's surface starts at x = 1280 × (i − 1).
wl_pointer() {
  local outputs=$1 i last line x y
  for i in $(seq "$outputs"); do
    last=$(grep -aE 'wl_pointer\] (enter|leave)' "$WL_RT/wev$i.log" | tail -1)
    case $last in *'] enter'*) ;; *) continue ;; esac
    line=$(grep -aE 'wl_pointer\] (enter|motion)' "$WL_RT/wev$i.log" | tail -1)
    x=$(echo "$line" | sed -nE 's/.*x, y: (-?[0-9]+)\.[0-9]+, (-?[0-9]+)\.[0-9]+.*/\1/p')
    y=$(echo "$line" | sed -nE 's/.*x, y: (-?[0-9]+)\.[0-9]+, (-?[0-9]+)\.[0-9]+.*/\2/p')
    [ -n "$x" ] && echo "$((x + 1280 * (i - 1))) $y"
  done
}

# The x steps between successive motions of the pointer in wev log $1 with their y: "dx y".
wl_motion_steps() {
  grep -aE 'wl_pointer\] motion' "$1" |
    sed -nE 's/.*x, y: (-?[0-9]+)\.[0-9]+, (-?[0-9]+)\.[0-9]+.*/\1 \2/p' |
    awk 'NR > 1 { print $1 - px, $2 } { px = $1 }'
}

# The keys and buttons wev saw, in order: "Control_L pressed", "left released", ... wev asks
# for a new keyboard and pointer object at every change of the seat's capabilities (the
# program's devices appear one by one), and each object gets every event: count only the
# object that reported first.
wl_input_events() {
  awk '/wl_keyboard\] key:/ { id = substr($1, 2, index($1, ":") - 2); if (kid == "") kid = id;
         state = (id == kid) ? (($0 ~ /\(pressed\)/) ? "pressed" : "released") : ""; next }
       state != "" && /sym:/ { print $2, state; state = ""; next }
       /wl_pointer\] button:/ { id = substr($1, 2, index($1, ":") - 2); if (pid == "") pid = id; if (id != pid) next;
         match($0, /\((left|right|middle)\)/);
         b = substr($0, RSTART + 1, RLENGTH - 2);
         print b, (($0 ~ /\(pressed\)/) ? "pressed" : "released") }' "$1"
}

# Xvfb as wide as $1 outputs of 1280x800, with a RandR monitor per output.
wl_start_xvfb() {
  local outputs=$1
  Xvfb :57 -screen 0 "$((1280 * outputs))x800x24" -nolisten tcp -noreset >"$WL_DIR/xvfb.log" 2>&1 &
  WL_XVFB_PID=$!
  export DISPLAY=:57
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  if [ "$outputs" -eq 2 ]; then
    xrandr --setmonitor left 1280/338x800/211+0+0 screen >/dev/null
    xrandr --setmonitor right 1280/338x800/211+1280+0 none >/dev/null
  fi
}

wl_stop_xvfb() {
  if [ -n "${WL_XVFB_PID:-}" ]; then
    kill "$WL_XVFB_PID" 2>/dev/null
    wait "$WL_XVFB_PID" 2>/dev/null
  fi
  unset DISPLAY
  WL_XVFB_PID=
}

# Whether any of the program's virtual devices still exists.
wl_devices_present() { grep -q 'Name="Kestrovane' /proc/bus/input/devices; }

wl_fail=0
# wl_check EXPRESSION DESCRIPTION: evaluates the expression, prints ok/FAIL with the description.
wl_check() {
  if eval "$1"; then echo "ok: $2"; else echo "FAIL: $2"; wl_fail=1; fi
}

# The scenarios every backend runs, as files, and their config.ini texts:
#  - /tmp/kv-ir-keys.txt with WL_IR_CONFIG (run until 4000 ms): button B (Cursor ON/OFF) clicked,
#    then the IR midpoint (100, 100): on a 1280x800 primary display the target is (1155, 105).
#    Then button 1 types Ctrl+Shift+A, A clicks, and A is held down until the program is
#    terminated.
#  - /tmp/kv-tilt.txt with WL_TILT_CONFIG (run until 5000 ms): B clicked, then the controller
#    tilted 127 counts to the right for the rest of the run: 87 px a tick (127 / 1.75 x 1.2 =
#    87.1, truncated), so that even slow ticks reach the far edge.
wl_write_scenarios() {
  local ir_points='32 64 02 96 64 02 ff ff ff ff ff ff'
  printf '%s\n' "500 33 00 04 80 80 80 $ir_points" "600 33 00 00 80 80 80 $ir_points" \
    "2000 31 00 02 80 80 80" "2100 31 00 00 80 80 80" "2300 31 00 08 80 80 80" \
    "2400 31 00 00 80 80 80" "2600 31 00 08 80 80 80" >/tmp/kv-ir-keys.txt
  WL_IR_CONFIG=$'[General]\nCursorMode=IR\n[1]\nType=Keys\nValue=Ctrl+Shift+A'
  printf '%s\n' "500 31 00 04 80 80 80" "600 31 00 00 80 80 80" "700 31 00 00 ff 80 80" \
    >/tmp/kv-tilt.txt
  WL_TILT_CONFIG=$'[General]\nCursorMode=Motion'
}

# wl_compare_ir LABEL "X Y" "X Y": prints where the uinput backend ($2) and the X11 backend ($3)
# left the IR pointer and how far apart, keeps the line in the results, and checks that they are
# at most 2 px apart on each axis.
wl_compare_ir() {
  local label=$1 ux uy xx xy dx dy
  read -r ux uy <<<"${2:-x x}"
  read -r xx xy <<<"${3:-y y}"
  if [[ $ux$uy$xx$xy =~ ^[0-9]+$ ]]; then dx=$((ux - xx)); dy=$((uy - xy)); else dx=x dy=x; fi
  echo "IR, $label: uinput ($ux, $uy), X11 ($xx, $xy), difference ($dx, $dy)" |
    tee -a "$KV_RESULTS/wayland-accuracy.txt"
  wl_check "[[ $dx =~ ^-?[0-2]$ && $dy =~ ^-?[0-2]$ ]]" "IR settles within 2 px of X11"
}

# The whole comparison for $1 outputs (1 or 2): sway with uinput, then Xvfb with X11, the same
# scenarios. Returns non-zero when a check failed.
wl_sway_test() {
  local outputs=$1
  wl_fail=0
  wl_write_scenarios
  local ir_config=$WL_IR_CONFIG tilt_config=$WL_TILT_CONFIG
  wl_setup
  wl_start_seatd
  trap wl_teardown EXIT
  local wayland_ir wayland_tilt x11_ir x11_tilt rc events expected steps odd total i
  echo "== sway, $outputs output(s)"
  wl_start_sway "$outputs" || return 1
  WL_SNAPSHOT='wayland_ir=$(wl_pointer "$outputs")'
  wl_run_program /tmp/kv-ir-keys.txt "$ir_config" uinput 4000 \
    XDG_RUNTIME_DIR="$WL_RT" WAYLAND_DISPLAY=wayland-1 QT_QPA_PLATFORM=wayland
  rc=$?
  wl_check "[ $rc -eq 0 ]" "program ended in order on SIGTERM (exit $rc)"
  echo "IR pointer under sway: $wayland_ir"
  events=$(wl_input_events "$WL_RT/wev1.log" | tr '\n' ',')
  echo "wev saw: $events"
  expected='Control_L pressed,Shift_L pressed,A pressed,A released,Shift_L released,Control_L released,left pressed,left released,left pressed,left released,'
  wl_check "[ \"$events\" = \"$expected\" ]" "keys and clicks arrive in order, the held button is released at exit"
  wl_check "! wl_devices_present" "the virtual devices are gone after the exit"

  for i in $(seq "$outputs"); do : >"$WL_RT/wev$i.log"; done
  WL_SNAPSHOT='wayland_tilt=$(wl_pointer "$outputs")'
  wl_run_program /tmp/kv-tilt.txt "$tilt_config" uinput 5000 \
    XDG_RUNTIME_DIR="$WL_RT" WAYLAND_DISPLAY=wayland-1 QT_QPA_PLATFORM=wayland
  echo "tilt end under sway: $wayland_tilt"
  steps=$(for i in $(seq "$outputs"); do wl_motion_steps "$WL_RT/wev$i.log"; done)
  odd=$(echo "$steps" | awk 'NF == 2 && ($1 % 87 != 0 || $2 != 400)' | grep -c . || true)
  total=$(echo "$steps" | grep -c . || true)
  echo "tilt motions: $total steps, $odd not a multiple of 87 px or off row 400"
  # The last step onto the edge is shorter, and one per output border crossed; nothing else.
  wl_check "[ $total -ge 5 ] && [ $odd -le $outputs ]" "tilt moves 87 px per tick along x only"
  wl_stop_sway

  echo "== Xvfb (X11 backend), $outputs output(s)"
  wl_start_xvfb "$outputs"
  # The X server keeps its pointer between runs: start where the uinput desktop assumes it.
  xdotool mousemove 640 400
  ( for _ in $(seq 40); do xdotool getmouselocation; sleep 0.25; done >"$KV_RESULTS/x11-ir-$outputs.txt" 2>&1 ) &
  WL_SNAPSHOT='x11_ir=$(xdotool getmouselocation | sed -E "s/x:([0-9]+) y:([0-9]+).*/\1 \2/")'
  wl_run_program /tmp/kv-ir-keys.txt "$ir_config" x11 4000 QT_QPA_PLATFORM=xcb DISPLAY=:57
  echo "IR pointer under X11: $x11_ir"
  xdotool mousemove 640 400
  WL_SNAPSHOT='x11_tilt=$(xdotool getmouselocation | sed -E "s/x:([0-9]+) y:([0-9]+).*/\1 \2/")'
  wl_run_program /tmp/kv-tilt.txt "$tilt_config" x11 5000 QT_QPA_PLATFORM=xcb DISPLAY=:57
  echo "tilt end under X11: $x11_tilt"
  wl_stop_xvfb
  WL_SNAPSHOT=

  wl_compare_ir "sway, $outputs output(s)" "$wayland_ir" "$x11_ir"
  wl_check "[ \"$wayland_tilt\" = \"$x11_tilt\" ] && [ -n \"$x11_tilt\" ]" \
    "tilt ends where X11 ends: $wayland_tilt vs $x11_tilt"
  return $wl_fail
}
