#!/usr/bin/env bash
# Runs the end-to-end scenarios with two native builds and compares every file the jobs left
# under drive C: (results, kept job files), byte for byte: a change that must not alter any
# output (a faster or leaner path) proves it here. The Output Application's call records hold
# the run's own folder and are left out.
#
#   tests/scenarios/compare_builds.sh OLD_NATIVE_BUILD NEW_NATIVE_BUILD
#
# Prints one line per differing file and ends with "N passed, M failed".
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
old=${1:?usage: compare_builds.sh OLD_NATIVE_BUILD NEW_NATIVE_BUILD}
new=${2:?usage: compare_builds.sh OLD_NATIVE_BUILD NEW_NATIVE_BUILD}
work=$(mktemp -d "${TMPDIR:-/tmp}/qid-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT

for side in old new; do
  mkdir -p "$work/$side"
  build=$old
  [ "$side" = new ] && build=$new
  TMPDIR=$work/$side QID_KEEP_SCENARIOS=1 bash "$here/host_runner.sh" "$build" \
    >"$work/$side.log" 2>&1 || { echo "FAIL - the scenarios with $build"; tail -n 5 "$work/$side.log"; }
done
old_runs=$(ls -d "$work"/old/qid-scenarios.*) new_runs=$(ls -d "$work"/new/qid-scenarios.*)
outputs() { (cd "$1" && find . -path '*/root/drive_c/*' -type f ! -path '*/qidtest/*' | sort); }
passed=0 failed=0
if ! diff <(outputs "$old_runs") <(outputs "$new_runs") >"$work/names.diff"; then
  echo "FAIL - the same files exist"; cat "$work/names.diff"; failed=$((failed + 1))
fi
while read -r f; do
  if cmp -s "$old_runs/$f" "$new_runs/$f"; then passed=$((passed + 1))
  else echo "FAIL - $f differs"; failed=$((failed + 1)); fi
done < <(outputs "$old_runs")
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
