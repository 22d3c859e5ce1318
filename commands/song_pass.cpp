#include "commands/song_pass.h"

#include <cstddef>
#include <future>
#include <optional>
#include <utility>

#include "commands/batches_ahead.h"
#include "commands/durable_songs.h"
#include "commands/pass_results.h"
#include "commands/planned_names.h"
#include "commands/song_change_apply.h"
#include "commands/unchanged_songs.h"
#include "tags/atomic_rewrite.h"
#include "tags/byte_source.h"
#include "tags/locked_song.h"
#include "tags/mp3_content.h"
#include "tags/tag_snapshot.h"

namespace tagwright {

namespace {

// Why a change planned from the listing's reading of the song is not made: the file no longer holds
// the tag values the listing read (tags, as read now), so another program changed it meanwhile.
std::optional<TSongResult> RefusedAsChanged(const TSongFile& song, const TSongPlanner& planner, const TID3Info& tags) {
  if (planner.ListedDetails == TListedDetails::Unused || !song.ListedTags() || *song.ListedTags() == tags) {
    return std::nullopt;
  }
  return Failed(song.FileName(), kChangedSinceReadReason, TResult::Failure(TFailureKind::Changed, song.FileName()));
}

// Songs whose changes are recorded together, in one commit of the journal, before any of them is
// made; their files stay open and locked from the moment they are read until they are changed. How
// many songs a batch takes is BatchSongLimit's; the tags they hold are bounded too.
constexpr std::size_t kMaxBatchTagBytes = std::size_t{32} << 20;

// The one chain every song goes through, in a real run and in a dry run alike: no song? cannot be
// written? read it, check it is still as listed, plan, then carry the change out (in a dry run:
// foresee it). Songs are prepared in batches. In a real run each song of a batch is opened for
// writing and locked, read once and planned; the batch's changes are then recorded in one go, and
// only after that carried out, in order, each followed by its result. While one batch is carried
// out, the next is recorded (on another thread) and the one after it prepared (on a third). A dry
// run only reads, so it goes by the listing for whether a song can be written, and records nothing.
// The hooks are called on the thread that runs the pass, never on the preparing one.
class TSongPipeline {
 public:
  TSongPipeline(const std::vector<const TSongFile*>& songs, const TSongPlanner& planner, TPassMode mode,
                const TPassHooks& hooks)
      : songs_(songs), planner_(planner), mode_(mode), hooks_(hooks) {}

  ~TSongPipeline() {
    if (recording_.valid()) recording_.wait();  // the recording thread uses this pass's changes
  }

  TPassSummary Run() {
    {
      TAhead ahead([this](TAhead& preparer) { PrepareAll(preparer); });
      while (std::optional<TAhead::TTaken> taken = ahead.Take([this] { return CancelAsked(); })) {
        CarryOutTaken(std::move(*taken), ahead);
      }
    }
    Flush({}, TFlushTo::Done);  // when stopped, what was recorded meanwhile is marked as not made
    if (hooks_.OnProgress && !summary_.Stopped) hooks_.OnProgress(songs_.size(), songs_.size());
    return summary_;
  }

 private:
  // Songs prepared, as the preparing thread hands them over; when it waits for them to be done
  // before it goes on, it may have a song to ask about then, as one that cannot be written.
  struct TPrepared {
    std::vector<TBatchSong> Songs;
    const TSongFile* Unwritable = nullptr;
    std::size_t UnwritableIndex = 0;
  };
  using TAhead = TBatchesAhead<TPrepared>;

  // On the preparing thread: prepares every song, in order, and hands the batches over.
  void PrepareAll(TAhead& ahead) {
    ahead_ = &ahead;
    for (std::size_t i = 0; i < songs_.size() && !ahead.Stopped(); ++i) {
      if (!Prepare(i)) return;
    }
    (void)HandOver(TAhead::THand::Next);
  }

  // Hands the batch prepared over to be carried out; with AndWaitUntilSettled, waits until it is
  // done and the song to ask about (if any) is answered for. False once the pass stops.
  bool HandOver(TAhead::THand how, const TSongFile* unwritable = nullptr, std::size_t index = 0) {
    TPrepared prepared{std::move(batch_), unwritable, index};
    batch_.clear();
    tagBytes_ = 0;
    if (how == TAhead::THand::Next && prepared.Songs.empty()) return !ahead_->Stopped();
    batchLimit_ = BatchSongLimit(++batchesHanded_);
    settled_ = how == TAhead::THand::AndWaitUntilSettled;
    return ahead_->Hand(std::move(prepared), how);
  }

