#!/usr/bin/env bash
# Installs what is missing, then builds RUVelo2 twice - plainly, and with AddressSanitizer and
# UndefinedBehaviorSanitizer - and runs every test headlessly in both builds, checking the Debian
# package of the plain build too; then fuzzes each fuzz target for a few seconds and replays the
# kept crash inputs. Fails on the first failure.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc)

"$repo/scripts/install-deps.sh" test

run_suite() {
  local dir=$1
  shift
  cmake -S "$repo" -B "$dir" -DRUVELO_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  (cd "$dir" && ctest --output-on-failure -j"$jobs" --timeout 900)
}

echo "== Plain build and tests"
run_suite "$repo/build" -DRUVELO_SANITIZE=OFF -DRUVELO_BUILD_TESTS=ON -DRUVELO_BUILD_BENCH=ON

echo "== Package"
"$repo/tests/package/check-package.sh" "$repo/build"

echo "== Sanitizer build and tests"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$repo/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
run_suite "$repo/build-asan" -DRUVELO_SANITIZE=ON -DRUVELO_BUILD_TESTS=ON -DRUVELO_BUILD_BENCH=OFF
unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS

echo "== Fuzzing"
"$repo/fuzz/run.sh" 5
echo "== All tests passed"
