#!/usr/bin/env bash
# The Win32 spooler, system facts, UTF-16 file calls and system control against Wine's own:
# spooler_probe.exe makes the calls and checks their answers; this script checks what they
# left in the registry and the driver folder, where the remover will look for it.
#
#   tests/wine/spooler_test.sh BUILD_WIN_DIR
# shellcheck source=tests/wine/lib.sh
source "$(dirname "$0")/lib.sh"
wine_suite_start "${1:-}"
bin=$QID_WIN_BUILD/tests/wine
[ -f "$bin/spooler_probe.exe" ] || { fail "spooler_probe.exe is built" "missing in $bin"; wine_suite_finish; }

out=$(wine_run "$bin/spooler_probe.exe" all 'C:\qid-spool')
status=$?
printf '%s\n' "$out" | grep -E '^(ok   |FAIL|note) - '
QID_PASSED=$((QID_PASSED + $(printf '%s\n' "$out" | grep -c '^ok   - ')))
QID_FAILED=$((QID_FAILED + $(printf '%s\n' "$out" | grep -c '^FAIL - ')))
check_eq "spooler_probe ran to its end" 0 "$status"

print='HKLM\System\CurrentControlSet\Control\Print'
drivers="$print\\Environments\\Windows NT x86\\Drivers"
driver_key="$drivers\\Version-3\\Qid Probe Printer"
ports=$(wine_reg_query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Ports' 'QID_00:')
check_eq "registry: the port is under Ports" "REG_SZ " "$ports"
check_eq "registry: the driver is filed under Version-3 with its bare driver name" \
  "REG_SZ qprobe.drv" "$(wine_reg_query "$driver_key" Driver)"
check_eq "registry: the help file keeps its letter case" \
  "REG_SZ QProbe.chm" "$(wine_reg_query "$driver_key" 'Help File')"
check_eq "registry: dependent files as a list" \
  'REG_MULTI_SZ qprobe.drv\0qprobe.ppd\0QProbe.chm' "$(wine_reg_query "$driver_key" 'Dependent Files')"
check_eq "registry: the spooler's version, not the caller's" \
  "REG_DWORD 0x3" "$(wine_reg_query "$driver_key" Version)"
check_eq "registry: the printer names its driver" "REG_SZ Qid Probe Printer" \
  "$(wine_reg_query "$print\\Printers\\Qid Probe Printer" 'Printer Driver')"
check_false "registry: the deleted printer's key is gone" \
  wine_reg_key_exists "$print\\Printers\\Qid Probe Victim"
check_eq "registry: the default printer as written through win.ini" \
  "REG_SZ Qid Probe Printer,winspool,QID_00:" \
  "$(wine_reg_query 'HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows' device)"

drive_c=$(wine_drive_c)
w32x86="$drive_c/windows/system32/spool/drivers/w32x86"
check_true "files: the driver's files were copied into w32x86/3" \
  test -f "$w32x86/3/qprobe.drv" -a -f "$w32x86/3/QProbe.chm"
check_true "files: the originals stay in w32x86" test -f "$w32x86/qprobe.drv"
check_true "files: Wininit.ini holds the [rename] entry" \
  grep -q '^NUL=C:\\qid-probe-gone.txt' "$drive_c/windows/Wininit.ini"

pending=$(wine_reg_query 'HKLM\System\CurrentControlSet\Control\Session Manager' \
  PendingFileRenameOperations)
case "$pending" in
  *'C:\qid-spool\doomed.txt'*) pass "restart: the deferred deletion is recorded" ;;
  *) fail "restart: the deferred deletion is recorded" "got [$pending]" ;;
esac
check_true "restart: the file is still there before the restart" test -f "$drive_c/qid-spool/doomed.txt"
wine_run "$bin/spooler_probe.exe" restart >/dev/null
check_eq "restart: ExitWindowsEx accepts the request" 0 "$?"
wine_server_end
# Wine carries out pending renames when the prefix starts again.
wine_run wineboot -r >/dev/null 2>&1
wine_server_end
check_false "restart: the file is gone after the restart" test -e "$drive_c/qid-spool/doomed.txt"

wine_suite_finish
