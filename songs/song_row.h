// One row of a listing: a song with what was asked of it besides its details, or a file or folder
// that gives no song and why.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "files/result.h"
#include "songs/song_file.h"
#include "tags/audio_facts.h"

namespace tagwright {

enum class TSongRowKind : std::uint8_t {
  Song,              // Song holds the song
  NotSong,           // a file named that holds no MP3 audio
  UnreadablePath,    // a path named that cannot be looked at (Failure says why)
  UnreadableFolder,  // a folder whose entries cannot be read, so its songs are missing (Failure)
  UnreadableSong,    // a song file whose tags cannot be read (Failure)
};

// The file name a song's details compose, and how its own name compares with it.
struct TComposedName {
  std::string Name;               // without the folder: "NN - Artist - Full Title.mp3"
  bool Renamed = false;           // the file's name already begins with it
  bool HoldsOnlyDetails = false;  // the file's name holds nothing beyond the song's details
};

struct TSongRow {
  TSongRowKind Kind = TSongRowKind::Song;
  std::string Path;  // the file, or the folder
  std::unique_ptr<TSongFile> Song;
  TResult Failure;
  std::optional<TResultOf<TAudioFacts>> Audio;  // when asked for: the song's audio facts, or why it has none
  std::optional<TComposedName> Composed;        // when asked for
};

}  // namespace tagwright
