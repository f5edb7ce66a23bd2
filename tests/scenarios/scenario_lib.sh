# shellcheck shell=bash
# The end-to-end scenarios' vocabulary, shared by both runners. A scenario (scenarios.sh) is a
# shell function that stores settings, prints jobs through the driver side and checks what
# Q71File left behind, in the product's own Windows paths ("C:\ZEL\0001.tif"). A runner
# supplies the backend:
#
#   backend_reset                 fresh registry, files and records for the next scenario
#   backend_apply_settings FILE   store the values listed in FILE ("dword|sz<TAB>NAME<TAB>VALUE")
#   backend_get NAME              print "dword N" or "sz TEXT" of a settings value; fail if absent
#   backend_host_path WINPATH     the host file behind a product path
#   backend_program_path WINPATH  the name other programs are given for it (the Output
#                                 Application: the Windows path itself, the host file on Linux)
#   backend_app_command LOG       the Output Application command that records its calls in LOG
#   backend_print JOB OUT ERR ARGS...
#                                 print a job: qiddriver options and pages in ARGS; sets
#                                 JOB_OUTCOME (finished|no_marker|timeout|not_started|driver_error)
#                                 and writes the driver's output to OUT, messages to ERR
#   backend_box_log N             the file that holds what message boxes of job N said
#
# Check lines: "ok   - scenario: what" or "FAIL - scenario: what: detail"; the runner ends with
# "N passed, M failed".

set -u

SC_PASSED=0
SC_FAILED=0
SC_NAME=
SC_STATUS=
SC_DIR=
SC_NAMES=()
declare -A SC_STATUS_OF=()
declare -A SC_TITLE_OF=()

sc_pass() { SC_PASSED=$((SC_PASSED + 1)); echo "ok   - $SC_NAME: $1"; }
sc_fail() {
  SC_FAILED=$((SC_FAILED + 1))
  local note=
  [ "$SC_STATUS" = ready ] || note=" [pending: $SC_STATUS]"
  echo "FAIL - $SC_NAME: $1${2:+: $2}$note"
}

# define NAME STATUS TITLE: adds a scenario (function sc_NAME) to the list. STATUS is "ready"
# or what it waits for; a pending scenario runs all the same and fails loudly until then.
define() {
  SC_NAMES+=("$1")
  SC_STATUS_OF[$1]=$2
  SC_TITLE_OF[$1]=$3
}

# --- arranging ------------------------------------------------------------------------------

# shellcheck disable=SC2034  # read by the runners' backends
SC_SETTINGS=
SC_JOBS=0
SC_OUTPUT_MODE=1
SC_PENDING_ENV=()
SC_PENDING_BOX=
SC_LAST_JOB=
SC_LAST_SENT=
SC_PAGES_DIR=${SC_PAGES_DIR:-}

set_dword() { printf 'dword\t%s\t%s\n' "$1" "$2" >>"$SC_SETTINGS"; [ "$1" != "Output Mode" ] || SC_OUTPUT_MODE=$2; }
set_sz() { printf 'sz\t%s\t%s\n' "$1" "$2" >>"$SC_SETTINGS"; }

# Every value as the installer writes it, with the dialog switched off (no one answers it
# here) and the output in C:\ZEL.
defaults() {
  set_dword "AutoGenerate" 1
  set_dword "Auto Number Value" 1
  set_dword "Disable Dialog" 1
  set_dword "Serial Init Number" 1
  set_dword "Output Mode" 1
  set_dword "Always Overwrite" 0
  set_dword "PDF Output" 0
  set_dword "Auto Reset Serial Number" 0
  set_dword "Last Serial Number" 1
  set_dword "Serial Num Digits" 4
  set_dword "Trim Source Name" 0
  set_dword "Use Source Name" 0
  set_sz "Output Application" ""
  set_sz "Output Directory" 'C:\ZEL'
  set_sz "Output File" "TEST.TIF"
  set_sz "Doc Prefix String" ""
  set_sz "Serial Prefix String" ""
  set_dword "Pages Last" 0
  set_dword "Pages Total" 0
  make_dir 'C:\ZEL'
}

