#!/usr/bin/env bash
# Runs the built program where the system lets it down: a report that cannot
# be created or written, standard input ending after any reply, a console
# closed early, a kill while a reply is awaited. Each such run must end by
# itself with status 1 and one line on standard error (the killed one by the
# signal), show on standard output no more than the whole run shows up to
# then, and leave a report that is a byte prefix of the whole run's.
#
#   faults.sh PROGRAM GOLDEN_DIR GROUP
#
# GROUP is one of: report_folder_missing report_name_is_folder
# report_full_disk report_size_limit input_ends interrupted
# console_output_closed console_input_closed error_output_closed.
set -u
program=$1
golden=$2
group=$3
case $program in /*) ;; *) program=$PWD/$program ;; esac

export LC_ALL=C
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
runs=0
prompt='NOME DE FICHEIRO DE SAIDA: '

# The checks use shell builtins where they can: the cut-input group runs the
# program a few hundred times.

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# A fresh empty folder to run in: $dir.
fresh() {
  dir=$work/run$((++runs))
  mkdir "$dir"
}

# slurp FILE VAR: the bytes of FILE (a text file) into VAR.
slurp() {
  IFS= read -r -d '' "$2" <"$1" || true
}

# run INPUT [CLOSED]: the program in $dir with INPUT as standard input;
# $status, $work/out and $work/err hold what it gave. CLOSED names a stream
# to close instead, out or err, or is full: standard output to /dev/full.
# A hang is left to the test's time limit.
run() {
  local input=$1 closed=${2:-}
  cd "$dir" || exit 2
  case $closed in
    out) "$program" <"$input" >&- 2>"$work/err" ;;
    err) "$program" <"$input" >"$work/out" 2>&- ;;
    full) "$program" <"$input" >/dev/full 2>"$work/err" ;;
    *) "$program" <"$input" >"$work/out" 2>"$work/err" ;;
  esac
  status=$?
  cd "$work" || exit 2
}

# is_prefix FILE WHOLE: FILE's bytes are the first bytes of WHOLE.
is_prefix() {
  local part whole
  slurp "$1" part
  slurp "$2" whole
  [[ $whole == "$part"* ]]
}

# A failure end: status 1 and one line on standard error.
expect_failure_end() {
  local err
  [ "$status" = 1 ] || fail "$what: exit status $status, expected 1"
  slurp "$work/err" err
  if [[ -z ${err%$'\n'} || $err != *$'\n' || ${err%$'\n'} == *$'\n'* ]]; then
    fail "$what: standard error is not one line: ${err:0:300}"
  fi
}

# expect_files NAME...: the run folder holds exactly these entries.
expect_files() {
  local found
  shopt -s nullglob dotglob
  found=("$dir"/*)
  shopt -u nullglob dotglob
  found=("${found[@]##*/}")
  [ "${found[*]}" = "$*" ] || fail "$what: files left: [${found[*]}], expected [$*]"
}

# expect_output TEXT: standard output is exactly TEXT.
expect_output() {
  local out
  slurp "$work/out" out
  [ "$out" = "$1" ] || fail "$what: standard output is not just \"$1\""
}

# The replies of a golden case, with the report name replaced.
with_name() {
  printf '%s\n' "$1"
  tail -n +2 "$golden/unthinned_ts_row.in"
}

