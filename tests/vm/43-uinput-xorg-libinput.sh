#!/usr/bin/env bash
# The uinput backend under a real Xorg (dummy video driver, libinput input driver taking the
# program's devices through udev), against the X11 backend on the same server with the same
# scenarios, with one 1280x800 output (and the tilt again on two side by side):
#  - libinput drives the program's devices, and every pointer move comes from the absolute device;
#  - IR pointing settles within 2 px of where the X11 backend settles;
#  - the tilt path (every pointer position an X client is told of) is the X11 path;
#  - Ctrl+Shift+A and clicks arrive in an X client in order, A with Control and Shift down, the
#    same events as from the X11 backend;
#  - a mouse button held at SIGTERM is released, nothing stays pressed, the devices are gone.
set -u
# shellcheck source=tests/vm/lib.sh
. "$(dirname "$0")/lib.sh"
# shellcheck source=tests/vm/wayland.bash
. "$(dirname "$0")/wayland.bash"

XO_DIR=$WL_DIR/xorg
export DISPLAY=:58

# Xorg as root on the dummy video driver: one 1280x800 output (DUMMY0), room for a second one
# beside it. AutoAddDevices (the default, spelt out) makes the server add every input device udev
# announces, through the system's InputClass for libinput; no VT switching, nothing kept between
# clients.
xo_start() {
  mkdir -p "$XO_DIR/conf.d"
  cat >"$XO_DIR/xorg.conf" <<'CONF'
Section "ServerFlags"
  Option "AutoAddDevices" "true"
  Option "AutoEnableDevices" "true"
  Option "AutoAddGPU" "false"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 32768
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
  Modeline "1280x800" 83.50 1280 1352 1480 1680 800 803 809 831 -hsync +vsync
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Modes "1280x800"
    Virtual 2560 800
  EndSubSection
EndSection
CONF
  Xorg "$DISPLAY" -config "$XO_DIR/xorg.conf" -configdir "$XO_DIR/conf.d" \
    -logfile "$XO_DIR/Xorg.log" -nolisten tcp -noreset -novtswitch >"$XO_DIR/Xorg.out" 2>&1 &
  XO_PID=$!
  if ! wait_for 60 xdpyinfo >/dev/null 2>&1; then
    echo "Xorg did not start:"
    tail -n 30 "$XO_DIR/Xorg.out"
    return 1
  fi
  xmodmap -pke >"$XO_DIR/keymap.txt"
}

xo_stop() {
  xo_record_stop
  if [ -n "${XO_PID:-}" ]; then
    kill "$XO_PID" 2>/dev/null
    wait "$XO_PID" 2>/dev/null
  fi
  XO_PID=
  mkdir -p "$KV_RESULTS/xorg"
  cp "$XO_DIR"/*.log "$XO_DIR"/*.txt "$XO_DIR"/xorg.conf "$KV_RESULTS/xorg/" 2>/dev/null
}

# $1 outputs of 1280x800 side by side; the first is the primary.
xo_layout() {
  if [ "$1" -eq 2 ]; then
    xrandr --addmode DUMMY1 1280x800 2>/dev/null
    xrandr --output DUMMY1 --mode 1280x800 --right-of DUMMY0
  else
    xrandr --output DUMMY1 --off --fb 1280x800
  fi
  xrandr --listmonitors
}

# xo_record_start NAME: an X client (xinput) prints every XI2 event on the root window to
# $XO_DIR/NAME.log from now on. It is running once it reports a pointer move the test makes; the
# lines before that one are left out of the reading ($XO_SKIP).
xo_record_start() {
  XO_LOG=$XO_DIR/$1.log
  stdbuf -oL xinput test-xi2 --root >"$XO_LOG" 2>&1 &
  XO_REC_PID=$!
  local i
  for i in $(seq 50); do
    xdotool mousemove 600 $((300 + i)) mousemove 640 400
    sleep 0.1
    grep -q 'root: 640.00/400.00' "$XO_LOG" && break
  done
  XO_SKIP=$(wc -l <"$XO_LOG")
}

xo_record_stop() {
  [ -n "${XO_REC_PID:-}" ] || return 0
  kill "$XO_REC_PID" 2>/dev/null
  wait "$XO_REC_PID" 2>/dev/null
  XO_REC_PID=
}

# The master devices' key, button and motion events of the recording from its start to the
# program's end ($XO_SKIP, $XO_END), one a
# line, with the name of the device they came from ($XO_DIR/devices.txt: "ID NAME" lines taken
# while the program ran) and the keys' symbols from the server's keymap:
#   key Control_L pressed 0 Kestrovane keyboard       (the modifier state before the key)
#   button 1 released Kestrovane pointer
#   motion 727 400 Kestrovane absolute pointer        (the pointer's pixel)
xo_events() {
  tail -n +$((XO_SKIP + 1)) "$XO_LOG" | head -n $((XO_END - XO_SKIP)) |
    awk -v keymap="$XO_DIR/keymap.txt" -v devices="$XO_DIR/devices.txt" '
      BEGIN {
        while ((getline line < keymap) > 0) {
          split(line, f, " "); if (f[4] != "") sym[f[2]] = f[4]
        }
        while ((getline line < devices) > 0) {
          id = line; sub(/[ \t].*/, "", id); name = line; sub(/^[0-9]+[ \t]+/, "", name)
          dev[id] = name
        }
      }
      function flush() {
        if (type == "" || (device != 2 && device != 3)) return
        from = (source in dev) ? dev[source] : "device " source
        if (type == "KeyPress" || type == "KeyRelease")
          print "key", (detail in sym ? sym[detail] : "keycode" detail),
                (type == "KeyPress" ? "pressed" : "released"), mods, from
        else if (type == "ButtonPress" || type == "ButtonRelease")
          print "button", detail, (type == "ButtonPress" ? "pressed" : "released"), from
        else if (type == "Motion")
          print "motion", int(x), int(y), from
      }
      /^EVENT type/ { flush(); type = $4; gsub(/[()]/, "", type); device = ""; next }
      /^    device:/ { device = $2; source = $3; gsub(/[()]/, "", source) }
      /^    detail:/ { detail = $2 }
      /^    root:/ { split($2, r, "/"); x = r[1]; y = r[2] }
      /^    modifiers:/ { mods = $NF }
      END { flush() }'
}

