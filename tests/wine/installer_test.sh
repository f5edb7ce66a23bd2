#!/usr/bin/env bash
# The installer drvsetup.exe under Wine, run from copies of the package folder
# (BUILD_WIN_DIR/package) in one prefix, on a virtual X display. tests/ui/ui_driver.exe clicks
# through the window; the files, spooler keys, settings and Installer.log are checked
# afterwards, a print job through the installed Q71File.exe proves the package works, and
# PrnWipe.exe takes it off again.
#
#   tests/wine/installer_test.sh BUILD_WIN_DIR
#
# Runs, in this order, on the same prefix:
#   1. Windows 98 (Wine's per-program Version) is refused;
#   2. a package file missing: nothing copied, the window stays; the mail link turns visited,
#      a web link without a browser names the reason; Escape then closes the window;
#   3. a large file copying (close requests ignored, pictures of the bars), a copy that fails,
#      Install again, No to the default question;
#   4. the real package over it (the port exists already), Yes: every file, key, setting and
#      log byte, the list's and the Close button's pixels; the window closes by itself;
#   5. a log that cannot be written (as Windows XP): the installation runs anyway;
#   6. an empty Q71File.exe in the package is refused and the installed one stays;
#   then a job printed through the installed Q71File.exe, and its Help button.
# Needs: wine, xvfb-run (or $DISPLAY), ImageMagick, tiffinfo, the Windows build (package/,
# tests/ui/ui_driver.exe, tests/wine/launcher.exe) and the native qiddriver
# ($QID_NATIVE_BUILD, else build/native). Ends with "N passed, M failed".
# shellcheck disable=SC1003  # Windows paths end in a backslash inside single quotes
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
win=${1:-}

# shellcheck source=tests/wine/lib.sh
source "$here/lib.sh"
wine_need_display "$0" "$@"

native=${QID_NATIVE_BUILD:-$repo/build/native}
artifacts=${QID_ARTIFACTS:-$repo/build/artifacts}
caption='Rezezar Iradav Azedozuzi'
printer='Quendrel Image Driver 4.0'
files=(pgdrv71.dll pgui71.dll pggen.ppd Q71File.exe notes.txt qid_E.chm)

ready=1
need() { fail "$1" "$2"; ready=0; }
if [ -z "$win" ] || [ ! -d "$win" ]; then
  need "the Windows build folder is given" "usage: $0 BUILD_WIN_DIR"
fi
for f in package/drvsetup.exe "${files[@]/#/package/}" tests/wine/launcher.exe tests/ui/ui_driver.exe; do
  [ -f "$win/$f" ] || need "$f is built" "missing in $win: run ./run build"
done
[ -x "$native/qiddriver" ] || need "qiddriver is built" "missing in $native"
for tool in wine convert tiffinfo iconv; do
  command -v $tool >/dev/null || need "$tool is installed" "missing (tools/install-deps.sh)"
done
[ -n "${DISPLAY:-}" ] || need "an X display" "no DISPLAY and no xvfb-run"
if [ "$ready" != 1 ]; then echo "$QID_PASSED passed, $QID_FAILED failed"; exit 1; fi

wine_suite_start "$win"
# shellcheck source=tests/wine/package_checks.sh
source "$here/package_checks.sh"
drive_c=$(wine_drive_c)
work=$QID_SUITE_DIR/work
mkdir -p "$work" "$drive_c/qidtest" "$artifacts"
cp "$QID_WIN_BUILD/tests/wine/launcher.exe" "$QID_WIN_BUILD/tests/ui/ui_driver.exe" "$drive_c/qidtest/"
# A Wine desktop window draws the frames and caption bars (the bare X server has no window
# manager); one server for the whole suite.
wine_reg_add 'HKCU\Software\Wine\Explorer' Desktop REG_SZ Default
wine_reg_add 'HKCU\Software\Wine\Explorer\Desktops' Default REG_SZ 800x600
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
wineserver -p >/dev/null 2>&1 || true

# start_setup NAME: runs C:\NAME\drvsetup.exe in the background.
setup_pid=
start_setup() {
  wine "C:\\$1\\drvsetup.exe" >"$work/drvsetup-$1.log" 2>&1 &
  setup_pid=$!
}

# end_setup WHAT: the installer has ended (within 20 s).
end_setup() {
  local tries=0
  while kill -0 "$setup_pid" 2>/dev/null && [ $tries -lt 200 ]; do sleep 0.1; tries=$((tries + 1)); done
  if kill -0 "$setup_pid" 2>/dev/null; then
    fail "$1: drvsetup ended"
    kill "$setup_pid" 2>/dev/null
  else
    pass "$1: drvsetup ended"
  fi
  wait "$setup_pid" 2>/dev/null
}


