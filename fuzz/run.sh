#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) and runs each for a bounded time,
# then replays every kept regression input once.
#   fuzz/run.sh [seconds per target, default 5] [target ...]
# Each target grows its own working corpus under fuzz/work/, seeded from fuzz/corpus/<target>/;
# a crash input is written to fuzz/work/crashes/. Once its bug is fixed, keep it under
# fuzz/regressions/<target>/ so that every later run replays it.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
seconds="${1:-5}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(TaskFileFuzzer SettingsFuzzer DecodeFuzzer FindFuzzer ErrorMessageFuzzer)
fi

build="$here/build"
work="$here/work"
mkdir -p "$work/crashes"
if ! { cmake -S "$here" -B "$build" -DCMAKE_CXX_COMPILER="${CXX_FUZZ:-clang++}" &&
       cmake --build "$build" -j2 --target "${targets[@]}"; } >"$work/build.log" 2>&1; then
  cat "$work/build.log"
  exit 1
fi

# The targets' data directories go here, on a memory file system when there is one.
TMPDIR="$(mktemp -d "$( [ -w /dev/shm ] && echo /dev/shm || echo /tmp )/ruvelo-fuzz.XXXXXX")"
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
status=0
for target in "${targets[@]}"; do
  corpus="$work/corpus/$target"
  mkdir -p "$corpus"
  log="$work/$target.log"
  echo "== $target: ${seconds}s"
  # -timeout catches a hang, -rss_limit_mb a runaway allocation; both count as failures.
  if ! "$build/$target" "$corpus" "$here/corpus/$target" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2048 -max_len=4096 -artifact_prefix="$work/crashes/$target-" -print_final_stats=1 \
      >"$log" 2>&1; then
    echo "   FAILED, see $log"
    grep -m5 -E 'check failed|ERROR|runtime error|SUMMARY' "$log" || true
    status=1
  fi
  grep -E '^stat::number_of_executed_units' "$log" | sed "s/^/   /" || true
done

for target in "${targets[@]}"; do
  regressions="$here/regressions/$target"
  if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
    echo "== $target: replaying $(ls "$regressions" | wc -l) kept inputs"
    if ! "$build/$target" "$regressions"/* >"$work/$target.replay.log" 2>&1; then
      echo "   FAILED, see $work/$target.replay.log"
      status=1
    fi
  fi
done
exit $status
