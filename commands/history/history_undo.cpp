#include "commands/history/history_undo.h"

#include <algorithm>
#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

#include "files/file_access.h"
#include "text/ascii_text.h"

namespace tagwright {

namespace {

bool Exists(const std::string& path, struct stat& info) { return ::lstat(path.c_str(), &info) == 0; }

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Whether the old name is free for the file at path to go back to (the name it has, or another
// spelling of it on a file system that ignores case, counts as free).
bool OldNameFree(const std::string& path, const std::string& oldPath) {
  if (path == oldPath) return true;
  struct stat old {};
  if (!Exists(oldPath, old)) return true;
  struct stat now {};
  return EqualsIgnoringAsciiCase(path, oldPath) && Exists(path, now) && SameFile(now, old);
}

TResult SetMode(const std::string& path, mode_t mode) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return TResult::FromErrno(TFailureKind::Open, path);
  if ((info.st_mode & 07777) == mode) return {};
  if (::chmod(path.c_str(), mode) != 0) return TResult::FromErrno(TFailureKind::Write, path);
  return {};
}

// Puts a file whose change was never finished back as it was before: removes the rewrite's
// temporary file, gives back the old tag bytes, permission bits and name. The value says whether
// anything had to be done.
TResultOf<bool> RollBack(const TFileChange& change) {
  bool repaired = false;
  struct stat song {};
  std::string path = change.PathBefore;
  if (!Exists(path, song) && !Exists(path = change.PathAfter, song)) {
    return TResult::Failure(TFailureKind::Open, change.PathBefore,
                            std::make_error_code(std::errc::no_such_file_or_directory));
  }
  struct stat temporary {};
  // Only a file made after the record can be the rewrite's: an older one of that name is someone else's.
  if (!change.TemporaryName.empty() && Exists(change.TemporaryName, temporary) && S_ISREG(temporary.st_mode) &&
      !SameFile(temporary, song) && ModifiedNs(temporary) >= change.RecordedNs - std::int64_t{2'000'000'000}) {
    if (::unlink(change.TemporaryName.c_str()) != 0)
      return TResult::FromErrno(TFailureKind::Delete, change.TemporaryName);
    repaired = true;
  }
  if (change.TagWritten) {
    const TTagSnapshot& old = change.Before;
    TResultOf<TTagSnapshot> now = ReadTagSnapshotAround(path, old.MiddleSize, old.Whole);
    // A tag torn while written in place may not tell its size: it had the old one.
    const std::int64_t headSize =
        now ? static_cast<std::int64_t>(now.Value().Head.size()) : static_cast<std::int64_t>(old.Head.size());
    if (!now || now.Value().Head != old.Head || now.Value().Tail != old.Tail) {
      if (TResult restored = RestoreTagSnapshot(path, headSize, old.MiddleSize, old.Head, old.Tail); !restored) {
        return restored;
      }
      repaired = true;
    }
  }
  if ((song.st_mode & 07777) != change.ModeBefore) {
    if (TResult mode = SetMode(path, change.ModeBefore); !mode) return mode;
    repaired = true;
  }
  if (path != change.PathBefore) {
    if (TResult renamed = RenameWithoutReplacing(path, change.PathBefore); !renamed) return renamed;
    repaired = true;
  }
  return repaired;
}

std::string Describe(const TResult& failure) {
  if (!failure.Error()) return failure.Describe();
  return failure.Describe() + " (" + failure.Error().message() + ")";
}

}  // namespace

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

TResultOf<TUndoReport> UndoEntry(THistory& history, std::int64_t entry, TProgram program, const std::string& command,
                                 bool dryRun) {
  TResultOf<std::vector<TStoredChange>> changes = history.Changes(entry);
  if (!changes) return changes.Failure();
  TUndoReport report;
  report.Entry = entry;
  std::unique_ptr<THistoryRecorder> recorder = history.StartEntry(program, command, entry);
  bool unrecorded = false;
  for (auto stored = changes.Value().rbegin(); stored != changes.Value().rend(); ++stored) {
    if (stored->State == TStoredChange::TState::RolledBack) continue;
    const TFileChange& change = stored->Change;
    TUndoFile file;
    file.File = change.PathAfter;
    const bool renamed = change.PathAfter != change.PathBefore;
    struct stat info {};
    if (unrecorded) {
      file.Reason = kUndoNotRecordedReason;
    } else if (stored->State == TStoredChange::TState::Planned) {
      // Never finished: judged from the file itself, as after a crash.
      if (!dryRun) {
        TResultOf<bool> rolledBack = RollBack(change);
        if (!rolledBack) {
          file.Reason = Describe(rolledBack.Failure());
          file.Failure = rolledBack.Failure();
        } else {
          (void)history.MarkRolledBack(stored->Record);  // rolled back already; a second time changes nothing
        }
      }
      if (file.Reason.empty()) file.Action = change.TagWritten ? TUndoAction::Restored : TUndoAction::RenamedBack;
    } else if (!Exists(change.PathAfter, info)) {
      file.Reason = kMissingReason;
    } else if (!StillAsAfter(change.PathAfter, change)) {
      file.Reason = kChangedSinceReason;
    } else if (renamed && !OldNameFree(change.PathAfter, change.PathBefore)) {
      file.Reason = kOldNameTakenReason;
    } else {
      file.Action = change.TagWritten ? TUndoAction::Restored : TUndoAction::RenamedBack;
      if (renamed) file.NewFile = change.PathBefore;
      if (!dryRun) {
        // The undo is recorded like any change: the bytes it replaces are the ones the entry wrote.
        TResultOf<TFileChange> before = CaptureBefore(change.PathAfter, change.PathBefore, change.TagWritten);
        TResultOf<TTagSnapshot> now =
            ReadTagSnapshotAround(change.PathAfter, change.Before.MiddleSize, change.Before.Whole);
        TChangeRecording recording(recorder.get());
        TResult step = !before ? before.Failure() : !now ? now.Failure() : TResult();
        if (step) {
          TFileChange undo = std::move(before.Value());
          undo.TagWritten = change.TagWritten;
          undo.Before = now.Value();
          undo.Before.Size = info.st_size;
          if (!change.TagWritten) {
            undo.Before.Head.clear();
            undo.Before.Tail.clear();
          }
          if (TResult recorded = recording.Begin(std::move(undo)); !recorded) {
            unrecorded = true;
            file.Reason = kUndoNotRecordedReason;
            file.Failure = recorded;
          }
        }
        std::string at = change.PathAfter;
        if (step && file.Reason.empty() && change.TagWritten) {
          step = RestoreTagSnapshot(at, static_cast<std::int64_t>(now.Value().Head.size()), change.Before.MiddleSize,
                                    change.Before.Head, change.Before.Tail);
        }
        if (step && file.Reason.empty()) step = SetMode(at, change.ModeBefore);
        if (step && file.Reason.empty() && renamed) {
          step = RenameWithoutReplacing(at, change.PathBefore);
          if (step) at = change.PathBefore;
        }
        if (file.Reason.empty() && !step) {
          file.Reason = Describe(step);
          file.Failure = step;
        }
        recording.Finish(at);
      }
    }
    if (!file.Reason.empty()) {
      file.Action = TUndoAction::Skipped;
      file.NewFile.clear();
    }
    report.Files.push_back(std::move(file));
  }
  if (!dryRun) {
    if (TResult finished = recorder->Finish(); !finished) return finished;
    report.UndoEntry = recorder->Entry();
  }
  return report;
}

TResultOf<TRepairReport> RepairInterrupted(THistory& history) {
  TResultOf<std::vector<THistoryEntry>> interrupted = history.Interrupted();
  if (!interrupted) return interrupted.Failure();
  TRepairReport report;
  for (const THistoryEntry& entry : interrupted.Value()) {
    TResultOf<std::vector<TStoredChange>> changes = history.Changes(entry.Id);
    if (!changes) return changes.Failure();
    bool anyDone = false;
    for (auto stored = changes.Value().rbegin(); stored != changes.Value().rend(); ++stored) {
      if (stored->State == TStoredChange::TState::Done) anyDone = true;
      if (stored->State != TStoredChange::TState::Planned) continue;
      TResultOf<bool> rolledBack = RollBack(stored->Change);
      if (!rolledBack) {
        report.Problems.push_back(Describe(rolledBack.Failure()));
        continue;
      }
      if (rolledBack.Value()) ++report.Repaired;
      if (TResult marked = history.MarkRolledBack(stored->Record); !marked) return marked;
    }
    if (!anyDone) {
      if (TResult deleted = history.DeleteEntry(entry.Id); !deleted) return deleted;
      continue;
    }
    if (TResult marked = history.MarkDone(entry.Id); !marked) return marked;
    // An undo cut short has still taken part of its entry back; undoing the undo puts that part again.
    if (entry.Undoes != 0) {
      if (TResult marked = history.MarkUndone(entry.Undoes, entry.Id); !marked) return marked;
    }
  }
  return report;
}

std::string RepairMessage(std::size_t repaired) {
  return "repaired " + std::to_string(repaired) + " file(s) after an interrupted write";
}

}  // namespace tagwright
