#!/usr/bin/env bash
# Runs every benchmark program of a -DQID_BENCH=ON build; bench/README.md keeps the results.
#   bash bench/run.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: bench/run.sh BUILD_DIR}
for program in "$build"/bench/*_bench; do
  [ -x "$program" ] || continue
  echo "== $(basename "$program")"
  "$program" --benchmark_counters_tabular=true
done
for script in "$(dirname "$0")"/*_bench.sh; do
  [ -f "$script" ] || continue
  echo "== $(basename "$script")"
  bash "$script" "$build"
done
