#!/usr/bin/env bash
# Installs with apt-get, on Debian or Ubuntu, the packages this machine lacks
# for building Zireze and, on request, for running its tests and benchmarks.
# Nothing is installed, and the package lists are not updated, when nothing
# is missing.
#
#   tools/install-deps.sh            what the build needs
#   tools/install-deps.sh --tests    also what every test needs (and the
#                                    pt_PT.UTF-8 locale of the locale test)
#   tools/install-deps.sh --bench    also the tools of bench/run_sessions.py
#                                    and hyperfine (docs/performance.md)
#
# Options combine. Runs apt-get as root, through sudo when not root.
set -euo pipefail

# The package groups. A new group is a list here and its name in `groups`
# below, under the option that should install it.
build=(cmake g++ pkg-config libtomlplusplus-dev libcli11-dev libsqlite3-dev libxlsxwriter-dev zlib1g-dev coinor-libcbc-dev)
# Unit, end-to-end and fault tests; `locales` to generate pt_PT.UTF-8.
tests=(libgtest-dev locales)
# What .ci/run adds: the fuzzers (clang's libFuzzer), the format check, the
# Debian package (dpkg-shlibdeps) and the micro-benchmarks.
ci=(clang libclang-rt-dev clang-format dpkg-dev libbenchmark-dev)
# The Python module and its tests.
python=(pybind11-dev python3-dev python3-numpy python3-pandas python3-matplotlib python3-pytest python3-openpyxl python3-dask python3-distributed)
# The WebAssembly build and its browser tests.
web=(emscripten nodejs npm chromium)
# The R package (r/), its check and its tests.
r=(r-base-dev r-cran-rcpp r-cran-testthat)
# Whole-session timings: callgrind, GNU time, strace; hyperfine for the
# command timings of docs/performance.md.
bench=(valgrind time strace hyperfine)

groups=(build)
locale=
for arg in "$@"; do
  case $arg in
    --tests) groups+=(tests ci python web r) locale=pt_PT.UTF-8 ;;
    --bench) groups+=(bench) ;;
    -h | --help) sed -n '2,12s/^# \{0,1\}//p' "$0" && exit 0 ;;
    *) echo "install-deps.sh: unknown option $arg (try --help)" >&2 && exit 2 ;;
  esac
done

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

# Packages installed, and the names they provide (a nodejs that bundles npm
# provides npm, and cannot be installed beside Debian's npm).
present=$(dpkg-query -W -f='${db:Status-Abbrev}|${Package},${Provides}\n' 2>/dev/null |
  awk -F'|' '$1 ~ /^ii/ { print $2 }' | tr ',' '\n' | sed 's/^ *//; s/[ :(].*//' | sort -u)

missing=()
for group in "${groups[@]}"; do
  declare -n list=$group
  for pkg in "${list[@]}"; do
    grep -qxF -- "$pkg" <<<"$present" || missing+=("$pkg")
  done
  unset -n list
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps.sh: installing ${missing[*]}"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi

# The locale test sets a decimal-comma locale: generate it when it is missing.
if [ -n "$locale" ] && ! locale -a | grep -qix 'pt_PT\.utf-\{0,1\}8'; then
  echo "install-deps.sh: generating the locale $locale"
  if [ -f /etc/locale.gen ]; then
    as_root sed -i 's/^# *\(pt_PT\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -qx 'pt_PT.UTF-8 UTF-8' /etc/locale.gen ||
      echo 'pt_PT.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
    as_root locale-gen "$locale" >/dev/null
  else
    as_root localedef -i pt_PT -c -f UTF-8 "$locale" || true  # warnings give status 1
  fi
  locale -a | grep -qix 'pt_PT\.utf-\{0,1\}8' || { echo "install-deps.sh: no $locale" >&2 && exit 1; }
fi
