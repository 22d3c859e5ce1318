// The eight recognition filters of the song list ("Filter By") and the test each makes on a song.
#pragma once

#include <cstdint>

#include "songs/song_file.h"

namespace tagwright {

enum TRecognitionFilter : int {
  fbUnfiltered = 0,
  fbFailedRecognition = 1,
  fbID3TagUsed = 2,
  fbPatternMatching = 3,
  fbIncomplete = 4,
  fbUnsavedID3 = 5,
  fbUnrenamedFile = 6,
  fbNoGenre = 7,
};
inline constexpr int kRecognitionFilterCount = 8;

// One bit per filter (bit n for filter n) that the song passes; "Unfiltered" is always set.
using TFilterMask = std::uint8_t;
TFilterMask SongFilterMask(const TSongFile& song);

inline bool MaskHasFilter(TFilterMask mask, int filter) { return (mask >> filter) & 1U; }

}  // namespace tagwright
