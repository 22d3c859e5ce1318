#!/usr/bin/python3
"""Makes and inspects MP3 files with independent tag libraries (mutagen, eyeD3) for the tag tests.

  peer_files.py make KIND PATH   writes fake audio and tags of the given kind to PATH
  peer_files.py dump PATH [all]  prints what mutagen reads from PATH, one "key=value" per line, and
                                 the links eyeD3 reads; with "all" also eyeD3's pictures, comments
                                 and user texts
  peer_files.py audio_set DIR    encodes short songs with lame (see AUDIO_KINDS) into DIR and prints
                                 mutagen's reading of each: "kind ms kbps rate channels version
                                 layer mode" per line
"""
import hashlib
import logging
import math
import os
import random
import struct
import subprocess
import sys
import wave

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
    elif kind in ("rich_v23", "rich_v24"):
        # Two pictures, several comments, user texts and lyrics around the texts the program sets.
        version, encoding = (3, 1) if kind == "rich_v23" else (4, 3)
        tags.add(TIT2(encoding=encoding, text="Rich \u00e9"))
        tags.add(TPE1(encoding=encoding, text="Artist"))
        tags.add(TALB(encoding=encoding, text="Album"))
        tags.add(TRCK(encoding=encoding, text="2/9"))
        tags.add(TCON(encoding=encoding, text="Jazz"))
        tags.add(COMM(encoding=encoding, lang="eng", desc="", text="first comment"))
        tags.add(COMM(encoding=encoding, lang="eng", desc="iTunNORM", text=" 0000021B 00000213"))
        tags.add(COMM(encoding=encoding, lang="deu", desc="Notiz", text="gr\u00fc\u00dfe"))
        tags.add(TXXX(encoding=encoding, desc="MusicBrainz Album Id", text="abc-123"))
        tags.add(TXXX(encoding=encoding, desc="REPLAYGAIN_TRACK_GAIN", text="-6.5 dB"))
        tags.add(TXXX(encoding=encoding, desc="k\u00e9y", text="v\u00e4lue"))
        tags.add(USLT(encoding=encoding, lang="eng", desc="", text="la la \u266a"))
        tags.add(APIC(encoding=encoding, mime="image/png", type=3, desc="front", data=PNG))
        tags.add(APIC(encoding=encoding, mime="image/jpeg", type=4, desc="back", data=PNG[:30000]))
        tags.add(PRIV(owner="WM/MediaClassPrimaryID", data=b"\x00\xff\x10\x20"))
        tags.add(POPM(email="a@b.c", rating=196, count=3))
        tags.save(path, v2_version=version)
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


def dump(path, everything=False):
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
    # Frames mutagen does not know it keeps as they stand.
    for raw in tags.unknown_frames:
        lines.append("unknown:%s=%s" % (raw[:4].decode("latin-1"), hashlib.sha1(raw[10:]).hexdigest()))
    # eyeD3's view too: the links (it keeps each WXXX frame it reads), and on request the pictures,
    # comments and user texts (it misreads version 2.4 frames whose sizes are plain numbers).
    peer = eyed3.load(path)
    if peer and peer.tag:
        lines += ["eyed3-WXXX:%s=%s" % (f.description, f.url) for f in peer.tag.user_url_frames]
    if peer and peer.tag and everything:
        lines += ["eyed3-APIC:%s=%s" % (f.description, hashlib.sha1(f.image_data).hexdigest())
                  for f in peer.tag.images]
        lines += ["eyed3-COMM:%s:%s=%s" % (f.description, f.lang.decode("latin-1") if isinstance(f.lang, bytes)
                                           else f.lang, f.text) for f in peer.tag.comments]
        lines += ["eyed3-TXXX:%s=%s" % (f.description, f.text) for f in peer.tag.user_text_frames]
    for line in sorted(lines):
        print(line.replace("\n", "\\n"))


