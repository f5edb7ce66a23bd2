#!/usr/bin/env bash
# The PDF writer judged by tools that did not write it: pages rendered by Ghostscript from the
# shipped document (tests/fixtures/make_pages.sh) are converted with pdf_tool, then
#   - qpdf --check passes on every PDF;
#   - pdfinfo's page sizes follow the geometry rule (width × 72 / XResolution points, cut to a
#     whole number; the same for the height);
#   - pdftoppm renders every CCITT and Flate page to exactly the source pixels (as ImageMagick
#     decodes the TIFF), and every DCT page within JPEG tolerance.
#
#   validate_pdf.sh PDF_TOOL PNM_COMPARE WORKDIR
#
# Exact pixels need a renderer grid that matches the image's: poppler widens an image whose
# edge falls on a whole device pixel by one pixel and then resamples it. So the pixel checks use
# copies of the pages set to 72 pixels per inch (one point a pixel) and render them at
# 72 × (n − 0.5) / n dpi, which puts every image edge half a pixel inside. The geometry checks
# use the pages as rendered.
set -uo pipefail
tool=${1:?usage: validate_pdf.sh PDF_TOOL PNM_COMPARE WORKDIR}
compare_pnm=${2:?}
work=${3:?}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
pages=$work/pages
out=$work/out
mkdir -p "$work" "$out"
export QID_ROOT=$work/root
bash "$here/../fixtures/make_pages.sh" "$pages" || { echo "cannot make the fixture pages"; exit 1; }

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "PASS $*"; }
fail() { failed=$((failed + 1)); echo "FAIL $*"; }

directories() { tiffinfo "$1" 2>/dev/null | grep -c '^TIFF Directory at offset'; }

# page_facts FILE INDEX -> "width length xres yres unit"
page_facts() {
  tiffinfo "$1" 2>/dev/null | awk -v want="$2" '
    /^TIFF Directory at offset/ { dir++ }
    dir - 1 == want && /Image Width:/ { w = $3; l = $6 }
    dir - 1 == want && /Resolution:/ { gsub(",", "", $2); x = $2; y = $3; unit = $4 }
    END { print w, l, x, y, unit }'
}

# A copy of FILE with every page at 72 pixels per inch.
at_72dpi() {
  local from=$1 to=$2 n i
  cp "$from" "$to"
  n=$(directories "$to")
  for ((i = 0; i < n; i++)); do
    tiffset -d "$i" -s 282 72 "$to" && tiffset -d "$i" -s 283 72 "$to" &&
      tiffset -d "$i" -s 296 2 "$to" || return 1
  done
}

convert_pdf() {  # NAME QUALITY PDF SOURCES...
  local name=$1 quality=$2 pdf=$3; shift 3
  local said
  said=$("$tool" -q "$quality" "$pdf" "$@" 2>&1)
  if [ "$said" != "result 0" ]; then fail "$name: pdf_tool said '$said'"; return 1; fi
  if qpdf --check "$pdf" >"$pdf.qpdf" 2>&1; then
    pass "$name: qpdf --check"
  else
    fail "$name: qpdf --check: $(tail -3 "$pdf.qpdf" | tr '\n' ' ')"
    return 1
  fi
}

# The page sizes pdfinfo reports against the geometry rule.
check_geometry() {  # NAME PDF SOURCE
  local name=$1 pdf=$2 src=$3 n i facts expect got
  n=$(directories "$src")
  for ((i = 0; i < n; i++)); do
    facts=$(page_facts "$src" "$i")
    expect=$(echo "$facts" | awk '{
      if ($5 == "pixels/cm") { w = $1; h = $2 } else { w = $1 * 72 / $3; h = $2 * 72 / $4 }
      printf "%d x %d pts\n", int(w), int(h) }')
    got=$(pdfinfo -f $((i + 1)) -l $((i + 1)) "$pdf" |
      sed -n "s/^Page *$((i + 1)) size: *//p" | sed 's/ (.*)$//')
    if [ "$got" = "$expect" ]; then pass "$name page $((i + 1)): size $got"
    else fail "$name page $((i + 1)): size '$got', expected '$expect' from $facts"; fi
  done
}

# Renders page PAGE of PDF (72-dpi pages) and compares it with page INDEX of SOURCE.
check_pixels() {  # NAME PDF PAGE SOURCE INDEX MAX_MEAN
  local name=$1 pdf=$2 page=$3 src=$4 index=$5 max_mean=$6
  local ref=$out/$name-$page.ref.pnm got=$out/$name-$page mode=() w h rx ry verdict
  if ! convert "${src}[$index]" -depth 8 "pnm:$ref" 2>/dev/null; then
    fail "$name page $page: convert"
    return
  fi
  [ "$(head -c 2 "$ref")" = "P6" ] || mode=(-gray)
  read -r w h < <(page_facts "$src" "$index" | awk '{ print $1, $2 }')
  rx=$(awk -v n="$w" 'BEGIN { printf "%.9f", 72 * (n - 0.5) / n }')
  ry=$(awk -v n="$h" 'BEGIN { printf "%.9f", 72 * (n - 0.5) / n }')
  pdftoppm -f "$page" -l "$page" -singlefile -rx "$rx" -ry "$ry" "${mode[@]}" "$pdf" "$got" ||
    { fail "$name page $page: pdftoppm"; return; }
  local rendered=$got.ppm
  [ -f "$rendered" ] || rendered=$got.pgm
  if verdict=$("$compare_pnm" "$ref" "$rendered" "$max_mean"); then
    pass "$name page $page: pixels ($verdict)"
  else
    fail "$name page $page: pixels ($verdict)"
  fi
  rm -f "$ref" "$rendered"
}

