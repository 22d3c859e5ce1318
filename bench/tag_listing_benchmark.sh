#!/usr/bin/env bash
# Side by side on COUNT song files with an ID3v2.3 tag (eight text frames, a 100 KB picture) and
# an ID3v1 trailer: `tagwright-cli scan` (tags read through the tag layer) against a small TagLib
# program reading the same seven fields. Also counts the system calls of one tag read.
# Usage: bench/tag_listing_benchmark.sh BUILD_DIR [COUNT]
set -euo pipefail
build="${1:?usage: $0 BUILD_DIR [COUNT]}"
count="${2:-10000}"
here="$(cd "$(dirname "$0")" && pwd)"
cli="$build/app/cli/tagwright-cli"
taglib="$build/bench/taglib_listing"
once="$build/bench/read_tags_once"
folder="$(mktemp -d)"
trap 'rm -rf "$folder"' EXIT

/usr/bin/python3 "$here/make_tagged_files.py" "$folder" "$count"
sample="$(find "$folder" -name "*.mp3" -print -quit)"

echo "system calls on the song file for one ReadID3Tags (strace):"
strace -y -e trace=all "$once" "$sample" 2>&1 >/dev/null | grep -F "$sample" | sed 's/^/  /'
calls=$(strace -y -e trace=all "$once" "$sample" 2>&1 >/dev/null | grep -cF "$sample")
echo "  total: $calls"

source "$(dirname "$0")/measure.sh"

"$cli" scan "$folder" >/dev/null  # warm the page cache for both
scan_ms=$(measure "$cli" scan "$folder")
taglib_ms=$(measure "$taglib" "$folder")
echo "files: $count ($(du -sh "$folder" | cut -f1))"
echo "tagwright-cli scan:  ${scan_ms} ms   ($("$cli" scan "$folder" | grep -c '"recognition":"id3tag"') recognised from tags)"
echo "TagLib, 7 fields:    ${taglib_ms} ms   ($("$taglib" "$folder" | wc -l) files)"
awk -v a="$taglib_ms" -v b="$scan_ms" 'BEGIN { printf "TagLib / tagwright: %.2f\n", a / (b > 0 ? b : 1) }'
