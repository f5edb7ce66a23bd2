#!/usr/bin/env bash
# The real PrnWipe.exe under Wine on a virtual X display. Drivers and printers are registered
# through the spooler by tests/wine/remover_setup.exe; tests/ui/ui_driver.exe drives the
# dialogs; the driver folders, the spooler's keys and the per-user printer values are checked
# afterwards. Screenshots of the dialogs go to build/artifacts/.
#
#   tests/wine/remover_test.sh BUILD_WIN_DIR
#
# Needs: wine, xvfb-run (or $DISPLAY), ImageMagick's import, and in BUILD_WIN_DIR PrnWipe.exe,
# tests/wine/remover_setup.exe and tests/ui/ui_driver.exe. Ends with "N passed, M failed".
# shellcheck disable=SC1003  # Windows paths end in a backslash inside single quotes
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
win=${1:-}

# shellcheck source=tests/wine/lib.sh
source "$here/lib.sh"
wine_need_display "$0" "$@"

artifacts=${QID_ARTIFACTS:-$repo/build/artifacts}
main='Zodure Dorodav Uzuveze 1.60'
confirm='Delete Printer Driver'
drivers_key='HKLM\SYSTEM\CurrentControlSet\Control\Print\Environments\Windows NT x86\Drivers'
printers_key='HKLM\SYSTEM\CurrentControlSet\Control\Print\Printers'
user_key='HKU\S-1-5-21-0-0-0-1000\Printers'
dir='C:\windows\system32\spool\drivers\w32x86'

ready=1
need() { fail "$1" "$2"; ready=0; }
if [ -z "$win" ] || [ ! -d "$win" ]; then
  need "the Windows build folder is given" "usage: $0 BUILD_WIN_DIR"
fi
for f in PrnWipe.exe tests/wine/remover_setup.exe tests/wine/remover_icons.exe \
         tests/ui/ui_driver.exe; do
  [ -f "$win/$f" ] || need "$f is built" "missing in $win: run ./run build"
done
command -v wine >/dev/null || need "wine is installed" "missing (tools/install-deps.sh)"
command -v import >/dev/null || need "ImageMagick's import is installed" "missing (tools/install-deps.sh)"
[ -n "${DISPLAY:-}" ] || need "an X display" "no DISPLAY and no xvfb-run"
if [ "$ready" != 1 ]; then echo "$QID_PASSED passed, $QID_FAILED failed"; exit 1; fi

wine_suite_start "$win"
drive_c=$(wine_drive_c)
folder=$drive_c/windows/system32/spool/drivers/w32x86
mkdir -p "$drive_c/qidtest" "$folder" "$artifacts"
cp "$QID_WIN_BUILD/PrnWipe.exe" "$QID_WIN_BUILD/tests/wine/remover_setup.exe" \
  "$QID_WIN_BUILD/tests/ui/ui_driver.exe" "$drive_c/qidtest/"
# Dialogs open inside a Wine desktop window, which draws their frames for the screenshots.
wine_reg_add 'HKCU\Software\Wine\Explorer' Desktop REG_SZ Default
wine_reg_add 'HKCU\Software\Wine\Explorer\Desktops' Default REG_SZ 1024x768
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
wineserver -p >/dev/null 2>&1 || true
work=$QID_SUITE_DIR/work
mkdir -p "$work"



setup() { wine_run 'C:\qidtest\remover_setup.exe' "$@" >>"$work/setup.log" 2>&1; }

# start_prnwipe [VERSION]: PrnWipe in the background, as Windows VERSION reports itself.
wipe_pid=
start_prnwipe() {
  if [ -n "${1:-}" ]; then
    wine_reg_add 'HKCU\Software\Wine\AppDefaults\PrnWipe.exe' Version REG_SZ "$1"
  else
    wine_reg_delete_key 'HKCU\Software\Wine\AppDefaults\PrnWipe.exe'
  fi
  wine 'C:\qidtest\PrnWipe.exe' >"$work/prnwipe.log" 2>&1 &
  wipe_pid=$!
}

