#!/usr/bin/env bash
# Peak memory of the native Q71File for jobs of about 10 MB, 100 MB and 1 GB in every output
# path: Serialization, Append, Document, PDF and JPEG export. The jobs are uncompressed A4 grey
# pages at 300 dpi (8.7 MB each: 1, 12 and 118 pages) from the generator
# tests/scenarios/big_job; each run is one Q71File process measured by /usr/bin/time.
#
#   bench/job_memory_bench.sh BUILD_DIR [WORKDIR]   (BUILD_DIR holds Q71File, qidreg and
#                                                    tests/scenarios/big_job)
set -euo pipefail
build=${1:?usage: job_memory_bench.sh BUILD_DIR [WORKDIR]}
for p in Q71File qidreg tests/scenarios/big_job; do
  [ -x "$build/$p" ] || { echo "no $build/$p: build it first" >&2; exit 1; }
done
if [ -n "${2:-}" ]; then
  work=$2
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
export QID_ROOT=$work/root
drive_c=$QID_ROOT/drive_c
mkdir -p "$drive_c/spool" "$drive_c/TEMP" "$drive_c/out"
job='C:\spool\job.tif'

setting() { "$build/qidreg" set "$1" "$2" "$3" >/dev/null; }
setting "Disable Dialog" dword 1
setting "AutoGenerate" dword 0
setting "Output Directory" sz 'C:\out'
setting "Output File" sz "BOOK.TIF"
setting "Output Application" sz ""
setting "Always Overwrite" dword 1

# peak_kb MODE PAGES: one job of PAGES pages written in MODE; prints the peak resident KB.
peak_kb() {
  local mode=$1 pages=$2 layout=document data_mode=3 output_mode=1 pdf=0
  case $mode in
    Serialization) layout=split; output_mode=2 ;;
    Append) output_mode=3 ;;
    PDF) pdf=1 ;;
    JPEG) layout=split; data_mode=0; output_mode=2 ;;
  esac
  rm -rf "$drive_c/out" && mkdir -p "$drive_c/out"
  setting "Output Mode" dword "$output_mode"
  setting "PDF Output" dword "$pdf"
  setting "Last Serial Number" dword 1
  [ "$mode" = Append ] && "$build/tests/scenarios/big_job" target 3 1 grey "$drive_c/out/BOOK.TIF"
  "$build/tests/scenarios/big_job" "$layout" "$data_mode" "$pages" grey "$drive_c/spool/job.tif"
  TMP='C:\TEMP' VEDIZE_DOCNAME=job VEDIZE_PAGES=$pages \
    /usr/bin/time -f '%M' -o "$work/time.txt" "$build/Q71File" "$job" >/dev/null 2>&1
  if [ -e "$drive_c/spool/job.tif" ]; then
    echo "FAIL: $mode of $pages pages kept the job" >&2
    exit 1
  fi
  cat "$work/time.txt"
}

printf '%-14s %12s %12s %12s %6s\n' "path" "9 MB KB" "104 MB KB" "1.03 GB KB" "ratio"
for mode in Serialization Append Document PDF JPEG; do
  small=$(peak_kb "$mode" 1)
  medium=$(peak_kb "$mode" 12)
  large=$(peak_kb "$mode" 118)
  ratio=$(awk -v a="$small" -v b="$medium" -v c="$large" \
    'BEGIN { m = b > c ? b : c; printf "%.2f", m / a }')
  printf '%-14s %12s %12s %12s %6s\n' "$mode" "$small" "$medium" "$large" "$ratio"
done
rm -rf "$drive_c/out" "$drive_c/spool"
