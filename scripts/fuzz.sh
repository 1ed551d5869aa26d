#!/usr/bin/env bash
# Builds the fuzz targets of the input readers (tests/fuzz, libFuzzer with
# clang, AddressSanitizer and UndefinedBehaviorSanitizer) into build-fuzz/
# (or $KESTO_FUZZ_BUILD_DIR) and runs each for SECONDS seconds (default 30),
# two at a time. Fails when a target finds a crash, a leak, an input that
# takes over 10 seconds, a sanitizer report or a broken reader invariant; the
# input that did it is kept as build-fuzz/artifacts/TARGET-crash-... (or
# leak-, timeout-, oom-) and the target's output as build-fuzz/logs/TARGET.log.
#
# usage: scripts/fuzz.sh [SECONDS] [TARGET...]
# Re-run one input: build-fuzz/fuzz/TARGET build-fuzz/artifacts/FILE
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTO_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-30}
[ $# -gt 0 ] && shift
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2

"$root/scripts/setup.sh"
need=()
for pkg in clang-14 libclang-rt-14-dev; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if [ "${#need[@]}" -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  echo "installing: ${need[*]}" >&2
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${need[@]}" >/dev/null
fi

cmake -S "$root" -B "$build" -DKESTO_FUZZ=ON -DKESTO_BUILD_TESTS=OFF \
      -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -gline-tables-only" >/dev/null
cmake --build "$build" --target fuzz_all -j "$jobs"

targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then
  for f in "$root"/tests/fuzz/fuzz_*.cpp; do
    targets+=("$(basename "$f" .cpp)")
  done
fi

rm -rf "$build/seeds" "$build/logs"
mkdir -p "$build/seeds" "$build/logs" "$build/artifacts" "$build/corpus"
bash "$root/tests/fuzz/make_seeds.sh" "$build/seeds"

export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

# One target: new inputs go to corpus/TARGET (kept between runs), the seeds
# are read from seeds/TARGET. The targets' own messages about malformed
# input are dropped (-close_fd_mask=3); libFuzzer's and the sanitizers'
# reports still reach the log.
run_target() {
  local t=$1 status=0
  mkdir -p "$build/corpus/$t" "$build/seeds/$t"
  "$build/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
      -close_fd_mask=3 -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-" \
      "$build/corpus/$t" "$build/seeds/$t" >"$build/logs/$t.log" 2>&1 || status=$?
  echo "$status" >"$build/logs/$t.status"
}

for t in "${targets[@]}"; do
  [ -x "$build/fuzz/$t" ] || { echo "fuzz: no target $t" >&2; exit 2; }
done
for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
    sleep 1
  done
  run_target "$t" &
done
wait

failed=()
for t in "${targets[@]}"; do
  if [ "$(cat "$build/logs/$t.status" 2>/dev/null)" = 0 ]; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/logs/$t.log" | grep -o '[0-9]*$' || echo "?")
    echo "fuzz: $t ok ($runs inputs in ${seconds}s)"
  else
    failed+=("$t")
    echo "fuzz: $t FAILED; last lines of $build/logs/$t.log:" >&2
    tail -n 40 "$build/logs/$t.log" >&2
  fi
done

if [ "${#failed[@]}" -gt 0 ]; then
  echo "fuzz: failed: ${failed[*]} (inputs in $build/artifacts/)" >&2
  exit 1
fi
echo "fuzz: all ${#targets[@]} targets ran ${seconds}s each without a finding"
