#include "commands/song_pass.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <future>
#include <iterator>
#include <optional>

#include "files/file_access.h"
#include "files/paths.h"
#include "tags/atomic_rewrite.h"
#include "tags/locked_song.h"
#include "tags/mp3_content.h"
#include "tags/tag_snapshot.h"
#include "text/ascii_text.h"
#include "text/letters.h"

namespace tagwright {

namespace {

TChangeOutcome OutcomeOf(bool tagged, bool renamed) {
  if (tagged && renamed) return TChangeOutcome::TaggedAndRenamed;
  if (renamed) return TChangeOutcome::Renamed;
  if (tagged) return TChangeOutcome::Tagged;
  return TChangeOutcome::Skipped;
}

// A song failed for a reason of the pass's own, with the file failure behind it when there is one.
TSongResult Failed(const std::string& fileName, std::string reason, TResult failure = {}) {
  TSongResult result;
  result.FileName = fileName;
  result.Outcome = TChangeOutcome::Failed;
  result.OwnReason = std::move(reason);
  result.Failure = std::move(failure);
  return result;
}

// A song failed for the file failure itself, which says why in its own words (naming the file).
TSongResult Failed(const std::string& fileName, TResult failure) { return Failed(fileName, {}, std::move(failure)); }

TSongResult Skipped(const std::string& fileName, std::string reason, TResult failure = {}) {
  TSongResult result = Failed(fileName, std::move(reason), std::move(failure));
  result.Outcome = TChangeOutcome::Skipped;
  return result;
}

// Why a file that is no song is left alone, or a failure to tell; none for a song.
std::optional<TSongResult> RefusedAsNoSong(const std::string& fileName) {
  TResultOf<bool> song = IsSongFile(fileName);
  if (!song) return Failed(fileName, song.Failure());
  if (!song.Value()) return Skipped(fileName, kNotMp3Reason);
  return std::nullopt;
}

// Why a change planned from the listing's reading of the song is not made: the file no longer holds
// the tag values the listing read (tags, as read now), so another program changed it meanwhile.
std::optional<TSongResult> RefusedAsChanged(const TSongFile& song, const TSongPlanner& planner, const TID3Info& tags) {
  if (!planner.UsesListing || !song.ListedTags() || *song.ListedTags() == tags) return std::nullopt;
  return Failed(song.FileName(), kChangedSinceReadReason, TResult::Failure(TFailureKind::Changed, song.FileName()));
}

void CountReason(const std::string& reason, std::vector<TReasonCount>& counts) {
  auto found =
      std::find_if(counts.begin(), counts.end(), [&](const TReasonCount& count) { return count.Reason == reason; });
  if (found == counts.end()) {
    counts.push_back({reason, 1});
    return;
  }
  ++found->Songs;
  // Keep the most frequent first; a stable move past the less frequent keeps ties in order of arrival.
  while (found != counts.begin() && std::prev(found)->Songs < found->Songs) {
    std::iter_swap(found, std::prev(found));
    --found;
  }
}

void Count(const TSongResult& result, TPassSummary& summary) {
  switch (result.Outcome) {
    case TChangeOutcome::Tagged: ++summary.Tagged; break;
    case TChangeOutcome::Renamed: ++summary.Renamed; break;
    case TChangeOutcome::TaggedAndRenamed:
      ++summary.Tagged;
      ++summary.Renamed;
      break;
    case TChangeOutcome::Skipped:
      ++summary.Skipped;
      CountReason(result.Reason(), summary.SkippedBy);
      break;
    case TChangeOutcome::Failed:
      ++summary.Failed;
      CountReason(result.Reason(), summary.FailedBy);
      break;
  }
}

}  // namespace

bool TPlannedNames::Taken(const std::string& path) const {
  if (created_.contains(path)) return true;
  if (vacated_.contains(path)) return false;
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

void TPlannedNames::Rename(const std::string& from, const std::string& to) {
  created_.erase(from);
  vacated_.insert(from);
  vacated_.erase(to);
  created_.insert(to);
}

namespace {

// Why nothing is done to the song, when that is clear from its change alone.
std::optional<TSongResult> Refused(const std::string& fileName, const TSongChange& change) {
  if (!change.Refusal.empty()) return Failed(fileName, change.Refusal);
  if (change.DoesNothing()) return Skipped(fileName, change.Skip.empty() ? kNothingToChangeReason : change.Skip);
  return std::nullopt;
}

// Whether the new name is refused because another file has it (a change of the case of any letter
// only is no clash: on a file system that ignores case, the name taken is the song's own; where case
// counts, the rename itself still never replaces another file).
bool RefusesTakenName(const std::string& fileName, const TSongChange& change, const TPlannedNames& names) {
  return !change.NewFileName.empty() && change.RefuseTakenName &&
         !EqualsIgnoringCase(change.NewFileName, fileName, TLetters::Accented) && names.Taken(change.NewFileName);
}

// Renames the song after its tag was written (or would be, in a dry run), never replacing another
// file; a failure leaves the result failed but still showing the tag.
void RenameSong(const std::string& fileName, const TSongChange& change, TPassMode mode, TPlannedNames& names,
                TSongResult& result) {
  TResult renamed;
  if (FileNamePart(change.NewFileName).starts_with('.')) {
    // A name without a stem, or a hidden file, is never made.
    renamed = TResult::Failure(TFailureKind::Rename, fileName, std::make_error_code(std::errc::invalid_argument));
  } else if (mode == TPassMode::Apply) {
    renamed = RenameWithoutReplacing(fileName, change.NewFileName);
  } else if (names.Taken(change.NewFileName)) {
    renamed = TResult::Failure(TFailureKind::Rename, fileName, std::make_error_code(std::errc::file_exists));
  } else if (renamed = PredictRename(fileName, change.NewFileName); renamed) {
    names.Rename(fileName, change.NewFileName);
  }
  if (!renamed) {
    result.Outcome = TChangeOutcome::Failed;
    result.NewFileName.clear();
    result.OwnReason = kRenameFailedMessage;
    result.Failure = std::move(renamed);
  }
}

// What a change comes to before it is carried out.
TSongResult PlannedResult(const std::string& fileName, const TSongChange& change) {
  TSongResult result;
  result.FileName = fileName;
  result.Outcome = OutcomeOf(change.WriteTags, !change.NewFileName.empty());
  result.NewFileName = change.NewFileName;
  return result;
}

// A dry run: what the change would meet, found without writing.
TSongResult ForeseeChange(const std::string& fileName, const TSongChange& change, TPlannedNames& names) {
  if (std::optional<TSongResult> refused = Refused(fileName, change)) return *refused;
  if (RefusesTakenName(fileName, change, names)) return Failed(fileName, kNameTakenMessage);
  TSongResult result = PlannedResult(fileName, change);
  if (change.WriteTags) {
    TResult written = PredictID3Write(fileName, change.Tags);
    if (!written) return Failed(fileName, std::move(written));
    result.TagsWritten = true;
    result.Tags = change.Tags;
  }
  if (!change.NewFileName.empty()) RenameSong(fileName, change, TPassMode::DryRun, names, result);
  return result;
}

// Songs whose changes are recorded together, in one commit of the journal, before any of them is
// made; their files stay open and locked from the moment they are read until they are changed.
constexpr std::size_t kMaxBatchSongs = 128;
constexpr std::size_t kMaxBatchTagBytes = std::size_t{32} << 20;

// One song of a batch.
struct TBatchSong {
  std::size_t Index = 0;  // among the pass's songs
  std::string FileName;
  std::optional<TSongResult> Result;  // known before any change: nothing is done to the song
  TSongChange Change;
  std::optional<TLockedSong> Locked;  // always when the change writes tags
  TTagSnapshot Snapshot;              // the song as read (under its lock, when locked)
  std::string SongPath;               // the song itself, links followed
  mode_t Mode = 0;                    // its permission bits before the change
  std::int64_t Record = 0;
  TFileChange Recorded;                   // what the record holds, but for the tag bytes (those are in Snapshot)
  std::optional<TComposedTags> Composed;  // the tags to write, composed before the change is recorded
};

// Composes the song's new tags from its snapshot (the rest of the song read through fd).
TResult ComposeTags(TBatchSong& song, const TTagSnapshot& snapshot, int fd) {
  TSnapshotSource current(snapshot, fd);
  TResultOf<TComposedTags> composed = ComposeID3Tags(current, song.Change.Tags, song.FileName);
  if (!composed) return composed.Failure();
  song.Composed = std::move(composed.Value());
  return {};
}

// Records in the change, ahead of it, what the tags composed will leave in the file, so that a
// file found so after a crash counts as finished.
void ForeseeWrite(TFileChange& change, const TBatchSong& song) {
  if (!song.Composed) return;
  std::optional<TFileAfter> after = ForeseeAfter(
      change.Before, *song.Composed, CopiedFrameHashes(song.Composed->Tags.CopiedFrames, change.BeforeFrameHashes));
  if (!after) return;
  after->Mode = change.ModeBefore;
  change.After = std::move(*after);
  change.AfterForeseen = true;
}

// The record of a song's change, from its snapshot.
TFileChange ChangeOf(const TBatchSong& song, TTagSnapshot snapshot) {
  TFileChange change =
      ChangeFromSnapshot(song.FileName, song.Change.NewFileName, song.Change.WriteTags, std::move(snapshot), song.Mode);
  if (song.Composed) change.KeptInAfter = KeptStretches(change.Before, *song.Composed);
  return change;
}

// Takes the song's snapshot back from the change recorded, which keeps the rest.
void KeepRecorded(TBatchSong& song, TFileChange recorded) {
  song.Snapshot = std::move(recorded.Before);  // the change keeps the sizes and form
  recorded.Before.Head.clear();
  recorded.Before.Tail.clear();
  song.Recorded = std::move(recorded);
}

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

// Carries out the change of a song open and locked, whose record (when there is a journal) is kept.
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
      // A write that failed leaves the song as it was, unless its trailer failed after its tag:
      // only a song that changed is recorded as changed.
      if (song.Record != 0 && StillAsBefore(fileName, song.Snapshot)) {
        (void)journal->RecordNotMade(song.Record);  // else the next start finds the song as it was
      } else {
        recording.Finish(fileName);
      }
      return Failed(fileName, std::move(written));
    }
    result.TagsWritten = true;
    result.Tags = change.Tags;
  }
  if (!change.NewFileName.empty()) RenameSong(fileName, change, TPassMode::Apply, names, result);
  if (song.Record == 0) return result;
  const std::string pathAfter = result.NewFileName.empty() ? fileName : result.NewFileName;
  // A renamed song's head is read again; a written one's is known, and was foreseen.
  TResultOf<TFileAfter> after = change.WriteTags
                                    ? ConfirmAfter(song.Locked->Descriptor(), newTags, recording.Change(), pathAfter)
                                    : CaptureAfter(pathAfter, recording.Change());
  if (after) {
    recording.Finish(pathAfter, std::move(after.Value()));
  } else {
    recording.Finish(pathAfter);
  }
  return result;
}

