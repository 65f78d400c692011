#!/usr/bin/env bash
# The demo: prints the sample letter (page1.emf, page2.emf) through the monitor as the spooler
# would, keeps the command stream the driver side built, and shows what the monitor did with it.
set -euo pipefail
BIN=$1
OUT=$2
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
mkdir -p "$OUT"
rm -f "$OUT"/*

twprint() { wine "$BIN/twprint.exe" "$@"; }
winpath() { echo "Z:${1//\//\\}"; }

echo "== ports of the monitor"
twprint ports list | grep -q '^DEMO:' || twprint ports add DEMO:
twprint ports list

for format in 7 4; do
  echo
  echo "== printing the sample letter with file format $format into $OUT"
  twprint --port DEMO: --doc "Sample letter" --format "$format" --out "$(winpath "$OUT")" \
    --save-stream "$OUT/letter-format$format.stream" --report "$OUT/letter-format$format.json" \
    "$HERE/page1.emf" "$HERE/page2.emf"
  echo "report: $OUT/letter-format$format.json"
  /usr/bin/python3 - "$OUT/letter-format$format.json" <<'PY'
import json, sys
r = json.load(open(sys.argv[1], encoding="utf-8"))
print("calls:     ", ", ".join(f'{c["fn"]}={"ok" if c["result"] else "failed"}' for c in r["calls"]
                          if c["fn"] != "WritePort"),
      f'(+{sum(1 for c in r["calls"] if c["fn"] == "WritePort")} WritePort)')
print("operations:", " ".join(o["op"] for o in r["job"]["operations"] if o["op"] != "Plugin"))
print("plug-in:   ", " ".join(c["fn"] for c in r["job"]["plugin_calls"]) or "none")
print("job:       ", "failed" if r["job"]["failed"] else "ok", r["job"]["status"],
      f'(document {r["job"]["document_number"]}, {r["job"]["received_pages"]} pages received,',
      f'{r["job"]["output_pages"]} produced)')
print("spooler:   ", r["spooler"])
print("files:     ", [f["path"] for f in r["files"]] or "none yet")
PY
done

echo
echo "== the command stream the driver side wrote"
twprint dump "$OUT/letter-format7.stream" | head -n 8
echo
echo "== files in $OUT"
ls -l "$OUT"
