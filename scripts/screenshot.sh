#!/usr/bin/env bash
# Makes docs/screenshot.png (the window at 1600x1000), docs/screenshot-minimum.png (at its minimum
# size), docs/screenshot-2560.png (at 2560x1440) and docs/columns.png (the Columns view, Ctrl+5, with covers): a folder of real, partly tagged songs is made where a user keeps music (~/Music/Tagwright
# Demo, removed afterwards), the window is started on it under Xvfb and saved. Re-runnable.
# Usage: scripts/screenshot.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j "$(nproc)" --target tagwright

songs="$HOME/Music/Tagwright Demo"
if [ -e "$songs" ]; then
  echo "$songs exists already; it is left alone" >&2
  exit 1
fi
config="$(mktemp -d)"  # the window's settings start fresh and stay out of the user's
cleanup() {
  [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$songs" "$config"
}
trap cleanup EXIT
mkdir -p "$songs"
# Two covers, embedded: the album's four songs share one.
convert -size 240x240 gradient:'#1d4e89'-'#f4a259' -font DejaVu-Sans-Bold -fill white -pointsize 28 -gravity center \
  -annotate 0 'Harbour\nLights' "$config/harbour.png"
convert -size 240x240 gradient:'#3d405b'-'#81b29a' "$config/static.png"

# Songs made by the tests' song helper; some tagged, some known only by their file names.
/usr/bin/python3 - "$songs" "$root/tests/support" "$config" <<'PY'
import os, sys
from mutagen.id3 import TIT2, TPE1, TALB, TRCK, TDRC, TCON, COMM, APIC

folder = sys.argv[1]
covers = sys.argv[3]
sys.path.insert(0, sys.argv[2])
from song_files import write_song  # the one helper for test songs

def song(name, **tags):
    frames = []
    if "title" in tags: frames.append(TIT2(encoding=3, text=tags["title"]))
    if "artist" in tags: frames.append(TPE1(encoding=3, text=tags["artist"]))
    if "album" in tags: frames.append(TALB(encoding=3, text=tags["album"]))
    if "track" in tags: frames.append(TRCK(encoding=3, text=tags["track"]))
    if "year" in tags: frames.append(TDRC(encoding=3, text=tags["year"]))
    if "genre" in tags: frames.append(TCON(encoding=3, text=tags["genre"]))
    if "comment" in tags: frames.append(COMM(encoding=3, lang="eng", desc="", text=tags["comment"]))
    if "cover" in tags:
        with open(tags["cover"], "rb") as picture:
            frames.append(APIC(encoding=3, mime="image/png", type=3, desc="", data=picture.read()))
    write_song(os.path.join(folder, name), frames, audio_size=417 * 38)

album = dict(album="Harbour Lights", year="2019", genre="Folk", cover=os.path.join(covers, "harbour.png"))
song("01 - The Lanterns - Harbour Lights.mp3", title="Harbour Lights", artist="The Lanterns", track="1", **album)
song("02 - The Lanterns - Salt and Rope.mp3", title="Salt and Rope", artist="The Lanterns", track="2", **album)
song("03 - The Lanterns - Low Tide.mp3", title="Low Tide", artist="The Lanterns", track="3", **album)
song("04 - The Lanterns - North Wind (Live).mp3", title="North Wind (Live)", artist="The Lanterns", track="4", **album)
song("Quiet Engine - Parallel Lines.mp3", title="Parallel Lines", artist="Quiet Engine", album="Static",
     year="2021", genre="Electronic", comment="Single edit", cover=os.path.join(covers, "static.png"))
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
Xvfb "$display" -screen 0 2560x1440x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
sleep 1
DISPLAY="$display" XDG_CONFIG_HOME="$config" "$build/app/gui/tagwright" "$songs" >/dev/null 2>&1 &
app_pid=$!
sleep 3
mkdir -p "$root/docs"
DISPLAY="$display" xdotool search --sync --name "^Tagwright " >/dev/null
window="$(DISPLAY="$display" xdotool search --name "^Tagwright " | head -1)"
# A song is clicked, so that the details panel shows it.
shoot() {  # WIDTH HEIGHT FILE: the window at that size (the minimum when smaller), saved
  DISPLAY="$display" xdotool windowmove "$window" 0 0 windowsize "$window" "$1" "$2"
  sleep 2
  eval "$(DISPLAY="$display" xdotool getwindowgeometry --shell "$window")"
  DISPLAY="$display" xdotool mousemove $((X + WIDTH / 3)) $((Y + 88)) click 1
  sleep 1
  DISPLAY="$display" import -window "$window" "$3"
  echo "saved $3 (${WIDTH}x${HEIGHT})"
}
shoot 1600 1000 "$root/docs/screenshot.png"
# The window's own minimum size, as it tells the window manager.
minimum="$(DISPLAY="$display" xprop -id "$window" WM_NORMAL_HINTS | sed -n 's/.*minimum size: \([0-9]*\) by \([0-9]*\).*/\1 \2/p')"
shoot ${minimum:-747 583} "$root/docs/screenshot-minimum.png"
shoot 2560 1440 "$root/docs/screenshot-2560.png"
# The Columns view, with the first song's cover and audio facts beside its details.
DISPLAY="$display" xdotool key --window "$window" ctrl+5
shoot 1600 1000 "$root/docs/columns.png"