# The golden cases that end normally.
normal_cases() {
  local rc
  for rc in "$golden"/*.rc; do
    [ "$(tr -d '[:space:]' <"$rc")" = 0 ] && basename "$rc" .rc
  done
}

report_folder_missing() {
  what="report in a folder that does not exist"
  fresh
  with_name "nodir/report.txt" >"$work/in"
  run "$work/in"
  expect_failure_end
  expect_output "$prompt"
  expect_files
}

report_name_is_folder() {
  local name
  for name in report.txt .; do
    what="report named \"$name\", a folder"
    fresh
    [ "$name" = . ] || mkdir "$dir/$name"
    with_name "$name" >"$work/in"
    run "$work/in"
    expect_failure_end
    expect_output "$prompt"
    if [ "$name" = . ]; then
      expect_files
    else
      expect_files "$name"
      [ -z "$(ls -A "$dir/$name")" ] || fail "$what: files written into the folder"
    fi
  done
}

# Every normal run, its report a link to /dev/full: the report's first write
# or its closing fails, and the run must say so.
report_full_disk() {
  local case name
  for case in $(normal_cases); do
    what="$case, report on a full disk"
    IFS= read -r name <"$golden/$case.name"
    fresh
    ln -s /dev/full "$dir/$name"
    run "$golden/$case.in"
    expect_failure_end
    is_prefix "$work/out" "$golden/$case.out" ||
      fail "$what: standard output is not a prefix of $case.out"
    expect_files "$name"
  done
}

# A report that grows past the file-size limit (a quota, say) cannot be
# written, as on a full disk: a message and status 1, not death by a signal.
report_size_limit() {
  what="report past a file-size limit of 2 KB"
  fresh
  cd "$dir" || exit 2
  # Standard output goes through a pipe, which the limit leaves alone.
  (ulimit -f 2 && exec "$program" <"$golden/unthinned_ts_row.in" 2>"$work/err") |
    cat >"$work/out"
  status=${PIPESTATUS[0]}
  cd "$work" || exit 2
  expect_failure_end
  is_prefix "$work/out" "$golden/unthinned_ts_row.out" ||
    fail "$what: standard output is not a prefix of unthinned_ts_row.out"
  is_prefix "$dir/rel_ts.txt" "$golden/unthinned_ts_row.rep" ||
    fail "$what: report is not a prefix of unthinned_ts_row.rep"
}

# check_cut CASE: after a run on the first lines of CASE's replies, the end
# is normal and whole, or a failure end with prefixes of the whole run.
check_cut() {
  local case=$1 name
  IFS= read -r name <"$golden/$case.name"
  if [ "$status" = 0 ]; then
    cmp -s "$work/out" "$golden/$case.out" || fail "$what: normal end, standard output differs"
    cmp -s "$dir/$name" "$golden/$case.rep" || fail "$what: normal end, report differs"
    return
  fi
  expect_failure_end
  is_prefix "$work/out" "$golden/$case.out" ||
    fail "$what: standard output is not a prefix of $case.out"
  if [ -e "$dir/$name" ]; then
    is_prefix "$dir/$name" "$golden/$case.rep" || fail "$what: report is not a prefix of $case.rep"
    expect_files "$name"
  else
    expect_files
  fi
}

# Normal runs cut after each of their replies in turn: one case for every
# way of reading a stand and every branch of the passes. A last reply
# without its line end still counts as typed.
input_ends() {
  local case k lines=()
  for case in name_long reply_forms reply_crlf rejections_main unthinned_tp_row \
    thinned_counts_selective thinned_weibull thinned_attributes_row \
    row_refused_then_row_selective; do
    mapfile -t lines <"$golden/$case.in"
    for ((k = 0; k < ${#lines[@]}; k++)); do
      what="$case, input ending after $k lines"
      fresh
      if [ "$k" -gt 0 ]; then printf '%s\n' "${lines[@]:0:k}"; fi >"$work/in"
      run "$work/in"
      check_cut "$case"
    done
    # A CR is dropped only before a line feed: there the cut changes the reply.
    if [[ ${lines[-1]} != *$'\r' ]]; then
      what="$case, last reply without a line end"
      fresh
      printf '%s\n' "${lines[@]:0:${#lines[@]}-1}" >"$work/in"
      printf '%s' "${lines[-1]}" >>"$work/in"
      run "$work/in"
      [ "$status" = 0 ] || fail "$what: exit status $status, expected 0"
      check_cut "$case"
    fi
  done
}

# A session of many passes: its console output is far more than a pipe holds.
long_session() {
  local i
  printf 'long.txt\n1\n30\n16\n1\n1000\n0\n0\n30\n0\n'
  for ((i = 0; i < 100; i++)); do printf '0\n/\n0\n'; done
  printf '0\n/\n1\n'
}

console_output_closed() {
  what="long session, whole"
  fresh
  long_session >"$work/in"
  run "$work/in"
  [ "$status" = 0 ] || fail "$what: exit status $status, expected 0"
  cp "$dir/long.txt" "$work/long.rep"

  what="long session, standard output read by head -c 100"
  fresh
  cd "$dir" || exit 2
  timeout 10 "$program" <"$work/in" 2>"$work/err" | head -c 100 >/dev/null
  status=${PIPESTATUS[0]}
  cd "$work" || exit 2
  [ "$status" = 124 ] && fail "$what: no end within 10 seconds"
  expect_failure_end
  is_prefix "$dir/long.txt" "$work/long.rep" ||
    fail "$what: report is not a prefix of the whole one"

  local how
  for how in out full; do
    what="standard output closed"
    [ "$how" = full ] && what="standard output on a full disk"
    fresh
    run "$golden/unthinned_ts_row.in" "$how"
    expect_failure_end
    # A file opened in place of a closed output must not receive console text.
    if [ -e "$dir/rel_ts.txt" ]; then
      is_prefix "$dir/rel_ts.txt" "$golden/unthinned_ts_row.rep" ||
        fail "$what: report is not a prefix of unthinned_ts_row.rep"
    fi
  done
}

console_input_closed() {
  local input
  for input in /dev/null /; do
    what="standard input from $input"
    fresh
    run "$input"
    expect_failure_end
    expect_output "$prompt"
    expect_files
  done

  what="standard input closed"
  fresh
  cd "$dir" || exit 2
  "$program" <&- >"$work/out" 2>"$work/err"
  status=$?
  cd "$work" || exit 2
  expect_failure_end
  expect_files
}

# A run broken off (killed) while it waits for a reply keeps in its report and
# on its console everything written before: the same as a run whose input
# ends at that point.
interrupted() {
  local case=unthinned_ts_row name k pid i size
  IFS= read -r name <"$golden/$case.name"
  for k in 3 8; do
    what="$case, killed while waiting for reply $((k + 1))"
    fresh
    head -n "$k" "$golden/$case.in" >"$work/in"
    run "$work/in"
    cp "$dir/$name" "$work/cut.rep"
    cp "$work/out" "$work/cut.out"

    fresh
    rm -f "$work/fifo"
    mkfifo "$work/fifo"
    cd "$dir" || exit 2
    "$program" <"$work/fifo" >"$work/out" 2>"$work/err" &
    pid=$!
    cd "$work" || exit 2
    exec 3>"$work/fifo"
    # One write, so the program reads all k replies at once and waits next
    # for reply k + 1; the report reaches its size only then.
    cat "$work/in" >&3
    size=$(stat -c %s "$work/cut.rep")
    for ((i = 0; i < 100; i++)); do
      [ -e "$dir/$name" ] && [ "$(stat -c %s "$dir/$name")" = "$size" ] && break
      sleep 0.05
    done
    kill -TERM "$pid"
    wait "$pid"
    status=$?
    exec 3>&-
    [ "$status" = 143 ] || fail "$what: exit status $status, expected death by SIGTERM (143)"
    cmp -s "$dir/$name" "$work/cut.rep" || fail "$what: report differs from the cut run's"
    cmp -s "$work/out" "$work/cut.out" || fail "$what: standard output differs from the cut run's"
  done
}

# With standard error closed the message is lost, but the status stands and
# the report must not take the message in its place.
error_output_closed() {
  what="standard error closed, unreadable reply"
  fresh
  run "$golden/error_letter.in" err
  [ "$status" = 1 ] || fail "$what: exit status $status, expected 1"
  cmp -s "$dir/rel_err1.txt" "$golden/error_letter.rep" ||
    fail "$what: report differs from error_letter.rep, it ends: $(tail -c 100 "$dir/rel_err1.txt")"

  what="standard error closed, normal run"
  fresh
  run "$golden/unthinned_ts_row.in" err
  [ "$status" = 0 ] || fail "$what: exit status $status, expected 0"
  cmp -s "$dir/rel_ts.txt" "$golden/unthinned_ts_row.rep" ||
    fail "$what: report differs from unthinned_ts_row.rep"
}

case $group in
  report_folder_missing | report_name_is_folder | report_full_disk | report_size_limit | \
    input_ends | interrupted | console_output_closed | console_input_closed | \
    error_output_closed) "$group" ;;
  *)
    echo "unknown group: $group"
    exit 2
    ;;
esac

if [ "$failures" -gt 0 ]; then
  echo "$group: $failures failures"
  exit 1
fi
echo "$group: passed"
