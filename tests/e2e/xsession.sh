# shellcheck shell=bash disable=SC2034  # x_program_status is read by the scripts that source this
# A private X session for driving the program: Xvfb on a display of its own, openbox as the
# window manager (it gives new windows the focus and closes them on Alt+F4), and helpers that wait
# for windows and files. Sourced by tests/e2e/run-e2e.sh and scripts/screenshot.sh; bash only.
#
# x_start DIR         starts the session, keeping its files in DIR; exports DISPLAY
# x_start_program DIR PROGRAM LOG   starts PROGRAM in DIR, its output going to LOG
# x_wait_program_exit SECONDS   waits for the program to end; its status goes to x_program_status
# x_stop              ends the program, openbox and Xvfb (only the processes started here)
# x_wait_window SECONDS REGEX   prints the id of the first visible window whose caption matches
# x_wait_active SECONDS ID      waits until window ID is the active window
# x_wait_gone SECONDS ID        waits until window ID is no longer visible
# x_wait_until SECONDS CMD...   runs CMD until it succeeds
# x_screenshot FILE             the whole screen as a PNG
# x_test_workspace NAME SHOT    a test's files: $work (removed at exit, with the session stopped),
#                               $data, $program_log; fail ARGS... reports the failed $step with a
#                               screenshot in SHOT, the data directory and the program's output
# x_sanitizer_options DIR       for a sanitizer build, the options the X libraries need
# x_start_accessibility_bus DIR a session bus of its own and the AT-SPI bus on it, as a screen
#                               reader's user has them; fails when they do not come up

x_xvfb_pid=
x_openbox_pid=
x_bus_launcher=/usr/libexec/at-spi-bus-launcher
x_bus_launcher_pid=
x_dbus_pid=
x_program_pid=
x_program_status=

x_required_tools=(Xvfb openbox xdotool import)

# Prints the tools that are missing, one a line.
x_missing_tools() {
  local tool
  for tool in "${x_required_tools[@]}"; do
    command -v "$tool" >/dev/null 2>&1 || echo "$tool"
  done
}

x_wait_until() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    if [ "$SECONDS" -ge "$deadline" ]; then
      return 1
    fi
    sleep 0.05
  done
}

x_start() {
  local dir=$1
  # -displayfd: the server picks a free display itself and writes its number once it accepts
  # clients, so parallel sessions never race for a number. A number left from an earlier session
  # must not be taken for it.
  rm -f "$dir/display"
  Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp -noreset 9>"$dir/display" >"$dir/xvfb.log" 2>&1 &
  x_xvfb_pid=$!
  if ! x_wait_until 10 grep -qs '^[0-9]' "$dir/display"; then
    echo "Xvfb did not start:" >&2
    cat "$dir/xvfb.log" >&2
    return 1
  fi
  DISPLAY=":$(head -n1 "$dir/display")"
  export DISPLAY
  # Our own empty configuration: no user settings, no autostart programs.
  mkdir -p "$dir/xdg"
  XDG_CONFIG_HOME="$dir/xdg" openbox --sm-disable >"$dir/openbox.log" 2>&1 &
  x_openbox_pid=$!
  # The window manager is up once it has published its desktops.
  if ! x_wait_until 10 x_has_window_manager; then
    echo "openbox did not start:" >&2
    cat "$dir/openbox.log" >&2
    return 1
  fi
}

x_has_window_manager() {
  local n
  n=$(xdotool get_num_desktops 2>/dev/null) && [ "${n:-0}" -gt 0 ]
}

x_start_program() {
  local dir=$1 program=$2 log=$3
  (cd "$dir" && exec "$program") >"$log" 2>&1 &
  x_program_pid=$!
}

x_wait_program_exit() {
  local seconds=$1
  if ! x_wait_until "$seconds" x_program_ended; then
    return 1
  fi
  x_program_status=0
  wait "$x_program_pid" || x_program_status=$?
  x_program_pid=''
}

