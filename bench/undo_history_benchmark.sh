#!/usr/bin/env bash
# What recording the history costs: `tagwright-cli stamp --recognized` over COUNT song files with
# an ID3v2.3 tag, a 100 KB picture and an ID3v1 trailer, with the history (the exact old tag bytes
# recorded ahead of each write) and with --no-history. Each run starts from the same untouched
# copy of the songs and a history that exists but is empty (as after the first use); the best of
# RUNS runs of each, alternated, and the median (this machine's disk makes single runs vary), and
# the cost of each pair of runs. A first run that has to make the history file costs a few
# milliseconds more once; that is shown on its own.
# With OWN_PICTURES=1 every song has a picture of its own, so that none is stored only once.
# With CORPUS=DIR the songs are instead the first COUNT songs of DIR whose ID3v2 tag holds a
# picture: a folder made by ../shared/perf/make_corpus.sh, whose albums share their covers.
# Usage: bench/undo_history_benchmark.sh BUILD_DIR [COUNT] [RUNS]
set -euo pipefail
build="${1:?usage: $0 BUILD_DIR [COUNT] [RUNS]}"
count="${2:-1000}"
runs="${3:-5}"
here="$(cd "$(dirname "$0")" && pwd)"
cli="$build/app/cli/tagwright-cli"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

mkdir "$work/pristine"
if [ -n "${CORPUS:-}" ]; then
  /usr/bin/python3 - "$CORPUS" "$work/pristine" "$count" <<'PICK'
import os, shutil, sys
source, target, wanted = sys.argv[1], sys.argv[2], int(sys.argv[3])
taken = 0
for name in sorted(os.listdir(source)):
    path = os.path.join(source, name)
    with open(path, "rb") as song:
        head = song.read(10)
        if len(head) < 10 or head[:3] != b"ID3":
            continue
        size = (head[6] & 0x7F) << 21 | (head[7] & 0x7F) << 14 | (head[8] & 0x7F) << 7 | (head[9] & 0x7F)
        if b"APIC" not in song.read(size):
            continue
    shutil.copy2(path, os.path.join(target, name))
    taken += 1
    if taken == wanted:
        break
if taken < wanted:
    sys.exit(f"{source} has only {taken} songs with a picture")
PICK
else
  /usr/bin/python3 "$here/make_tagged_files.py" "$work/pristine" "$count" ${OWN_PICTURES:+--own-pictures}
fi

# one_run [--no-history]: milliseconds of one stamp over a fresh copy.
one_run() {
  rm -rf "$work/songs" "$work"/history.sqlite3*
  cp -a "$work/pristine" "$work/songs"
  [ "${FRESH_HISTORY:-}" = 1 ] || "$cli" --history "$work/history.sqlite3" history >/dev/null
  sync
  local start end
  start=$(date +%s%N)
  "$cli" --history "$work/history.sqlite3" stamp --recognized "$@" "$work/songs" >/dev/null
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}

best_with=
best_without=
all_with=()
all_without=()
for _ in $(seq "$runs"); do
  without=$(one_run --no-history)
  with=$(one_run)
  all_without+=("$without")
  all_with+=("$with")
  if [ -z "$best_without" ] || [ "$without" -lt "$best_without" ]; then best_without=$without; fi
  if [ -z "$best_with" ] || [ "$with" -lt "$best_with" ]; then best_with=$with; fi
done
median() { printf '%s\n' "$@" | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
median_without=$(median "${all_without[@]}")
median_with=$(median "${all_with[@]}")
percent() { echo "$((($2 - $1) * 1000 / $1 / 10)).$(((($2 - $1) * 1000 / $1 % 10 + 10) % 10)) %"; }
best_fresh=
for _ in $(seq "$runs"); do
  fresh=$(FRESH_HISTORY=1 one_run)
  if [ -z "$best_fresh" ] || [ "$fresh" -lt "$best_fresh" ]; then best_fresh=$fresh; fi
done
stored=$(cat "$work"/history.sqlite3 "$work"/history.sqlite3-wal 2>/dev/null | wc -c)
if [ -n "${CORPUS:-}" ]; then
  kind="with pictures, from $CORPUS"
elif [ -n "${OWN_PICTURES:-}" ]; then
  kind="each with a picture of its own"
else
  kind="sharing one picture"
fi
echo "files: $count ($(du -sh "$work/pristine" | cut -f1)), $kind, $runs runs of each"
echo "stamp --recognized --no-history: best ${best_without} ms, median ${median_without} ms"
echo "stamp --recognized (recorded):   best ${best_with} ms, median ${median_with} ms"
echo "cost of recording: best to best $(percent "$best_without" "$best_with"), median to median $(percent "$median_without" "$median_with")"
# Each run with the history is paired with the run without it just before: the disk's moods
# (other writers, its cache) mostly touch both alike, so the pairs tell the cost more steadily.
paired=$(for i in "${!all_with[@]}"; do
  awk -v with="${all_with[$i]}" -v without="${all_without[$i]}" 'BEGIN {printf "%.1f\n", (with - without) * 100 / without}'
done | sort -g | awk '{v[NR] = $1} END {printf "median %s %%, middle half %s %% to %s %%", v[int((NR + 1) / 2)], v[int((NR + 3) / 4)], v[int((3 * NR + 1) / 4)]}')
echo "cost of recording, run by run: $paired"
echo "stamp --recognized, making the history file first: ${best_fresh} ms"
echo "history (database and its log) after one run: $((stored / 1024)) KiB"
