#!/usr/bin/env bash
# The Linux tools as a user meets them: qiddriver's exit codes, messages and result paths,
# the host path handed to the Output Application, and qidreg's listing and refusals.
#
#   tests/linux/tools_test.sh BUILD_NATIVE_DIR
#
# Ends with "N passed, M failed".
set -uo pipefail
build=$(cd "${1:?usage: tools_test.sh BUILD_NATIVE_DIR}" && pwd) || exit 2
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

passed=0
failed=0
check() {  # check WHAT COMMAND...
  local what=$1; shift
  if "$@" >/dev/null 2>&1; then passed=$((passed + 1)); echo "ok   - $what"
  else failed=$((failed + 1)); echo "FAIL - $what"; fi
}
says() { grep -q -- "$2" "$1"; }  # says FILE TEXT
not() { ! "$@"; }
running() { local st; st=$(ps -o stat= -p "$1" 2>/dev/null); [ -n "$st" ] && [ "${st#Z}" = "$st" ]; }

work=$(mktemp -d "${TMPDIR:-/tmp}/qid-tools.XXXXXX")
trap '[ -n "${QID_KEEP:-}" ] || rm -rf "$work"' EXIT
export QID_ROOT=$work/root TMPDIR=$work/tmp QID_TRACE=$work/trace.log
mkdir -p "$TMPDIR"
reg() { "$build/qidreg" "$@"; }
print() {  # print OUT ERR ARGS...: qiddriver, status in $status
  local out=$1 err=$2; shift 2
  "$build/qiddriver" --q71file "$build/Q71File" --quiet "$@" >"$out" 2>"$err"
  status=$?
}
page=$work/page.tif
convert -size 200x100 xc:white -fill black -draw 'rectangle 20,20 120,60' -type bilevel \
  -compress group4 "$page" || { echo "FAIL - cannot make a page"; echo "0 passed, 1 failed"; exit 1; }

# A fresh root: the first job makes the settings key, so the counters carry on.
for n in 1 2 3; do QID_ROOT=$work/fresh print "$work/f$n" "$work/fe$n" "$page"; done
check "three jobs on a fresh root give three results" \
  test "$(find "$work/fresh/drive_c/ZEL" -name '000[123].tif' | wc -l)" -eq 3

# qidreg: every setting with the value a job uses; refusals say what is wrong.
reg list >"$work/list" 2>&1
check "qidreg list shows all 22 values of the key" bash -c "[ \$(wc -l <'$work/list') -eq 22 ]"
check "with defaults and their meaning" says "$work/list" 'Output Directory *sz C:\\ZEL *default *folder of all output'
reg set "Output Mode" dword 7 2>"$work/e1"; check "set refuses Output Mode 7" test $? -ne 0
check "saying the range" says "$work/e1" "Output Mode takes 1 to 3"
reg set "Outpt Mode" dword 1 2>"$work/e2"; check "set refuses an unknown name" test $? -ne 0
check "naming it" says "$work/e2" '"Outpt Mode" is not a setting'
reg set "PDF Output" sz 1 2>"$work/e3"; check "set refuses the wrong type" test $? -ne 0
check "qidreg --any stores it anyway" reg --any set "Outpt Mode" dword 1
reg set "Output Mode" dword 2 >/dev/null; reg list >"$work/list2"
check "a stored value shows where it comes from" says "$work/list2" 'Output Mode *dword 2 *HKCU'
printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software]\n"broken\n' \
  >"$QID_ROOT/registry/HKEY_CURRENT_USER.reg"
reg list >/dev/null 2>"$work/e4"
check "a damaged hive file is named with its line" says "$work/e4" "HKEY_CURRENT_USER.reg.*line 4"
rm -f "$QID_ROOT/registry/HKEY_CURRENT_USER.reg"

