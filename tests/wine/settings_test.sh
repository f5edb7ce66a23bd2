#!/usr/bin/env bash
# The settings store against Wine's registry: settings_probe.exe runs LoadSettings,
# SaveSettings and the single-value operations as a job would; `wine reg` arranges the keys
# and checks values and types from outside, and the registry file itself shows the stored
# bytes at the end.
#
#   tests/wine/settings_test.sh BUILD_WIN_DIR
# shellcheck source=tests/wine/lib.sh
source "$(dirname "$0")/lib.sh"
wine_suite_start "${1:-}"
bin=$QID_WIN_BUILD/tests/wine
[ -f "$bin/settings_probe.exe" ] || { fail "settings_probe.exe is built" "missing in $bin"; wine_suite_finish; }

HKCU='HKCU\Software\ZEL\4.01\Settings'
HKLM='HKLM\Software\ZEL\4.01\Settings'
ALL_NAMES=$(printf '%s\n' "AutoGenerate" "Auto Number Value" "Disable Dialog" "Serial Init Number" \
  "Output Mode" "Always Overwrite" "PDF Output" "Auto Reset Serial Number" "Last Serial Number" \
  "Serial Num Digits" "Trim Source Name" "Use Source Name" "Output Application" \
  "Output Directory" "Output File" "Doc Prefix String" "Serial Prefix String" | LC_ALL=C sort)
JOB_NAMES=$(printf '%s\n' "Done File" "Pages Last" "Pages Total")

probe() {
  local out
  out=$(wine_run "$bin/settings_probe.exe" "$@")
  local rc=$?
  [ $rc -eq 0 ] || fail "settings_probe $1 ... ran" "exit code $rc: $(printf '%s' "$out" | tail -n 3)"
  printf '%s\n' "$out"
}
no_keys() {
  wine_reg_delete_key 'HKCU\Software\ZEL'
  wine_reg_delete_key 'HKLM\Software\ZEL'
}
chars() { head -c "$2" /dev/zero | tr '\0' "$1"; }

# --- no key anywhere -------------------------------------------------------------------------
no_keys
out=$(probe load print dword "Pages Last" 3 dword "Pages Total" 12 \
  string "Done File" 'C:\users\root\Temp\DONE_ZEL.TIF' counter "Last Serial Number" 5 \
  read "Pages Total" read "Pages Missing")
check_line "no key: LoadSettings is false" "$out" "LoadSettings=0"
check_line "no key: traced REGISTRY ERROR" "$out" "trace: QIF02:  REGISTRY ERROR"
for expected in "AutoGenerate=1" "Auto Number Value=1" "Disable Dialog=0" "Serial Init Number=1" \
                "Output Mode=1" "Last Serial Number=1" "Serial Num Digits=4" \
                'Output Directory=C:\ZEL' "Output File=TEST.TIF" "Output Application=" \
                "settings_key=none"; do
  check_line "no key: defaults: $expected" "$out" "$expected"
done
check_line "no key: a counter has no key to go to" "$out" "StoreCounter Last Serial Number=0"
check_line "no key: ReadSettingDword reads a written value" "$out" "ReadSettingDword Pages Total=12"
check_line "no key: ReadSettingDword of a missing value is 0" "$out" "ReadSettingDword Pages Missing=0"
check_eq "no key: the new user key holds only the three job values" "$JOB_NAMES" \
  "$(wine_reg_value_names "$HKCU")"
check_eq "no key: Pages Last is a REG_DWORD" "REG_DWORD 0x3" "$(wine_reg_query "$HKCU" "Pages Last")"
check_eq "no key: Done File is a REG_SZ" 'REG_SZ C:\users\root\Temp\DONE_ZEL.TIF' \
  "$(wine_reg_query "$HKCU" "Done File")"
check_false "no key: nothing is written under the local machine" wine_reg_key_exists "$HKLM"
out=$(probe raw HKCU "Done File")
check_line "no key: Done File is stored without terminator" "$out" \
  'raw HKCU Done File type=1 bytes=62 text=C:\users\root\Temp\DONE_ZEL.TIF'

# The next job opens that key and finds the settings missing.
out=$(probe load print)
check_line "job values only: LoadSettings opens the user key" "$out" "LoadSettings=1"
check_no_line "job values only: no fallback to the local machine" "$out" \
  "trace: QIF02:  REGISTRY => LOCAL MACHINE"
