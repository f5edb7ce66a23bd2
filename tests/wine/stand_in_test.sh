#!/usr/bin/env bash
# The package's stand-in rendering driver pgdrv71.dll under Wine: asked to render, as the
# graphics engine asks when a program prints, it refuses and tells the user why, once per
# program (tests/wine/render_probe.exe asks twice; tests/ui/ui_driver.exe reads the box).
#
#   tests/wine/stand_in_test.sh BUILD_WIN_DIR
#
# Needs: wine, xvfb-run (or $DISPLAY) and the Windows build (package/pgdrv71.dll,
# tests/wine/render_probe.exe, tests/ui/ui_driver.exe). Ends with "N passed, M failed".
# shellcheck disable=SC1003  # Windows paths end in a backslash inside single quotes
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
win=${1:-}

# shellcheck source=tests/wine/lib.sh
source "$here/lib.sh"
wine_need_display "$0" "$@"

wine_suite_needs "$win" package/pgdrv71.dll tests/wine/render_probe.exe tests/ui/ui_driver.exe --tools wine

wine_suite_start "$win"
drive_c=$(wine_drive_c)
mkdir -p "$drive_c/qidtest"
cp "$QID_WIN_BUILD/package/pgdrv71.dll" "$QID_WIN_BUILD/tests/wine/render_probe.exe" \
  "$QID_WIN_BUILD/tests/ui/ui_driver.exe" "$drive_c/qidtest/"
out=$QID_SUITE_DIR/render.out
# One server for the probe and the UI driver, which start together: two programs starting the
# first server of a prefix at once can miss its folder.
wineserver -p >/dev/null 2>&1

wine 'C:\qidtest\render_probe.exe' 'C:\qidtest\pgdrv71.dll' >"$out" 2>&1 &
probe_pid=$!
ui msgbox 'Quendrel Image Driver 4.0' 'Quendrel Image Driver 4.0 cannot print this document.\n\nThis package holds only a placeholder for the printer'"'"'s rendering driver, which renders nothing. Install the rendering driver that writes the job files, then print again.' \
  absent 'Quendrel Image Driver 4.0' 1500
wait "$probe_pid"
status=$?
log=$(tr -d '\r' <"$out")
check_eq "the probe ran" 0 "$status"
[ "$status" = 0 ] || printf '  | %s\n' "$log"
check_line "the first request is refused as not supported" "$log" 'call 1: refused, error 50'
check_line "the second is refused without a second box" "$log" 'call 2: refused, error 50'

wine_suite_finish
