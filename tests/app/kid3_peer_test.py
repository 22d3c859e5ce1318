#!/usr/bin/python3
"""kid3-cli as a peer of tagwright-cli: each case makes two identical copies of a small folder, runs
kid3-cli on one and tagwright-cli on the other with the same pattern, and compares every song's
file name and tag fields (artist, title, album, year, track, genre, comment, pictures) as mutagen
reads them. Each song's audio has a length of its own, which pairs a song of one copy with the same
song of the other whatever either program named it, and shows its audio came through unchanged.
A song listed under "differ" is one the two programs treat differently on purpose, with why: either
Tagwright must leave it as it was, name and tag, or the parts named are not compared. Prints
"N passed, M failed".

    kid3_peer_test.py CLI SONG_FILES_FOLDER"""
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile

CLI = sys.argv[1]
sys.path.insert(0, sys.argv[2])
from mutagen.id3 import APIC, COMM, ID3, TALB, TCON, TIT2, TPE1, TRCK, TYER, ID3NoHeaderError  # noqa: E402
from song_files import song_audio, write_song  # noqa: E402

PNG = b"\x89PNG\r\n\x1a\n" + bytes(range(256)) * 40
JPEG = b"\xff\xd8\xff\xe0" + bytes(range(255, -1, -1)) * 50 + b"\xff\xd9"


def text(frame, value):
    return frame(encoding=1, text=value)


def v1_only(title, artist, album, year, comment, track, genre):
    """The frames of a song that has only an ID3v1.1 trailer."""
    def field(value, size):
        return value.encode("latin-1")[:size].ljust(size, b"\0")
    return b"TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4) + field(comment, 28) + \
        bytes([0, track, genre])


