#!/usr/bin/env bash
# Memory over long jobs: captured streams of 10, 100 and 1000 pages (the demo pages in turn) sent
# with twprint --stream, which reads the file as it sends it; prints each job's pages, stream
# size, time and the process's peak working set (twprint and the monitor together).
# Run after ./run build: bench/stream_memory.sh [PAGES...]   (default: 10 100 1000)
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BIN=${TW_BIN:-$ROOT/build/bin}
# shellcheck source=bench/wine_session.sh
. "$ROOT/bench/wine_session.sh"
[ $# -gt 0 ] || set -- 10 100 1000
for pages in "$@"; do
  list="$WORK/pages-$pages.txt"
  : > "$list"
  for ((i = 0; i < pages; i++)); do
    echo "$ROOT/examples/page$((i % 2 + 1)).emf" >> "$list"
  done
  mkdir -p "$WORK/out-$pages"
  # The stream is made by a pages run of its own (its DEVMODE names the output directory); the
  # measured run only sends it.
  wine "$BIN/twprint.exe" --out "$WORK/out-$pages" --page-list "$list" --save-stream "$WORK/s-$pages.bin" \
    >/dev/null 2>&1
  rm -f "$WORK/out-$pages"/*
  start=$(date +%s.%N)
  wine "$BIN/twprint.exe" --stream "$WORK/s-$pages.bin" --report "$WORK/r-$pages.json" \
    >/dev/null 2>&1 || true
  end=$(date +%s.%N)
  /usr/bin/python3 - "$WORK/r-$pages.json" "$WORK/s-$pages.bin" "$pages" "$start" "$end" <<'EOF'
import json, os, sys
report = json.load(open(sys.argv[1]))
size = os.path.getsize(sys.argv[2])
pages, seconds = int(sys.argv[3]), float(sys.argv[5]) - float(sys.argv[4])
peak = report["process"]["peak_working_set"]
print(f"{pages:5d} pages: stream {size / 1e6:8.1f} MB, {report['job']['output_pages']} pages out, "
      f"{report['job']['status']!r}, {seconds:6.1f} s, peak working set {peak / 1e6:6.1f} MB")
EOF
  rm -rf "$WORK/out-$pages" "$WORK/s-$pages.bin"
done
