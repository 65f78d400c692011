#!/usr/bin/env bash
# The demo: prints the sample document (page1.emf to page4.emf, made by tools/mksample) through
# the monitor as the spooler would, and shows what the monitor did and which files it wrote.
set -euo pipefail
BIN=$1
OUT=$2
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
mkdir -p "$OUT"
rm -rf "${OUT:?}"/*

twprint() { wine "$BIN/twprint.exe" "$@"; }
winpath() { echo "Z:${1//\//\\}"; }

summary() {
  /usr/bin/python3 - "$1" <<'PY'
import json, sys
r = json.load(open(sys.argv[1], encoding="utf-8"))
print("calls:     ", ", ".join(f'{c["fn"]}={"ok" if c["result"] else "failed"}' for c in r["calls"]
                          if c["fn"] != "WritePort"),
      f'(+{sum(1 for c in r["calls"] if c["fn"] == "WritePort")} WritePort)')
print("operations:", " ".join(o["op"] for o in r["job"]["operations"] if o["op"] != "Plugin"))
print("job:       ", "failed" if r["job"]["failed"] else "ok", r["job"]["status"],
      f'(document {r["job"]["document_number"]}, {r["job"]["received_pages"]} pages received,',
      f'{r["job"]["output_pages"]} produced)')
for f in r["files"]:
    where = f["host_path"] or f["path"]
    if f.get("format") == "bmp":
        print(f'file:       {where}: {f["size"]} bytes, {f["width"]} x {f["height"]},',
              f'{f["bits_per_pixel"]} bit, {f["x_dpi"]} x {f["y_dpi"]} dpi')
    else:
        print(f'file:       {where}: {f.get("size", 0)} bytes')
PY
}

echo "== ports of the monitor"
twprint ports list | grep -q '^DEMO:' || twprint ports add DEMO:
twprint ports list

print_job() {  # NAME DIR ARGS... -- PAGES...
  local name=$1 dir=$OUT/$2; shift 2
  mkdir -p "$dir"
  echo
  echo "== $name into $dir"
  twprint --port DEMO: --doc "Sample document" --format 0 --out "$(winpath "$dir")" \
    --save-stream "$dir/job.stream" --report "$dir/report.json" "$@"
  summary "$dir/report.json"
}

print_job "the sample document as BMP at 300 dpi" bmp-300dpi --dpi 300 \
  "$HERE/page1.emf" "$HERE/page2.emf" "$HERE/page3.emf"
print_job "the same at fax resolution (204 x 196 dpi)" bmp-fax --dpi 204,196 \
  "$HERE/page1.emf" "$HERE/page2.emf" "$HERE/page3.emf"
print_job "the picture page dithered to black and white (error diffusion, --dither 1)" bmp-dithered \
  --dpi 300 --dither 1 "$HERE/page3.emf"
print_job "the landscape page at 200 dpi" bmp-landscape --dpi 200 --landscape "$HERE/page4.emf"
print_job "the sample document as one fax TIFF (Group 4, 204 x 196 dpi)" tiff-g4 --format 7 \
  --dpi 204,196 --dm IsMultipageImageEnabled=1 "$HERE/page1.emf" "$HERE/page2.emf" "$HERE/page3.emf"
if command -v tiffinfo >/dev/null; then
  tiffinfo "$OUT"/tiff-g4/*.tif 2>/dev/null | grep -E 'Image Width|Compression Scheme|Resolution' | sort | uniq -c
fi
print_job "four pages on one sheet at 300 dpi" bmp-4up --dpi 300 --dm PagesPerSheet=4 \
  "$HERE/page1.emf" "$HERE/page2.emf" "$HERE/page3.emf" "$HERE/page4.emf"

echo
echo "== the command stream the driver side wrote for the first job"
twprint dump "$OUT/bmp-300dpi/job.stream" | head -n 8
