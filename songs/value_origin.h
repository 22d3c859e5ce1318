// Where a value a song shows comes from: its tag, or its file name alone.
#pragma once

#include "songs/song_details.h"
#include "songs/song_file.h"

namespace tagwright {

// Whether the value the song shows for field comes from its file name alone: the listing read the
// song's tags, they hold nothing for the field, and recognition filled it from the name. A stamp
// puts it in the tag; until then players do not see it.
bool ShownFromFileNameOnly(const TSongFile& song, TSongField field);

}  // namespace tagwright
