#!/usr/bin/python3
"""Makes and inspects MP3 files with independent tag libraries (mutagen, eyeD3) for the tag tests.

  peer_files.py make KIND PATH   writes fake audio and tags of the given kind to PATH
  peer_files.py dump PATH        prints what mutagen reads from PATH, one "key=value" per line
"""
import hashlib
import logging
import os
import sys

import eyed3
import eyed3.id3
from mutagen.id3 import (
    APIC, COMM, ID3, PRIV, TALB, TCOM, TCON, TDRC, TIT2, TPE1, TPOS, TRCK, TXXX, TYER, USLT, POPM, UFID)

logging.getLogger("eyed3").setLevel(logging.ERROR)

PNG = b"\x89PNG\r\n\x1a\n" + bytes(range(256)) * 400  # about 100 KB of picture


sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from song_files import song_audio  # noqa: E402  (the one helper for test songs)


def write_audio(path):
    with open(path, "wb") as f:
        f.write(song_audio(20000))


def make_mutagen(path, kind):
    write_audio(path)
    tags = ID3()
    if kind == "v23_latin1":
        tags.add(TIT2(encoding=0, text="Caf\xe9 Song"))
        tags.add(TPE1(encoding=0, text="Bj\xf6rk"))
        tags.add(TALB(encoding=0, text="Album"))
        tags.add(TRCK(encoding=0, text="3/12"))
        tags.add(TYER(encoding=0, text="1999"))
        tags.add(TCON(encoding=0, text="(17)"))
        tags.add(COMM(encoding=0, lang="eng", desc="iTunNORM", text=" 0000021B 00000213 00001A4B"))
        tags.add(COMM(encoding=0, lang="eng", desc="", text="Nice one"))
        tags.add(TXXX(encoding=0, desc="MusicBrainz Album Id", text="abc-123"))
        tags.add(PRIV(owner="WM/MediaClassPrimaryID", data=b"\x00\xff\x10\x20"))
        tags.save(path, v2_version=3)
    elif kind == "v23_utf16":
        tags.add(TIT2(encoding=1, text="\u041f\u0435\u0441\u043d\u044f"))
        tags.add(TPE1(encoding=1, text="\u65e5\u672c \U0001F3B5"))
        tags.add(TALB(encoding=1, text="Caf\xe9"))
        tags.add(TCON(encoding=1, text="Jazz"))
        tags.add(COMM(encoding=1, lang="eng", desc="", text="\u043a\u043e\u043c\u043c"))
        tags.add(TCOM(encoding=1, text="Composer"))
        tags.add(USLT(encoding=1, lang="eng", desc="", text="la la \u266a"))
        tags.add(APIC(encoding=1, mime="image/png", type=3, desc="cover", data=PNG))
        tags.save(path, v2_version=3)
    elif kind == "v24_utf8":
        tags.add(APIC(encoding=3, mime="image/png", type=3, desc="fr\xf6nt", data=PNG))
        tags.add(TIT2(encoding=3, text="\u00c9t\u00e9 \u2600"))
        tags.add(TPE1(encoding=3, text=["Alpha", "Beta"]))
        tags.add(TALB(encoding=3, text="Album 24"))
        tags.add(TRCK(encoding=3, text="7"))
        tags.add(TDRC(encoding=3, text="2004-05-06"))
        tags.add(TCON(encoding=3, text="17"))
        tags.add(TPOS(encoding=3, text="1/2"))
        tags.add(TXXX(encoding=3, desc="k\xe9y", text="v\xe4lue"))
        tags.add(POPM(email="a@b.c", rating=196, count=3))
        tags.add(UFID(owner="http://musicbrainz.org", data=b"track-id"))
        tags.add(COMM(encoding=3, lang="eng", desc="", text="utf-8 comment \u2713"))
        tags.save(path, v2_version=4)
    else:
        raise SystemExit("unknown kind " + kind)


def make_eyed3(path, kind):
    write_audio(path)
    audio = eyed3.load(path)
    if kind == "eyed3_v1":
        tag = audio.initTag(version=eyed3.id3.ID3_V1_1)
        tag.title, tag.artist, tag.album = "V1 Title", "V1 Artist", "V1 Album"
        tag.track_num = 5
        tag.genre = "Rock"
        tag.release_date = "1987"
        tag.comments.set("v1 comment")
        tag.save(version=eyed3.id3.ID3_V1_1)
        return
    version = eyed3.id3.ID3_V2_4 if kind == "eyed3_v24" else eyed3.id3.ID3_V2_3
    tag = audio.initTag(version=version)
    tag.title = "Eye \u00c6"
    tag.artist = "Seer"
    tag.album = "Vision"
    tag.track_num = (4, 10)
    tag.genre = "Rock"
    tag.recording_date = "2010"
    tag.comments.set("eye comment")
    tag.images.set(3, PNG, "image/png", "cover")
    tag.lyrics.set("some lyrics")
    tag.save(version=version, encoding="utf8" if kind == "eyed3_v24" else "utf16")


def dump(path):
    with open(path, "rb") as f:
        data = f.read()
    try:
        tags = ID3(path)
        start = tags.size
        print("version=%d.%d" % tags.version[:2])
    except Exception:  # no ID3v2 tag
        tags, start = None, 0
    end = len(data) - 128 if len(data) >= 128 and data[-128:-125] == b"TAG" else len(data)
    print("audio=" + hashlib.sha1(data[start:end]).hexdigest())
    if not tags:
        return
    lines = []
    for frame in tags.values():
        fid = frame.FrameID
        if fid == "APIC":
            lines.append("APIC:%s=%s|%d|%s" % (frame.desc, frame.mime, frame.type, hashlib.sha1(frame.data).hexdigest()))
        elif fid in ("PRIV", "UFID"):
            lines.append("%s:%s=%s" % (fid, frame.owner, frame.data.hex()))
        elif fid == "POPM":
            lines.append("POPM:%s=%d|%d" % (frame.email, frame.rating, frame.count))
        elif fid in ("COMM", "USLT"):
            lines.append("%s:%s:%s=%s" % (fid, frame.desc, frame.lang, frame.text if fid == "USLT" else "/".join(frame.text)))
        elif fid == "TXXX":
            lines.append("TXXX:%s=%s" % (frame.desc, "/".join(frame.text)))
        elif fid == "WXXX":
            lines.append("WXXX:%s=%s" % (frame.desc, frame.url))
        elif hasattr(frame, "text"):
            lines.append("%s=%s" % (fid, "/".join(str(t) for t in frame.text)))
        else:
            lines.append("%s=?" % fid)
    # eyeD3's view of the links too: it keeps each WXXX frame it reads.
    links = eyed3.load(path)
    if links and links.tag:
        lines += ["eyed3-WXXX:%s=%s" % (f.description, f.url) for f in links.tag.user_url_frames]
    for line in sorted(lines):
        print(line.replace("\n", "\\n"))


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "make":
        (make_eyed3 if sys.argv[2].startswith("eyed3") else make_mutagen)(sys.argv[3], sys.argv[2])
    elif len(sys.argv) == 3 and sys.argv[1] == "dump":
        dump(sys.argv[2])
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    main()
