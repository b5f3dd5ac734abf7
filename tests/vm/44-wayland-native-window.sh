#!/usr/bin/env bash
# The Qt front end as a native Wayland client under sway (headless, libinput), with swaybar
# hosting tray icons over D-Bus (StatusNotifierItem) on a session bus of the test's own:
#  - the main window is an xdg-shell window with the app_id of the desktop file, and its caption
#    reaches "Kestrovane" once the virtual Wii Remote is set up;
#  - Ctrl+P, typed on a keyboard of the test's own, opens the preferences dialog as a window of
#    its own with the focus; the compositor's close request (the close box) closes it;
#  - Ctrl+M minimises to the tray: the program registers a StatusNotifierItem with the watcher and
#    its window leaves the tree; activating the item, as a host does on a click, brings it back;
#  - Ctrl+E (the menu's Exit) ends the program in order, and nothing the test started stays.
set -u
here=$(dirname "$0")
# shellcheck source=tests/vm/lib.sh
. "$here/lib.sh"
# shellcheck source=tests/vm/wayland.bash
. "$here/wayland.bash"

bus=$WL_RT/bus
export DBUS_SESSION_BUS_ADDRESS=unix:path=$bus
dbus_pid=
kv_pid=
cleanup() {
  [ -n "$kv_pid" ] && kill "$kv_pid" 2>/dev/null && wait "$kv_pid"
  [ -n "${KEYS_PID:-}" ] && kill "$KEYS_PID" 2>/dev/null
  wl_teardown
  [ -n "$dbus_pid" ] && kill "$dbus_pid" 2>/dev/null
  dbus_pid=
  cp "$WL_DIR/kv.log" "$KV_RESULTS/wayland/native-window-kv.log" 2>/dev/null
}

# The views in sway's tree, one "shell|app_id|title" a line, with "|focused" after the one that
# has the keyboard focus.
windows() {
  swaymsg -t get_tree 2>/dev/null | python3 -c '
import json, sys
def walk(node):
    if node.get("type") in ("con", "floating_con") and "shell" in node:
        print("%s|%s|%s%s" % (node.get("shell"), node.get("app_id"), node.get("name"),
                              "|focused" if node.get("focused") else ""))
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        walk(child)
walk(json.load(sys.stdin))'
}
has_window() { windows | sed 's/|focused$//' | grep -qxF "$1"; }
focused() { windows | grep -qxF "$1|focused"; }
no_window() { ! windows | grep -qF "|$1"; }

# A watcher property through gdbus, as text ("(<true>,)", "(<['...']>,)").
watcher_property() {
  gdbus call --session --dest org.kde.StatusNotifierWatcher --object-path /StatusNotifierWatcher \
    --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher "$1" 2>/dev/null
}
host_registered() { watcher_property IsStatusNotifierHostRegistered | grep -q true; }
# The program's item as the watcher lists it ("SERVICE" or "SERVICE/PATH"): the one whose bus
# connection belongs to the program's process.
program_item() {
  local item pid
  for item in $(watcher_property RegisteredStatusNotifierItems | grep -oE "'[^']+'" | tr -d "'"); do
    pid=$(gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
      --method org.freedesktop.DBus.GetConnectionUnixProcessID "${item%%/*}" 2>/dev/null)
    [ "$pid" = "(uint32 $kv_pid,)" ] && echo "$item" && return 0
  done
  return 1
}

type_keys() {
  echo "$*" >&"${KEYS[1]}"
  local answer
  read -r -t 10 answer <&"${KEYS[0]}" && [ "$answer" = done ]
}

# What runs before the test, by process id, so that the end can tell what the test left behind.
running() { ps -eo pid=,comm= | grep -E ' (sway|swaybar|seatd|dbus-daemon|kestrovane|python3|wev)$'; }
before=$(running)
wl_setup
wl_start_seatd
trap cleanup EXIT
start=$SECONDS