check_line "job values only: a missing Output Mode is a usable mode" "$out" "Output Mode=1"
check_line "job values only: a missing Output Directory is the default" "$out" 'Output Directory=C:\ZEL'

# --- key only under the local machine --------------------------------------------------------
no_keys
wine_reg_add "$HKLM" "AutoGenerate" REG_DWORD 0
wine_reg_add "$HKLM" "Auto Number Value" REG_DWORD 41
wine_reg_add "$HKLM" "Disable Dialog" REG_DWORD 1
wine_reg_add "$HKLM" "Serial Init Number" REG_DWORD 7
wine_reg_add "$HKLM" "Output Mode" REG_DWORD 3
wine_reg_add "$HKLM" "Always Overwrite" REG_DWORD 1
wine_reg_add "$HKLM" "PDF Output" REG_DWORD 1
wine_reg_add "$HKLM" "Auto Reset Serial Number" REG_DWORD 1
wine_reg_add "$HKLM" "Last Serial Number" REG_DWORD 17
wine_reg_add "$HKLM" "Serial Num Digits" REG_DWORD 9
wine_reg_add "$HKLM" "Trim Source Name" REG_DWORD 1
wine_reg_add "$HKLM" "Use Source Name" REG_DWORD 1
wine_reg_add "$HKLM" "Output Application" REG_SZ 'C:\Tools\view.exe'
wine_reg_add "$HKLM" "Output Directory" REG_SZ 'D:\Scans'
wine_reg_add "$HKLM" "Output File" REG_SZ "JOB.TIF"
wine_reg_add "$HKLM" "Doc Prefix String" REG_SZ "DOC"
wine_reg_add "$HKLM" "Serial Prefix String" REG_SZ "SER"
out=$(probe load print counter "Auto Number Value" 42 counter "Last Serial Number" 18 \
  dword "Pages Last" 2 dword "Pages Total" 2 string "Done File" 'C:\tmp\DONE_ZEL.TIF')
check_line "machine key: LoadSettings is true" "$out" "LoadSettings=1"
check_line "machine key: traced the fallback" "$out" "trace: QIF02:  REGISTRY => LOCAL MACHINE"
check_line "machine key: traced REGISTRY OK" "$out" "trace: QIF02:  REGISTRY OK"
for expected in "AutoGenerate=0" "Auto Number Value=41" "Disable Dialog=1" "Serial Init Number=7" \
                "Output Mode=3" "Always Overwrite=1" "PDF Output=1" "Auto Reset Serial Number=1" \
                "Last Serial Number=17" "Serial Num Digits=9" "Trim Source Name=1" \
                "Use Source Name=1" 'Output Application=C:\Tools\view.exe' \
                'Output Directory=D:\Scans' "Output File=JOB.TIF" "Doc Prefix String=DOC" \
                "Serial Prefix String=SER"; do
  check_line "machine key: values come from there: $expected" "$out" "$expected"
done
check_line "machine key: a counter is stored" "$out" "StoreCounter Auto Number Value=1"
check_eq "machine key: Auto Number Value goes back there" "REG_DWORD 0x2a" \
  "$(wine_reg_query "$HKLM" "Auto Number Value")"
check_eq "machine key: Last Serial Number goes back there" "REG_DWORD 0x12" \
  "$(wine_reg_query "$HKLM" "Last Serial Number")"
check_false "machine key: Pages Last does not go there" wine_reg_query "$HKLM" "Pages Last"
check_eq "machine key: a new user key gets only the three job values" "$JOB_NAMES" \
  "$(wine_reg_value_names "$HKCU")"

# The next job opens that user key: each value it lacks comes from the machine key.
out=$(probe load print)
check_no_line "job values, machine key: the user key is opened" "$out" \
  "trace: QIF02:  REGISTRY => LOCAL MACHINE"
for expected in "Output Mode=3" 'Output Directory=D:\Scans' "Serial Prefix String=SER" \
                "Last Serial Number=18"; do
  check_line "job values, machine key: missing values from the machine: $expected" "$out" \
    "$expected"
done
check_line "job values, machine key: traced per value" "$out" \
  "trace: QIF02:  Output Mode from LOCAL MACHINE"

