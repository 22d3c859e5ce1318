// The history of changes: every command of the window and of the command line that writes a tag
// or renames a file is one entry, with the record of each file it changed (commands/change_journal.h).
// Kept in an SQLite database in WAL mode with a busy timeout, so that the window and the command
// line can use one history at once. Records are written ahead of each change and finished after it
// (history_recorder.h); an entry that was never finished (a crash) is repaired from them at the
// next start (history_undo.h). What lies behind this interface is in history_internals.h.
//
// The words the history uses:
// - entry: one command's changes, under its caption ("Hands-Free!", "Undo ..."); taken back whole.
// - record: what an entry keeps of one file: its names, mode, size and old tag and trailer, written
//   ahead of the change and finished after it, so that a crash leaves a record of every file it
//   may have touched.
// - interrupted: an entry never finished whose program is gone; repaired at the next start.
// - piece: a stretch of an old tag as a record keeps it: its own bytes, a run of zero padding, a
//   large frame (a picture) kept once in the shared pieces file for all records, or a reference to
//   the same bytes in the file after the change ("After").
// - recipe: the list of pieces that puts an old tag back together byte for byte (head_recipe.h).
// - proof: what a record keeps to tell later that a file is the one this program was writing
//   (its device and inode, a hash of samples of its audio, the bytes a write in place puts down).
// - judgement: how the undo and the repair find a record's file now (file_judgement.h): as
//   before, as after, missing, or torn; a torn file is put back only on proof (torn_write.h).
// - undo entry: an entry that takes back another (Undoes), itself taken back by a redo; either can
//   be cut short (a Cancel, a crash) and leave the entry it takes back partly undone.
// - left alone: a file an undo does not touch because it changed since, and says why.
// - pruning: dropping the oldest entries to keep within the limits (THistoryLimits), and giving
//   back the room of pieces no record names any more.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "files/result.h"
#include "history/change_proof.h"
#include "history/history_entry.h"
#include "history/history_recorder.h"

namespace tagwright {

struct THistoryInternals;

class THistory {
 public:
  // Opens the history at path, making it and its folder when needed. A damaged file is moved
  // aside and a new history started; Notices() then says so. A path that is not a regular file (a
  // device, a folder) is refused, with nothing made beside it.
  // Read-only, nothing is made, laid out anew, moved aside or written, and no write of another
  // program is waited for; the value is null when there is no history at path yet.
  static TResultOf<std::unique_ptr<THistory>> Open(const std::string& path,
                                                   THistoryAccess access = THistoryAccess::ReadWrite);
  ~THistory();
  THistory(const THistory&) = delete;
  THistory& operator=(const THistory&) = delete;

  const std::string& Path() const;
  // What the user should hear of once: a damaged history moved aside.
  const std::vector<std::string>& Notices() const { return notices_; }
  void SetLimits(const THistoryLimits& limits) { limits_ = limits; }
  // How long to wait for another program's write to the history before giving up.
  void SetBusyTimeout(int milliseconds);

  // A new entry; it is written with its first file record, and finished by the recorder.
  std::unique_ptr<THistoryRecorder> StartEntry(TProgram program, const std::string& command, std::int64_t undoes = 0);

  // Entries with at least one changed file, newest first; limit 0 gives all.
  TResultOf<std::vector<THistoryEntry>> Entries(std::size_t limit = 0);
  TResultOf<std::optional<THistoryEntry>> FindEntry(std::int64_t id);
  // The newest finished entry with changed files not undone, that no undo has been tried on.
  TResultOf<std::optional<THistoryEntry>> NewestNotUndone();
  // The file records of an entry, in the order they were made.
  TResultOf<std::vector<TStoredChange>> Changes(std::int64_t entry);
  // The ids of an entry's file records, in the order they were made, and one record by its id:
  // so that an entry of any size is gone through one record at a time.
  TResultOf<std::vector<std::int64_t>> Records(std::int64_t entry);
  TResultOf<TStoredChange> Change(std::int64_t record);
  // Entries never finished whose program is no longer running, oldest first.
  TResultOf<std::vector<THistoryEntry>> Interrupted();

  TResult MarkRolledBack(std::int64_t record);
  // A change found made after all (by a repair), now under pathAfter, in the after state its record
  // foresaw.
  TResult MarkRecordDone(std::int64_t record, const std::string& pathAfter, const TFileAfter& after);
  TResult MarkRecordDamaged(std::int64_t record);
  TResult MarkRecordLeftAlone(std::int64_t record);
  // What the record keeps to prove a torn write its own (change_proof.h); nothing for a record
  // made without it.
  TResultOf<std::optional<TChangeProof>> Proof(std::int64_t record);
  TResult MarkDone(std::int64_t entry);
  // The entry is taken back by the entry by (0: tried, with nothing taken back). An undo cut short
  // leaves the entry as one no undo has been tried on, so that a plain undo (or redo) takes back
  // its rest before going further back.
  TResult MarkUndone(std::int64_t entry, std::int64_t by, TUndoReach reach = TUndoReach::ToTheEnd);
  TResult DeleteEntry(std::int64_t entry);

 private:
  friend class THistoryRecorder;
  explicit THistory(const std::string& path);
  // Lays out a history that may be written: at path, or anew beside a damaged one moved aside.
  TResult OpenToWrite(bool existed);
  // Moves a damaged history aside and begins a new one; said in Notices().
  TResult StartAfresh();
  // At opening: a history holding fewer records than its lock file noted lost them with its log
  // (or was lost itself, when it did not exist): said in Notices().
  void CheckNothingLost(bool existed);

  std::unique_ptr<THistoryInternals> internals_;
  std::vector<std::string> notices_;
  THistoryLimits limits_;
};

// The history as the keeper of one program's entries, for the command session.
class THistoryEntries final : public TChangeEntries {
 public:
  THistoryEntries(THistory& history, TProgram program) : history_(history), program_(program) {}
  std::unique_ptr<TChangeEntry> Begin(const TEntryStart& start) override {
    return history_.StartEntry(program_, start.Caption, start.Undoes);
  }

 private:
  THistory& history_;
  TProgram program_;
};

}  // namespace tagwright
