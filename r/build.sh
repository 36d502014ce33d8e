#!/usr/bin/env bash
# Assembles the R package's source and builds it: OUTDIR/zireze_VERSION.tar.gz
# (R CMD build), which installs with R CMD INSTALL on a machine without this
# repository.
#
#   r/build.sh OUTDIR [PROGRAM]
#
# The package source (OUTDIR/zireze) is r/'s R files, help pages, tests and
# bindings, with copied in at build time: the model library's sources in
# their folders (those of zireze_model, zireze_io, zireze_batch, zireze_plan
# and zireze_batch_plan in the root CMakeLists.txt, so that no copy is kept
# that could drift), the toml++ headers (Debian's libtomlplusplus-dev;
# TOMLPP_INCLUDE names another include folder) and the reference runs the
# tests compare with. The plan's solver, COIN-OR's CBC and CLP, is linked
# where pkg-config finds it (Debian's coinor-libcbc-dev). PROGRAM, the
# built zireze (default: $ZIREZE_PROGRAM, else build/zireze when it exists),
# writes the CSV files the tests compare the data frames with; without it
# those tests are skipped.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  sed -n '2,18s/^# \{0,1\}//p' "$0" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
mkdir -p "$1"
out=$(cd "$1" && pwd)
program=${2:-${ZIREZE_PROGRAM:-}}
if [ -z "$program" ] && [ -x "$repo/build/zireze" ]; then program=$repo/build/zireze; fi
tomlpp=${TOMLPP_INCLUDE:-/usr/include}
[ -f "$tomlpp/toml++/toml.h" ] ||
  { echo "build.sh: no toml++ headers under $tomlpp (install libtomlplusplus-dev)" >&2 && exit 1; }
command -v pkg-config >/dev/null ||
  { echo "build.sh: no pkg-config, which finds the plan's solver (install pkg-config)" >&2 &&
    exit 1; }
pkg-config --exists cbc ||
  { echo "build.sh: pkg-config finds no cbc, the plan's solver (install coinor-libcbc-dev)" >&2 &&
    exit 1; }
# COIN-OR's headers as system headers: their warnings are not the package's.
cbc_cflags=$(pkg-config --cflags cbc | sed 's/\(^\| \)-I/\1-isystem/g')
cbc_libs=$(pkg-config --libs cbc)

version=$(sed -n 's/^project(zireze VERSION \([0-9.]*\).*/\1/p' "$repo/CMakeLists.txt")
[ -n "$version" ] || { echo "build.sh: no version in $repo/CMakeLists.txt" >&2 && exit 1; }

pkg=$out/zireze
rm -rf "$pkg"
mkdir -p "$pkg"
cp -R "$here/R" "$here/man" "$here/src" "$here/tests" "$here/NAMESPACE" "$here/LICENSE" \
  "$here/README.md" "$pkg/"
sed "s/^Version: .*/Version: $version/" "$here/DESCRIPTION" >"$pkg/DESCRIPTION"

# The library's sources, as the root CMakeLists.txt lists them, and every
# header beside them.
sources=$(awk '/^add_library\(zireze_(model|io|batch|plan|plan_solver|batch_plan)( |$)/ { on = 1; next }
               on && /^\)/ { on = 0 }
               on && $1 ~ /^src\/.*\.cc$/ { print $1 }' "$repo/CMakeLists.txt")
[ -n "$sources" ] || { echo "build.sh: no library sources in CMakeLists.txt" >&2 && exit 1; }
(cd "$repo/src" && find . -name '*.h' | sed 's|^\./||') | while read -r header; do
  mkdir -p "$pkg/src/zireze/$(dirname "$header")"
  cp "$repo/src/$header" "$pkg/src/zireze/$header"
done
objects=
for source in $sources; do
  file=${source#src/}
  mkdir -p "$pkg/src/zireze/$(dirname "$file")"
  cp "$repo/$source" "$pkg/src/zireze/$file"
  objects="$objects zireze/${file%.cc}.o"
done
sed -i -e "s|@LIBRARY_OBJECTS@|${objects# }|" -e "s|@CBC_CFLAGS@|${cbc_cflags% }|" \
  -e "s|@CBC_LIBS@|${cbc_libs% }|" "$pkg/src/Makevars"

# toml++, header-only, and its licence.
mkdir -p "$pkg/src/tomlplusplus" "$pkg/inst"
cp -R "$tomlpp/toml++" "$pkg/src/tomlplusplus/"
copyright=/usr/share/doc/libtomlplusplus-dev/copyright
{
  echo "The headers under src/tomlplusplus/toml++ are toml++ (https://github.com/marzer/tomlplusplus),"
  echo "used as a header-only library; they are under the MIT (Expat) licence."
  if [ -f "$copyright" ]; then echo && cat "$copyright"; fi
} >"$pkg/inst/COPYRIGHTS"

# The reference runs: each scenario of tests/batch/golden with the run's
# console and report.
reference=$pkg/tests/testthat/reference
mkdir -p "$reference"
for scenario in "$repo"/tests/batch/golden/*.toml; do
  name=$(basename "$scenario" .toml)
  cp "$scenario" "$repo/tests/golden/$name.rep" "$repo/tests/golden/$name.out" "$reference/"
done

# The program's CSV files for the scenarios of the tests: `zireze run`,
# `zireze plan` for a scenario with a [plan] table, or `zireze optimize` for
# one with an [optimize] table. Status 3 is a run refused or out of range,
# which the scenarios hold on purpose.
if [ -n "$program" ]; then
  for scenario in "$pkg"/tests/testthat/scenarios/*.toml; do
    name=$(basename "$scenario" .toml)
    command=run
    if grep -q '^\[plan\]' "$scenario"; then
      command=plan
    elif grep -q '^\[optimize\]' "$scenario"; then
      command=optimize
    fi
    status=0
    "$program" "$command" "$scenario" --out "$pkg/tests/testthat/csv/$name" --jobs 1 || status=$?
    if [ "$status" != 0 ] && [ "$status" != 3 ]; then
      echo "build.sh: $program $command $scenario: exit status $status" >&2
      exit 1
    fi
    rm -f "$pkg/tests/testthat/csv/$name/best.toml"
  done
else
  echo "build.sh: no built zireze given: the tests comparing with its CSV files will be skipped" >&2
fi

Rscript -e 'Rcpp::compileAttributes(commandArgs(TRUE)[1])' "$pkg" >/dev/null
(cd "$out" && rm -f zireze_*.tar.gz && R CMD build --no-build-vignettes zireze)
echo "build.sh: $out/zireze_$version.tar.gz"
