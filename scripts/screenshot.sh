#!/usr/bin/env bash
# Takes a screenshot of RUVelo2's main window with a few Japanese tasks in it, under a virtual X
# server with a window manager, and closes the program again.
#
# usage: screenshot.sh [OUTPUT.png [PATH/TO/RUVelo2]]
# OUTPUT.png defaults to docs/screenshot.png. Without a program path the program is built first,
# as scripts/run.sh builds it.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
output=$(realpath -m "${1:-$repo/docs/screenshot.png}")

"$repo/scripts/install-deps.sh" test
if [ $# -ge 2 ]; then
  program=$(realpath "$2")
else
  cmake -S "$repo" -B "$repo/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRUVELO_BUILD_TESTS=OFF -DRUVELO_BUILD_BENCH=OFF >/dev/null
  cmake --build "$repo/build" --target RUVelo2 -j"$(nproc)"
  program="$repo/build/RUVelo2"
fi

# shellcheck source-path=SCRIPTDIR/../tests/e2e
source "$repo/tests/e2e/xsession.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/ruvelo-shot.XXXXXX")
trap 'x_stop; rm -rf "$work"' EXIT
data="$work/data"
mkdir "$data"

# Tasks of varied length and importance, in code page 932 as the program keeps them.
printf '120' >"$data/ruvelo.ini"
while IFS='|' read -r title importance details; do
  printf '%s\t%s\t%s\r\n' "$title" "$importance" "$details"
done <<'EOF' | iconv -f UTF-8 -t CP932 >"$data/ruvelo.csv"
企画書の作成|9|来週の会議までに第一稿を仕上げて、部長に確認してもらう
牛乳を買う|3|
歯医者の予約|5|月曜の午後、電話で
年賀状|2|ｱﾄﾞﾚｽ帳を整理してから印刷
Backup|7|外付けディスクへ
部屋の掃除|1|本棚と机の上
読書|0|
EOF

x_start "$work"
x_start_program "$data" "$program" "$work/program.log"
main=$(x_wait_window 20 '^RUVelo$') || { echo "the main window did not appear" >&2; cat "$work/program.log" >&2; exit 1; }
xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true

# The window is drawn once two grabs in a row are the same.
grab() { import -window root rgb:- | md5sum; }
previous=$(grab)
for _ in $(seq 50); do
  sleep 0.1
  current=$(grab)
  [ "$current" = "$previous" ] && break
  previous=$current
done

mkdir -p "$(dirname "$output")"
# The window with its frame, as the window manager draws it.
import -window "$main" -frame "$output" 2>/dev/null || x_screenshot "$output"
echo "screenshot: $output"

xdotool key alt+F4
x_wait_program_exit 20 || echo "the program did not end after Alt+F4" >&2
