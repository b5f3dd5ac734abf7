# Shared by the scripts that run kestrovane.exe under Wine; sourced, not run.
#   winapp_start_display TAG   makes $work (/tmp/kv-winapp-TAG-XXXXXX), removed at exit together
#                              with every process in pids[], and starts a private X server on
#                              $DISPLAY. The script defines fail() first.
#   wait_for SECONDS COMMAND... polls COMMAND every $WAIT_POLL seconds (0.1 unless set) until it
#                              succeeds; false when time runs out.

wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep "${WAIT_POLL:-0.1}"
  done
}

winapp_cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}

winapp_start_display() {
  work=$(mktemp -d "/tmp/kv-winapp-$1-XXXXXX")
  pids=()
  trap winapp_cleanup EXIT
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" \
    >/dev/null 2>&1 &
  pids+=($!)
  wait_for 10 grep -qs . "$work/display" || fail "Xvfb did not start"
  export DISPLAY=":$(head -n 1 "$work/display")"
}
