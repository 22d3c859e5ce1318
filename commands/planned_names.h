// The new names a pass gives its songs: whether another file has taken one, the rename itself, and
// a dry run's foresight of a whole change, which goes by the names planned (TPlannedNames). For the
// files of the song pass only.
#pragma once

#include <string>

#include "commands/song_change.h"
#include "commands/song_pass.h"

namespace tagwright {

// Whether the new name is refused because another file has it (a change of the case of any letter
// only is no clash: on a file system that ignores case, the name taken is the song's own; where case
// counts, the rename itself still never replaces another file).
bool RefusesTakenName(const std::string& fileName, const TSongChange& change, const TPlannedNames& names);

// Renames the song after its tag was written (or would be, in a dry run), never replacing another
// file; a failure leaves the result failed but still showing the tag.
void RenameSong(const std::string& fileName, const TSongChange& change, TPassMode mode, TPlannedNames& names,
                TSongResult& result);

// A dry run: what the change would meet, found without writing.
TSongResult ForeseeChange(const std::string& fileName, const TSongChange& change, TPlannedNames& names);

}  // namespace tagwright
