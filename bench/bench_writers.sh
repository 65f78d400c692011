#!/usr/bin/env bash
# The writers' milliseconds per page (bench_writers.exe under Wine), paired in one run with
# ImageMagick's convert coding the same two pages into the same formats.
#   bench/bench_writers.sh [iterations]
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BIN=${TW_BIN:-$ROOT/build/bin}
export WINEPREFIX=${WINEPREFIX:-$ROOT/build/wineprefix} WINEDEBUG=-all
ITER=${1:-5}
DIR=$(mktemp -d)
trap 'rm -rf "$DIR"' EXIT
wine "$BIN/bench_writers.exe" "$ITER" "Z:${DIR//\//\\}"
# ImageMagick itself, not a stand-in that may come first on the PATH.
CONVERT=/usr/bin/convert
echo
echo "ImageMagick $($CONVERT -version | head -1 | cut -d' ' -f3), best of $ITER runs"
printf '%-12s %14s %16s\n' format "text ms" "picture ms"
best_ms() {  # best_ms PAGE FORMAT-ARGS...
  local page=$1 best=999999 start end ms
  shift
  for _ in $(seq "$ITER"); do
    start=$(date +%s%N)
    "$CONVERT" "$DIR/$page.bmp" "$@"
    end=$(date +%s%N)
    ms=$(( (end - start) / 1000000 ))
    [ "$ms" -lt "$best" ] && best=$ms
  done
  echo "$best"
}
for fmt in png gif pcx bmp jpg; do
  printf '%-12s %14s %16s\n' "$fmt" "$(best_ms text "$DIR/out.$fmt")" "$(best_ms picture "$DIR/out.$fmt")"
done
printf '%-12s %14s %16s\n' "jpg Lab" "$(best_ms text -colorspace Lab "$DIR/out.jpg")" \
  "$(best_ms picture -colorspace Lab "$DIR/out.jpg")"
