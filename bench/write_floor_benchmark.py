#!/usr/bin/python3
"""tagwright-cli `stamp --comment` (with its history), its `undo` and `redo`, and `hands-free` over the
same songs, next to the write floor: a
program that writes exactly the bytes the stamp changes (found by comparing the songs before and
after it) and makes them durable with one syncfs (bench/write_floor.c). Every run starts from the
same copy of the realistic corpus of ../shared/perf (make_corpus.sh), restored and synced before
it, on this disk (a flush in memory would cost nothing); the tools alternate with the order
rotated, and the medians of the per-round ratios are printed, as absolute times move with the
machine's load. With strace installed, the system calls per song of one stamp follow.

    bench/write_floor_benchmark.py BUILD_DIR [COUNT [ROUNDS [CORPUS_DIR]]]
"""
import os
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time

build = os.path.abspath(sys.argv[1])
count = int(sys.argv[2]) if len(sys.argv) > 2 else 10000
rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 5
here = os.path.dirname(os.path.abspath(__file__))
corpus = sys.argv[4] if len(sys.argv) > 4 else "/tmp/tagwright-corpus/c%d" % count
perf = os.path.join(here, "..", "..", "shared", "perf")
cli = os.path.join(build, "app", "cli", "tagwright-cli")
if not os.path.isdir(corpus):
    subprocess.run([os.path.join(perf, "make_corpus.sh"), str(count), corpus], check=True)

work = tempfile.mkdtemp(prefix="tagwright-floor-", dir="/var/tmp")
songs = os.path.join(work, "songs")
floor = os.path.join(work, "write_floor")
subprocess.run(["cc", "-O2", "-o", floor, os.path.join(here, "write_floor.c")], check=True)
env = dict(os.environ, ASAN_OPTIONS="detect_leaks=0")


def restore():
    shutil.rmtree(songs, ignore_errors=True)
    shutil.copytree(corpus, songs)
    os.sync()


def names():
    return [os.path.join(songs, n) for n in sorted(os.listdir(songs))]


def timed(command, check=True):
    start = time.monotonic()
    subprocess.run(command, check=check, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.monotonic() - start


def stamp(history):
    return [cli, "--history", history, "stamp", "--comment", "benchmark comment", *names()]


def write_patch(path):
    """The runs of bytes the stamp changes in each song, against the corpus, for the floor."""
    restore()
    subprocess.run(stamp(os.path.join(work, "patch.sqlite3")), check=True, env=env, stdout=subprocess.DEVNULL)
    changed = bytes_changed = 0
    with open(path, "wb") as out:
        for name in sorted(os.listdir(songs)):
            with open(os.path.join(corpus, name), "rb") as f:
                old = f.read()
            with open(os.path.join(songs, name), "rb") as f:
                new = f.read()
            if old == new:
                continue
            first = 0
            while first < min(len(old), len(new)) and old[first] == new[first]:
                first += 1
            last = len(new)
            if len(old) == len(new):
                while last > first and old[last - 1] == new[last - 1]:
                    last -= 1
            target = os.path.join(songs, name).encode()
            out.write(struct.pack("<I", len(target)) + target + struct.pack("<QQI", len(new), len(old), 1))
            out.write(struct.pack("<QI", first, last - first) + new[first:last])
            changed += 1
            bytes_changed += last - first
    return changed, bytes_changed


patch = os.path.join(work, "patch.bin")
changed, bytes_changed = write_patch(patch)
print("%d songs, %d changed by the stamp, %.1f KB each on average" % (count, changed, bytes_changed / max(1, changed) / 1024))
results = {"stamp": [], "undo": [], "redo": [], "hands-free": [], "floor": []}
try:
    for round in range(rounds):
        order = ["tagwright", "floor"] if round % 2 == 0 else ["floor", "tagwright"]
        for tool in order:
            restore()
            if tool == "floor":
                results["floor"].append(timed([floor, patch]))
            else:
                history = os.path.join(work, "history%d.sqlite3" % round)
                results["stamp"].append(timed(stamp(history)))
                results["undo"].append(timed([cli, "--history", history, "undo"]))
                results["redo"].append(timed([cli, "--history", history, "redo"]))
                restore()
                # Songs it leaves alone (a name taken, say) make its status 1: they are part of the run.
                results["hands-free"].append(timed(
                    [cli, "--history", os.path.join(work, "hands-free%d.sqlite3" % round), "hands-free", songs],
                    check=False))
        print("round %d: stamp %.2f s, undo %.2f s, redo %.2f s, hands-free %.2f s, floor %.2f s" %
              (round + 1, results["stamp"][-1], results["undo"][-1], results["redo"][-1], results["hands-free"][-1],
               results["floor"][-1]), flush=True)
    ratio = lambda a, b: statistics.median(x / y for x, y in zip(results[a], results[b]))
    print("median: stamp %.2f s, undo %.2f s, redo %.2f s, hands-free %.2f s, floor %.2f s" %
          tuple(statistics.median(results[k]) for k in ("stamp", "undo", "redo", "hands-free", "floor")))
    print("stamp / floor: %.2f (medians of the rounds' ratios)" % ratio("stamp", "floor"))
    print("undo / stamp:  %.2f" % ratio("undo", "stamp"))
    print("redo / stamp:  %.2f" % ratio("redo", "stamp"))
    print("hands-free / floor: %.2f" % ratio("hands-free", "floor"))
    if shutil.which("strace"):
        restore()
        trace = os.path.join(work, "trace")
        subprocess.run(["strace", "-f", "-c", "-o", trace, *stamp(os.path.join(work, "traced.sqlite3"))],
                       check=True, env=env, stdout=subprocess.DEVNULL)
        total = [line.split() for line in open(trace) if line.strip().endswith("total")]
        if total:
            print("system calls per song of the stamp: %.1f" % (int(total[0][3]) / count))
finally:
    shutil.rmtree(work, ignore_errors=True)
