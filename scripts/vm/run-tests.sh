#!/usr/bin/env bash
# Runs inside the test VM, chrooted into the host's root: every executable tests/vm/*.sh (or the
# ones named in vm.conf) in sorted order, each as root with KV_SRC, KV_BUILD, KV_RESULTS, KV_VM=1
# and KV_MODULE. Writes the closing line to $KV_RESULTS/summary for the host to read.
set -u
export KV_RESULTS=/run/kv-results
# shellcheck source=/dev/null
. "$KV_RESULTS/vm.conf"
export KV_SRC KV_BUILD KV_VM=1 KV_MODULE="$KV_SRC/scripts/vm/module.sh" KV_MODULES_DIR
cd /tmp || exit 1

tests=()
if [ -n "${KV_ONLY:-}" ]; then
  for name in $KV_ONLY; do tests+=("$KV_SRC/tests/vm/$(basename "$name")"); done
else
  for t in "$KV_SRC"/tests/vm/*.sh; do [ -x "$t" ] && tests+=("$t"); done
fi

passed=0 failed=0
for t in "${tests[@]}"; do
  name=$(basename "$t")
  echo "=== $name"
  start=$(date +%s)
  if [ -x "$t" ]; then
    timeout -k 5 "${KV_TEST_TIMEOUT:-600}" "$t" </dev/null 2>&1
    rc=$?
  else
    echo "not an executable test: $t"
    rc=127
  fi
  took=$(($(date +%s) - start))
  if [ $rc -eq 0 ]; then
    passed=$((passed + 1)); echo "--- PASS $name (${took} s)"
  else
    failed=$((failed + 1)); echo "--- FAIL $name (exit $rc, ${took} s)"
  fi
done
echo "$passed passed, $failed failed" | tee "$KV_RESULTS/summary"
