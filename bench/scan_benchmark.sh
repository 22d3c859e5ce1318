#!/usr/bin/env bash
# Times `tagwright-cli scan --no-tags` over a flat folder of 10,000 empty song files, next to
# `find | wc -l` over the same folder. Usage: bench/scan_benchmark.sh BUILD_DIR [COUNT]
set -euo pipefail
build="${1:?usage: $0 BUILD_DIR [COUNT]}"
count="${2:-10000}"
cli="$build/app/cli/tagwright-cli"
folder="$(mktemp -d)"
trap 'rm -rf "$folder"' EXIT

artists=(Moby Madonna "The Beatles" "Blink 182" "Some Artist" Jay-Z)
for ((i = 0; i < count; i++)); do
  : > "$folder/$(printf '%02d' $((i % 100))) - ${artists[i % ${#artists[@]}]} - Song $i.mp3"
done

source "$(dirname "$0")/measure.sh"

find_ms=$(measure bash -c "find '$folder' -maxdepth 1 -type f | wc -l")
scan_ms=$(measure "$cli" scan --no-tags "$folder")
lines=$("$cli" scan --no-tags "$folder" | wc -l)
echo "files: $count, listed: $lines"
echo "find | wc -l:                  ${find_ms} ms"
echo "tagwright-cli scan --no-tags:  ${scan_ms} ms"
