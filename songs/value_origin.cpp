#include "songs/value_origin.h"

namespace tagwright {

bool ShownFromFileNameOnly(const TSongFile& song, TSongField field) {
  const std::optional<TID3Info>& tags = song.ListedTags();
  if (!tags || song.Field(field).empty()) return false;
  switch (field) {
    case TSongField::Title:
    case TSongField::Mix: return tags->Title.empty();
    case TSongField::Artist: return tags->Artist.empty();
    case TSongField::Track: return tags->Track == 0;
    case TSongField::Album: return tags->Album.empty();
    case TSongField::Year: return tags->Year.empty();
    case TSongField::Comment: return tags->Comment.empty();
    case TSongField::Genre: return tags->Genre.empty();
    default: return false;  // kept in other fields of the tag, or not at all
  }
}

}  // namespace tagwright
