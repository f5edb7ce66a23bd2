#!/usr/bin/env bash
# Two Q71File.exe jobs at the same time under Wine (tests/scenarios/concurrent_jobs.sh).
#   tests/wine/concurrency_test.sh BUILD_WIN_DIR
exec bash "$(dirname "$0")/../scenarios/concurrent_jobs.sh" wine "$@"
