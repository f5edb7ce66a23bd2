#!/usr/bin/env bash
# The end-to-end scenarios (tests/scenarios/scenarios.sh) against Q71File.exe under Wine.
#   tests/wine/scenarios_test.sh BUILD_WIN_DIR
exec bash "$(dirname "$0")/../scenarios/wine_runner.sh" "$@"
