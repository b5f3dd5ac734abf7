# Helpers for tests that run the real program inside the VM (sourced, not run): a private X
# server, a copy of the executable (its config.ini lands beside it) and its window title.
# shellcheck shell=bash

# start_display NUMBER: starts Xvfb on :NUMBER and waits until it takes clients.
start_display() {
  export DISPLAY=:$1
  Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >"/tmp/xvfb-$1.txt" 2>&1 &
  XVFB_PID=$!
  if ! wait_for 30 xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
    echo "Xvfb did not start:"
    cat "/tmp/xvfb-$1.txt"
    return 1
  fi
}

stop_display() {
  [ -n "${XVFB_PID:-}" ] || return 0
  kill "$XVFB_PID" 2>/dev/null
  wait "$XVFB_PID" 2>/dev/null
  XVFB_PID=
}

# start_program DIR: runs a copy of the program in DIR (output in DIR/program.txt); sets
# PROGRAM_PID.
start_program() {
  local dir=$1
  mkdir -p "$dir"
  cp "$KV_BUILD/src/app/kestrovane" "$dir/kestrovane"
  (cd "$dir" && exec ./kestrovane) >"$dir/program.txt" 2>&1 &
  PROGRAM_PID=$!
}

# stop_program: SIGTERM, as a logout does; returns the program's exit code.
stop_program() {
  kill -TERM "$PROGRAM_PID" 2>/dev/null
  wait "$PROGRAM_PID"
}

# The title of the program's main window (empty while it has none).
program_title() {
  xdotool search --onlyvisible --class kestrovane getwindowname %@ 2>/dev/null | head -1
}

title_is() { [ "$(program_title)" = "$1" ]; }

# Milliseconds of the system clock, for intervals.
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Open file descriptors of the program on hidraw nodes.
program_hidraw_fds() {
  local n=0 fd
  for fd in /proc/"$PROGRAM_PID"/fd/*; do
    case "$(readlink "$fd")" in /dev/hidraw*) n=$((n + 1)) ;; esac
  done
  echo "$n"
}

program_threads() { ls /proc/"$PROGRAM_PID"/task | wc -l; }