# After the dialog has saved, counters go to the user's key.
wine_reg_delete_key 'HKCU\Software\ZEL'
out=$(probe load save counter "Last Serial Number" 99)
check_line "machine key, saved: SaveSettings" "$out" "SaveSettings=1"
check_eq "machine key, saved: the user key holds the whole record" "$ALL_NAMES" \
  "$(wine_reg_value_names "$HKCU")"
check_eq "machine key, saved: a later counter goes to the user key" "REG_DWORD 0x63" \
  "$(wine_reg_query "$HKCU" "Last Serial Number")"
check_eq "machine key, saved: ... and not to the machine key" "REG_DWORD 0x12" \
  "$(wine_reg_query "$HKLM" "Last Serial Number")"
check_eq "machine key, saved: Serial Num Digits outside 2 to 8 is saved unchanged" \
  "REG_DWORD 0x9" "$(wine_reg_query "$HKCU" "Serial Num Digits")"

# --- the hand-off: written by the installer in UTF-16, read by the settings store -------------
no_keys
out=$(probe installer-defaults raw HKCU "Output Directory" raw HKCU "Output File" \
  raw HKCU "Output Application" raw HKCU "Precmd" load print)
check_line "hand-off: the installer's defaults are written" "$out" "installer-defaults=1"
for expected in 'raw HKCU Output Directory type=1 bytes=12 text=C:\ZEL' \
                "raw HKCU Output File type=1 bytes=16 text=TEST.TIF" \
                "raw HKCU Output Application type=1 bytes=0 text=" \
                'raw HKCU Precmd type=1 bytes=2 text=\0'; do
  check_line "hand-off: stored as the installer means: ${expected#raw HKCU }" "$out" "$expected"
done
check_line "hand-off: LoadSettings reads the installer's key" "$out" "LoadSettings=1"
check_eq "hand-off: every number is read, none defaulted" 0 \
  "$(printf '%s\n' "$out" | grep -c 'not readable')"
for expected in 'Output Directory=C:\ZEL' "Output File=TEST.TIF" "Output Application=" \
                "AutoGenerate=1" "Serial Num Digits=4" "Last Serial Number=1"; do
  check_line "hand-off: the settings store loads $expected" "$out" "$expected"
done

# --- strings with and without terminator, and at their capacities ----------------------------
no_keys
prefix63=$(chars p 63)
app255=$(chars a 255)
out=$(probe put HKCU "Output File" sz "NONUL.TIF" put HKCU "Output Directory" sz0 'C:\With NUL' \
  put HKCU "Serial Prefix String" sz "$prefix63" put HKCU "Output Application" sz0 "$app255" \
  raw HKCU "Output File" raw HKCU "Output Directory")
wine_reg_add "$HKCU" "Doc Prefix String" REG_SZ "REGADD"
check_line "strings: arranged without terminator" "$out" \
  "raw HKCU Output File type=1 bytes=18 text=NONUL.TIF"
check_line "strings: arranged with terminator" "$out" \
  'raw HKCU Output Directory type=1 bytes=24 text=C:\With NUL\0'
out=$(probe load print)
check_line "strings: a value without NUL reads whole" "$out" "Output File=NONUL.TIF"
check_line "strings: a value with NUL reads the same way" "$out" 'Output Directory=C:\With NUL'
check_line "strings: a value from reg add reads the same way" "$out" "Doc Prefix String=REGADD"
check_line "strings: a prefix of 63 characters fits" "$out" "Serial Prefix String=$prefix63"
check_line "strings: an application of 255 characters with NUL fits its 256 bytes" "$out" \
  "Output Application=$app255"

out=$(probe put HKCU "Output Application" sz "$(chars b 256)" \
  put HKCU "Output Directory" sz "$(chars d 1024)" put HKCU "Doc Prefix String" sz0 "$(chars q 64)" \
  load print)
check_line "strings: an application of 256 characters does not overrun (empty)" "$out" \
  "Output Application="
check_line "strings: a folder of 1024 characters does not overrun (default)" "$out" \
  'Output Directory=C:\ZEL'
check_line "strings: a prefix of 64 characters does not overrun (empty)" "$out" "Doc Prefix String="

# Numbers of the wrong size or type are not read as numbers.
out=$(probe put HKCU "Output Mode" hex "4:0200" put HKCU "Auto Number Value" sz "12" \
  load print read "Output Mode")
check_line "numbers: a 2-byte REG_DWORD is not taken" "$out" "Output Mode=1"
check_line "numbers: a REG_SZ is not taken as a number" "$out" "Auto Number Value=1"
check_line "numbers: ReadSettingDword of a 2-byte value is 0" "$out" "ReadSettingDword Output Mode=0"