# The keys and buttons of xo_events without their devices, comma-separated.
xo_keys_and_buttons() {
  xo_events | awk '$1 == "key" { printf "%s %s %s,", $2, $3, $4 } $1 == "button" { printf "button %s %s,", $2, $3 }'
}

# The pointer positions of xo_events, comma-separated. A warp onto the pixel where the pointer
# already is (the X11 backend's tilt steps against the edge, clamped by the server) still makes a
# motion event: a position is listed once however often it repeats in a row.
xo_path() { xo_events | awk '$1 == "motion" && $2 " " $3 != last { last = $2 " " $3; printf "%s,", last }'; }

# The devices that sent events of kind $1 (key, button, motion), each once, ";" after each.
xo_sources() {
  xo_events | awk -v kind="$1" '$1 == kind { $1 = ""; n = (kind == "motion" || kind == "button") ? 3 : 4
    for (i = 2; i <= n; i++) $i = ""; sub(/^ +/, ""); print }' | sort -u | tr '\n' ';'
}

xo_pointer() { xdotool getmouselocation | sed -E 's/x:([0-9]+) y:([0-9]+).*/\1 \2/'; }

# Taken while the program runs, just before the SIGTERM: the pointer, the server's devices.
xo_snapshot() {
  XO_POINTER=$(xo_pointer)
  paste <(xinput list --id-only) <(xinput list --name-only) >"$XO_DIR/devices.txt"
}

# After a run: the devices are gone from the kernel and from the server (the recording ends
# there), and a pointer move shows no button and no modifier held on the core pointer and
# keyboard.
xo_check_released() {
  wl_check "wait_for 10 sh -c '! grep -q Kestrovane /proc/bus/input/devices'" \
    "$1: the virtual devices are gone from the kernel after the exit"
  wl_check "wait_for 10 sh -c '! xinput list --name-only | grep -q Kestrovane'" \
    "$1: and from the X server"
  XO_END=$(wc -l <"$XO_LOG")
  xdotool mousemove 5 5
  wait_for 5 grep -q 'root: 5.00/5.00' "$XO_LOG"
  local state
  state=$(grep -A 8 'root: 5.00/5.00' "$XO_LOG" | grep -E '^    (buttons|modifiers):' | head -2 | tr -s ' ' | tr '\n' ';')
  echo "$1: core state after the exit: $state"
  wl_check "[ \"$state\" = ' buttons:; modifiers: locked 0 latched 0 base 0 effective: 0;' ]" \
    "$1: nothing stays pressed after the exit"
}

