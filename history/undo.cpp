// Taking an entry of the history back, one record at a time, newest first.
#include <algorithm>
#include <cerrno>
#include <future>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include "commands/command_session.h"
#include "commands/durable_songs.h"
#include "commands/file_putback.h"
#include "commands/file_restore.h"
#include "files/trash.h"
#include "history/crash_repair.h"
#include "history/file_judgement.h"
#include "history/history_undo.h"
#include "tags/locked_song.h"
#include "tags/tag_snapshot.h"

namespace tagwright {

const char* UndoActionName(TUndoAction action) {
  switch (action) {
    case TUndoAction::Restored: return "restored";
    case TUndoAction::RenamedBack: return "renamed back";
    case TUndoAction::Skipped: return "skipped";
  }
  return "skipped";
}

std::size_t TUndoReport::Skipped() const {
  return static_cast<std::size_t>(std::count_if(
      Files.begin(), Files.end(), [](const TUndoFile& file) { return file.Action == TUndoAction::Skipped; }));
}

namespace {

// An undo under way.
struct TUndoRun {
  THistory& History;
  TChangeEntry* Entry = nullptr;  // the undo's own entry; none in a dry run
  bool DryRun = false;
  bool Unrecorded = false;  // an undo could not be recorded: no further file is touched
  TUndoReport Report;
};

void LeaveAlone(TUndoFile& file, TLeftAlone why, std::string reason) {
  file.LeftAlone = why;
  file.Reason = std::move(reason);
}

bool LeftAlone(const TUndoFile& file) { return file.LeftAlone != TLeftAlone::No; }

// Whether a change made can be taken back now (info then describes the file, and now its head and
// tail); if not, file says why.
bool CanTakeBack(const TFileChange& change, struct stat& info, TTagSnapshot& now, TUndoFile& file) {
  const bool inTrash = !TrashInfoPathOf(change.PathAfter).empty();
  if (!Exists(change.PathAfter, info)) {
    LeaveAlone(file, TLeftAlone::Missing, inTrash ? NotInTrashReason(change.PathBefore) : kMissingReason);
  } else if (!StillAsAfter(change.PathAfter, change, &now)) {
    LeaveAlone(file, TLeftAlone::ChangedSince, kChangedSinceReason);
  } else if (change.PathAfter != change.PathBefore && !OldNameFree(change.PathAfter, change.PathBefore)) {
    LeaveAlone(file, TLeftAlone::OldNameTaken, inTrash ? OldNameTakenReason(change.PathBefore) : kOldNameTakenReason);
  }
  return !LeftAlone(file);
}

// The stretches of the tag now in the file that putting the old tag back in its place leaves there:
// the undo's record keeps them as references to the file after it rather than as bytes of their
// own, as a write's record keeps what a write in place leaves. An undo that rewrites the song keeps
// the whole tag: should it be cut short, the song is judged by its own bytes.
// written: the stretches putting the old tag back writes (BytesPuttingBack).
std::vector<TCopiedFrame> KeptByPuttingBack(const TTagSnapshot& now, std::string_view old,
                                            const std::vector<TNewBytes>& written) {
  std::vector<TCopiedFrame> kept;
  const std::string_view head = now.Head;
  if (now.Whole || head.size() != old.size()) return kept;
  // What lies between the stretches written back is never touched.
  std::size_t at = 0;
  for (const TNewBytes& stretch : written) {
    if (stretch.Offset > at) kept.push_back({at, at, stretch.Offset - at});
    at = stretch.Offset + stretch.Size();
  }
  if (head.size() > at) kept.push_back({at, at, head.size() - at});
  return kept;
}

// The change that takes a change back, recorded ahead with what it will leave: the file as it was
// before the change, under its old name.
TResultOf<TFileChange> UndoChange(const TFileChange& change, std::int64_t record, const TTagSnapshot& now,
                                  const struct stat& info) {
  TResultOf<TFileChange> undo =
      ChangeFromSnapshot(change.PathAfter, change.PathBefore, change.TagWritten, now, info.st_mode);
  ForeseeTemporaryName(undo.Value(), SongPath(change.PathAfter));
  undo.Value().Before.Size = info.st_size;
  undo.Value().UndoesRecord = record;
  undo.Value().FoldersMade = change.FoldersEmptied;
  undo.Value().FoldersEmptied = change.FoldersMade;
  TFileAfter& after = undo.Value().After;
  after.HashForm = THashForm::Framed;
  after.Mode = change.ModeBefore;
  if (change.TagWritten) {
    after.Size = change.Before.Size;
    after.HeadSize = static_cast<std::int64_t>(change.Before.Head.size());
    after.HeadHash = FramedTagHash(change.Before.Head);
    after.Tail = change.Before.Tail;
    // The old tag goes back in place when it has the size of the present one.
    if (!now.Whole) undo.Value().NewBytes = BytesPuttingBack(now.Head, change.Before.Head);
    undo.Value().KeptInAfter = KeptByPuttingBack(now, change.Before.Head, undo.Value().NewBytes);
  } else {
    undo.Value().Before.Head.clear();
    undo.Value().Before.Tail.clear();
    after.Size = info.st_size;
  }
  undo.Value().AfterForeseen = true;
  return undo;
}

void Skip(TUndoFile& file, const TResult& failure) {
  LeaveAlone(file, TLeftAlone::Failed, failure.DescribeWithError());
  file.Failure = failure;
}

// A write that failed for want of room may well succeed once room is made.
bool ForWantOfRoom(const TResult& failure) {
  const std::error_code& error = failure.Error();
  return error == std::errc::no_space_on_device || error == std::errc::file_too_large ||
         error == std::error_code(EDQUOT, std::generic_category());
}

// What settling a change never confirmed leaves for the undo.
enum class TSettled { NothingToRestore, PutBack, Restore };

// A torn write was put back as it was by settling it; a change made is taken back like any other.
TSettled AfterSettling(const TFileChange& change, TUndoFile& file) {
  if (!LeftAlone(file) && !change.Done) {
    file.Action = change.TagWritten ? TUndoAction::Restored : TUndoAction::RenamedBack;
    return TSettled::PutBack;
  }
  return TSettled::Restore;
}

// A dry run only judges the file of a change never confirmed.
TSettled SettleDry(TFileChange& change, TUndoFile& file) {
  TResultOf<TJudgement> judged = Judge(change);
  if (judged && judged.Value().Found == TFound::Before) return TSettled::NothingToRestore;
  if (!judged) {
    Skip(file, judged.Failure());
  } else if (judged.Value().Found == TFound::After) {
    change.Done = true;
    change.PathAfter = judged.Value().Path;
    file.File = change.PathAfter;
  }
  return AfterSettling(change, file);
}

// A change never confirmed is settled from the file itself, as after a crash.
TSettled Settle(THistory& history, const TStoredChange& stored, TFileChange& change, TUndoFile& file) {
  TResultOf<std::optional<TChangeProof>> proof = history.Proof(stored.Record);
  if (!proof) {
    Skip(file, proof.Failure());
    return TSettled::Restore;
  }
  const TResolution resolution = Resolve(change, proof.Value());
  (void)MarkResolved(history, stored, resolution);  // unmarked, it is settled again next time
  if (resolution.Outcome == TResolved::NotMade) return TSettled::NothingToRestore;
  if (resolution.Outcome == TResolved::Unresolved) {
    Skip(file, resolution.Failure);
  } else if (resolution.Outcome == TResolved::LeftAlone) {
    LeaveAlone(file, TLeftAlone::ChangedSince, kLeftAloneReason);
  } else if (resolution.Outcome == TResolved::Made) {
    change.Done = true;
    change.PathAfter = resolution.Path;
    file.File = change.PathAfter;
  }
  return AfterSettling(change, file);
}

// One record of a batch, taken up: what the report says of its file and, when the file is to be
// restored, the change that restores it, recorded ahead with the others of the batch.
struct TUndoStep {
  std::int64_t Record = 0;
  bool Reported = true;  // false: a change never made, which the report leaves out
  TUndoFile File;
  TFileChange Change;                  // the change taken back
  std::optional<TFileChange> Restore;  // the change that takes it back
  std::int64_t HeadSizeNow = 0;
  std::int64_t RestoreRecord = 0;      // the record of Restore, once kept
  dev_t Device = 0;                    // the file system the file is on
  std::optional<TRestoreAhead> Ahead;  // the new file that puts the old tag back, written ahead
};

// Plans the restore of the file on disk: the undo is recorded like any change, ahead of it; the
// bytes it replaces are the ones the entry wrote, and what it will leave is the file as it was.
void PlanRestore(const struct stat& info, const TTagSnapshot& now, TUndoStep& step) {
  TFileChange& change = step.Change;
  // An old tag kept in part by reference is put together from the tag the change left.
  if (!ResolveBeforeHead(change, now.Head)) {
    return LeaveAlone(step.File, TLeftAlone::DamagedRecord, DamagedRecordReason(change.PathAfter));
  }
  TResultOf<TFileChange> undo = UndoChange(change, step.Record, now, info);
  if (!undo) return Skip(step.File, undo.Failure());
  step.HeadSizeNow = static_cast<std::int64_t>(now.Head.size());
  step.Restore = std::move(undo.Value());
}

// Takes one record up into step: judges its file and plans its restore, or says in step.File why
// it is left alone; a failure when the record cannot be read.
TResult TakeUpRecord(TUndoRun& run, std::int64_t record, TUndoStep& step) {
  using TState = TStoredChange::TState;
  TResultOf<TStoredChange> loaded = run.History.Change(record);
  if (!loaded) return loaded.Failure();
  const TStoredChange& stored = loaded.Value();
  step.Record = stored.Record;
  if (stored.State == TState::RolledBack || stored.Undone) {
    step.Reported = false;
    return {};
  }
  step.Change = stored.Change;
  TFileChange& change = step.Change;
  TUndoFile& file = step.File;
  file.File = change.PathAfter;
  if (stored.Damaged || stored.State == TState::Damaged) {
    LeaveAlone(file, TLeftAlone::DamagedRecord, DamagedRecordReason(change.PathAfter));
  } else if (stored.State == TState::LeftAlone) {
    LeaveAlone(file, TLeftAlone::ChangedSince, kLeftAloneReason);
  } else if (run.Unrecorded) {
    LeaveAlone(file, TLeftAlone::NotRecorded, kUndoNotRecordedReason);
  } else if (stored.State == TState::Planned) {
    const TSettled settled = run.DryRun ? SettleDry(change, file) : Settle(run.History, stored, change, file);
    step.Reported = settled != TSettled::NothingToRestore;
    if (settled != TSettled::Restore) return {};
  }
  struct stat info {};
  TTagSnapshot now;
  if (LeftAlone(file) || !CanTakeBack(change, info, now, file)) return {};
  file.Action = change.TagWritten ? TUndoAction::Restored : TUndoAction::RenamedBack;
  if (change.PathAfter != change.PathBefore) file.NewFile = change.PathBefore;
  step.Device = info.st_dev;
  if (!run.DryRun) PlanRestore(info, now, step);
  return {};
}

// The restores of a batch, recorded ahead of them in one go (on another thread, while the batch
// before is carried out), given back to their steps once recorded; when they cannot be recorded,
// none of their files is touched, nor any after them.
class TRestoresRecording {
 public:
  ~TRestoresRecording() {
    if (records_.valid()) records_.wait();  // the thread uses the restores taken
  }

