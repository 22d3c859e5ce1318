#include "songs/song_filter.h"

#include "songs/file_name_composition.h"

namespace tagwright {

TFilterMask SongFilterMask(const TSongFile& song) {
  TFilterMask mask = FilterBit(TRecognitionFilter::Unfiltered);
  auto set = [&mask](TRecognitionFilter filter) { mask = static_cast<TFilterMask>(mask | FilterBit(filter)); };
  switch (song.Recognition()) {
    case TRecognition::Failed: set(TRecognitionFilter::FailedRecognition); break;
    case TRecognition::ID3Tag: set(TRecognitionFilter::ID3TagUsed); break;
    case TRecognition::Pattern:
    case TRecognition::LoosePattern: set(TRecognitionFilter::PatternMatching); break;
    default: break;
  }
  if (song.Artist().empty() || song.Title().empty()) set(TRecognitionFilter::Incomplete);
  if (song.UnsavedID3()) set(TRecognitionFilter::UnsavedID3);
  if (!IsFileRenamed(song)) set(TRecognitionFilter::UnrenamedFile);
  if (song.Genre().empty()) set(TRecognitionFilter::NoGenre);
  return mask;
}

}  // namespace tagwright
