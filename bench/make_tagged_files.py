#!/usr/bin/python3
"""Fills a folder with COUNT copies of one song file for the tag listing benchmark: an ID3v2.3 tag
of eight text frames and a 100 KB picture (made with mutagen), some fake audio, an ID3v1 trailer.
With --own-pictures, every song gets a picture of its own (same size, other bytes), as if each
came from another album. With --full-tags, the tag has a one-letter title and no padding, so that
the new tag of a stamp does not fit in its place and the song is rewritten.
Usage: make_tagged_files.py FOLDER COUNT [--own-pictures] [--full-tags]"""
import os
import shutil
import sys

from mutagen.id3 import ID3, APIC, COMM, TALB, TCON, TIT2, TPE1, TRCK, TYER, TCOM

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
from song_files import write_song  # noqa: E402  (the one helper for test songs)

folder, count = sys.argv[1], int(sys.argv[2])
own_pictures = "--own-pictures" in sys.argv[3:]
full_tags = "--full-tags" in sys.argv[3:]
template = os.path.join(folder, "template.bin")
write_song(template, [
    TIT2(encoding=0, text="L" if full_tags else "Like A Prayer"),
    TPE1(encoding=0, text="Madonna"),
    TALB(encoding=0, text="Like A Prayer"),
    TRCK(encoding=0, text="1/11"),
    TYER(encoding=0, text="1989"),
    TCON(encoding=0, text="Pop"),
    COMM(encoding=0, lang="eng", desc="", text="Benchmark"),
    TCOM(encoding=0, text="Madonna"),
    APIC(encoding=0, mime="image/jpeg", type=3, desc="", data=bytes(range(256)) * 400),
], v1=True, audio_size=60004)
if full_tags:
    tags = ID3(template)
    tags.save(template, v2_version=3, v1=2, padding=lambda info: 0)
with open(template, "rb") as f:
    song = f.read()
picture = bytes(range(256)) * 400
where = song.find(picture)
for i in range(count):
    name = os.path.join(folder, "%02d - Madonna - Song %d.mp3" % (i % 100, i))
    if not own_pictures:
        shutil.copyfile(template, name)
        continue
    # The picture's first bytes made of this song's number: same size, other content.
    own = i.to_bytes(4, "big") * 1024 + picture[4096:]
    with open(name, "wb") as f:
        f.write(song[:where] + own + song[where + len(picture):])
os.remove(template)
