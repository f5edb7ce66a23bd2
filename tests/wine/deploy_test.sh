#!/usr/bin/env bash
# Unattended deployment under Wine: drvsetup.exe /quiet and PrnWipe.exe /quiet on one prefix.
# The unattended runs get no X display at all, so that any window they tried to open would
# fail and Wine would say so ("... $DISPLAY is set correctly"; a usage box proves that it
# does); the usage boxes are read on a virtual display by tests/ui/ui_driver.exe afterwards.
#
#   tests/wine/deploy_test.sh BUILD_WIN_DIR
#
# Runs, in this order, on the same prefix:
#   1. a package file missing: its exit code, nothing copied or registered;
#   2. an unknown switch: the usage exit code, no log, nothing registered;
#   3. the installation with /default and /log: every file, key, setting and log byte;
#   4. an unknown driver name: its exit code, the printer stays;
#   5. the removal while a driver file is held open: everything gone after the restart, the
#      output and the settings kept, the "restart needed" exit code;
#   6. "/?" and an unknown switch without /quiet: the usage boxes.
# Needs: wine, xvfb-run (or $DISPLAY), iconv and the Windows build (package/, PrnWipe.exe,
# tests/wine/remover_setup.exe, tests/ui/ui_driver.exe). Ends with "N passed, M failed".
# shellcheck disable=SC1003  # Windows paths end in a backslash inside single quotes
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
win=${1:-}

# shellcheck source=tests/wine/lib.sh
source "$here/lib.sh"
wine_need_display "$0" "$@"

wine_suite_needs "$win" package/drvsetup.exe PrnWipe.exe tests/wine/remover_setup.exe tests/ui/ui_driver.exe --tools wine iconv

wine_suite_start "$win"
# shellcheck source=tests/wine/package_checks.sh
source "$here/package_checks.sh"
drive_c=$(wine_drive_c)
work=$QID_SUITE_DIR/work
mkdir -p "$work" "$drive_c/qidtest"
cp "$QID_WIN_BUILD/PrnWipe.exe" "$QID_WIN_BUILD/tests/wine/remover_setup.exe" \
  "$QID_WIN_BUILD/tests/ui/ui_driver.exe" "$drive_c/qidtest/"

# Everything up to the usage boxes runs without a display; a server started without one
# must end before the boxes need it.
display=$DISPLAY
unset DISPLAY

# windowless EXE [ARG]...: runs the program; its exit code is kept in $rc and the result
# is true when it never tried to open a window. (The first GUI program of the server also
# reports that the desktop cannot start; that is no window of its own.)
windowless() {
  WINEDEBUG=-all,err+winediag wine "$@" >"$work/quiet.out" 2>&1
  rc=$?
  ! grep -q 'DISPLAY is set correctly' "$work/quiet.out"
}

# quiet WHAT EXIT EXE [ARG]...: the program ends with EXIT and never tried to open a window.
quiet() {
  local what=$1 want=$2
  shift 2
  check_true "$what: no window" windowless "$@"
  check_eq "$what: exit code $want" "$want" "$rc"
}

# --- 1. a package file is missing ------------------------------------------------------------
echo "# a missing package file"
rm -f "$(package pkgmiss)/pggen.ppd"
quiet "missing file" 4 'C:\pkgmiss\drvsetup.exe' /quiet /default
log_is "missing file: the log names the full path" "$drive_c/pkgmiss/Installer.log" \
  "Selected to install: $printer\\r\\nFile not found (C:\\\\pkgmiss\\\\pggen.ppd)\\r\\n"
check_nothing_registered "missing file"

# --- 2. an unknown switch changes nothing ------------------------------------------------------
echo "# an unknown switch"
package pkgbad >/dev/null
quiet "unknown switch" 1 'C:\pkgbad\drvsetup.exe' /quiet /defualt
quiet "/log without its file" 1 'C:\pkgbad\drvsetup.exe' /quiet /log
# Without /quiet the refusal is told in a box, which the missing display turns away.
check_false "unknown switch without /quiet: a window is tried" windowless 'C:\pkgbad\drvsetup.exe' /defualt
check_eq "unknown switch without /quiet: exit code 1" 1 "$rc"
check_false "unknown switch: no log is written" test -e "$drive_c/pkgbad/Installer.log"
check_nothing_registered "unknown switch"

