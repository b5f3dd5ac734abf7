#!/usr/bin/env bash
# Measures the real program under a private Xvfb: start-up time to the first captions, resident
# memory, and whole-process CPU use over a fixed window in three situations:
#   idle        no controller (plain start)
#   streaming   a virtual Wii Remote sending 0x33 reports at 100 per second
#   cursor-on   the same, with the cursor switched on (pointer tick and LED report every tick)
# Figures only; nothing is asserted.
#   scripts/measure.sh                 default build, 10 s windows
#   MEASURE_SECONDS=5 scripts/measure.sh
#   KESTROVANE=path/to/kestrovane scripts/measure.sh
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${MEASURE_SECONDS:-10}
program=${KESTROVANE:-build/default/src/app/kestrovane}
if [ ! -x "$program" ]; then
  cmake --preset default >/dev/null
  cmake --build --preset default -j2 --target kestrovane
fi
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "measure.sh needs $tool" >&2; exit 1; }
done

work=$(mktemp -d /tmp/kestrovane-measure-XXXXXX)
xvfb=""
app=""
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display number and writes it to fd 3 once it accepts clients.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 100); do
  grep -q . "$work/display" 2>/dev/null && break
  sleep 0.1
done
export DISPLAY=":$(head -n 1 "$work/display")"
[ "$DISPLAY" != ":" ] || { echo "Xvfb did not start" >&2; exit 1; }

ticks_per_second=$(getconf CLK_TCK)
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# utime + stime of a process, in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# "<VmHWM> <VmRSS>" in kB.
memory_kb() {
  awk '/^VmHWM:/ { hwm = $2 } /^VmRSS:/ { rss = $2 } END { print hwm, rss }' "/proc/$1/status"
}

# Waits until a window of the program bears a title matching the pattern; prints the ms waited.
wait_for_title() {
  local pattern=$1 start=$2
  for _ in $(seq 2000); do
    if xdotool search --onlyvisible --class kestrovane getwindowname %@ 2>/dev/null |
      grep -qx -- "$pattern"; then
      echo $(($(now_ms) - start))
      return 0
    fi
    sleep 0.005
  done
  echo "never"
}

# A scenario streaming 0x33 reports every 10 ms for the whole measurement, both IR points in
# view; with "cursor" it starts with a short press of B (cursor on).
write_scenario() {
  local file=$1 mode=$2 end=$(((seconds + 8) * 1000))
  {
    echo "battery 200"
    if [ "$mode" = cursor ]; then
      echo "300 33 00 04 80 80 80 9c 7f 52 64 7f 62 ff ff ff ff ff ff"
      echo "400 33 00 00 80 80 80 9c 7f 52 64 7f 62 ff ff ff ff ff ff"
    fi
    for ((ms = 500; ms <= end; ms += 10)); do
      echo "$ms 33 00 00 80 80 80 9c 7f 52 64 7f 62 ff ff ff ff ff ff"
    done
  } >"$file"
}

# Runs one situation: starts a fresh copy, waits for its captions, lets it settle, then takes
# the CPU time over the window and the memory at its end.
measure() {
  local name=$1
  shift
  local dir="$work/$name"
  mkdir -p "$dir"
  cp "$program" "$dir/kestrovane"
  local start
  start=$(now_ms)
  "$dir/kestrovane" "$@" >"$dir/output.txt" 2>&1 &
  app=$!
  local first settled
  first=$(wait_for_title "Kestrovane.*" "$start")
  if [ "$name" = idle ]; then
    settled=$(wait_for_title "Kestrovane - No Wiimote detected\." "$start")
  else
    settled=$(wait_for_title "Kestrovane" "$start")
    # The set-up is over once its status request is logged.
    for _ in $(seq 500); do
      [ "$(wc -l <"$dir/reports.log" 2>/dev/null || echo 0)" -ge 10 ] && break
      sleep 0.01
    done
    settled=$(($(now_ms) - start))
  fi
  sleep 1
  local before after
  before=$(cpu_ticks "$app")
  sleep "$seconds"
  after=$(cpu_ticks "$app")
  local memory
  memory=$(memory_kb "$app")
  kill -TERM "$app"
  wait "$app" || true
  app=""
  local cpu
  cpu=$(awk -v t=$((after - before)) -v hz="$ticks_per_second" -v s="$seconds" \
    'BEGIN { printf "%.1f", 100 * t / hz / s }')
  printf "%-10s window %5s ms  ready %5s ms  CPU %5s %%  VmHWM %6s kB  VmRSS %6s kB\n" \
    "$name" "$first" "$settled" "$cpu" ${memory}
}

write_scenario "$work/stream.txt" plain
write_scenario "$work/cursor.txt" cursor
echo "Kestrovane under Xvfb 1920x1080, $(nproc) CPUs, CPU over ${seconds} s (100 % = one core)"
echo "window: first title visible; ready: idle = first device change done, others = set-up done"
measure idle
measure streaming --virtual-wiimote "$work/stream.txt" --virtual-wiimote-log "$work/streaming/reports.log"
measure cursor-on --virtual-wiimote "$work/cursor.txt" --virtual-wiimote-log "$work/cursor-on/reports.log"
