// Putting one file back as a change found it, as one change of an entry: the undo and the redo
// judge which file to put back and plan the change that does it (history/); this carries it out
// like any other change, recorded ahead and finished after.
#pragma once

#include <cstdint>
#include <string>

#include "commands/change_journal.h"
#include "files/result.h"

namespace tagwright {

enum class TRestoreOutcome : std::uint8_t {
  Restored,     // the old tag and trailer, permission bits and name are back
  NotRecorded,  // the journal could not keep the change: the file was not touched
  Failed,       // a step failed: the file holds what the record finished with says
};

struct TRestoreResult {
  TRestoreOutcome Outcome = TRestoreOutcome::Restored;
  TResult Failure;  // why, when not restored
  std::string At;   // where the file is when it ends
};

// Puts the file of change (now at change.PathAfter, with a tag of headSizeNow bytes) back as it was
// before it: the old tag and trailer when the change wrote a tag, the old permission bits, and the
// old name (out of the trash or into it, as the trash keeps it). The change that does it, restore,
// is recorded in journal ahead and finished after; when nothing of the file was touched it is
// recorded as not made. change.Before must hold the old tag itself (not a recipe).
TRestoreResult RestoreFile(TChangeJournal* journal, TFileChange restore, const TFileChange& change,
                           std::int64_t headSizeNow);

}  // namespace tagwright
