#!/usr/bin/env bash
# Runs the end-to-end scenarios against the real Q71File.exe under Wine: one 32-bit prefix for
# the suite (tests/wine/lib.sh), cleaned between scenarios; settings stored with `wine reg
# import` and read back with `wine reg query`; each job file written into the prefix by the
# native qiddriver, then Q71File.exe started by launcher.exe, which sets the job's variables
# (TMP included) on the Windows side and passes the job path as the whole command line. A
# message box is answered by answer_box.exe clicking its button, under a virtual X display.
#
#   tests/scenarios/wine_runner.sh BUILD_WIN_DIR [SCENARIO...]
#
# Needs: wine, BUILD_WIN_DIR with Q71File.exe, tests/wine/launcher.exe and
# tests/scenarios/{record_args,answer_box}.exe, the native qiddriver ($QID_NATIVE_BUILD, else
# build/native), xvfb-run when there is no $DISPLAY. Anything missing fails the suite.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
win=${1:-}
[ $# -gt 0 ] && shift

# Message boxes need a display; everything else runs the same under one.
if [ -z "${DISPLAY:-}" ] && [ -z "${QID_SCENARIOS_XVFB:-}" ] && command -v xvfb-run >/dev/null; then
  QID_SCENARIOS_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$win" "$@"
fi

# shellcheck source=tests/wine/lib.sh
source "$repo/tests/wine/lib.sh"
# shellcheck source=tests/scenarios/scenario_lib.sh
source "$here/scenario_lib.sh"
# shellcheck source=tests/scenarios/scenarios.sh
source "$here/scenarios.sh"

native=${QID_NATIVE_BUILD:-$repo/build/native}
settings_key='HKCU\Software\ZEL\4.01\Settings'

setup_fail() { SC_NAME=setup SC_STATUS=ready sc_fail "$@"; }

ready=1
if [ -z "$win" ] || [ ! -d "$win" ]; then
  setup_fail "the Windows build folder is given" "usage: wine_runner.sh BUILD_WIN_DIR (got [${win}])"
  ready=0
  win=/nonexistent
fi
command -v wine >/dev/null || { setup_fail "wine is installed" "missing (tools/install-deps.sh)"; ready=0; }
for f in Q71File.exe tests/wine/launcher.exe tests/scenarios/record_args.exe tests/scenarios/answer_box.exe; do
  [ -f "$win/$f" ] || { setup_fail "$win/$f is built" "missing: run ./run build"; ready=0; }
done
[ -x "$native/qiddriver" ] || { setup_fail "$native/qiddriver is built" "missing: the native build is incomplete"; ready=0; }
[ -n "${DISPLAY:-}" ] || { setup_fail "an X display for message boxes" "no DISPLAY and no xvfb-run"; ready=0; }
for tool in tiffinfo tiffcp tiffcmp djpeg qpdf pdfinfo gs; do
  command -v "$tool" >/dev/null || { setup_fail "$tool is installed" "missing (tools/install-deps.sh)"; ready=0; }
done
if [ "$ready" != 1 ]; then scenarios_finish; exit 1; fi

SC_PAGES_DIR=$repo/build/wine-scenario-pages
if ! bash "$repo/tests/fixtures/make_pages.sh" "$SC_PAGES_DIR"; then
  setup_fail "fixture pages rendered" "make_pages.sh failed"; scenarios_finish; exit 1
fi

wine_suite_start "$win"
drive_c=$(wine_drive_c)
work=$QID_SUITE_DIR/scenarios
mkdir -p "$work" "$drive_c/qid" "$drive_c/qidtest"
cp "$QID_WIN_BUILD/Q71File.exe" "$drive_c/qid/"
cp "$QID_WIN_BUILD/tests/wine/launcher.exe" "$QID_WIN_BUILD/tests/scenarios/record_args.exe" \
   "$QID_WIN_BUILD/tests/scenarios/answer_box.exe" "$drive_c/qidtest/"
# One server for the whole suite: starting it for every wine call would double the time.
wineserver -p >/dev/null 2>&1 || true

backend_program_path() { printf '%s\n' "$1"; }
backend_host_path() {
  local p=$1
  case $p in
    [Cc]:\\*) p=${p:2}; printf '%s%s\n' "$drive_c" "${p//\\//}" ;;
    *) printf '%s\n' "$p" ;;
  esac
}

reg_cache=
backend_reset() {
  wine_reg_delete_key 'HKCU\Software\ZEL'
  rm -rf "$drive_c/ZEL" "$drive_c/ZEL out" "$drive_c/TEMP" "$drive_c/spool" "$drive_c/out" \
         "$drive_c/qidtest/calls.txt"
  mkdir -p "$drive_c/TEMP"
  reg_cache=
}

