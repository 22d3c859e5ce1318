// Composing a song file's name (and the folders above it) from its details under a name pattern.
#pragma once

#include <string>

#include "songs/name_pattern.h"
#include "songs/song_details.h"

namespace tagwright {

// A name composed, or why the song gets none.
struct TPatternName {
  std::string Path;     // relative: folder levels joined by "/", then the name with ".mp3"
  std::string Problem;  // when there is no name

  bool Ok() const { return Problem.empty(); }
};

// The name the pattern gives the song. Each field's value is made safe for a file name as the
// composed names are (MakeFileNameSafe) and trimmed; {title} holds the mix too unless the pattern
// has {mix} of its own; {track} is padded with zeros to its digits. A field left empty would leave
// its literal neighbours stray ("Artist - .mp3"), so the song gets no name then, and none when a
// folder or the name would begin with "." (hidden, or the folder itself or the one above).
TPatternName ComposeWithPattern(const TNamePattern& pattern, const TSongDetails& song);

}  // namespace tagwright
