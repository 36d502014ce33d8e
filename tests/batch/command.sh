#!/usr/bin/env bash
# `zireze run` (and optimize, plan) as a user calls it: exit statuses, what is written and what
# is not, the same bytes for any number of threads.
#
#   command.sh PROGRAM SCENARIO_DIR
set -u
program=$1
scenarios=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
# expect STATUS COMMAND...: runs COMMAND, keeps its standard error in err.
expect() {
  local want=$1
  shift
  "$@" >out 2>err
  local got=$?
  [ "$got" = "$want" ] || fail "$* gave status $got, expected $want: $(head -c 300 err)"
}

expect 0 "$program" --help
grep -q 'run' out || fail "--help does not name the run command"
expect 0 "$program" --version
grep -q '^zireze [0-9]' out || fail "--version: $(cat out)"
expect 2 "$program" --no-such-option
expect 2 "$program" run
expect 2 "$program" run missing.toml

# A scenario that cannot be used: every problem, nothing written.
printf '[[stand]]\nid = "a"\nage = 0\nsite_class = 16\ntrees = 900\n[[stand]]\nage = 20\n' >bad.toml
expect 2 "$program" run bad.toml --out bad
[ "$(wc -l <err)" -ge 3 ] || fail "not every problem reported: $(cat err)"
[ -e bad ] && fail "a scenario with problems wrote $(ls bad)"

# A run refused at a step: status 3, the other runs go on, the same bytes
# with one thread or three, and the database holds the rows of the files.
cp "$scenarios/thinned_counts_selective.toml" one.toml
cat >refused.toml <<'TOML'
[[stand]]
id = "a"
age = 20
site_class = 16
trees = 1500
[[stand]]
id = "b"
age = 25
dominant_height = 9.5
basal_area = 24
[[regime]]
id = "too-much"
steps = [{ thin = "selective", residual_basal_area = 40 }, { grow_to = 30 }]
[[regime]]
id = "rows"
steps = [{ thin = "rows", one_in = 4 }, { grow_to = 30 }, { grow_to = 35 }]
TOML
expect 3 "$program" run refused.toml --out j1 --jobs 1 --sqlite j1.db --reports
grep -q '^a,too-much,refused,A AREA BASAL RESIDUAL' j1/runs.csv || fail "runs.csv: $(cat j1/runs.csv)"
grep -q '^b,rows,ok,$' j1/runs.csv || fail "runs.csv: $(cat j1/runs.csv)"
grep -qx 'zireze: 2 of 4 runs were refused at a step or left the model.s range (runs.csv)' err ||
  fail "status 3 unexplained: $(cat err)"
expect 3 "$program" run refused.toml --out j3 --jobs 3
for f in stands.csv classes.csv runs.csv; do
  cmp -s "j1/$f" "j3/$f" || fail "$f differs between one thread and three"
