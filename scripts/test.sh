#!/usr/bin/env bash
# Builds Kairon and runs all tests, headless.
#   scripts/test.sh              normal build in build/, warnings as errors
#   scripts/test.sh --sanitize   the same with AddressSanitizer + UndefinedBehaviorSanitizer in build-asan/
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
bash scripts/setup.sh

build_dir=build
extra=()
if [ "${1:-}" = "--sanitize" ]; then
  build_dir=build-asan
  extra=(-DKAIRON_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
fi
jobs="$(nproc 2>/dev/null || echo 2)"

cmake -S . -B "$build_dir" -DKAIRON_WERROR=ON -DKAIRON_BUILD_TESTS=ON "${extra[@]}"
cmake --build "$build_dir" -j "$jobs"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:halt_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir "$build_dir" --output-on-failure -j "$jobs"
