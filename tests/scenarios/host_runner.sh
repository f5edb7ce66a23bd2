#!/usr/bin/env bash
# Runs the end-to-end scenarios against the native Q71File: a fresh $QID_ROOT per scenario,
# settings stored with qidreg, every job printed by qiddriver (which also waits for the done
# marker), message boxes answered by the host's safe default (No).
#
#   tests/scenarios/host_runner.sh NATIVE_BUILD_DIR [SCENARIO...]
#
# NATIVE_BUILD_DIR holds Q71File, qiddriver and qidreg. Prints one line per check and ends with
# "N passed, M failed"; the exit status is non-zero when anything failed.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=$(cd "${1:?usage: host_runner.sh NATIVE_BUILD_DIR [SCENARIO...]}" && pwd) || exit 2
shift

# shellcheck source=tests/scenarios/scenario_lib.sh
source "$here/scenario_lib.sh"
# shellcheck source=tests/scenarios/scenarios.sh
source "$here/scenarios.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/qid-scenarios.XXXXXX")
[ -n "${QID_KEEP_SCENARIOS:-}" ] || trap 'rm -rf "$work"' EXIT

# C:\a\b -> <root>/drive_c/a/b, as the host file system maps product paths.
backend_program_path() { backend_host_path "$1"; }
backend_host_path() {
  local p=$1 drive
  case $p in
    [A-Za-z]:\\*|[A-Za-z]:)
      drive=$(printf '%s' "${p:0:1}" | tr '[:upper:]' '[:lower:]')
      p=${p:2}
      printf '%s/drive_%s%s\n' "$QID_ROOT" "$drive" "${p//\\//}" ;;
    *) printf '%s\n' "$p" ;;
  esac
}

backend_reset() {
  export QID_ROOT=$SC_DIR/root
  mkdir -p "$QID_ROOT/drive_c/TEMP"
  cp "$here/record_args.sh" "$SC_DIR/record_args.sh"
  chmod +x "$SC_DIR/record_args.sh"
}

backend_apply_settings() {
  local args=() type name value
  while IFS=$'\t' read -r type name value; do args+=(set "$name" "$type" "$value"); done <"$1"
  "$build/qidreg" "${args[@]}" || sc_fail "settings stored" "qidreg failed"
}

backend_get() { "$build/qidreg" get "$1"; }

backend_app_command() { printf '"%s" %s\n' "$SC_DIR/record_args.sh" "$1"; }

backend_box_log() { echo "$SC_DIR/driver$1.err"; }

backend_print() {
  local job=$1 out=$2 err=$3 status extra=() e
  shift 3
  for e in "${SC_PENDING_ENV[@]}"; do extra+=(--env "$e"); done
  # Host message boxes answer No (OK where that is the only button); a scenario that wants
  # another answer cannot run here.
  case $SC_PENDING_BOX in
    ""|*"|No"|*"|OK") ;;
    *) sc_fail "message box answered ${SC_PENDING_BOX#*|}" "the host only answers No" ;;
  esac
  QID_TRACE=$SC_DIR/trace.log "$build/qiddriver" --q71file "$build/Q71File" --job "$job" \
    --tmp 'C:\TEMP' --timeout 60 "${extra[@]}" "$@" >"$out" 2>"$err"
  status=$?
  case $status in
    0) JOB_OUTCOME=finished ;;
    2) JOB_OUTCOME=not_started ;;
    3) JOB_OUTCOME=no_marker ;;
    4) JOB_OUTCOME=timeout ;;
    # The job file was kept (checked on its own), with the marker or, after a declined
    # overwrite, without it.
    5) if [ -e "$QID_ROOT/drive_c/TEMP/DONE_ZEL.TIF" ]; then JOB_OUTCOME=finished
       else JOB_OUTCOME=no_marker; fi ;;
    *) JOB_OUTCOME=driver_error ;;
  esac
}

ready=1
for tool in Q71File qiddriver qidreg; do
  if [ ! -x "$build/$tool" ]; then
    SC_NAME=setup SC_STATUS=ready sc_fail "$build/$tool is built" "missing: the native build is incomplete"
    ready=0
  fi
done
for tool in tiffinfo tiffcp tiffcmp djpeg qpdf pdfinfo gs; do
  command -v "$tool" >/dev/null || { SC_NAME=setup SC_STATUS=ready sc_fail "$tool is installed" "missing (tools/install-deps.sh)"; ready=0; }
done
SC_PAGES_DIR=$build/scenario-pages
if [ "$ready" = 1 ] && ! bash "$repo/tests/fixtures/make_pages.sh" "$SC_PAGES_DIR"; then
  SC_NAME=setup SC_STATUS=ready sc_fail "fixture pages rendered" "make_pages.sh failed"
  ready=0
fi
if [ "$ready" = 1 ]; then
  echo "# host scenarios: Q71File from $build"
  run_scenarios "$work" "$@"
fi
scenarios_finish
