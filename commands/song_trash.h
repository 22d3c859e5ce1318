// "Delete This File" as a change of the history: the song goes to the desktop's trash (files/trash.h),
// recorded ahead as a move into the trash's files folder, so that an undo brings it back under its
// old name and a redo sends it there again.
#pragma once

#include <string>

#include "commands/change_journal.h"
#include "files/result.h"

namespace tagwright {

// Moves the song to the trash, recorded in journal (when there is one) before it is moved. A
// failure when it has no trash (std::errc::no_such_device), when the record cannot be kept (then
// the song stays where it is) or when the move fails.
TResult MoveSongToTrash(const std::string& fileName, TChangeJournal* journal);

}  // namespace tagwright
