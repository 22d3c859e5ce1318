#include "commands/file_restore.h"

#include <utility>

#include "commands/file_putback.h"
#include "files/file_access.h"
#include "files/new_folders.h"
#include "files/trash.h"

namespace tagwright {

namespace {

// Puts the file back step by step; at follows it.
TResult PutBack(const TFileChange& change, std::int64_t headSizeNow, std::string& at, TRestoreAhead* ahead) {
  TResult step;
  if (change.TagWritten) {
    step = PutBackOldTags(at, headSizeNow, change, ahead);
  }
  if (step) step = PutBackMode(at, change.ModeBefore);
  if (step && change.PathAfter != change.PathBefore) {
    // The folders the change took away come back for the old name, and those it made go once the
    // file has left them, when nothing else is in them.
    step = MakeFolders(change.FoldersEmptied);
    if (step) step = RenameKeepingTrash(at, change.PathBefore);
    if (step) {
      at = change.PathBefore;
      RemoveEmptyFolders(change.FoldersMade);
    }
  }
  return step;
}

}  // namespace

TRestoreResult RestoreFile(TChangeJournal* journal, std::int64_t record, TFileChange restore, const TFileChange& change,
                           std::int64_t headSizeNow, TRestoreAhead* ahead) {
  TRestoreResult result;
  result.At = change.PathAfter;
  TChangeRecording recording(record != 0 ? journal : nullptr);
  if (record != 0) recording.Resume(std::move(restore), record);
  // An old tag kept by reference that was never put together has no bytes to write.
  result.Failure =
      change.BeforeRecipe.empty()
          ? PutBack(change, headSizeNow, result.At, ahead)
          : TResult::Failure(TFailureKind::Write, result.At, std::make_error_code(std::errc::illegal_byte_sequence));
  if (!result.Failure && record != 0 && StillAsBefore(change.PathAfter, recording.Change().Before)) {
    (void)journal->RecordNotMade(record);  // nothing of the file was touched
  } else if (result.Failure.Ok()) {
    recording.FinishAsForeseen(result.At);  // put back whole: as the restore foresaw
  } else {
    recording.Finish(result.At);  // put back in part: what the file holds now is recorded
  }
  return result;
}

}  // namespace tagwright
