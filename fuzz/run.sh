#!/usr/bin/env bash
# Builds the fuzzers with clang in build-fuzz/, replays every regression
# input, then fuzzes each target for SECONDS (default 60) over a copy of its
# seed corpus; the corpus in the repository is left as it is. Exits non-zero
# on any crash, sanitizer report, broken property or timeout; the failing
# input is kept under build-fuzz/artifacts/<target>/.
#
#   fuzz/run.sh [SECONDS]
set -euo pipefail

seconds=${1:-60}
fuzz=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$fuzz/.." && pwd)
build=${ZIREZE_FUZZ_BUILD_DIR:-$root/build-fuzz}
targets=(reply_fuzzer dialogue_fuzzer scenario_fuzzer)

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZIREZE_FUZZ=ON -DZIREZE_TESTS=OFF >/dev/null
# Quiet unless the build fails: then its messages (Ninja prints the
# compiler's on standard output).
if ! cmake --build "$build" --target "${targets[@]}" >"$build/fuzzers-build.log" 2>&1; then
  cat "$build/fuzzers-build.log"
  echo "fuzz/run.sh: the fuzzers do not build" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

# corpus_name TARGET: reply_fuzzer -> reply
corpus_name() { echo "${1%_fuzzer}"; }

# Every input that once failed, once each.
for target in "${targets[@]}"; do
  name=$(corpus_name "$target")
  shopt -s nullglob
  cases=("$fuzz/regressions/$name"/*)
  shopt -u nullglob
  [ ${#cases[@]} -eq 0 ] && continue
  if "$build/fuzz/$target" -timeout=5 "${cases[@]}" >"$work/$name.regressions.log" 2>&1; then
    echo "$target: ${#cases[@]} regression inputs pass"
  else
    echo "$target: a regression input fails"
    grep -E 'ERROR|SUMMARY|property broken|Running:' "$work/$name.regressions.log" | tail -20
    status=1
  fi
done

# Both targets at once, each on a copy of its corpus.
pids=()
for target in "${targets[@]}"; do
  name=$(corpus_name "$target")
  mkdir -p "$work/corpus/$name" "$build/artifacts/$name"
  cp "$fuzz/corpus/$name"/* "$work/corpus/$name/"
  dict=$fuzz/replies.dict
  [ "$name" = scenario ] && dict=$fuzz/scenario.dict
  "$build/fuzz/$target" "$work/corpus/$name" -dict="$dict" \
    -max_total_time="$seconds" -timeout=5 -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$name/" >"$work/$name.log" 2>&1 &
  pids+=($!)
done

for i in "${!targets[@]}"; do
  target=${targets[$i]}
  name=$(corpus_name "$target")
  result=0
  wait "${pids[$i]}" || result=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$name.log")
  size=$(find "$work/corpus/$name" -type f | wc -l)
  echo "$target: ${runs:-?} executions, corpus of $size inputs"
  if [ "$result" -ne 0 ]; then
    echo "$target: FAILED (status $result); input kept in $build/artifacts/$name/"
    grep -E 'ERROR|SUMMARY|property broken|Test unit written' "$work/$name.log" | tail -20
    status=1
  fi
done
exit "$status"
