#!/usr/bin/env bash
# Installs what the tests need, builds everything and runs every test through ctest.
#   ./test.sh [extra ctest arguments, e.g. -L unit]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/scripts/packages.sh"
# shellcheck disable=SC2086
kalvero_install_missing $KALVERO_TEST_PACKAGES

cmake -S "$here" -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$here/build" -j"$(nproc)"
cd "$here/build"
ctest --output-on-failure -j"$(nproc)" "$@"