# kind: (sample rate, channels, lame options, what goes before the audio)
AUDIO_KINDS = {
    "mpeg1_cbr_stereo": (44100, 2, ["-b", "128"], ""),
    "mpeg1_vbr_stereo": (44100, 2, ["-V", "2"], ""),
    "mpeg1_abr_stereo": (48000, 2, ["--abr", "160"], ""),
    "mpeg1_cbr_mono": (32000, 1, ["-b", "64"], ""),
    "mpeg2_cbr_mono": (22050, 1, ["-b", "48"], ""),
    "mpeg2_vbr_stereo": (24000, 2, ["-V", "4"], ""),
    "mpeg2_abr_mono": (16000, 1, ["--abr", "32"], ""),
    "mpeg25_cbr_stereo": (11025, 2, ["-b", "32"], ""),
    "mpeg25_vbr_mono": (8000, 1, ["-V", "5"], ""),
    "mpeg25_abr_stereo": (12000, 2, ["--abr", "24"], ""),
    "no_info_mpeg1_cbr": (44100, 2, ["-t", "-b", "192"], ""),
    "no_info_mpeg1_vbr": (44100, 2, ["-t", "-V", "4"], ""),
    "no_info_mpeg25_cbr_mono": (8000, 1, ["-t", "-b", "16"], "v1"),
    "big_tag_vbr": (44100, 2, ["-V", "3"], "big_tag"),
    "big_tag_no_info_cbr": (22050, 2, ["-t", "-b", "64"], "big_tag"),
    "junk_cbr": (44100, 1, ["-b", "96"], "junk"),
    "tag_and_junk_vbr": (32000, 2, ["-V", "6"], "tag_junk"),
    "junk_no_info_mpeg2_cbr": (16000, 2, ["-t", "-b", "40"], "junk"),
}

AUDIO_SECONDS = 2


def write_wave(path, rate, channels):
    """AUDIO_SECONDS of a tone under noise, the same every time."""
    noise = random.Random(rate * channels)
    frames = bytearray()
    for i in range(rate * AUDIO_SECONDS):
        tone = 0.3 * math.sin(2 * math.pi * 440 * i / rate)
        for channel in range(channels):
            value = tone * (1 - 0.3 * channel) + 0.1 * (noise.random() - 0.5)
            frames += struct.pack("<h", int(value * 30000))
    with wave.open(path, "wb") as out:
        out.setnchannels(channels)
        out.setsampwidth(2)
        out.setframerate(rate)
        out.writeframes(bytes(frames))


def junk_bytes(size):
    """Bytes that are no audio, with sync-like FF bytes among them that no frame follows."""
    noise = random.Random(size)
    return bytes(0xFF if i % 97 == 0 else (0xFB if i % 97 == 1 else noise.randrange(0, 0xFF)) for i in range(size))


def make_audio(folder, kind):
    rate, channels, options, before = AUDIO_KINDS[kind]
    source = os.path.join(folder, "%d_%d.wav" % (rate, channels))
    if not os.path.exists(source):
        write_wave(source, rate, channels)
    path = os.path.join(folder, kind + ".mp3")
    mode = ["-m", "m"] if channels == 1 else []
    subprocess.run(["lame", "--quiet", "--noreplaygain", "--resample", str(rate / 1000)] + mode + options +
                   [source, path], check=True)
    if before in ("junk", "tag_junk"):
        with open(path, "rb") as f:
            audio = f.read()
        with open(path, "wb") as f:
            f.write(junk_bytes(1500) + audio)
    if before in ("big_tag", "tag_junk", "v1"):
        tags = ID3()
        tags.add(TIT2(encoding=3, text="Song"))
        if before == "big_tag":
            tags.add(APIC(encoding=0, mime="image/png", type=3, desc="cover", data=PNG * 3))  # about 300 KB
        tags.save(path, v2_version=3, v1=2 if before == "v1" else 0)
    return path


def audio_set(folder):
    from mutagen.mp3 import MP3, BitrateMode
    for kind in AUDIO_KINDS:
        path = make_audio(folder, kind)
        info = MP3(path).info
        length = info.length
        with open(path, "rb") as f:
            f.seek(-128, 2)
            trailer = f.read(3) == b"TAG"
        if trailer and info.bitrate_mode == BitrateMode.UNKNOWN:
            # Without an encoder's header mutagen works the length out from the bytes up to the end
            # of the file, ID3v1 trailer included; ours leaves the trailer out, as a player does.
            length -= 128 * 8 / info.bitrate
        mode = {BitrateMode.VBR: "vbr", BitrateMode.ABR: "abr"}.get(info.bitrate_mode, "cbr")
        version = "2.5" if info.version == 2.5 else str(int(info.version))
        print("%s %d %.3f %d %d %s %d %s" % (kind, round(length * 1000), info.bitrate / 1000, info.sample_rate,
                                             info.channels, version, info.layer, mode))


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "make":
        (make_eyed3 if sys.argv[2].startswith("eyed3") else make_mutagen)(sys.argv[3], sys.argv[2])
    elif len(sys.argv) in (3, 4) and sys.argv[1] == "dump" and sys.argv[3:] in ([], ["all"]):
        dump(sys.argv[2], len(sys.argv) == 4)
    elif len(sys.argv) == 3 and sys.argv[1] == "audio_set":
        audio_set(sys.argv[2])
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    main()