ALBUM = {
    "01 - Daft Punk - One More Time.mp3": [],
    "02 - Daft Punk - Aerodynamic.mp3": [text(TALB, "Discovery"), text(TCON, "House"),
                                         COMM(encoding=1, lang="eng", desc="", text="ripped")],
    "03 - Daft Punk - Digital Love.mp3": [text(TPE1, "daft punk"), text(TRCK, "9"), text(TYER, "2001")],
    "04 - Daft Punk - Harder, Better, Faster, Stronger.mp3": [text(TIT2, "HBFS")],
    "05 - Daft Punk - Crescendolls.mp3": [text(TRCK, "9/14"), text(TCON, "(35)")],
    "06 - Daft Punk - Nightvision.mp3": v1_only("Night", "DP", "Discovery", "2001", "v1 only", 9, 35),
    "Daft Punk - Too Long.mp3": [],
}
DOWNLOADS = {
    "Moby - Porcelain [Official Video].mp3": [text(TCON, "Electronic")],
    "Bonobo - Kerala [Official Video].mp3": [],
    "daft_punk_-_around_the_world.mp3": [],
    "track05.mp3": [],
}
ODD = {
    "Sigur Rós - Hoppípolla.mp3": [],
    "Beyoncé - Déjà Vu (feat. Jay-Z).mp3": [],
    "Guns N' Roses - Sweet Child O' Mine.mp3": [],
    "坂本龍一 - Merry Christmas Mr. Lawrence.mp3": [],
    "Simon & Garfunkel - Mrs. Robinson.mp3": [text(TALB, "Bookends")],
    "The Knife -  Heartbeats .mp3": [],
    "50% Off - $ave, Now.mp3": [],
    "Nena - 99 Luftballons.MP3": [],
    os.fsdecode(b"Bj\xf6rk - J\xf3ga.mp3"): [],  # ISO-8859-1: both leave it alone
}
IN_FOLDERS = {
    "Daft Punk - Discovery (2001)/01 - One More Time.mp3": [],
    "Daft Punk - Discovery (2001)/02 - Aerodynamic.mp3": [text(TALB, "Disco"), text(TYER, "1999")],
    "Loose Songs/03 - Digital Love.mp3": [],
}
EVERY_FIELD = {
    "001 Moon Safari (1998) Electronic [best] La Femme d'Argent.mp3": [text(TPE1, "Air")],
    "12 Homework (1997) House [] Da Funk.mp3": [],
    "7 Cross (07) Electro [live] D.A.N.C.E..mp3": [],
    "3 Random Access Memories (2013) Disco [] [x] Touch.mp3": [],
}
TAGGED = {
    "a.mp3": [text(TPE1, "Daft Punk"), text(TIT2, "One More Time"), text(TRCK, "1"), text(TALB, "Discovery"),
              APIC(encoding=0, mime="image/png", type=4, desc="back", data=PNG)],
    "b.mp3": [text(TPE1, "Sigur Rós"), text(TIT2, "Hoppípolla"), text(TRCK, "12/15"),
              APIC(encoding=0, mime="image/png", type=3, desc="", data=PNG),
              APIC(encoding=0, mime="image/jpeg", type=0, desc="inlay", data=JPEG[::-1])],
    "c.mp3": [text(TPE1, "AC/DC"), text(TIT2, 'What? "Yes": <No>'), text(TRCK, "2")],
    "d.mp3": [text(TIT2, "Intro"), text(TRCK, "3")],
    "e.mp3": [text(TPE1, "Daft Punk"), text(TIT2, "One More Time"), text(TRCK, "1")],
    "g.mp3": [text(TPE1, "Air"), text(TIT2, "La Femme d'Argent"), text(TRCK, "1/10"), text(TALB, "Moon Safari"),
              text(TYER, "1998"), text(TCON, "Electronic"), COMM(encoding=1, lang="eng", desc="", text="best")],
    "h.mp3": [text(TPE1, "Justice"), text(TIT2, "D.A.N.C.E."), text(TRCK, "7"), text(TALB, "†")],
    "i.mp3": [text(TPE1, ".38 Special"), text(TIT2, "Hold On Loosely"), text(TRCK, "4"), text(TALB, "Wild-Eyed")],
    "f.mp3": [],
}
# Why a song differs on purpose, and what of it is not compared: "all" (Tagwright must leave the
# song as it was), else the keys of song_state's fields, or "name".
NOT_FITTING = ("all", "Tagwright leaves a song whose name the pattern does not fit alone, kid3 guesses from the name")
EMPTY_FIELD = ("all", "Tagwright skips a song a field of the pattern is empty for, kid3 names it with the field blank")
TAKEN = ("all", "Tagwright never renames onto another file's name, kid3 makes the name unique with (1)")
SAFE_NAMES = (("name",), "Tagwright keeps names portable (/ : ? * \" < > replaced), kid3 keeps all but /")
BACK_COVER = (("pictures",), "Tagwright sets and removes only front covers, kid3 replaces or removes the first picture")
TOTAL_FROM_START = (("track",), "From 5 with total, Tagwright writes 5/9 ... 9/9, kid3 counts the songs: 5/5 ... 9/5")
SHORTEST = (("artist", "title"), "In A - B - C Tagwright's first field takes the shortest text (A), kid3's the longest")
TRIMMED = (("artist", "title"), "Tagwright trims the spaces around a field, kid3 finds no fit when a name ends in one")
SHORT_GENRE = (("genre", "comment"), "In D [] [x] Tagwright's {genre} takes the shortest text (D), kid3's the longest")
FOUR_DIGITS = ("all", "Tagwright reads {year} as four digits only, kid3 takes (07) and drops the year")
HIDDEN = ("all", "Tagwright never makes a hidden file, kid3 names the song .38 Special - ...")
ALL_ALBUM = {name: TOTAL_FROM_START for name in ALBUM}

