#!/usr/bin/env bash
# The demo behind `./run demo`: prints the shipped sample document through the driver-side
# stand-in (qiddriver) and the native Q71File three times, into a TIFF file, a PDF file and
# JPEG files, checks each result with an independent tool and says where it is.
#
#   tools/demo.sh BUILD_NATIVE_DIR
#
# Everything lives under build/demo: pages/ (the document rendered into fax, grey and colour
# pages), root/ (the demo's $QID_ROOT: its registry and its drive C:, made afresh on every run)
# and trace.log (Q71File's trace). A step that does not produce its result says so and makes
# the demo fail.
set -uo pipefail
build=$(cd "${1:?usage: tools/demo.sh BUILD_NATIVE_DIR}" && pwd) || exit 2
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
demo=$repo/build/demo
pages=$demo/pages
export QID_ROOT=$demo/root
export QID_TRACE=$demo/trace.log
outdir_host=$QID_ROOT/drive_c/Demo

say() { printf '\n== %s\n' "$*"; }
failed=()
results=()

for tool in Q71File qiddriver qidreg; do
  if [ ! -x "$build/$tool" ]; then
    echo "demo: $build/$tool is missing: the native build did not finish" >&2
    exit 1
  fi
done

say "rendering the sample document into pages ($pages)"
if ! bash "$repo/tests/fixtures/make_pages.sh" "$pages"; then
  echo "demo: the pages could not be rendered (Ghostscript and ImageMagick are needed)" >&2
  exit 1
fi
ls "$pages"

say "a fresh demo root ($QID_ROOT) with the installer's settings"
rm -rf "$QID_ROOT" "$QID_TRACE"
mkdir -p "$outdir_host" "$QID_ROOT/tmp"
"$build/qidreg" \
  set "AutoGenerate" dword 1 set "Auto Number Value" dword 1 set "Disable Dialog" dword 1 \
  set "Serial Init Number" dword 1 set "Output Mode" dword 1 set "Always Overwrite" dword 1 \
  set "PDF Output" dword 0 set "Auto Reset Serial Number" dword 0 \
  set "Last Serial Number" dword 1 set "Serial Num Digits" dword 4 \
  set "Trim Source Name" dword 0 set "Use Source Name" dword 0 \
  set "Output Application" sz "" set "Output Directory" sz 'C:\Demo' \
  set "Output File" sz "TEST.TIF" set "Doc Prefix String" sz "sample-" \
  set "Serial Prefix String" sz "" set "Pages Last" dword 0 set "Pages Total" dword 0 ||
  { echo "demo: cannot store the settings" >&2; exit 1; }
"$build/qidreg" list | sed 's/^/  /'

# print STEP [qiddriver options] INPUT: one job through the stand-in; false when it failed.
print() {
  local step=$1
  shift
  echo "\$ qiddriver $*"
  if ! "$build/qiddriver" --q71file "$build/Q71File" --tmp "$QID_ROOT/tmp" "$@"; then
    echo "FAILED: $step: the job did not finish (trace: $QID_TRACE)"
    return 1
  fi
}

# check STEP FILE COMMAND...: the result exists and the validator accepts it.
check() {
  local step=$1 file=$2
  shift 2
  if [ ! -f "$file" ]; then
    echo "FAILED: $step: no $file was written"
    return 1
  fi
  if ! "$@" "$file" >"$demo/check.log" 2>&1; then
    echo "FAILED: $step: $* rejects $file:"
    sed 's/^/  /' "$demo/check.log" | head -n 5
    return 1
  fi
  echo "ok: $file ($(stat -c %s "$file") bytes) passes $1"
}

# check_pages STEP FILE N: libtiff reads N pages from the file.
check_pages() {
  local n
  n=$(tiffinfo "$2" 2>/dev/null | grep -c '^TIFF Directory at')
  [ "$n" = "$3" ] && return 0
  echo "FAILED: $1: tiffinfo lists $n page(s) in $2, not $3"
  return 1
}

say "1. Document: a TIFF file of both pages (fax pages, CCITT G4)"
step="TIFF document"
"$build/qidreg" set "Auto Number Value" dword 1
if print "$step" --doc-name "sample.ps" "$pages/fax_g4.tif" &&
   check "$step" "$outdir_host/sample-0001.tif" tiffinfo &&
   check_pages "$step" "$outdir_host/sample-0001.tif" 2; then
  results+=("TIFF  $outdir_host/sample-0001.tif   (tiffinfo FILE; display FILE)")
else
  failed+=("$step")
fi

say "2. PDF Output: the document rendered by Ghostscript, written as one PDF file"
step="PDF document"
"$build/qidreg" set "Auto Number Value" dword 2 set "PDF Output" dword 1
if print "$step" --render fax "$repo/tests/fixtures/sample.ps" &&
   check "$step" "$outdir_host/sample-0002.pdf" qpdf --check; then
  results+=("PDF   $outdir_host/sample-0002.pdf   (pdfinfo FILE; xdg-open FILE)")
else
  failed+=("$step")
fi
"$build/qidreg" set "PDF Output" dword 0

say "3. data mode 0: one JPEG file per page (24-bit colour pages, 300 dpi)"
step="JPEG pages"
"$build/qidreg" set "Auto Number Value" dword 3
if print "$step" --data-mode 0 --doc-name "sample.ps" "$pages/rgb24.tif" &&
   check "$step (page 1)" "$outdir_host/sample-0003.jpg" djpeg -outfile /dev/null &&
   check "$step (page 2)" "$outdir_host/sample-0003_1.jpg" djpeg -outfile /dev/null; then
  results+=("JPEG  $outdir_host/sample-0003.jpg and sample-0003_1.jpg   (display FILE; xdg-open FILE)")
else
  failed+=("$step")
fi

say "results"
if [ ${#results[@]} -gt 0 ]; then
  printf '  %s\n' "${results[@]}"
fi
echo "  settings: $build/qidreg list   (with QID_ROOT=$QID_ROOT)"
echo "  trace:    $QID_TRACE"
echo "  print your own: QID_ROOT=$QID_ROOT $build/qiddriver --help"
if [ ${#failed[@]} -gt 0 ]; then
  echo
  echo "demo: FAILED: ${failed[*]} (see the FAILED lines above)" >&2
  exit 1
fi
echo
echo "demo: all three results written and checked"
