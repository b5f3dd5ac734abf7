#!/usr/bin/env bash
# Builds the Debian package, installs it into this system, and checks the installed program:
#   1. the files are in place, the copyright file carries LICENSE's text, and --version answers;
#   2. --demo under a private Xvfb: the virtual Wii Remote receives the set-up reports, the window
#      caption ends at "Kestrovane", SIGTERM ends the program with status 0, and the demo leaves no
#      config.ini behind;
#   3. as an unprivileged user (the program's directory, /usr/bin, is not writable for them) the
#      settings go to $HOME/.config/kestrovane/config.ini with all 36 keys, and a value edited
#      there survives the next run.
# The package is removed again at the end unless it was installed before. The checks run as
# root: run by another user, the script builds the package as that user and goes on under sudo.
#   scripts/test-package.sh
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
  echo "FAIL: $*" >&2
  # What the X server said, if it was started: a failure to reach it is otherwise a riddle.
  if [ -s "${work:-/nonexistent}/xvfb.log" ]; then
    echo "--- Xvfb's output:" >&2
    tail -n 20 "$work/xvfb.log" >&2
  fi
  if [ -n "${xvfb:-}" ] && ! kill -0 "$xvfb" 2>/dev/null; then echo "Xvfb is no longer running" >&2; fi
  exit 1
}

package=${KESTROVANE_PACKAGE:-}
[ -n "$package" ] || package=$(scripts/package.sh | tail -n 1)
if [ "$(id -u)" -ne 0 ]; then
  exec sudo env KESTROVANE_PACKAGE="$package" "$0"
fi
[ -f "$package" ] || fail "no package built"
echo "== package $package"

work=$(mktemp -d /tmp/kestrovane-package-XXXXXX)
chmod 755 "$work"
xvfb=""
app=""
installed_before=no
dpkg-query -W -f='${Status}' kestrovane 2>/dev/null | grep -q "ok installed" && installed_before=yes
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  if [ "$installed_before" = no ]; then dpkg -r kestrovane >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

echo "== install"
if ! dpkg -i "$package" >"$work/dpkg.log" 2>&1; then
  apt-get -f install -y >>"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "install"; }
fi
program=/usr/bin/kestrovane
[ -x "$program" ] || fail "$program missing after install"
for file in /usr/share/applications/kestrovane.desktop \
  /usr/share/icons/hicolor/48x48/apps/kestrovane.png \
  /usr/lib/udev/rules.d/70-kestrovane.rules /usr/share/doc/kestrovane/README.md \
  /usr/share/doc/kestrovane/copyright; do
  [ -f "$file" ] || fail "$file missing after install"
done

echo "== copyright"
copyright=/usr/share/doc/kestrovane/copyright
grep -qx 'License: Expat' "$copyright" || fail "$copyright names no Expat (MIT) licence"
# The licence text in the copyright file (indented, "." for empty lines) is LICENSE's own.
diff <(sed -n '/^ /{s/^ //;s/^\.$//;p}' "$copyright") <(sed -n '/^Permission/,$p' LICENSE) \
  || fail "the licence in $copyright differs from LICENSE"

echo "== --version"
version=$("$program" --version)
echo "$version"
[[ "$version" == "Kestrovane "* ]] || fail "unexpected version text: $version"

# An X server the unprivileged user may use as well (-ac: no access control). -noreset keeps it as
# it is when its last client leaves, so the next program never meets a server in the middle of
# a reset.
Xvfb -displayfd 3 -ac -noreset -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 100); do
  grep -q . "$work/display" 2>/dev/null && break
  sleep 0.1
done
display=":$(head -n 1 "$work/display")"
[ "$display" != ":" ] || fail "Xvfb did not start"

