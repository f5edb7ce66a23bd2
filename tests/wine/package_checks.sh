# shellcheck shell=bash
# What an installation of the package leaves on a prefix, for the suites that install it
# (installer_test.sh through the window, deploy_test.sh unattended). Sourced after lib.sh and
# wine_suite_start; uses $work (a scratch folder of the suite).
# shellcheck disable=SC1003  # Windows paths end in a backslash inside single quotes

printer='Quendrel Image Driver 4.0'
files=(pgdrv71.dll pgui71.dll pggen.ppd Q71File.exe notes.txt qid_E.chm)
drivers=$(wine_drive_c)/windows/system32/spool/drivers/w32x86
key_printer="HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\$printer"
key_driver="HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\Version-3\\$printer"
key_settings='HKCU\Software\ZEL\4.01\Settings'
key_device='HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows'

# package NAME: a copy of the package folder as C:\NAME (host path printed).
package() {
  local drive_c
  drive_c=$(wine_drive_c)
  rm -rf "${drive_c:?}/$1"
  cp -a "$QID_WIN_BUILD/package" "$drive_c/$1"
  echo "$drive_c/$1"
}

# log_is WHAT FILE TEXT: FILE holds TEXT (printf escapes) as UTF-16 LE, no byte-order mark.
log_is() {
  # shellcheck disable=SC2059  # the expected text is written with printf escapes
  # shellcheck disable=SC2154  # $work is the suite's scratch folder
  printf "$3" | iconv -f UTF-8 -t UTF-16LE >"$work/expected.log"
  if cmp -s "$work/expected.log" "$2"; then
    pass "$1"
  else
    fail "$1" "$( (iconv -f UTF-16LE -t UTF-8 "$2" 2>&1 || echo '<no log>') | tr '\r\n' '|~' | head -c 600)"
  fi
}

# log_text FILE: the log as UTF-8 with CR LF kept as "|".
log_text() { iconv -f UTF-16LE -t UTF-8 "$1" 2>/dev/null | tr '\r\n' '|~'; }

# copy_lines: the log lines of a successful copy of the real package.
copy_lines() {
  local f size
  for f in "${files[@]}"; do
    size=$(stat -c %s "$QID_WIN_BUILD/package/$f")
    printf 'Start copy of file %s (%s bytes)\\r\\n +--End copy of file %s\\r\\n' "$f" "$size" "$f"
  done
}

# installed_log DEFAULT: the whole log of a successful installation; DEFAULT 1 when the
# printer was made the default.
installed_log() {
  local default=
  [ "$1" = 1 ] && default='Selected as default printer\r\n'
  printf '%s' "Selected to install: $printer\\r\\nStart of installation\\r\\n$(copy_lines)Installing printer driver\\r\\nAdding printer port\\r\\nAdding printer\\r\\nConfigure registry\\r\\n${default}End of installation\\r\\n"
}

# flush_registry: the server writes user.reg and system.reg when it ends; ending the
# persistent server at once saves the wait for it to time out.
flush_registry() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  wineserver -p >/dev/null 2>&1 || true
}

