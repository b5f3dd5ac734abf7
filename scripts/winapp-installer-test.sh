#!/usr/bin/env bash
# The Windows installer under Wine: a silent per-user install puts the program, its texts, a
# Start-menu entry and an entry in the list of installed programs in place; the program starts
# from there; a silent uninstall removes all of that but the user's config.ini.
#   scripts/winapp-installer-test.sh SETUP-EXE
# Needs WINEPREFIX set up (scripts/test-windows.sh does that). Exits non-zero on failure.
set -euo pipefail
setup=$(realpath "$1")
wine=${WINE:-wine}
fail() { echo "FAIL installer: $*" >&2; exit 1; }
source "$(dirname "$0")/winapp-common.sh"
WAIT_POLL=0.2
unix_path() { winepath -u "$("$wine" cmd /c echo "$1" 2>/dev/null | tr -d '\r"')" 2>/dev/null; }
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrovane'
listed() { "$wine" reg query "$key" /v UninstallString >/dev/null 2>&1; }

dir=$(unix_path '%LOCALAPPDATA%\Programs\Kestrovane')
menu=$(unix_path '%APPDATA%\Microsoft\Windows\Start Menu\Programs')
[ -n "$dir" ] && [ -n "$menu" ] || fail "no per-user folders in the Wine prefix"
rm -rf "$dir"

"$wine" "$setup" /S || fail "the installer failed"
for f in kestrovane.exe README.txt LICENSE.txt uninstall.exe; do
  [ -f "$dir/$f" ] || fail "$f is not in $dir"
done
[ -f "$menu/Kestrovane.lnk" ] || fail "no Start-menu entry in $menu"
listed || fail "not in the list of installed programs"

# From its installed place: the program answers, and it keeps its settings beside itself.
version=$("$wine" "$dir/kestrovane.exe" --version 2>&1 | tr -d '\r')
[[ "$version" == "Kestrovane "* ]] || fail "the installed program said: $version"
printf '[General]\r\nCursorMode=IR\r\n' >"$dir/config.ini"

"$wine" "$dir/uninstall.exe" /S || fail "the uninstaller failed"
# The uninstaller runs on from a copy of itself and returns at once: wait for its work.
gone() { [ ! -e "$dir/kestrovane.exe" ] && [ ! -e "$dir/uninstall.exe" ] && ! listed; }
wait_for 60 gone || fail "the uninstaller left the program behind"
for f in README.txt LICENSE.txt; do [ ! -e "$dir/$f" ] || fail "the uninstaller left $f"; done
[ ! -e "$menu/Kestrovane.lnk" ] || fail "the uninstaller left the Start-menu entry"
[ "$(cat "$dir/config.ini")" = "$(printf '[General]\r\nCursorMode=IR\r')" ] ||
  fail "the uninstaller did not leave config.ini as it was"
rm -rf "$dir"
echo "installer: silent install, start from the installed place, silent uninstall: ok"
