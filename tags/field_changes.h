// Whether a tag write changes what a reader finds in the song: a song whose fields would all read
// back as they read now needs no write, however its tags are laid out.
#pragma once

#include <string_view>

#include "tags/id3_info.h"
#include "tags/tag_snapshot.h"

namespace tagwright {

// Whether the tags composed for the song that before shows would change the value of any field
// the writer sets, in the ID3v2 tag or in the ID3v1 trailer: each is read back from the new bytes
// and from the old as the reader reads them, so that another layout (another ID3v2 version, frames
// in another order, a trailer padded with zeros) of the same values is no change. A tag or trailer
// the write would add is one; so is an ID3v2 tag the reader cannot use.
bool ChangesAnyField(const TTagSnapshot& before, const TWrittenTags& after);

// Whether the ID3v2 tag after holds other pictures than the tag before, as ReadEmbeddedPictures
// reads them (type, MIME type, description and bytes), in whatever order.
bool ChangesPictures(std::string_view before, std::string_view after);

}  // namespace tagwright
