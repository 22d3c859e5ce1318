#include "songs/song_status.h"

#include "songs/file_name_composition.h"

namespace tagwright {

TSongStatus SongStatusOf(const TSongFile& song) {
  if (song.Title().empty() || song.Artist().empty()) return TSongStatus::Incomplete;
  if (song.UnsavedID3()) return TSongStatus::Unsaved;
  if (!IsFileRenamed(song)) return TSongStatus::Unrenamed;
  if (song.Recognition() == TRecognition::Pattern || song.Recognition() == TRecognition::LoosePattern)
    return TSongStatus::Pattern;
  return TSongStatus::Good;
}

}  // namespace tagwright