make_dir() { mkdir -p "$(backend_host_path "$1")"; }

# put_file WINPATH TEXT
put_file() {
  local host
  host=$(backend_host_path "$1")
  mkdir -p "$(dirname "$host")"
  printf '%s' "$2" >"$host"
}

# The Output Application records each call in C:\qidtest\calls.txt.
use_output_app() {
  make_dir 'C:\qidtest'
  set_sz "Output Application" "$(backend_app_command 'C:\qidtest\calls.txt')"
}

# job_env NAME=VALUE: a variable for the next job only (PRINTTOFILE, PTF_NAME, ...).
job_env() { SC_PENDING_ENV+=("$1"); }

# answer_box CAPTION BUTTON: the next job's message box of that caption gets that answer.
answer_box() { SC_PENDING_BOX="$1|$2"; }

# print_job [qiddriver options] PAGE...: prints the pages (files of the fixture folder, or
# options) as the next job, C:\spool\jobN.tif, and waits for it.
print_job() {
  [ -s "$SC_SETTINGS" ] && { backend_apply_settings "$SC_SETTINGS"; : >"$SC_SETTINGS"; }
  SC_JOBS=$((SC_JOBS + 1))
  SC_LAST_JOB="C:\\spool\\job$SC_JOBS.tif"
  SC_LAST_SENT="$SC_DIR/sent$SC_JOBS.tif"
  local args=() a
  for a in "$@"; do
    if [ -f "$SC_PAGES_DIR/$a" ]; then args+=("$SC_PAGES_DIR/$a"); else args+=("$a"); fi
  done
  JOB_OUTCOME=driver_error
  backend_print "$SC_LAST_JOB" "$SC_DIR/driver$SC_JOBS.out" "$SC_DIR/driver$SC_JOBS.err" \
    --copy-job-to "$SC_LAST_SENT" "${args[@]}"
  SC_PENDING_ENV=()
  SC_PENDING_BOX=
}

# --- checks ---------------------------------------------------------------------------------

expect_outcome() {
  if [ "$JOB_OUTCOME" = "$1" ]; then sc_pass "job $SC_JOBS ends: $1"
  else
    sc_fail "job $SC_JOBS ends: $1" "got $JOB_OUTCOME; $(tail -n 3 "$SC_DIR/driver$SC_JOBS.err" 2>/dev/null | tr '\n' ' ')"
  fi
}

expect_file() {
  if [ -f "$(backend_host_path "$1")" ]; then sc_pass "$1 exists"; else sc_fail "$1 exists" "missing"; fi
}

expect_no_file() {
  if [ -e "$(backend_host_path "$1")" ]; then sc_fail "no $1" "it exists"; else sc_pass "no $1"; fi
}

# expect_content WINPATH TEXT
expect_content() {
  local host
  host=$(backend_host_path "$1")
  if [ -f "$host" ] && [ "$(cat "$host")" = "$2" ]; then sc_pass "$1 still holds [$2]"
  else sc_fail "$1 still holds [$2]" "got [$(head -c 40 "$host" 2>/dev/null)]"; fi
}

# expect_same_as_job WINPATH [JOB]: the file is the job file as sent, with "II" restored.
expect_same_as_job() {
  local host sent=${2:-$SC_LAST_SENT} want=$SC_DIR/expected.tif
  host=$(backend_host_path "$1")
  if [ ! -f "$sent" ]; then sc_fail "$1 is the job file byte for byte" "the job was not written"; return; fi
  cp "$sent" "$want"
  printf 'II' | dd of="$want" bs=1 count=2 conv=notrunc status=none
  if [ -f "$host" ] && cmp -s "$want" "$host"; then sc_pass "$1 is the job file byte for byte ($(stat -c %s "$host") bytes)"
  elif [ -f "$host" ]; then sc_fail "$1 is the job file byte for byte" "$(cmp "$want" "$host" 2>&1 | head -n 1)"
  else sc_fail "$1 is the job file byte for byte" "missing"; fi
}