// A pass that changes files takes its songs up in batches. Each song of a batch is opened for
// writing and locked, read once and planned; the batch's changes are then recorded in one go, and
// only after that carried out, in order, each followed by its result. A batch is recorded (on
// another thread) while the one before it is carried out.
class TApplyPass {
 public:
  TApplyPass(const std::vector<const TSongFile*>& songs, const TSongPlanner& planner, const TPassHooks& hooks)
      : songs_(songs), planner_(planner), hooks_(hooks) {}

  ~TApplyPass() {
    if (recording_.valid()) recording_.wait();  // the recording thread uses this pass's changes
  }

  TPassSummary Run() {
    for (std::size_t i = 0; i < songs_.size() && !CancelAsked(); ++i) TakeUp(i);
    Flush(FlushTo::Landed);  // when stopped, what was recorded meanwhile is marked as not made
    if (hooks_.OnProgress && !summary_.Stopped) hooks_.OnProgress(songs_.size(), songs_.size());
    return summary_;
  }

 private:
  void TakeUp(std::size_t index) {
    const TSongFile& song = *songs_[index];
    TBatchSong taken;
    taken.Index = index;
    taken.FileName = song.FileName();
    if (std::optional<TSongResult> noSong = RefusedAsNoSong(taken.FileName)) {
      taken.Result = std::move(*noSong);
      batch_.push_back(std::move(taken));
      return;
    }
    // A song locked by another writer is waited for only with no other song locked, so that two
    // passes over the same songs in other orders cannot wait for each other.
    const TLockWait wait = batch_.empty() && !recording_.valid() ? TLockWait::Wait : TLockWait::DontWait;
    TResultOf<TLockedSong> locked = TLockedSong::Open(taken.FileName, TWritePermission::Require, wait);
    if (!locked && IsLockedElsewhere(locked.Failure())) {
      Flush(FlushTo::Landed);
      if (summary_.Stopped) return;
      locked = TLockedSong::Open(taken.FileName, TWritePermission::Require, TLockWait::Wait);
    }
    if (!locked && CannotBeWritten(locked.Failure())) {
      if (hooks_.OnUnwritable) {
        // Asked about in its turn, after the songs before it are done.
        Flush(FlushTo::Landed);
        if (summary_.Stopped) return;
        Progress(index);
        if (hooks_.OnUnwritable(song) == TPassStep::Stop) {
          summary_.Stopped = true;
          return;
        }
      }
      taken.Result =
          Skipped(taken.FileName, kNotWritableReason, TResult::Failure(TFailureKind::NotWritable, taken.FileName));
    } else if (!locked) {
      taken.Result = Failed(taken.FileName, locked.Failure());
    } else {
      Prepare(song, std::move(locked.Value()), taken);
    }
    tagBytes_ += taken.Snapshot.Head.size() + taken.Recorded.Before.Head.size();
    batch_.push_back(std::move(taken));
    if (batch_.size() >= kMaxBatchSongs || tagBytes_ >= kMaxBatchTagBytes) Flush(FlushTo::Launched);
  }

