#!/usr/bin/env bash
# Measures the real program under a private Xvfb: start-up time to the first captions, and over a
# fixed window the CPU use of the whole process, the wake-ups per second of each of its threads
# (voluntary context switches: each one is a sleep the thread was woken from) and its resident
# memory, in four situations:
#   idle        no controller (plain start, window shown)
#   streaming   a virtual Wii Remote sending 0x33 reports at 100 per second, window shown
#   tray        the same, cursor off, window minimised at start (to the tray where there is one)
#   cursor-on   the same with the IR cursor switched on (pointer tick and LED report every tick)
# Threads show under their names (kv-hid-read, kv-virtual-wii, ...); the virtual Wii Remote's
# replay thread, which a real controller does not need, is also left out of a second total.
# Figures only; nothing is asserted.
#   scripts/measure.sh                          default build, 10 s windows
#   MEASURE_SECONDS=5 scripts/measure.sh
#   KESTROVANE=path/to/kestrovane scripts/measure.sh
#   scripts/measure.sh --compare OLD NEW        both programs side by side, each under its own
#                                               Xvfb, measured over the same window, with the
#                                               ratios NEW / OLD
#   MEASURE_SITUATIONS="idle tray" scripts/measure.sh ...   a subset
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${MEASURE_SECONDS:-10}
situations=${MEASURE_SITUATIONS:-idle streaming tray cursor-on}

