#!/usr/bin/env bash
# The settings dialog and the reset-serial dialog of the real Q71File.exe under Wine, on a
# virtual X display: tests/ui/ui_driver.exe finds the dialogs by caption, checks control
# state, clicks and types through window messages; the saved registry values and the written
# output are checked afterwards. A screenshot of each dialog goes to build/artifacts/.
#
#   tests/wine/dialog_test.sh BUILD_WIN_DIR
#
# Needs: wine, xvfb-run (or $DISPLAY), ImageMagick's import, tiffinfo, BUILD_WIN_DIR with
# Q71File.exe, tests/wine/launcher.exe and tests/ui/ui_driver.exe, and the native qiddriver
# ($QID_NATIVE_BUILD, else build/native) to write the job files. Ends with "N passed, M failed".
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
key='HKCU\Software\ZEL\4.01\Settings'
caption='Quendrel Image Driver'
reset_caption='Reset Initial Serial Number'

ready=1
need() { fail "$1" "$2"; ready=0; }
if [ -z "$win" ] || [ ! -d "$win" ]; then
  need "the Windows build folder is given" "usage: $0 BUILD_WIN_DIR"
fi
for f in Q71File.exe tests/wine/launcher.exe tests/ui/ui_driver.exe tests/ui/fake_help.dll; do
  [ -f "$win/$f" ] || need "$f is built" "missing in $win: run ./run build"
done
[ -x "$native/qiddriver" ] || need "qiddriver is built" "missing in $native"
command -v wine >/dev/null || need "wine is installed" "missing (tools/install-deps.sh)"
command -v import >/dev/null || need "ImageMagick's import is installed" "missing (tools/install-deps.sh)"
command -v tiffinfo >/dev/null || need "tiffinfo is installed" "missing (tools/install-deps.sh)"
[ -n "${DISPLAY:-}" ] || need "an X display" "no DISPLAY and no xvfb-run"
if [ "$ready" != 1 ]; then echo "$QID_PASSED passed, $QID_FAILED failed"; exit 1; fi

wine_suite_start "$win"
drive_c=$(wine_drive_c)
# The output folders exist, as a user's would: Q71File creates files, not folders.
mkdir -p "$drive_c/qid" "$drive_c/qidtest" "$drive_c/spool" "$drive_c/TEMP" "$drive_c/out/ser" "$artifacts"
cp "$QID_WIN_BUILD/Q71File.exe" "$drive_c/qid/"
cp "$QID_WIN_BUILD/tests/wine/launcher.exe" "$QID_WIN_BUILD/tests/ui/ui_driver.exe" \
  "$QID_WIN_BUILD/tests/ui/fake_help.dll" "$drive_c/qidtest/"
# Windows open inside a Wine desktop window, which draws their caption bars and frames (the
# bare X server has no window manager to draw them); the screenshots then show whole dialogs.
wine_reg_add 'HKCU\Software\Wine\Explorer' Desktop REG_SZ Default
wine_reg_add 'HKCU\Software\Wine\Explorer\Desktops' Default REG_SZ 1024x768
# The desktop is made when the session starts: start it again with the setting in place, and
# keep one server for the whole suite.
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
wineserver -p >/dev/null 2>&1 || true
work=$QID_SUITE_DIR/work
mkdir -p "$work"

# Two fax pages to print.
page_source=$work/pages.tif
convert -size 200x100 xc:white -fill black -draw 'rectangle 20,20 80,80' \
  -size 200x100 xc:white -fill black -draw 'circle 100,50 120,70' \
  -monochrome -compress Group4 "$page_source" 2>/dev/null ||
  { fail "test pages made with ImageMagick"; wine_suite_finish; }