count_filter() { grep -a -c -- "/Filter /$2" "$1" || true; }

check_filters() {  # NAME PDF FILTER EXPECTED_COUNT
  local got
  got=$(count_filter "$2" "$3")
  if [ "$got" = "$4" ]; then pass "$1: $4 x /$3"; else fail "$1: $got x /$3, expected $4"; fi
}

# One fixture: geometry on the page as rendered, pixels on its 72-dpi copy.
run_case() {  # NAME SOURCE QUALITY MAX_MEAN FILTER FILTER_COUNT
  local name=$1 src=$2 quality=$3 max_mean=$4 filter=$5 filter_count=$6 n i
  if convert_pdf "$name" "$quality" "$out/$name.pdf" "$src"; then
    check_geometry "$name" "$out/$name.pdf" "$src"
  fi
  at_72dpi "$src" "$out/$name.72.tif" || { fail "$name: tiffset"; return; }
  convert_pdf "$name@72" "$quality" "$out/$name.72.pdf" "$out/$name.72.tif" || return
  check_filters "$name" "$out/$name.72.pdf" "$filter" "$filter_count"
  n=$(directories "$src")
  for ((i = 0; i < n; i++)); do
    check_pixels "$name" "$out/$name.72.pdf" $((i + 1)) "$out/$name.72.tif" "$i" "$max_mean"
  done
}

# Pages made from the fixtures for the layouts Ghostscript does not write.
derived=$work/derived
mkdir -p "$derived"
tiffcp -c none -t -w 256 -l 256 "$pages/gray8.tif" "$derived/gray8_tiled.tif"
tiffcp -c none -t -w 256 -l 128 "$pages/palette4.tif" "$derived/palette4_tiled.tif"
tiffcp -c zip -t -w 256 -l 256 "$pages/bilevel_wiz.tif" "$derived/bilevel_tiled.tif"
tiffcp -c jpeg:90 -r 16 "$pages/rgb24.tif" "$derived/rgb_jpeg_ycbcr.tif"
# Group 4 with black as zero: the same codes now mean the opposite colours.
cp "$pages/fax_g4.tif" "$derived/fax_g4_black0.tif"
for i in 0 1; do tiffset -d $i -s 262 1 "$derived/fax_g4_black0.tif"; done

# The DCT tolerance: mean absolute difference per sample, out of 255, at quality 50.
dct=1.5
run_case fax_g4 "$pages/fax_g4.tif" 50 0 CCITTFaxDecode 2
run_case fax_g4_strips "$pages/fax_g4_strips.tif" 50 0 FlateDecode 4
run_case fax_g4_fill2 "$pages/fax_g4_fill2.tif" 50 0 CCITTFaxDecode 2
run_case fax_g4_black0 "$derived/fax_g4_black0.tif" 50 0 CCITTFaxDecode 2
run_case bilevel_wiz "$pages/bilevel_wiz.tif" 50 0 FlateDecode 4
run_case palette8 "$pages/palette8.tif" 50 0 FlateDecode 6
run_case palette4 "$pages/palette4.tif" 50 0 FlateDecode 6
run_case rgb48 "$pages/rgb48.tif" 50 0 FlateDecode 4
run_case gray8_flate "$pages/gray8.tif" 0 0 FlateDecode 4
run_case gray8_wiz_flate "$pages/gray8_wiz.tif" 0 0 FlateDecode 4
run_case rgb24_flate "$pages/rgb24.tif" 0 0 FlateDecode 4
run_case gray8 "$pages/gray8.tif" 50 $dct DCTDecode 2
run_case gray8_wiz "$pages/gray8_wiz.tif" 50 $dct DCTDecode 2
run_case rgb24 "$pages/rgb24.tif" 50 $dct DCTDecode 2
run_case gray8_tiled "$derived/gray8_tiled.tif" 0 0 FlateDecode 4
run_case palette4_tiled "$derived/palette4_tiled.tif" 50 0 FlateDecode 6
run_case bilevel_tiled "$derived/bilevel_tiled.tif" 50 0 FlateDecode 4
run_case rgb_jpeg_ycbcr "$derived/rgb_jpeg_ycbcr.tif" 50 $dct DCTDecode 2

# Two sources become one document, pages in order.
at_72dpi "$pages/fax_g4.tif" "$out/two_a.tif" && at_72dpi "$pages/palette4.tif" "$out/two_b.tif"
if convert_pdf two_sources 50 "$out/two_sources.pdf" "$out/two_a.tif" "$out/two_b.tif"; then
  got=$(pdfinfo "$out/two_sources.pdf" | awk '/^Pages:/ { print $2 }')
  if [ "$got" = 4 ]; then pass "two_sources: 4 pages"; else fail "two_sources: $got pages"; fi
  check_pixels two_sources "$out/two_sources.pdf" 2 "$out/two_a.tif" 1 0
  check_pixels two_sources "$out/two_sources.pdf" 3 "$out/two_b.tif" 0 0
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
