// Putting back a file that a crash caught in the middle of its change. The history judges what the
// file holds, whether the change there is this program's own, and what must be done about it
// (history/crash_repair.h); these are the repair's only steps that touch a song, so that every
// write, rename and removal of one is carried out here in commands/.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

#include "commands/change_journal.h"
#include "files/result.h"
#include "tags/tag_snapshot.h"

namespace tagwright {

// Writes the whole copy into the song at path, in place (so that every name of the song keeps
// it), cuts it to the copy's length and flushes it.
TResult PutBackWholeCopy(const std::string& copy, const std::string& path);

// Gives the song at path, whose tag is now headSizeNow bytes, the old tag and trailer change.Before
// holds; with ahead, by renaming the new file written ahead (and flushed since) over it.
TResult PutBackOldTags(const std::string& path, std::int64_t headSizeNow, const TFileChange& change,
                       TRestoreAhead* ahead = nullptr);
// Writes ahead, beside the song, the new file that PutBackOldTags renames over it when the old tag
// has another size than the present one: not flushed, so that many are flushed together.
TResultOf<TRestoreAhead> WritePutBackAhead(const std::string& path, std::int64_t headSizeNow,
                                           const TFileChange& change);

// Gives the song at path its old permission bits.
TResult PutBackMode(const std::string& path, mode_t mode);

// Moves the song from one of its names to another, never replacing a file there.
TResult MoveSong(const std::string& from, const std::string& to);

// Removes one name of a file: a song's second name a rename left, or a copy no longer needed.
TResult RemoveName(const std::string& path);

}  // namespace tagwright