# --- SaveSettings writes every value ---------------------------------------------------------
no_keys
out=$(probe load set "Output Directory" 'C:\Out Dir' set "Output File" "a.tif" \
  set "Doc Prefix String" "D-" set "Serial Prefix String" "" set "Output Mode" 2 \
  set "Serial Num Digits" 1 set "Last Serial Number" 77 set "AutoGenerate" 0 \
  save-app 'C:\Tools\view.exe /p')
check_line "save: SaveSettings is true" "$out" "SaveSettings=1"
check_line "save: traced the application" "$out" 'trace: QIF02:  APP to launch C:\Tools\view.exe /p'
check_eq "save: every value of the record is written" "$ALL_NAMES" "$(wine_reg_value_names "$HKCU")"
for pair in "AutoGenerate|REG_DWORD 0x0" "Auto Number Value|REG_DWORD 0x1" \
            "Disable Dialog|REG_DWORD 0x0" "Serial Init Number|REG_DWORD 0x1" \
            "Output Mode|REG_DWORD 0x2" "Always Overwrite|REG_DWORD 0x0" "PDF Output|REG_DWORD 0x0" \
            "Auto Reset Serial Number|REG_DWORD 0x0" "Last Serial Number|REG_DWORD 0x4d" \
            "Serial Num Digits|REG_DWORD 0x1" "Trim Source Name|REG_DWORD 0x0" \
            "Use Source Name|REG_DWORD 0x0" 'Output Directory|REG_SZ C:\Out Dir' \
            "Output File|REG_SZ a.tif" "Doc Prefix String|REG_SZ D-" \
            'Output Application|REG_SZ C:\Tools\view.exe /p'; do
  name=${pair%%|*}
  check_eq "save: $name as reg query sees it" "${pair#*|}" "$(wine_reg_query "$HKCU" "$name")"
done
# reg query prints whatever follows a string of 0 bytes; only its type is its to tell.
type=$(wine_reg_query "$HKCU" "Serial Prefix String" | tr -cd 'A-Z_ ' | cut -d' ' -f1)
check_eq "save: Serial Prefix String as reg query sees it (type)" "REG_SZ" "$type"
out=$(probe raw HKCU "Output Directory" raw HKCU "Output File" raw HKCU "Doc Prefix String" \
  raw HKCU "Serial Prefix String" raw HKCU "Output Application")
for expected in 'raw HKCU Output Directory type=1 bytes=20 text=C:\Out Dir' \
                "raw HKCU Output File type=1 bytes=10 text=a.tif" \
                "raw HKCU Doc Prefix String type=1 bytes=4 text=D-" \
                "raw HKCU Serial Prefix String type=1 bytes=0 text=" \
                'raw HKCU Output Application type=1 bytes=40 text=C:\Tools\view.exe /p'; do
  check_line "save: stored without terminator: ${expected#raw HKCU }" "$out" "$expected"
done
out=$(probe load print)
for expected in "Output Mode=2" "Serial Num Digits=1" "Last Serial Number=77" "AutoGenerate=0" \
                'Output Directory=C:\Out Dir' "Output File=a.tif" "Doc Prefix String=D-" \
                "Serial Prefix String=" 'Output Application=C:\Tools\view.exe /p'; do
  check_line "save: the next job loads $expected" "$out" "$expected"
done

# The registry file, written when the server ends, is the last word on what was stored: the
# key's class is one blank and a string without terminator is kept as raw UTF-16 (hex(1)).
wine_flush_registry
section=$(awk '/^\[Software\\\\ZEL\\\\4\.01\\\\Settings\]/ { on = 1; next } /^\[/ { on = 0 } on' \
  "$WINEPREFIX/user.reg")
check_line "registry file: the key was created with class \" \"" "$section" '#class=" "'
check_line "registry file: Output File is stored as 5 UTF-16 units, no terminator" "$section" \
  '"Output File"=hex(1):61,00,2e,00,74,00,69,00,66,00'
check_line "registry file: an empty Serial Prefix String is stored as no bytes at all" "$section" \
  '"Serial Prefix String"=hex(1):'
check_line "registry file: Output Mode is a dword" "$section" '"Output Mode"=dword:00000002'

wine_suite_finish
