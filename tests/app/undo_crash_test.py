#!/usr/bin/python3
"""tagwright-cli killed with SIGKILL at random moments of a command, an undo and a redo: after the next
start every song is byte for byte as it was before or after the change, under the matching name,
no temporary file is left, a song with a second hard link still shares its file with it, the history
is still readable, and every piece its records name is in its piece file whole (no record commits
ahead of its pieces); then a plain undo (or redo) finishes a killed undo (or redo). Then 20
commands killed and songs changed by another program before the next start (a tag edited, the file
replaced by a longer or a shorter one): each such change survives the next command byte for byte,
which names the songs it left alone and exits 1. Then 4 KiB of damage at random places of a history:
an undo leaves every song as it was before or after the command, never anything else. An undo stopped
by a full history is finished by a plain undo once there is room. The test build's CLI (with
TAGWRIGHT_FAULT_SEAMS=1 in the environment) has the power cut at the first flush of its piece file
(TAGWRIGHT_PIECES_POWER_CUT): what was not flushed is lost, and no record committed names it; and it
is killed between the steps of a batch (TAGWRIGHT_KILL_AT_BATCH_STEP). Then
two programs at once on one history, and two programs making one new history at the same moment:
no entry lost, no "database is locked", no "busy".

    undo_crash_test.py CLI SONG_MAKER [KILLS [DAMAGES]]

KILLS (default 12) kills of commands and as many of undos and of redos, DAMAGES (default 12) damaged histories;
prints "N passed, M failed"."""
import hashlib
import json
import os
import random
import resource
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time

CLI, SONG_MAKER = sys.argv[1], sys.argv[2]
KILLS = int(sys.argv[3]) if len(sys.argv) > 3 else 12
DAMAGES = int(sys.argv[4]) if len(sys.argv) > 4 else 12
SURVIVALS = 20
COPIES = int(os.environ.get("TAGWRIGHT_CRASH_COPIES", "12"))  # copies of the big song in each folder
ENV = dict(os.environ, ASAN_OPTIONS="detect_leaks=0")
passed = 0
failed = 0
repairs = 0  # runs whose next start had something to repair
cut_short = 0  # killed undos and redos that left the songs partly taken back


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
    """Every file below the folder by its path there, with its hash, and every folder below it: a
    folder a rename made and its undo or repair left behind counts."""
    found = {}
    for root, folders, files in os.walk(folder):
        for name in folders:
            found[os.path.relpath(os.path.join(root, name), folder) + "/"] = "folder"
        for name in files:
            found[os.path.relpath(os.path.join(root, name), folder)] = sha(os.path.join(root, name))
    return found


def run(history, *args):
    return subprocess.run([CLI, "--history", history, *args], env=ENV, capture_output=True, text=True)


def repair(history):
    """The next command that may change songs, on an empty folder: it repairs what a crash left."""
    empty = os.path.join(ENV["TMPDIR"], "empty")
    os.makedirs(empty, exist_ok=True)
    return run(history, "rename", empty)


def pieces_missing(history):
    """The pieces that records of the history name but its piece file does not hold whole: a record
    must never commit ahead of the pieces it names. (A piece of an old tag is never all zero bytes,
    as a hole or a file cut short reads.)"""
    pieces_path = history + "-pieces"
    pieces = open(pieces_path, "rb").read() if os.path.exists(pieces_path) else b""
    missing = []
    db = sqlite3.connect(history)
    try:
        for piece, at, size in db.execute("SELECT id, at, size FROM shared_pieces WHERE at IS NOT NULL"):
            if at + size > len(pieces) or not pieces[at:at + size].strip(b"\0"):
                missing.append("piece %d of %d bytes at %d, the piece file %d bytes" % (piece, size, at, len(pieces)))
        for (piece,) in db.execute("SELECT piece FROM piece_refs WHERE refs > 0 AND piece NOT IN "
                                   "(SELECT id FROM shared_pieces)"):
            missing.append("piece %d named but not stored" % piece)
    except sqlite3.OperationalError:
        pass  # killed before the history was laid out: nothing committed
    finally:
        db.close()
    return missing


