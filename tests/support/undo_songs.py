#!/usr/bin/python3
"""Writes the song files the undo tests change and take back, one of each kind, into FOLDER.

    undo_songs.py FOLDER

Kinds: an ID3v2.3 tag with a picture and an ID3v1 trailer, an ID3v2.4 tag with a picture, an
ID3v1 trailer only, no tag at all, a file of 60 bytes, a file that is only a tag."""
import os
import sys

from mutagen.id3 import APIC, COMM, TALB, TCON, TIT2, TPE1, TRCK, TYER

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from song_files import song_audio, write_song  # noqa: E402

PICTURE = b"\x89PNG\r\n\x1a\n" + bytes(range(256)) * 120


def v1_trailer(title, artist, track):
    def field(text, size):
        return text.encode("latin-1")[:size].ljust(size, b"\0")
    return b"TAG" + field(title, 30) + field(artist, 30) + field("Old Album", 30) + b"1999" + \
        field("old comment", 28) + b"\0" + bytes([track]) + bytes([13])


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    write_song(os.path.join(folder, "03 - Mara Vell - Paper Boats.mp3"), [
        TIT2(encoding=3, text="paper_boats"), TPE1(encoding=1, text="Mara Vell"), TALB(encoding=0, text="Harbour"),
        TRCK(encoding=0, text="3/12"), TYER(encoding=0, text="2001"), TCON(encoding=0, text="Pop"),
        COMM(encoding=0, lang="eng", desc="", text="kept"),
        APIC(encoding=0, mime="image/png", type=3, desc="front", data=PICTURE)], v2_version=3, v1=True)
    write_song(os.path.join(folder, "the_quiet_ones_-_north_wind.mp3"), [
        TIT2(encoding=3, text="north wind"), TPE1(encoding=3, text="the quiet ones"),
        APIC(encoding=3, mime="image/png", type=3, desc="", data=PICTURE)], v2_version=4, audio_size=9000)
    with open(os.path.join(folder, "07 - Ann Lee - Early Light.mp3"), "wb") as f:
        f.write(song_audio(5000) + v1_trailer("Early Light", "Ann Lee", 7))
    with open(os.path.join(folder, "Kit Moor - Blue.mp3"), "wb") as f:
        f.write(song_audio(3000))
    with open(os.path.join(folder, "tiny.mp3"), "wb") as f:
        f.write(song_audio(60))
    only_tag = os.path.join(folder, "only_tag.mp3")
    write_song(only_tag, [TIT2(encoding=0, text="Only A Tag")], audio_size=0)


main()
