#!/usr/bin/env bash
# Runs the batch on the scenario that repeats one reference run's stand and
# steps, and compares the report it writes (--reports) with the reference
# run's report, byte for byte; then again with a final felling ending each
# regime and prices to value it, which the report does not show.
#
#   run_golden_batch.sh PROGRAM SCENARIO GOLDEN_DIR
set -u
program=$1
scenario=$2
golden=$3
case=$(basename "$scenario" .toml)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sed '/^steps = \[$/,/^\]$/ s/^\]$/  { fell = true },\n]/' "$scenario" >"$work/felled.toml"
printf '\n[economics]\nsawlog = 50\nannual = 10\n' >>"$work/felled.toml"
for run in "$scenario" "$work/felled.toml"; do
  rm -rf "$work/out"
  "$program" run "$run" --out "$work/out" --reports --jobs 1 2>"$work/stderr"
  status=$?
  # The reference run of extreme values leaves the model's range.
  if [ "$status" != 0 ] && ! { [ "$status" = 3 ] && grep -q out_of_range "$work/out/runs.csv"; }; then
    echo "$case: exit status $status: $(head -c 500 "$work/stderr")"
    exit 1
  fi
  report=$(ls "$work/out/reports")
  if ! cmp -s "$work/out/reports/$report" "$golden/$case.rep"; then
    echo "$case: report $report of $run differs from $case.rep"
    diff <(cat -A "$golden/$case.rep") <(cat -A "$work/out/reports/$report") | head -40
    exit 1
  fi
done
