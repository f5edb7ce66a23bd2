#!/usr/bin/env bash
# Checks that Windows programs import only DLLs that come with Windows 2000, and none of the
# kernel32 functions newer than Windows 2000 that the static MinGW runtime is known to bring
# in (cmake/win2000_imports.c stands in for them). Prints the offending imports and fails.
#
#   tools/check-win-imports.sh [--objdump PATH] PROGRAM.exe...
set -euo pipefail

objdump=i686-w64-mingw32-objdump
if [ "${1:-}" = "--objdump" ]; then
  objdump=$2
  shift 2
fi
[ $# -ge 1 ] || { echo "usage: $0 [--objdump PATH] PROGRAM.exe..." >&2; exit 2; }

declare -A system_dll newer_function
for name in kernel32.dll user32.dll gdi32.dll advapi32.dll comctl32.dll comdlg32.dll shell32.dll \
            winspool.drv ole32.dll oleaut32.dll msvcrt.dll version.dll shlwapi.dll imm32.dll mpr.dll; do
  system_dll[$name]=1
done
for name in GetTickCount64 AddVectoredExceptionHandler RemoveVectoredExceptionHandler; do
  newer_function[$name]=1
done

status=0
for program in "$@"; do
  table=$("$objdump" -p "$program") || { echo "$program: not readable by $objdump" >&2; exit 1; }
  dll=
  bad=()
  while IFS= read -r line; do
    if [[ $line =~ DLL\ Name:\ (.+)$ ]]; then
      dll=${BASH_REMATCH[1],,}
      [ -n "${system_dll[$dll]:-}" ] || bad+=("DLL $dll")
    elif [ -n "$dll" ] && [[ $line =~ ^[[:space:]]+[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+([A-Za-z_0-9@]+)$ ]]; then
      [ -z "${newer_function[${BASH_REMATCH[1]}]:-}" ] || bad+=("$dll!${BASH_REMATCH[1]}")
    elif [ -z "$line" ]; then
      dll=
    fi
  done <<<"$table"
  if [ ${#bad[@]} -gt 0 ]; then
    echo "$program: imports beyond Windows 2000: ${bad[*]}" >&2
    status=1
  fi
done
exit $status
