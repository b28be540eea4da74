#!/usr/bin/env bash
# Builds the Debian package from a configured and built build directory and checks it as a user's
# machine would meet it: the files it installs, its Depends, the desktop entry, the AppStream
# metadata and lintian (no error allowed); then unpacks it and starts the unpacked program under
# Xvfb in an empty data directory up to its first window, and closes that window.
#
# usage: check-package.sh BUILD_DIR
# Exit status 0 on success, 1 on a failure, 2 on wrong usage.
set -euo pipefail

if [ $# -ne 1 ] || [ ! -f "$1/CPackConfig.cmake" ]; then
  echo "usage: $0 BUILD_DIR   (a configured build directory of RUVelo2)" >&2
  exit 2
fi
build=$(realpath "$1")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
# shellcheck source-path=SCRIPTDIR
source "$repo/tests/e2e/xsession.sh"

app_id=io.github.ruvelo.RUVelo2
package=ruvelo2
icon_sizes=(16 32 48 64 128 256)

missing=$(x_missing_tools)
for tool in cpack dpkg-deb desktop-file-validate appstreamcli lintian file identify xprop wmctrl; do
  command -v "$tool" >/dev/null 2>&1 || missing+=" $tool"
done
if [ -n "${missing// /}" ]; then
  echo "FAILED: missing tools (scripts/install-deps.sh test installs them):$missing" >&2
  exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/ruvelo-package.XXXXXX")
cleanup() {
  x_stop
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}
pass() {
  echo "ok: $*"
}
# expect WHAT COMMAND...: WHAT passes when COMMAND succeeds.
expect() {
  local what=$1
  shift
  if "$@"; then
    pass "$what"
  else
    fail "$what"
  fi
}

# The program target also draws the icons and compresses the doc files that get installed.
cmake --build "$build" --target RUVelo2 >"$work/build.log" 2>&1 || {
  cat "$work/build.log" >&2
  echo "FAILED: building RUVelo2 in $build" >&2
  exit 1
}
(cd "$build" && cpack -G DEB -B "$work/cpack") >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log" >&2
  echo "FAILED: cpack -G DEB" >&2
  exit 1
}
debs=("$work"/cpack/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  echo "FAILED: cpack made no single .deb:" "${debs[@]}" >&2
  exit 1
fi
deb=${debs[0]}
echo "package: $(basename "$deb")"

# -- Control fields ---------------------------------------------------------------------------
field() { dpkg-deb -f "$deb" "$1"; }
expect "Package is $package (it is '$(field Package)')" [ "$(field Package)" = "$package" ]
version=$(field Version)
depends=$(field Depends)
echo "Depends: $depends"
# From dpkg-shlibdeps (the Qt libraries the binary links), and what the program reads at run time.
for dependency in libqt6core6 libqt6gui6 libqt6widgets6 libc6 fonts-ipafont-gothic qt6-translations-l10n; do
  if grep -Eq "(^|, )$dependency( |,|$)" <<<"$depends"; then
    pass "Depends has $dependency"
  else
    fail "Depends lacks $dependency"
  fi
done
for name in Maintainer Section Description; do
  expect "$name is set" [ -n "$(field "$name")" ]
done

# -- File list: exactly the program's files, nothing from the tests or benchmarks ------------
expected=(
  ./usr/bin/RUVelo2
  "./usr/share/applications/$app_id.desktop"
  "./usr/share/metainfo/$app_id.metainfo.xml"
  "./usr/share/doc/$package/copyright"
  "./usr/share/doc/$package/changelog.gz"
  ./usr/share/man/man1/RUVelo2.1.gz
)
for size in "${icon_sizes[@]}"; do
  expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $NF }' | sort >"$work/files"
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
if diff -u "$work/expected" "$work/files" >"$work/files.diff"; then
  pass "the package holds exactly the ${#expected[@]} expected files"
else
  fail "the package's files differ from the expected ones (- expected, + packaged):"
  sed -n '3,$p' "$work/files.diff" | grep '^[-+]' | sed 's/^/    /' >&2
fi

root="$work/root"
dpkg-deb -x "$deb" "$root"

# -- Icons: PNGs of their directory's size, enlarged without new (blended) colours ------------
colours() { identify -format '%k' "$1"; }
icon() { echo "$root/usr/share/icons/hicolor/$1x$1/apps/$app_id.png"; }
for size in "${icon_sizes[@]}"; do
  if file -b "$(icon "$size")" | grep -q "^PNG image data, $size x $size,"; then
    pass "icon ${size}x$size is a PNG of that size"
  else
    fail "icon ${size}x$size: $(file -b "$(icon "$size")" 2>&1)"
  fi
