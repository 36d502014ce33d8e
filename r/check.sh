#!/usr/bin/env bash
# Builds the R package (build.sh) and checks it as a user would install it:
# R CMD check --no-manual on the tarball. Fails on an error, and on any
# warning but the one the figures need: the compiler flag -ffp-contract=off
# (single-precision arithmetic evaluated as written, no fused multiply-add),
# which R calls non-portable.
#
#   r/check.sh WORKDIR [PROGRAM]
#
# PROGRAM, the built zireze, writes the CSV files the tests compare with.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  sed -n '2,10s/^# \{0,1\}//p' "$0" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$1"
work=$(cd "$1" && pwd)
# The library's sources compile in parallel.
export MAKEFLAGS=${MAKEFLAGS:--j$(nproc)}

"$here/build.sh" "$work" "${2:-}"
cd "$work"
rm -rf zireze.Rcheck
status=0
R CMD check --no-manual zireze_*.tar.gz || status=$?
log=zireze.Rcheck/00check.log
if [ "$status" != 0 ] || [ ! -f "$log" ]; then
  for failed in zireze.Rcheck/tests/*.Rout.fail; do
    [ -f "$failed" ] && tail -n 60 "$failed"
  done
  echo "check.sh: R CMD check failed (status $status)" >&2
  exit 1
fi

# Every warning, and what it says, up to the next "* checking" line.
warnings=$(awk '/^\* / { shown = / \.\.\. WARNING$/ } shown' "$log")
allowed="^\* checking compilation flags in Makevars \.\.\. WARNING$|^Non-portable flags in variable 'PKG_CXXFLAGS':$|^  -ffp-contract=off$"
if [ -n "$warnings" ] && grep -Evq "$allowed" <<<"$warnings"; then
  echo "check.sh: R CMD check warns:" >&2
  echo "$warnings" >&2
  exit 1
fi
if grep -q ' \.\.\. ERROR$' "$log"; then
  echo "check.sh: R CMD check found an error" >&2
  exit 1
fi
echo "check.sh: R CMD check passed; its warnings, notes and status:"
grep -E ' \.\.\. (WARNING|NOTE)$|^Status:' "$log" || true
