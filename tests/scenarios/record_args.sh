#!/bin/sh
# The Output Application of the host scenarios: appends one line per call to the file named by
# its first argument, "<count>: [arg]..." for the arguments after it. A C:\ path for that file
# is taken under $QID_ROOT/drive_c, as the host maps product paths.
log=$1
shift
case $log in
  [A-Za-z]:\\*)
    drive=$(printf '%s' "$log" | cut -c1 | tr '[:upper:]' '[:lower:]')
    rest=$(printf '%s' "$log" | cut -c3- | sed 's|\\|/|g')
    log="$QID_ROOT/drive_$drive$rest" ;;
esac
{
  printf '%s:' "$#"
  for arg in "$@"; do printf ' [%s]' "$arg"; done
  printf '\n'
} >>"$log"