done
# 48 is drawn from the 16-pixel drawing, the others above 32 from the 32-pixel one.
for pair in 48:16 64:32 128:32 256:32; do
  large=${pair%:*} small=${pair#*:}
  if [ "$(colours "$(icon "$large")")" = "$(colours "$(icon "$small")")" ]; then
    pass "icon ${large}x$large has the colours of the ${small}x$small drawing"
  else
    fail "icon ${large}x$large has $(colours "$(icon "$large")") colours, the ${small}x$small drawing $(colours "$(icon "$small")"): it was blurred"
  fi
done

# -- Desktop entry, metadata, binary ---------------------------------------------------------
desktop="$root/usr/share/applications/$app_id.desktop"
if desktop-file-validate "$desktop" >"$work/dfv.log" 2>&1 && [ ! -s "$work/dfv.log" ]; then
  pass "desktop-file-validate"
else
  fail "desktop-file-validate:"
  sed 's/^/    /' "$work/dfv.log" >&2
fi
for line in Name=RUVelo2 Exec=RUVelo2 "Icon=$app_id" Terminal=false "Categories=Office;ProjectManagement;"; do
  expect "desktop entry has $line" grep -qxF "$line" "$desktop"
done
for key in 'Comment' 'Comment\[ja\]'; do
  expect "desktop entry has ${key//\\/}" grep -Eq "^$key=." "$desktop"
done
if appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" >"$work/as.log" 2>&1; then
  pass "appstreamcli validate --no-net"
else
  fail "appstreamcli validate --no-net:"
  sed 's/^/    /' "$work/as.log" >&2
fi
# A new version needs its entry in the Debian changelog and its release in the metadata.
if zcat "$root/usr/share/doc/$package/changelog.gz" | head -n1 | grep -qF "$package ($version)"; then
  pass "changelog's newest entry is $version"
else
  fail "changelog's newest entry is not $version: $(zcat "$root/usr/share/doc/$package/changelog.gz" | head -n1)"
fi
if grep -m1 '<release ' "$root/usr/share/metainfo/$app_id.metainfo.xml" | grep -qF "version=\"$version\""; then
  pass "metadata's newest release is $version"
else
  fail "metadata's newest release is not $version"
fi
if file -b "$root/usr/bin/RUVelo2" | grep -q 'ELF.*, stripped'; then
  pass "the binary is stripped"
else
  fail "the binary is not stripped: $(file -b "$root/usr/bin/RUVelo2")"
fi

# -- lintian: warnings are reported, errors fail ---------------------------------------------
lintian "$deb" >"$work/lintian.log" 2>&1 || true
sed 's/^/    lintian: /' "$work/lintian.log"
if grep -q '^E:' "$work/lintian.log"; then
  fail "lintian reports errors"
else
  pass "lintian reports no error"
fi

# -- The unpacked program starts up to its first window ---------------------------------------
data="$work/data"
mkdir "$data"
x_start "$work"
x_start_program "$data" "$root/usr/bin/RUVelo2" "$work/program.log"
window=$(timeout 20 xdotool search --sync --onlyvisible --class '^RUVelo2$' 2>/dev/null | head -n1 || true)
if [ -n "$window" ]; then
  pass "the unpacked program showed a window"
  # Desktops on X11 match the window to its entry by this class (the entry's StartupWMClass).
  if xprop -id "$window" WM_CLASS | grep -q '"RUVelo2"'; then
    pass "the window's class is RUVelo2"
  else
    fail "the window's class: $(xprop -id "$window" WM_CLASS)"
  fi
  # In an empty directory start-up first reports the missing files, each in a box of its own;
  # then the main window comes. Close whichever window is up, newest first, until the program
  # ends, as a user clicking the close boxes would.
  closed=()
  deadline=$((SECONDS + 30))
  while ! x_program_ended && [ "$SECONDS" -lt "$deadline" ] && [ ${#closed[@]} -lt 10 ]; do
    window=$(xdotool search --onlyvisible --class '^RUVelo2$' 2>/dev/null | tail -n1 || true)
    if [ -z "$window" ]; then
      sleep 0.1
      continue
    fi
    closed+=("$(xdotool getwindowname "$window" 2>/dev/null || echo '?')")
    wmctrl -i -c "$window"
    x_wait_gone 5 "$window" || true
  done
  echo "closed windows: $(printf '[%s] ' "${closed[@]}")"
  if x_wait_program_exit 10; then
    expect "the program ended with status 0 (it was $x_program_status) once its windows closed" \
      [ "$x_program_status" -eq 0 ]
    expect "its main window (RUVelo) was among them" grep -qx RUVelo <(printf '%s\n' "${closed[@]}")
    expect "it wrote ruvelo.ini in the directory it started in" [ -f "$data/ruvelo.ini" ]
  else
    fail "the program did not end when its windows were closed"
  fi
else
  fail "the unpacked program showed no window within 20 s"
fi
if [ -s "$work/program.log" ]; then
  echo "program output:"
  sed 's/^/    /' "$work/program.log"
fi

if [ "$failures" -ne 0 ]; then
  echo "Package check: $failures failed" >&2
  exit 1
fi
echo "Package check: all passed"
