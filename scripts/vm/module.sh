#!/usr/bin/env bash
# Loads or unloads kernel modules inside the test VM (the guest has no modprobe tables):
#   "$KV_MODULE" load hid-wiimote      loads it and what it needs, if not loaded yet
#   "$KV_MODULE" unload hid-wiimote    unloads it (devices it drove fall back to hid-generic)
#   "$KV_MODULE" loaded hid-wiimote    exit 0 when loaded
set -euo pipefail
declare -A needs=([uhid]=hid [hid-generic]=hid [hid-wiimote]="hid ff-memless")
dir=${KV_MODULES_DIR:?}
loaded() { [ -d "/sys/module/${1//-/_}" ]; }
load() {
  local dep
  for dep in ${needs[$1]:-}; do load "$dep"; done
  loaded "$1" && return 0
  local file
  file=$(find "$dir" -name "$1.ko" | head -1)
  [ -n "$file" ] || { echo "module.sh: no module $1 in $dir" >&2; return 1; }
  busybox insmod "$file"
}
action=$1; shift
for m in "$@"; do
  case $action in
    load) load "$m" ;;
    unload) if loaded "$m"; then busybox rmmod "$m"; fi ;;
    loaded) loaded "$m" ;;
    *) echo "usage: module.sh load|unload|loaded MODULE..." >&2; exit 2 ;;
  esac
done
