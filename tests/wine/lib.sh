# shellcheck shell=bash
# Shared harness of the Wine suites, sourced by each tests/wine/*_test.sh:
#   - a throwaway 32-bit WINEPREFIX per suite, copied from a ready prefix that is made once
#     with `wineboot -i` and cached under build/ (copying takes about 2 s, a new one about 15 s);
#   - helpers to run Windows programs and to add, query and delete registry values;
#   - check counters and the closing "N passed, M failed" line.
# Works as root and without a display: nothing here opens a window.
#
#   source "$(dirname "$0")/lib.sh"
#   wine_suite_start "$BUILD_WIN_DIR"     # a fresh prefix in $WINEPREFIX
#   check_eq "what is checked" "$expected" "$actual"
#   wine_suite_finish                     # waits for wineserver, prints the summary, exits

set -u

QID_REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
QID_WINE_TEMPLATE=${QID_WINE_TEMPLATE:-$QID_REPO/build/wine-prefix}

export WINEARCH=win32
export WINEDEBUG=${QID_WINEDEBUG:--all}
# No Mono or Gecko: their installers would ask on the first start of a prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="

# Windows need an X display: a suite that shows windows starts itself again under xvfb-run
# when it has none.
#   wine_need_display "$0" "$@"     # first thing in the suite
wine_need_display() {
  if [ -z "${DISPLAY:-}" ] && [ -z "${QID_ON_XVFB:-}" ] && command -v xvfb-run >/dev/null; then
    QID_ON_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$@"
  fi
}

QID_PASSED=0
QID_FAILED=0
QID_SUITE_DIR=

# Debian's wine keeps the name of its server folder under /tmp in "<prefix>/wineserver". A
# copied prefix must not share that folder, and the folder is removed with the prefix.
_wine_forget_server_dir() {
  local prefix=$1 name
  [ -f "$prefix/wineserver" ] || return 0
  name=$(cat "$prefix/wineserver" 2>/dev/null || true)
  case "$name" in
    wine-*) rm -rf "${TMPDIR:-/tmp}/$name" ;;
  esac
  rm -f "$prefix/wineserver"
}

# Makes the cached prefix when it is missing or was made by another wine version. Suites
# running at the same time wait for one another here.
wine_template_ready() {
  local stamp version
  version=$(wine --version 2>/dev/null) || { echo "wine is not installed" >&2; return 1; }
  stamp="$QID_WINE_TEMPLATE/.qid-ready"
  mkdir -p "$(dirname "$QID_WINE_TEMPLATE")"
  (
    flock 9
    if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version" ]; then exit 0; fi
    local fresh="$QID_WINE_TEMPLATE.new.$$"
    rm -rf "$fresh"
    echo "wine: making a 32-bit prefix in $QID_WINE_TEMPLATE (once)" >&2
    if ! env -u DISPLAY WINEPREFIX="$fresh" wineboot -i >/dev/null 2>&1 ||
       ! WINEPREFIX="$fresh" wineserver -w; then
      echo "wine: wineboot failed" >&2
      rm -rf "$fresh"
      exit 1
    fi
    _wine_forget_server_dir "$fresh"
    echo "$version" > "$fresh/.qid-ready"
    rm -rf "$QID_WINE_TEMPLATE"
    mv "$fresh" "$QID_WINE_TEMPLATE"
  ) 9>"$QID_WINE_TEMPLATE.lock"
}

# wine_suite_start BUILD_WIN_DIR: a fresh prefix for this suite in $WINEPREFIX; removed on exit.
wine_suite_start() {
  if [ -z "${1:-}" ] || [ ! -d "$1" ]; then
    fail "the Windows build folder is given" "usage: $0 BUILD_WIN_DIR"
    wine_suite_finish
  fi
  QID_WIN_BUILD=$(cd "$1" && pwd)
  export QID_WIN_BUILD
  if ! wine_template_ready; then
    fail "a ready 32-bit Wine prefix"
    wine_suite_finish
  fi
  QID_SUITE_DIR=$(mktemp -d "${TMPDIR:-/tmp}/qid-wine.XXXXXX")
  trap _wine_suite_cleanup EXIT
  export WINEPREFIX="$QID_SUITE_DIR/prefix"
  cp -a "$QID_WINE_TEMPLATE" "$WINEPREFIX"
  rm -f "$WINEPREFIX/.qid-ready"
  # Wine draws caption buttons with its own Marlett font, which a prefix finds only in its
  # Fonts folder; without it a close box shows an "r".
  if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  fi
}

