// The history of changes: every command of the window and of the command line that writes a tag
// or renames a file is one entry, with the record of each file it changed (commands/change_journal.h).
// Kept in an SQLite database in WAL mode with a busy timeout, so that the window and the command
// line can use one history at once. Records are written ahead of each change and finished after it;
// an entry that was never finished (a crash) is repaired from them at the next start (history_undo.h).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "commands/change_journal.h"
#include "commands/history/head_recipe.h"
#include "commands/history/piece_file.h"
#include "files/result.h"

struct sqlite3;

namespace tagwright {

enum class TProgram { Window, Cli };

// "window", "cli".
const char* ProgramName(TProgram program);

// Where the history is kept: $TAGWRIGHT_HISTORY when set, else
// $XDG_STATE_HOME/tagwright/history.sqlite3 (XDG_STATE_HOME defaulting to ~/.local/state).
// Empty when neither XDG_STATE_HOME nor HOME names a folder: the history has no place then (never
// the current folder, which may well be the music).
std::string DefaultHistoryPath();

// How a program uses the history: to record and repair, or only to look (commands that change
// nothing).
enum class THistoryAccess { ReadWrite, ReadOnly };

struct THistoryEntry {
  std::int64_t Id = 0;
  std::int64_t TimeNs = 0;  // when it began, nanoseconds since the epoch
  TProgram Program = TProgram::Cli;
  std::string Command;  // the window's caption or the command line's subcommand
  std::int64_t Files = 0;
  std::int64_t FilesUndone = 0;  // of Files, those whose change is taken back
  bool Undone = false;           // every file's change is taken back
  bool UndoTried = false;        // an undo of the entry has been done, whatever it could take back
  std::int64_t Undoes = 0;       // the entry this one undid, or 0
  bool Done = false;             // finished (or repaired after a crash)
};

// "N older entries were dropped from the history to make room for this command's".
std::string DroppedForRoomMessage(std::int64_t dropped);

// "2024-05-01T12:30:00Z".
std::string IsoTime(std::int64_t timeNs);

// One file record of an entry, with its record id and state.
struct TStoredChange {
  // Planned: recorded ahead, not known to be made; Done: made, with its after state; RolledBack:
  // never made, or put back by a repair; Damaged: given up by a repair, its record being damaged.
  enum class TState { Planned, Done, RolledBack, Damaged };
  std::int64_t Record = 0;
  TState State = TState::Planned;
  bool Undone = false;   // taken back by an undo
  bool Damaged = false;  // the record fails its checks: none of it may be written back
  TFileChange Change;
};

// The bounds of the history; the oldest entries go first.
struct THistoryLimits {
  std::int64_t MaxEntries = 200;
  std::int64_t MaxTagBytes = std::int64_t{512} << 20;
};

class THistoryRecorder;

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

  const std::string& Path() const { return path_; }
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
  TResult MarkDone(std::int64_t entry);
  TResult MarkUndone(std::int64_t entry, std::int64_t by);
  TResult DeleteEntry(std::int64_t entry);

 private:
  friend class THistoryRecorder;
  THistory() = default;
  TResult OpenDatabase();
  // Read-only: the value says whether the history was ever laid out (has its tables).
  TResultOf<bool> OpenDatabaseToRead();
  // The failure of opening the database, with the system's reason where SQLite's code is vague.
  TResult OpenFailure(int code) const;
  TResult Failure(int code) const;
  TResult Execute(const char* sql);
  // Commits the transaction begun; on failure nothing of it stays.
  TResult Commit();
  // Gives up the transaction begun, if it is still open.
  void RollBack();
  // Whether the table has the column.
  bool HasColumn(const char* table, const char* column);
  // Drops the oldest entries past the bounds, never keep; the number dropped to keep the tag bytes
  // within their bound.
  TResultOf<std::int64_t> Prune(std::int64_t keep);
  // Gives back the space of the piece file that no shared piece takes.
  void ReclaimPieceSpace();
  // The tag bytes an entry keeps: its own and those of the shared pieces it names.
  TResultOf<std::int64_t> EntryBytes(std::int64_t entry);
  TResult Migrate();
  // The record is the change of an undo, now made: marks what it took back; SQLITE_DONE or a failure.
  int MarkTakenBack(std::int64_t record);
  // Adds sign times the given number of records to each shared piece's count of the records that
  // name it; SQLITE_DONE, or the failure.
  int CountPieceNames(const std::map<std::int64_t, std::int64_t>& named, int sign);
  // The tag bytes the history keeps: the entries' own and the shared pieces.
  TResultOf<std::int64_t> StoredTagBytes();
  const std::string* PieceBytes(std::int64_t id);
  TSharedLookup PieceLookup();
  // The id of a piece remembered with these bytes, or 0; with its framed-hash part (the striped
  // hash of its bytes, worked out once) in hash when asked for.
  std::int64_t RememberedPiece(std::string_view piece, std::uint64_t fingerprint, std::uint64_t* hash = nullptr);
  // Holds (or tests) the lock that tells other programs an entry is in progress.
  bool LockEntry(std::int64_t entry, bool lock);
  bool EntryLockedElsewhere(std::int64_t entry);
  // Notes the newest record committed; at opening, a history holding fewer records than noted
  // lost them with its log (or was lost itself, when it did not exist): said in Notices().
  void NoteRecorded(std::int64_t record);
  void CheckNothingLost(bool existed);