# Our child stays a zombie until it is waited for: state Z in /proc counts as ended.
x_program_ended() {
  [ ! -e "/proc/$x_program_pid" ] || grep -q '^[0-9]* (.*) Z' "/proc/$x_program_pid/stat" 2>/dev/null
}

x_stop() {
  local pid
  for pid in "$x_program_pid" "$x_openbox_pid" "$x_xvfb_pid" "$x_bus_launcher_pid" "$x_dbus_pid"; do
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
      # A process that ignores the request within a second is ended for good.
      x_wait_until 1 x_pid_gone "$pid" || kill -9 "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    fi
  done
  x_program_pid='' x_openbox_pid='' x_xvfb_pid='' x_bus_launcher_pid='' x_dbus_pid=''
}

x_test_workspace() {
  local name=$1
  work=$(mktemp -d "${TMPDIR:-/tmp}/$name.XXXXXX")
  data="$work/data"
  mkdir "$data"
  program_log="$work/program.log"
  failure_shot=$2
  rm -f "$failure_shot"
  step="start-up"
  trap x_test_cleanup EXIT
  trap 'exit 1' INT TERM
}

x_test_cleanup() {
  x_stop
  rm -rf "$work"
}

fail() {
  echo "FAILED at step '$step': $*" >&2
  if [ -n "${DISPLAY:-}" ] && x_screenshot "$failure_shot" 2>/dev/null; then
    echo "screenshot: $failure_shot" >&2
  fi
  echo "files in the data directory:" >&2
  ls -la "$data" >&2 || true
  if [ -s "$program_log" ]; then
    echo "program output:" >&2
    sed 's/^/    /' "$program_log" >&2
  fi
  exit 1
}

x_sanitizer_options() {
  local dir=$1 given
  # The X keyboard library hands strndup a buffer without a terminating zero, which is valid, but
  # strict string checks report it as an overflow before the window opens.
  export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}strict_string_checks=0"
  # The leak checker takes one suppressions file: the one given, if any, and ours for the X
  # libraries' process-lifetime allocations.
  cat "$(dirname "${BASH_SOURCE[0]}")/lsan-desktop.supp" >"$dir/lsan.supp"
  given=$(sed -n 's/.*suppressions=\([^:]*\).*/\1/p' <<<"${LSAN_OPTIONS:-}")
  if [ -n "$given" ] && [ -f "$given" ]; then
    cat "$given" >>"$dir/lsan.supp"
  fi
  export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$dir/lsan.supp"
}

x_start_accessibility_bus() {
  local dir=$1
  eval "$(dbus-launch --sh-syntax)" || return 1
  [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || return 1
  x_dbus_pid=${DBUS_SESSION_BUS_PID:-}
  "$x_bus_launcher" --launch-immediately >"$dir/bus-launcher.log" 2>&1 &
  x_bus_launcher_pid=$!
  if ! x_wait_until 10 x_accessibility_bus_up; then
    cat "$dir/bus-launcher.log" >&2 || true
    return 1
  fi
}

x_accessibility_bus_up() {
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress 2>/dev/null |
    grep -q 'string "'
}

x_pid_gone() {
  [ ! -e "/proc/$1" ] || grep -q '^[0-9]* (.*) Z' "/proc/$1/stat" 2>/dev/null
}

x_wait_window() {
  local seconds=$1 regex=$2
  timeout "$seconds" xdotool search --sync --onlyvisible --name "$regex" 2>/dev/null | head -n1 | grep .
}

x_wait_active() {
  local seconds=$1 id=$2
  x_wait_until "$seconds" x_is_active "$id"
}

x_is_active() {
  [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]
}

x_wait_gone() {
  local seconds=$1 id=$2
  x_wait_until "$seconds" x_is_gone "$id"
}

x_is_gone() {
  ! xdotool search --onlyvisible --name '' 2>/dev/null | grep -qx "$1"
}

x_screenshot() {
  import -window root "$1"
}
