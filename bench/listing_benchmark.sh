#!/usr/bin/env bash
# Listing at the speed of the disk, side by side in one run on the realistic corpus of
# ../shared/perf (make_corpus.sh): `tagwright-cli scan` against the physical-limit reader
# (limit_read.c) and a TagLib reader (taglib_read.cpp), warm and cold (page cache dropped before
# each run; needs root), with the system calls per song. All three print the same checksum over
# the seven fields they read, and scan's output is the same for any --jobs.
# Usage: bench/listing_benchmark.sh BUILD_DIR [COUNT] [CORPUS_DIR] [PERF_DIR]
set -euo pipefail
# shellcheck source=corpus_args.sh
source "$(dirname "$0")/corpus_args.sh" "$@"
tools="$build/bench/perf-readers"
mkdir -p "$tools"
gcc -O2 -o "$tools/limit_read" "$perf/limit_read.c" -lpthread
g++ -O2 -std=c++17 -o "$tools/taglib_read" "$perf/taglib_read.cpp" $(pkg-config --cflags --libs taglib)

echo "== checksums (the same fields read by each)"
"$tools/limit_read" "$corpus" | tail -1
"$tools/taglib_read" "$corpus" | tail -1
for jobs in 1 8; do echo "scan --jobs $jobs: $("$cli" scan --jobs "$jobs" "$corpus" | md5sum | cut -c1-32)"; done

echo "== system calls per song (strace -c, --jobs 1)"
strace -f -c -o "$tools/strace.txt" "$cli" scan --jobs 1 "$corpus" >/dev/null
awk -v n="$count" '$NF ~ /^(openat|newfstatat|fstat|pread64|read|faccessat2|faccessat|close|lseek)$/ { calls += $4 } END { printf "  %.2f per song\n", calls / n }' "$tools/strace.txt"

echo "== warm page cache"
hyperfine -N -w 3 -r 15 \
  -n limit_read "$tools/limit_read $corpus" \
  -n "tagwright-cli scan" "$cli scan $corpus" \
  -n "tagwright-cli scan --jobs 1" "$cli scan --jobs 1 $corpus" \
  -n taglib_read "$tools/taglib_read $corpus"

if [ "$(id -u)" -eq 0 ]; then
  echo "== cold page cache"
  hyperfine -N -r 5 --prepare 'sh -c "sync; echo 3 > /proc/sys/vm/drop_caches"' \
    -n "limit_read (one thread)" "$tools/limit_read $corpus" \
    -n "limit_read -j 16" "$tools/limit_read -j 16 $corpus" \
    -n "tagwright-cli scan" "$cli scan $corpus"
fi
