#!/usr/bin/env bash
# The gates every change passes, each failing the run on its first finding, with the time each took:
#   format   clang-format --dry-run --Werror on every C++ file in git (the repository's .clang-format)
#   gcc      a GCC build of everything with -Werror (-Wall -Wextra), in build-gcc/
#   clang    a Clang build of the core, the command line and the core's tests with -Werror, in
#            build-clang/, and those tests run
#   tidy     clang-tidy (.clang-tidy) on every C++ source of the project, on the Clang build
#   fuzz     the ID3 fuzzer for 60 seconds (scripts/fuzz.sh), which fails on a finding
#   scripts/check-gates.sh [GATE...]     # the gates named, or all of them; e.g. format tidy
# scripts/test.sh runs every gate but gcc: its own build is the GCC -Werror build.
# (Each gate returns on its first failing step itself: set -e does not reach into a function
# whose status is tested.)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

gates=("$@")
[ ${#gates[@]} -gt 0 ] || gates=(format gcc clang tidy fuzz)
jobs=$(nproc)
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
clang_build=build-clang

# Every C++ file of the project that git knows.
project_files() { git ls-files -- '*.cpp' '*.h'; }

gate_format() {
  project_files | xargs -r clang-format --dry-run --Werror || return
}

gate_gcc() {
  CC=gcc CXX=g++ cmake -S . -B build-gcc -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAGWRIGHT_WERROR=ON \
    "${launcher[@]}" >/dev/null || return
  cmake --build build-gcc -j "$jobs" || return
}

clang_configure() {
  CC=clang CXX=clang++ cmake -S . -B "$clang_build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAGWRIGHT_WERROR=ON \
    -DCMAKE_EXPORT_COMPILE_COMMANDS=ON "${launcher[@]}" >/dev/null
}

# What the Clang build compiles: the core, the command line and the core's tests. The window's code is
# read by Clang in the tidy gate, which needs no more of the build than Qt's generated sources.
clang_targets=(files_tests tags_tests songs_tests commands_tests history_tests cli_tests tagwright-cli)
generated_targets=(tagwright_ui_autogen ui_tests_autogen)

gate_clang() {
  clang_configure || return
  cmake --build "$clang_build" -j "$jobs" --target "${clang_targets[@]}" || return
  # The core's tests (the layers below the window and the programs); every test runs in the
  # sanitizer build of scripts/test.sh.
  local temporary status=0 suite
  temporary=$(mktemp -d "${TMPDIR:-/tmp}/tagwright-gates-XXXXXX")
  for suite in text files tags songs commands; do
    for program in "$clang_build/tests/$suite"/*_tests; do
      [ -x "$program" ] || continue
      TMPDIR=$temporary "$program" --gtest_brief=1 >"$temporary.log" 2>&1 || {
        status=1
        tail -n 40 "$temporary.log" >&2
        echo "FAILED: $program" >&2
      }
    done
  done
  chmod -R u+rwX "$temporary" 2>/dev/null || true
  rm -rf "$temporary" "$temporary.log"
  return "$status"
}

gate_tidy() {
  # The sources are read as the Clang build compiles them, generated headers (Qt's moc, the
  # version) included: those are made first.
  [ -f "$clang_build/build.ninja" ] || clang_configure || return
  cmake --build "$clang_build" -j "$jobs" --target "${generated_targets[@]}" >/dev/null || return
  local files output status=0
  files=$(project_files | grep '\.cpp$' | sed "s|^|$root/|" | paste -sd '|')
  output=$(mktemp)
  # run-clang-tidy takes regular expressions: only the project's sources, not the generated ones.
  run-clang-tidy -p "$clang_build" -j "$jobs" -quiet "^(${files//./\\.})\$" >"$output" 2>&1 || status=$?
  sed 's/\x1b\[[0-9;]*m//g' "$output" |
    grep -v -e '^[0-9]* warnings\? generated\.$' -e '^Suppressed [0-9]* warnings' -e '^Use -header-filter=' \
      -e '^clang-tidy-[0-9]* ' -e '^Running clang-tidy' || true
  rm -f "$output"
  return "$status"
}

gate_fuzz() {
  local output status=0
  output=$(./scripts/fuzz.sh 60 2>&1) || status=$?
  if [ "$status" -ne 0 ]; then
    printf '%s\n' "$output" | tail -n 40 >&2
    echo "FAILED: the fuzzer found a fault (build-fuzz/findings/)" >&2
    return "$status"
  fi
  printf '%s\n' "$output" | grep -E '^(Done|stat::number_of_executed_units)' || true
}

status=0
for gate in "${gates[@]}"; do
  case "$gate" in
    format | gcc | clang | tidy | fuzz) ;;
    *) echo "unknown gate: $gate (format, gcc, clang, tidy, fuzz)" >&2; exit 2 ;;
  esac
  started=$(date +%s)
  echo "== gate $gate"
  gate_status=0
  "gate_$gate" || gate_status=$?
  echo "== gate $gate: $([ "$gate_status" -eq 0 ] && echo passed || echo FAILED) in $(($(date +%s) - started)) s"
  [ "$gate_status" -eq 0 ] || status=1
done
exit "$status"
