// Details changed by hand in the song table and not yet stamped: for each song file, the fields
// changed, their new texts and what the record held before, so that an edit can be taken back and
// the stamp writes exactly the changed fields.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "songs/song_file.h"

namespace tagwright {

// The new text of each changed field; none for a field left as it was.
using TFieldEdits = std::array<std::optional<std::string>, kSongFieldCount>;

class TSongEdits {
 public:
  // Sets a field of the song's record and marks the record unsaved.
  void Edit(TSongFile& song, TSongField field, std::string_view text);
  // Gives the field back what it held before its first edit; the record is no longer unsaved when
  // no edit of it is left (unless it was so before). False when the field was not edited.
  bool Revert(TSongFile& song, TSongField field);
  bool IsEdited(const std::string& fileName, TSongField field) const;
  // The changed fields of a song; null when it has none.
  const TFieldEdits* For(const std::string& fileName) const;
  // Sets the changed fields again on a record listed afresh from the file.
  void LayOver(TSongFile& song) const;
  void Forget(const std::string& fileName) { edits_.erase(fileName); }
  void Clear() { edits_.clear(); }
  bool Empty() const { return edits_.empty(); }
  std::size_t SongCount() const { return edits_.size(); }

 private:
  struct TSongEdit {
    TFieldEdits New;
    std::array<std::string, kSongFieldCount> Old;
    bool WasUnsaved = false;
  };
  std::unordered_map<std::string, TSongEdit> edits_;
};

}  // namespace tagwright
