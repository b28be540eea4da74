#!/usr/bin/env bash
# Installs the Debian packages that RUVelo2 needs and that are missing: "run" for building and
# running the program, "test" for the tests, benchmarks, fuzzing, the screenshots and the Debian
# package check as well.
set -euo pipefail

run_packages=(cmake g++ make qt6-base-dev qt6-translations-l10n fonts-ipafont-gothic)
test_packages=(libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev xvfb xdotool openbox imagemagick
  dbus-x11 at-spi2-core python3-pyatspi gir1.2-atspi-2.0
  desktop-file-utils appstream lintian dpkg-dev file wmctrl x11-utils)

case "${1:-run}" in
  run) wanted=("${run_packages[@]}") ;;
  test) wanted=("${run_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: $0 [run|test]" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "These packages are missing and installing them needs root: ${missing[*]}" >&2
  exit 1
fi
"${as_root[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