# pixel FILE X Y: the colour there as "r,g,b".
pixel() { convert "$1" -format '%[fx:int(255*p{'"$2,$3"'}.r)],%[fx:int(255*p{'"$2,$3"'}.g)],%[fx:int(255*p{'"$2,$3"'}.b)]' info: 2>/dev/null; }

# colours FILE: the picture's colours, one "(r,g,b)" a line (txt: names exact colours, so
# only its numeric field is taken).
colours() {
  convert "$1" -unique-colors -depth 8 txt:- 2>/dev/null | sed -n 's/^[0-9]*,[0-9]*: *\(([0-9,]*)\).*/\1/p'
}


# --- 1. Windows 98 is refused ---------------------------------------------------------------
echo "# Windows 98"
package pkg98 >/dev/null
wine_reg_add 'HKCU\Software\Wine\AppDefaults\drvsetup.exe' Version REG_SZ win98
start_setup pkg98
ui msgbox "$caption" 'This driver requires Windows NT/2000/XP'
end_setup "Windows 98"
log_is "Windows 98: the log names the system found" "$drive_c/pkg98/Installer.log" \
  'Unsupported OS (Found 5)\r\n'
wine_reg_delete_key 'HKCU\Software\Wine\AppDefaults\drvsetup.exe'

# --- 2. a package file is missing -----------------------------------------------------------
echo "# a missing package file"
rm -f "$(package pkgmiss)/pggen.ppd"
# No program for web pages: the reseller link can then not be opened.
wine_reg_delete_key 'HKCR\http'
wine_reg_delete_key 'HKCR\.htm'
start_setup pkgmiss
ui window "$caption" enabled 1000 0 visible 1010 1 text 1007 'Select printer to install' \
  select 1010 0 enabled 1000 1 click 1000 \
  msgbox "$caption" 'File not found\n\nC:\pkgmiss\pggen.ppd' \
  visible 1010 1 visible 1004 0 enabled 1000 1 enabled 1 1 listsel 1010 0 \
  grab 1012 'C:\qidtest\link.ppm' press 1012 sleep 1500 grab 1012 'C:\qidtest\visited.ppm' \
  press 1013 msgbox "$caption" 'Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename extension.' \
  grab 1013 'C:\qidtest\unvisited.ppm' \
  post 0x0100 0x1B 0 gone "$caption"
end_setup "missing file"
# The mail link opens through the shell and then shows the visited colour.
check_line "mail link: link colour before the click" "$(colours "$drive_c/qidtest/link.ppm")" '(0,0,238)'
check_line "mail link: visited colour after it" "$(colours "$drive_c/qidtest/visited.ppm")" '(85,26,139)'
check_no_line "web link that failed: not visited" "$(colours "$drive_c/qidtest/unvisited.ppm")" '(85,26,139)'
check_line "web link that failed: link colour" "$(colours "$drive_c/qidtest/unvisited.ppm")" '(0,0,238)'
check_false "missing file: nothing was copied" test -e "$drivers/pgdrv71.dll"
log_is "missing file: the log names the full path" "$drive_c/pkgmiss/Installer.log" \
  "Selected to install: $printer\\r\\nFile not found (C:\\\\pkgmiss\\\\pggen.ppd)\\r\\n"

# --- 3. a large copy, a failed copy, Install again, No --------------------------------------
echo "# a large copy that fails, then Install again"
big=$(package pkgbig)
head -c 60000000 /dev/urandom >"$big/pggen.ppd"
mkdir -p "$drivers/qid_E.chm"   # a folder in the way: the last file cannot be created
device_before=$(device)
start_setup pkgbig
# The large file takes several seconds (a pause after each 10 KB block); the checks below,
# the close attempts included, run within about two, before the copy can end.
ui window "$caption" select 1010 0 click 1000 sleep 1500 \
  visible 1004 1 visible 1005 1 visible 1010 0 enabled 1000 0 enabled 1 0 \
  shot 'C:\qidtest\progress.ppm' grab 1004 'C:\qidtest\overall.ppm' \
  post 0x0100 0x1B 0 post 0x0112 0xF060 0 post 0x0010 0 0 click 1 sleep 300 \
  text 1007 'Installing files' visible 1004 1 \
  msgbox "$caption" 'Failed installing\n\nqid_E.chm' \
  visible 1010 1 visible 1004 0 listsel 1010 0 enabled 1000 1 enabled 1 1 \
  text 1007 'Select printer to install'
check_true "failed copy: files before it stay" cmp -s "$big/Q71File.exe" "$drivers/Q71File.exe"
check_false "failed copy: the printer is not added" \
  wine_reg_key_exists "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\$printer"
