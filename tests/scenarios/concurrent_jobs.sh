#!/usr/bin/env bash
# Two print jobs of one user at the same time, as real processes: rounds of two appenders onto
# one target (every odd round starting without a target) sharing one TMP, and rounds of two
# Serialization jobs and of two auto-numbered Document jobs, each job with a TMP of its own
# (the driver side chooses TMP). After each round every page must be in an output or in a
# kept job file, and no job may replace the other's results.
#
#   tests/scenarios/concurrent_jobs.sh host NATIVE_BUILD_DIR   # Q71File, qiddriver, qidreg
#   tests/scenarios/concurrent_jobs.sh wine BUILD_WIN_DIR      # Q71File.exe under Wine
#
# QID_CONCURRENT_ROUNDS sets the rounds of each kind (20). The Wine form also needs the native
# qiddriver ($QID_NATIVE_BUILD, else build/native) to write the job files. Prints one line per
# check and ends with "N passed, M failed".
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
backend=${1:-}
build=${2:-}
rounds=${QID_CONCURRENT_ROUNDS:-20}
PAGES_PER_JOB=2  # fax_g4.tif holds the sample's two pages

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok   - $1"; }
fail() { failed=$((failed + 1)); echo "FAIL - $1${2:+: $2}"; }
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
  exit
}

case $backend in
  host)
    native=$build
    for tool in Q71File qiddriver qidreg; do
      [ -x "$native/$tool" ] || { fail "$native/$tool is built"; finish; }
    done
    ;;
  wine)
    native=${QID_NATIVE_BUILD:-$repo/build/native}
    [ -x "$native/qiddriver" ] || { fail "$native/qiddriver is built"; finish; }
    for f in Q71File.exe tests/wine/launcher.exe; do
      [ -f "$build/$f" ] || { fail "$build/$f is built"; finish; }
    done
    # shellcheck source=tests/wine/lib.sh
    source "$repo/tests/wine/lib.sh"
    pass() { QID_PASSED=$((QID_PASSED + 1)); echo "ok   - $1"; }
    fail() { QID_FAILED=$((QID_FAILED + 1)); echo "FAIL - $1${2:+: $2}"; }
    finish() { wine_suite_finish; }
    ;;
  *) echo "usage: concurrent_jobs.sh host|wine BUILD_DIR" >&2; exit 2 ;;
esac
command -v tiffinfo >/dev/null || { fail "tiffinfo is installed" "missing (tools/install-deps.sh)"; finish; }
pages_dir=$native/scenario-pages
bash "$repo/tests/fixtures/make_pages.sh" "$pages_dir" || { fail "fixture pages rendered"; finish; }

# --- backends: where drive C: is, how settings are stored and read, how a job starts --------

