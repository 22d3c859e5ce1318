#include "commands/song_change_apply.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <system_error>
#include <utility>

#include "commands/pass_results.h"
#include "commands/planned_names.h"
#include "commands/unchanged_songs.h"

namespace tagwright {

TResult ComposeTags(TBatchSong& song, const TTagSnapshot& snapshot, int fd) {
  TSnapshotSource current(snapshot, fd);
  TResultOf<TComposedTags> composed = ComposeID3Tags(current, song.Change.Tags, song.FileName);
  if (!composed) return composed.Failure();
  song.Composed = std::move(composed.Value());
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
  if (song.Composed) {
    change.KeptInAfter = KeptStretches(change.Before, *song.Composed);
    if (song.Composed->InPlace) change.NewBytes = NewBytesInPlace(*song.Composed);
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

// Records the change of a song ahead of it, from the snapshot read; the snapshot comes back into
// the song either way.
TResult RecordAhead(TBatchSong& song, TTagSnapshot snapshot, TChangeJournal& journal) {
  TFileChange planned = ChangeOf(song, std::move(snapshot));
  ForeseeTemporaryName(planned, song.SongPath);
  ForeseeWrite(planned, song);
  TResultOf<std::int64_t> record = journal.RecordBefore(planned);
  KeepRecorded(song, std::move(planned));
  if (!record) return record.Failure();
  song.Record = record.Value();
  return {};
}

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

TSongResult CarryOut(TBatchSong& song, TPlannedNames& names, TChangeJournal* journal) {
  const std::string& fileName = song.FileName;
  const TSongChange& change = song.Change;
  if (RefusesTakenName(fileName, change, names)) {
    if (song.Record != 0) (void)journal->RecordNotMade(song.Record);  // else the next start finds it untouched
    return Failed(fileName, kNameTakenMessage);
  }
  TChangeRecording recording(song.Record != 0 ? journal : nullptr);
  if (song.Record != 0) recording.Resume(std::move(song.Recorded), song.Record);
  TSongResult result = PlannedResult(fileName, change);
  TWrittenTags newTags;
  if (change.WriteTags) {
    TResult written = WriteComposedID3Tags(*song.Locked, std::move(*song.Composed), &newTags);
    if (!written) {
      RecordFailedWrite(song, recording, journal);
      return Failed(fileName, std::move(written));
    }
    result.TagsWritten = true;
    result.Tags = change.Tags;
  }
  if (!change.NewFileName.empty()) RenameSong(fileName, change, TPassMode::Apply, names, result);
  if (song.Record != 0) RecordChangeMade(song, result, newTags, recording);
  return result;
}

namespace {

// Reads a song that cannot be written yet, through a descriptor open for reading only, and composes
// its new tags from it: the song as read, or why it could not be read or its tags composed.
TResultOf<TTagSnapshot> ReadAndCompose(TBatchSong& song) {
  const std::string& fileName = song.FileName;
  const int fd = ::open(song.SongPath.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (fd < 0 || ::fstat(fd, &info) != 0) {
    if (fd >= 0) ::close(fd);
    return TResult::FromErrno(TFailureKind::Open, fileName);
  }
  if (song.Identity && *song.Identity != IdentityOf(info)) {
    ::close(fd);
    return TResult::Failure(TFailureKind::Changed, fileName);
  }
  TResultOf<TTagSnapshot> read = ReadTagSnapshot(fd, info, fileName);
  TResult composed = read ? ComposeTags(song, read.Value(), fd) : read.Failure();
  ::close(fd);
  if (!composed) return composed;
  return read;
}

// Leaves a song that was made writable as it was: only the owner's write bit added is taken back
// (other bits are someone else's doing), and its record is given up.
TSongResult GiveUpMadeWritable(const TBatchSong& song, TChangeJournal& journal, TSongResult result) {
  const mode_t old = song.Mode & 07777;
  struct stat now {};
  if (::stat(song.SongPath.c_str(), &now) == 0 && (now.st_mode & 07777) == (old | S_IWUSR)) {
    (void)::chmod(song.SongPath.c_str(), old);  // the record is given up either way
  }
  (void)journal.RecordNotMade(song.Record);
  return result;
}

// A song without any write permission, written with a journal: its change is recorded before the
// owner's write bit is added, so that should the program stop in between, the record puts the old
// bits back at the next start. The song is then locked, and must still be as recorded; if it is not,
// or cannot be opened, it gets its old bits back here and is left alone.
TSongResult RecordThenMakeWritable(TBatchSong& song, TPlannedNames& names, TChangeJournal* journal) {
  const std::string& fileName = song.FileName;
  song.SongPath = SongPath(fileName);
  TResultOf<TTagSnapshot> read = ReadAndCompose(song);
  if (!read) {
    if (read.Failure().Kind() == TFailureKind::Changed)
      return Failed(fileName, kChangedSinceReadReason, read.Failure());
    return Failed(fileName, read.Failure());
  }
  if (std::optional<TSongResult> unchanged = LeaveUnchangedTags(song, read.Value())) return *unchanged;
  // Left with a rename only, which needs no write permission on the song.
  if (!song.Change.WriteTags) return ApplySongChange(fileName, song.Change, TPassMode::Apply, names, journal);
  if (TResult recorded = RecordAhead(song, std::move(read.Value()), *journal); !recorded) {
    return Failed(fileName, kNotRecordedReason, std::move(recorded));
  }
  TResultOf<TLockedSong> locked = TLockedSong::Open(fileName);
  if (!locked) return GiveUpMadeWritable(song, *journal, Failed(fileName, locked.Failure()));
  const int fd = locked.Value().Descriptor();
  if (std::optional<TSongResult> noSong = RefusedAsNoSong(fileName, fd, locked.Value().Info(), song.Identity)) {
    return GiveUpMadeWritable(song, *journal, std::move(*noSong));
  }
  TResultOf<TTagSnapshot> now = ReadTagSnapshot(fd, locked.Value().Info(), fileName);
  if (!now) return GiveUpMadeWritable(song, *journal, Failed(fileName, now.Failure()));
  if (now.Value().Size != song.Snapshot.Size || now.Value().Head != song.Snapshot.Head ||
      now.Value().Tail != song.Snapshot.Tail) {
    return GiveUpMadeWritable(
        song, *journal,
        Failed(fileName, TResult::Failure(TFailureKind::Changed, fileName,
                                          std::make_error_code(std::errc::resource_unavailable_try_again))));
  }
  song.Locked.emplace(std::move(locked.Value()));
  song.SongPath = song.Locked->Path();
  return CarryOut(song, names, journal);
}

// A song that its lock gave the owner's write permission, and whose tags are not written after all,
// gets its own bits back.
void TakeBackAddedWrite(const TBatchSong& song) {
  if ((song.Mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0) return;
  (void)::chmod(song.SongPath.c_str(), song.Mode & 07777);  // at worst the owner may write it, as before
}

}  // namespace

TSongResult ApplySongChange(const std::string& fileName, const TSongChange& change, TPassMode mode,
                            TPlannedNames& names, TChangeJournal* journal) {
  std::optional<TFileIdentity> seen;
  if (std::optional<TSongResult> noSong = RefusedAsNoSong(fileName, std::nullopt, &seen)) return *noSong;
  if (mode == TPassMode::DryRun) return ForeseeChange(fileName, change, names);
  if (std::optional<TSongResult> refused = Refused(fileName, change)) return *refused;
  if (RefusesTakenName(fileName, change, names)) return Failed(fileName, kNameTakenMessage);
  TBatchSong song;
  song.FileName = fileName;
  song.Change = change;
  song.Identity = seen;
  struct stat info {};
  if (::stat(fileName.c_str(), &info) != 0) {
    TResult failure = TResult::FromErrno(TFailureKind::Open, fileName);
    return Failed(fileName, std::move(failure));
  }
  song.Mode = info.st_mode;
  if (change.WriteTags && journal && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
    return RecordThenMakeWritable(song, names, journal);
  }
  TResultOf<TTagSnapshot> snapshot = TTagSnapshot{};
  if (change.WriteTags) {
    // Without a journal, a song without any write permission gets the owner's here (with one, see
    // RecordThenMakeWritable).
    TResultOf<TLockedSong> locked = TLockedSong::Open(fileName);
    if (!locked) return Failed(fileName, locked.Failure());
    if (std::optional<TSongResult> noSong =
            RefusedAsNoSong(fileName, locked.Value().Descriptor(), locked.Value().Info(), seen)) {
      return *noSong;
    }
    song.Locked.emplace(std::move(locked.Value()));
    song.SongPath = song.Locked->Path();
    snapshot = ReadTagSnapshot(song.Locked->Descriptor(), song.Locked->Info(), fileName);
    if (snapshot) {
      if (TResult composed = ComposeTags(song, snapshot.Value(), song.Locked->Descriptor()); !composed) {
        return Failed(fileName, std::move(composed));
      }
      std::optional<TSongResult> unchanged = LeaveUnchangedTags(song, snapshot.Value());
      if (!song.Change.WriteTags) TakeBackAddedWrite(song);
      if (unchanged) return *unchanged;
    }
  } else {
    // A rename needs no write permission on the file itself, nor its lock.
    song.SongPath = SongPath(fileName);
    if (journal) snapshot = ReadTagSnapshot(fileName);
  }
  if (!snapshot) return Failed(fileName, snapshot.Failure());
  if (!journal) {
    song.Snapshot = std::move(snapshot.Value());
  } else if (TResult recorded = RecordAhead(song, std::move(snapshot.Value()), *journal); !recorded) {
    return Failed(fileName, kNotRecordedReason, std::move(recorded));
  }
  return CarryOut(song, names, journal);
}

TSongResult ApplySongChange(const std::string& fileName, const TSongChange& change, TChangeJournal* journal) {
  TPlannedNames names;
  return ApplySongChange(fileName, change, TPassMode::Apply, names, journal);
}

}  // namespace tagwright
