#!/usr/bin/env bash
# One command from a fresh clone: installs what is missing, builds, runs every test.
#   scripts/test.sh            default build
#   scripts/test.sh asan       AddressSanitizer + UndefinedBehaviorSanitizer build
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
scripts/setup-deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
ctest --preset "$preset" -j "$(nproc)"
