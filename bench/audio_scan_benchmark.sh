#!/usr/bin/env bash
# What the audio facts cost: `tagwright-cli scan --audio` against `scan` on the realistic corpus of
# ../shared/perf (make_corpus.sh), warm (and cold with TW_COLD=1: the page cache dropped before
# each run, which needs root and slows everything else on the machine), with the system calls per
# song of each. The target is at most 1.3 times the time of scan.
# Usage: bench/audio_scan_benchmark.sh BUILD_DIR [COUNT] [CORPUS_DIR] [PERF_DIR]
set -euo pipefail
# shellcheck source=corpus_args.sh
source "$(dirname "$0")/corpus_args.sh" "$@"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

echo "== what --audio adds"
"$cli" scan "$corpus" >"$scratch/plain"
"$cli" scan --audio "$corpus" >"$scratch/audio"
echo "  songs: $(wc -l <"$scratch/plain"), with audio facts: $(grep -c '"duration_ms"' "$scratch/audio"), without: $(grep -c '"audio_reason"' "$scratch/audio")"

echo "== system calls per song (strace -c, --jobs 1)"
for options in "" "--audio"; do
  # shellcheck disable=SC2086  # the options are words
  strace -f -c -o "$scratch/strace.txt" "$cli" scan --jobs 1 $options "$corpus" >/dev/null
  awk -v n="$count" -v name="scan $options" '$NF ~ /^(openat|newfstatat|fstat|pread64|read|faccessat2|faccessat|close|lseek)$/ { calls += $4 } END { printf "  %-13s %.2f per song\n", name, calls / n }' "$scratch/strace.txt"
done

echo "== warm page cache"
hyperfine -N -w 3 -r 15 \
  -n "tagwright-cli scan" "$cli scan $corpus" \
  -n "tagwright-cli scan --audio" "$cli scan --audio $corpus" \
  -n "tagwright-cli scan --jobs 1" "$cli scan --jobs 1 $corpus" \
  -n "tagwright-cli scan --audio --jobs 1" "$cli scan --audio --jobs 1 $corpus"

if [ "${TW_COLD:-0}" = 1 ] && [ "$(id -u)" -eq 0 ]; then
  echo "== cold page cache"
  hyperfine -N -r 5 --prepare 'sh -c "sync; echo 3 > /proc/sys/vm/drop_caches"' \
    -n "tagwright-cli scan" "$cli scan $corpus" \
    -n "tagwright-cli scan --audio" "$cli scan --audio $corpus"
fi
