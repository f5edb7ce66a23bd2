#!/usr/bin/env bash
# The Win32 platform parts against Wine's registry, files, processes and environment:
# platform_probe.exe runs the platform contract (tests/contract, the same checks the fakes and
# host parts pass natively) in a fresh prefix, one line per check; this script adds the
# launcher's checks and the summary.
#
#   tests/wine/platform_test.sh BUILD_WIN_DIR
# shellcheck source=tests/wine/lib.sh
source "$(dirname "$0")/lib.sh"
wine_suite_start "${1:-}"
bin=$QID_WIN_BUILD/tests/wine

for exe in platform_probe.exe launcher.exe; do
  [ -f "$bin/$exe" ] || { fail "$exe is built" "missing in $bin"; wine_suite_finish; }
done

# Values set outside Windows: one past the system's limit, one at it.
long=$(head -c 40000 /dev/zero | tr '\0' a)
max=$(head -c 32767 /dev/zero | tr '\0' x)
out=$(QID_PROBE_LONG=$long QID_PROBE_MAX=$max wine_run "$bin/platform_probe.exe" all)
status=$?
printf '%s\n' "$out" | grep -E '^(ok   |FAIL) - '
QID_PASSED=$((QID_PASSED + $(printf '%s\n' "$out" | grep -c '^ok   - ')))
QID_FAILED=$((QID_FAILED + $(printf '%s\n' "$out" | grep -c '^FAIL - ')))
# A probe that dies halfway reports fewer lines, not failures: its exit code tells.
check_eq "platform_probe ran to its end" 0 "$status"

# The launcher: a verbatim command line, variables set on the Windows side, the exit code.
drive_c=$(wine_drive_c)
mkdir -p "$drive_c/q"
cp "$bin/platform_probe.exe" "$drive_c/q/probe.exe"
wine_run "$bin/launcher.exe" --cmd 'C:\q\probe.exe' child-exit 9 >/dev/null
check_eq "launcher: exits with the child's code" 9 "$?"
shown=$(wine_run "$bin/launcher.exe" --show --cmd 'C:\q\probe.exe' 'C:\jobs\job 1.tif' 2>&1)
check_line "launcher: the arguments after the program follow unquoted" "$shown" \
  'launcher: command line [C:\q\probe.exe C:\jobs\job 1.tif]'
mkdir -p "$drive_c/q dir"
cp "$bin/platform_probe.exe" "$drive_c/q dir/probe.exe"
wine_run "$bin/launcher.exe" --cmd 'C:\q dir\probe.exe' child-exit 4 >/dev/null
check_eq "launcher: a program path with blanks is quoted for the system" 4 "$?"
wine_run "$bin/launcher.exe" --line '"C:\q dir\probe.exe" child-exit 5' >/dev/null
check_eq "launcher: --line is the command line as given" 5 "$?"
# (--line here: --cmd would pass the blank-holding text unquoted, as two arguments.)
wine_run "$bin/launcher.exe" --env 'TMP=C:\job tmp' --line 'C:\q\probe.exe child-env TMP "C:\job tmp"' \
  >/dev/null
check_eq "launcher: TMP set with --env reaches the child in place of Wine's own" 0 "$?"
wine_run "$bin/launcher.exe" --env VEDIZE_DOCNAME= --line 'C:\q\probe.exe child-env VEDIZE_DOCNAME ""' \
  >/dev/null
check_eq "launcher: --env NAME= sets an empty text" 0 "$?"
VEDIZE_PAGES=3 wine_run "$bin/launcher.exe" --unset VEDIZE_PAGES --cmd 'C:\q\probe.exe' \
  child-env VEDIZE_PAGES 3 >/dev/null
check_eq "launcher: --unset removes a variable that came from outside" 2 "$?"
# Bits 1-8 of child-startup are the start-up parameters that only StartProcess sets; 16 is the
# inherited variable, 32 the current folder.
wine_run "$bin/launcher.exe" --env QID_PROBE_INHERIT=yes --cwd 'C:\q' \
  --line 'C:\q\probe.exe child-startup C:\q' >/dev/null
mask=$?
check_eq "launcher: the child inherits the variables and runs in --cwd" 0 $((mask & 48))
wine_run "$bin/launcher.exe" --timeout 1 --cmd 'C:\q\probe.exe' child-sleep 20000 >/dev/null 2>&1
check_eq "launcher: a child still running after --timeout is ended, code 122" 122 "$?"
wine_run "$bin/launcher.exe" --cmd 'C:\q\none.exe' >/dev/null 2>&1
check_eq "launcher: a program that cannot start gives code 121" 121 "$?"

wine_suite_finish