  // Carries out a batch handed over, and asks about the song that came with it.
  void CarryOutTaken(TAhead::TTaken taken, TAhead& ahead) {
    if (!summary_.Stopped) {
      Flush(std::move(taken.Batch.Songs), taken.Settle ? TFlushTo::Done : TFlushTo::Recording);
      if (taken.Batch.Unwritable != nullptr && !summary_.Stopped) {
        // Asked about in its turn, after the songs before it are done.
        Progress(taken.Batch.UnwritableIndex);
        if (hooks_.OnUnwritable(*taken.Batch.Unwritable) == TPassStep::Stop) summary_.Stopped = true;
      }
    }
    if (summary_.Stopped) ahead.Stop();
    if (taken.Settle) ahead.Settled();
  }

  // Prepares one song; false when the pass stops.
  bool Prepare(std::size_t index) {
    const TSongFile& song = *songs_[index];
    TBatchSong taken;
    taken.Index = index;
    taken.FileName = song.FileName();
    // A file whose name does not say MP3 is looked at before it is opened for writing, so that a
    // text or a picture without write permission is left alone as no song, not asked about.
    if (!HasMp3Extension(taken.FileName)) {
      if (std::optional<TSongResult> noSong = RefusedAsNoSong(taken.FileName, song.ListedIdentity())) {
        taken.Result = std::move(*noSong);
        batch_.push_back(std::move(taken));
        return true;
      }
    }
    const bool goesOn = mode_ == TPassMode::Apply ? OpenLocked(song, taken) : OpenToRead(song, taken);
    if (!goesOn) return false;
    if (taken.Result) {
      taken.Locked.reset();
    } else if (hooks_.Journal && taken.Change.Removal != TRemoval::ForGood) {
      // The snapshot goes into the change until it is recorded; the journal looks at it now,
      // while its bytes are fresh in memory.
      taken.Recorded = ChangeOf(taken, std::move(taken.Snapshot));
      hooks_.Journal->PrepareRecord(taken.Recorded);
      ForeseeWrite(taken.Recorded, taken);
    }
    // The tags composed count too: a picture set is in each song's new tag.
    tagBytes_ += taken.Snapshot.Head.size() + taken.Recorded.Before.Head.size() +
                 (taken.Composed ? taken.Composed->Tags.Head.size() : 0);
    batch_.push_back(std::move(taken));
    if (batch_.size() < batchLimit_ && tagBytes_ < kMaxBatchTagBytes) return true;
    return HandOver(TAhead::THand::Next);
  }

  // Opens the song for writing, under its lock, and examines it; false when the pass stops.
  bool OpenLocked(const TSongFile& song, TBatchSong& taken) {
    // A song locked by another writer is waited for only with no other song locked, so that two
    // passes over the same songs in other orders cannot wait for each other.
    const TLockWait wait = batch_.empty() && settled_ ? TLockWait::Wait : TLockWait::DontWait;
    TResultOf<TLockedSong> locked = TLockedSong::Open(taken.FileName, TWritePermission::Require, wait);
    if (!locked && IsLockedElsewhere(locked.Failure())) {
      if (!HandOver(TAhead::THand::AndWaitUntilSettled)) return false;
      locked = TLockedSong::Open(taken.FileName, TWritePermission::Require, TLockWait::Wait);
    }
    if (!locked && planner_.Writes != TWrites::TagsAndNames &&
        (locked.Failure().Kind() == TFailureKind::NotWritable || planner_.Writes == TWrites::WholeFile)) {
      return Read(song, taken);  // renamed without its lock, which needs write permission
    }
    if (!locked && CannotBeWritten(locked.Failure())) return LeaveUnwritable(song, taken);
    if (!locked) {
      taken.Result = Failed(taken.FileName, locked.Failure());
      return true;
    }
    const int fd = locked.Value().Descriptor();
    const struct stat info = locked.Value().Info();
    taken.SongPath = locked.Value().Path();
    taken.Locked.emplace(std::move(locked.Value()));
    Examine(song, fd, info, taken);
    return true;
  }

  // A dry run opens the song only to read it, and goes by the listing for whether it can be
  // written; false when the pass stops.
  bool OpenToRead(const TSongFile& song, TBatchSong& taken) {
    if (!song.WritableWhenListed() && planner_.Writes == TWrites::TagsAndNames) return LeaveUnwritable(song, taken);
    return Read(song, taken);
  }

