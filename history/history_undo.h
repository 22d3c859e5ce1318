// Taking an entry of the history back, and repairing entries a crash left unfinished.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "commands/durable_songs.h"
#include "commands/song_result.h"
#include "files/result.h"
#include "history/history.h"

namespace tagwright {

enum class TUndoAction { Restored, RenamedBack, Skipped };

// "restored", "renamed back", "skipped".
const char* UndoActionName(TUndoAction action);

inline constexpr const char* kChangedSinceReason = "the file has changed since";
inline constexpr const char* kMissingReason = "the file is no longer there";
inline constexpr const char* kOldNameTakenReason = "its old name is taken by another file";
inline constexpr const char* kUndoNotRecordedReason = "the undo could not be recorded in the history";
inline constexpr const char* kRepairRetriedReason = "the repair is tried again at the next start";
// A song that a crash found changed by anyone but this program: its record is kept, marked so.
inline constexpr const char* kLeftAloneReason = "left alone: changed since by another program";

// "FILE is missing; its interrupted change is kept until it is back".
std::string MissingKeptReason(const std::string& file);

// For a file the undo would take out of the trash: "it is no longer in the trash, so OLD cannot come
// back", and "its old name OLD is taken by another file".
std::string NotInTrashReason(const std::string& oldName);
std::string OldNameTakenReason(const std::string& oldName);

// "the history's record of FILE is damaged": nothing of such a record is written back.
std::string DamagedRecordReason(const std::string& file);

// Why an undo left a file as it is.
enum class TLeftAlone : std::uint8_t {
  No,             // it was taken back
  ChangedSince,   // the file is no longer as the entry left it (or another program changed it)
  Missing,        // the file is gone, or no longer in the trash
  OldNameTaken,   // another file has its old name
  DamagedRecord,  // nothing of a damaged record is written back
  NotRecorded,    // the undo could not be recorded: no further file is touched
  Failed,         // looking at it, reading or writing it failed (Failure)
};

struct TUndoFile {
  std::string File;     // the file as it is named before the undo
  std::string NewFile;  // its name after, when renamed back
  TUndoAction Action = TUndoAction::Skipped;
  TLeftAlone LeftAlone = TLeftAlone::No;
  std::string Reason;  // why it was left alone, in the user's words
  TResult Failure;     // the file failure behind it, when there was one
};

// What a front end hears of an undo under way, and how it stops one.
struct TUndoHooks {
  // Before each record of the entry: how many are done, out of how many.
  std::function<void(std::size_t done, std::size_t total)> OnProgress;
  // Asked between files, never while one is written: true ends the undo there, cut short.
  std::function<bool()> CancelRequested;
  // Makes the files put back durable, once for a batch (syncfs; tests put another in its place).
  TFlushFileSystem FlushFileSystem = nullptr;
};

struct TUndoReport {
  std::int64_t Entry = 0;
  std::int64_t UndoEntry = 0;  // the history entry of the undo itself (0 in a dry run, or if nothing changed)
  std::vector<TUndoFile> Files;
  // Stopped before the end of the entry (the history could not record, or a disk was full): the
  // rest is for the next plain undo or redo.
  TUndoReach Reach = TUndoReach::ToTheEnd;
  bool Cancelled = false;       // the user stopped it between two files (Reach is then CutShort)
  std::size_t Records = 0;      // the records of the entry, each a file it changed
  std::size_t RecordsGone = 0;  // of those, the ones gone through before the undo ended
  std::size_t Skipped() const;
};

// Takes the entry's changes back, newest file first: each file still as the entry left it gets its
// old tag bytes, permission bits and name again; the others are skipped and named. The undo is an
// entry of its own, named command. A dry run only says what would happen. A cancel heard through
// the hooks stops the undo between two files, its entry cut short: the next undo takes back the rest.
TResultOf<TUndoReport> UndoEntry(THistory& history, std::int64_t entry, TProgram program, const std::string& command,
                                 TPassMode mode, const TUndoHooks& hooks = {});

struct TRepairReport {
  std::size_t Repaired = 0;           // files put back as they were
  std::vector<std::string> Problems;  // files that could not be repaired or were left alone, named
  std::vector<std::string> Notes;     // missing songs whose records are kept (MissingKeptReason)
};

// Repairs the entries that were never finished by programs no longer running, judging each file
// by itself: a file as its record had it before the change, or as the change was to leave it,
// stays as it is; only one proved torn by this program's write gets its old bytes, permission
// bits and name back, and any other is left alone and named in Problems. A temporary file a
// rewrite left is removed once its song is found whole. A file that cannot be looked at keeps its
// record (and temporary file) for the next start, and is named in Problems; a missing one too,
// named in Notes.
TResultOf<TRepairReport> RepairInterrupted(THistory& history);

// A song of an interrupted entry that the user let go, and the copy of it made before its change
// that stays beside it (empty when there is none).
struct TLetGo {
  std::string File;
  std::string KeptCopy;
};

// Lets the interrupted entry's changes still pending go: the repair no longer tries them, their
// songs and any copy beside them are left as they are, and their records stay, marked left alone.
// Nothing when the entry is not interrupted.
TResultOf<std::optional<std::vector<TLetGo>>> LetGoOfInterrupted(THistory& history, std::int64_t entry);

// "repaired N file(s) after an interrupted write".
std::string RepairMessage(std::size_t repaired);

}  // namespace tagwright
