// "Delete This File" as a plan: the song goes to the desktop's trash (files/trash.h), recorded
// ahead as a move into the trash's files folder, so that an undo brings it back under its old name
// and a redo sends it there again. Where the file has no trash it goes for good, which nothing can
// take back.
#pragma once

#include <string>

#include "commands/song_change.h"
#include "commands/song_result.h"
#include "files/result.h"

namespace tagwright {

// The song's place in its trash (making the trash's folders where they are missing), or, when the
// user agreed to that, its deletion for good. A song whose trash cannot be used is refused with
// TrashFailureText: it never goes for good unless the user was asked about that.
TSongChange PlanRemoval(const std::string& fileName, TRemoval agreed);

// "Cannot move file NAME to the trash: " and why: "no trash was found", "the trash folder cannot be
// made", or the system's reason.
std::string TrashFailureText(const TResult& failure, const std::string& fileName);

// Why a song the user agreed to remove so is still there: the pass's or the plan's reason, else
// TrashFailureText, or for a deletion for good the system's words.
std::string RemovalFailureText(const TSongResult& result, TRemoval agreed);

}  // namespace tagwright
