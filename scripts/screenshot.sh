#!/usr/bin/env bash
# Makes docs/screenshot.png: a folder of real, partly tagged songs is made, the window is started on
# it under Xvfb and the screen is saved. Re-runnable. Usage: scripts/screenshot.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j "$(nproc)" --target tagwright

work="$(mktemp -d)"
cleanup() {
  [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
songs="$work/Music"
mkdir -p "$songs"

# Songs: one second of silent MPEG audio each; some tagged, some known only by their file names.
/usr/bin/python3 - "$songs" <<'PY'
import os, sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB, TRCK, TDRC, TCON, COMM

folder = sys.argv[1]
frame = b"\xff\xfb\x90\x64" + bytes(413)  # MPEG-1 layer III, 128 kbit/s, 44.1 kHz, silent
audio = frame * 38

def song(name, **tags):
    path = os.path.join(folder, name)
    with open(path, "wb") as f:
        f.write(audio)
    if tags:
        tag = ID3()
        if "title" in tags: tag.add(TIT2(encoding=3, text=tags["title"]))
        if "artist" in tags: tag.add(TPE1(encoding=3, text=tags["artist"]))
        if "album" in tags: tag.add(TALB(encoding=3, text=tags["album"]))
        if "track" in tags: tag.add(TRCK(encoding=3, text=tags["track"]))
        if "year" in tags: tag.add(TDRC(encoding=3, text=tags["year"]))
        if "genre" in tags: tag.add(TCON(encoding=3, text=tags["genre"]))
        if "comment" in tags: tag.add(COMM(encoding=3, lang="eng", desc="", text=tags["comment"]))
        tag.save(path, v2_version=3)

album = dict(album="Harbour Lights", year="2019", genre="Folk")
song("01 - The Lanterns - Harbour Lights.mp3", title="Harbour Lights", artist="The Lanterns", track="1", **album)
song("02 - The Lanterns - Salt and Rope.mp3", title="Salt and Rope", artist="The Lanterns", track="2", **album)
song("03 - The Lanterns - Low Tide.mp3", title="Low Tide", artist="The Lanterns", track="3", **album)
song("04 - The Lanterns - North Wind (Live).mp3", title="North Wind (Live)", artist="The Lanterns", track="4", **album)
song("Quiet Engine - Parallel Lines.mp3", title="Parallel Lines", artist="Quiet Engine", album="Static",
     year="2021", genre="Electronic", comment="Single edit")
song("quiet_engine-night_shift_(extended_mix).mp3")
song("07 - Mara Vell - Paper Boats.mp3")
song("Mara Vell - Glasshouse.mp3")
song("Track 12.mp3", title="Track 12")
song("untitled recording.mp3")
song("Copper Sky - Long Road Home - www.example-songs.net.mp3", title="Long Road Home", artist="Copper Sky",
     genre="Rock")
song("08 - Copper Sky - Dust.mp3", title="Dust", artist="Copper Sky", track="8", album="Dust", year="2017",
     genre="Rock")
PY

display=:91
Xvfb "$display" -screen 0 800x640x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
sleep 1
DISPLAY="$display" "$build/app/gui/tagwright" "$songs" >/dev/null 2>&1 &
app_pid=$!
sleep 3
# Select a song so that the details panel is filled, when xdotool is there to click.
if command -v xdotool >/dev/null; then
  DISPLAY="$display" xdotool search --sync --name "^Tagwright " windowactivate --sync >/dev/null 2>&1 || true
  window="$(DISPLAY="$display" xdotool search --name "^Tagwright " | head -1)"
  if [ -n "$window" ]; then
    eval "$(DISPLAY="$display" xdotool getwindowgeometry --shell "$window")"
    DISPLAY="$display" xdotool mousemove $((X + 300)) $((Y + 88)) click 1
    sleep 1
  fi
fi
mkdir -p "$root/docs"
DISPLAY="$display" import -window root "$root/docs/screenshot.png"
echo "saved $root/docs/screenshot.png"