  void Start(TUndoRun& run, std::vector<TUndoStep>& batch) {
    if (run.Entry == nullptr) return;  // a dry run restores nothing
    for (TUndoStep& step : batch) {
      if (step.Restore) restores_.push_back(std::move(*step.Restore));
    }
    if (restores_.empty()) return;
    records_ = std::async(std::launch::async, [entry = run.Entry, this] { return entry->RecordBatch(restores_); });
  }

  void Finish(TUndoRun& run, std::vector<TUndoStep>& batch) {
    if (!records_.valid()) return;
    const TResultOf<std::vector<std::int64_t>> records = records_.get();
    std::size_t next = 0;
    for (TUndoStep& step : batch) {
      if (!step.Restore) continue;
      if (records) {
        step.RestoreRecord = records.Value()[next];
        step.Restore = std::move(restores_[next]);
      } else {
        step.Restore.reset();
        LeaveAlone(step.File, TLeftAlone::NotRecorded, kUndoNotRecordedReason);
        step.File.Failure = records.Failure();
        run.Unrecorded = true;
      }
      ++next;
    }
    restores_.clear();
  }

 private:
  std::vector<TFileChange> restores_;
  std::future<TResultOf<std::vector<std::int64_t>>> records_;
};

// Restores the file of a step (its restore recorded ahead) and puts it in the report.
void CarryOutStep(TUndoRun& run, TUndoStep& step) {
  TUndoFile& file = step.File;
  if (step.Restore) {
    const TRestoreResult restored = RestoreFile(run.Entry, step.RestoreRecord, std::move(*step.Restore), step.Change,
                                                step.HeadSizeNow, step.Ahead ? &*step.Ahead : nullptr);
    if (!restored.Failure) Skip(file, restored.Failure);
  }
  if (LeftAlone(file)) {
    file.Action = TUndoAction::Skipped;
    file.NewFile.clear();
    if (!file.Failure && ForWantOfRoom(file.Failure)) run.Report.Reach = TUndoReach::CutShort;
  }
  if (step.Reported) run.Report.Files.push_back(std::move(file));
}

// Makes the files a batch put back (their places in the report, and their file systems) durable,
// one flush for each file system, before the undo reports them: should the flush fail, they may
// not survive a power cut, and are reported as failed. The flush runs on another thread while the
// next batch is taken up, and ends before that batch touches any file.
class TPutBackFlush {
 public:
  using TPutBack = std::vector<std::pair<std::size_t, dev_t>>;  // places in the report, file systems

