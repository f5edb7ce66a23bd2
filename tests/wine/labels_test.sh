#!/usr/bin/env bash
# Every label of the three programs' dialogs shows its whole text at Wine's default fonts.
# tests/ui/ui_driver.exe builds each dialog template hidden in its own process and measures
# every static text, button, check box and group box caption in the control's font against
# the room the control leaves it. Q71File's and drvsetup's templates carry their texts;
# PrnWipe sets its texts at run time, so its three dialogs are measured with the texts of the
# running program.
#
#   tests/wine/labels_test.sh BUILD_WIN_DIR
#
# Needs: wine, xvfb-run (or $DISPLAY) and the Windows build (Q71File.exe, package/drvsetup.exe,
# PrnWipe.exe, tests/wine/remover_setup.exe, tests/ui/ui_driver.exe). Ends with "N passed, M
# failed".
# shellcheck disable=SC1003  # Windows paths end in a backslash inside single quotes
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
win=${1:-}

# shellcheck source=tests/wine/lib.sh
source "$here/lib.sh"
wine_need_display "$0" "$@"

wine_suite_needs "$win" Q71File.exe package/drvsetup.exe PrnWipe.exe tests/wine/remover_setup.exe \
  tests/ui/ui_driver.exe --tools wine

wine_suite_start "$win"
drive_c=$(wine_drive_c)
mkdir -p "$drive_c/qidtest"
cp "$QID_WIN_BUILD/Q71File.exe" "$QID_WIN_BUILD/package/drvsetup.exe" "$QID_WIN_BUILD/PrnWipe.exe" \
  "$QID_WIN_BUILD/tests/wine/remover_setup.exe" "$QID_WIN_BUILD/tests/ui/ui_driver.exe" \
  "$drive_c/qidtest/"

echo "# the templates of Q71File and drvsetup"
ui fits 'C:\qidtest\Q71File.exe' 0 fits 'C:\qidtest\drvsetup.exe' 0

echo "# PrnWipe's dialogs as the program fills them"
# A driver to remove, so that the confirmation dialog has something to list.
drivers=$drive_c/windows/system32/spool/drivers/w32x86
mkdir -p "$drivers"
for f in label.dll label.ppd labelui.dll; do echo x >"$drivers/$f"; done
wine_run 'C:\qidtest\remover_setup.exe' driver 'Label Printer' label.dll label.ppd labelui.dll - \
  >/dev/null || fail "a driver for the confirmation dialog is registered"
wipe='Zodure Dorodav Uzuveze 1.60'
wine 'C:\qidtest\PrnWipe.exe' >/dev/null 2>&1 &
wipe_pid=$!
ui window "$wipe" fits 'C:\qidtest\PrnWipe.exe' 101 click 1003 \
  window 'About Zizide Zerever Uravida 1.60' fits 'C:\qidtest\PrnWipe.exe' 102 click 1008 \
  gone 'About Zizide Zerever Uravida 1.60' \
  window "$wipe" pick 1000 'Label Printer' click 1012 \
  window 'Delete Printer Driver' fits 'C:\qidtest\PrnWipe.exe' 103 click 1016 \
  gone 'Delete Printer Driver' window "$wipe" click 1013 gone "$wipe"
wait "$wipe_pid"

wine_suite_finish