# --- 3. the installation ---------------------------------------------------------------------
echo "# the installation"
pkg=$(package pkg)
mkdir -p "$drive_c/logs"
device_before=$(device)
quiet "install" 0 'C:\pkg\drvsetup.exe' /QUIET /default /log 'C:\logs\setup one.log'
check_installed "install" "$pkg"
log_is "install: the log named by /log, exactly" "$drive_c/logs/setup one.log" "$(installed_log 1)"
check_false "install: no Installer.log beside it" test -e "$pkg/Installer.log"
check_eq "install: /default made it the default printer" "$printer,wineps.drv,QID_00:" "$(device)"
check_false "install: it was not the default before" test "$device_before" = "$(device)"

# --- 4. an unknown driver name -----------------------------------------------------------------
echo "# an unknown driver"
quiet "unknown driver" 2 'C:\qidtest\PrnWipe.exe' /quiet /driver 'Quendrel Image Driver 9'
check_true "unknown driver: the printer stays" wine_reg_key_exists "$key_printer"
check_true "unknown driver: the driver stays" wine_reg_key_exists "$key_driver"

# --- 5. the removal, one file held open --------------------------------------------------------
echo "# the removal"
mkdir -p "$drive_c/ZEL"
echo "a page" >"$drive_c/ZEL/0001.tif"
wine_reg_add 'HKEY_USERS\S-1-5-21-0-0-0-1000\Printers\Settings' "$printer" REG_BINARY 00
wine 'C:\qidtest\remover_setup.exe' open \
  'C:\windows\system32\spool\drivers\w32x86\3\pggen.ppd' 300000 >"$work/open.log" 2>&1 &
open_pid=$!
sleep 2
# The name as a user might type it: the list matches it ignoring letter case.
quiet "removal" 3 'C:\qidtest\PrnWipe.exe' /quiet /driver 'quendrel image driver 4.0' /norestart
check_false "removal: the printer's per-user settings are gone" \
  wine_reg_query 'HKEY_USERS\S-1-5-21-0-0-0-1000\Printers\Settings' "$printer"
check_true "removal: the held file waits for the restart" test -e "$drivers/3/pggen.ppd"
kill "$open_pid" 2>/dev/null
wait "$open_pid" 2>/dev/null
wine wineboot -r >/dev/null 2>&1
check_removed "removal"
quiet "removal again" 2 'C:\qidtest\PrnWipe.exe' /quiet /driver "$printer"

# --- 6. the usage boxes ----------------------------------------------------------------------
echo "# the usage boxes"
wine_server_end
export DISPLAY=$display
# One server for each program and the UI driver, which start together.
wineserver -p >/dev/null 2>&1
package pkgusage >/dev/null
# box PROGRAM-PATH CAPTION EXIT TEXT ARG...: the program shows its usage box holding TEXT and
# ends with EXIT once it is closed.
box() {
  local exe=$1 caption=$2 want=$3 text=$4 pid rc
  shift 4
  wine "$exe" "$@" >"$work/usage.out" 2>&1 &
  pid=$!
  ui msgboxhas "$caption" "$text"
  # A program that showed something else instead would wait for ever.
  local tries=0
  while kill -0 "$pid" 2>/dev/null && [ $tries -lt 100 ]; do sleep 0.1; tries=$((tries + 1)); done
  kill "$pid" 2>/dev/null
  wait "$pid"
  rc=$?
  check_eq "$(basename "${exe//\\//}") $*: exit code $want" "$want" "$rc"
}
box 'C:\pkgusage\drvsetup.exe' 'Rezezar Iradav Azedozuzi' 0 \
  'drvsetup /quiet [/default] [/log FILE]' '/?'
box 'C:\qidtest\PrnWipe.exe' 'Zodure Dorodav Uzuveze 1.60' 0 \
  'Exit codes: 0 removed, 1 usage error, 2 no such driver, 3 removed and a restart is needed' '/?'
box 'C:\qidtest\PrnWipe.exe' 'Zodure Dorodav Uzuveze 1.60' 1 'Unknown switch: /force' /force
box 'C:\pkgusage\drvsetup.exe' 'Rezezar Iradav Azedozuzi' 1 '/default and /log need /quiet' /default
check_false "usage boxes: no log is written" test -e "$drive_c/pkgusage/Installer.log"

wine_suite_finish
