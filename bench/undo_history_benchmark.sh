#!/usr/bin/env bash
# What recording the history costs: `tagwright-cli stamp --recognized` over COUNT song files with
# an ID3v2.3 tag, a 100 KB picture and an ID3v1 trailer, with the history (the exact old tag bytes
# recorded ahead of each write) and with --no-history. Each run starts from the same untouched
# copy of the songs and a history that exists but is empty (as after the first use); the best of
# RUNS runs of each, alternated, and the median (this machine's disk makes single runs vary), and
# the cost of each pair of runs. A first run that has to make the history file costs a few
# milliseconds more once; that is shown on its own.
# Beside each pair, the bytes the history grew by are written to a file of this disk with one flush
# (dd conv=fdatasync): the time the bytes kept take to reach the disk at best, which the extra time
# of recording is compared with. The history's growth is given per 1,000 songs.
# With OWN_PICTURES=1 every song has a picture of its own, so that none is stored only once; with
# WRITES=rewrite the made songs' tags are full (no padding), so that every song is rewritten whole
# rather than written in place.
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
  /usr/bin/python3 "$here/make_tagged_files.py" "$work/pristine" "$count" ${OWN_PICTURES:+--own-pictures} \
    $([ "${WRITES:-}" = rewrite ] && echo --full-tags)
fi

# The bytes of the history's files (database, log, and whatever lies beside them).
history_bytes() { cat "$work"/history.sqlite3* 2>/dev/null | wc -c; }

# one_run [--no-history]: milliseconds of one stamp over a fresh copy; the history's growth in
# grown.
one_run() {
  rm -rf "$work/songs" "$work"/history.sqlite3*
  cp -a "$work/pristine" "$work/songs"
  [ "${FRESH_HISTORY:-}" = 1 ] || "$cli" --history "$work/history.sqlite3" history >/dev/null
  local empty
  empty=$(history_bytes)
  sync
  local start end
  start=$(date +%s%N)
  "$cli" --history "$work/history.sqlite3" stamp --recognized "$@" "$work/songs" >/dev/null
  end=$(date +%s%N)
  echo $(($(history_bytes) - empty)) >"$work/grown"
  echo $(((end - start) / 1000000))
}

# dd_run BYTES: milliseconds to write that many bytes to this disk with one flush.
dd_run() {
  rm -f "$work/dd.out"
  sync
  local start end
  start=$(date +%s%N)
  dd if=/dev/zero of="$work/dd.out" bs=64K count=$((($1 + 65535) / 65536)) conv=fdatasync status=none
  end=$(date +%s%N)
  rm -f "$work/dd.out"
  echo $(((end - start) / 1000000))
}

best_with=
best_without=
all_with=()
all_without=()
all_dd=()
grown=0
for _ in $(seq "$runs"); do
  without=$(one_run --no-history)
  with=$(one_run)
  grown=$(cat "$work/grown")
  all_dd+=("$(dd_run "$grown")")
  all_without+=("$without")
  all_with+=("$with")
  if [ -z "$best_without" ] || [ "$without" -lt "$best_without" ]; then best_without=$without; fi
  if [ -z "$best_with" ] || [ "$with" -lt "$best_with" ]; then best_with=$with; fi
done
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
median_without=$(median "${all_without[@]}")
median_with=$(median "${all_with[@]}")
median_dd=$(median "${all_dd[@]}")
percent() { echo "$((($2 - $1) * 1000 / $1 / 10)).$(((($2 - $1) * 1000 / $1 % 10 + 10) % 10)) %"; }
best_fresh=
for _ in $(seq "$runs"); do
  fresh=$(FRESH_HISTORY=1 one_run)
  if [ -z "$best_fresh" ] || [ "$fresh" -lt "$best_fresh" ]; then best_fresh=$fresh; fi
done
stored=$(history_bytes)
if [ -n "${CORPUS:-}" ]; then
  kind="with pictures, from $CORPUS"
elif [ -n "${OWN_PICTURES:-}" ]; then
  kind="each with a picture of its own"
else
  kind="sharing one picture"
fi
[ "${WRITES:-}" = rewrite ] && kind="$kind, rewritten whole"
echo "files: $count ($(du -sh "$work/pristine" | cut -f1)), $kind, $runs runs of each"
echo "stamp --recognized --no-history: best ${best_without} ms, median ${median_without} ms"
echo "stamp --recognized (recorded):   best ${best_with} ms, median ${median_with} ms"
echo "cost of recording: best to best $(percent "$best_without" "$best_with"), median to median $(percent "$median_without" "$median_with")"
# Each run with the history is paired with the run without it just before: the disk's moods
# (other writers, its cache) mostly touch both alike, so the pairs tell the cost more steadily.
pairs() {
  for i in "${!all_with[@]}"; do
    awk -v with="${all_with[$i]}" -v without="${all_without[$i]}" -v dd="${all_dd[$i]}" "BEGIN {$1}"
  done | sort -g | awk '{v[NR] = $1} END {printf "median %s, middle half %s to %s", v[int((NR + 1) / 2)], v[int((NR + 3) / 4)], v[int((3 * NR + 1) / 4)]}'
}
echo "cost of recording, run by run (%): $(pairs 'printf "%.1f\n", (with - without) * 100 / without')"
echo "extra time of recording, run by run (ms): $(pairs 'printf "%d\n", with - without')"
echo "the history's growth written with one flush (dd conv=fdatasync), run by run (ms): $(pairs 'printf "%d\n", dd')"
echo "extra time / dd time, run by run: $(pairs 'printf "%.2f\n", (with - without) / (dd > 0 ? dd : 1)')"
echo "the history's growth: $grown bytes, $((grown * 1000 / count / 1024)) KiB per 1,000 songs"
echo "stamp --recognized, making the history file first: ${best_fresh} ms"
echo "history (all its files) after one run: $((stored / 1024)) KiB"
