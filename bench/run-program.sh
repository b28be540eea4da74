#!/usr/bin/env bash
# Builds the whole-program benchmark in Release and prints its figures: start-up to the first
# painted window, every command end to end in the real window offscreen, each saving command's
# file write, peak memory, each beside a baseline measured in the same run, and the goals met.
#
#   bench/run-program.sh [--repetitions=N] [--startup-runs=N] [--only=FIGURE,...] [rows ...]
#
# BUILD_DIR (default build-bench-program) is the build directory; TMPDIR the file system that the task
# files are written to and saved on.
set -euo pipefail

src_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="${BUILD_DIR:-$src_dir/build-bench-program}"

cmake -S "$src_dir" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DRUVELO_BUILD_GUI=ON -DRUVELO_BUILD_BENCH=ON \
    -DRUVELO_BUILD_TESTS=OFF -DRUVELO_WERROR=ON >/dev/null
cmake --build "$build_dir" -j2 --target ruvelo_bench_program ruvelo_startup_probe >/dev/null

echo "CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores;" \
    "task files under ${TMPDIR:-/tmp} ($(df -T "${TMPDIR:-/tmp}" | awk 'NR==2 {print $2}'))"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
echo

QT_QPA_PLATFORM=offscreen "$build_dir/bench/ruvelo_bench_program" "$@"
