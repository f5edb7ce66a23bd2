#!/usr/bin/env bash
# Jobs of more than a gigabyte through the 32-bit Q71File.exe under Wine: every page of a
# 42-page A4 colour job (uncompressed, 1.1 GB) is written in Serialization and spliced in
# Append. The jobs come from big_job.exe (tests/scenarios/big_job_main.cpp) in seconds and are
# removed again with the suite's prefix.
#   tests/wine/big_jobs_test.sh BUILD_WIN_DIR
set -u
repo=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=tests/wine/lib.sh
source "$repo/tests/wine/lib.sh"

pages=42
wine_suite_start "${1:-}"
for f in Q71File.exe tests/wine/launcher.exe tests/scenarios/big_job.exe; do
  [ -f "$QID_WIN_BUILD/$f" ] || { fail "$f is built" "missing: run ./run build"; wine_suite_finish; }
done
command -v tiffinfo >/dev/null && command -v tiffcp >/dev/null && command -v tiffcmp >/dev/null ||
  { fail "tiffinfo, tiffcp and tiffcmp are installed"; wine_suite_finish; }
drive_c=$(wine_drive_c)
# The job, its results and the reference pages: about 2.4 GB at a time.
avail=$(df --output=avail -k "$drive_c" | tail -n 1)
if [ "$avail" -lt $((3 * 1024 * 1024)) ]; then
  fail "3 GB free for the big jobs" "only ${avail} KB free under $drive_c"
  wine_suite_finish
fi
mkdir -p "$drive_c/qid" "$drive_c/qidtest" "$drive_c/spool" "$drive_c/TEMP" "$drive_c/ZEL"
cp "$QID_WIN_BUILD/Q71File.exe" "$drive_c/qid/"
cp "$QID_WIN_BUILD/tests/wine/launcher.exe" "$QID_WIN_BUILD/tests/scenarios/big_job.exe" \
   "$drive_c/qidtest/"
wineserver -p >/dev/null 2>&1 || true
job='C:\spool\big job.tif'
host_job="$drive_c/spool/big job.tif"
ref=$QID_SUITE_DIR/ref
mkdir -p "$ref"

big_job() { wine 'C:\qidtest\big_job.exe' "$@" >/dev/null 2>&1; }

settings() {  # settings OUTPUT_MODE
  printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\ZEL\\4.01\\Settings]\r\n%s\r\n' \
    "\"Disable Dialog\"=dword:00000001
\"Output Mode\"=dword:0000000$1
\"AutoGenerate\"=dword:00000000
\"PDF Output\"=dword:00000000
\"Serial Num Digits\"=dword:00000004
\"Last Serial Number\"=dword:00000001
\"Serial Prefix String\"=\"Page\"
\"Output Directory\"=\"C:\\\\ZEL\"
\"Output File\"=\"BOOK.TIF\"
\"Output Application\"=\"\"" >"$drive_c/qidtest/settings.reg"
  wine reg import 'C:\qidtest\settings.reg' >/dev/null 2>&1
}

run_job() {  # run_job WHAT: Q71File.exe on the job, as the driver starts it
  local start=$SECONDS status
  rm -f "$drive_c/TEMP/DONE_ZEL.TIF"
  wine 'C:\qidtest\launcher.exe' --env 'TMP=C:\TEMP' --env 'VEDIZE_DOCNAME=big job' \
    --env "VEDIZE_PAGES=$pages" --timeout 900 \
    --cmd 'C:\qid\Q71File.exe' "$job" >"$QID_SUITE_DIR/run.log" 2>&1
  status=$?
  echo "# $1: $((SECONDS - start)) s"
  check_eq "$1: Q71File.exe ran to its end" 0 "$status"
  check_true "$1: the done marker exists" test -f "$drive_c/TEMP/DONE_ZEL.TIF"
  check_false "$1: the job file is gone (every page written)" test -e "$host_job"
}

# The reference pieces: what Serialization must make of pages 1, 21 and 42.
for i in 0 20 41; do big_job split 3 "$pages" rgb "C:\\qidtest\\piece$i.tif" "$i"; done
mv "$drive_c"/qidtest/piece*.tif "$ref/"
piece_size=$(stat -c %s "$ref/piece0.tif")

# Serialization: one file per page.
settings 2
big_job split 3 "$pages" rgb "$job"
job_size=$(stat -c %s "$host_job")
check_true "the Serialization job passes 1 GB ($job_size bytes)" test "$job_size" -gt 1073741824
run_job Serialization
check_eq "Serialization: one file per page" "$pages" "$(find "$drive_c/ZEL" -name 'Page*.TIF' | wc -l)"
sizes=$(find "$drive_c/ZEL" -name 'Page*.TIF' -printf '%s\n' | sort -u)
check_eq "Serialization: every page file is one whole piece" "$piece_size" "$sizes"
for i in 0 20 41; do
  name=$(printf 'Page%04d.TIF' $((i + 1)))
  check_true "Serialization: $name is page $((i + 1)) byte for byte" \
    cmp -s "$ref/piece$i.tif" "$drive_c/ZEL/$name"
done
rm -f "$drive_c"/ZEL/*

# Append: the job's pages spliced onto a one-page book.
settings 3
big_job target 3 1 rgb 'C:\ZEL\BOOK.TIF'
book_size=$(stat -c %s "$drive_c/ZEL/BOOK.TIF")
big_job document 3 "$pages" rgb "$job"
job_size=$(stat -c %s "$host_job")
check_true "the Append job passes 1 GB ($job_size bytes)" test "$job_size" -gt 1073741824
run_job Append
check_eq "Append: the book is the old book and the job, spliced" \
  $((book_size - 4 + job_size - 4)) "$(stat -c %s "$drive_c/ZEL/BOOK.TIF")"
check_eq "Append: the book has every page" $((pages + 1)) \
  "$(tiffinfo "$drive_c/ZEL/BOOK.TIF" 2>/dev/null | grep -c '^TIFF Directory')"
for i in 20 41; do
  tiffcp "$drive_c/ZEL/BOOK.TIF,$((i + 1))" "$QID_SUITE_DIR/page.tif" 2>/dev/null
  check_true "Append: the book's page $((i + 2)) shows job page $((i + 1))" \
    tiffcmp "$ref/piece$i.tif" "$QID_SUITE_DIR/page.tif"
  rm -f "$QID_SUITE_DIR/page.tif"
done
rm -rf "$drive_c/ZEL" "$ref" "$host_job"
wine_suite_finish
