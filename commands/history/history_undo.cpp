#include "commands/history/history_undo.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "commands/history/head_recipe.h"
#include "files/file_access.h"
#include "files/paths.h"
#include "tags/locked_song.h"
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

// Whether head is the tag the change's record keeps as the one before: byte for byte, or by its
// size and hash when the record keeps part of it by reference to the file after the change.
bool HeadAsBefore(std::string_view head, const TFileChange& change) {
  if (change.BeforeRecipe.empty()) return head == change.Before.Head;
  return static_cast<std::int64_t>(head.size()) == change.BeforeHeadSize &&
         FramedTagHash(head) == change.BeforeHeadHash;
}

// Whether the file at path holds the size, tag and trailer the record keeps as before the change.
bool StillAsBeforeRecord(const std::string& path, const TFileChange& change) {
  if (change.BeforeRecipe.empty()) return StillAsBefore(path, change.Before);
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size != change.Before.Size) return false;
  TResultOf<TTagSnapshot> now = ReadTagSnapshotAround(path, change.Before.MiddleSize, change.Before.Whole);
  return now && HeadAsBefore(now.Value().Head, change) && now.Value().Tail == change.Before.Tail;
}

// Puts the old tag of a record that keeps part of it by reference together from the tag of the file
// now (as the change left it, or torn by a write in place, which never touches the bytes referred
// to); false when it does not come out as the record's hash says, and nothing may be written back.
bool ResolveBeforeHead(TFileChange& change, std::string_view headNow) {
  if (change.BeforeRecipe.empty()) return true;
  std::optional<std::string> head = DecodeRecipeAfter(change.BeforeRecipe, headNow);
  if (!head || !HeadAsBefore(*head, change)) return false;
  change.Before.Head = std::move(*head);
  change.BeforeRecipe.clear();
  return true;
}