_wine_suite_cleanup() {
  [ -n "$QID_SUITE_DIR" ] || return 0
  if [ -d "$WINEPREFIX" ]; then
    wine_server_end
    _wine_forget_server_dir "$WINEPREFIX"
  fi
  [ -n "${QID_KEEP_PREFIX:-}" ] && { echo "prefix kept in $WINEPREFIX" >&2; return 0; }
  rm -rf "$QID_SUITE_DIR"
}

# The host folder behind the prefix's drive C:.
wine_drive_c() { echo "$WINEPREFIX/drive_c"; }

# Runs wine with its output in a file, then prints it without the CR of each line. A wine
# call may start the wineserver, which keeps the caller's output open until it exits a few
# seconds later: through a pipe, every $(...) around wine would wait that long.
_wine_capture() {
  local file="${QID_SUITE_DIR:-${TMPDIR:-/tmp}}/wine-output.$BASHPID" rc
  wine "$@" >"$file" 2>&1
  rc=$?
  tr -d '\r' <"$file"
  rm -f "$file"
  return $rc
}

# wine_run EXE [ARG]...: runs a Windows program; prints its output (stdout and stderr) without
# CRs and returns its exit code.
wine_run() { _wine_capture "$@"; }

# ui STEP...: one run of the UI driver (C:\qidtest\ui_driver.exe, put there by the suite); its
# "ok" and "FAIL" lines count as this suite's checks, other lines are shown. The driver ends
# with 0 when every check passed and 1 after its FAIL lines; any other end (an unknown step,
# missing arguments, a crash, no driver at all) lost the rest of the run and fails the suite.
ui() {
  local out line status failed=0
  # Through a file: services the call may start would hold a pipe open.
  out=$(_wine_capture 'C:\qidtest\ui_driver.exe' "$@")
  status=$?
  while IFS= read -r line; do
    case $line in
      "ok   - "*) pass "${line#ok   - }" ;;
      "FAIL - "*) fail "${line#FAIL - }"; failed=1 ;;
      "") ;;
      *) echo "  | $line" ;;
    esac
  done <<<"$out"
  if [ "$status" -gt 1 ] || { [ "$status" -eq 1 ] && [ "$failed" -eq 0 ]; }; then
    fail "the UI driver ran all its steps ($*)" "it ended with status $status"
  fi
}

# screenshot NAME: the screen cut to the windows on it, as NAME.png in $QID_ARTIFACTS (default
# build/artifacts).
screenshot() {
  local dir=${QID_ARTIFACTS:-$QID_REPO/build/artifacts} log=$QID_SUITE_DIR/import.log png
  mkdir -p "$dir"
  png=$dir/$1.png
  if import -window root "$png" 2>"$log"; then
    convert "$png" -trim +repage "$png" 2>>"$log" || true
    pass "screenshot $1.png"
  else
    fail "screenshot $1.png" "$(head -n 2 "$log")"
  fi
}

# wine_reg_add KEY NAME TYPE DATA: `reg add` of one value, replacing an existing one.
wine_reg_add() {
  _wine_capture reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null
}

# wine_reg_delete_key KEY: removes the key with everything under it; no error when absent.
wine_reg_delete_key() {
  _wine_capture reg delete "$1" /f >/dev/null || true
}

