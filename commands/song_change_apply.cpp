#include "commands/song_change_apply.h"

#include <utility>

#include "commands/pass_results.h"
#include "commands/planned_names.h"
#include "files/new_folders.h"

namespace tagwright {

TResult ComposeTags(TBatchSong& song, const TTagSnapshot& snapshot, int fd) {
  TSnapshotSource current(snapshot, fd);
  TResultOf<TComposedTags> composed = ComposeID3Tags(current, song.Change.Tags, song.FileName, song.Change.Pictures);
  if (!composed) return composed.Failure();
  song.Composed = std::move(composed.Value());
  // The trailer was read with the tag; a song kept whole has none apart from its head.
  if (!snapshot.Whole) song.Composed->TrailerFound = snapshot.Tail;
  return {};
}

void ForeseeWrite(TFileChange& change, const TBatchSong& song) {
  if (!song.Composed) return;
  std::optional<TFileAfter> after = ForeseeAfter(
      change.Before, *song.Composed, CopiedFrameHashes(song.Composed->Tags.CopiedFrames, change.BeforeFrameHashes));
  if (!after) return;
  after->Mode = change.ModeBefore;
  change.After = std::move(*after);
  change.AfterForeseen = true;
}

TFileChange ChangeOf(const TBatchSong& song, TTagSnapshot snapshot) {
  TFileChange change =
      ChangeFromSnapshot(song.FileName, song.Change.NewFileName, song.Change.WriteTags, std::move(snapshot), song.Mode);
  if (song.Change.MakesFolders) change.FoldersMade = MissingFolders(song.Change.NewFileName);
  if (song.Composed) {
    change.KeptInAfter = KeptStretches(change.Before, *song.Composed);
    if (song.Composed->InPlace) change.NewBytes = NewBytesInPlace(*song.Composed, change.Before.Head);
  }
  return change;
}

void KeepRecorded(TBatchSong& song, TFileChange recorded) {
  song.Snapshot = std::move(recorded.Before);  // the change keeps the sizes and form
  recorded.Before.Head.clear();
  recorded.Before.Tail.clear();
  song.Recorded = std::move(recorded);
}

namespace {

// A write that failed leaves the song as it was, unless its trailer failed after its tag: only a
// song that changed is recorded as changed.
void RecordFailedWrite(const TBatchSong& song, TChangeRecording& recording, TChangeJournal* journal) {
  if (song.Record != 0 && StillAsBefore(song.FileName, song.Snapshot)) {
    (void)journal->RecordNotMade(song.Record);  // else the next start finds the song as it was
  } else {
    recording.Finish(song.FileName);
  }
}

// Records what became of a song changed, where it now is.
void RecordChangeMade(const TBatchSong& song, const TSongResult& result, const TWrittenTags& newTags,
                      TChangeRecording& recording) {
  const std::string pathAfter = result.NewFileName.empty() ? song.FileName : result.NewFileName;
  // A renamed song's head is read again; a written one's is known, and was foreseen.
  TResultOf<TFileAfter> after = song.Change.WriteTags
                                    ? ConfirmAfter(song.Locked->Descriptor(), newTags, recording.Change(), pathAfter)
                                    : CaptureAfter(pathAfter, recording.Change());
  if (after) {
    recording.Finish(pathAfter, std::move(after.Value()));
  } else {
    recording.Finish(pathAfter);
  }
}

}  // namespace

TSongResult CarryOut(TBatchSong& song, TPassMode mode, TPlannedNames& names, TChangeJournal* journal) {
  const std::string& fileName = song.FileName;
  const TSongChange& change = song.Change;
  if (RefusesTakenName(fileName, change, names)) {
    if (song.Composed) song.Composed->Beside.Drop();                  // gone before its record says nothing was made
    if (song.Record != 0) (void)journal->RecordNotMade(song.Record);  // else the next start finds it untouched
    return Failed(fileName, kNameTakenMessage);
  }
  TChangeRecording recording(song.Record != 0 ? journal : nullptr);
  if (song.Record != 0) recording.Resume(std::move(song.Recorded), song.Record);
  TSongResult result = PlannedResult(fileName, change);
  TWrittenTags newTags;
  if (change.WriteTags) {
    // A dry run foresees what the write would meet.
    TResult written = !song.WrittenAhead ? std::move(song.WrittenAhead)
                      : mode == TPassMode::Apply
                          ? WriteComposedID3Tags(*song.Locked, std::move(*song.Composed), &newTags)
                          : PredictID3Write(fileName, change.Tags, change.Pictures);
    if (!written) {
      RecordFailedWrite(song, recording, journal);
      return Failed(fileName, std::move(written));
    }
    result.TagsWritten = true;
    result.Tags = change.Tags;
  }
  if (!change.NewFileName.empty()) RenameSong(fileName, change, mode, names, result);
  if (change.Removal == TRemoval::ForGood) DeleteForGood(fileName, mode, result);
  if (song.Record != 0) RecordChangeMade(song, result, newTags, recording);
  return result;
}

}  // namespace tagwright
