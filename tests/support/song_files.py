"""The songs the Python side of the tests and benchmarks writes: the same audio bytes as the C++
helper (tests/support/test_songs.h), tagged by mutagen when frames are given.

    from song_files import song_audio, write_song
"""
from mutagen.id3 import ID3


def song_audio(size=600):
    """size bytes of audio: an MPEG frame header every 418 bytes and varied bytes between them."""
    out = bytearray()
    for i in range(size):
        at = i % 418
        out.append(0xFF if at == 0 else (0xFB if at == 1 else (i * 7 + 3) & 0xFF))
    return bytes(out)


def write_song(path, frames=(), v2_version=3, v1=False, audio_size=20000):
    """Writes the audio to path, then the frames as an ID3v2 tag (and an ID3v1 trailer with v1)."""
    with open(path, "wb") as f:
        f.write(song_audio(audio_size))
    if frames:
        tags = ID3()
        for frame in frames:
            tags.add(frame)
        tags.save(path, v2_version=v2_version, v1=2 if v1 else 0)
