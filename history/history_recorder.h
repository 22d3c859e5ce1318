// The records of one entry of the history as a command makes them: written ahead of each batch of
// changes, their after states carried with the next batch, the entry finished at the end.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "commands/change_journal.h"
#include "commands/command_session.h"
#include "files/result.h"
#include "history/change_proof.h"
#include "history/history_entry.h"

namespace tagwright {

class THistory;

class THistoryRecorder final : public TChangeEntry {
 public:
  THistoryRecorder(THistory& history, TProgram program, std::string command, std::int64_t undoes);
  ~THistoryRecorder() override;
  THistoryRecorder(const THistoryRecorder&) = delete;
  THistoryRecorder& operator=(const THistoryRecorder&) = delete;

  TResultOf<std::vector<std::int64_t>> RecordBatch(std::vector<TFileChange>& changes) override;
  TResult RecordNotMade(std::int64_t record) override;
  // In one transaction: one wait for the disk instead of one for each record.
  TResult RecordNoneMade(const std::vector<std::int64_t>& records) override;
  void PrepareRecord(TFileChange& change) override;
  TResult RecordTemporaryName(std::int64_t record, const std::string& name) override;
  TResult RecordAfter(std::int64_t record, const std::string& pathAfter, TFileAfter after) override;

  // Marks the entry finished (an undo's entry also marks the one it undid) and drops the oldest
  // entries beyond the bounds. Nothing happens for an entry without records.
  TResult Finish() override;
  // The undo this entry is stopped before the end of the entry it takes back: Finish leaves that
  // entry to the next plain undo (or redo), for its rest.
  void MarkCutShort() override { reach_ = TUndoReach::CutShort; }
  std::int64_t Id() const override { return entry_; }
  std::int64_t Files() const { return files_; }
  // Older entries dropped by Finish so that the tag bytes stay within their bound.
  std::int64_t DroppedForRoom() const override { return droppedForRoom_; }

 private:
  // After states not yet written: they go with the next record's transaction or with Finish, so
  // that each file costs one commit. One lost to a crash leaves its change to the repair, which
  // judges the file from its bytes.
  struct TPendingAfter {
    std::int64_t Record;
    std::string PathAfter;
    TFileAfter After;
  };
  // What a batch adds up to, inside its transaction.
  struct TBatch {
    std::int64_t Entry = 0;
    std::vector<std::int64_t> Records;
    std::map<std::int64_t, std::int64_t> Named;       // the shared pieces the records name, and how often
    std::int64_t Bytes = 0;                           // the tag bytes the records keep themselves
    std::vector<std::optional<TChangeProof>> Proofs;  // of the changes, in their order
  };

  // Inside the caller's transaction: the entry's row, written with its first batch.
  TResultOf<std::int64_t> WriteEntry();
  // Inside the caller's transaction: the batch's records, the counts of the pieces they name and
  // the entry's tag bytes.
  TResult WriteRecords(std::vector<TFileChange>& changes, TBatch& batch);
  // Writes these after states, inside the caller's transaction.
  TResult WriteAfters(const std::vector<TPendingAfter>& afters);
  // Inside the caller's transaction: the entry finished, and the one it undid marked.
  TResult WriteFinished(const std::vector<TPendingAfter>& afters);
  std::vector<TPendingAfter> TakePendingAfters();
  // Puts after states taken but not written back in front of those told since.
  void ReturnPendingAfters(std::vector<TPendingAfter> afters);
  // After states written: freed by the next RecordAfter, on the thread that made them, so that the
  // recording thread does not contend for that thread's memory while it changes files.
  void SpendAfters(std::vector<TPendingAfter> afters);
  // Inside the caller's transaction: the recipe of an old tag (empty when it is best kept as it
  // is), its shared pieces found in the store or added to it, and their hashes in the change's
  // BeforeFrameHashes.
  TResult StoreHead(TFileChange& change, std::string& recipe, std::vector<std::int64_t>& pieces);
  // Whether a recipe worked out ahead still names pieces all in the store.
  TResultOf<bool> PreparedHeadHolds(const std::vector<std::int64_t>& pieces);

  THistory& history_;
  TProgram program_;
  std::string command_;
  std::int64_t undoes_;
  std::int64_t entry_ = 0;
  std::int64_t files_ = 0;
  bool finished_ = false;
  TUndoReach reach_ = TUndoReach::ToTheEnd;
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
