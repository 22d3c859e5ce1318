// Putting one file back as a change found it, as one change of an entry: the undo and the redo
// judge which file to put back and plan the change that does it (history/); this carries it out
// like any other change, recorded ahead and finished after.
#pragma once

#include <cstdint>
#include <string>

#include "commands/change_journal.h"
#include "files/result.h"

namespace tagwright {

struct TRestoreResult {
  TResult Failure;  // why, when a step failed: the file holds what the record finished with says
  std::string At;   // where the file is when it ends
};

// Puts the file of change (now at change.PathAfter, with a tag of headSizeNow bytes) back as it was
// before it: the old tag and trailer when the change wrote a tag, the old permission bits, and the
// old name (out of the trash or into it, as the trash keeps it). The change that does it, restore,
// is the one journal keeps as record (recorded ahead, with others of its batch); it is finished
// after, or recorded as not made when nothing of the file was touched. change.Before must hold the
// old tag itself (not a recipe).
// With ahead, the old tag goes back through the new file written ahead (WritePutBackAhead).
TRestoreResult RestoreFile(TChangeJournal* journal, std::int64_t record, TFileChange restore, const TFileChange& change,
                           std::int64_t headSizeNow, TRestoreAhead* ahead = nullptr);

}  // namespace tagwright
