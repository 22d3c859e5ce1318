#include "ui/song_filter.h"

#include "songs/file_name_composition.h"

namespace tagwright {

TFilterMask SongFilterMask(const TSongFile& song) {
  TFilterMask mask = 1U << fbUnfiltered;
  auto set = [&mask](int filter) { mask = static_cast<TFilterMask>(mask | (1U << filter)); };
  switch (song.Recognition()) {
    case TRecognition::Failed: set(fbFailedRecognition); break;
    case TRecognition::ID3Tag: set(fbID3TagUsed); break;
    case TRecognition::Pattern:
    case TRecognition::LoosePattern: set(fbPatternMatching); break;
    default: break;
  }
  if (song.Artist().empty() || song.Title().empty()) set(fbIncomplete);
  if (song.UnsavedID3()) set(fbUnsavedID3);
  if (!IsFileRenamed(song)) set(fbUnrenamedFile);
  if (song.Genre().empty()) set(fbNoGenre);
  return mask;
}

}  // namespace tagwright