# name, folder, kid3-cli commands (on every song of each folder), tagwright-cli arguments, songs that differ
CASES = [
    ("tags from track - artist - title", ALBUM, ['totag "%{track} - %{artist} - %{title}" 2'],
     ["tag-from-name", "--pattern", "{track} - {artist} - {title}"], {"Daft Punk - Too Long.mp3": NOT_FITTING}),
    ("tags from artist - title", ODD, ['totag "%{artist} - %{title}" 2'],
     ["tag-from-name", "--pattern", "{artist} - {title}"], {"The Knife -  Heartbeats .mp3": TRIMMED}),
    ("tags from artist - title of numbered names", ALBUM, ['totag "%{artist} - %{title}" 2'],
     ["tag-from-name", "--pattern", "{artist} - {title}"],
     {name: SHORTEST for name in ALBUM if name.startswith("0")}),
    ("tags from artist - title with literal text", DOWNLOADS, ['totag "%{artist} - %{title} [Official Video]" 2'],
     ["tag-from-name", "--pattern", "{artist} - {title} [Official Video]"],
     {"daft_punk_-_around_the_world.mp3": NOT_FITTING, "track05.mp3": NOT_FITTING}),
    ("tags from underscores", DOWNLOADS, ['totag "%{artist}_-_%{title}" 2'],
     ["tag-from-name", "--pattern", "{artist}_-_{title}"],
     {name: NOT_FITTING for name in DOWNLOADS if name != "daft_punk_-_around_the_world.mp3"}),
    ("tags from a numbered name", DOWNLOADS, ['totag "track%{track}" 2'],
     ["tag-from-name", "--pattern", "track{track}"],
     {name: NOT_FITTING for name in DOWNLOADS if name != "track05.mp3"}),
    ("tags from a folder level", IN_FOLDERS, ['totag "%{artist} - %{album} (%{year})/%{track} - %{title}" 2'],
     ["tag-from-name", "--pattern", "{artist} - {album} ({year})/{track} - {title}"],
     {"Loose Songs/03 - Digital Love.mp3": NOT_FITTING}),
    ("rename track - artist - title", TAGGED, ['fromtag "%{track} - %{artist} - %{title}" 2'],
     ["rename", "--pattern", "{track} - {artist} - {title}"],
     {"c.mp3": SAFE_NAMES, "d.mp3": EMPTY_FIELD, "e.mp3": TAKEN}),
    ("rename artist - title (album)", TAGGED, ['fromtag "%{artist} - %{title} (%{album})" 2'],
     ["rename", "--pattern", "{artist} - {title} ({album})"],
     {"i.mp3": HIDDEN, **{name: EMPTY_FIELD for name in ("b.mp3", "c.mp3", "d.mp3", "e.mp3")}}),
    ("rename with every field", TAGGED, ['fromtag "%{track.3} %{album} (%{year}) %{genre} [%{comment}] %{title}" 2'],
     ["rename", "--pattern", "{track:3} {album} ({year}) {genre} [{comment}] {title}"],
     {name: EMPTY_FIELD for name in TAGGED if name not in ("f.mp3", "g.mp3")}),
    ("tags from every field", EVERY_FIELD, ['totag "%{track} %{album} (%{year}) %{genre} [%{comment}] %{title}" 2'],
     ["tag-from-name", "--pattern", "{track} {album} ({year}) {genre} [{comment}] {title}"],
     {"12 Homework (1997) House [] Da Funk.mp3": NOT_FITTING, "7 Cross (07) Electro [live] D.A.N.C.E..mp3": FOUR_DIGITS,
      "3 Random Access Memories (2013) Disco [] [x] Touch.mp3": SHORT_GENRE}),
    ("rename into folders", TAGGED, ['select all', 'fromtag "%{track} - %{title}" 2', 'save', 'select all',
                                        'renamedir "%{artist}/%{album}" create 2'],
     ["rename", "--pattern", "{artist}/{album}/{track} - {title}"],
     {"i.mp3": HIDDEN, **{name: EMPTY_FIELD for name in ("b.mp3", "c.mp3", "d.mp3", "e.mp3")}}),
    ("number tracks", ALBUM, ["numbertracks 1 2"], ["number"], {}),
    ("number tracks with total", ALBUM, ["config Tag.enableTotalNumberOfTracks true", "numbertracks 1 2"],
     ["number", "--total"], {}),
    ("number tracks in each folder with total", IN_FOLDERS,
     ["config Tag.enableTotalNumberOfTracks true", "numbertracks 1 2"], ["number", "--total"], {}),
    ("number tracks from 5 with total", ALBUM, ["config Tag.enableTotalNumberOfTracks true", "numbertracks 5 2"],
     ["number", "--start", "5", "--total"], ALL_ALBUM),
    ("set cover from a file", TAGGED, ['set picture:"{picture}" ""'], ["cover", "--set", "{picture}"],
     {"a.mp3": BACK_COVER}),
    ("remove the cover", TAGGED, ['set picture ""'], ["cover", "--remove"], {"a.mp3": BACK_COVER}),
]

passed = 0
failed = 0


def check(ok, what):
    global passed, failed
    if ok:
        passed += 1
    else:
        failed += 1
        print("FAIL:", what)


def make_folder(root, songs):
    """Writes the songs under root, each with an audio length of its own; returns length -> name."""
    lengths = {}
    for at, (name, frames) in enumerate(sorted(songs.items())):
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        lengths[9000 + 37 * at] = name
        if isinstance(frames, bytes):
            with open(path, "wb") as f:
                f.write(song_audio(9000 + 37 * at) + frames)
        else:
            write_song(path, frames, audio_size=9000 + 37 * at)
    return lengths