def edit_as_another_program(path, kind, rng):
    """Another program's change, in the song's own file as cp and tag editors make it."""
    with open(path, "rb") as f:
        data = f.read()
    if kind == "tag":
        # A tag editor's change in place: one letter of the tag's text, the size kept. (Not a change
        # of case: a write of this program that a crash cut short after that very byte could leave
        # the same bytes, and nothing in the file could tell the two apart.)
        at = data.find(b"TIT2")
        at = at + 11 if 0 <= at < 4096 and at + 11 < len(data) else min(20, len(data) - 1)
        data = data[:at] + (b"#" if data[at:at + 1] != b"#" else b"%") + data[at + 1:]
    elif kind == "longer":
        middle = len(data) // 2
        data = data[:middle] + bytes(rng.randrange(256) for _ in range(70000)) + data[middle:]
    else:
        data = data[:max(1, len(data) // 3)]
    with open(path, "r+b") as f:
        f.write(data)
        f.truncate()


def make_songs(template, folder, copies):
    os.makedirs(folder)
    for name in os.listdir(template):
        shutil.copyfile(os.path.join(template, name), os.path.join(folder, name))
    big = "03 - Mara Vell - Paper Boats.mp3"
    for i in range(copies):
        shutil.copyfile(os.path.join(template, big), os.path.join(folder, "%02d - Mara Vell - Boat %d.mp3" % (i, i)))


def outcome_map(output):
    """Old name -> new name of each song the command changed, from its JSON lines; the new name with
    the folders a pattern moved the song into."""
    renamed = {}
    for line in output.splitlines():
        result = json.loads(line)
        if "new_file" in result:
            renamed[os.path.basename(result["file"])] = os.path.relpath(result["new_file"],
                                                                         os.path.dirname(result["file"]))
    return renamed


def fill_at(size):
    """For a child process: files it writes cannot grow past size bytes, as on a full disk."""
    def limit():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (size, size))
    return limit


def link_songs(folder, links):
    """Gives every other copy of the big song a second name in links; its names by song name."""
    os.makedirs(links)
    linked = {}
    for name in sorted(os.listdir(folder)):
        if "Boat" in name and int(name.split(" ")[0]) % 2 == 0:
            os.link(os.path.join(folder, name), os.path.join(links, name))
            linked[name] = os.path.join(links, name)
    return linked


def judge_links(folder, linked, renamed, what):
    """Each second name still leads to the song's file, whatever its name now."""
    for name, link in linked.items():
        song = os.path.join(folder, name)
        if not os.path.exists(song):
            song = os.path.join(folder, renamed.get(name, name))
        check(os.path.exists(song) and os.stat(song).st_ino == os.stat(link).st_ino,
              what + ": %s no longer shares its file with its second name" % name)


def judge(folder, before, after, renamed, history, what):
    """Every song is as before or as after, under the matching name; nothing else is there."""
    global repairs
    repaired = repair(history)
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
        if name.endswith("/"):
            continue  # a folder: judged below, by the songs in it
        new_name = renamed.get(name, name)
        if now.get(name) == old_sha:
            seen.add(name)
        elif now.get(new_name) == after[new_name]:
            seen.add(new_name)
        else:
            check(False, what + ": %s is neither as before nor as after" % name)
            return
    # The folders the songs are in now, and no other: none made for a name a song does not have.
    for name in list(seen):
        while os.path.dirname(name):
            name = os.path.dirname(name)
            seen.add(name + "/")
    check(seen == set(now), what + ": unexpected files %s" % (set(now) - seen))


def finish(folder, before, after, history, plain, what):
    """A killed undo (or redo) is finished by the plain command: the songs are all as after it. After
    a finished redo, a plain undo takes the whole command back."""
    global cut_short
    now = state(folder)
    if now != before and now != after:
        cut_short += 1
    run(history, plain)
    check(state(folder) == after, what + ": a plain %s did not finish what was cut short" % plain)
    if plain == "redo":
        run(history, "undo")
        check(state(folder) == before, what + ": a plain undo after the finished redo did not take it all back")


def undo_on_full_disk(template, work):
    """The history's disk fills during an undo of 200 songs: a plain undo with room again takes back
    the rest, and every song is as before the command."""
    stopped = 0
    for extra in (8, 40, 120, 400):
        folder = os.path.join(work, "undo-full%d" % extra)
        history = os.path.join(work, "undo-full%d.sqlite3" % extra)
        make_songs(template, folder, 194)
        before = state(folder)
        run(history, "stamp", "--recognized", folder)
        room = max(os.path.getsize(p) for p in (history, history + "-wal") if os.path.exists(p))
        limited = subprocess.run([CLI, "--history", history, "undo"], env=ENV, capture_output=True, text=True,
                                 preexec_fn=fill_at(room + extra * 1024))
        partly = state(folder)
        if any(partly[name] == before.get(name) for name in partly) and partly != before:
            stopped += 1
        finished = run(history, "undo")
        what = "undo with the history full at %d KiB more" % extra
        check(state(folder) == before, what + ": a plain undo did not finish it: " + limited.stderr[-300:] +
              finished.stdout[-300:] + finished.stderr[-300:])
    check(stopped > 0, "no undo was stopped part way by a full history")


def power_cuts(template, work):
    """The power is cut at the first flush of the piece file during a stamp whose records keep the
    songs' pictures: the pieces not flushed are lost, no record committed names them, and after the
    next start every song is as before or as after."""
    cut = 0
    title = "A title longer than any of these songs holds, which moves their pictures"
    for copies in (0, 12):
        folder = os.path.join(work, "cut%d" % copies)
        reference = os.path.join(work, "cut-reference%d" % copies)
        history = os.path.join(work, "cut%d.sqlite3" % copies)
        make_songs(template, folder, copies)
        make_songs(template, reference, copies)
        before = state(folder)
        run(os.path.join(work, "cut-reference%d.sqlite3" % copies), "stamp", "--title", title,
            *[os.path.join(reference, n) for n in sorted(os.listdir(reference))])
        after = state(reference)
        songs = [os.path.join(folder, n) for n in sorted(os.listdir(folder))]
        done = subprocess.run([CLI, "--history", history, "stamp", "--title", title, *songs],
                              env=dict(ENV, TAGWRIGHT_PIECES_POWER_CUT="1"), capture_output=True)
        cut += done.returncode == -signal.SIGKILL
        what = "power cut at the piece file's first flush, %d songs" % len(songs)
        missing = pieces_missing(history)
        check(not missing, what + ": a record committed ahead of its pieces: %s" % missing[:3])
        judge(folder, before, after, {}, history, what)
    check(cut > 0, "no power was cut at a flush of the piece file")


def batch_step_kills(template, work):
    """The command is killed at each step of its first batch of changes (TAGWRIGHT_KILL_AT_BATCH_STEP):
    with the new files of its rewrites written, then flushed, with every song changed, and with the
    file system flushed again; after the next start every song is as before or as after."""
    title = "A title longer than any of these songs holds, which moves their pictures"
    for step in ("written", "flushed", "changed", "folders-flushed"):
        for command in (["stamp", "--title", title], ["hands-free"]):
            what = "killed at the batch step %s of %s" % (step, command[0])
            folder = os.path.join(work, "step-%s-%s" % (step, command[0]))
            reference = folder + "-reference"
            history = folder + ".sqlite3"
            make_songs(template, folder, 2)
            make_songs(template, reference, 2)
            songs = lambda where: [os.path.join(where, n) for n in sorted(os.listdir(where))] \
                if command[0] == "stamp" else [where]
            done = run(reference + ".sqlite3", *command, *songs(reference))
            renamed = outcome_map(done.stdout)
            before, after = state(folder), state(reference)
            killed = subprocess.run([CLI, "--history", history, *command, *songs(folder)],
                                    env=dict(ENV, TAGWRIGHT_KILL_AT_BATCH_STEP=step), capture_output=True)
            check(killed.returncode == -signal.SIGKILL, what + ": not killed there")
            judge(folder, before, after, renamed, history, what)


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
        # Each phase begins with a rewrite (whose record keeps the picture by reference to the new
        # file, hard-linked songs included) and a write in place (whose record keeps only the
        # bytes it changes); then commands drawn at random.
        first = [["stamp", "--comment", "x" * 5000], ["stamp", "--comment", "kepT"]]
        for kill in range(3 * KILLS):
            phase = ["the command", "undo", "redo"][kill // KILLS]
            undoing = phase == "undo"
            command = rng.choice([["stamp", "--recognized"], ["hands-free"], ["cleanup"], ["rename"],
                                  ["stamp", "--comment", "x" * rng.choice([5, 5000])],
                                  ["tag-from-name", "--pattern", "{track} - {artist} - {title}"],
                                  ["rename", "--pattern", "{artist} - {title} ({track})"], ["number", "--total"],
                                  ["rename", "--pattern", "{artist}/{album}/{title}"],
                                  ["cover", "--remove"]])
            if kill % KILLS < len(first):
                command = first[kill % KILLS]
            what = "kill %d during %s of %s" % (kill, phase, " ".join(a[:20] for a in command))
            folder = os.path.join(work, "songs%d" % kill)
            reference = os.path.join(work, "reference%d" % kill)
            history = os.path.join(work, "history%d.sqlite3" % kill)
            make_songs(template, folder, COPIES)
            make_songs(template, reference, COPIES)
            linked = link_songs(folder, folder + "-links") if kill % 2 == 0 else {}
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
            elif phase == "redo":
                # The command and its undo run whole; the redo is killed: as undone, or as redone.
                run(history, *target_args)
                run(history, "undo")
                check(state(folder) == before, what + ": the undo before the redo did not give the songs back")
                args = ["redo"]
            else:
                args = target_args
            process = subprocess.Popen([CLI, "--history", history, *args], env=ENV,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(rng.uniform(0.0, duration))
            process.send_signal(signal.SIGKILL)
            process.wait()
            missing = pieces_missing(history)
            check(not missing, what + ": a record committed ahead of its pieces: %s" % missing[:3])
            judge(folder, before, after, renamed, history, what)
            judge_links(folder, linked, renamed if not undoing else {v: k for k, v in renamed.items()}, what)
            if phase != "the command":
                finish(folder, before, after, history, args[0], what)

        # Another program's changes after a crash survive the next command.
        timed = os.path.join(work, "survive-timed")
        make_songs(template, timed, COPIES)
        started = time.monotonic()
        run(os.path.join(work, "survive-timed.sqlite3"), "stamp", "--recognized", timed)
        duration = time.monotonic() - started
        for round in range(SURVIVALS):
            command = rng.choice([["stamp", "--recognized"], ["hands-free"], ["stamp", "--comment", "x" * 5000],
                                  ["stamp", "--comment", "y" * 5]])
            folder = os.path.join(work, "survive%d" % round)
            history = os.path.join(work, "survive%d.sqlite3" % round)
            make_songs(template, folder, COPIES)
            args = command + ([os.path.join(folder, n) for n in sorted(os.listdir(folder))]
                              if command[0] == "stamp" and "--recognized" not in command else [folder])
            started = time.monotonic()
            process = subprocess.Popen([CLI, "--history", history, *args], env=ENV,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(rng.uniform(0.0, duration))
            process.send_signal(signal.SIGKILL)
            process.wait()
            what = "survival %d (%s, killed after %.2f s)" % (round, command[0], time.monotonic() - started)
            songs = sorted(n for n in os.listdir(folder) if "~" not in n)
            edited = {}
            for name, kind in zip(rng.sample(songs, 3), ["tag", "longer", "shorter"]):
                path = os.path.join(folder, name)
                edit_as_another_program(path, kind, rng)
                edited[path] = sha(path)
            repaired = repair(history)
            for path, digest in edited.items():
                check(os.path.exists(path) and sha(path) == digest,
                      what + ": another program's change of %s did not survive" % os.path.basename(path))
            left_alone = [line for line in repaired.stderr.splitlines() if "left alone" in line]
            check(all(any(path in line for path in edited) for line in left_alone),
                  what + ": a song no other program changed was left alone: %s" % left_alone)
            check(repaired.returncode == (1 if left_alone else 0),
                  what + ": exit status %d: %s" % (repaired.returncode, repaired.stderr))

        # Damage anywhere in the history never reaches a song.
        for damage in range(DAMAGES):
            folder = os.path.join(work, "damaged%d" % damage)
            history = os.path.join(work, "damaged%d.sqlite3" % damage)
            make_songs(template, folder, 4)
            before = state(folder)
            songs = [os.path.join(folder, n) for n in sorted(os.listdir(folder))]
            run(history, "stamp", "--comment", "c" * rng.choice([5, 3000]), *songs)
            after = state(folder)
            size = os.path.getsize(history)
            with open(history, "r+b") as f:
                f.seek(rng.randrange(0, max(1, size - 4096)))
                f.write(bytes(rng.randrange(256) for _ in range(4096)))
            run(history, "undo")
            now = state(folder)
            what = "damage %d" % damage
            check(set(now) == set(before), what + ": unexpected files %s" % sorted(set(now) - set(before)))
            for name in before:
                check(now.get(name) in (before[name], after[name]), what + ": %s is neither as before nor as after" % name)

        # The history's disk fills during a command (a file size limit stands for it): every song
        # is as before or as after; what was reported tagged stays so through the repair.
        # 200 songs are recorded in two batches: the limits fall on the first batch, between the
        # two, on the second, and on the entry's end.
        reference = os.path.join(work, "full-reference")
        make_songs(template, reference, 194)
        before = state(reference)
        run(os.path.join(work, "full-reference.sqlite3"), "stamp", "--recognized", reference)
        after = state(reference)
        for limit in (1000, 1100, 1300, 1600, 1800, 2200):
            folder = os.path.join(work, "full%d" % limit)
            history = os.path.join(work, "full%d.sqlite3" % limit)
            make_songs(template, folder, 194)
            limited = subprocess.run([CLI, "--history", history, "stamp", "--recognized", folder], env=ENV,
                                     capture_output=True, text=True, preexec_fn=fill_at(limit * 1024))
            tagged = [os.path.basename(json.loads(line)["file"]) for line in limited.stdout.splitlines()
                      if json.loads(line)["action"] == "tagged"]
            written = state(folder)
            repair(history)
            now = state(folder)
            what = "history full at %d KiB" % limit
            check(all(now[name] == written[name] for name in now), what + ": the repair changed finished songs")
            check(all(now[name] == after[name] for name in tagged), what + ": a song reported tagged is not")
            check(all(now[name] in (before[name], after[name]) for name in now), what + ": a song is neither")

        undo_on_full_disk(template, work)
        if os.environ.get("TAGWRIGHT_FAULT_SEAMS") == "1":
            power_cuts(template, work)
            batch_step_kills(template, work)

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

        # Two programs making one new history at the same moment: the one that comes second waits
        # while the other lays it out, and never gives up with "busy".
        errors = []
        for pair in range(20):
            history = os.path.join(work, "new%d.sqlite3" % pair)
            ready = threading.Barrier(2)

            def stamp(folder, title="New %d" % pair):  # a title the song does not hold yet, so that it is written
                ready.wait()
                done = run(history, "stamp", "--title", title, os.path.join(folder, "Kit Moor - Blue.mp3"))
                if done.returncode != 0 or "locked" in done.stderr or "busy" in done.stderr:
                    errors.append(done.stderr)
            threads = [threading.Thread(target=stamp, args=(folder,)) for folder in folders]
            for thread in threads:
                thread.start()
            for thread in threads:
                thread.join()
            listed = run(history, "history").stdout.splitlines()
            check(len(listed) == 2, "a new history made by two programs at once: %d entries, not 2" % len(listed))
        check(not errors, "a new history made by two programs at once: %s" % errors[:2])
    finally:
        shutil.rmtree(work)
    print("kills after which the next start repaired files: %d of %d" % (repairs, 3 * KILLS))
    print("killed undos and redos left partly done, then finished: %d of %d" % (cut_short, 2 * KILLS))
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


sys.exit(main())
