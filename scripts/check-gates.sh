#!/usr/bin/env bash
# The gates every change passes, each failing the run on its first finding, with the time each took:
#   format   clang-format --dry-run --Werror on every C++ file in git (the repository's .clang-format)
#   clang    the Clang build (ASan, UBSan, -Werror) of everything in build-test/, and every test run
#            (scripts/test.sh without its other gates)
#   tidy     clang-tidy (.clang-tidy) on the Clang build's compile database: every C++ source of the
#            project when CI=true or TAGWRIGHT_TIDY=all, else only the sources changed since the
#            main branch (and those that include a changed header)
#   package  a GCC Release build with -Werror, made once into the Debian package in build-package/
#            (scripts/package.sh), and that package unpacked and checked (tests/packaging)
#   gcc      the package's GCC -Werror build alone
#   fuzz     the ID3 fuzzer for 60 seconds (scripts/fuzz.sh), which fails on a finding
#   scripts/check-gates.sh [GATE...]     # the gates named, or all of them; e.g. format tidy
# scripts/test.sh builds and tests (the clang gate) and, with --gates or CI=true, runs the others.
# (Each gate returns on its first failing step itself: set -e does not reach into a function
# whose status is tested.)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

gates=("$@")
[ ${#gates[@]} -gt 0 ] || gates=(format clang tidy package fuzz)
jobs=$(nproc)
clang_build=build-test
package_build=build-package

# Every C++ file of the project that git knows.
project_files() { git ls-files -- '*.cpp' '*.h'; }

# The C++ sources changed since the branch left the main branch (committed or not, and new files),
# with the sources that include a changed header; every source when no main branch is known.
changed_sources() {
  local base="" ref changed header
  for ref in "${TAGWRIGHT_TIDY_BASE:-}" origin/main main; do
    [ -n "$ref" ] && base=$(git merge-base HEAD "$ref" 2>/dev/null) && break
  done
  if [ -z "$base" ]; then
    project_files | grep '\.cpp$'
    return
  fi
  changed=$({
    git diff --name-only --diff-filter=d "$base" -- '*.cpp' '*.h'
    git ls-files --others --exclude-standard -- '*.cpp' '*.h'
  } | sort -u)
  {
    grep '\.cpp$' <<<"$changed" || true
    for header in $(grep '\.h$' <<<"$changed" || true); do
      project_files | grep '\.cpp$' | xargs -r grep -l -F "\"$header\"" || true
    done
  } | sort -u
}

gate_format() {
  project_files | xargs -r clang-format --dry-run --Werror || return
}

gate_clang() {
  TAGWRIGHT_GATES=0 ./scripts/test.sh || return
}

gate_gcc() {
  ./scripts/package.sh "$root/$package_build" >/dev/null || return
}

gate_package() {
  local deb
  deb=$(./scripts/package.sh "$root/$package_build" | tail -n 1) || return
  tests/packaging/check_package.sh "$root" "$deb" || return
}

gate_tidy() {
  # The sources are read as the Clang build compiles them, generated headers (Qt's moc, the
  # version) included: the build is brought up to date first.
  [ -f "$clang_build/compile_commands.json" ] || gate_clang || return
  cmake --build "$clang_build" -j "$jobs" >/dev/null || return
  local sources files output status=0
  if [ "${CI:-}" = true ] || [ "${TAGWRIGHT_TIDY:-}" = all ]; then
    sources=$(project_files | grep '\.cpp$')
  else
    sources=$(changed_sources)
  fi
  echo "clang-tidy on $(grep -c . <<<"$sources" || true) sources"
  [ -n "$sources" ] || return 0
  files=$(sed "s|^|$root/|" <<<"$sources" | paste -sd '|')
  output=$(mktemp)
  # Each source is read as it stands, without the build's precompiled headers: through them
  # clang-tidy would go through all of Qt again for every file.
  local database="$clang_build/tidy-database"
  mkdir -p "$database"
  python3 - "$clang_build/compile_commands.json" "$database/compile_commands.json" <<'EOF' || return
import json, re, sys
entries = json.load(open(sys.argv[1]))
for entry in entries:
    entry["command"] = re.sub(r" -Winvalid-pch| -Xclang -include-pch -Xclang \S+| -Xclang -include -Xclang \S+cmake_pch\.hxx",
                              "", entry["command"])
json.dump(entries, open(sys.argv[2], "w"), indent=1)
EOF
  # run-clang-tidy takes regular expressions: only the project's sources, not the generated ones.
  run-clang-tidy -p "$database" -j "$jobs" -quiet "^(${files//./\\.})\$" >"$output" 2>&1 || status=$?
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
    format | clang | tidy | package | gcc | fuzz) ;;
    *) echo "unknown gate: $gate (format, clang, tidy, package, gcc, fuzz)" >&2; exit 2 ;;
  esac
  started=$(date +%s)
  echo "== gate $gate"
  gate_status=0
  "gate_$gate" || gate_status=$?
  echo "== gate $gate: $([ "$gate_status" -eq 0 ] && echo passed || echo FAILED) in $(($(date +%s) - started)) s"
  [ "$gate_status" -eq 0 ] || status=1
done
exit "$status"
