#!/usr/bin/env bash
# Builds the suite a second time with AddressSanitizer and
# UndefinedBehaviorSanitizer (into build-asan/, or $KESTO_ASAN_BUILD_DIR) and
# runs the whole CTest suite with it. The programs the tests start are the
# sanitized ones too. Any sanitizer report, from a test or from a program a
# test ran, fails that test and so the script.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTO_ASAN_BUILD_DIR:-$root/build-asan}
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2

"$root/scripts/setup.sh"

# -O1 and line tables only (enough for the file and line in a report) keep
# the build and the runs quick; Debug keeps assertions on.
cmake -S "$root" -B "$build" -DKESTO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" >/dev/null
cmake --build "$build" -j "$jobs"

# A report ends the process with status 86. The test support also looks for
# reports in the output of every program a test runs and fails that test.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:exitcode=86:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:exitcode=86"
export LSAN_OPTIONS="exitcode=86"

ctest --test-dir "$build" --output-on-failure -j "$jobs"
