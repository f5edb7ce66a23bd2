#!/usr/bin/env bash
# Peak memory of the PDF writer: a 100-page job against a one-page job of the same pages, for
# fax pages (CCITT pass-through), grey pages carried with Flate and grey pages carried with DCT
# (which holds one page at a time). Pages come from the shipped document
# (tests/fixtures/make_pages.sh); each run is one pdf_tool process measured by /usr/bin/time.
#
#   bench/pdf_memory_bench.sh BUILD_DIR [WORKDIR]     (BUILD_DIR holds tests/pdf/pdf_tool)
set -euo pipefail
build=${1:?usage: pdf_memory_bench.sh BUILD_DIR [WORKDIR]}
tool=$build/tests/pdf/pdf_tool
[ -x "$tool" ] || { echo "no $tool: build the pdf_tool target first" >&2; exit 1; }
if [ -n "${2:-}" ]; then
  work=$2
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export QID_ROOT=$work/root
bash "$here/../tests/fixtures/make_pages.sh" "$work/pages"

# job NAME SOURCE_TIFF PAGES: a job of PAGES pages, the source's first page repeated.
job() {
  local name=$1 src=$2 pages=$3 list=() i
  tiffcp -c zip "$src,0" "$work/$name.page.tif"
  for ((i = 0; i < pages; i++)); do list+=("$work/$name.page.tif"); done
  tiffcp "${list[@]}" "$work/$name-$pages.tif"
}

peak_kb() {  # QUALITY TIFF
  /usr/bin/time -f '%M' -o "$work/time.txt" "$tool" -q "$1" "$work/out.pdf" "$2" >/dev/null
  cat "$work/time.txt"
}

printf '%-22s %10s %10s %6s\n' "job" "1 page KB" "100 pg KB" "ratio"
for kind in fax:fax_g4.tif:50 flate:gray8.tif:0 dct:gray8.tif:50; do
  IFS=: read -r name src quality <<<"$kind"
  # The fax pages stay G4 (the pass-through needs one strip); the grey pages are stored zip.
  if [ "$name" = fax ]; then
    list=()
    for ((i = 0; i < 100; i++)); do list+=("$work/pages/$src,0"); done
    tiffcp "$work/pages/$src,0" "$work/$name-1.tif"
    tiffcp "${list[@]}" "$work/$name-100.tif"
  else
    job "$name" "$work/pages/$src" 1
    job "$name" "$work/pages/$src" 100
  fi
  one=$(peak_kb "$quality" "$work/$name-1.tif")
  hundred=$(peak_kb "$quality" "$work/$name-100.tif")
  printf '%-22s %10s %10s %6s\n' "$name (q $quality)" "$one" "$hundred" \
    "$(awk -v a="$hundred" -v b="$one" 'BEGIN { printf "%.2f", a / b }')"
done
