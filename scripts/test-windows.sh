#!/usr/bin/env bash
# The Windows build: cross-compiles the core, the Windows backend and their tests with mingw-w64
# and runs the test programs under Wine, on a private X server (Wine needs one for windows) and
# with a private PulseAudio server (so Wine has audio mixer devices to test against).
# Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/setup-deps.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j "$(nproc)" --target kv_unit_tests kv_win32_tests

export WINEPREFIX="$root/build/mingw/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no .NET or Gecko installer prompts in the prefix
wine=/usr/bin/wine
[ -x "$wine" ] || wine=/usr/lib/wine/wine64

scratch=$(mktemp -d)
pulse_pid=""
cleanup() {
  if [ -n "$pulse_pid" ]; then kill "$pulse_pid" 2>/dev/null || true; wait "$pulse_pid" 2>/dev/null || true; fi
  wineserver -k 2>/dev/null || true  # the server of our own prefix only
  rm -rf "$scratch"
}
trap cleanup EXIT

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== preparing the Wine prefix (first run only)"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi

if command -v pulseaudio >/dev/null; then
  env XDG_RUNTIME_DIR="$scratch" HOME="$scratch" pulseaudio -n --daemonize=no \
    --exit-idle-time=-1 --disable-shm=yes -L module-null-sink -L module-native-protocol-unix \
    >"$scratch/pulse.log" 2>&1 &
  pulse_pid=$!
  for _ in $(seq 100); do [ -S "$scratch/pulse/native" ] && break; sleep 0.1; done
  export PULSE_SERVER="unix:$scratch/pulse/native"
fi

# Core tests that assume POSIX paths or POSIX file sharing; they test nothing Windows-specific.
posix_only="SettingsSaveRefusal.ReadOnlyFile:SettingsSaveRefusal.DirectoryThatTakesNoNewFile"
posix_only+=":SettingsSaveRefusal.DiskFullWhileWriting"
posix_only+=":SettingsSaveRefusal.FileThatCannotBeReadIsNotOverwritten"
posix_only+=":UserConfigDirectory.PrefersAnAbsoluteXdgConfigHome"
posix_only+=":VirtualWiimoteTest.FileLogAppendsAndFlushesEachLine"

status=0
run() {
  echo "== $*"
  # ALSA complains on stderr when it finds no sound card; Wine then uses PulseAudio.
  if ! xvfb-run -a -s "-screen 0 1280x1024x24" "$wine" "$@" 2> >(grep -v '^ALSA lib' >&2); then
    status=1
  fi
}
cd "$root/build/mingw/tests"
run ./kv_win32_tests.exe --gtest_brief=1
run ./kv_unit_tests.exe --gtest_brief=1 "--gtest_filter=-$posix_only"
exit $status