rmdir "$drivers/qid_E.chm"
ui window "$caption" click 1000 \
  answer "$caption" "Set $printer as default?" 7 \
  msgbox "$caption" "$printer installed!" gone "$caption"
end_setup "Install again"
check_eq "No: the default printer is unchanged" "$device_before" "$(device)"
log=$(log_text "$drive_c/pkgbig/Installer.log")
case $log in
  *"Failed copy of file qid_E.chm (GetLastError = "*"Selected to install: $printer|~Start of installation"*"Configure registry|~End of installation|~")
    pass "Install again: the log holds the failure and the second round, no default line" ;;
  *) fail "Install again: the log holds the failure and the second round" "$log" ;;
esac

# Pictures of the progress state: the overall bar stood at one step of five.
convert "$drive_c/qidtest/progress.ppm" "$artifacts/installer-progress.png" 2>/dev/null
overall=$drive_c/qidtest/overall.ppm
if [ -f "$overall" ]; then
  read -r w h < <(identify -format '%w %h' "$overall")
  fill=$(( (w - 4) * 20 / 100 ))   # inside a black frame and a one-pixel margin
  mid=$((h / 2))
  check_eq "overall bar: black frame" "0,0,0" "$(pixel "$overall" 0 "$mid")"
  check_false "overall bar: filled up to 1/5" test "$(pixel "$overall" $((2 + fill - 2)) "$mid")" = "255,255,255"
  check_eq "overall bar: empty after 1/5" "255,255,255" "$(pixel "$overall" $((2 + fill + 2)) "$mid")"
else
  fail "overall bar picture taken"
fi

# --- 4. the real package, second install on the prefix, Yes ---------------------------------
echo "# the package, Yes"
pkg=$(package pkg)
wine_reg_add 'HKCU\Software\ZEL\4.01\Settings' 'Last Serial Number' REG_DWORD 42
start_setup pkg
ui window "$caption" enabled 1000 0 select 1010 0 enabled 1000 1 \
  shot 'C:\qidtest\selection.ppm' grab 1010 'C:\qidtest\list.ppm' \
  grab 1 'C:\qidtest\close.ppm' hover 1 sleep 500 grab 1 'C:\qidtest\close-hot.ppm' click 1000 \
  answer "$caption" "Set $printer as default?" 6 \
  msgbox "$caption" "$printer installed!" gone "$caption"
end_setup "the package"
convert "$drive_c/qidtest/selection.ppm" "$artifacts/installer-selection.png" 2>/dev/null

check_installed "the package" "$pkg"
log_is "Installer.log, exactly" "$pkg/Installer.log" "$(installed_log 1)"
check_eq "Yes: the default printer" "$printer,wineps.drv,QID_00:" "$(device)"

list=$drive_c/qidtest/list.ppm
if [ -f "$list" ]; then
  read -r w h < <(identify -format '%w %h' "$list")
  row=$(pixel "$list" $((w - 24)) 4)
  check_false "list: the selected row is highlighted" test "$row" = "255,255,255"
  check_false "list: the row's icon is drawn" test "$(pixel "$list" 11 9)" = "$row"
  check_eq "list: white below the row" "255,255,255" "$(pixel "$list" $((w - 24)) $((h - 4)))"
else
  fail "list picture taken"
fi

# The Close button: light picture with black text, dark picture with white text under the
# mouse; its magenta corners never show.
normal=$drive_c/qidtest/close.ppm hot=$drive_c/qidtest/close-hot.ppm
if [ -f "$normal" ] && [ -f "$hot" ]; then
  read -r w h < <(identify -format '%w %h' "$normal")
  check_eq "Close button: sized to its picture" "196 27" "$w $h"
  check_eq "Close button: light face" 1 "$(convert "$normal" -format "%[fx:p{10,$((h / 2))}.r > 0.7]" info:)"
  check_eq "Close button: dark face under the mouse" 1 "$(convert "$hot" -format "%[fx:p{10,$((h / 2))}.r < 0.4]" info:)"
  check_line "Close button: white text under the mouse" "$(colours "$hot")" '(255,255,255)'
  check_no_line "Close button: no magenta corner" "$(colours "$normal"; colours "$hot")" '(255,0,255)'
else
  fail "Close button pictures taken"
fi

# --- 5. a log that cannot be written --------------------------------------------------------
echo "# no log"
nolog=$(package pkgnolog)
mkdir "$nolog/Installer.log"   # a folder where the log would go: it cannot be opened
# Windows XP this time, the newest system the table names (the runs above saw Windows 7,
# which it does not name).
wine_reg_add 'HKCU\Software\Wine\AppDefaults\drvsetup.exe' Version REG_SZ winxp
start_setup pkgnolog
ui window "$caption" select 1010 0 click 1000 \
  answer "$caption" "Set $printer as default?" 7 \
  msgbox "$caption" "$printer installed!" gone "$caption"
