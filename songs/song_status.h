// A song's state, as the window marks its row: the first rule that applies wins. The window chooses
// how each state looks (ui/song_list/song_status_color.h).
#pragma once

#include <cstdint>

#include "songs/song_file.h"

namespace tagwright {

enum class TSongStatus : std::uint8_t {
  Incomplete,  // no title or no artist
  Unsaved,     // details the tag does not hold yet
  Unrenamed,   // the file is not named after its details
  Pattern,     // details from the file name patterns
  Good,        // everything in order
};

TSongStatus SongStatusOf(const TSongFile& song);

}  // namespace tagwright