# xo_run NAME BACKEND SCENARIO CONFIG UNTIL_MS: one run of the program on the Xorg server,
# recorded from the middle of the primary output.
xo_run() {
  local name=$1 backend=$2 scenario=$3 config=$4 until_ms=$5 rc=0 start=$SECONDS ran
  xo_record_start "$name"
  WL_SNAPSHOT=xo_snapshot
  XO_POINTER=
  : >"$XO_DIR/devices.txt"
  wl_run_program "$scenario" "$config" "$backend" "$until_ms" QT_QPA_PLATFORM=xcb \
    DISPLAY="$DISPLAY" || rc=$?
  cp "$WL_DIR/kv.log" "$XO_DIR/$name-program.txt"
  cp "$WL_DIR/vw.log" "$XO_DIR/$name-output-reports.txt"
  ran=$((SECONDS - start))
  wl_check "[ $rc -eq 0 ]" "$name: the program ended in order on SIGTERM (exit $rc)"
  xo_check_released "$name"
  xo_record_stop
  echo "$name: $ran s to the program's end, $((SECONDS - start)) s in all"
}

# The IR and key scenario under both backends on $1 outputs.
xo_ir_and_keys() {
  local outputs=$1 uinput_ir x11_ir expected events sources
  echo "== Xorg, $outputs output(s): IR, keys and clicks"
  xo_layout "$outputs"
  xo_run "uinput-ir-$outputs" uinput /tmp/kv-ir-keys.txt "$WL_IR_CONFIG" 4000
  uinput_ir=$XO_POINTER
  events=$(xo_keys_and_buttons)
  echo "uinput, keys and buttons: $events"
  expected='Control_L pressed 0,Shift_L pressed 0x4,a pressed 0x5,a released 0x5,Shift_L released 0x5,Control_L released 0x4,button 1 pressed,button 1 released,button 1 pressed,button 1 released,'
  wl_check "[ \"$events\" = \"$expected\" ]" \
    "uinput: keys with their modifiers and clicks arrive in order, the held button is released at exit"
  local d
  for d in "Kestrovane keyboard" "Kestrovane pointer" "Kestrovane absolute pointer"; do
    wl_check "grep -q \"Using input driver 'libinput' for '$d'\" \"$XO_DIR/Xorg.log\"" \
      "Xorg drives \"$d\" with libinput"
  done
  sources=$(xo_sources key)$(xo_sources button)$(xo_sources motion)
  echo "uinput, sources of keys, buttons, moves: $sources"
  wl_check "[ \"$sources\" = 'Kestrovane keyboard;Kestrovane pointer;Kestrovane absolute pointer;' ]" \
    "uinput: keys come from the keyboard, clicks from the relative pointer, moves from the absolute pointer"

  xo_run "x11-ir-$outputs" x11 /tmp/kv-ir-keys.txt "$WL_IR_CONFIG" 4000
  x11_ir=$XO_POINTER
  events=$(xo_keys_and_buttons)
  echo "X11, keys and buttons: $events"
  wl_check "[ \"$events\" = \"$expected\" ]" "X11: the same keys and clicks in the same order"
  wl_compare_ir "Xorg with libinput, $outputs output(s)" "$uinput_ir" "$x11_ir"
}

# The tilt scenario under both backends on $1 outputs.
xo_tilt() {
  local outputs=$1 uinput_path x11_path sources
  echo "== Xorg, $outputs output(s): tilt"
  xo_layout "$outputs"
  xo_run "uinput-tilt-$outputs" uinput /tmp/kv-tilt.txt "$WL_TILT_CONFIG" 5000
  uinput_path=$(xo_path)
  sources=$(xo_sources motion)
  xo_run "x11-tilt-$outputs" x11 /tmp/kv-tilt.txt "$WL_TILT_CONFIG" 5000
  x11_path=$(xo_path)
  echo "tilt path, uinput: $uinput_path"
  echo "tilt path, X11:    $x11_path"
  echo "tilt, Xorg with libinput, $outputs output(s): uinput $uinput_path X11 $x11_path" \
    >>"$KV_RESULTS/wayland-accuracy.txt"
  wl_check "[ \"$sources\" = 'Kestrovane absolute pointer;' ]" "uinput: the tilt moves come from the absolute pointer"
  wl_check "[ \"$uinput_path\" = \"$x11_path\" ]" "the tilt path is the X11 path"
  local edge=$((1280 * outputs - 1)) moves
  moves=$(echo "$x11_path" | tr ',' '\n' | grep -c .)
  wl_check "[[ \"$x11_path\" == *'$edge 400,' ]] && [ $moves -ge 5 ]" \
    "the tilt path ($moves moves) runs along row 400 to the far edge ($edge)"
}

wl_write_scenarios
wl_setup
mkdir -p "$XO_DIR"
trap 'xo_stop; wl_teardown' EXIT
xo_start || exit 1
echo "Xorg took clients after $SECONDS s"
xo_ir_and_keys 1
xo_tilt 1
# Two outputs: the tilt crosses from the primary output onto the second one. (The IR target and
# the keys do not depend on the layout; the sway tests run them on two outputs as well.)
xo_tilt 2
exit $wl_fail