  std::string path_;
  sqlite3* db_ = nullptr;
  int liveFd_ = -1;
  TPieceFile pieceFile_;  // the bytes of the shared pieces
  bool damaged_ = false;  // the database said its file is damaged
  std::vector<std::string> notices_;
  THistoryLimits limits_;
  // Shared pieces (pictures, mostly) seen lately, so that the same one is compared in memory and
  // not read back: their ids by fingerprint, and their bytes by id. A pass looks them up while its
  // previous batch is being recorded on another thread.
  struct TRememberedPiece {
    std::string Bytes;
    std::uint64_t Hash = 0;  // 0 until asked for
  };
  std::mutex piecesMutex_;
  std::unordered_multimap<std::uint64_t, std::int64_t> piecesByFingerprint_;
  std::unordered_map<std::int64_t, TRememberedPiece> pieces_;
  std::size_t pieceCacheBytes_ = 0;
  void ForgetPieces();
  void ForgetPiece(std::int64_t id);
  void RememberPiece(std::int64_t id, std::uint64_t fingerprint, std::string_view bytes, std::uint64_t hash = 0);
};

// The records of one entry as a command makes them.
class THistoryRecorder final : public TChangeJournal {
 public:
  THistoryRecorder(THistory& history, TProgram program, std::string command, std::int64_t undoes);
  ~THistoryRecorder() override;

  TResultOf<std::vector<std::int64_t>> RecordBatch(std::vector<TFileChange>& changes) override;
  TResult RecordNotMade(std::int64_t record) override;
  void Anticipate(TFileChange& change) override;
  TResult RecordTemporaryName(std::int64_t record, const std::string& name) override;
  TResult RecordAfter(std::int64_t record, const std::string& pathAfter, TFileAfter after) override;

  // Marks the entry finished (an undo's entry also marks the one it undid) and drops the oldest
  // entries beyond the bounds. Nothing happens for an entry without records.
  TResult Finish();
  std::int64_t Entry() const { return entry_; }
  std::int64_t Files() const { return files_; }
  // Older entries dropped by Finish so that the tag bytes stay within their bound.
  std::int64_t DroppedForRoom() const { return droppedForRoom_; }

 private:
  // After states not yet written: they go with the next record's transaction or with Finish, so
  // that each file costs one commit. One lost to a crash leaves its change to the repair, which
  // judges the file from its bytes.
  struct TPendingAfter {
    std::int64_t Record;
    std::string PathAfter;
    TFileAfter After;
  };

  // Writes these after states, inside the caller's transaction.
  int WriteAfters(const std::vector<TPendingAfter>& afters);
  std::vector<TPendingAfter> TakePendingAfters();
  // Puts after states taken but not written back in front of those told since.
  void ReturnPendingAfters(std::vector<TPendingAfter> afters);
  // After states written: freed by the next RecordAfter, on the thread that made them, so that the
  // recording thread does not contend for that thread's memory while it changes files.
  void SpendAfters(std::vector<TPendingAfter> afters);
  // Inside the caller's transaction: the recipe of an old tag (none when it is best kept as it
  // is), its shared pieces found in the store or added to it, and their hashes in the change's
  // BeforeFrameHashes.
  int StoreHead(TFileChange& change, std::string& recipe, std::vector<std::int64_t>& pieces);
  // The id of a piece in the store, added when it is new, and the striped hash of its bytes.
  int SharePiece(std::string_view piece, std::int64_t& id, std::uint64_t& hash);
  // Whether the piece is still in the store; from then on the transaction under way keeps it.
  int ConfirmPiece(std::int64_t id, bool& there);

  THistory& history_;
  TProgram program_;
  std::string command_;
  std::int64_t undoes_;
  std::int64_t entry_ = 0;
  std::int64_t files_ = 0;
  bool finished_ = false;
  std::int64_t droppedForRoom_ = 0;
  // Pieces found to be in the store within the transaction under way.
  std::set<std::int64_t> piecesConfirmed_;
  // A batch may be recorded on one thread while the files of the batch before are changed, and
  // their after states told, on another: the database is used by one of them at a time, and
  // after states are kept without waiting for it.
  std::mutex databaseMutex_;
  std::mutex pendingMutex_;
  std::vector<TPendingAfter> pendingAfters_;  // guarded by pendingMutex_
  std::vector<TPendingAfter> spentAfters_;    // guarded by pendingMutex_
};

}  // namespace tagwright