  void Start(TUndoRun& run, TPutBack putBack, TFlushFileSystem flush) {
    Finish(run);
    if (putBack.empty()) return;
    std::vector<TWrittenInPlace> files;
    files.reserve(putBack.size());
    for (const auto& [index, device] : putBack) files.push_back({-1, device, NameOf(run.Report.Files[index])});
    putBack_ = std::move(putBack);
    durable_.Start(std::move(files), flush);
  }

  // The files of the flush under way, once it is done, reported as durable or failed.
  void Finish(TUndoRun& run) {
    if (!durable_.Running()) return;
    const TResult durable = durable_.Finish();
    TPutBack putBack = std::move(putBack_);
    putBack_.clear();
    if (durable) return;
    for (const auto& [index, device] : putBack) {
      TUndoFile& file = run.Report.Files[index];
      Skip(file, TResult::Failure(durable.Kind(), NameOf(file), durable.Error()));
      file.Action = TUndoAction::Skipped;
      file.NewFile.clear();
    }
  }

 private:
  static std::string NameOf(const TUndoFile& file) { return file.NewFile.empty() ? file.File : file.NewFile; }

  TPutBack putBack_;
  TDurableUnderWay durable_;
};

// Writes beside their files the new files of the batch's restores that put back a tag of another
// size, and flushes them together, so that each restore then only renames one over its file. A
// restore whose new file could not be written ahead, or flushed, goes its own way, file by file.
void WriteRestoresAhead(TUndoRun& run, std::vector<TUndoStep>& batch, TFlushFileSystem flush) {
  if (run.DryRun) return;
  std::vector<TWrittenInPlace> written;
  for (TUndoStep& step : batch) {
    if (!step.Restore || step.RestoreRecord == 0 || !step.Change.TagWritten || !step.Change.BeforeRecipe.empty()) {
      continue;
    }
    TNewFileObserver before = SetNewFileObserver([&](const std::string& name) {
      if (name != step.Restore->TemporaryName) (void)run.Entry->RecordTemporaryName(step.RestoreRecord, name);
    });
    TResultOf<TRestoreAhead> ahead = WritePutBackAhead(step.Change.PathAfter, step.HeadSizeNow, step.Change);
    (void)SetNewFileObserver(std::move(before));
    if (!ahead || !ahead.Value().File.Written()) continue;
    written.push_back({ahead.Value().File.Descriptor(), step.Device, step.Change.PathAfter});
    step.Ahead = std::move(ahead.Value());
  }
  if (written.empty() || MakeDurable(written, flush)) return;
  for (TUndoStep& step : batch) step.Ahead.reset();
}

// Records taken up together: their restores are recorded in one commit of the history before any
// of their files is touched. How many a batch takes is BatchSongLimit's; the tags they hold are
// bounded too.
constexpr std::size_t kMaxBatchTagBytes = std::size_t{32} << 20;

std::size_t TagBytesOf(const TUndoStep& step) {
  return step.Change.Before.Head.size() + (step.Restore ? step.Restore->Before.Head.size() : 0);
}

// Carries out the restores of a batch recorded, in order, once the files the batch before put back
// are durable, then starts making its own durable; the restores not reached when the undo stops
// are given up.
void CarryOutBatch(TUndoRun& run, std::vector<TUndoStep>& batch, std::size_t records, const TUndoHooks& hooks,
                   TPutBackFlush& flushing) {
  flushing.Finish(run);
  WriteRestoresAhead(run, batch, hooks.FlushFileSystem);
  std::vector<std::int64_t> givenUp;
  TPutBackFlush::TPutBack putBack;
  for (TUndoStep& step : batch) {
    if (!run.Report.Cancelled && hooks.CancelRequested && hooks.CancelRequested()) run.Report.Cancelled = true;
    if (run.Report.Cancelled) {
      step.Ahead.reset();  // gone before its record says nothing was done
      if (step.RestoreRecord != 0) givenUp.push_back(step.RestoreRecord);
      continue;
    }
    if (hooks.OnProgress) hooks.OnProgress(run.Report.RecordsGone, records);
    CarryOutStep(run, step);
    ++run.Report.RecordsGone;
    if (step.Reported && !run.DryRun && run.Report.Files.back().Action != TUndoAction::Skipped) {
      putBack.emplace_back(run.Report.Files.size() - 1, step.Device);
    }
  }
  flushing.Start(run, std::move(putBack), hooks.FlushFileSystem);
  if (!givenUp.empty()) (void)run.Entry->RecordNoneMade(givenUp);
  batch.clear();
}

// Takes the records back newest first, batch by batch, asking between two files whether to stop;
// unread tells of a record that could not be read, which ends the undo there. A batch is taken up
// while nothing is being recorded, and recorded while the batch before it is carried out.
void UndoRecords(TUndoRun& run, const std::vector<std::int64_t>& records, const TUndoHooks& hooks, TResult& unread) {
  run.Report.Records = records.size();
  auto record = records.rbegin();
  std::vector<TUndoStep> recorded;  // to be carried out next
  TPutBackFlush flushing;
  std::size_t batches = 0;
  while (unread && record != records.rend() && !run.Report.Cancelled) {
    std::vector<TUndoStep> batch;
    std::size_t tagBytes = 0;
    const std::size_t limit = BatchSongLimit(batches++);
    for (; record != records.rend() && batch.size() < limit && tagBytes < kMaxBatchTagBytes; ++record) {
      TUndoStep step;
      unread = TakeUpRecord(run, *record, step);
      if (!unread) break;
      tagBytes += TagBytesOf(step);
      batch.push_back(std::move(step));
    }
    TRestoresRecording recording;
    recording.Start(run, batch);
    CarryOutBatch(run, recorded, records.size(), hooks, flushing);
    recording.Finish(run, batch);
    recorded = std::move(batch);
  }
  CarryOutBatch(run, recorded, records.size(), hooks, flushing);
  flushing.Finish(run);
  if (hooks.OnProgress && unread && !run.Report.Cancelled) hooks.OnProgress(records.size(), records.size());
}

}  // namespace

TResultOf<TUndoReport> UndoEntry(THistory& history, std::int64_t entry, TProgram program, const std::string& command,
                                 TPassMode mode, const TUndoHooks& hooks) {
  // The records are read one at a time, newest first, so that an entry of any size is undone in
  // little memory.
  TResultOf<std::vector<std::int64_t>> records = history.Records(entry);
  if (!records) return records.Failure();
  THistoryEntries entries(history, program);
  TUndoRun run{history, nullptr, mode == TPassMode::DryRun, false, {}};
  run.Report.Entry = entry;
  TResult unread;
  const TEntryEnd end =
      RunInEntry(mode == TPassMode::DryRun ? nullptr : &entries, {command, entry}, [&](TChangeEntry* undo) {
        run.Entry = undo;
        UndoRecords(run, records.Value(), hooks, unread);
        if (run.Unrecorded || !unread || run.Report.Cancelled) run.Report.Reach = TUndoReach::CutShort;
        if (undo != nullptr && run.Report.Reach == TUndoReach::CutShort) undo->MarkCutShort();
      });
  if (!end.Finished) return end.Finished;
  run.Report.UndoEntry = end.Entry;
  if (!unread) return unread;  // what was taken back until then is an entry of its own
  return std::move(run.Report);
}

std::string NotInTrashReason(const std::string& oldName) {
  return "it is no longer in the trash, so " + oldName + " cannot come back";
}

std::string OldNameTakenReason(const std::string& oldName) {
  return "its old name " + oldName + " is taken by another file";
}

}  // namespace tagwright
