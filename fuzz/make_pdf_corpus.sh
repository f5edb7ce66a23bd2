#!/usr/bin/env bash
# Makes the PDF writer's fuzz seeds (fuzz/corpus/pdf/): small crops of the fixture pages in
# every layout the writer carries. The seeds are checked in; rerun after the fixtures change.
#
#   fuzz/make_pdf_corpus.sh
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=$here/corpus/pdf
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
bash "$here/../tests/fixtures/make_pages.sh" "$tmp/pages"
p=$tmp/pages
mkdir -p "$out"
crop() { convert "$1[0]" -crop "$2" +repage "${@:3}"; }

crop "$p/fax_g4.tif" 128x48+160+200 -compress Group4 "$tmp/g4.tif"
tiffcp -c g4 "$tmp/g4.tif" "$out/fax_g4.tif"
tiffcp -c g4 -r 16 "$tmp/g4.tif" "$out/fax_g4_strips.tif"
tiffcp -c g4 -f lsb2msb "$tmp/g4.tif" "$out/fax_g4_fill2.tif"
cp "$out/fax_g4.tif" "$out/fax_g4_black0.tif" && tiffset -s 262 1 "$out/fax_g4_black0.tif"
tiffcp -c none "$tmp/g4.tif" "$out/bilevel_wiz.tif"
crop "$p/gray8.tif" 48x32+300+400 -compress none "$out/gray8.tif"
crop "$p/gray8.tif" 48x32+300+400 -define quantum:polarity=min-is-white -compress none "$out/gray8_wiz.tif"
crop "$p/rgb24.tif" 32x24+300+1500 -type TrueColor -compress none "$out/rgb24.tif"
crop "$p/rgb24.tif" 32x24+300+1500 -colorspace CMYK -type ColorSeparation -compress none "$out/cmyk32.tif"
crop "$p/rgb48.tif" 16x12+100+500 -type TrueColor -depth 16 -compress none "$out/rgb48.tif"
crop "$p/palette8.tif" 32x24+150+750 -type Palette -depth 8 -compress none "$out/palette8.tif"
crop "$p/rgb24.tif" 64x1300+400+600 -resize 32x48! -colors 16 -type Palette -depth 4 -compress none "$out/palette4.tif"
tiffcp -c none -t -w 16 -l 16 "$out/gray8.tif" "$out/gray8_tiled.tif"
tiffcp -c none -t -w 16 -l 16 "$out/palette4.tif" "$out/palette4_tiled.tif"
tiffcp -c jpeg -r 16 "$out/rgb24.tif" "$out/rgb_jpeg_ycbcr.tif"
tiffcp "$out/fax_g4.tif" "$out/gray8.tif" "$out/two_pages.tif"
ls -l "$out"