  // Examines the song through a descriptor open for reading only; a change that writes tags is
  // then refused, as the song cannot be written.
  bool Read(const TSongFile& song, TBatchSong& taken) {
    TFileSource source;
    if (!source.Open(taken.FileName)) {
      taken.Result = Failed(taken.FileName, TResult::FromErrno(TFailureKind::Open, taken.FileName));
      return true;
    }
    taken.SongPath = SongPath(taken.FileName);
    Examine(song, source.Descriptor(), source.Info(), taken);
    // A real run reads here only a song it could not open for writing.
    const bool writable = mode_ == TPassMode::DryRun && song.WritableWhenListed();
    if (!taken.Result && taken.Change.WriteTags && !writable) return LeaveUnwritable(song, taken);
    return true;
  }

  // Whether a song that could not be opened for writing is skipped as one that cannot be written:
  // so is one gone meanwhile, but not one that is no regular file.
  static bool CannotBeWritten(const TResult& failure) {
    if (failure.Kind() == TFailureKind::NotWritable) return true;
    return failure.Kind() == TFailureKind::Open && failure.Error() != std::errc::invalid_argument;
  }

  // A song that cannot be written is skipped, or the pass stops there (false).
  bool LeaveUnwritable(const TSongFile& song, TBatchSong& taken) {
    if (hooks_.OnUnwritable && !HandOver(TAhead::THand::AndWaitUntilSettled, &song, taken.Index)) return false;
    taken.Result =
        Skipped(taken.FileName, kNotWritableReason, TResult::Failure(TFailureKind::NotWritable, taken.FileName));
    return true;
  }

