// The eight recognition filters of the song list ("Filter By") and the test each makes on a song.
#pragma once

#include <cstdint>

#include "songs/song_file.h"

namespace tagwright {

enum class TRecognitionFilter : std::uint8_t {
  Unfiltered,
  FailedRecognition,
  ID3TagUsed,
  PatternMatching,
  Incomplete,
  UnsavedID3,
  UnrenamedFile,
  NoGenre,
};
inline constexpr int kRecognitionFilterCount = 8;

// One bit per filter (bit n for the filter of value n) that the song passes; "Unfiltered" is always
// set.
using TFilterMask = std::uint8_t;

constexpr TFilterMask FilterBit(TRecognitionFilter filter) {
  return static_cast<TFilterMask>(1U << static_cast<unsigned>(filter));
}

TFilterMask SongFilterMask(const TSongFile& song);

constexpr bool MaskHasFilter(TFilterMask mask, TRecognitionFilter filter) { return (mask & FilterBit(filter)) != 0; }

}  // namespace tagwright