def song_state(root, name):
    """The audio length and the fields as mutagen reads them; the audio must be the bytes written."""
    path = os.path.join(root, name)
    with open(path, "rb") as f:
        data = f.read()
    try:
        tag = ID3(path)
        start = tag.size
    except ID3NoHeaderError:
        tag, start = {}, 0
    end = len(data) - 128 if data[-128:-125] == b"TAG" else len(data)
    audio = data[start:end]
    check(audio == song_audio(len(audio)), f"{name}: the audio changed")
    fields = {key: str(tag[frame]) if frame in tag else "" for key, frame in
              (("artist", "TPE1"), ("title", "TIT2"), ("album", "TALB"), ("year", "TDRC"), ("track", "TRCK"),
               ("genre", "TCON"))}
    # The comment without a description first: mutagen names an ID3v1 trailer's comment "ID3v1 Comment".
    comments = sorted((frame for key, frame in tag.items() if key.startswith("COMM")),
                      key=lambda frame: frame.desc != "")
    fields["comment"] = str(comments[0]) if comments else ""
    # "001" and "1" are the same track to every player: the numbers are compared, not their digits.
    fields["track"] = "/".join(part.lstrip("0") or part for part in fields["track"].split("/"))
    fields["pictures"] = sorted((frame.type, frame.mime, hashlib.sha1(frame.data).hexdigest()[:8])
                                for key, frame in tag.items() if key.startswith("APIC"))
    return len(audio), fields


def folder_state(root):
    """Audio length -> (name, fields) of every song under root."""
    state = {}
    for folder, _, files in os.walk(root):
        for file in files:
            name = os.path.relpath(os.path.join(folder, file), root)
            length, fields = song_state(root, name)
            state[length] = (name, fields)
    return state


def run(command, **options):
    result = subprocess.run(command, capture_output=True, text=True, **options)
    return result.returncode, result.stdout + result.stderr


def song_folders(root):
    return sorted({os.path.dirname(os.path.join(folder, file)) for folder, _, files in os.walk(root) for file in files})


def compared(state, excused):
    """The song's name and fields less what a difference on purpose excuses."""
    name, fields = state
    return (None if "name" in excused else name), {key: value for key, value in fields.items() if key not in excused}


def run_case(work, case):
    title, songs, kid3_commands, arguments, differ = case
    if kid3_commands is None:
        print(f"SKIP: {title}: Tagwright does not make folders yet")
        return
    picture = os.path.join(work, "cover.jpg")
    with open(picture, "wb") as f:
        f.write(JPEG)
    before, kid3_root, ours_root = (os.path.join(work, name) for name in ("before", "kid3", "ours"))
    lengths = make_folder(before, songs)
    shutil.copytree(before, kid3_root)
    shutil.copytree(before, ours_root)
    commands = ["select all"] + [command.replace("{picture}", picture) for command in kid3_commands] + ["save"]
    # kid3-cli keeps its settings (config) in a home of each case's own.
    home = os.path.join(work, "home")
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"), QT_QPA_PLATFORM="offscreen")
    for folder in song_folders(kid3_root):
        status, output = run(["kid3-cli", *[part for command in commands for part in ("-c", command)], "."],
                             cwd=folder, env=env)
        check(status == 0, f"{title}: kid3-cli ended with {status}: {output}")
    arguments = [argument.replace("{picture}", picture) for argument in arguments]
    status, output = run([CLI, "--history", os.path.join(work, "history.sqlite3"), *arguments, "--recursive", "."],
                         cwd=ours_root, env=dict(os.environ, ASAN_OPTIONS="detect_leaks=0"))
    # A name another file has is a failure of that song: the run ends with status 1.
    check(status == (1 if TAKEN in differ.values() else 0), f"{title}: tagwright-cli ended with {status}: {output}")
    start, theirs, ours = folder_state(before), folder_state(kid3_root), folder_state(ours_root)
    for length, name in sorted(lengths.items()):
        excused, _ = differ.get(name, ((), ""))
        if excused == "all":
            check(ours.get(length) == start[length], f"{title}: {name}: Tagwright changed it: {ours.get(length)}")
        elif length not in ours or length not in theirs:
            check(False, f"{title}: {name} is gone:\n  kid3: {theirs.get(length)}\n  tagwright: {ours.get(length)}")
        else:
            check(compared(ours[length], excused) == compared(theirs[length], excused),
                  f"{title}: {name}:\n  kid3:      {theirs[length]}\n  tagwright: {ours[length]}")
    for folder in (before, kid3_root, ours_root, home):
        shutil.rmtree(folder, ignore_errors=folder == home)
    os.remove(picture)


def main():
    sys.stdout.reconfigure(errors="backslashreplace")  # names that are not UTF-8 are shown escaped
    if shutil.which("kid3-cli") is None:
        print("FAIL: kid3-cli is missing: install it (scripts/install-deps.sh installs it with the other peers)")
        sys.exit(1)
    with tempfile.TemporaryDirectory() as work:
        for case in CASES:
            run_case(work, case)
    print(f"{passed} passed, {failed} failed")
    sys.exit(1 if failed else 0)


main()
