#include "commands/song_trash.h"

#include "files/trash.h"

namespace tagwright {

TResult MoveSongToTrash(const std::string& fileName, TChangeJournal* journal) {
  TResultOf<TTrashMove> planned = PlanTrashMove(fileName);
  if (!planned) return planned.Failure();
  const TTrashMove& move = planned.Value();
  TChangeRecording recording(journal);
  if (journal != nullptr) {
    TResultOf<TFileChange> change = CaptureBefore(fileName, move.FilesPath, false);
    if (!change) return change.Failure();
    if (TResult recorded = recording.Begin(std::move(change.Value())); !recorded) return recorded;
  }
  if (TResult moved = RenameKeepingTrash(fileName, move.FilesPath); !moved) {
    if (recording.Record() != 0) (void)journal->RecordNotMade(recording.Record());  // else judged from the file
    return moved;
  }
  recording.Finish(move.FilesPath);
  return {};
}

}  // namespace tagwright
