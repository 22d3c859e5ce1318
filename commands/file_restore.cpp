#include "commands/file_restore.h"

#include <utility>

#include "commands/file_putback.h"
#include "files/file_access.h"
#include "files/trash.h"

namespace tagwright {

namespace {

// Puts the file back step by step; at follows it.
TResult PutBack(const TFileChange& change, std::int64_t headSizeNow, std::string& at) {
  TResult step;
  if (change.TagWritten) {
    step = PutBackOldTags(at, headSizeNow, change);
  }
  if (step) step = PutBackMode(at, change.ModeBefore);
  if (step && change.PathAfter != change.PathBefore) {
    step = RenameKeepingTrash(at, change.PathBefore);
    if (step) at = change.PathBefore;
  }
  return step;
}

}  // namespace

TRestoreResult RestoreFile(TChangeJournal* journal, TFileChange restore, const TFileChange& change,
                           std::int64_t headSizeNow) {
  TRestoreResult result;
  result.At = change.PathAfter;
  TChangeRecording recording(journal);
  if (TResult recorded = recording.Begin(std::move(restore)); !recorded) {
    result.Outcome = TRestoreOutcome::NotRecorded;
    result.Failure = recorded;
    return result;
  }
  // An old tag kept by reference that was never put together has no bytes to write.
  const TResult step =
      change.BeforeRecipe.empty()
          ? PutBack(change, headSizeNow, result.At)
          : TResult::Failure(TFailureKind::Write, result.At, std::make_error_code(std::errc::illegal_byte_sequence));
  if (step) {
    recording.Finish(result.At);
    return result;
  }
  result.Outcome = TRestoreOutcome::Failed;
  result.Failure = step;
  if (recording.Record() != 0 && StillAsBefore(change.PathAfter, recording.Change().Before)) {
    (void)journal->RecordNotMade(recording.Record());  // nothing of the file was touched
  } else {
    recording.Finish(result.At);  // partly put back: what the file holds now is recorded
  }
  return result;
}

}  // namespace tagwright
