// What lies behind THistory (history.h): its database, the lock file beside it and the store of
// shared pieces, with what the recorder and the pruning do to them inside a transaction.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "files/result.h"
#include "history/database.h"
#include "history/history_entry.h"
#include "history/live_lock.h"
#include "history/piece_store.h"

namespace tagwright {

struct THistoryInternals {
  explicit THistoryInternals(const std::string& path) : Database(path) {}

  TLiveLock Live;  // declared first: let go of after the database is closed
  THistoryDatabase Database;
  TPieceStore Pieces;
  // The query of one record by its id, prepared once: an undo reads its records one by one, and
  // parsing the query would cost more than running it. Declared after the database, so that it is
  // finalised before the database closes.
  std::mutex ChangeQueryLock;
  std::unique_ptr<TStatement> ChangeQuery;  // under ChangeQueryLock
};

// Inside the caller's transaction: the record is the change of an undo, now made; the change it
// undid is taken back, and should that one have been an undo too, the change it had undone is
// there again.
TResult MarkTakenBack(THistoryDatabase& db, std::int64_t record);
// The same with the statement of kMarkTakenBack prepared once for many records (its parsing costs
// more than its run).
extern const char* const kMarkTakenBack;
TResult MarkTakenBack(THistoryDatabase& db, TStatement& chain, std::int64_t record);

// Drops the entry with its records, and the shared pieces no other record names, in a
// transaction of its own.
TResult DropEntry(THistoryInternals& history, std::int64_t entry);

// Drops the oldest entries past the bounds, never keep; the number dropped to keep the tag bytes
// within their bound.
TResultOf<std::int64_t> Prune(THistoryInternals& history, const THistoryLimits& limits, std::int64_t keep);

}  // namespace tagwright