# wine_reg_query KEY NAME: prints "TYPE DATA" of one value; fails when it is absent.
wine_reg_query() {
  local out
  out=$(_wine_capture reg query "$1" /v "$2") || return 1
  printf '%s\n' "$out" | awk -v name="$2" '
    { line = $0; sub(/^    /, "", line)
      if (index(line, name "    ") == 1) {
        rest = substr(line, length(name) + 5)
        type = rest; sub(/    .*$/, "", type)
        data = ""; if (index(rest, "    ")) { data = rest; sub(/^[^ ]*    /, "", data) }
        print type " " data; found = 1; exit } }
    END { exit found ? 0 : 1 }'
}

# wine_reg_value_names KEY: the names of the key's values, one a line, sorted; fails when the
# key is absent.
wine_reg_value_names() {
  local out
  out=$(_wine_capture reg query "$1") || return 1
  printf '%s\n' "$out" |
    awk '/^    [^ ]/ { line = $0; sub(/^    /, "", line); sub(/    REG_.*$/, "", line); print line }' |
    LC_ALL=C sort
}

# wine_reg_key_exists KEY
wine_reg_key_exists() { _wine_capture reg query "$1" >/dev/null; }

# Waits for the server to end, which writes the registry files; a server made persistent
# (or one that will not end) is stopped after 30 s, which saves them as well.
wine_server_end() {
  [ -n "${WINEPREFIX:-}" ] || return 0
  timeout 30 wineserver -w >/dev/null 2>&1 && return 0
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1 || true
}

# Ends the server so that user.reg and system.reg on disk are complete.
wine_flush_registry() { wine_server_end; }

# --- checks ----------------------------------------------------------------------------------

pass() { QID_PASSED=$((QID_PASSED + 1)); echo "ok   - $1"; }
fail() { QID_FAILED=$((QID_FAILED + 1)); echo "FAIL - $1${2:+: $2}"; }

# check_eq WHAT EXPECTED ACTUAL
check_eq() {
  if [ "$2" = "$3" ]; then pass "$1"; else fail "$1" "expected [$2], got [$3]"; fi
}

# check_line WHAT TEXT LINE: the text holds that line, whole.
check_line() {
  if printf '%s\n' "$2" | grep -Fxq -- "$3"; then pass "$1"; else fail "$1" "no line [$3]"; fi
}

# check_no_line WHAT TEXT LINE: the text does not hold that line.
check_no_line() {
  if printf '%s\n' "$2" | grep -Fxq -- "$3"; then fail "$1" "unexpected line [$3]"; else pass "$1"; fi
}

# check_true WHAT COMMAND...
check_true() {
  local what=$1; shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}

# check_false WHAT COMMAND...
check_false() {
  local what=$1; shift
  if "$@"; then fail "$what"; else pass "$what"; fi
}

# Prints the summary line and exits non-zero on any failure (or when nothing was checked).
wine_suite_finish() {
  wine_server_end
  echo "$QID_PASSED passed, $QID_FAILED failed"
  [ "$QID_FAILED" -eq 0 ] && [ "$QID_PASSED" -gt 0 ]
  exit $?
}

# wine_suite_needs BUILD_WIN_DIR FILE... [--tools TOOL...]: the build folder holds every FILE,
# every TOOL is installed and an X display is there; otherwise each missing one fails and the
# suite ends with its summary.
wine_suite_needs() {
  local win=${1:-} ready=1 item tools=0
  shift
  if [ -z "$win" ] || [ ! -d "$win" ]; then
    fail "the Windows build folder is given" "usage: $0 BUILD_WIN_DIR"
    ready=0
  fi
  for item in "$@"; do
    if [ "$item" = --tools ]; then tools=1; continue; fi
    if [ "$tools" = 1 ]; then
      command -v "$item" >/dev/null || { fail "$item is installed" "missing (tools/install-deps.sh)"; ready=0; }
    elif [ -n "$win" ] && [ ! -f "$win/$item" ]; then
      fail "$item is built" "missing in $win: run ./run build"
      ready=0
    fi
  done
  [ -n "${DISPLAY:-}" ] || { fail "an X display" "no DISPLAY and no xvfb-run"; ready=0; }
  if [ "$ready" != 1 ]; then echo "$QID_PASSED passed, $QID_FAILED failed"; exit 1; fi
}