# A session bus that both uids use: sway and its bar run as 65534, the program as root (for
# /dev/uinput).
cat >"$WL_DIR/bus.conf" <<CONF
<busconfig>
  <type>session</type>
  <listen>$DBUS_SESSION_BUS_ADDRESS</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
CONF
dbus_pid=$(dbus-daemon --config-file="$WL_DIR/bus.conf" --fork --print-pid)
check "session bus started" test -S "$bus"

cat >"$WL_DIR/sway.conf" <<CONF
output HEADLESS-1 mode 1280x800 position 0 0
xwayland disable
focus_follows_mouse no
bar {
  position top
  tray_output *
}
CONF
wl_launch_sway 1 DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" || exit 1
# The program looks for a tray host once, at start: have swaybar's host registered first.
check "swaybar registers a StatusNotifierItem host" wait_for 30 host_registered

printf 'battery 200\n' >"$WL_DIR/scenario.txt"
: >"$WL_DIR/bin/config.ini"
QT_QPA_PLATFORM=wayland "$KV_BIN" --input-backend=uinput \
  --virtual-wiimote "$WL_DIR/scenario.txt" >"$WL_DIR/kv.log" 2>&1 &
kv_pid=$!
check "native window with app_id kestrovane, caption Kestrovane after the set-up" \
  wait_for 60 has_window "xdg_shell|kestrovane|Kestrovane"
echo "after $((SECONDS - start)) s: $(windows | tr '\n' ' ')"

coproc KEYS { python3 -u "$here/uinput_keyboard.py" "kv-test keyboard"; }
KEYS_PID=$KEYS_PID
read -r -t 10 ready <&"${KEYS[0]}"
check "test keyboard created ($ready)" wait_for 20 eval 'swaymsg -t get_inputs | grep -q "kv-test keyboard"'
wl_swaymsg '[app_id="kestrovane"] focus'

type_keys LEFTCTRL P
check "Ctrl+P opens the preferences dialog" wait_for 20 has_window "xdg_shell|kestrovane|Preference"
check "the dialog has the focus" wait_for 20 focused "xdg_shell|kestrovane|Preference"
echo "dialog: $(windows | tr '\n' ' ')"
# Escape does nothing in this dialog (it has no cancel button); close it as the window's close
# box does, with the compositor's close request.
wl_swaymsg '[title="^Preference$"] kill'
check "the compositor's close request closes the dialog" wait_for 20 no_window "Preference"

type_keys LEFTCTRL M
check "Ctrl+M hides the window" wait_for 20 no_window "Kestrovane"
item=$(wait_for 20 program_item >/dev/null && program_item)
echo "registered items: $(watcher_property RegisteredStatusNotifierItems)"
check "the program registered a StatusNotifierItem" test -n "$item"
service=${item%%/*}
path=/${item#*/}
[ "$path" = "/$item" ] && path=/StatusNotifierItem
activate() {
  gdbus call --session --dest "$service" --object-path "$path" \
    --method org.kde.StatusNotifierItem.Activate 0 0 >/dev/null
}
check "activating the item ($service $path)" activate
check "the window is back after the activation" wait_for 20 has_window "xdg_shell|kestrovane|Kestrovane"

wl_swaymsg '[app_id="kestrovane"] focus'
type_keys LEFTCTRL E
rc=timeout
for _ in $(seq 100); do
  kill -0 "$kv_pid" 2>/dev/null || { wait "$kv_pid"; rc=$?; break; }
  sleep 0.2
done
check "Ctrl+E ends the program (exit $rc)" test "$rc" = 0
kv_pid=
eval "exec ${KEYS[1]}>&-"
wait "$KEYS_PID" 2>/dev/null
KEYS_PID=

cleanup
trap - EXIT
sleep 0.5
left=$(running | grep -vxF "$before" | tr '\n' ' ')
check "nothing the test started is left running (${left:-none})" test -z "$left"
echo "run time $((SECONDS - start)) s"
exit $kv_fail