# reg_section HIVE KEY: the value lines of a key in the prefix's registry files (as last
# flushed), sorted.
reg_section() {
  # The key as the file spells it (backslashes doubled); ENVIRON keeps them as they are.
  KEY="[$2]" awk 'index($0, ENVIRON["KEY"]) == 1 { on = 1; next }
                  on && /^\[/ { exit } on && /^"/ { print }' "$WINEPREFIX/$1" | LC_ALL=C sort
}

device() { wine_reg_query "$key_device" device 2>/dev/null | sed 's/^REG_SZ //'; }

# check_installed WHAT PACKAGE_HOST_DIR: every file with its source's bytes and write time,
# the port once, the driver's and the printer's keys, and the 21 settings exactly.
check_installed() {
  local what=$1 pkg=$2 f dest line
  for f in "${files[@]}"; do
    dest=$drivers/$f
    [ "$f" = notes.txt ] && dest="$(wine_drive_c)/Program Files/ZEL/notes.txt"
    check_true "$what: $f installed with its source's bytes" cmp -s "$pkg/$f" "$dest"
    check_eq "$what: $f keeps its source's write time" "$(stat -c %Y "$pkg/$f")" "$(stat -c %Y "$dest" 2>&1)"
  done
  flush_registry
  check_eq "$what: the port QID_00: exists once" 1 \
    "$(reg_section system.reg 'Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports' | grep -c '^"QID_00:"=')"
  local driver printer_key
  driver=$(reg_section system.reg "System\\\\CurrentControlSet\\\\Control\\\\Print\\\\Environments\\\\Windows NT x86\\\\Drivers\\\\Version-3\\\\$printer")
  for line in '"Driver"="pgdrv71.dll"' '"Configuration File"="pgui71.dll"' '"Data File"="pggen.ppd"' \
              '"Help File"="qid_E.chm"' \
              '"Dependent Files"=str(7):"pgdrv71.dll\0pgui71.dll\0pggen.ppd\0Q71File.exe\0qid_E.chm\0"'; do
    check_line "$what: driver key: $line" "$driver" "$line"
  done
  printer_key=$(reg_section system.reg "System\\\\CurrentControlSet\\\\Control\\\\Print\\\\Printers\\\\$printer")
  check_line "$what: the printer is on QID_00:" "$printer_key" '"Port"="QID_00:"'
  check_line "$what: the printer uses the driver" "$printer_key" "\"Printer Driver\"=\"$printer\""
  # As the prefix's files spell them: hex(1) is a string of exactly those bytes; "" is one
  # NUL character (2 bytes).
  check_eq "$what: the 21 settings with their types and byte lengths" "$(LC_ALL=C sort <<'EOF_SETTINGS'
"AutoGenerate"=dword:00000001
"Auto Number Value"=dword:00000001
"Disable Dialog"=dword:00000000
"Serial Init Number"=dword:00000001
"Output Mode"=dword:00000001
"Always Overwrite"=dword:00000000
"PDF Output"=dword:00000000
"Auto Reset Serial Number"=dword:00000000
"Last Serial Number"=dword:00000001
"Serial Num Digits"=dword:00000004
"Trim Source Name"=dword:00000000
"Use Source Name"=dword:00000000
"Output Directory"=hex(1):43,00,3a,00,5c,00,5a,00,45,00,4c,00
"Output File"=hex(1):54,00,45,00,53,00,54,00,2e,00,54,00,49,00,46,00
"Doc Prefix String"=hex(1):
"Serial Prefix String"=hex(1):
"Output Application"=hex(1):
"Pages Last"=dword:00000000
"Pages Total"=dword:00000000
"Precmd"=""
"use 2"=dword:00000000
EOF_SETTINGS
)" "$(reg_section user.reg 'Software\\ZEL\\4.01\\Settings')"
}

# check_nothing_registered WHAT: no package file in the driver folder, no port, driver,
# printer or settings.
check_nothing_registered() {
  local what=$1 f
  for f in "${files[@]}"; do
    [ "$f" = notes.txt ] && continue
    check_false "$what: $f not copied" test -e "$drivers/$f"
  done
  flush_registry
  check_eq "$what: no port QID_00:" 0 \
    "$(reg_section system.reg 'Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports' | grep -c '^"QID_00:"=')"
  check_false "$what: no driver" wine_reg_key_exists "$key_driver"
  check_false "$what: no printer" wine_reg_key_exists "$key_printer"
  check_false "$what: no settings" wine_reg_key_exists "$key_settings"
}

# check_removed WHAT: after a removal and the restart that carries out deferred deletions, no
# package file in the driver folders, no driver or printer key; the user's output
# (C:\ZEL\0001.tif) and settings stay.
check_removed() {
  local what=$1 f
  for f in "${files[@]}"; do
    [ "$f" = notes.txt ] && continue
    check_false "$what: $f gone from the driver folder" test -e "$drivers/$f"
    check_false "$what: $f gone from its version folder" test -e "$drivers/3/$f"
  done
  check_false "$what: the driver's key is gone" wine_reg_key_exists "$key_driver"
  check_false "$what: the printer's key is gone" wine_reg_key_exists "$key_printer"
  check_true "$what: the user's output stays" test -f "$(wine_drive_c)/ZEL/0001.tif"
  check_true "$what: the user's settings stay" wine_reg_key_exists "$key_settings"
}
