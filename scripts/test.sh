#!/usr/bin/env bash
# Installs what is missing, brings the Clang build (AddressSanitizer, UBSan, warnings as errors) in
# build-test/ up to date and runs every test; further arguments go to ctest (say -L quick,
# --repeat until-fail:20, or -R ui). The tests' temporary files go to a folder of this run, which has
# to be empty when they end: a test that leaves anything behind fails the run, whatever other
# programs keep in /tmp. With --gates, or when CI=true (as CI sets it), the other gates of
# scripts/check-gates.sh follow: the format first, then clang-tidy, the Debian package and the
# fuzzer (TAGWRIGHT_GATES=0 leaves them out even in CI). The last line says how long each stage took.
# Without ctest arguments, once a run has passed every test, a run outside CI runs again only the
# tests whose programs the build made anew or whose files changed (scripts/tests-to-run.py); --all
# runs every test.
#   scripts/test.sh [--gates] [--all] [CTEST ARGUMENTS...]
set -euo pipefail
cd "$(dirname "$0")/.."

gates=0
[ "${CI:-}" = true ] && gates=1
every=0
[ "${CI:-}" = true ] && every=1
while [ "${1:-}" = --gates ] || [ "${1:-}" = --all ]; do
  [ "$1" = --gates ] && gates=1
  [ "$1" = --all ] && every=1
  shift
done
[ "${TAGWRIGHT_GATES:-}" = 0 ] && gates=0

times=()
began=$(date +%s)
started=$began
stage=dependencies  # the stage under way, named on the closing line should it end the run
# Ends the stage under way, whose time goes on the closing line, and names the next.
stage_done() {
  local now
  now=$(date +%s)
  times+=("$1 $((now - started)) s")
  started=$now
  stage=${2:-}
}
say_times() {
  [ -z "$stage" ] || times+=("$stage stopped after $(($(date +%s) - started)) s")
  local IFS=';'
  echo "== stages:${times[*]/#/ }; total $(($(date +%s) - began)) s"
}
trap say_times EXIT

./scripts/install-deps.sh
status=0
if [ "$gates" = 1 ]; then
  stage_done dependencies format
  ./scripts/check-gates.sh format || status=1
  stage_done format build
else
  stage_done dependencies build
fi

build=build-test
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
# A build tree another compiler set up is set up anew: CMake keeps the compiler of its first run.
if [ -f "$build/CMakeCache.txt" ] && ! grep -q '^CMAKE_CXX_COMPILER:[A-Z]*=.*clang++' "$build/CMakeCache.txt"; then
  rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
fi
# The benchmarks are built here too, though they are timed in a Release build (CONTRIBUTING.md): a
# change that no longer compiles with one fails a developer's run as it fails CI.
benchmarks=ON
# Qt, GoogleTest and CLI11 are read once per program rather than once per file; the GCC gate builds
# without, so that a file that misses an include still fails there.
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAGWRIGHT_SANITIZE=ON \
  -DTAGWRIGHT_WERROR=ON -DTAGWRIGHT_BUILD_BENCHMARKS=$benchmarks -DTAGWRIGHT_PRECOMPILE_HEADERS=ON \
  "${launcher[@]}" >/dev/null
# ccache keeps the files that use a precompiled header only when told that it may.
CCACHE_SLOPPINESS=${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime} \
  cmake --build "$build" -j "$(nproc)"
stage_done build tests

# Every test passed on the programs built before this stamp (kept only by runs of every test or of
# those the stamp chose).
passed="$build/.every-test-passed"
selection=()
if [ $# -eq 0 ]; then
  touch "$build/.tests-built"
  chosen=all
  [ "$every" = 1 ] || chosen=$(python3 scripts/tests-to-run.py "$build" "$passed")
  case $chosen in
    all) ;;
    none) echo "every test passed on these programs already: none to run again (--all runs them)" ;;
    *)
      selection=(-I "$chosen")
      echo "running again the tests whose programs changed since every test passed (--all runs them all)"
      ;;
  esac
fi

# The tests flush what they write as the program does; in memory (/dev/shm, when it has room and
# TMPDIR is not set) a flush costs nothing, which halves the longest tests' time. What they check
# is the same on any file system.
scratch=${TMPDIR:-/tmp}
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ] &&
  [ "$(df --output=avail -k /dev/shm 2>/dev/null | tail -n 1)" -gt $((4 * 1024 * 1024)) ] 2>/dev/null; then
  scratch=/dev/shm
fi
temporary=$(mktemp -d "$scratch/tagwright-suite-XXXXXX")
trap 'chmod -R u+rwX "$temporary" 2>/dev/null; rm -rf "$temporary"; say_times' EXIT
if [ "${chosen:-}" != none ]; then
  TMPDIR=$temporary ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "${selection[@]}" "$@" || status=$?
fi
if [ -n "$(find "$temporary" -mindepth 1 -print -quit)" ]; then
  echo "FAILED: the tests left these in their temporary folder $temporary:" >&2
  find "$temporary" -mindepth 1 -maxdepth 2 | head -n 50 >&2
  status=1
fi
if [ $# -eq 0 ] && [ "$status" = 0 ]; then
  mv "$build/.tests-built" "$passed"
fi
stage_done tests

if [ "$gates" = 1 ]; then
  for gate in tidy package fuzz; do
    stage=$gate
    ./scripts/check-gates.sh "$gate" || status=1
    stage_done "$gate"
  done
fi
exit "$status"
