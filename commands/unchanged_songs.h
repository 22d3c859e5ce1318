// No write without a change: tags that would leave every field of a song as the song holds it now
// are not written, so that a song already as the command would leave it keeps its bytes and its
// modification time and goes into no history. A change of the pictures goes by the pictures alone:
// a song whose pictures would stay as they are is not written, whatever else the write would add. A song that is not
// renamed either is left alone as "nothing to change". For the files of the song pass only.
#pragma once

#include <optional>

#include "commands/song_change.h"
#include "commands/song_change_apply.h"
#include "commands/song_result.h"
#include "tags/tag_snapshot.h"

namespace tagwright {

// Gives up the song's tag write when the tags composed for it change no field of the song as
// snapshot shows it (with a picture change: none of its pictures); the song's result when nothing
// is left to do.
std::optional<TSongResult> LeaveUnchangedTags(TBatchSong& song, const TTagSnapshot& snapshot);

}  // namespace tagwright
