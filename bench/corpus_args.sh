# shellcheck shell=bash
# shellcheck disable=SC2034  # the names are read by the script that sources this
# Sourced by the benchmarks on the realistic corpus of ../shared/perf: reads the arguments
# BUILD_DIR [COUNT] [CORPUS_DIR] [PERF_DIR] into build, count, corpus, perf and cli, checks for
# hyperfine, and makes the corpus (make_corpus.sh) when it is not there yet.
usage="usage: $0 BUILD_DIR [COUNT] [CORPUS_DIR] [PERF_DIR]"
build="$(cd "${1:?$usage}" && pwd)"
count="${2:-10000}"
corpus="${3:-/tmp/tagwright-corpus/c$count}"
perf="${4:-$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/../../shared/perf}"
cli="$build/app/cli/tagwright-cli"

command -v hyperfine >/dev/null || { echo "needs hyperfine (apt-get install hyperfine)"; exit 2; }
[ -d "$corpus" ] || "$perf/make_corpus.sh" "$count" "$corpus"
