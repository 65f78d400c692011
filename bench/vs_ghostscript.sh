#!/usr/bin/env bash
# The monitor's marginal cost per page against Ghostscript's, paired in one run on the same
# pages: each EMF is also made into a PDF (by Inkscape), then both turn N copies of it and one
# copy into Group 4 TIFF at fax resolution and at 300 dpi; the marginal ms per page is
# (T(N) - T(1)) / (N - 1), which leaves out process start-up on either side; each T is the
# shortest of TW_BENCH_REPEAT runs (3).
# Run after ./run build: bench/vs_ghostscript.sh [N] [EMF...]
# Installs ghostscript and inkscape when they are missing (./run test never needs them).
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BIN=${TW_BIN:-$ROOT/build/bin}
N=${1:-40}
shift || true
CORPUS=${TW_CORPUS:-$ROOT/../shared/testdata/emf}
[ -d "$CORPUS" ] || CORPUS=/work/shared/testdata/emf
if [ $# -eq 0 ]; then
  # Text (the demo letter, a memo), vector art, shapes with grey fills and a picture, a chart.
  set -- "$ROOT/examples/page1.emf" "$CORPUS/dtformats__Memo.emf" "$ROOT/examples/page3.emf" \
         "$CORPUS/libemf2svg__test-037.emf" "$CORPUS/poi__SimpleEMF_mac.emf"
fi
missing=""
command -v gs >/dev/null || missing="$missing ghostscript"
command -v inkscape >/dev/null || missing="$missing inkscape"
if [ -n "$missing" ]; then
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi
# shellcheck source=bench/wine_session.sh
. "$ROOT/bench/wine_session.sh"

now() { date +%s.%N; }
# ms per page beyond the first: (T(n) - T(1)) / (n - 1)
marginal() { /usr/bin/python3 -c "import sys; print(f'{(float(sys.argv[1]) - float(sys.argv[2])) * 1000 / (int(sys.argv[3]) - 1):7.1f}')" "$@"; }

monitor_time() {  # EMF COPIES DPI
  local list="$WORK/list.txt" out="$WORK/tw"
  rm -rf "$out"; mkdir -p "$out"; : > "$list"
  for ((i = 0; i < $2; i++)); do echo "$1" >> "$list"; done
  local t0; t0=$(now)
  wine "$BIN/twprint.exe" --format 7 --dpi "$3" --out "$out" --page-list "$list" >/dev/null 2>&1
  echo "$(now) $t0" | awk '{print $1 - $2}'
}

gs_time() {  # PDF COPIES DPI
  local out="$WORK/gs" args=()
  rm -rf "$out"; mkdir -p "$out"
  for ((i = 0; i < $2; i++)); do args+=("$1"); done
  local t0; t0=$(now)
  gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=tiffg4 -r"$3" -sOutputFile="$out/p%04d.tif" "${args[@]}" >/dev/null 2>&1
  echo "$(now) $t0" | awk '{print $1 - $2}'
}

# The shortest of $REPEAT runs: a lone run on a busy machine can be off by a hundred milliseconds,
# which N pages would spread over every page.
REPEAT=${TW_BENCH_REPEAT:-3}
best() {
  local t b=""
  for ((r = 0; r < REPEAT; r++)); do
    t=$("$@")
    if [ -z "$b" ] || awk -v a="$t" -v b="$b" 'BEGIN { exit !(a < b) }'; then b=$t; fi
  done
  echo "$b"
}

printf '%-34s %9s %12s %12s %7s\n' page dpi "monitor ms" "gs ms" ratio
for emf in "$@"; do
  name=$(basename "$emf" .emf)
  pdf="$WORK/$name.pdf"
  if ! inkscape "$emf" --export-type=pdf --export-filename="$pdf" >/dev/null 2>&1; then
    echo "$name: Inkscape could not make a PDF of it" >&2
    continue
  fi
  for dpi in 204x196 300; do
    twdpi=${dpi/x/,}
    m1=$(best monitor_time "$emf" 1 "$twdpi"); mn=$(best monitor_time "$emf" "$N" "$twdpi")
    g1=$(best gs_time "$pdf" 1 "$dpi"); gn=$(best gs_time "$pdf" "$N" "$dpi")
    mm=$(marginal "$mn" "$m1" "$N"); gm=$(marginal "$gn" "$g1" "$N")
    ratio=$(/usr/bin/python3 -c "import sys; g=float(sys.argv[2]); print(f'{float(sys.argv[1]) / g:5.2f}' if g > 0 else '  n/a')" "$mm" "$gm")
    printf '%-34s %9s %12s %12s %7s\n' "$name" "$dpi" "$mm" "$gm" "$ratio"
  done
done
