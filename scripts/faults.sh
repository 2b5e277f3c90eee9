#!/usr/bin/env bash
# The fault suite: the quick fault cases (also part of the normal test run)
# and the long kill loop, which kills the child process during a 100,000-row
# case-file download and during the upload marking many times.
#   scripts/faults.sh [kills per case, default 60] [--sanitize]
# KAIRON_KILL_SEED fixes the kill moments (the seed of every run is printed).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
bash scripts/setup.sh

kills=60
build_dir=build
extra=()
for arg in "$@"; do
  case "$arg" in
    --sanitize)
      build_dir=build-asan
      extra=(-DKAIRON_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
      ;;
    *) kills="$arg" ;;
  esac
done
jobs="$(nproc 2>/dev/null || echo 2)"

cmake -S . -B "$build_dir" -DKAIRON_WERROR=ON -DKAIRON_BUILD_TESTS=ON "${extra[@]}"
targets="$(cd tests/faults && ls tst_faults_*.cpp | sed 's/^tst_/test_/; s/\.cpp$//') test_faults_silent test_faults_slow"
# shellcheck disable=SC2086
cmake --build "$build_dir" -j "$jobs" --target faults_child $targets
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:halt_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

echo "== quick fault cases"
ctest --test-dir "$build_dir" -L faults --output-on-failure -j "$jobs"

echo "== kill loop: $kills kills per case"
KAIRON_KILL_ROUNDS="$kills" "$build_dir/tests/faults/test_faults_kill"
echo "fault suite: passed"
