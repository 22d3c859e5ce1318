// What a tag write does to the song's pictures: keeps them byte for byte (every write but a cover
// command's), sets or adds a front cover, or removes the front cover or every picture.
#pragma once

#include <cstdint>
#include <memory>

#include "tags/id3v2_pictures.h"

namespace tagwright {

enum class TPictureAction : std::uint8_t {
  Keep,
  SetFrontCover,     // the front covers go, the picture takes their place; other pictures stay
  AddFrontCover,     // the picture goes beside every picture the tag holds
  RemoveFrontCover,  // the front covers go; other pictures stay
  RemoveAll,         // every picture goes
};

struct TPictureChange {
  TPictureAction Action = TPictureAction::Keep;
  // The picture set or added (its type and MIME type are written as they stand; its description
  // is made unique among the tag's pictures). Shared by the songs of one command, read once.
  std::shared_ptr<const TPicture> Picture;

  bool Keeps() const { return Action == TPictureAction::Keep; }
};

}  // namespace tagwright