  // Whether a song that could not be opened for writing is skipped as one that cannot be written:
  // so is one gone meanwhile, but not one that is no regular file.
  static bool CannotBeWritten(const TResult& failure) {
    if (failure.Kind() == TFailureKind::NotWritable) return true;
    return failure.Kind() == TFailureKind::Open && failure.Error() != std::errc::invalid_argument;
  }

  void Prepare(const TSongFile& song, TLockedSong locked, TBatchSong& taken) {
    const std::string& fileName = taken.FileName;
    TResultOf<TTagSnapshot> snapshot = ReadTagSnapshot(locked.Descriptor(), locked.Info(), fileName);
    if (!snapshot) {
      taken.Result = Failed(fileName, snapshot.Failure());
      return;
    }
    // The song is read here under its lock, and must still be as the listing read it, since the
    // plan goes by that reading.
    TID3Info tags;
    if (planner_.Tags == TTagsNeeded::Yes || (planner_.UsesListing && song.ListedTags())) {
      TSnapshotSource current(snapshot.Value(), locked.Descriptor());
      if (TResultOf<bool> read = ReadID3Tags(current, fileName, tags); !read) {
        taken.Result = Failed(fileName, read.Failure());
        return;
      }
    }
    if (std::optional<TSongResult> changed = RefusedAsChanged(song, planner_, tags)) {
      taken.Result = std::move(*changed);
      return;
    }
    if (planner_.Tags == TTagsNeeded::No) tags = TID3Info{};
    taken.Change = planner_.Plan(song, tags);
    if (std::optional<TSongResult> refused = Refused(fileName, taken.Change)) {
      taken.Result = std::move(*refused);
      return;
    }
    if (taken.Change.WriteTags) {
      if (TResult composed = ComposeTags(taken, snapshot.Value(), locked.Descriptor()); !composed) {
        taken.Result = Failed(fileName, std::move(composed));
        return;
      }
    }
    taken.Snapshot = std::move(snapshot.Value());
    taken.SongPath = locked.Path();
    taken.Mode = locked.Info().st_mode;
    taken.Locked.emplace(std::move(locked));
    if (hooks_.Journal) {
      // The snapshot goes into the change until it is recorded; the journal looks at it now,
      // while its bytes are fresh in memory.
      taken.Recorded = ChangeOf(taken, std::move(taken.Snapshot));
      hooks_.Journal->Anticipate(taken.Recorded);
      ForeseeWrite(taken.Recorded, taken);
    }
  }