# end_prnwipe WHAT ID: PrnWipe ended with the id of the command that closed it (the exit
# status keeps its low 8 bits).
end_prnwipe() {
  local status=0
  wait "$wipe_pid" || status=$?
  check_eq "$1: PrnWipe ended by command $2" $(($2 & 255)) "$status"
}

there() { [ -e "$folder/$1" ]; }

# --- the machine: three drivers with printers, one data file shared --------------------------
for f in alpha.dll alphaui.dll alpha.hlp alpha.ppd alpha.bpd lockme.dat shared.dat beta.dll \
         betaui.dll gamma.dll gamma.dat gammaui.dll delta.dll delta.dat deltaui.dll; do
  echo "$f" >"$folder/$f"
done
cp "$QID_WIN_BUILD/tests/wine/remover_setup.exe" "$folder/holdme.exe"
setup driver 'Alpha Laser' alpha.dll shared.dat alphaui.dll alpha.hlp alpha.ppd holdme.exe lockme.dat &&
  setup driver 'Beta Inkjet' beta.dll shared.dat betaui.dll - &&
  setup driver 'Gamma Plotter' gamma.dll gamma.dat gammaui.dll - &&
  setup driver 'Delta Fax' delta.dll delta.dat deltaui.dll - &&
  setup printer 'Office Laser' 'Alpha Laser' &&
  setup printer 'Front Desk' 'Beta Inkjet' &&
  setup printer 'Plotter Room' 'Gamma Plotter'
check_eq "drivers and printers registered through the spooler" 0 $?
# The spooler copies a driver's files into its version folder.
for f in alpha.dll alpha.ppd holdme.exe shared.dat gamma.dll; do
  check_true "3\\$f is installed" test -e "$folder/3/$f"
done
# Windows compiles a PPD into its companion there; Wine does not, so the suite puts it there.
cp "$folder/alpha.bpd" "$folder/3/alpha.bpd"
wine_reg_add "$user_key\\DevModes2" 'Office Laser' REG_BINARY 0102
wine_reg_add "$user_key\\DevModes2" 'Ghost Printer' REG_BINARY 0102
wine_reg_add "$user_key\\DevModes2" 'Old Printer' REG_BINARY 0102
wine_reg_add "$user_key\\DevModes2" 'Front Desk' REG_BINARY 0102
wine_reg_add "$user_key\\Settings" 'Office Laser' REG_BINARY 0102
wine_reg_add "$user_key\\Settings" 'Front Desk' REG_BINARY 0102

# Two other programs keep driver files: one runs from the version folder, one holds a file
# open without delete sharing.
wine "$dir\\3\\holdme.exe" hold 300000 >"$work/hold.log" 2>&1 &
hold_pid=$!
wine 'C:\qidtest\remover_setup.exe' open "$dir\\3\\lockme.dat" 300000 >"$work/open.log" 2>&1 &
open_pid=$!
sleep 3

# --- the list, No at the printer question, then a removal answered Yes ------------------------
start_prnwipe
echo "# the main dialog"
ui window "$main" text 1017 'Operating system: Windows 7/Vista/2008' \
  text 1004 'Installed Printer Drivers:' text 1003 '&About...' text 1013 Close \
  items 1000 'Alpha Laser|Beta Inkjet|Delta Fax|Gamma Plotter' enabled 1012 0 \
  pick 1000 'Gamma Plotter' enabled 1012 1
screenshot remover-main

echo "# No at the printer question leaves the driver"
ui window "$main" click 1012 \
  answer Uninstall 'The driver "Gamma Plotter" is currently being used by the printer  "Plotter Room".\nDelete this printer?' 7 \
  sleep 500 window "$main" enabled 1012 0 items 1000 'Alpha Laser|Beta Inkjet|Delta Fax|Gamma Plotter'
check_true "No: the printer stays" wine_reg_key_exists "$printers_key\\Plotter Room"
check_true "No: the driver's file stays" there gamma.dll

echo "# Escape in the confirmation deletes nothing and leaves Uninstall as it was"
ui window "$main" pick 1000 'Delta Fax' click 1012 window "$confirm" \
  contains 1011 'will be deleted:\n\tdelta.dll\n' command 2 gone "$confirm" \
  window "$main" enabled 1012 1 items 1000 'Alpha Laser|Beta Inkjet|Delta Fax|Gamma Plotter'
