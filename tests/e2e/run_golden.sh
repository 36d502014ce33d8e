#!/usr/bin/env bash
# Runs the program on one reference case and compares what it wrote, byte for
# byte: standard output, the report file (or the absence of any file) and the
# exit status. Standard error must hold one line after a failure end and
# nothing after a normal end.
#
#   run_golden.sh PROGRAM GOLDEN_DIR CASE
set -u
program=$1
golden=$2
case=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/run"

(cd "$work/run" && "$program" <"$golden/$case.in" >"$work/stdout" 2>"$work/stderr")
status=$?
ok=1

fail() {
  echo "$case: $*"
  ok=0
}

if ! cmp -s "$work/stdout" "$golden/$case.out"; then
  fail "standard output differs from $case.out"
  diff <(cat -A "$golden/$case.out") <(cat -A "$work/stdout") | head -40
fi

expected_status=$(tr -d '[:space:]' <"$golden/$case.rc")
[ "$status" = "$expected_status" ] || fail "exit status $status, expected $expected_status"

lines=$(wc -l <"$work/stderr")
if [ "$expected_status" = 0 ]; then
  [ -s "$work/stderr" ] && fail "standard error not empty: $(head -c 300 "$work/stderr")"
else
  [ "$lines" = 1 ] || fail "standard error holds $lines lines, expected one"
fi

if [ -f "$golden/$case.name" ]; then
  IFS= read -r name <"$golden/$case.name"
  if [ ! -f "$work/run/$name" ]; then
    fail "no report file \"$name\""
  elif ! cmp -s "$work/run/$name" "$golden/$case.rep"; then
    fail "report \"$name\" differs from $case.rep"
    diff <(cat -A "$golden/$case.rep") <(cat -A "$work/run/$name") | head -40
  fi
  others=$(cd "$work/run" && ls -A | grep -vxF -- "$name")
else
  others=$(cd "$work/run" && ls -A)
fi
[ -z "$others" ] || fail "unexpected files created: $others"

[ "$ok" = 1 ]