  // Reads the song open as fd, checks it is the one listed and still as listed, and plans its
  // change; a result when nothing is to be done.
  void Examine(const TSongFile& song, int fd, const struct stat& info, TBatchSong& taken) {
    const std::string& fileName = taken.FileName;
    // A real run keeps the song as read for its record; a dry run reads so much only for a tag write.
    TResultOf<TTagSnapshot> snapshot = TTagSnapshot{};
    if (mode_ == TPassMode::Apply && S_ISREG(info.st_mode)) snapshot = ReadTagSnapshot(fd, info, fileName);
    // Looked at again through the descriptor (through the bytes read, where they were): the file
    // opened must be the one listed, and an MP3, whatever another program put under its name since.
    std::optional<TSnapshotSource> read;
    if (mode_ == TPassMode::Apply && snapshot) read.emplace(snapshot.Value(), fd);
    if (std::optional<TSongResult> noSong =
            RefusedAsNoSong(fileName, fd, info, song.ListedIdentity(), read ? &*read : nullptr)) {
      taken.Result = std::move(*noSong);
      return;
    }
    if (!snapshot) {
      taken.Result = Failed(fileName, snapshot.Failure());
      return;
    }
    // The song must still be as the listing read it, when the plan goes by that reading.
    TID3Info tags;
    if (planner_.Tags == TTagsNeeded::Yes || (planner_.ListedDetails == TListedDetails::Used && song.ListedTags())) {
      if (TResultOf<bool> read = ReadTags(fd, info, snapshot.Value(), fileName, tags); !read) {
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
    if (taken.Change.WriteTags && mode_ == TPassMode::DryRun) snapshot = ReadTagSnapshot(fd, info, fileName);
    if (!snapshot) {
      taken.Result = Failed(fileName, snapshot.Failure());
      return;
    }
    if (taken.Change.WriteTags) {
      if (TResult composed = ComposeTags(taken, snapshot.Value(), fd); !composed) {
        taken.Result = Failed(fileName, std::move(composed));
        return;
      }
    }
    if (std::optional<TSongResult> unchanged = LeaveUnchangedTags(taken, snapshot.Value())) {
      taken.Result = std::move(*unchanged);
      return;
    }
    taken.Snapshot = std::move(snapshot.Value());
    taken.Mode = info.st_mode;
    taken.Device = info.st_dev;
  }

  // The tags of the song open as fd, read through the snapshot when a real run took one.
  TResultOf<bool> ReadTags(int fd, const struct stat& info, const TTagSnapshot& snapshot, const std::string& fileName,
                           TID3Info& tags) const {
    if (mode_ == TPassMode::Apply) {
      TSnapshotSource current(snapshot, fd);
      return ReadID3Tags(current, fileName, tags);
    }
    TDescriptorSource current(fd, info.st_size);
    return ReadID3Tags(current, fileName, tags);
  }

  enum class TFlushTo { Recording, Done };
  // The batch recorded before is carried out while the batch prepared is recorded; with Done,
  // the batch prepared is carried out too, and every song changed made durable, so that every song
  // prepared is done (or its result given). A stop meanwhile leaves the batch being recorded to the
  // next flush, which gives its records up.
  void Flush(std::vector<TBatchSong> prepared, TFlushTo to) {
    std::vector<TBatchSong> recorded = ReadyToCarryOut();
    if (!summary_.Stopped) StartRecording(std::move(prepared));
    CarryOutBatch(std::move(recorded));
    if (to == TFlushTo::Done) {
      CarryOutBatch(ReadyToCarryOut());
      (void)MakeHeldDurable();  // a failure is in the songs' reports
    }
  }

  // The batch being recorded, once recorded, with the new files of its rewrites written and made
  // durable in one flush with the songs the batch before changed, which are then reported. Nothing
  // of the batch is changed before that flush, as a failure to flush may stop the pass.
  std::vector<TBatchSong> ReadyToCarryOut() {
    std::vector<TBatchSong> recorded = AwaitRecording();
    if (const TResult durable = MakeHeldDurable(WriteRewritesAhead(recorded)); !durable) {
      for (TBatchSong& song : recorded) {
        if (!song.Composed || !song.Composed->Beside.Written()) continue;
        song.Composed->Beside.Drop();  // its song fails, before its record says it was not changed
        song.WrittenAhead = TResult::Failure(durable.Kind(), song.FileName, durable.Error());
      }
    }
    return recorded;
  }

  // Starts recording the batch, on another thread when there is a journal.
  void StartRecording(std::vector<TBatchSong> prepared) {
    recordingSongs_ = std::move(prepared);
    recordingChanges_.clear();
    if (!hooks_.Journal) return;
    // The snapshots are in the changes for the time of recording, and come back after.
    std::vector<std::string> songPaths;
    for (TBatchSong& song : recordingSongs_) {
      if (song.Result || song.Change.Removal == TRemoval::ForGood) continue;  // nothing to take back
      recordingChanges_.push_back(std::move(song.Recorded));
      songPaths.push_back(song.SongPath);
    }
    if (recordingChanges_.empty()) return;
    recording_ = std::async(std::launch::async, [this, songPaths = std::move(songPaths)] {
      ForeseeTemporaryNames(recordingChanges_, songPaths, folderNames_);
      return hooks_.Journal->RecordBatch(recordingChanges_);
    });
  }

  // The batch being recorded, once recorded; a song whose change could not be recorded gets that
  // as its result.
  std::vector<TBatchSong> AwaitRecording() {
    std::vector<TBatchSong> batch = std::move(recordingSongs_);
    recordingSongs_.clear();
    if (recording_.valid()) {
      TResultOf<std::vector<std::int64_t>> records = recording_.get();
      std::size_t next = 0;
      for (TBatchSong& song : batch) {
        if (song.Result || song.Change.Removal == TRemoval::ForGood) continue;
        if (records) {
          song.Record = records.Value()[next];
        } else {
          song.Result = Failed(song.FileName, kNotRecordedReason, records.Failure());
        }
        KeepRecorded(song, std::move(recordingChanges_[next++]));
      }
    }
    recordingChanges_.clear();
    return batch;
  }

  // Carries out (or foresees) the changes of a batch ready, in order, and reports each song. Each
  // song changed is held back until the flush that makes it durable, and the songs after it with
  // it, so that the reports keep their order: until the next batch's flush, or until a song failed
  // (its answer may stop the pass there).
  void CarryOutBatch(std::vector<TBatchSong> batch) {
    std::vector<std::int64_t> givenUp;  // recorded, never to be made (see CarryOut): given up together
    for (TBatchSong& song : batch) {
      if (CancelAsked()) {
        if (song.Composed) song.Composed->Beside.Drop();  // gone before its record says nothing was made
        if (song.Record != 0) givenUp.push_back(song.Record);
        continue;
      }
      Progress(song.Index);
      TSongResult result;
      if (song.Result) {
        result = std::move(*song.Result);
      } else {
        result = CarryOut(song, mode_, names_, hooks_.Journal);
        if (mode_ == TPassMode::Apply && result.Outcome != TChangeOutcome::Failed) {
          held_.push_back({std::move(result), std::move(song.Locked), song.Device, true});
          continue;
        }
      }
      song.Locked.reset();  // the lock goes as soon as the song is done
      if (!held_.empty() && result.Outcome != TChangeOutcome::Failed) {
        held_.push_back({std::move(result), std::nullopt, song.Device, false});
        continue;
      }
      (void)MakeHeldDurable();  // a failure is in the songs' reports
      Report(result);
    }
    if (!held_.empty()) BatchStepReached(TBatchStep::Changed);
    if (!givenUp.empty()) (void)hooks_.Journal->RecordNoneMade(givenUp);
  }

  // Writes the new file of each rewrite of the batch beside its song, so that carrying the change
  // out only renames it over the song once it is flushed. The record of each song learns the name
  // of its new file, should it not be the one foreseen.
  std::vector<TWrittenInPlace> WriteRewritesAhead(std::vector<TBatchSong>& batch) {
    std::vector<TWrittenInPlace> written;
    if (mode_ != TPassMode::Apply || summary_.Stopped) return written;
    for (TBatchSong& song : batch) {
      if (song.Result || !song.Composed || !song.Locked) continue;
      TNewFileObserver before = SetNewFileObserver([&](const std::string& name) {
        if (song.Record != 0 && name != song.Recorded.TemporaryName) {
          (void)hooks_.Journal->RecordTemporaryName(song.Record, name);
        }
      });
      song.WrittenAhead = WriteComposedBeside(*song.Locked, *song.Composed);
      (void)SetNewFileObserver(std::move(before));
      const TFileBeside& beside = song.Composed->Beside;
      if (beside.Written()) written.push_back({beside.Descriptor(), song.Device, song.FileName});
    }
    if (!written.empty()) BatchStepReached(TBatchStep::Written);
    return written;
  }

  // Makes the songs held durable (their file systems flushed, the folders of new names included)
  // in one flush with the new files written ahead for the batch about to be carried out, then
  // reports them. A failed flush fails the songs held; it is returned, for the new files written
  // ahead.
  TResult MakeHeldDurable(std::vector<TWrittenInPlace> writtenAhead = {}) {
    const std::size_t ahead = writtenAhead.size();
    std::vector<TWrittenInPlace> written = std::move(writtenAhead);
    for (const THeldSong& held : held_) {
      const TSongResult& result = held.Result;
      if (!held.Changed) continue;
      written.push_back({held.Locked ? held.Locked->Descriptor() : -1, held.Device,
                         result.NewFileName.empty() ? result.FileName : result.NewFileName});
    }
    TResult durable = written.empty() ? TResult{} : MakeDurable(written, hooks_.FlushFileSystem);
    if (ahead > 0) BatchStepReached(TBatchStep::Flushed);
    if (written.size() > ahead) BatchStepReached(TBatchStep::FoldersFlushed);
    std::vector<THeldSong> flushed = std::move(held_);
    held_.clear();
    for (THeldSong& song : flushed) {
      song.Locked.reset();  // held until durable
      const std::string& name = song.Result.FileName;
      const bool failed = song.Changed && !durable;
      Report(failed ? Failed(name, TResult::Failure(durable.Kind(), name, durable.Error())) : song.Result);
    }
    return durable;
  }

  void Report(const TSongResult& result) {
    Count(result, summary_);
    if (hooks_.OnResult && hooks_.OnResult(result) == TPassStep::Stop) summary_.Stopped = true;
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
  const TPassMode mode_;
  const TPassHooks& hooks_;
  TPassSummary summary_;
  TPlannedNames names_;
  // Used only by the preparing thread:
  TAhead* ahead_ = nullptr;
  std::vector<TBatchSong> batch_;  // being prepared
  std::size_t tagBytes_ = 0;
  std::size_t batchesHanded_ = 0;
  std::size_t batchLimit_ = BatchSongLimit(0);
  bool settled_ = true;  // every song handed over is done: a lock held elsewhere may be waited for
  struct THeldSong {
    TSongResult Result;
    std::optional<TLockedSong> Locked;
    dev_t Device = 0;
    bool Changed = false;  // else held only to keep the reports in order
  };
  std::vector<THeldSong> held_;             // changed, and the songs after them: reported once durable
  std::vector<TBatchSong> recordingSongs_;  // being recorded, to be carried out next
  std::vector<TFileChange> recordingChanges_;
  TFolderNames folderNames_;  // used by one recording at a time
  std::future<TResultOf<std::vector<std::int64_t>>> recording_;
  std::size_t progressed_ = static_cast<std::size_t>(-1);
};

}  // namespace

TPassSummary RunSongPass(const std::vector<const TSongFile*>& songs, const TSongPlanner& planner, TPassMode mode,
                         const TPassHooks& hooks) {
  return TSongPipeline(songs, planner, mode, hooks).Run();
}

}  // namespace tagwright
