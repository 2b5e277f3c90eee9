#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a
# bounded time from its seed corpus. Fails on any crash, leak or sanitizer report.
#   scripts/fuzz.sh [seconds per target, default 60]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
KAIRON_SETUP_EXTRA="clang libclang-rt-14-dev" bash scripts/setup.sh
seconds="${1:-60}"
cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DKAIRON_BUILD_FUZZ=ON -DKAIRON_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
targets=$(cd tests/fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//')
# shellcheck disable=SC2086
cmake --build build-fuzz -j "$(nproc 2>/dev/null || echo 2)" --target $targets
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
for t in $targets; do
  name="${t#fuzz_}"
  work="build-fuzz/corpus-$name"
  mkdir -p "$work"
  seeds="tests/fuzz/corpus/$name"
  echo "== $t for ${seconds}s"
  log="build-fuzz/$t.log"
  if ! "build-fuzz/tests/fuzz/$t" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
      -print_final_stats=1 "$work" "$seeds" > "$log" 2>&1; then
    tail -n 40 "$log"
    echo "fuzz target $t failed"
    exit 1
  fi
  grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units)' "$log" || tail -n 3 "$log"
done
echo "fuzzing: all targets passed"
