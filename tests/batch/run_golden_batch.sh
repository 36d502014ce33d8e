#!/usr/bin/env bash
# Runs the batch on the scenario that repeats one reference run's stand and
# steps, and compares the report it writes (--reports) with the reference
# run's report, byte for byte.
#
#   run_golden_batch.sh PROGRAM SCENARIO GOLDEN_DIR
set -u
program=$1
scenario=$2
golden=$3
case=$(basename "$scenario" .toml)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$program" run "$scenario" --out "$work/out" --reports --jobs 1 2>"$work/stderr"
status=$?
if [ "$status" != 0 ]; then
  echo "$case: exit status $status: $(head -c 500 "$work/stderr")"
  exit 1
fi
report=$(ls "$work/out/reports")
if ! cmp -s "$work/out/reports/$report" "$golden/$case.rep"; then
  echo "$case: report $report differs from $case.rep"
  diff <(cat -A "$golden/$case.rep") <(cat -A "$work/out/reports/$report") | head -40
  exit 1
fi
