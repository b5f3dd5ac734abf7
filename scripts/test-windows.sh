#!/usr/bin/env bash
# The Windows build: cross-compiles the core, the Windows backend, their tests and the Windows
# program with mingw-w64 and runs the test programs under Wine, on a private X server (Wine
# needs one for windows) and with a private PulseAudio server (so Wine has audio mixer devices
# to test against); then runs kestrovane.exe end to end against the Linux program (built by the
# default preset, which CI has built already). Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/setup-deps.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j "$(nproc)" --target kv_unit_tests kv_win32_tests kestrovane
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target kestrovane

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

echo "== kestrovane.exe: command line"
exe="$root/build/mingw/src/winapp/kestrovane.exe"
check_output() {  # EXPECTED-TEXT EXPECTED-STATUS ARGUMENTS...
  local expected=$1 expected_status=$2 output code=0
  shift 2
  output=$("$wine" "$exe" "$@" 2>&1) || code=$?
  if [ "$code" != "$expected_status" ] || ! grep -qF -- "$expected" <<<"$output"; then
    echo "FAIL kestrovane.exe $*: status $code, output: $output" >&2
    status=1
  fi
}
check_output "Usage: kestrovane" 0 --help
# Windows has no input backends to choose from: --help leaves the option out and it is refused.
if "$wine" "$exe" --help 2>&1 | grep -q -- --input-backend; then
  echo "FAIL kestrovane.exe --help lists --input-backend" >&2
  status=1
fi
check_output "unknown argument '--input-backend=x11'" 2 --input-backend=x11
check_output "Kestrovane $(sed -n 's/^project(Kestrovane VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")" 0 --version
check_output "unknown argument '--no-such-option'" 2 --no-such-option
check_output "no-such-scenario.txt" 1 --virtual-wiimote no-such-scenario.txt

echo "== release files: zip and installer"
cd "$root"
mapfile -t release < <(scripts/package-windows.sh)
if [ "${#release[@]}" != 2 ] || [ ! -f "${release[0]}" ] || [ ! -f "${release[1]}" ]; then
  echo "FAIL package-windows.sh printed: ${release[*]}" >&2
  status=1
else
  zipped=$(python3 -m zipfile -l "${release[0]}" | awk 'NR > 1 { print $1 }' | sed 's|.*/||' |
    grep . | sort | tr '\n' ' ')
  if [ "$zipped" != "LICENSE.txt README.txt kestrovane.exe " ]; then
    echo "FAIL the zip holds: $zipped" >&2
    status=1
  fi
  WINE="$wine" scripts/winapp-installer-test.sh "${release[1]}" || status=1
fi

echo "== kestrovane.exe end to end"
WINE="$wine" "$root/scripts/winapp-e2e.sh" "$exe" "$root/build/default/src/app/kestrovane" || status=1
echo "== kestrovane.exe preferences dialog"
WINE="$wine" "$root/scripts/winapp-dialog-test.sh" "$exe" || status=1
echo "== kestrovane.exe tray icon"
WINE="$wine" "$root/scripts/winapp-tray-test.sh" "$exe" || status=1
echo "== kestrovane.exe idle"
WINE="$wine" "$root/scripts/winapp-idle-test.sh" "$exe" || status=1
exit $status