done
[ "$(ls j1/reports | wc -l)" = 4 ] || fail "reports: $(ls j1/reports)"
if command -v sqlite3 >/dev/null; then
  rows=$(sqlite3 j1.db "select count(*) from stands; select count(*) from classes;
                        select count(*) from runs where status = 'refused';
                        select typeof(ba) from stands limit 1;")
  expected="$(($(wc -l <j1/stands.csv) - 1))
$(($(wc -l <j1/classes.csv) - 1))
2
real"
  [ "$rows" = "$expected" ] || fail "database rows: $rows, expected $expected"
fi
[ -z "$(find . -name '.*.tmp-*')" ] || fail "temporary files left: $(find . -name '.*.tmp-*')"

# Outputs that cannot be written: status 1, a message, no file under a final
# name. A folder that is a file; a file-size limit reached mid-run.
touch notafolder
expect 1 "$program" run one.toml --out notafolder
[ -s err ] || fail "no message when the output folder cannot be made"
(ulimit -f 1 && "$program" run refused.toml --out limited --jobs 2 >out 2>err)
[ $? = 1 ] || fail "a write past the file-size limit did not end with status 1"
[ -e limited/classes.csv ] && fail "a half-written classes.csv under its final name"
[ -z "$(find limited -name '.*.tmp-*')" ] || fail "temporary files left after a failed write"

# Inputs that are not files of a sane size, outputs that would write over
# each other: refused before anything is written.
printf 'stands_csv = "/dev/zero"\n' >device.toml
expect 2 "$program" run device.toml --out device
grep -q 'not a regular file' err || fail "a device as the plots file: $(cat err)"
truncate -s 300M huge.csv
printf 'stands_csv = "huge.csv"\n' >huge.toml
expect 2 "$program" run huge.toml --out huge
grep -q 'larger than 256 MiB' err || fail "a huge plots file: $(cat err)"
expect 2 "$program" run /dev/zero
expect 2 "$program" run one.toml --out same --sqlite same/stands.csv
expect 2 "$program" run one.toml --out same --reports --sqlite same/reports/db
[ -e same ] && fail "outputs that collide wrote $(ls same)"
printf '\xEF\xBB\xBF' | cat - one.toml >bom.toml
expect 0 "$program" run bom.toml --out bom --jobs 2000000000

# A database that cannot be written is closed and removed, with the rest.
(ulimit -f 1 && "$program" run one.toml --out dblimited --sqlite dblimited.db >out 2>err)
[ $? = 1 ] || fail "a database past the file-size limit did not end with status 1"
[ -z "$(find . -name '.*.tmp-*')" ] || fail "temporary files left: $(find . -name '.*.tmp-*')"

# zireze optimize: the same bytes for one thread or two; best.toml re-runs to
# the same figures; a stand the objective cannot value is refused (status 3);
# a bad search space is a scenario problem for both commands.
cat >opt.toml <<'TOML'
[economics]
discount_rate = 0.03
sawlog = 55
roundwood = 30
thinning = 250
felling = 150
annual = 15
establishment = 1500
[optimize]
objective = "lev"
thinnings = 1
rotation = [35, 50]
[[stand]]
id = "u"
age = 20
site_class = 16
trees = 1500
[[stand]]
id = "w"
age = 25
site_class = 14
weibull = { trees = 1000, a = 5, b = 10, c = 2 }
[[regime]]
id = "mine"
steps = [{ grow_by = 10 }, { thin = "selective", residual_basal_area = 20 }, { grow_by = 10 }, { fell = true }]
TOML
expect 3 "$program" optimize opt.toml --out o1 --jobs 1
expect 3 "$program" optimize opt.toml --out o2 --jobs 2
grep -q 'stands have no optimum (optimum.csv)$' err || fail "optimize's status 3 unexplained: $(cat err)"
for f in best.toml optimum.csv stands.csv values.csv cashflows.csv runs.csv; do
  cmp -s "o1/$f" "o2/$f" || fail "optimize: $f differs between one thread and two"
done
grep -q '^u,ok,lev,' o1/optimum.csv || fail "optimum.csv: $(cat o1/optimum.csv)"
grep -q '^w,refused,lev,.*never thinned' o1/optimum.csv || fail "optimum.csv: $(cat o1/optimum.csv)"
expect 0 "$program" run o1/best.toml --out rerun
for f in stands.csv values.csv cashflows.csv; do
  cmp -s "o1/$f" "rerun/$f" || fail "best.toml does not re-run to $f"
done
printf '[optimize]\nmin_removal = 0.5\nmax_removal = 0.2\n' | cat one.toml - >badspace.toml
expect 2 "$program" run badspace.toml --out bad
grep -q 'max_removal: not below min_removal' err || fail "a bad space: $(cat err)"
expect 2 "$program" optimize badspace.toml --out bad
[ -e bad ] && fail "a bad space wrote $(ls bad)"

# zireze plan: the same bytes for one thread or two; plan.toml re-runs the
# chosen regimes to the same rows and plans to the same objective; an
# infeasible plan (more volume standing than can grow) is status 3 and names
# what to relax; a regime named as the searched ones is a scenario problem.
sed 's/^\[optimize\]/[plan]\nhorizon = 20\ntolerance = 1\nending_volume = 0.5\n[optimize]/; s/"lev"/"npv"/; /^\[\[stand\]\]/a area = 2.5' opt.toml >plan.toml
expect 0 "$program" plan plan.toml --out p1 --jobs 1
expect 0 "$program" plan plan.toml --out p2 --jobs 2
for f in plan.toml candidates.csv candidate_flows.csv plan.csv periods.csv constraints.csv \
  solution.csv stands.csv values.csv runs.csv; do
  cmp -s "p1/$f" "p2/$f" || fail "plan: $f differs between one thread and two"
done
grep -q '^optimal,' p1/solution.csv || fail "solution.csv: $(cat p1/solution.csv)"
expect 0 "$program" run p1/plan.toml --out prerun
while IFS=, read -r stand regime rest; do
  [ "$stand" = stand ] && continue
  [ "$(grep -c "^$stand,$regime," p1/stands.csv)" -gt 0 ] &&
    [ "$(grep "^$stand,$regime," p1/stands.csv)" = "$(grep "^$stand,$regime," prerun/stands.csv)" ] ||
    fail "plan.toml does not re-run $stand under $regime"
done <p1/plan.csv
expect 0 "$program" plan p1/plan.toml --out preplan
[ "$(cut -d, -f2 p1/solution.csv)" = "$(cut -d, -f2 preplan/solution.csv)" ] ||
  fail "plan.toml plans to another objective: $(cat p1/solution.csv preplan/solution.csv)"
sed 's/^ending_volume = 0.5/ending_volume = 5/' plan.toml >infeasible.toml
expect 3 "$program" plan infeasible.toml --out pbad
grep -q 'infeasible.*Relax .*ending_volume (short by' err || fail "an infeasible plan: $(cat err)"
grep -q '^infeasible,' pbad/solution.csv || fail "solution.csv: $(cat pbad/solution.csv)"
# Bounds the solver cannot take as they are: a felled area of 1e-300 ha
# (whose violation once weighed 1e300, and CLP aborted) weighs no more than
# 1 ha in the least violations; figures past 1e20 are refused.
sed 's/^ending_volume = 5/ending_volume = 5\nmax_felled_area = 1e-300/' infeasible.toml >tiny.toml
expect 3 "$program" plan tiny.toml --out ptiny
grep -q 'the plan is infeasible' err || fail "a felled area of 1e-300: $(cat err)"
sed 's/^sawlog = 55/sawlog = 1e30/' plan.toml >rich.toml
expect 2 "$program" plan rich.toml --out prich
grep -q 'beyond the 1e20 its solver takes' err || fail "prices of 1e30: $(cat err)"
[ -z "$(find prich -type f 2>/dev/null)" ] || fail "a plan refused wrote $(find prich -type f)"
sed 's/id = "mine"/id = "fell-2"/' plan.toml >named.toml
expect 2 "$program" plan named.toml --out pnamed
grep -q 'regime "fell-2": the plan names' err || fail "a regime named fell-2: $(cat err)"
expect 2 "$program" plan opt.toml --out pnone
grep -q 'no \[plan\] table' err || fail "no [plan] table: $(cat err)"

# Ctrl-C while the runs are written, and while the search goes on: status
# 130, nothing under a final name, no temporary file left.
for i in $(seq 1000); do
  printf '[[stand]]\nid = "s%d"\nage = 20\nsite_class = 16\ntrees = %d\n' "$i" $((900 + i))
done >stands.part
sed '/^\[\[stand\]\]/,$d' opt.toml | cat - stands.part >many-opt.toml
printf '[[regime]]\nid = "r"\nsteps = [%s{ fell = true }]\n' "$(printf '{ grow_by = 1 }, %.0s' $(seq 30))" |
  cat stands.part - >many.toml
printf '[plan]\nflow = "none"\n' | cat many-opt.toml - >many-plan.toml
for call in "run many.toml --xlsx stopped/w.xlsx" "optimize many-opt.toml" "plan many-plan.toml"; do
  "$program" $call --out stopped --jobs 2 >out 2>err &
  sleep 1
  kill -INT $!
  wait $!
  status=$?
  [ "$status" = 130 ] || fail "$call, interrupted: status $status"
  [ -z "$(find . -path './stopped/*')" ] || fail "$call, interrupted, left $(find stopped -type f)"
done

[ "$failures" = 0 ]