  enum class FlushTo { Launched, Landed };
  // The batch recorded before is carried out while the batch taken up is recorded; with Landed,
  // that one is carried out too, so that every song taken up is done (or its result given). A stop
  // meanwhile leaves the batch being recorded to the next flush, which gives its records up.
  void Flush(FlushTo to) {
    std::vector<TBatchSong> recorded = AwaitRecording();
    if (!summary_.Stopped) Launch();
    CarryOutBatch(std::move(recorded));
    if (to == FlushTo::Landed) CarryOutBatch(AwaitRecording());
  }

  // Starts recording the batch, on another thread when there is a journal.
  void Launch() {
    landing_ = std::move(batch_);
    batch_.clear();
    tagBytes_ = 0;
    landingChanges_.clear();
    if (!hooks_.Journal) return;
    // The snapshots are in the changes for the time of recording, and come back after.
    std::vector<std::string> songPaths;
    for (TBatchSong& song : landing_) {
      if (song.Result) continue;
      landingChanges_.push_back(std::move(song.Recorded));
      songPaths.push_back(song.SongPath);
    }
    if (landingChanges_.empty()) return;
    recording_ = std::async(std::launch::async, [this, songPaths = std::move(songPaths)] {
      ForeseeTemporaryNames(landingChanges_, songPaths, folderNames_);
      return hooks_.Journal->RecordBatch(landingChanges_);
    });
  }