check_true "Escape: the file stays" there delta.dll

echo "# the window icons"
cp "$QID_WIN_BUILD/tests/wine/remover_icons.exe" "$drive_c/qidtest/"
check_eq "every refill sets the icons the first one loaded" "same icons" \
  "$(wine_run 'C:\qidtest\remover_icons.exe')"

echo "# the About box"
ui window "$main" click 1003 window 'About Zizide Zerever Uravida 1.60' text 1006 Support \
  command 2 gone 'About Zizide Zerever Uravida 1.60'

echo "# Yes: the printer, the own files, the key"
ui window "$main" pick 1000 'Alpha Laser' click 1012 \
  answer Uninstall 'The driver "Alpha Laser" is currently being used by the printer  "Office Laser".\nDelete this printer?' 6 \
  window "$confirm" \
  contains 1011 'The following files are still in use and will not be deleted:\n\tshared.dat\n\nThe following file(s) will be deleted:\n\talpha.dll\n\talphaui.dll\n\talpha.hlp\n\talpha.ppd\n\tholdme.exe\n\tlockme.dat\n\nDo you want to delete the file(s)?' \
  text 1014 Yes text 1016 No
screenshot remover-confirm
ui window "$confirm" click 1014 gone "$confirm" \
  window "$main" items 1000 'Beta Inkjet|Delta Fax|Gamma Plotter' enabled 1012 0
ui window "$main" click 1013 \
  answer 'Exit Windows' 'To complete the driver de-installation a system reboot is necessary. All active applications will be closed. Do you wish to reboot now?' 7 \
  gone "$main"
end_prnwipe "removal" 1013

for f in alpha.dll alphaui.dll alpha.hlp alpha.ppd alpha.bpd holdme.exe lockme.dat \
         3/alpha.dll 3/alphaui.dll 3/alpha.hlp 3/alpha.ppd 3/alpha.bpd; do
  check_false "$f deleted" there "$f"
done
for f in shared.dat 3/shared.dat beta.dll 3/beta.dll gamma.dll 3/gamma.dll; do
  check_true "$f kept" there "$f"
done
check_true "3/holdme.exe still runs, so it stays until the restart" there 3/holdme.exe
check_true "3/lockme.dat is still open, so it stays until the restart" there 3/lockme.dat
pending=$(wine reg query 'HKLM\SYSTEM\CurrentControlSet\Control\Session Manager' \
  /v PendingFileRenameOperations 2>/dev/null | tr -d '\r')
for f in holdme.exe lockme.dat; do
  if printf '%s' "$pending" | grep -qi "w32x86\\\\3\\\\$f"; then pass "3\\$f waits in the pending renames"
  else fail "3\\$f waits in the pending renames" "$pending"; fi
done
check_false "the driver's key is gone" wine_reg_key_exists "$drivers_key\\Version-3\\Alpha Laser"
check_true "the other drivers' keys stay" wine_reg_key_exists "$drivers_key\\Version-3\\Beta Inkjet"
check_false "its printer is gone" wine_reg_key_exists "$printers_key\\Office Laser"
check_true "the other printers stay" wine_reg_key_exists "$printers_key\\Front Desk"
check_eq "DevModes2 keeps only existing printers" 'Front Desk' \
  "$(wine_reg_value_names "$user_key\\DevModes2" | tr '\n' ' ' | sed 's/ $//')"
check_eq "Settings of the deleted printer removed" 'Front Desk' \
  "$(wine_reg_value_names "$user_key\\Settings" | tr '\n' ' ' | sed 's/ $//')"

# The restart carries out the deferred deletions.
kill "$hold_pid" "$open_pid" 2>/dev/null
wait "$hold_pid" "$open_pid" 2>/dev/null
wine wineboot -r >/dev/null 2>&1
check_false "3/holdme.exe gone after the restart" there 3/holdme.exe
check_false "3/lockme.dat gone after the restart" there 3/lockme.dat
check_true "3/shared.dat still there after the restart" there 3/shared.dat

