#!/usr/bin/env bash
# Eight jobs at once (EMF and raw pages, BMP and multi-page TIFF) against the same jobs one at a
# time, ROUNDS rounds in a row (20 by default): prints each round's time and the total.
# Run after ./run build: bench/parallel_jobs.sh [ROUNDS]
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export TW_ROOT="$ROOT" TW_BIN="${TW_BIN:-$ROOT/build/bin}" TW_PARALLEL_ROUNDS="${1:-20}"
# shellcheck source=bench/wine_session.sh
. "$ROOT/bench/wine_session.sh"
start=$(date +%s)
/usr/bin/python3 "$ROOT/tests/e2e/test_parallel_jobs.py" -v ParallelJobs
echo "rounds: $TW_PARALLEL_ROUNDS, total: $(( $(date +%s) - start )) s"
