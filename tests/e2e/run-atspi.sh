#!/usr/bin/env bash
# End to end for assistive technology: runs the built program under a virtual X server with a D-Bus
# session and the AT-SPI bus, and reads its task list through that bus as a screen reader does
# (atspi-read.py): the table, its headers and Japanese cells; the rows a Find selected and the one
# it focused; the row count after a delete.
#
# usage: run-atspi.sh PATH/TO/RUVelo2
# Exit status 0 on success, 1 on a failure (a screenshot goes next to the program), 77 when the
# tools are missing or the accessibility bus cannot start (the test is then skipped).
set -euo pipefail

if [ $# -ne 1 ] || [ ! -x "$1" ]; then
  echo "usage: $0 PATH/TO/RUVelo2" >&2
  exit 2
fi
program=$(realpath "$1")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source-path=SCRIPTDIR
source "$here/xsession.sh"

# The distribution's Python: another python3 on the PATH may lack the AT-SPI module.
python=/usr/bin/python3

missing=$(x_missing_tools | tr '\n' ' ')
for tool in dbus-launch dbus-send iconv; do
  command -v "$tool" >/dev/null 2>&1 || missing+="$tool "
done
[ -x "$x_bus_launcher" ] || missing+="$x_bus_launcher (at-spi2-core) "
if [ ! -x "$python" ] || ! "$python" -c 'import pyatspi' 2>/dev/null; then
  missing+="pyatspi for $python (python3-pyatspi gir1.2-atspi-2.0) "
fi
if [ -n "$missing" ]; then
  echo "SKIPPED: missing tools (scripts/install-deps.sh test installs them): $missing"
  exit 77
fi

x_test_workspace ruvelo-atspi "$(dirname "$program")/atspi-failure.png"

skip() {
  echo "SKIPPED: $*"
  exit 77
}

# The client library ends its process outright (a trap) when it cannot register on the
# accessibility bus, which was seen once while the bus was still settling: such a client is
# started again, a few times, while a wrong reading fails at once.
read_list() {
  local attempt status
  for attempt in 1 2 3; do
    status=0
    "$python" "$here/atspi-read.py" "$@" || status=$?
    if [ "$status" -lt 128 ]; then
      break
    fi
    echo "the AT-SPI client ended with status $status; starting it again" >&2
    sleep 1
  done
  [ "$status" -eq 0 ] || fail "the list read through AT-SPI is not as expected"
}

# Gives the main window the focus, so that the next keys go to it.
focus_main() {
  xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true
  x_wait_active 5 "$main" || fail "the main window does not get the focus"
}

# Tasks in code page 932, CR LF; two titles hold "report".
printf '120' >"$data/ruvelo.ini"
printf '%s\r\n' "買い物"$'\t'"3"$'\t'"牛乳と卵" "report 月次"$'\t'"10"$'\t'"部長へ" \
  "掃除"$'\t'"2"$'\t'"" "週報 report"$'\t'"-1"$'\t'"金曜まで" | iconv -f UTF-8 -t CP932 >"$data/ruvelo.csv"

# A session bus of our own, and on it the accessibility bus with its registry.
x_start_accessibility_bus "$work" || skip "the session bus or the AT-SPI bus did not start ($x_bus_launcher)"

x_start "$work" || fail "the X session did not start"
x_sanitizer_options "$work"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
x_start_program "$data" "$program" "$program_log"

step="main window"
main=$(x_wait_window 20 '^RUVelo$') || fail "the main window did not appear"
focus_main

step="read the table"
read_list table "買い物|3|牛乳と卵" "report 月次|10|部長へ" "掃除|2|" "週報 report|-1|金曜まで"

# Find "report": both matches are selected, the last one focused.
step="find"
xdotool key ctrl+f
dialog=$(x_wait_window 10 '^ダイアログ$') || fail "the find dialog did not open"
x_wait_active 5 "$dialog" || fail "the find dialog did not get the focus"
xdotool type --delay 20 'report'
xdotool key Return
x_wait_gone 10 "$dialog" || fail "the find dialog did not close on Enter"
x_wait_active 5 "$main" || fail "the main window did not get the focus back"
read_list selection 1 3 3

step="delete"
xdotool key ctrl+d
read_list rows 2
read_list table "買い物|3|牛乳と卵" "掃除|2|"

step="close"
xdotool key alt+F4
x_wait_program_exit 20 || fail "the program did not end after Alt+F4"
[ "$x_program_status" -eq 0 ] || fail "the program ended with status $x_program_status"

echo "PASSED: the task list read through AT-SPI: table, headers, Japanese cells, a Find's selection and focus, the rows after a delete"