  // The batch launched, once recorded; a song whose change could not be recorded gets that as its
  // result.
  std::vector<TBatchSong> AwaitRecording() {
    std::vector<TBatchSong> batch = std::move(landing_);
    landing_.clear();
    if (recording_.valid()) {
      TResultOf<std::vector<std::int64_t>> records = recording_.get();
      std::size_t next = 0;
      for (TBatchSong& song : batch) {
        if (song.Result) continue;
        if (records) {
          song.Record = records.Value()[next];
        } else {
          song.Result = Failed(song.FileName, kNotRecordedReason, records.Failure());
        }
        KeepRecorded(song, std::move(landingChanges_[next++]));
      }
    }
    landingChanges_.clear();
    return batch;
  }

  // Carries out the changes of a batch recorded, in order, and reports each song.
  void CarryOutBatch(std::vector<TBatchSong> batch) {
    std::vector<std::int64_t> givenUp;  // recorded, never to be made (see CarryOut): given up together
    for (TBatchSong& song : batch) {
      if (CancelAsked()) {
        if (song.Record != 0) givenUp.push_back(song.Record);
        continue;
      }
      Progress(song.Index);
      TSongResult result;
      if (song.Result) {
        result = std::move(*song.Result);
      } else {
        result = CarryOut(song, names_, hooks_.Journal);
      }
      song.Locked.reset();  // the lock goes as soon as the song is done
      Count(result, summary_);
      if (hooks_.OnResult && hooks_.OnResult(result) == TPassStep::Stop) summary_.Stopped = true;
    }
    if (!givenUp.empty()) (void)hooks_.Journal->RecordNoneMade(givenUp);
  }

  // Whether the pass stops here; a cancel asked for stops it, with the songs done so far.
  bool CancelAsked() {
    if (!summary_.Stopped && hooks_.CancelRequested && hooks_.CancelRequested()) {
      summary_.Stopped = true;
      summary_.Cancelled = true;
    }
    return summary_.Stopped;
  }

  void Progress(std::size_t index) {
    if (hooks_.OnProgress && index != progressed_) hooks_.OnProgress(index, songs_.size());
    progressed_ = index;
  }

  const std::vector<const TSongFile*>& songs_;
  const TSongPlanner& planner_;
  const TPassHooks& hooks_;
  TPassSummary summary_;
  TPlannedNames names_;
  std::vector<TBatchSong> batch_;  // being taken up
  std::size_t tagBytes_ = 0;
  std::vector<TBatchSong> landing_;  // being recorded, to be carried out next
  std::vector<TFileChange> landingChanges_;
  TFolderNames folderNames_;  // used by one recording at a time
  std::future<TResultOf<std::vector<std::int64_t>>> recording_;
  std::size_t progressed_ = static_cast<std::size_t>(-1);
};

// A song without any write permission, written with a journal: its change is recorded before the
// owner's write bit is added, so that should the program stop in between, the record puts the old
// bits back at the next start. The song is then locked, and must still be as recorded; if it is not,
// or cannot be opened, it gets its old bits back here and is left alone.
TSongResult RecordThenMakeWritable(TBatchSong& song, TPlannedNames& names, TChangeJournal* journal) {
  const std::string& fileName = song.FileName;
  song.SongPath = SongPath(fileName);
  const int fd = ::open(song.SongPath.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (fd < 0 || ::fstat(fd, &info) != 0) {
    if (fd >= 0) ::close(fd);
    return Failed(fileName, TResult::FromErrno(TFailureKind::Open, fileName));
  }
  TResultOf<TTagSnapshot> read = ReadTagSnapshot(fd, info, fileName);
  TResult composed = read ? ComposeTags(song, read.Value(), fd) : read.Failure();
  ::close(fd);
  if (!composed) return Failed(fileName, std::move(composed));
  if (TResult recorded = RecordAhead(song, std::move(read.Value()), *journal); !recorded) {
    return Failed(fileName, kNotRecordedReason, std::move(recorded));
  }
  const auto giveUp = [&](TResult failure) {
    // Only the bit added here is taken back: other bits are someone else's doing.
    const mode_t old = song.Mode & 07777;
    struct stat now {};
    if (::stat(song.SongPath.c_str(), &now) == 0 && (now.st_mode & 07777) == (old | S_IWUSR)) {
      (void)::chmod(song.SongPath.c_str(), old);  // the record is given up either way
    }
    (void)journal->RecordNotMade(song.Record);
    return Failed(fileName, std::move(failure));
  };
  TResultOf<TLockedSong> locked = TLockedSong::Open(fileName);
  if (!locked) return giveUp(locked.Failure());
  TResultOf<TTagSnapshot> now = ReadTagSnapshot(locked.Value().Descriptor(), locked.Value().Info(), fileName);
  if (!now) return giveUp(now.Failure());
  if (now.Value().Size != song.Snapshot.Size || now.Value().Head != song.Snapshot.Head ||
      now.Value().Tail != song.Snapshot.Tail) {
    return giveUp(TResult::Failure(TFailureKind::Changed, fileName,
                                   std::make_error_code(std::errc::resource_unavailable_try_again)));
  }
  song.Locked.emplace(std::move(locked.Value()));
  song.SongPath = song.Locked->Path();
  return CarryOut(song, names, journal);
}

}  // namespace