expect_job_deleted() {
  if [ -e "$(backend_host_path "$SC_LAST_JOB")" ]; then sc_fail "job file $SC_LAST_JOB deleted" "still there"
  else sc_pass "job file $SC_LAST_JOB deleted"; fi
}

expect_job_kept() {
  if [ -f "$(backend_host_path "$SC_LAST_JOB")" ]; then sc_pass "job file $SC_LAST_JOB kept"
  else sc_fail "job file $SC_LAST_JOB kept" "gone"; fi
}

expect_marker() {
  if [ -f "$(backend_host_path 'C:\TEMP\DONE_ZEL.TIF')" ]; then sc_pass "done marker in TMP"
  else sc_fail "done marker in TMP" "missing"; fi
}

expect_no_marker() {
  if [ -e "$(backend_host_path 'C:\TEMP\DONE_ZEL.TIF')" ]; then sc_fail "no done marker" "it exists"
  else sc_pass "no done marker"; fi
}

# expect_value NAME "dword N" | "sz TEXT"
expect_value() {
  local got
  got=$(backend_get "$1" 2>/dev/null) || got="<absent>"
  if [ "$got" = "$2" ]; then sc_pass "\"$1\" = $2"; else sc_fail "\"$1\" = $2" "got $got"; fi
}
expect_dword() { expect_value "$1" "dword $2"; }
expect_sz() { expect_value "$1" "sz $2"; }

app_log() { backend_host_path 'C:\qidtest\calls.txt'; }

expect_app_calls() {
  local n=0 log
  log=$(app_log)
  [ -f "$log" ] && n=$(wc -l <"$log")
  if [ "$n" -eq "$1" ]; then sc_pass "Output Application ran $1 time(s)"
  else sc_fail "Output Application ran $1 time(s)" "ran $n time(s)"; fi
}

# expect_app_call I PATH: the I-th call got exactly one argument, PATH (so a path with blanks
# arrived quoted).
expect_app_call() {  # expect_app_call N WINPATH: the result as the backend's programs name it
  local line want
  want=$(backend_program_path "$2")
  line=$(sed -n "${1}p" "$(app_log)" 2>/dev/null)
  if [ "$line" = "1: [$want]" ]; then sc_pass "Output Application call $1 got [$2]"
  else sc_fail "Output Application call $1 got [$2]" "got ${line:-nothing}"; fi
}

# expect_box CAPTION FRAGMENT: job's message box of that caption said FRAGMENT.
expect_box() {
  local log
  log=$(backend_box_log "$SC_JOBS")
  if [ -f "$log" ] && grep -Fq "[$1]" "$log" && grep -Fq -- "$2" "$log"; then
    sc_pass "box [$1] said [$2]"
  else
    sc_fail "box [$1] said [$2]" "boxes: $(tr '\n' ' ' <"$log" 2>/dev/null | head -c 200)"
  fi
}

# expect_tiff_pages WINPATH N: libtiff reads N pages.
expect_tiff_pages() {
  local host n
  host=$(backend_host_path "$1")
  if [ ! -f "$host" ]; then sc_fail "$1 has $2 TIFF page(s)" "missing"; return; fi
  if ! tiffinfo "$host" >"$SC_DIR/tiffinfo.txt" 2>&1; then
    sc_fail "$1 has $2 TIFF page(s)" "tiffinfo: $(grep -m1 -i error "$SC_DIR/tiffinfo.txt")"; return
  fi
  n=$(grep -c '^TIFF Directory at' "$SC_DIR/tiffinfo.txt")
  if [ "$n" -eq "$2" ]; then sc_pass "$1 has $2 TIFF page(s)"; else sc_fail "$1 has $2 TIFF page(s)" "tiffinfo lists $n"; fi
}