if [ "$backend" = host ]; then
  work=$(mktemp -d "${TMPDIR:-/tmp}/qid-concurrent.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  export QID_ROOT=$work/root
  drive_c=$QID_ROOT/drive_c
  set_value() { "$native/qidreg" set "$1" "$2" "$3" >/dev/null || fail "\"$1\" stored"; }
  get_dword() { "$native/qidreg" get "$1" | sed -n 's/^dword //p'; }
  # start_job JOB TMP: Q71File on the job, in the background; its pid in $!.
  start_job() {
    TMP=$2 VEDIZE_DOCNAME=concurrent.doc VEDIZE_PAGES=$PAGES_PER_JOB \
      "$native/Q71File" "$1" >/dev/null 2>>"$work/q71file.err" &
  }
  write_root=$QID_ROOT
else
  wine_suite_start "$build"
  drive_c=$(wine_drive_c)
  mkdir -p "$drive_c/qid"
  cp "$QID_WIN_BUILD/Q71File.exe" "$QID_WIN_BUILD/tests/wine/launcher.exe" "$drive_c/qid/"
  wineserver -p >/dev/null 2>&1 || true
  key='HKCU\Software\ZEL\4.01\Settings'
  set_value() {
    if [ "$2" = dword ]; then wine_reg_add "$key" "$1" REG_DWORD "$3" >/dev/null
    else wine_reg_add "$key" "$1" REG_SZ "$3" >/dev/null; fi || fail "\"$1\" stored"
  }
  get_dword() { local type data; read -r type data < <(wine_reg_query "$key" "$1"); printf '%d\n' "$data"; }
  start_job() {
    wine 'C:\qid\launcher.exe' --env VEDIZE_DOCNAME=concurrent.doc \
      --env "VEDIZE_PAGES=$PAGES_PER_JOB" --env "TMP=$2" --timeout 120 \
      --cmd 'C:\qid\Q71File.exe' "$1" >/dev/null 2>&1 &
  }
  write_root=$WINEPREFIX
fi
mkdir -p "$drive_c/TEMP/a" "$drive_c/TEMP/b" "$drive_c/ZEL" "$drive_c/spool"
host_of() { local p=${1:3}; printf '%s/%s\n' "$drive_c" "${p//\\//}"; }

# write_job JOB OUTPUT_MODE: the job file in the layout that Output Mode asks for.
write_job() {
  QID_ROOT=$write_root "$native/qiddriver" --write-only --output-mode "$2" --job "$1" \
    "$pages_dir/fax_g4.tif" >/dev/null 2>&1 || fail "job $1 written"
}

tiff_pages() { tiffinfo "$1" 2>/dev/null | grep -c '^TIFF Directory at'; }
# Pages still held by a kept job file: document layout counts IFDs, split layout markers.
kept_pages() {
  local f=$1
  if [ "$2" = 2 ]; then grep -ao '!!end of file!!!' "$f" | wc -l; else tiff_pages "$f"; fi
}

# run_pair MODE ROUND [own]: two jobs at once, sharing TMP or each with its own; prints how
# many of their pages are in kept job files.
run_pair() {
  local mode=$1 round=$2 a b pids=() kept=0 job tmp_a='C:\TEMP\a' tmp_b='C:\TEMP\a'
  [ "${3:-}" = own ] && tmp_b='C:\TEMP\b'
  a="C:\\spool\\r$round-a.tif"
  b="C:\\spool\\r$round-b.tif"
  write_job "$a" "$mode"
  write_job "$b" "$mode"
  start_job "$a" "$tmp_a"; pids+=($!)
  start_job "$b" "$tmp_b"; pids+=($!)
  wait "${pids[@]}"
  for job in "$a" "$b"; do
    if [ -f "$(host_of "$job")" ]; then kept=$((kept + $(kept_pages "$(host_of "$job")" "$mode"))); fi
  done
  echo "$kept"
}

common_settings() {
  set_value "Disable Dialog" dword 1
  set_value "AutoGenerate" dword 0
  set_value "Always Overwrite" dword 0
  set_value "PDF Output" dword 0
  set_value "Use Source Name" dword 0
  set_value "Auto Reset Serial Number" dword 0
  set_value "Serial Num Digits" dword 4
  set_value "Output Application" sz ""
  set_value "Output Directory" sz 'C:\ZEL'
}

echo "# $backend: $rounds rounds each of two appenders, two Serialization and two Document jobs"
common_settings
set_value "Output Mode" dword 3
set_value "Output File" sz "APPEND.TIF"
target=$drive_c/ZEL/APPEND.TIF
lost_rounds=0 kept_rounds=0
for ((round = 1; round <= rounds; round++)); do
  (( round % 2 == 1 )) && rm -f "$target"
  before=0
  [ -f "$target" ] && before=$(tiff_pages "$target")
  kept=$(run_pair 3 "append$round")
  after=$(tiff_pages "$target")
  if [ $((after - before + kept)) -ne $((2 * PAGES_PER_JOB)) ]; then
    lost_rounds=$((lost_rounds + 1))
    echo "# append round $round: target $before -> $after pages, $kept kept in job files"
  fi
  [ "$kept" -eq 0 ] || kept_rounds=$((kept_rounds + 1))
done
[ "$lost_rounds" -eq 0 ] && pass "Append: every page is in the target or a kept job file" \
  || fail "Append: every page is in the target or a kept job file" "$lost_rounds of $rounds rounds lost pages"
[ "$kept_rounds" -eq 0 ] && pass "Append: both jobs of every round were spliced" \
  || fail "Append: both jobs of every round were spliced" "$kept_rounds rounds kept a job file"

rm -f "$drive_c"/ZEL/*
set_value "Output Mode" dword 2
set_value "Serial Prefix String" sz "S"
set_value "Last Serial Number" dword 1
set_value "Serial Init Number" dword 1
kept_total=0
for ((round = 1; round <= rounds; round++)); do
  kept_total=$((kept_total + $(run_pair 2 "serial$round" own)))
done
files=$(find "$drive_c/ZEL" -maxdepth 1 -name 'S*.TIF' | wc -l)
one_page=0
for f in "$drive_c"/ZEL/S*.TIF; do [ "$(tiff_pages "$f")" = 1 ] && one_page=$((one_page + 1)); done
total=$((2 * rounds * PAGES_PER_JOB))
[ $((files + kept_total)) -eq "$total" ] && [ "$one_page" -eq "$files" ] \
  && pass "Serialization: every page is in its own file or a kept job file" \
  || fail "Serialization: every page is in its own file or a kept job file" \
          "$files one-page files ($one_page readable) + $kept_total kept pages of $total"
[ "$files" -eq "$total" ] && pass "Serialization: no job replaced the other's files ($files files)" \
  || fail "Serialization: no job replaced the other's files" "$files files of $total"
last=$(get_dword "Last Serial Number")
[ "$last" = $((total + 1)) ] && pass "Serialization: Last Serial Number is $((total + 1))" \
  || fail "Serialization: Last Serial Number is $((total + 1))" "got $last"

# Auto-numbered Document jobs replace what is there: two that took one number would leave one
# job's pages only, and delete both job files.
rm -f "$drive_c"/ZEL/*
set_value "Output Mode" dword 1
set_value "AutoGenerate" dword 1
set_value "Always Overwrite" dword 1
set_value "Doc Prefix String" sz "D"
set_value "Auto Number Value" dword 1
kept_total=0
for ((round = 1; round <= rounds; round++)); do
  kept_total=$((kept_total + $(run_pair 1 "document$round" own)))
done
files=0 written=0
for f in "$drive_c"/ZEL/D*.[tT][iI][fF]; do
  [ -f "$f" ] || continue
  files=$((files + 1)); written=$((written + $(tiff_pages "$f")))
done
total=$((2 * rounds * PAGES_PER_JOB))
[ $((written + kept_total)) -eq "$total" ] \
  && pass "Document: every page is in a numbered file or a kept job file" \
  || fail "Document: every page is in a numbered file or a kept job file" \
          "$written pages in $files files + $kept_total kept of $total"
[ "$files" -eq $((2 * rounds)) ] && pass "Document: each job has a number of its own ($files files)" \
  || fail "Document: each job has a number of its own" "$files files of $((2 * rounds))"
next=$(get_dword "Auto Number Value")
[ "$next" = $((2 * rounds + 1)) ] && pass "Document: Auto Number Value is $((2 * rounds + 1))" \
  || fail "Document: Auto Number Value is $((2 * rounds + 1))" "got $next"

# The lock is the user's own (the root folder; under Wine the local application data), no TMP's.
lock_home=${QID_ROOT:-}
[ "$backend" = wine ] && lock_home=$drive_c/users
user_locks=$(find "$lock_home" -maxdepth 5 -name QIDJOBS.LCK | wc -l)
tmp_locks=$(find "$drive_c/TEMP" -name QIDJOBS.LCK | wc -l)
[ "$user_locks" -eq 1 ] && [ "$tmp_locks" -eq 0 ] && pass "the job lock is in the user's folder" \
  || fail "the job lock is in the user's folder" "$user_locks there, $tmp_locks in TMP"
finish