// The same from the first headSize bytes of the file at path.
TResult ResolveBeforeHeadFrom(TFileChange& change, const std::string& path, std::int64_t headSize) {
  if (change.BeforeRecipe.empty()) return {};
  const int fd = ::open(SongPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return TResult::FromErrno(TFailureKind::Read, path);
  std::string head(static_cast<std::size_t>(headSize), '\0');
  std::size_t done = 0;
  while (done < head.size()) {
    const ssize_t got = ::pread(fd, head.data() + done, head.size() - done, static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  ::close(fd);
  if (done != head.size() || !ResolveBeforeHead(change, head)) {
    return TResult::Failure(TFailureKind::Read, path, std::make_error_code(std::errc::illegal_byte_sequence));
  }
  return {};
}

// What became of the file of a change that was never confirmed, judged from its bytes alone.
enum class TFound { Before, After, Torn, Missing };

struct TLook {
  bool Exists = false;
  struct stat Info {};
  bool AsBefore = false;
  bool AsAfter = false;
};

// The file at path as the change sees it; a failure when it is there but cannot be read.
TResultOf<TLook> Look(const std::string& path, const TFileChange& change) {
  TLook look;
  if (::stat(path.c_str(), &look.Info) != 0) {
    if (errno == ENOENT) return look;
    return TResult::FromErrno(TFailureKind::Open, path);
  }
  look.Exists = true;
  if (!S_ISREG(look.Info.st_mode)) return look;
  if (!change.TagWritten) {
    // A rename keeps the bytes: where the file is tells.
    look.AsBefore = path == change.PathBefore;
    look.AsAfter = path == change.PathAfter;
    return look;
  }
  TResultOf<TTagSnapshot> now = ReadTagSnapshotAround(path, change.Before.MiddleSize, change.Before.Whole);
  if (!now) {
    if (now.Failure().Error() == std::errc::invalid_argument) return look;  // too short for its middle: torn
    return now.Failure();
  }
  const TTagSnapshot& bytes = now.Value();
  look.AsBefore =
      look.Info.st_size == change.Before.Size && bytes.Tail == change.Before.Tail && HeadAsBefore(bytes.Head, change);
  const TFileAfter& after = change.After;
  look.AsAfter = (change.Done || change.AfterForeseen) && look.Info.st_size == after.Size &&
                 static_cast<std::int64_t>(bytes.Head.size()) == after.HeadSize && bytes.Tail == after.Tail &&
                 HashTagBytes(bytes.Head, after.HashForm) == after.HeadHash;
  return look;
}

struct TJudgement {
  TFound Found = TFound::Missing;
  std::string Path;  // where the file is
  TLook At;
};

// Where the file of the change is and in which state: as before, as after (perhaps not yet under
// its new name), or neither (a write torn); a failure when it cannot be looked at.
TResultOf<TJudgement> Judge(const TFileChange& change) {
  TResultOf<TLook> before = Look(change.PathBefore, change);
  if (!before) return before.Failure();
  TLook after;
  const bool renamed = change.PathAfter != change.PathBefore;
  if (renamed) {
    TResultOf<TLook> looked = Look(change.PathAfter, change);
    if (!looked) return looked.Failure();
    after = looked.Value();
  }
  TJudgement judged;
  const TLook& old = before.Value();
  if (!change.TagWritten && renamed && old.Exists && after.Exists && SameFile(old.Info, after.Info)) {
    judged = {TFound::Torn, change.PathBefore, old};  // a rename between its two steps
  } else if (renamed && after.Exists && after.AsAfter && (change.TagWritten || !old.Exists)) {
    judged = {TFound::After, change.PathAfter, after};
  } else if (old.Exists && old.AsBefore) {
    judged = {TFound::Before, change.PathBefore, old};
  } else if (old.Exists && old.AsAfter) {
    judged = {TFound::After, change.PathBefore, old};
  } else if (old.Exists) {
    judged = {TFound::Torn, change.PathBefore, old};
  } else if (renamed && after.Exists) {
    judged = {TFound::Torn, change.PathAfter, after};
  }
  return judged;
}

// Whether name is the temporary file a rewrite of the song at songPath made for this change: the
// name recorded, "song~" or "song~N" beside it, a regular file other than the song, made after
// the record (an older one of that name is someone else's).
bool OwnTemporaryFile(const TFileChange& change, const std::string& songPath, const struct stat& song) {
  const std::string& name = change.TemporaryName;
  if (name.empty()) return false;
  const auto besideSong = [&name](const std::string& path) {
    if (path.empty() || !name.starts_with(path + "~")) return false;
    const std::string_view number = std::string_view(name).substr(path.size() + 1);
    return std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (!besideSong(change.PathBefore) && !besideSong(change.PathAfter) && !besideSong(SongPath(songPath))) return false;
  struct stat temporary {};
  return ::lstat(name.c_str(), &temporary) == 0 && S_ISREG(temporary.st_mode) && !SameFile(temporary, song) &&
         ModifiedNs(temporary) >= change.RecordedNs - std::int64_t{2'000'000'000};
}

// Writes the whole of the file from into the file to, in place (so that every name of the song
// keeps it), and flushes it.
TResult CopyInto(const std::string& from, const std::string& to) {
  const int source = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (source < 0) return TResult::FromErrno(TFailureKind::Read, from);
  const int target = ::open(SongPath(to).c_str(), O_WRONLY | O_CLOEXEC);
  if (target < 0) {
    const TResult failure = TResult::FromErrno(TFailureKind::Write, to);
    ::close(source);
    return failure;
  }
  TResult result;
  std::vector<char> buffer(std::size_t{1} << 20);
  off_t offset = 0;
  while (result) {
    const ssize_t got = ::pread(source, buffer.data(), buffer.size(), offset);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) result = TResult::FromErrno(TFailureKind::Read, from);
    if (got <= 0) break;
    for (ssize_t done = 0; result && done < got;) {
      const ssize_t written =
          ::pwrite(target, buffer.data() + done, static_cast<std::size_t>(got - done), offset + done);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0)
        result = TResult::FromErrno(TFailureKind::Write, to);
      else
        done += written;
    }
    offset += got;
  }
  if (result && (::ftruncate(target, offset) != 0 || ::fsync(target) != 0)) {
    result = TResult::FromErrno(TFailureKind::Write, to);
  }
  ::close(source);
  ::close(target);
  return result;
}

// Where the middle of a torn song begins: a tag torn while written in place may not tell its own
// size, but the middle is still the one recorded, followed by a trailer or by nothing.
TResultOf<std::int64_t> TornHeadSize(const std::string& path, const TTagSnapshot& before, const struct stat& song) {
  if (before.Whole) return static_cast<std::int64_t>(song.st_size);
  std::int64_t tail = 0;
  if (song.st_size >= 128) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return TResult::FromErrno(TFailureKind::Read, path);
    char start[3] = {};
    const ssize_t got = ::pread(fd, start, sizeof start, song.st_size - 128);
    ::close(fd);
    if (got != static_cast<ssize_t>(sizeof start)) return TResult::FromErrno(TFailureKind::Read, path);
    if (std::string_view(start, sizeof start) == "TAG") tail = 128;
  }
  const std::int64_t headSize = song.st_size - before.MiddleSize - tail;
  if (headSize < 0) {
    return TResult::Failure(TFailureKind::Read, path, std::make_error_code(std::errc::invalid_argument));
  }
  return headSize;
}

TResult PutBackFailure(const std::string& path) {
  return TResult::Failure(TFailureKind::Write, path, std::make_error_code(std::errc::io_error));
}

// What the repair made of a change never confirmed.
enum class TResolved { NotMade, Made, PutBack, Unresolved };

struct TResolution {
  TResolved Outcome = TResolved::Unresolved;
  std::string Path;    // where the file is now
  bool Acted = false;  // something was done to the file or beside it
  TResult Failure;     // why it stays unresolved
};

// Settles a change that was never confirmed by the file's own state: a file as before or as after
// is left as it is (the change not made, or made); only a torn one is put back as it was, from
// the full copy a rewrite in place keeps beside it, or from the record. The rewrite's temporary
// file goes only once the song is found whole.
TResolution Resolve(const TFileChange& change) {
  TResolution resolution;
  TResultOf<TJudgement> judged = Judge(change);
  if (!judged) {
    resolution.Failure = judged.Failure();
    return resolution;
  }
  if (judged.Value().Found == TFound::Missing) {
    // A song gone from a folder that is there was removed since: nothing is left to repair, and
    // a temporary file beside it is left alone. A folder that cannot be reached (a disk not yet
    // back) is tried again at the next start.
    struct stat folder {};
    const std::string folderPath = FolderToOpen(change.PathBefore);
    if (::stat(folderPath.c_str(), &folder) == 0 && S_ISDIR(folder.st_mode)) {
      resolution.Outcome = TResolved::NotMade;
      return resolution;
    }
    resolution.Failure = TResult::FromErrno(TFailureKind::Open, change.PathBefore);
    return resolution;
  }
  std::string path = judged.Value().Path;
  const struct stat song = judged.Value().At.Info;
  const bool temporary = OwnTemporaryFile(change, path, song);
  const TFound found = judged.Value().Found;
  if (found == TFound::After) {
    // Finished: it keeps its new bytes, and gets the new name it was to have, if that is still free.
    if (path != change.PathAfter && OldNameFree(path, change.PathAfter) &&
        RenameWithoutReplacing(path, change.PathAfter)) {
      path = change.PathAfter;
      resolution.Acted = true;
    }
    resolution.Outcome = TResolved::Made;
  } else if (found == TFound::Before) {
    resolution.Outcome = TResolved::NotMade;
  } else {
    if (!change.TagWritten) {
      // Both names lead to the file: the new one goes.
      if (::unlink(change.PathAfter.c_str()) != 0) {
        resolution.Failure = TResult::FromErrno(TFailureKind::Delete, change.PathAfter);
        return resolution;
      }
    } else {
      TResult restored;
      if (temporary && StillAsBeforeRecord(change.TemporaryName, change)) {
        // A rewrite in place kept the whole song beside it before it began.
        restored = CopyInto(change.TemporaryName, path);
      } else {
        TResultOf<std::int64_t> headSize = TornHeadSize(path, change.Before, song);
        TFileChange resolved = change;
        restored = !headSize ? headSize.Failure() : ResolveBeforeHeadFrom(resolved, path, headSize.Value());
        if (restored) {
          restored = RestoreTagSnapshot(path, headSize.Value(), change.Before.MiddleSize, resolved.Before.Head,
                                        change.Before.Tail);
        }
      }
      if (restored && !StillAsBeforeRecord(path, change)) restored = PutBackFailure(path);
      if (!restored) {
        resolution.Failure = restored;
        return resolution;
      }
    }
    resolution.Acted = true;
    resolution.Outcome = TResolved::PutBack;
  }
  if (resolution.Outcome != TResolved::Made) {
    if ((song.st_mode & 07777) != change.ModeBefore) {
      if (TResult mode = SetMode(path, change.ModeBefore); !mode) {
        resolution.Outcome = TResolved::Unresolved;
        resolution.Failure = mode;
        return resolution;
      }
      resolution.Acted = true;
    }
    if (path != change.PathBefore) {
      if (TResult renamed = RenameWithoutReplacing(path, change.PathBefore); !renamed) {
        resolution.Outcome = TResolved::Unresolved;
        resolution.Failure = renamed;
        return resolution;
      }
      path = change.PathBefore;
      resolution.Acted = true;
    }
  }
  // The song is whole now: the temporary file beside it is no copy of anything needed.
  if (temporary) {
    if (::unlink(change.TemporaryName.c_str()) != 0) {
      resolution.Outcome = TResolved::Unresolved;
      resolution.Failure = TResult::FromErrno(TFailureKind::Delete, change.TemporaryName);
      return resolution;
    }
    resolution.Acted = true;
  }
  resolution.Path = path;
  return resolution;
}

// Marks in the history what the repair found; the failure of the history itself.
TResult MarkResolved(THistory& history, const TStoredChange& stored, const TResolution& resolution) {
  switch (resolution.Outcome) {
    case TResolved::NotMade:
    case TResolved::PutBack: return history.MarkRolledBack(stored.Record);
    case TResolved::Made: return history.MarkRecordDone(stored.Record, resolution.Path, stored.Change.After);
    case TResolved::Unresolved: return {};
  }
  return {};
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

namespace {

// Why a change made cannot be taken back now (info then describes the file), or nothing.
std::string WhyLeftAlone(const TFileChange& change, struct stat& info) {
  if (!Exists(change.PathAfter, info)) return kMissingReason;
  if (!StillAsAfter(change.PathAfter, change)) return kChangedSinceReason;
  if (change.PathAfter != change.PathBefore && !OldNameFree(change.PathAfter, change.PathBefore)) {
    return kOldNameTakenReason;
  }
  return {};
}

// The change that takes a change back, recorded ahead with what it will leave: the file as it was
// before the change, under its old name.
TResultOf<TFileChange> UndoChange(const TFileChange& change, std::int64_t record, const TTagSnapshot& now,
                                  const struct stat& info) {
  TResultOf<TFileChange> undo = CaptureBefore(change.PathAfter, change.PathBefore, change.TagWritten);
  if (!undo) return undo.Failure();
  undo.Value().TagWritten = change.TagWritten;
  undo.Value().Before = now;
  undo.Value().Before.Size = info.st_size;
  undo.Value().UndoesRecord = record;
  TFileAfter& after = undo.Value().After;
  after.HashForm = THashForm::Framed;
  after.Mode = change.ModeBefore;
  if (change.TagWritten) {
    after.Size = change.Before.Size;
    after.HeadSize = static_cast<std::int64_t>(change.Before.Head.size());
    after.HeadHash = FramedTagHash(change.Before.Head);
    after.Tail = change.Before.Tail;
  } else {
    undo.Value().Before.Head.clear();
    undo.Value().Before.Tail.clear();
    after.Size = info.st_size;
  }
  undo.Value().AfterForeseen = true;
  return undo;
}

}  // namespace

TResultOf<TUndoReport> UndoEntry(THistory& history, std::int64_t entry, TProgram program, const std::string& command,
                                 bool dryRun) {
  // The records are read one at a time, newest first, so that an entry of any size is undone in
  // little memory.
  TResultOf<std::vector<std::int64_t>> records = history.Records(entry);
  if (!records) return records.Failure();
  TUndoReport report;
  report.Entry = entry;
  std::unique_ptr<THistoryRecorder> recorder = history.StartEntry(program, command, entry);
  bool unrecorded = false;
  TResult unread;
  for (auto record = records.Value().rbegin(); record != records.Value().rend(); ++record) {
    using TState = TStoredChange::TState;
    TResultOf<TStoredChange> loaded = history.Change(*record);
    if (!loaded) {
      unread = loaded.Failure();
      break;
    }
    const TStoredChange* stored = &loaded.Value();
    if (stored->State == TState::RolledBack || stored->Undone) continue;
    TFileChange change = stored->Change;
    TUndoFile file;
    file.File = change.PathAfter;
    struct stat info {};
    if (stored->Damaged || stored->State == TState::Damaged) {
      file.Reason = DamagedRecordReason(change.PathAfter);
    } else if (unrecorded) {
      file.Reason = kUndoNotRecordedReason;
    } else if (stored->State == TState::Planned) {
      // Never confirmed: settled from the file itself, as after a crash, then taken back if made.
      if (dryRun) {
        TResultOf<TJudgement> judged = Judge(change);
        if (judged && judged.Value().Found == TFound::Before) continue;  // never made: nothing to take back
        if (!judged) {
          file.Reason = Describe(judged.Failure());
          file.Failure = judged.Failure();
        } else if (judged.Value().Found == TFound::After) {
          change.Done = true;
          change.PathAfter = judged.Value().Path;
          file.File = change.PathAfter;
        }
      } else {
        const TResolution resolution = Resolve(change);
        (void)MarkResolved(history, *stored, resolution);  // unmarked, it is settled again next time
        if (resolution.Outcome == TResolved::NotMade) continue;
        if (resolution.Outcome == TResolved::Unresolved) {
          file.Reason = Describe(resolution.Failure);
          file.Failure = resolution.Failure;
        } else if (resolution.Outcome == TResolved::Made) {
          change.Done = true;
          change.PathAfter = resolution.Path;
          file.File = change.PathAfter;
        }
      }
      if (file.Reason.empty() && !change.Done) {
        // A torn write is put back as it was.
        file.Action = change.TagWritten ? TUndoAction::Restored : TUndoAction::RenamedBack;
        report.Files.push_back(std::move(file));
        continue;
      }
    }
    const bool renamed = change.PathAfter != change.PathBefore;
    if (file.Reason.empty()) file.Reason = WhyLeftAlone(change, info);
    if (file.Reason.empty()) {
      file.Action = change.TagWritten ? TUndoAction::Restored : TUndoAction::RenamedBack;
      if (renamed) file.NewFile = change.PathBefore;
      if (!dryRun) {
        // The undo is recorded like any change, ahead of it: the bytes it replaces are the ones the
        // entry wrote, and what it will leave is the file as it was.
        TResultOf<TTagSnapshot> now =
            ReadTagSnapshotAround(change.PathAfter, change.Before.MiddleSize, change.Before.Whole);
        if (now && !ResolveBeforeHead(change, now.Value().Head)) {
          file.Reason = DamagedRecordReason(change.PathAfter);  // nothing of it is written back
          file.NewFile.clear();
          report.Files.push_back(std::move(file));
          continue;
        }
        TResultOf<TFileChange> undo =
            now ? UndoChange(change, stored->Record, now.Value(), info) : TResultOf<TFileChange>(now.Failure());
        TChangeRecording recording(recorder.get());
        TResult step = undo ? TResult() : undo.Failure();
        if (step) {
          if (TResult recorded = recording.Begin(std::move(undo.Value())); !recorded) {
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
        if (file.Reason.empty() || (step && recording.Record() != 0)) {
          recording.Finish(at);
        } else if (recording.Record() != 0 && StillAsBefore(change.PathAfter, recording.Change().Before)) {
          (void)recorder->RecordNotMade(recording.Record());  // nothing was taken back
        } else {
          recording.Finish(at);  // partly taken back: what the file holds now is recorded
        }
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
  if (!unread) return unread;  // what was taken back until then is an entry of its own
  return report;
}

TResultOf<TRepairReport> RepairInterrupted(THistory& history) {
  TResultOf<std::vector<THistoryEntry>> interrupted = history.Interrupted();
  if (!interrupted) return interrupted.Failure();
  TRepairReport report;
  for (const THistoryEntry& entry : interrupted.Value()) {
    TResultOf<std::vector<std::int64_t>> records = history.Records(entry.Id);
    if (!records) return records.Failure();
    bool anyMade = false;
    bool unresolved = false;
    for (auto record = records.Value().rbegin(); record != records.Value().rend(); ++record) {
      using TState = TStoredChange::TState;
      TResultOf<TStoredChange> loaded = history.Change(*record);
      if (!loaded) return loaded.Failure();
      const TStoredChange* stored = &loaded.Value();
      if (stored->State == TState::Done || stored->State == TState::Damaged) anyMade = true;
      if (stored->State != TState::Planned) continue;
      if (stored->Damaged) {
        // Nothing of a damaged record is written back: the song stays as it is.
        report.Problems.push_back(DamagedRecordReason(stored->Change.PathBefore));
        if (TResult marked = history.MarkRecordDamaged(stored->Record); !marked) return marked;
        anyMade = true;
        continue;
      }
      const TResolution resolution = Resolve(stored->Change);
      if (resolution.Outcome == TResolved::Unresolved) {
        // Tried again at the next start, with the record and any temporary file kept until then.
        report.Problems.push_back(Describe(resolution.Failure) + "; " + kRepairRetriedReason);
        unresolved = true;
        continue;
      }
      if (resolution.Acted) ++report.Repaired;
      if (resolution.Outcome == TResolved::Made) anyMade = true;
      if (TResult marked = MarkResolved(history, *stored, resolution); !marked) return marked;
    }
    if (unresolved) continue;
    if (!anyMade) {
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

std::string DamagedRecordReason(const std::string& file) { return "the history's record of " + file + " is damaged"; }

std::string RepairMessage(std::size_t repaired) {
  return "repaired " + std::to_string(repaired) + " file(s) after an interrupted write";
}

}  // namespace tagwright
