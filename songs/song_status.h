// A song's state as the colour of its row: the first rule that applies wins.
#pragma once

#include <cstdint>

#include "songs/song_file.h"

namespace tagwright {

enum class TSongStatus : std::uint8_t {
  Incomplete,  // no title or no artist: red
  Unsaved,     // details the tag does not hold yet: olive
  Unrenamed,   // the file is not named after its details: brick red
  Pattern,     // details from the file name patterns: teal
  Good,        // everything in order: green
};

TSongStatus SongStatusOf(const TSongFile& song);

struct TRgb {
  std::uint8_t Red, Green, Blue;
  bool operator==(const TRgb&) const = default;
};

TRgb SongStatusRgb(TSongStatus status);

}  // namespace tagwright