# expect_tiff_pixels WINPATH FIXTURE[,PAGE]...: the file's pages are the listed fixture pages,
# pixel for pixel (tiffcmp).
expect_tiff_pixels() {
  local host=$1 what="$1 shows the pages of ${*:2}" want=$SC_DIR/want.tif parts=() p
  host=$(backend_host_path "$1"); shift
  for p in "$@"; do parts+=("$SC_PAGES_DIR/$p"); done
  rm -f "$want"
  if ! tiffcp "${parts[@]}" "$want" 2>/dev/null; then sc_fail "$what" "cannot assemble the expected pages"; return; fi
  if [ -f "$host" ] && tiffcmp "$want" "$host" >"$SC_DIR/tiffcmp.txt" 2>&1; then sc_pass "$what"
  else sc_fail "$what" "$(head -n 1 "$SC_DIR/tiffcmp.txt" 2>/dev/null)"; fi
}

# expect_jpeg WINPATH WIDTH HEIGHT P5|P6: djpeg decodes it to that size (P5 grey, P6 colour).
expect_jpeg() {
  local host head
  host=$(backend_host_path "$1")
  if [ ! -f "$host" ]; then sc_fail "$1 decodes as a $2x$3 JPEG" "missing"; return; fi
  head=$(djpeg -pnm "$host" 2>"$SC_DIR/djpeg.err" | head -c 32 | tr '\n' ' ' | cut -d' ' -f1-3)
  if [ "$head" = "$4 $2 $3" ]; then sc_pass "$1 decodes as a $2x$3 JPEG ($4)"
  else sc_fail "$1 decodes as a $2x$3 JPEG ($4)" "djpeg: [$head] $(head -n1 "$SC_DIR/djpeg.err")"; fi
}

# expect_pdf WINPATH PAGES: qpdf --check passes and pdfinfo counts the pages.
expect_pdf() {
  local host n
  host=$(backend_host_path "$1")
  if [ ! -f "$host" ]; then sc_fail "$1 is a sound PDF of $2 page(s)" "missing"; return; fi
  if ! qpdf --check "$host" >"$SC_DIR/qpdf.txt" 2>&1; then
    sc_fail "$1 is a sound PDF of $2 page(s)" "qpdf --check: $(grep -v '^checking' "$SC_DIR/qpdf.txt" | head -n 2 | tr '\n' ' ')"; return
  fi
  n=$(pdfinfo "$host" 2>/dev/null | sed -n 's/^Pages: *//p')
  if [ "$n" = "$2" ]; then sc_pass "$1 is a sound PDF of $2 page(s)"; else sc_fail "$1 is a sound PDF of $2 page(s)" "pdfinfo says ${n:-nothing}"; fi
}

# --- running --------------------------------------------------------------------------------

# run_scenarios WORKDIR [NAME...]: runs the listed scenarios (all by default) in order.
run_scenarios() {
  local work=$1 name start
  shift
  local wanted=("$@")
  [ ${#wanted[@]} -gt 0 ] || wanted=("${SC_NAMES[@]}")
  for name in "${wanted[@]}"; do
    if [ -z "${SC_STATUS_OF[$name]+x}" ]; then
      SC_NAME=$name SC_STATUS=ready sc_fail "no such scenario"; continue
    fi
    SC_NAME=$name
    SC_STATUS=${SC_STATUS_OF[$name]}
    SC_DIR=$work/$name
    rm -rf "$SC_DIR"; mkdir -p "$SC_DIR"
    SC_SETTINGS=$SC_DIR/settings.tsv; : >"$SC_SETTINGS"
    SC_JOBS=0
    # shellcheck disable=SC2034  # read by the runners' backends
    SC_OUTPUT_MODE=1 SC_PENDING_BOX=''
    SC_PENDING_ENV=()
    echo "# $name: ${SC_TITLE_OF[$name]} [$SC_STATUS]"
    start=${EPOCHREALTIME/./}
    backend_reset
    "sc_$name"
    local took=$(( (${EPOCHREALTIME/./} - start) / 1000 ))
    printf '#   %d.%03d s\n' $((took / 1000)) $((took % 1000))
  done
}

scenarios_finish() {
  echo "$SC_PASSED passed, $SC_FAILED failed"
  [ "$SC_FAILED" -eq 0 ] && [ "$SC_PASSED" -gt 0 ]
}
