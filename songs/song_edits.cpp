#include "songs/song_edits.h"

#include <algorithm>

namespace tagwright {

void TSongEdits::Edit(TSongFile& song, TSongField field, std::string_view text) {
  const auto [found, added] = edits_.try_emplace(song.FileName());
  TSongEdit& edit = found->second;
  if (added) edit.WasUnsaved = song.UnsavedID3();
  const auto at = static_cast<std::size_t>(field);
  if (!edit.New[at]) edit.Old[at] = song.Field(field);
  song.SetField(field, text);
  edit.New[at] = song.Field(field);
  song.SetUnsavedID3(true);
}

bool TSongEdits::Revert(TSongFile& song, TSongField field) {
  const auto found = edits_.find(song.FileName());
  const auto at = static_cast<std::size_t>(field);
  if (found == edits_.end() || !found->second.New[at]) return false;
  TSongEdit& edit = found->second;
  song.SetField(field, edit.Old[at]);
  edit.New[at].reset();
  if (std::none_of(edit.New.begin(), edit.New.end(), [](const auto& text) { return text.has_value(); })) {
    song.SetUnsavedID3(edit.WasUnsaved);
    edits_.erase(found);
  }
  return true;
}

bool TSongEdits::IsEdited(const std::string& fileName, TSongField field) const {
  const TFieldEdits* edits = For(fileName);
  return edits != nullptr && (*edits)[static_cast<std::size_t>(field)].has_value();
}

const TFieldEdits* TSongEdits::For(const std::string& fileName) const {
  const auto found = edits_.find(fileName);
  return found == edits_.end() ? nullptr : &found->second.New;
}

void TSongEdits::LayOver(TSongFile& song) const {
  const TFieldEdits* edits = For(song.FileName());
  if (edits == nullptr) return;
  for (std::size_t at = 0; at < kSongFieldCount; ++at) {
    if ((*edits)[at]) song.SetField(static_cast<TSongField>(at), *(*edits)[at]);
  }
  song.SetUnsavedID3(true);
}

}  // namespace tagwright