# Waits up to 15 s for the main window of process $1 (its caption starts with "Kestrovane")
# and prints its id.
window_of() {
  local id
  for _ in $(seq 150); do
    id=$(DISPLAY=$display xdotool search --pid "$1" --name "^Kestrovane" 2>/dev/null | head -n 1) || true
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$1" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
# Sends SIGTERM to $1 and checks that it ends with status 0.
terminate() {
  local status=0
  kill -TERM "$1"
  wait "$1" || status=$?
  app=""
  [ "$status" -eq 0 ] || fail "$2 ended with status $status after SIGTERM"
}

echo "== --demo"
demo_home="$work/root-home"
mkdir -p "$demo_home"
HOME=$demo_home DISPLAY=$display "$program" --demo --virtual-wiimote-log "$work/demo.log" \
  >"$work/demo.out" 2>&1 &
app=$!
window=$(window_of "$app") || { cat "$work/demo.out" >&2; fail "the demo opened no window"; }
sleep 5
title=$(DISPLAY=$display xdotool getwindowname "$window")
[ "$title" = "Kestrovane" ] || fail "window title is '$title', expected 'Kestrovane'"
for report in "12 00 31" "12 00 33" "13 04" "1a 04" "16 04 b0 00 30 01 08" \
  "16 04 b0 00 33 01 33" "15 00 00"; do
  grep -q "^[0-9]* $report" "$work/demo.log" || fail "the demo's log lacks output report '$report'"
done
terminate "$app" "the demo"
grep -q "^[0-9]* 12 00 30" "$work/demo.log" || fail "no buttons-only mode at exit"
[ ! -e /usr/bin/config.ini ] || fail "the demo wrote /usr/bin/config.ini"
[ ! -e "$demo_home/.config/kestrovane/config.ini" ] || fail "the demo wrote a config.ini"

echo "== settings of an unprivileged user"
home="$work/home"
mkdir -p "$home"
chown nobody "$home"
config="$home/.config/kestrovane/config.ini"
as_nobody() { setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; }
start_as_nobody() {
  # setpriv itself in the background (not a function, which would run in a subshell): $! is
  # then the program's own process, as env and the program replace setpriv.
  setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env -i HOME="$home" DISPLAY="$display" PATH=/usr/bin:/bin "$program" \
    >>"$work/nobody.out" 2>&1 &
  app=$!
}
# What the X server looks like to the unprivileged user, for a failure to reach it.
describe_display_for_nobody() {
  echo "--- the display $display as seen by nobody:" >&2
  ls -ld /tmp /tmp/.X11-unix "/tmp/.X11-unix/X${display#:}" >&2 || true
  grep -F "/tmp/.X11-unix/X${display#:}" /proc/net/unix >&2 || true
  as_nobody env -i DISPLAY="$display" xdpyinfo 2>&1 | head -n 3 >&2 || true
}
run_as_nobody() {
  start_as_nobody
  if ! window_of "$app" >/dev/null; then
    cat "$work/nobody.out" >&2
    describe_display_for_nobody
    # A program that never reached the server is not what this test is about: once more, and
    # a second failure ends the test.
    if ! kill -0 "$app" 2>/dev/null && grep -q "cannot open X display" "$work/nobody.out"; then
      echo "the $1 run as nobody could not reach the X server; starting it once more" >&2
      : >"$work/nobody.out"
      sleep 1
      start_as_nobody
      window_of "$app" >/dev/null || { cat "$work/nobody.out" >&2; fail "no window as nobody ($1 run)"; }
    else
      fail "no window as nobody ($1 run)"
    fi
  fi
  terminate "$app" "the program run as nobody"
}
count_keys() { grep -c '^[^[;#][^=]*=' "$1"; }

run_as_nobody first
[ -f "$config" ] || fail "$config was not written"
[ "$(count_keys "$config")" -eq 36 ] || fail "$config holds $(count_keys "$config") keys, not 36"
as_nobody sed -i 's/^SpeedFast=.*/SpeedFast=7/' "$config"
run_as_nobody second
grep -qx 'SpeedFast=7' "$config" || fail "the edited SpeedFast did not survive a run"
[ "$(count_keys "$config")" -eq 36 ] || fail "$config holds $(count_keys "$config") keys, not 36"
[ ! -e /usr/bin/config.ini ] || fail "a config.ini appeared in /usr/bin"

echo "package test passed"
