#!/usr/bin/env bash
# Installs what is missing, builds RUVelo2 and starts it. The directory you run this from is the
# program's data directory: its task file ruvelo.csv and settings file ruvelo.ini live there.
set -euo pipefail
data_dir=$(pwd)
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

"$repo/scripts/install-deps.sh" run
cmake -S "$repo" -B "$repo/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRUVELO_BUILD_TESTS=OFF -DRUVELO_BUILD_BENCH=OFF >/dev/null
cmake --build "$repo/build" --target RUVelo2 -j"$(nproc)"
cd "$data_dir"
exec "$repo/build/RUVelo2"