reg_escape() { local s=${1//\\/\\\\}; printf '%s' "${s//\"/\\\"}"; }

backend_apply_settings() {
  local file=$drive_c/qidtest/settings.reg type name value
  {
    printf 'REGEDIT4\r\n\r\n[%s]\r\n' 'HKEY_CURRENT_USER\Software\ZEL\4.01\Settings'
    while IFS=$'\t' read -r type name value; do
      if [ "$type" = dword ]; then printf '"%s"=dword:%08x\r\n' "$(reg_escape "$name")" "$value"
      else printf '"%s"="%s"\r\n' "$(reg_escape "$name")" "$(reg_escape "$value")"; fi
    done <"$1"
  } >"$file"
  wine reg import 'C:\qidtest\settings.reg' >/dev/null 2>&1 || sc_fail "settings stored" "wine reg import failed"
  reg_cache=
}

# The key's values as "NAME<TAB>TYPE<TAB>DATA" lines, read once after each change.
backend_get() {
  if [ -z "$reg_cache" ]; then
    reg_cache=$SC_DIR/registry.tsv
    wine reg query "$settings_key" 2>/dev/null | tr -d '\r' |
      awk '/^    [^ ]/ { line = substr($0, 5); n = index(line, "    REG_")
                         if (n == 0) next
                         name = substr(line, 1, n - 1); rest = substr(line, n + 4)
                         m = index(rest, "    ")
                         type = m ? substr(rest, 1, m - 1) : rest
                         data = m ? substr(rest, m + 4) : ""
                         print name "\t" type "\t" data }' >"$reg_cache"
  fi
  local type data
  IFS=$'\t' read -r type data < <(awk -F'\t' -v n="$1" '$1 == n { print $2 "\t" $3; exit }' "$reg_cache")
  case ${type:-} in
    REG_DWORD) printf 'dword %d\n' "$data" ;;
    REG_SZ) printf 'sz %s\n' "$data" ;;
    "") return 1 ;;
    *) printf '%s %s\n' "$type" "$data" ;;
  esac
}

backend_app_command() { printf 'C:\\qidtest\\record_args.exe %s\n' "$1"; }

backend_box_log() { echo "$SC_DIR/box$1.log"; }

backend_print() {
  local job=$1 out=$2 err=$3 doc='' pages status box_pid='' a prev='' env_args=() e
  shift 3
  for a in "$@"; do
    [ "$prev" = --doc-name ] && doc=$a
    [ -z "$doc" ] && [ -f "$a" ] && [ "$prev" != --copy-job-to ] && doc=$(basename "$a")
    prev=$a
  done
  reg_cache=
  # The job file, laid out for the Output Mode the scenario stored.
  if ! QID_ROOT=$WINEPREFIX "$native/qiddriver" --write-only --output-mode "$SC_OUTPUT_MODE" \
       --job "$job" "$@" >"$out" 2>"$err"; then
    JOB_OUTCOME=driver_error; return
  fi
  pages=$(sed -n 's/.*: \([0-9]*\) page(s).*/\1/p' "$out")
  env_args=(--env "VEDIZE_DOCNAME=$doc" --env "VEDIZE_PAGES=$pages" --env 'TMP=C:\TEMP')
  for e in "${SC_PENDING_ENV[@]}"; do env_args+=(--env "$e"); done
  if [ -n "$SC_PENDING_BOX" ]; then
    wine 'C:\qidtest\answer_box.exe' --caption "${SC_PENDING_BOX%|*}" \
      --button "${SC_PENDING_BOX#*|}" --timeout 60 >"$(backend_box_log "$SC_JOBS")" 2>&1 &
    box_pid=$!
  fi
  wine 'C:\qidtest\launcher.exe' "${env_args[@]}" --timeout 60 --cmd 'C:\qid\Q71File.exe' "$job" \
    >>"$out" 2>>"$err"
  status=$?
  if [ -n "$box_pid" ]; then
    # The box is answered before Q71File can end; a helper still waiting found none.
    sleep 1
    kill "$box_pid" 2>/dev/null && echo "no box appeared" >>"$(backend_box_log "$SC_JOBS")"
    wait "$box_pid" 2>/dev/null
  fi
  local log
  log=$(backend_box_log "$SC_JOBS")
  if [ -f "$log" ]; then tr -d '\r' <"$log" >"$log.tmp" && mv "$log.tmp" "$log"; fi
  case $status in
    121) JOB_OUTCOME=not_started ;;
    122) JOB_OUTCOME=timeout ;;
    *) if [ -f "$drive_c/TEMP/DONE_ZEL.TIF" ]; then JOB_OUTCOME=finished; else JOB_OUTCOME=no_marker; fi ;;
  esac
}

echo "# Wine scenarios: Q71File.exe from $QID_WIN_BUILD, prefix $WINEPREFIX"
run_scenarios "$work" "$@"
wineserver -k >/dev/null 2>&1 || true
scenarios_finish
