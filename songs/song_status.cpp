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

TRgb SongStatusRgb(TSongStatus status) {
  switch (status) {
    case TSongStatus::Incomplete: return {255, 0, 0};
    case TSongStatus::Unsaved: return {128, 128, 0};
    case TSongStatus::Unrenamed: return {170, 21, 21};
    case TSongStatus::Pattern: return {2, 117, 112};
    case TSongStatus::Good: break;
  }
  return {0, 128, 0};
}

}  // namespace tagwright
