#!/usr/bin/env bash
# The dialog view's contract over the Win32 view of a real dialog (view_contract.exe), with the
# checks that the in-memory view passes natively (contract_tests).
#
#   tests/wine/ui_test.sh BUILD_WIN_DIR
# shellcheck source=tests/wine/lib.sh
source "$(dirname "$0")/lib.sh"
wine_need_display "$0" "$@"  # dialogs need a display
wine_suite_start "${1:-}"
exe=$QID_WIN_BUILD/tests/ui/view_contract.exe
[ -f "$exe" ] || { fail "view_contract.exe is built" "missing in $QID_WIN_BUILD/tests/ui"; wine_suite_finish; }
[ -n "${DISPLAY:-}" ] || { fail "an X display for the dialog" "no DISPLAY and no xvfb-run"; wine_suite_finish; }

out=$(wine_run "$exe")
status=$?
printf '%s\n' "$out" | grep -E '^(ok   |FAIL) - '
QID_PASSED=$((QID_PASSED + $(printf '%s\n' "$out" | grep -c '^ok   - ')))
QID_FAILED=$((QID_FAILED + $(printf '%s\n' "$out" | grep -c '^FAIL - ')))
# A contract that stopped early would pass with fewer checks.
check_eq "view_contract ran to its end" 0 "$status"
[ "$QID_PASSED" -ge 30 ] || fail "the contract made all its checks" "only $QID_PASSED passed"

# The harness: a UI driver run that ends before its last step counts as a failure, so that no
# suite loses the rest of its checks unnoticed.
mkdir -p "$(wine_drive_c)/qidtest"
cp "$QID_WIN_BUILD/tests/ui/ui_driver.exe" "$(wine_drive_c)/qidtest/"
for run in 'no-such-step' 'sleep 10 text 1000'; do
  failed_before=$QID_FAILED passed_before=$QID_PASSED
  # shellcheck disable=SC2086  # the words are the driver's steps
  ui $run >/dev/null
  counted=$((QID_FAILED - failed_before))
  QID_FAILED=$failed_before QID_PASSED=$passed_before
  check_eq "ui: a driver run that ends early ($run) fails the suite" 1 "$counted"
done

wine_suite_finish
