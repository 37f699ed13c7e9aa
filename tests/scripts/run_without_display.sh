#!/usr/bin/env bash
# ./run.sh without a display says so at once, before it installs or builds anything.
#   run_without_display.sh SOURCE_DIR
set -euo pipefail
root="${1:?the source folder}"
stubs="$(mktemp -d /tmp/kalvero-run.XXXXXX)"
trap 'rm -rf "$stubs"' EXIT

# Stand-ins that only record that they ran; dpkg-query reports every package installed.
for tool in cmake apt-get; do
    printf '#!/bin/sh\necho "%s $*" >>"%s/ran"\n' "$tool" "$stubs" >"$stubs/$tool"
    chmod +x "$stubs/$tool"
done
printf '#!/bin/sh\nprintf "install ok installed"\n' >"$stubs/dpkg-query"
chmod +x "$stubs/dpkg-query"

set +e
out="$(env -u DISPLAY -u WAYLAND_DISPLAY PATH="$stubs:$PATH" bash "$root/run.sh" 2>&1)"
rc=$?
set -e

[ "$rc" -eq 1 ] || { echo "FAIL: exit status $rc, expected 1; output: $out" >&2; exit 1; }
grep -q "There is no display" <<<"$out" || { echo "FAIL: no display message in: $out" >&2; exit 1; }
if [ -e "$stubs/ran" ]; then
    echo "FAIL: ran before the display check: $(cat "$stubs/ran")" >&2
    exit 1
fi
echo "PASS"