end_setup "no log"
wine_reg_delete_key 'HKCU\Software\Wine\AppDefaults\drvsetup.exe'
check_true "no log: still a folder, nothing written" test -d "$nolog/Installer.log"

# --- an empty program in the package --------------------------------------------------------
echo "# an empty Q71File.exe"
empty=$(package pkgempty)
: >"$empty/Q71File.exe"
start_setup pkgempty
ui window "$caption" select 1010 0 click 1000 \
  msgbox "$caption" 'File is empty\n\nC:\pkgempty\Q71File.exe' \
  visible 1010 1 enabled 1000 1 post 0x0100 0x1B 0 gone "$caption"
end_setup "empty program"
check_true "empty program: the installed Q71File.exe stays as it was" \
  cmp -s "$pkg/Q71File.exe" "$drivers/Q71File.exe"
log_is "empty program: the log names it" "$empty/Installer.log" \
  "Selected to install: $printer\\r\\nFile is empty (C:\\\\pkgempty\\\\Q71File.exe)\\r\\n"

# --- a job through the installed Q71File.exe, and its Help ----------------------------------
echo "# printing through the installed package"
mkdir -p "$drive_c/spool" "$drive_c/TEMP"
check_false "C:\\ZEL does not exist before the first job" test -e "$drive_c/ZEL"
convert -size 200x100 xc:white -fill black -draw 'rectangle 20,20 80,80' \
  -size 200x100 xc:white -fill black -draw 'circle 100,50 120,70' \
  -monochrome -compress Group4 "$work/pages.tif" 2>/dev/null
if QID_ROOT=$WINEPREFIX "$native/qiddriver" --write-only --quiet --output-mode 1 \
     --job 'C:\spool\job.tif' "$work/pages.tif" >"$work/driver.log" 2>&1; then
  wine 'C:\qidtest\launcher.exe' --env VEDIZE_DOCNAME=letter.doc --env VEDIZE_PAGES=2 \
    --env 'TMP=C:\TEMP' --timeout 60 \
    --cmd 'C:\windows\system32\spool\drivers\w32x86\3\Q71File.exe' 'C:\spool\job.tif' \
    >"$work/q71file.log" 2>&1 &
  job_pid=$!
  ui window 'Quendrel Image Driver' text 6020 'C:\ZEL' click 6028 \
    window 'Quendrel Image Driver Help' post 0x0010 0 0 gone 'Quendrel Image Driver Help' \
    window 'Quendrel Image Driver' click 1 gone 'Quendrel Image Driver'
  wait "$job_pid"
  check_eq "the job ended" 0 $?
  check_true "C:\\ZEL\\0001.tif written" test -f "$drive_c/ZEL/0001.tif"
  check_eq "C:\\ZEL\\0001.tif holds both pages" 2 \
    "$(tiffinfo "$drive_c/ZEL/0001.tif" 2>/dev/null | grep -c '^TIFF Directory')"
else
  fail "job file written" "$(cat "$work/driver.log")"
fi

# --- the package taken off again by PrnWipe.exe -----------------------------------------------
echo "# removing the package with PrnWipe"
if [ -f "$QID_WIN_BUILD/PrnWipe.exe" ]; then
  cp "$QID_WIN_BUILD/PrnWipe.exe" "$drive_c/qidtest/"
  wipe='Zodure Dorodav Uzuveze 1.60'
  wine 'C:\qidtest\PrnWipe.exe' >"$work/prnwipe.log" 2>&1 &
  wipe_pid=$!
  ui window "$wipe" pick 1000 "$printer" click 1012 \
    answer Uninstall "The driver \"$printer\" is currently being used by the printer  \"$printer\".\nDelete this printer?" 6 \
    window 'Delete Printer Driver' \
    contains 1011 'will be deleted:\n\tpgdrv71.dll\n\tpgui71.dll\n\tpggen.ppd\n\tqid_e.chm\n\tq71file.exe\n' \
    click 1014 gone 'Delete Printer Driver' window "$wipe" click 1013 \
    answer 'Exit Windows' 'To complete the driver de-installation a system reboot is necessary. All active applications will be closed. Do you wish to reboot now?' 7 \
    gone "$wipe"
  wait "$wipe_pid"
  # A file that a process of the prefix still held goes with the restart.
  wine wineboot -r >/dev/null 2>&1
  check_removed "PrnWipe"
else
  fail "PrnWipe.exe is built" "missing in $QID_WIN_BUILD"
fi

wine_suite_finish