TSongResult ApplySongChange(const std::string& fileName, const TSongChange& change, TPassMode mode,
                            TPlannedNames& names, TChangeJournal* journal) {
  if (std::optional<TSongResult> noSong = RefusedAsNoSong(fileName)) return *noSong;
  if (mode == TPassMode::DryRun) return ForeseeChange(fileName, change, names);
  if (std::optional<TSongResult> refused = Refused(fileName, change)) return *refused;
  if (RefusesTakenName(fileName, change, names)) return Failed(fileName, kNameTakenMessage);
  TBatchSong song;
  song.FileName = fileName;
  song.Change = change;
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
    song.Locked.emplace(std::move(locked.Value()));
    song.SongPath = song.Locked->Path();
    snapshot = ReadTagSnapshot(song.Locked->Descriptor(), song.Locked->Info(), fileName);
    if (snapshot) {
      if (TResult composed = ComposeTags(song, snapshot.Value(), song.Locked->Descriptor()); !composed) {
        return Failed(fileName, std::move(composed));
      }
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

TPassSummary RunSongPass(const std::vector<const TSongFile*>& songs, const TSongPlanner& planner, TPassMode mode,
                         const TPassHooks& hooks) {
  if (mode == TPassMode::Apply) return TApplyPass(songs, planner, hooks).Run();
  TPassSummary summary;
  TPlannedNames names;
  for (std::size_t i = 0; i < songs.size(); ++i) {
    if (hooks.CancelRequested && hooks.CancelRequested()) {
      summary.Stopped = summary.Cancelled = true;
      break;
    }
    if (hooks.OnProgress) hooks.OnProgress(i, songs.size());
    const TSongFile& song = *songs[i];
    const std::string& fileName = song.FileName();

    TSongResult result;
    // A dry run only reads, so it goes by what the listing found.
    if (!song.WritableWhenListed()) {
      if (hooks.OnUnwritable && hooks.OnUnwritable(song) == TPassStep::Stop) {
        summary.Stopped = true;
        break;
      }
      result = Skipped(fileName, kNotWritableReason, TResult::Failure(TFailureKind::NotWritable, fileName));
    } else if (std::optional<TSongResult> noSong = RefusedAsNoSong(fileName)) {
      result = std::move(*noSong);
    } else {
      TID3Info tags;
      TResultOf<bool> read = false;
      if (planner.Tags == TTagsNeeded::Yes || (planner.UsesListing && song.ListedTags()))
        read = ReadID3Tags(fileName, tags);
      if (!read) {
        result = Failed(fileName, read.Failure());
      } else if (std::optional<TSongResult> changed = RefusedAsChanged(song, planner, tags)) {
        result = std::move(*changed);
      } else {
        if (planner.Tags == TTagsNeeded::No) tags = TID3Info{};
        result = ForeseeChange(fileName, planner.Plan(song, tags), names);
      }
    }
    Count(result, summary);
    if (hooks.OnResult && hooks.OnResult(result) == TPassStep::Stop) {
      summary.Stopped = true;
      break;
    }
  }
  if (hooks.OnProgress && !summary.Stopped) hooks.OnProgress(songs.size(), songs.size());
  return summary;
}

}  // namespace tagwright