programs=()
labels=()
if [ "${1:-}" = --compare ]; then
  [ $# -eq 3 ] || { echo "usage: $0 --compare OLD NEW" >&2; exit 2; }
  programs=("$(realpath "$2")" "$(realpath "$3")")
  labels=(old new)
else
  programs=("${KESTROVANE:-build/default/src/app/kestrovane}")
  labels=(this)
  if [ ! -x "${programs[0]}" ]; then
    cmake --preset default >/dev/null
    cmake --build --preset default -j2 --target kestrovane
  fi
fi
for program in "${programs[@]}"; do
  [ -x "$program" ] || { echo "no program at $program" >&2; exit 1; }
done
for tool in Xvfb xdotool trayer; do
  command -v "$tool" >/dev/null || { echo "measure.sh needs $tool" >&2; exit 1; }
done

work=$(mktemp -d /tmp/kestrovane-measure-XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Starts an Xvfb that picks a free display number; prints the display name.
start_xvfb() {
  local tag=$1
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display-$tag" \
    >"$work/xvfb-$tag.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    grep -q . "$work/display-$tag" 2>/dev/null && break
    sleep 0.1
  done
  local number
  number=$(head -n 1 "$work/display-$tag")
  [ -n "$number" ] || { echo "Xvfb did not start" >&2; exit 1; }
  echo ":$number"
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# One line per thread: "tid name cpu-ns voluntary-switches" (schedstat's run time is in ns, far
# finer than the clock ticks of stat); then "memory rss hwm" in kB.
snapshot() {
  local pid=$1 out=$2 task
  : >"$out"
  for task in /proc/"$pid"/task/*; do
    local tid=${task##*/} name switches ns
    name=$(tr ' ' '_' <"$task/comm" 2>/dev/null) || continue
    switches=$(awk '/^voluntary_ctxt_switches:/ { print $2 }' "$task/status" 2>/dev/null) || continue
    ns=$(awk '{ print $1 }' "$task/schedstat" 2>/dev/null) || continue
    echo "$tid $name $ns $switches" >>"$out"
  done
  awk '/^VmRSS:/ { rss = $2 } /^VmHWM:/ { hwm = $2 } END { print "memory", rss, hwm }' \
    "/proc/$pid/status" >>"$out"
}

# Per thread alive at both snapshots: wake-ups per second and CPU %; then the totals.
# Prints "cpu wakeups rss" as the last line, in that order.
compare_snapshots() {
  awk -v s="$seconds" '
    FNR == NR { if ($1 == "memory") next; t0[$1] = $3; w0[$1] = $4; next }
    $1 == "memory" { rss = $2; next }
    ($1 in t0) {
      cpu = 100 * ($3 - t0[$1]) / 1e9 / s; wake = ($4 - w0[$1]) / s
      byname[$2] = byname[$2] sprintf("%s%.1f/%.3f%%", (byname[$2] == "" ? "" : " "), wake, cpu)
      tcpu += cpu; twake += wake
      if ($2 == "kv-virtual-wii") { vcpu += cpu; vwake += wake; virtual = 1 }
    }
    END {
      line = ""
      for (n in byname) line = line sprintf("  %s %s", n, byname[n])
      print "    threads (wake-ups/s / CPU):" line
      # The virtual Wii Remote replays its reports on a thread of its own, which a real
      # controller does not need: the program alone is the rest.
      if (virtual)
        printf "    without the virtual Wii Remote'"'"'s thread: CPU %.3f %%  wake-ups %.1f/s\n",
          tcpu - vcpu, twake - vwake
      printf "%.3f %.1f %d\n", tcpu, twake, rss
    }' "$1" "$2"
}

# A scenario streaming 0x33 reports every 10 ms for the whole measurement, both IR points in
# view; with "cursor" it starts with a short press of B (cursor on).
write_scenario() {
  local file=$1 mode=$2 end=$(((seconds + 12) * 1000))
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

# Waits until a window of the program on `display` bears a title matching the pattern; prints
# the ms waited.
wait_for_title() {
  local display=$1 pattern=$2 start=$3
  for _ in $(seq 2000); do
    if DISPLAY=$display xdotool search --class kestrovane getwindowname %@ 2>/dev/null |
      grep -qxE -- "$pattern"; then
      echo $(($(now_ms) - start))
      return 0
    fi
    sleep 0.005
  done
  echo "never"
}

# Starts one copy of program `index` for a situation in its own folder (with its own
# config.ini); sets launched_pid and launched_dir.
launch() {
  local situation=$1 index=$2 display=$3
  local dir="$work/$situation-${labels[$index]}"
  mkdir -p "$dir"
  cp "${programs[$index]}" "$dir/kestrovane"
  local args=()
  case $situation in
    idle) ;;
    streaming) args=(--virtual-wiimote "$work/stream.txt") ;;
    tray)
      printf '[General]\nMinimizeOnStartup=1\n' >"$dir/config.ini"
      args=(--virtual-wiimote "$work/stream.txt")
      ;;
    cursor-on)
      printf '[General]\nCursorMode=IR\n' >"$dir/config.ini"
      args=(--virtual-wiimote "$work/cursor.txt")
      ;;
  esac
  [ ${#args[@]} -gt 0 ] && args+=(--virtual-wiimote-log "$dir/reports.log")
  DISPLAY=$display "$dir/kestrovane" "${args[@]}" >"$dir/output.txt" 2>&1 &
  launched_pid=$!
  launched_dir=$dir
  pids+=("$launched_pid")
}

# Waits until a copy has settled: idle once it shows "Device not found", the others once their
# set-up's status request is logged.
wait_settled() {
  local situation=$1 display=$2 dir=$3 start=$4
  if [ "$situation" = idle ]; then
    wait_for_title "$display" "Device not found" "$start"
    return
  fi
  for _ in $(seq 1000); do
    [ "$(wc -l <"$dir/reports.log" 2>/dev/null || echo 0)" -ge 10 ] && break
    sleep 0.01
  done
  echo $(($(now_ms) - start))
}

declare -A result
measure_situation() {
  local situation=$1 i count=${#programs[@]}
  local displays=() launched=() dirs=() starts=()
  for ((i = 0; i < count; i++)); do displays+=("$(start_xvfb "$situation-$i")"); done
  if [ "$situation" = tray ]; then
    # A notification area for the icon: without one the program says so in an error box.
    for ((i = 0; i < count; i++)); do
      DISPLAY=${displays[$i]} trayer --edge top --widthtype request --align right \
        >"$work/trayer-$i.log" 2>&1 &
      pids+=($!)
    done
    sleep 1
  fi
  for ((i = 0; i < count; i++)); do
    starts+=("$(now_ms)")
    launch "$situation" "$i" "${displays[$i]}"
    launched+=("$launched_pid")
    dirs+=("$launched_dir")
  done
  local first=() ready=()
  for ((i = 0; i < count; i++)); do
    # Without a controller the first caption may already have given way to "Device not found".
    first+=("$(wait_for_title "${displays[$i]}" "Kestrovane.*|Device not found" "${starts[$i]}")")
    ready+=("$(wait_settled "$situation" "${displays[$i]}" "${dirs[$i]}" "${starts[$i]}")")
  done
  sleep 2
  for ((i = 0; i < count; i++)); do snapshot "${launched[$i]}" "${dirs[$i]}/before"; done
  sleep "$seconds"
  for ((i = 0; i < count; i++)); do snapshot "${launched[$i]}" "${dirs[$i]}/after"; done
  for ((i = 0; i < count; i++)); do
    local summary
    summary=$(compare_snapshots "${dirs[$i]}/before" "${dirs[$i]}/after")
    local totals
    totals=$(tail -n 1 <<<"$summary")
    read -r cpu wakeups rss <<<"$totals"
    result[$situation,$i]="$cpu $wakeups $rss"
    printf "%-10s %-4s window %5s ms  ready %5s ms  CPU %5s %%  wake-ups %6s/s  VmRSS %6s kB\n" \
      "$situation" "${labels[$i]}" "${first[$i]}" "${ready[$i]}" "$cpu" "$wakeups" "$rss"
    head -n -1 <<<"$summary"
    kill -TERM "${launched[$i]}" 2>/dev/null || true
  done
  for ((i = 0; i < count; i++)); do wait "${launched[$i]}" 2>/dev/null || true; done
}

write_scenario "$work/stream.txt" plain
write_scenario "$work/cursor.txt" cursor
echo "Kestrovane under Xvfb 1920x1080, $(nproc) CPUs, load $(cut -d' ' -f1-3 /proc/loadavg)," \
  "over ${seconds} s (CPU: 100 % = one core)"
echo "window: first title visible; ready: idle = \"Device not found\", others = set-up done"
[ ${#programs[@]} -eq 2 ] &&
  echo "(side by side the copy started first gets to its window sooner: compare start-up times alone)"
for situation in $situations; do measure_situation "$situation"; done

if [ ${#programs[@]} -eq 2 ]; then
  echo
  echo "ratios new / old (CPU, wake-ups, resident memory)"
  for situation in $situations; do
    read -r c0 w0 r0 <<<"${result[$situation,0]}"
    read -r c1 w1 r1 <<<"${result[$situation,1]}"
    awk -v n="$situation" -v c0="$c0" -v c1="$c1" -v w0="$w0" -v w1="$w1" -v r0="$r0" \
      -v r1="$r1" 'function ratio(a, b) { return b > 0 ? sprintf("%.2f", a / b) : "n/a" }
      BEGIN { printf "%-10s CPU %s  wake-ups %s  memory %s\n", n, ratio(c1, c0), ratio(w1, w0),
              ratio(r1, r0) }'
  done
fi
echo "load at the end $(cut -d' ' -f1-3 /proc/loadavg)"