# qiddriver: results printed, exit codes that say what happened.
out_dir=$work/out
reg set "Output Mode" dword 1 set "Output Directory" sz "$out_dir" set "AutoGenerate" dword 0 set "Always Overwrite" dword 1 >/dev/null
print "$work/o1" "$work/e5" "$page"
check "a written job exits 0" test "$status" -eq 0
check "and prints its result's host path" says "$work/o1" "^result: $out_dir/TEST.TIF\$"
check "the job's private folder is gone" bash -c "[ -z \"\$(ls -A '$TMPDIR')\" ]"
check "--quiet silences Q71File's settings dialog notice" bash -c "! grep -q 'settings dialog' '$work/e5'"
"$build/qiddriver" --quiet --write-only --job "$work/written.tif" "$page" >/dev/null 2>&1
check "--write-only writes the job" test -s "$work/written.tif"
check "and leaves no private folder" bash -c "[ -z \"\$(ls -A '$TMPDIR')\" ]"
reg set "Output Directory" sz "/proc/qid-forbidden" >/dev/null
print "$work/o2" "$work/e6" "$page"
check "a kept job exits 5" test "$status" -eq 5
check "saying where the kept job is" says "$work/e6" "kept it: $TMPDIR/qiddriver-job\.[^/]*/qid_job_"
check "and why, from the trace" says "$work/e6" "the trace says"
kept=$(sed -n 's/.*kept it: \([^;]*\).*/\1/p' "$work/e6" | head -n 1)
check "the kept job file holds the page" test -s "$kept"
reg set "Output Directory" sz "$out_dir" set "Always Overwrite" dword 0 >/dev/null
print "$work/o2b" "$work/e6b" "$page"
check "a declined overwrite exits 5" test "$status" -eq 5
check "naming the kept job" says "$work/e6b" "kept it: $TMPDIR/qiddriver-job"
check "and the trace's reason" says "$work/e6b" "overwrite declined"
check "not a missing marker" not says "$work/e6b" "without creating the done marker"
reg set "Always Overwrite" dword 1 >/dev/null
print "$work/o3" "$work/e7" --q71file /nonexistent/Q71File "$page"
check "a program that cannot start exits 2" test "$status" -eq 2
print "$work/o4" "$work/e8" "$work/missing.pdf"
check "a missing input exits 1" test "$status" -eq 1
printf '%%!PS-Adobe-3.0\n%%%%Pages: 2\n%%%%EndComments\nshowpage\nshowpage\n' >"$work/two.ps"
"$build/qiddriver" --q71file "$build/Q71File" "$work/two.ps" >/dev/null 2>"$work/e10"
check "PostScript shows its pages as PDF does" says "$work/e10" "rendering page 2 of 2"

# Q71File itself: help or a path that is no job file makes no folder, lock or setting.
mkdir -p "$work/cwd" "$work/fresh-tmp"
for arg in --help "$work/missing.tif" "$work/cwd"; do
  (cd "$work/cwd" && QID_ROOT=$work/fresh-root TMP=$work/fresh-tmp "$build/Q71File" "$arg" \
    >"$work/q.out" 2>&1)
  status=$?
  check "Q71File $arg writes nothing" bash -c "[ ! -e '$work/fresh-root' ] && [ -z \"\$(find '$work/fresh-tmp' '$work/cwd' -mindepth 1)\" ]"
  if [ "$arg" = --help ]; then check "and --help exits 0 with the usage" bash -c "[ $status -eq 0 ] && grep -q '^usage: Q71File' '$work/q.out'"
  else check "and says it is no job file" bash -c "[ $status -ne 0 ] && grep -q 'no job file' '$work/q.out'"; fi
done

# The Output Application gets the result's host path, as one argument.
app=$work/app.sh
printf '#!/bin/sh\nprintf "%%s\\n" "$#" "$1" >"%s/app.log"\n' "$work" >"$app"
chmod +x "$app"
reg set "Output Directory" sz "$out_dir" set "Output Application" sz "$app" >/dev/null
print "$work/o5" "$work/e9" "$page"
check "the Output Application ran" test -f "$work/app.log"
check "with one argument" bash -c "[ \"\$(sed -n 1p '$work/app.log')\" = 1 ]"
check "the result's host path" bash -c "[ \"\$(sed -n 2p '$work/app.log')\" = '$out_dir/TEST.TIF' ]"

# One that cannot start (missing, or a path with blanks left unquoted) is reported; the job
# itself is written.
cp "$app" "$work/my viewer.sh"
for bad in "$work/missing-viewer" "$work/my viewer.sh"; do
  reg set "Output Application" sz "$bad" >/dev/null
  print "$work/o6" "$work/e11" "$page"
  check "qiddriver warns of an Output Application that cannot start ($bad)" \
    says "$work/e11" "warning: the Output Application could not be started.*$bad"
  check "and the job is written" bash -c "[ $status -eq 0 ] && grep -q '^result: ' '$work/o6'"
done

# A time-out while Q71File waits on a slow Output Application ends both: nothing writes on
# after qiddriver gave up and released its lock, and the job file keeps every page.
slow=$work/slow.sh
printf '#!/bin/sh\necho $$ >"%s/slow.pid"; sleep 4; : >"%s/slow.done"\n' "$work" "$work" >"$slow"
chmod +x "$slow"
reg set "Output Application" sz "$slow" >/dev/null
print "$work/o7" "$work/e10" --timeout 1 "$page"
check "a time-out exits 4" test "$status" -eq 4
kept=$(sed -n 's/.*the job file is kept: //p' "$work/e10" | head -n 1)
check "keeping the job file with its page" test -s "$kept"
check "the Output Application had started" test -s "$work/slow.pid"
check "and was ended with Q71File" not running "$(cat "$work/slow.pid" 2>/dev/null)"
sleep 4
check "nothing of the job went on" bash -c "[ ! -e '$work/slow.done' ] && [ -s '$kept' ]"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
