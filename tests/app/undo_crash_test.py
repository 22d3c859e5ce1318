#!/usr/bin/python3
"""tagwright-cli killed with SIGKILL at random moments of a command and of an undo: after the next
start every song is byte for byte as it was before or after the change, under the matching name,
no temporary file is left and the history is still readable. Then two programs at once on one
history: no entry lost, no "database is locked".

    undo_crash_test.py CLI SONG_MAKER [KILLS]

KILLS (default 12) kills of commands and as many of undos; prints "N passed, M failed"."""
import hashlib
import json
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

CLI, SONG_MAKER = sys.argv[1], sys.argv[2]
KILLS = int(sys.argv[3]) if len(sys.argv) > 3 else 12
ENV = dict(os.environ, ASAN_OPTIONS="detect_leaks=0")
passed = 0
failed = 0
repairs = 0  # runs whose next start had something to repair


def check(ok, what):
    global passed, failed
    if ok:
        passed += 1
    else:
        failed += 1
        print("FAIL:", what)


def sha(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def state(folder):
    return {name: sha(os.path.join(folder, name)) for name in os.listdir(folder)}


def run(history, *args):
    return subprocess.run([CLI, "--history", history, *args], env=ENV, capture_output=True, text=True)


def make_songs(template, folder, copies):
    os.makedirs(folder)
    for name in os.listdir(template):
        shutil.copyfile(os.path.join(template, name), os.path.join(folder, name))
    big = "03 - Mara Vell - Paper Boats.mp3"
    for i in range(copies):
        shutil.copyfile(os.path.join(template, big), os.path.join(folder, "%02d - Mara Vell - Boat %d.mp3" % (i, i)))


def outcome_map(output):
    """Old name -> new name of each song the command changed, from its JSON lines."""
    renamed = {}
    for line in output.splitlines():
        result = json.loads(line)
        if "new_file" in result:
            renamed[os.path.basename(result["file"])] = os.path.basename(result["new_file"])
    return renamed


def judge(folder, before, after, renamed, history, what):
    """Every song is as before or as after, under the matching name; nothing else is there."""
    global repairs
    repaired = run(history, "history")
    if "after an interrupted write" in repaired.stderr:
        repairs += 1
    check(repaired.returncode == 0, what + ": history after the crash: " + repaired.stderr)
    for line in repaired.stdout.splitlines():
        json.loads(line)
    now = state(folder)
    leftovers = [name for name in now if "~" in name]
    check(not leftovers, what + ": temporary files left: %s" % leftovers)
    seen = set()
    for name, old_sha in before.items():
        new_name = renamed.get(name, name)
        if now.get(name) == old_sha:
            seen.add(name)
        elif now.get(new_name) == after[new_name]:
            seen.add(new_name)
        else:
            check(False, what + ": %s is neither as before nor as after" % name)
            return
    check(seen == set(now), what + ": unexpected files %s" % (set(now) - seen))


def main():
    work = tempfile.mkdtemp()
    try:
        # A program killed at any moment may leave its own temporary files (SQLite's, say): they go
        # to a folder of this run, removed with it.
        ENV["TMPDIR"] = os.path.join(work, "tmp")
        os.mkdir(ENV["TMPDIR"])
        template = os.path.join(work, "template")
        subprocess.run(["/usr/bin/python3" if os.path.exists("/usr/bin/python3") else "python3", SONG_MAKER, template],
                       check=True)
        rng = random.Random(7)
        for kill in range(2 * KILLS):
            undoing = kill >= KILLS
            command = rng.choice([["stamp", "--recognized"], ["hands-free"], ["cleanup"], ["rename"],
                                  ["stamp", "--comment", "x" * rng.choice([5, 5000])]])
            what = "kill %d during %s of %s" % (kill, "undo" if undoing else "the command", " ".join(a[:20] for a in command))
            folder = os.path.join(work, "songs%d" % kill)
            reference = os.path.join(work, "reference%d" % kill)
            history = os.path.join(work, "history%d.sqlite3" % kill)
            make_songs(template, folder, 12)
            make_songs(template, reference, 12)
            target_args = command + ([os.path.join(folder, n) for n in sorted(os.listdir(folder))]
                                     if command[0] == "stamp" and "--recognized" not in command else [folder])
            reference_args = command + ([os.path.join(reference, n) for n in sorted(os.listdir(reference))]
                                        if command[0] == "stamp" and "--recognized" not in command else [reference])
            started = time.monotonic()
            done = run(os.path.join(work, "reference-history%d.sqlite3" % kill), *reference_args)
            duration = time.monotonic() - started
            renamed = outcome_map(done.stdout)
            before = state(folder)
            after = state(reference)
            if undoing:
                # The command runs whole; the undo is killed: as before (undone) or after (not yet).
                run(history, *target_args)
                before, after = state(folder), before
                renamed = {new: old for old, new in renamed.items()}
                args = ["undo"]
            else:
                args = target_args
            process = subprocess.Popen([CLI, "--history", history, *args], env=ENV,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(rng.uniform(0.0, duration))
            process.send_signal(signal.SIGKILL)
            process.wait()
            judge(folder, before, after, renamed, history, what)

        # Two programs at once on one history.
        history = os.path.join(work, "shared.sqlite3")
        folders = [os.path.join(work, "together%d" % i) for i in range(2)]
        for folder in folders:
            make_songs(template, folder, 0)
        errors = []

        def hammer(folder, rounds):
            for i in range(rounds):
                done = run(history, "stamp", "--title", "Round %d" % i, os.path.join(folder, "Kit Moor - Blue.mp3"))
                if done.returncode != 0 or "locked" in done.stderr or "busy" in done.stderr:
                    errors.append(done.stderr)
        rounds = 15
        threads = [threading.Thread(target=hammer, args=(folder, rounds)) for folder in folders]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        check(not errors, "two programs at once: %s" % errors[:2])
        listed = run(history, "history").stdout.splitlines()
        check(len(listed) == 2 * rounds, "two programs at once: %d entries, not %d" % (len(listed), 2 * rounds))
    finally:
        shutil.rmtree(work)
    print("kills after which the next start repaired files: %d of %d" % (repairs, 2 * KILLS))
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


sys.exit(main())
