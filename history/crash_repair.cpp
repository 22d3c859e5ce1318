#include "history/crash_repair.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "commands/file_putback.h"
#include "files/new_folders.h"
#include "history/file_judgement.h"
#include "history/history_undo.h"
#include "history/torn_write.h"

namespace tagwright {

namespace {

TResult PutBackFailure(const std::string& path) {
  return TResult::Failure(TFailureKind::Write, path, std::make_error_code(std::errc::io_error));
}

// A song that is not there keeps its record, and any temporary file beside it: a disk not yet
// back, a folder moved away, or a song removed since, it is tried again at the next start.
TResolution ResolveMissing(const TFileChange& change) {
  TResolution resolution;
  resolution.Missing = true;
  resolution.Failure = TResult::Failure(TFailureKind::Open, change.PathBefore,
                                        std::make_error_code(std::errc::no_such_file_or_directory));
  return resolution;
}

// A torn change put back as it was at path, once proved to be this program's own: a rename's new
// name goes (both names lead to the file); a tag gets its old bytes again, verified against the
// whole song as it was before the song counts as repaired. Without proof the song is left alone.
TResult PutBackTorn(TFileChange change, const std::optional<TChangeProof>& proof, const std::string& path,
                    const struct stat& song, bool temporary, TResolution& resolution) {
  if (!change.TagWritten) {
    return RemoveName(change.PathAfter);
  }
  const TTornWrite torn = proof ? JudgeTorn(change, *proof, path, song, temporary) : TTornWrite{};
  switch (torn.Kind) {
    case TTornKind::NotProven: resolution.Outcome = TResolved::LeftAlone; return {};
    case TTornKind::FromCopy: {
      // A rewrite in place kept the whole song beside it before it began.
      TResult restored = PutBackWholeCopy(change.TemporaryName, path);
      if (restored && !SameBytes(path, change.TemporaryName)) restored = PutBackFailure(path);
      return restored;
    }
    case TTornKind::Tags: break;
  }
  TResult restored = PutBackOldTags(path, torn.HeadSize, change);
  if (restored && !VerifiedAsBefore(path, change, *proof)) restored = PutBackFailure(path);
  return restored;
}

// Settles the file found at resolution.Path: made, not made, put back, or left alone.
TResult SettleFound(const TFileChange& change, const std::optional<TChangeProof>& proof, const TJudgement& judged,
                    bool temporary, TResolution& resolution) {
  std::string& path = resolution.Path;
  switch (judged.Found) {
    case TFound::After:
      // Finished: it keeps its new bytes, and gets the new name it was to have, if that is still free.
      if (path != change.PathAfter && OldNameFree(path, change.PathAfter) && MoveSong(path, change.PathAfter)) {
        path = change.PathAfter;
        resolution.Acted = true;
      }
      resolution.Outcome = TResolved::Made;
      return {};
    case TFound::Before: resolution.Outcome = TResolved::NotMade; return {};
    case TFound::Torn:
    case TFound::Missing: break;
  }
  if (TResult put = PutBackTorn(change, proof, path, judged.At.Info, temporary, resolution); !put) return put;
  if (resolution.Outcome == TResolved::LeftAlone) return {};
  resolution.Acted = true;
  resolution.Outcome = TResolved::PutBack;
  return {};
}

// A file not changed after all gets its old permission bits and name back.
TResult ReturnToBefore(const TFileChange& change, const struct stat& song, TResolution& resolution) {
  if ((song.st_mode & 07777) != change.ModeBefore) {
    if (TResult mode = PutBackMode(resolution.Path, change.ModeBefore); !mode) return mode;
    resolution.Acted = true;
  }
  if (resolution.Path != change.PathBefore) {
    if (TResult renamed = MoveSong(resolution.Path, change.PathBefore); !renamed) return renamed;
    resolution.Path = change.PathBefore;
    resolution.Acted = true;
  }
  return {};
}

TResolution Unresolved(TResult failure) {
  TResolution resolution;
  resolution.Failure = std::move(failure);
  return resolution;
}

}  // namespace

TResolution Resolve(const TFileChange& change, const std::optional<TChangeProof>& proof) {
  TResultOf<TJudgement> judged = Judge(change);
  if (!judged) return Unresolved(judged.Failure());
  if (judged.Value().Found == TFound::Missing) return ResolveMissing(change);
  TResolution resolution;
  resolution.Path = judged.Value().Path;
  const struct stat& song = judged.Value().At.Info;
  const bool temporary = OwnTemporaryFile(change, resolution.Path, song);
  TResult settled = SettleFound(change, proof, judged.Value(), temporary, resolution);
  // Someone else's song keeps whatever it holds, and a copy beside it stays for the user.
  if (settled && resolution.Outcome == TResolved::LeftAlone) return resolution;
  if (settled && resolution.Outcome != TResolved::Made) settled = ReturnToBefore(change, song, resolution);
  if (!settled) return Unresolved(settled);
  // The song is whole now: the temporary file beside it is no copy of anything needed.
  if (temporary) {
    if (TResult removed = RemoveName(change.TemporaryName); !removed) return Unresolved(std::move(removed));
    resolution.Acted = true;
  }
  // Folders made for a new name the song does not have, or left behind by one it has, go when empty.
  RemoveEmptyFolders(resolution.Outcome == TResolved::Made ? change.FoldersEmptied : change.FoldersMade);
  return resolution;
}

TResult MarkResolved(THistory& history, const TStoredChange& stored, const TResolution& resolution) {
  switch (resolution.Outcome) {
    case TResolved::NotMade:
    case TResolved::PutBack: return history.MarkRolledBack(stored.Record);
    case TResolved::Made: return history.MarkRecordDone(stored.Record, resolution.Path, stored.Change.After);
    case TResolved::LeftAlone: return history.MarkRecordLeftAlone(stored.Record);
    case TResolved::Unresolved: return {};
  }
  return {};
}

namespace {

// What the repair of an entry's records came to.
struct TEntryRepair {
  bool AnyMade = false;     // a change of the entry stands
  bool Unresolved = false;  // a change is left for the next start
};

// Repairs one record of an interrupted entry.
TResult RepairRecord(THistory& history, const TStoredChange& stored, TRepairReport& report, TEntryRepair& entry) {
  using TState = TStoredChange::TState;
  if (stored.State == TState::Done || stored.State == TState::Damaged) entry.AnyMade = true;
  if (stored.State != TState::Planned) return {};
  if (stored.Damaged) {
    // Nothing of a damaged record is written back: the song stays as it is.
    report.Problems.push_back(DamagedRecordReason(stored.Change.PathBefore));
    entry.AnyMade = true;
    return history.MarkRecordDamaged(stored.Record);
  }
  TResultOf<std::optional<TChangeProof>> proof = history.Proof(stored.Record);
  if (!proof) return proof.Failure();
  const TResolution resolution = Resolve(stored.Change, proof.Value());
  if (resolution.Outcome == TResolved::Unresolved) {
    // Tried again at the next start, with the record and any temporary file kept until then.
    if (resolution.Missing) {
      report.Notes.push_back(MissingKeptReason(stored.Change.PathBefore));
    } else {
      report.Problems.push_back(resolution.Failure.DescribeWithError() + "; " + kRepairRetriedReason);
    }
    entry.Unresolved = true;
    return {};
  }
  if (resolution.Outcome == TResolved::LeftAlone) report.Problems.push_back(resolution.Path + ": " + kLeftAloneReason);
  if (resolution.Acted) ++report.Repaired;
  if (resolution.Outcome == TResolved::Made || resolution.Outcome == TResolved::LeftAlone) entry.AnyMade = true;
  return MarkResolved(history, stored, resolution);
}

// Repairs the records of an interrupted entry, newest first, and closes it: dropped when none of
// its changes stands, else finished.
TResult RepairEntry(THistory& history, const THistoryEntry& entry, TRepairReport& report) {
  TResultOf<std::vector<std::int64_t>> records = history.Records(entry.Id);
  if (!records) return records.Failure();
  TEntryRepair repair;
  for (auto record = records.Value().rbegin(); record != records.Value().rend(); ++record) {
    TResultOf<TStoredChange> loaded = history.Change(*record);
    if (!loaded) return loaded.Failure();
    if (TResult repaired = RepairRecord(history, loaded.Value(), report, repair); !repaired) return repaired;
  }
  if (repair.Unresolved) return {};
  if (!repair.AnyMade) return history.DeleteEntry(entry.Id);
  if (TResult marked = history.MarkDone(entry.Id); !marked) return marked;
  // An undo cut short has still taken part of its entry back; undoing the undo puts that part again,
  // and a plain undo (or redo) takes back the rest.
  if (entry.Undoes != 0) return history.MarkUndone(entry.Undoes, entry.Id, TUndoReach::CutShort);
  return {};
}

}  // namespace

TResultOf<TRepairReport> RepairInterrupted(THistory& history) {
  TResultOf<std::vector<THistoryEntry>> interrupted = history.Interrupted();
  if (!interrupted) return interrupted.Failure();
  TRepairReport report;
  for (const THistoryEntry& entry : interrupted.Value()) {
    if (TResult repaired = RepairEntry(history, entry, report); !repaired) return repaired;
  }
  return report;
}

namespace {

// The copy of the song a rewrite made beside it before its change, when it is still there.
std::string KeptCopyOf(const TFileChange& change) {
  struct stat copy {};
  if (change.TemporaryName.empty() || ::lstat(change.TemporaryName.c_str(), &copy) != 0 || !S_ISREG(copy.st_mode)) {
    return {};
  }
  return change.TemporaryName;
}

}  // namespace

TResultOf<std::optional<std::vector<TLetGo>>> LetGoOfInterrupted(THistory& history, std::int64_t entry) {
  using TFound = std::optional<std::vector<TLetGo>>;
  TResultOf<std::vector<THistoryEntry>> interrupted = history.Interrupted();
  if (!interrupted) return interrupted.Failure();
  const auto found = std::find_if(interrupted.Value().begin(), interrupted.Value().end(),
                                  [entry](const THistoryEntry& candidate) { return candidate.Id == entry; });
  if (found == interrupted.Value().end()) return TFound();
  TResultOf<std::vector<std::int64_t>> records = history.Records(entry);
  if (!records) return records.Failure();
  std::vector<TLetGo> letGo;
  for (const std::int64_t record : records.Value()) {
    TResultOf<TStoredChange> loaded = history.Change(record);
    if (!loaded) return loaded.Failure();
    if (loaded.Value().State != TStoredChange::TState::Planned) continue;
    if (TResult marked = history.MarkRecordLeftAlone(record); !marked) return marked;
    letGo.push_back({loaded.Value().Change.PathBefore, KeptCopyOf(loaded.Value().Change)});
  }
  if (TResult marked = history.MarkDone(entry); !marked) return marked;
  if (found->Undoes != 0) {
    if (TResult marked = history.MarkUndone(found->Undoes, entry); !marked) return marked;
  }
  return TFound(std::move(letGo));
}

std::string DamagedRecordReason(const std::string& file) { return "the history's record of " + file + " is damaged"; }

std::string MissingKeptReason(const std::string& file) {
  return file + " is missing; its interrupted change is kept until it is back";
}

std::string RepairMessage(std::size_t repaired) {
  return "repaired " + std::to_string(repaired) + " file(s) after an interrupted write";
}

}  // namespace tagwright
