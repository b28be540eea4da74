#!/usr/bin/env bash
# Builds the whole-program benchmark in Release and prints its figures: start-up to the first
# painted window, every command end to end in the real window offscreen, each saving command's
# file write, peak memory, each beside a baseline measured in the same run, and the goals met.
#
#   bench/run-program.sh [--accessibility[=reader|off]] [--repetitions=N] [--startup-runs=N] [--only=FIGURE,...] [rows ...]
#
# --accessibility runs the program and its start-up probe as a screen reader's user has them:
# on X (Xvfb) with a D-Bus session, the AT-SPI bus and QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1, so the
# toolkit's accessibility bridge is on; no client listens. --accessibility=reader adds a client
# that reads the focused row at every focus event (bench/atspi-reader.py) and prints what it read.
# --accessibility=off is the same X session with the bridge left off: the baseline on that platform.
#
# BUILD_DIR (default build-bench-program) is the build directory; TMPDIR the file system that the task
# files are written to and saved on.
set -euo pipefail

src_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="${BUILD_DIR:-$src_dir/build-bench-program}"

accessibility=
args=()
for arg in "$@"; do
  case "$arg" in
    --accessibility) accessibility=bridge ;;
    --accessibility=reader) accessibility=reader ;;
    --accessibility=off) accessibility=off ;;
    *) args+=("$arg") ;;
  esac
done

cmake -S "$src_dir" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DRUVELO_BUILD_GUI=ON -DRUVELO_BUILD_BENCH=ON \
    -DRUVELO_BUILD_TESTS=OFF -DRUVELO_WERROR=ON >/dev/null
cmake --build "$build_dir" -j2 --target ruvelo_bench_program ruvelo_startup_probe >/dev/null

echo "CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores;" \
    "task files under ${TMPDIR:-/tmp} ($(df -T "${TMPDIR:-/tmp}" | awk 'NR==2 {print $2}'))"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
echo

if [ -z "$accessibility" ]; then
  QT_QPA_PLATFORM=offscreen "$build_dir/bench/ruvelo_bench_program" "${args[@]}"
  exit
fi

# The session a screen reader's user has: X, a session bus, the accessibility bus on it.
# shellcheck source-path=SCRIPTDIR
source "$src_dir/tests/e2e/xsession.sh"

python=/usr/bin/python3
for tool in Xvfb openbox xdotool dbus-launch dbus-send "$x_bus_launcher" "$python"; do
  command -v "$tool" >/dev/null 2>&1 || { echo "run-program.sh: --accessibility needs $tool" >&2; exit 1; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/ruvelo-bench-a11y.XXXXXX")
reader_pid=
cleanup() {
  if [ -n "$reader_pid" ] && kill -0 "$reader_pid" 2>/dev/null; then
    kill "$reader_pid" 2>/dev/null || true
  fi
  x_stop
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

x_start_accessibility_bus "$work" || { echo "the AT-SPI bus did not start" >&2; exit 1; }
x_start "$work"
if [ "$accessibility" = reader ]; then
  # The benchmark waits for the client's line in this file after each key (figure "key down, read").
  export RUVELO_BENCH_READER_LOG="$work/reader.log"
  : >"$RUVELO_BENCH_READER_LOG"
  "$python" "$src_dir/bench/atspi-reader.py" "$work/reader.txt" "$RUVELO_BENCH_READER_LOG" &
  reader_pid=$!
  x_wait_until 10 grep -qs listening "$work/reader.txt" || { echo "the reader did not start" >&2; exit 1; }
  echo "a client reads the focused row at every focus event"
elif [ "$accessibility" = bridge ]; then
  echo "no client listens"
fi
status=0
if [ "$accessibility" = off ]; then
  env -u QT_LINUX_ACCESSIBILITY_ALWAYS_ON "$build_dir/bench/ruvelo_bench_program" --platform=xcb "${args[@]}" || status=$?
else
  QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$build_dir/bench/ruvelo_bench_program" --platform=xcb "${args[@]}" || status=$?
fi
if [ -n "$reader_pid" ]; then
  kill -TERM "$reader_pid"
  wait "$reader_pid" || true
  reader_pid=
  echo "the client received and read: $(cat "$work/reader.txt")"
fi
exit "$status"
