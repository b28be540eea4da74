#!/usr/bin/env bash
# Builds the core benchmarks in Release and prints their figures: speed beside same-run
# baselines (median of repetitions run in random order), then peak memory per size.
#
#   bench/run-core.sh [google-benchmark flags...]     e.g. --benchmark_filter=Sort
#
# BUILD_DIR (default build-bench) is the build directory; REPETITIONS (default 5) the runs per
# figure; TMPDIR the file system that the task files are written to and saved on.
set -euo pipefail

src_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="${BUILD_DIR:-$src_dir/build-bench}"
repetitions="${REPETITIONS:-5}"

cmake -S "$src_dir" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DRUVELO_BUILD_GUI=OFF -DRUVELO_BUILD_BENCH=ON \
    -DRUVELO_WERROR=ON >/dev/null
cmake --build "$build_dir" -j2 --target ruvelo_bench_core ruvelo_bench_memory >/dev/null

echo "CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores;" \
    "task files under ${TMPDIR:-/tmp} ($(df -T "${TMPDIR:-/tmp}" | awk 'NR==2 {print $2}'))"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
echo

"$build_dir/bench/ruvelo_bench_core" --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
    --benchmark_enable_random_interleaving=true --benchmark_color=false "$@"
echo
echo "Peak resident memory after loading, one process per size:"
"$build_dir/bench/ruvelo_bench_memory"