# settings NAME TYPE DATA...: the stored settings of the next job (the key is replaced).
settings() {
  wine_reg_delete_key 'HKCU\Software\ZEL'
  while [ $# -ge 3 ]; do wine_reg_add "$key" "$1" "$2" "$3"; shift 3; done
}

# value NAME: the stored data of one value (a number in decimal).
value() {
  local line type data
  line=$(wine_reg_query "$key" "$1") || { echo "<absent>"; return; }
  type=${line%% *}
  data=${line#* }
  [ "$line" = "$type" ] && data=
  if [ "$type" = REG_DWORD ]; then printf '%d\n' "$data"; else printf '%s\n' "$data"; fi
}

# exported NAME: the value as `reg export` writes it ("text", dword:..., hex(1):...). reg
# query prints a stale buffer for a string of no bytes; the export does not.
exported() {
  wine reg export "$key" 'C:\qidtest\settings.reg' /y >/dev/null 2>&1 || { echo "<no key>"; return; }
  iconv -f UTF-16 -t UTF-8 "$drive_c/qidtest/settings.reg" | tr -d '\r' |
    sed -n "s/^\"$1\"=//p"
}

# start_job OUTPUT_MODE: writes C:\spool\job.tif and starts Q71File on it in the background.
job_pid=
start_job() {
  rm -f "$drive_c/spool/job.tif" "$drive_c/TEMP/DONE_ZEL.TIF"
  QID_ROOT=$WINEPREFIX "$native/qiddriver" --write-only --quiet --output-mode "$1" \
    --job 'C:\spool\job.tif' "$page_source" >"$work/driver.log" 2>&1 ||
    { fail "job file written" "$(cat "$work/driver.log")"; return 1; }
  wine 'C:\qidtest\launcher.exe' --env 'VEDIZE_DOCNAME=C:\Docs\report.doc' --env VEDIZE_PAGES=2 \
    --env 'TMP=C:\TEMP' --timeout 60 --cmd 'C:\qid\Q71File.exe' 'C:\spool\job.tif' \
    >"$work/q71file.log" 2>&1 &
  job_pid=$!
}

# end_job WHAT: waits for Q71File to end (the dialog is closed by then).
end_job() {
  local status=0
  wait "$job_pid" || status=$?
  check_eq "$1: Q71File ended with exit code 0" 0 "$status"
}


# listing DIR: the names in a folder, for failure messages.
listing() { find "$1" -mindepth 1 -maxdepth 1 -printf '%f ' 2>&1; }

# screenshot NAME: the virtual screen cut to the windows on it (the desktop's plain colour
# trimmed off), as build/artifacts/NAME.png.

# --- 1. Serialization stored: initial state, every mode, the options, reset serial, O&K ------
settings 'Output Mode' REG_DWORD 2  'Serial Prefix String' REG_SZ Scan \
  'Serial Init Number' REG_DWORD 3  'Last Serial Number' REG_DWORD 7 \
  'Serial Num Digits' REG_DWORD 4  'Output Directory' REG_SZ 'C:\out\' \
  'Output File' REG_SZ TEST.TIF  'Disable Dialog' REG_DWORD 0  'AutoGenerate' REG_DWORD 1 \
  'Auto Number Value' REG_DWORD 12  'Doc Prefix String' REG_SZ Inv \
  'Use Source Name' REG_DWORD 0  'Trim Source Name' REG_DWORD 0 \
  'Always Overwrite' REG_DWORD 0  'PDF Output' REG_DWORD 0 \
  'Auto Reset Serial Number' REG_DWORD 0  'Output Application' REG_SZ ''
start_job 2

echo "# the initial state for a stored Output Mode 2"
ui window "$caption" \
  checked 6044 1  checked 6045 0  checked 6043 0 \
  enabled 6030 1  enabled 6047 1  enabled 6029 1  enabled 1026 1  enabled 6049 1 \
  enabled 6023 0  enabled 1039 0  enabled 6027 0  enabled 6021 0  enabled 6026 0 \
  visible 1028 0  visible 1027 1 \
  text 1036 0003  text 1026 Scan  text 6021 Scan0007.tif  text 6020 'C:\out\' \
  listsel 6047 2  checked 6023 1  checked 6024 0
screenshot settings-dialog

echo "# the modes"
ui window "$caption" click 6045 \
  checked 6045 1  checked 6044 0  checked 6043 0 \
  enabled 6049 0  enabled 6030 0  enabled 6047 0  enabled 1026 0  enabled 6023 0 \
  enabled 6025 0  enabled 6021 1  visible 1028 1  text 1036 ''  text 6021 Scan0007.tif
ui window "$caption" click 6043 \
  checked 6043 1  checked 6045 0  checked 6044 0 \
  enabled 6049 1  enabled 6023 1  enabled 1039 1  enabled 6027 1  enabled 6026 1 \
  enabled 6030 0  visible 1028 1  text 1039 Inv  text 6021 Inv0012.tif
ui window "$caption" click 6027  text 6021 Inv0001.tif

echo "# Hide this Dialog and Always Overwrite"
ui window "$caption" click 6024  checked 6024 1  checked 6026 1 \
  click 6026  checked 6026 0  checked 6024 0

echo "# the file prefix refuses a question mark, once"
ui window "$caption" settext 1039 ab  type 1039 1 '?' \
  msgbox Info '\ / : * ? < > and | are invalid characters' \
  absent Info 1000  text 1039 ab  text 6021 ab0001.tif

echo "# a pasted prefix loses every forbidden character"
ui window "$caption" settext 1039 'a:b' \
  msgbox Info '\ / : * ? < > and | are invalid characters' \
  absent Info 1000  text 1039 ab  text 6021 ab0001.tif

echo "# Serialization again, a new prefix and folder, the digits list"
ui window "$caption" click 6044  checked 6044 1  text 6021 Scan0007.tif \
  settext 1026 '..\'  msgbox Info '\ / : * ? < > and | are invalid characters'  text 1026 .. \
  settext 1026 Pg  text 6021 Pg0007.tif \
  settext 6020 'C:\out\ser\' \
  select 6047 3  text 1036 00003  text 6021 Pg00007.tif \
  select 6047 2  text 1036 0003

echo "# reset serial: five digits refused, 0100 accepted"
ui window "$caption" click 6029  window "$reset_caption"  text 1044 0003
screenshot reset-serial-dialog
ui window "$reset_caption" settext 1044 12345  click 1 \
  msgbox 'Input Error' 'The current serial number size limit (as set in driver) is 4 digits.\nThe initial serial number you entered exceeds this size.\n\nPlease try again...' \
  settext 1044 000  click 1 \
  msgbox 'Input Error' 'The number you entered is invalid. It must be greater than 0 and contain digits only.\n\nPlease try again...' \
  settext 1044 0100  click 1  gone "$reset_caption"
ui window "$caption" text 1036 0100  text 6021 Pg0100.tif
screenshot settings-dialog-changed

ui window "$caption" click 1  gone "$caption"
end_job "O&K"
check_eq "Output Mode saved" 2 "$(value 'Output Mode')"
check_eq "Serial Prefix String saved" Pg "$(value 'Serial Prefix String')"
check_eq "Output Directory saved" 'C:\out\ser\' "$(value 'Output Directory')"
check_eq "Doc Prefix String saved" ab "$(value 'Doc Prefix String')"
check_eq "Disable Dialog saved" 0 "$(value 'Disable Dialog')"
check_eq "Always Overwrite saved" 0 "$(value 'Always Overwrite')"
check_eq "Auto Number Value reset and saved" 1 "$(value 'Auto Number Value')"
check_eq "Serial Num Digits saved" 4 "$(value 'Serial Num Digits')"
# The two pages took 100 and 101; the next job starts at 102.
check_eq "Last Serial Number after the job" 102 "$(value 'Last Serial Number')"
check_eq "Serial Init Number after the job" 102 "$(value 'Serial Init Number')"
for n in 0100 0101; do
  f=$drive_c/out/ser/Pg$n.TIF
  if [ -f "$f" ] && tiffinfo "$f" >/dev/null 2>&1; then pass "page file Pg$n.TIF written and readable"
  else fail "page file Pg$n.TIF written and readable" "found: $(listing "$drive_c/out/ser")"; fi
done
check_false "job file deleted" test -e "$drive_c/spool/job.tif"
check_true "done marker created" test -f "$drive_c/TEMP/DONE_ZEL.TIF"

# --- 2. Cancel: the job file is deleted and nothing is saved ----------------------------------
settings 'Output Mode' REG_DWORD 1  'Output Directory' REG_SZ 'C:\out\'  'Output File' REG_SZ \
  doc.tif  'AutoGenerate' REG_DWORD 0  'Disable Dialog' REG_DWORD 0  'Serial Num Digits' REG_DWORD 4
# Help: the HTML Help control is a recorder here (tests/ui/fake_help.c), so the check sees
# whether the button opened help, with which file and owner.
_wine_capture reg add 'HKCR\CLSID\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\InprocServer32' \
  /ve /t REG_SZ /d 'C:\qidtest\fake_help.dll' /f >/dev/null
rm -f "$drive_c/qidtest/help.txt"
start_job 1
ui window "$caption" checked 6043 1  text 6021 doc.tif  click 6028  sleep 500 \
  click 6045  checked 6045 1  click 2  gone "$caption"
end_job "Cancel"
check_eq "Help opens the driver's help file at its contents, owned by the dialog" \
  'owner=dialog command=1 file=C:\windows\system32\spool\drivers\w32x86\3\qid_E.chm' \
  "$(tr -d '\r' <"$drive_c/qidtest/help.txt" 2>/dev/null)"
check_eq "Cancel saves no Output Mode" 1 "$(value 'Output Mode')"
check_false "Cancel deletes the job file" test -e "$drive_c/spool/job.tif"
check_false "Cancel writes no output" test -e "$drive_c/out/doc.tif"
check_false "Cancel leaves no done marker" test -e "$drive_c/TEMP/DONE_ZEL.TIF"
check_eq "Cancel stores no page count" '<absent>' "$(value 'Pages Last')"

# --- 3. Document output with auto-numbering through the dialog --------------------------------
settings 'Output Mode' REG_DWORD 1  'Output Directory' REG_SZ 'C:\out\'  'Output File' REG_SZ \
  doc.tif  'AutoGenerate' REG_DWORD 0  'Auto Number Value' REG_DWORD 12 \
  'Doc Prefix String' REG_SZ Inv  'Disable Dialog' REG_DWORD 0  'Always Overwrite' REG_DWORD 1
start_job 1
ui window "$caption" enabled 1039 1  click 6023  checked 6023 1  text 6021 Inv0012.tif \
  click 1  gone "$caption"
end_job "Document O&K"
check_eq "AutoGenerate saved" 1 "$(value 'AutoGenerate')"
check_eq "Auto Number Value counted on" 13 "$(value 'Auto Number Value')"
if tiffinfo "$drive_c/out/Inv0012.tif" >/dev/null 2>&1; then pass "document Inv0012.tif written"
else fail "document Inv0012.tif written" "found: $(listing "$drive_c/out")"; fi

# --- 4. A stored 9 digits survives focus; Document after Serialization gets a real name ------
settings 'Output Mode' REG_DWORD 2  'Output Directory' REG_SZ 'C:\out\'  'Output File' REG_SZ \
  doc.tif  'AutoGenerate' REG_DWORD 0  'Use Source Name' REG_DWORD 0 \
  'Auto Number Value' REG_DWORD 5  'Doc Prefix String' REG_SZ D  'Serial Init Number' REG_DWORD 3 \
  'Serial Num Digits' REG_DWORD 9  'Disable Dialog' REG_DWORD 0  'Always Overwrite' REG_DWORD 1
start_job 1
ui window "$caption" listsel 6047 3  text 1036 000000003  notify 6047 4  notify 6047 5 \
  text 1036 000000003  click 6044  click 6043  text 6021 D0005.tif  click 1  gone "$caption"
end_job "digits and name O&K"
check_eq "a stored 9 digits stays 9 when the list only had the focus" 9 "$(value 'Serial Num Digits')"
check_eq "the Document name shown is the one saved" D0005.tif "$(value 'Output File')"
if tiffinfo "$drive_c/out/D0005.tif" >/dev/null 2>&1; then pass "document D0005.tif written"
else fail "document D0005.tif written" "found: $(listing "$drive_c/out")"; fi

# --- 5. The choosers: folder, application (cancelled twice), destination file --------------
# The folder selection keeps only the folder and drive lists of the old-style file-open
# dialog. Its caption is the template's "Folder Selection" on Windows; Wine's old-style dialog
# writes "Open File" over it when no title is given.
folder_caption='Folder Selection|Open File'
mkdir -p "$drive_c/out/sub"
: >"$drive_c/out/pick.tif"
settings 'Output Mode' REG_DWORD 1  'Output Directory' REG_SZ 'C:\out\'  'Output File' REG_SZ \
  doc.tif  'AutoGenerate' REG_DWORD 0  'Disable Dialog' REG_DWORD 0 \
  'Always Overwrite' REG_DWORD 1  'Output Application' REG_SZ 'C:\missing\viewer.exe'
start_job 1
ui window "$caption" click 1027  window "$folder_caption"  visible 1121 1  visible 1137 1 \
  visible 1152 0  visible 1120 0  visible 1040 0
screenshot folder-selection
ui window "$folder_caption" dblclick 1121 '[sub]'  click 1  gone "$folder_caption" \
  window "$caption" text 6020 'C:\out\sub\'
ui window "$caption" click 1025  window 'Select Application'  click 2  sleep 1000 \
  window 'Select Application'  click 2  gone 'Select Application' \
  window "$caption" text 6022 ''
ui window "$caption" click 1028  window 'Select Destination File' \
  settext 1148 'C:\out\pick.tif'  click 1  gone 'Select Destination File' \
  window "$caption" text 6020 'C:\out'  text 6021 pick.tif
ui window "$caption" click 1  gone "$caption"
end_job "choosers O&K"
check_eq "chosen folder saved without a trailing backslash" 'C:\out' "$(value 'Output Directory')"
check_eq "chosen file saved" pick.tif "$(value 'Output File')"
check_eq "application emptied by the cancelled choosers" '""' "$(exported 'Output Application')"
if tiffinfo "$drive_c/out/pick.tif" >/dev/null 2>&1; then pass "document written to the chosen file"
else fail "document written to the chosen file"; fi

wineserver -k >/dev/null 2>&1 || true
wine_suite_finish
