#!/usr/bin/env bash
# Builds Lumivore for Linux (release, and debug with ASan+UBSan) and Windows (mingw-w64), runs every
# test program on both (Windows under Wine on a virtual display), the launch test of Lumivore.exe,
# and each fuzzer for a bounded time. Ends with a pass/fail summary.
#   LV_FUZZ_SECONDS  seconds per fuzzer (default 40; 0 skips fuzzing)
#   LV_SKIP          space-separated steps to skip: asan windows fuzz
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# Paths under the checkout's parent are hashed relative to it, so any clone reuses the compiler cache.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$root")}
# Debug builds would otherwise hash the build folder's absolute path too.
export CCACHE_NOHASHDIR=1
mkdir -p build/logs
fuzz_seconds=${LV_FUZZ_SECONDS:-40}
skip=" ${LV_SKIP:-} "
jobs=$(nproc 2>/dev/null || echo 2)
t0=$(date +%s)

bash scripts/deps.sh || { echo "FAIL: could not install the build dependencies"; exit 1; }

summary=()
failed_steps=0
total_pass=0
total_fail=0

# step NAME COMMAND...: runs one step with its output in build/logs/NAME.log
step() {
  local name=$1; shift
  local s=$(date +%s)
  echo "== $name"
  if "$@" >"build/logs/$name.log" 2>&1; then
    summary+=("PASS  $name ($(( $(date +%s) - s )) s)")
  else
    summary+=("FAIL  $name ($(( $(date +%s) - s )) s, log: build/logs/$name.log)")
    failed_steps=$((failed_steps + 1))
    echo "---- last lines of build/logs/$name.log"
    tail -n 60 "build/logs/$name.log"
    echo "----"
  fi
}

# Adds a ctest log's counts to the totals.
count_ctest() {
  local log=build/logs/$1.log line passed total
  line=$(grep -E "tests passed, [0-9]+ tests? failed out of [0-9]+" "$log" | tail -n 1)
  [ -n "$line" ] || return 0
  passed=$(echo "$line" | sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2 \1/')
  set -- $passed
  total_pass=$((total_pass + $1 - $2))
  total_fail=$((total_fail + $2))
}


# [SECTION] Linux
step linux-release-build bash -c "cmake --preset linux-release -DLV_WERROR=ON && cmake --build --preset linux-release -j $jobs -- -k 0"
step linux-release-test ctest --preset linux-release -j "$jobs" --timeout 600
count_ctest linux-release-test

if [[ "$skip" != *" asan "* ]]; then
  step linux-asan-build bash -c "cmake --preset linux-debug-asan -DLV_WERROR=ON && cmake --build --preset linux-debug-asan -j $jobs -- -k 0"
  step linux-asan-test env ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --preset linux-debug-asan -j "$jobs" --timeout 900
  count_ctest linux-asan-test
fi

# [SECTION] Windows, cross-built and run under Wine
if [[ "$skip" != *" windows "* ]]; then
  step windows-build bash -c "cmake --preset windows-release -DLV_WERROR=ON && cmake --build --preset windows-release -j $jobs -- -k 0"
  source scripts/wine-env.sh
  trap wine_down EXIT
  step wine-setup wine_up
  # One test program at a time: each Wine process is slow to start and WIC tests are heavy.
  step windows-test timeout 1800 ctest --preset windows-release -j 1 --timeout 900
  count_ctest windows-test
  wine_down
fi

# [SECTION] Fuzzing: every target for a bounded time, seeded with the real camera files
if [[ "$skip" != *" fuzz "* ]] && [ "$fuzz_seconds" -gt 0 ] && ls fuzz/*.cpp >/dev/null 2>&1; then
  step fuzz-build bash -c "cmake --preset linux-fuzz && cmake --build --preset linux-fuzz -j $jobs"
  # Seeds: the first 64 KiB of every real file (the fuzzers' -max_len), sidecars included.
  rm -rf build/fuzz-seeds && mkdir -p build/fuzz-seeds
  if [ -d ../shared/corpus ]; then
    find ../shared/corpus -type f ! -name '*.json' ! -name '*.md' | while read -r f; do
      head -c 65536 "$f" > "build/fuzz-seeds/$(basename "$(dirname "$f")")-$(basename "$f")"
    done
  fi
  for f in fuzz/*.cpp; do
    n=$(basename "$f" .cpp)
    [ -x "build/linux-fuzz/$n" ] || continue
    mkdir -p "build/fuzz-corpus/$n" "build/fuzz-artifacts/$n"
    # A fuzzer of short texts names its own input limit; camera-file seeds are cut to it.
    max_len=$(sed -n 's|^// fuzz-max-len: \([0-9]*\).*|\1|p' "$f" | head -1)
    step "fuzz-$n" "build/linux-fuzz/$n" -max_total_time="$fuzz_seconds" -max_len="${max_len:-65536}" -timeout=10 \
      -rss_limit_mb=2048 -malloc_limit_mb=1024 -print_final_stats=1 -artifact_prefix="build/fuzz-artifacts/$n/" \
      "build/fuzz-corpus/$n" build/fuzz-seeds
    if grep -q "^stat::number_of_executed_units" "build/logs/fuzz-$n.log"; then
      execs=$(grep "^stat::number_of_executed_units" "build/logs/fuzz-$n.log" | awk '{print $2}')
      summary[${#summary[@]}-1]+=" $execs runs"
    fi
  done
fi

echo
echo "== Summary ($(( $(date +%s) - t0 )) s)"
printf '%s\n' "${summary[@]}"
echo
echo "tests: $total_pass passed, $total_fail failed"
if [ "$failed_steps" -gt 0 ] || [ "$total_fail" -gt 0 ]; then
  echo "RESULT: FAIL ($failed_steps failed steps)"
  exit 1
fi
echo "RESULT: PASS"
