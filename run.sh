#!/usr/bin/env bash
# Builds Kalvero and starts it from data/, where the shipped map.txt is found.
#   ./run.sh [FILE]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

args=()
if [ $# -ge 1 ]; then
    # The editor runs in data/, so a relative file name is made absolute first.
    case "$1" in /*) args=("$1") ;; *) args=("$PWD/$1") ;; esac
fi

# Without a display there is nothing to show the window on: say so before installing or building.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "There is no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
    echo "To try it in a virtual X server:" >&2
    echo "  apt-get install -y xvfb && xvfb-run -a -s '-screen 0 1280x800x24' ./run.sh ${args[*]:-}" >&2
    exit 1
fi

. "$here/scripts/packages.sh"
# shellcheck disable=SC2086
kalvero_install_missing $KALVERO_RUN_PACKAGES

cmake -S "$here" -B "$here/build-run" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DKALVERO_BUILD_TESTS=OFF -DKALVERO_BUILD_BENCH=OFF >/dev/null
cmake --build "$here/build-run" --target kalvero

cd "$here/data"
exec "$here/build-run/bin/kalvero" "${args[@]}"
