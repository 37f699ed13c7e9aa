#!/usr/bin/env bash
# Installs what the tests need, builds everything and runs every test through ctest; then builds a
# second tree with clang, AddressSanitizer and UndefinedBehaviorSanitizer and runs the unit and ui
# tests there once more (label sanitize), where any report fails its test.
#   ./test.sh [extra ctest arguments, e.g. -L unit]   (given to both runs)
#   KALVERO_NO_SANITIZE=1 ./test.sh                   (the first tree only)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/scripts/packages.sh"
# shellcheck disable=SC2086
kalvero_install_missing $KALVERO_TEST_PACKAGES

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

cmake -S "$here" -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build "$here/build" -j"$(nproc)"
(cd "$here/build" && ctest --output-on-failure -j"$(nproc)" "$@")

[ -z "${KALVERO_NO_SANITIZE:-}" ] || exit 0
CC=clang CXX=clang++ cmake -S "$here" -B "$here/build-sanitize" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKALVERO_SANITIZE=ON -DKALVERO_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$here/build-sanitize" -j"$(nproc)"
# Every report ends the program with an error; leaks inside the system's libraries are theirs.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$here/tests/sanitize/lsan.supp:print_suppressions=0"
(cd "$here/build-sanitize" && ctest --output-on-failure -j"$(nproc)" -L sanitize "$@")