# --- the systems Wine can report ---------------------------------------------------------------
# An old driver filed under "Version-2", which Windows 2000 lists too, and one of the 9x
# family's environment.
wine_reg_add "$drivers_key\\Version-2\\NT4 Driver" Driver REG_SZ nt4.dll
wine_reg_add 'HKLM\SYSTEM\CurrentControlSet\Control\Print\Environments\Windows 4.0\Drivers\Old Laser' \
  Driver REG_SZ laser.drv
for row in 'win2k|Windows 2000|Beta Inkjet|Delta Fax|Gamma Plotter|NT4 Driver' \
           'winxp|Windows XP|Beta Inkjet|Delta Fax|Gamma Plotter' \
           'win2003|Windows Server 2003|Beta Inkjet|Delta Fax|Gamma Plotter' \
           'win7|Windows 7/Vista/2008|Beta Inkjet|Delta Fax|Gamma Plotter' \
           'win10|Windows 10/11|Beta Inkjet|Delta Fax|Gamma Plotter' \
           'win98|Windows 98|Old Laser'; do
  version=${row%%|*}
  rest=${row#*|}
  name=${rest%%|*}
  start_prnwipe "$version"
  ui window "$main" text 1017 "Operating system: $name" items 1000 "${rest#*|}" \
    command 2 absent 'Exit Windows' 1000 gone "$main"
  end_prnwipe "$version" 2
done

echo "# a system it does not know"
start_prnwipe win31
ui msgbox Warning "Don't know the version number." window "$main" enabled 1000 0 \
  items 1000 '' click 1013 absent 'Exit Windows' 1000 gone "$main"
end_prnwipe "unknown system" 1013

# --- names that open another driver's files, or a folder ------------------------------------
echo "# other spellings of another driver's files, and names that open a folder"
for f in zeta.dll zetaui.dll beta.ppd beta.bpd betasharedresource.dat alias.dll; do
  echo "$f" >"$folder/$f"
done
setup driver 'Zeta Share' zeta.dll beta.ppd zetaui.dll - betasharedresource.dat
check_eq "a driver with a PPD and a long file name registered" 0 $?
cp "$folder/beta.bpd" "$folder/3/beta.bpd"
short=$(wine_run 'C:\qidtest\remover_setup.exe' short "$dir\\betasharedresource.dat")
case $short in
  *'~'*) pass "betasharedresource.dat has the short name $short" ;;
  *) fail "betasharedresource.dat has a short name" "$short" ;;
esac
# Written past the spooler, which would not file such names.
alias_key="$drivers_key\\Version-3\\Alias Fax"
wine_reg_add "$alias_key" Driver REG_SZ alias.dll
wine_reg_add "$alias_key" Version REG_DWORD 3
wine_reg_add "$alias_key" 'Dependent Files' REG_MULTI_SZ "shared.dat.\\0beta.ppd \\0$short\\0...\\0.. "
start_prnwipe
ui window "$main" pick 1000 'Alias Fax' click 1012 window "$confirm" \
  contains 1011 "will not be deleted:\n\tshared.dat.\n\tbeta.ppd \n\t$(tr 'A-Z' 'a-z' <<<"$short")\n\nThe following file(s) will be deleted:\n\talias.dll\n\t...\n\t.. \n" \
  click 1014 gone "$confirm" window "$main" \
  msgbox Error 'Failed to delete file ....' msgbox Error 'Failed to delete file .. .' \
  items 1000 'Beta Inkjet|Delta Fax|Gamma Plotter|Zeta Share' click 1013 \
  answer 'Exit Windows' 'To complete the driver de-installation a system reboot is necessary. All active applications will be closed. Do you wish to reboot now?' 7 \
  gone "$main"
end_prnwipe "other spellings" 1013
for f in shared.dat beta.ppd beta.bpd betasharedresource.dat; do
  check_true "$f kept: only another spelling of it was named" there "$f"
  check_true "3/$f kept" there "3/$f"
done
check_false "alias.dll deleted" there alias.dll
pending=$(wine reg query 'HKLM\SYSTEM\CurrentControlSet\Control\Session Manager' \
  /v PendingFileRenameOperations 2>/dev/null | tr -d '\r')
check_false "no driver folder waits in the pending renames" grep -qi 'w32x86' <<<"$pending"

wineserver -k >/dev/null 2>&1 || true
wine_suite_finish
