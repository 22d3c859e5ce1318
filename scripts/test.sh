#!/usr/bin/env bash
# Installs what is needed, builds everything with AddressSanitizer and UBSan and with warnings as
# errors, and runs every test; further arguments go to ctest (say --repeat until-fail:20, or -R ui).
# The tests' temporary files go to a folder of this run, which has to be empty when they end: a test
# that leaves anything behind fails the run, whatever other programs keep in /tmp. Then come the
# other gates of scripts/check-gates.sh: the format, a Clang build, clang-tidy and the fuzzer
# (TAGWRIGHT_GATES=0 leaves them out, for a quick run of the tests alone).
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
if [ "${TAGWRIGHT_GATES:-1}" != 0 ]; then ./scripts/check-gates.sh format; fi
build=build-test
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAGWRIGHT_SANITIZE=ON -DTAGWRIGHT_WERROR=ON "${launcher[@]}"
cmake --build "$build" -j "$(nproc)"

temporary=$(mktemp -d "${TMPDIR:-/tmp}/tagwright-suite-XXXXXX")
trap 'chmod -R u+rwX "$temporary" 2>/dev/null; rm -rf "$temporary"' EXIT
status=0
TMPDIR=$temporary ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@" || status=$?
if [ -n "$(find "$temporary" -mindepth 1 -print -quit)" ]; then
  echo "FAILED: the tests left these in their temporary folder $temporary:" >&2
  find "$temporary" -mindepth 1 -maxdepth 2 | head -n 50 >&2
  status=1
fi
if [ "${TAGWRIGHT_GATES:-1}" != 0 ]; then ./scripts/check-gates.sh clang tidy fuzz || status=1; fi
exit "$status"
