#!/usr/bin/env bash
# Times Kalvero's reader and writer, LibreOffice and pandoc on the same 10 MB RTF
# document (the one bench_rtf measures), with each tool's peak memory.
#
#   bench/rtf/compare.sh [BUILD_DIR]     (default: build; needs bench_rtf built)
set -euo pipefail
build=${1:-build}
bench="$build/bench/rtf/bench_rtf"
[[ -x $bench ]] || { echo "build the bench_rtf target first ($bench)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
sample="$work/sample.rtf"
"$bench" --write-sample "$sample"
echo "sample: $(stat -c %s "$sample") bytes of RTF"

# Prints "<seconds> s, <max RSS> MB" for a command (GNU time, package "time").
measure() {
  if ! /usr/bin/time -f '%e %M' -o "$work/time" timeout 900 "$@" > "$work/out.log" 2>&1; then
    printf 'failed or over 900 s: %s' "$(tail -1 "$work/out.log")"
    return 0
  fi
  read -r secs kb < "$work/time"
  awk -v s="$secs" -v kb="$kb" 'BEGIN { printf "%8.2f s  %7.1f MB peak RSS", s, kb / 1024 }'
}

echo
echo "Kalvero (Google Benchmark, CPU time per iteration):"
"$bench" --benchmark_filter='BM_ReadRtf|BM_WriteRtf|BM_LoadMemory' --benchmark_min_time=1 2>/dev/null \
  | grep -E '^BM_'

if command -v soffice > /dev/null; then
  profile="$work/lo-profile"
  # First start of a fresh profile is slower: warm it up once.
  soffice -env:UserInstallation="file://$profile" --headless --convert-to txt --outdir "$work/warm" "$sample" > /dev/null 2>&1 || true
  echo
  echo "LibreOffice $(soffice --version | awk '{print $2}'):"
  printf '  rtf -> txt  %s\n' "$(measure soffice -env:UserInstallation="file://$profile" --headless \
      --convert-to 'txt:Text (encoded):UTF8' --outdir "$work/lo" "$sample")"
  printf '  rtf -> odt  %s\n' "$(measure soffice -env:UserInstallation="file://$profile" --headless \
      --convert-to odt --outdir "$work/lo" "$sample")"
  printf '  rtf -> rtf  %s\n' "$(measure soffice -env:UserInstallation="file://$profile" --headless \
      --convert-to rtf --outdir "$work/lo-rtf" "$sample")"
fi

if command -v pandoc > /dev/null; then
  echo
  echo "pandoc $(pandoc --version | head -1 | awk '{print $2}'):"
  printf '  rtf -> plain  %s\n' "$(measure pandoc -f rtf -t plain -o "$work/pandoc.txt" "$sample")"
  printf '  rtf -> rtf    %s\n' "$(measure pandoc -f rtf -t rtf -s -o "$work/pandoc.rtf" "$sample")"
fi
