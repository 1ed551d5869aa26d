#!/usr/bin/env bash
# Installs what is missing, builds (warnings are errors), and runs the whole
# test suite.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" -DKESTO_WERROR=ON
ctest --test-dir "${KESTO_BUILD_DIR:-$root/build}" --output-on-failure -j "$(nproc)"
