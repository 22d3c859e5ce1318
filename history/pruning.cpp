// Keeping the history within its bounds: the oldest entries go first, with the shared pieces no
// other record names.
#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "history/history_internals.h"
#include "history/layout.h"

namespace tagwright {

namespace {

// The shared pieces an entry's records name, and how often.
TResultOf<std::map<std::int64_t, std::int64_t>> PiecesNamed(THistoryDatabase& db, std::int64_t entry) {
  std::map<std::int64_t, std::int64_t> named;
  TStatement recipes(db.Handle(), "SELECT old_head FROM changes WHERE entry = ? AND head_form = ?");
  recipes.Bind(1, entry).Bind(2, std::int64_t{kHeadRecipe});
  while (true) {
    TResultOf<bool> row = db.Next(recipes);
    if (!row) return row.Failure();
    if (!row.Value()) return named;
    for (std::int64_t piece : SharedPiecesOf(recipes.Blob(0))) ++named[piece];
  }
}

// Inside the caller's transaction: the entry and its records gone, and the pieces they named
// with them unless other records name them too.
TResult DeleteRows(THistoryInternals& history, std::int64_t entry, const std::map<std::int64_t, std::int64_t>& named) {
  THistoryDatabase& db = history.Database;
  TStatement proofs(db.Handle(), "DELETE FROM change_proofs WHERE record IN (SELECT id FROM changes WHERE entry = ?)");
  if (TResult deleted = db.Run(proofs.Bind(1, entry)); !deleted) return deleted;
  TStatement changes(db.Handle(), "DELETE FROM changes WHERE entry = ?");
  if (TResult deleted = db.Run(changes.Bind(1, entry)); !deleted) return deleted;
  TStatement entries(db.Handle(), "DELETE FROM entries WHERE id = ?");
  if (TResult deleted = db.Run(entries.Bind(1, entry)); !deleted) return deleted;
  if (TResult counted = TPieceStore::CountNames(db, named, -1); !counted) return counted;
  TStatement drop(db.Handle(),
                  "DELETE FROM shared_pieces WHERE id = ?1 AND NOT EXISTS "
                  "(SELECT 1 FROM piece_refs WHERE piece = ?1 AND refs > 0)");
  TStatement dropCount(db.Handle(), "DELETE FROM piece_refs WHERE piece = ? AND refs <= 0");
  for (const auto& piece : named) {
    drop.Reset();
    if (TResult dropped = db.Run(drop.Bind(1, piece.first)); !dropped) return dropped;
    dropCount.Reset();
    if (TResult dropped = db.Run(dropCount.Bind(1, piece.first)); !dropped) return dropped;
  }
  return {};
}

// The tag bytes the history keeps: the entries' own and the shared pieces.
TResultOf<std::int64_t> StoredTagBytes(THistoryDatabase& db) {
  TStatement sum(db.Handle(),
                 "SELECT (SELECT COALESCE(SUM(tag_bytes), 0) FROM entries) + "
                 "(SELECT COALESCE(SUM(size), 0) FROM shared_pieces)");
  const int code = sum.Step();
  if (code != SQLITE_ROW) return db.Failure(code);
  return sum.Int(0);
}

// The tag bytes an entry keeps: its own and those of the shared pieces it names.
TResultOf<std::int64_t> EntryBytes(THistoryDatabase& db, std::int64_t entry) {
  TStatement own(db.Handle(), "SELECT tag_bytes FROM entries WHERE id = ?");
  TResultOf<bool> found = db.Next(own.Bind(1, entry));
  if (!found) return found.Failure();
  if (!found.Value()) return db.Failure(SQLITE_CORRUPT);
  std::int64_t bytes = own.Int(0);
  TResultOf<std::map<std::int64_t, std::int64_t>> named = PiecesNamed(db, entry);
  if (!named) return named.Failure();
  TStatement size(db.Handle(), "SELECT size FROM shared_pieces WHERE id = ?");
  for (const auto& piece : named.Value()) {
    size.Reset();
    TResultOf<bool> there = db.Next(size.Bind(1, piece.first));
    if (!there) return there.Failure();
    if (there.Value()) bytes += size.Int(0);
  }
  return bytes;
}

// The finished entries, oldest first.
TResultOf<std::vector<std::int64_t>> FinishedEntries(THistoryDatabase& db) {
  TStatement statement(db.Handle(), "SELECT id FROM entries WHERE done = 1 ORDER BY id");
  return Rows<std::int64_t>(db, statement, [](const TStatement& row) { return row.Int(0); });
}

// The newest of the entries larger than the bound by itself, and its bytes; 0 when there is none.
TResultOf<std::pair<std::int64_t, std::int64_t>> Giant(THistoryDatabase& db, const std::vector<std::int64_t>& finished,
                                                       std::int64_t maxTagBytes) {
  for (auto entry = finished.rbegin(); entry != finished.rend(); ++entry) {
    TResultOf<std::int64_t> own = EntryBytes(db, *entry);
    if (!own) return own.Failure();
    if (own.Value() > maxTagBytes) return std::pair{*entry, own.Value()};
  }
  return std::pair<std::int64_t, std::int64_t>{0, 0};
}

// Oldest first, the finished entries that may go, never keep.
class TDropOrder {
 public:
  TDropOrder(std::vector<std::int64_t> finished, std::int64_t keep) : finished_(std::move(finished)), keep_(keep) {}
  bool CanDrop() const { return dropped_ < finished_.size() && finished_[dropped_] != keep_; }
  std::size_t LeftCount() const { return finished_.size() - dropped_; }
  std::size_t Dropped() const { return dropped_; }
  // Those not dropped yet.
  std::vector<std::int64_t> Left() const {
    return {finished_.begin() + static_cast<std::ptrdiff_t>(dropped_), finished_.end()};
  }
  std::int64_t Next() { return finished_[dropped_++]; }

 private:
  std::vector<std::int64_t> finished_;
  std::int64_t keep_;
  std::size_t dropped_ = 0;
};

// Drops entries past the bound of their tag bytes; the number dropped.
TResultOf<std::int64_t> DropForRoom(THistoryInternals& history, TDropOrder& order, std::int64_t maxTagBytes) {
  // The newest entry larger than the bound by itself is kept whole, and only the bytes of the
  // others count, so that it neither pushes out every older entry nor goes with the next command.
  TResultOf<std::pair<std::int64_t, std::int64_t>> giant = Giant(history.Database, order.Left(), maxTagBytes);
  if (!giant) return giant.Failure();
  const auto [giantEntry, giantBytes] = giant.Value();
  std::int64_t forRoom = 0;
  while (order.CanDrop()) {
    TResultOf<std::int64_t> bytes = StoredTagBytes(history.Database);
    if (!bytes) return bytes.Failure();
    if (bytes.Value() - giantBytes <= maxTagBytes) break;
    const std::int64_t entry = order.Next();
    if (entry == giantEntry) continue;
    if (TResult deleted = DropEntry(history, entry); !deleted) return deleted;
    ++forRoom;
  }
  return forRoom;
}

}  // namespace

TResult DropEntry(THistoryInternals& history, std::int64_t entry) {
  THistoryDatabase& db = history.Database;
  if (TResult begun = db.Execute("BEGIN IMMEDIATE"); !begun) return begun;
  TResultOf<std::map<std::int64_t, std::int64_t>> named = PiecesNamed(db, entry);
  TResult deleted = named ? DeleteRows(history, entry, named.Value()) : named.Failure();
  if (!deleted) {
    db.RollBack();
    return deleted;
  }
  if (TResult committed = db.Commit(); !committed) return committed;
  for (const auto& piece : named.Value()) history.Pieces.Forget(piece.first);  // looked up again if still there
  return {};
}

TResultOf<std::int64_t> Prune(THistoryInternals& history, const THistoryLimits& limits, std::int64_t keep) {
  // Oldest first, the entries past the bounds are dropped; never the one just finished.
  TResultOf<std::vector<std::int64_t>> finished = FinishedEntries(history.Database);
  if (!finished) return finished.Failure();
  TDropOrder order(std::move(finished.Value()), keep);
  const auto maxEntries = static_cast<std::size_t>(std::max<std::int64_t>(limits.MaxEntries, 0));
  while (order.LeftCount() > maxEntries && order.CanDrop()) {
    if (TResult deleted = DropEntry(history, order.Next()); !deleted) return deleted;
  }
  TResultOf<std::int64_t> bytes = StoredTagBytes(history.Database);
  if (!bytes) return bytes.Failure();
  TResultOf<std::int64_t> forRoom =
      bytes.Value() <= limits.MaxTagBytes ? std::int64_t{0} : DropForRoom(history, order, limits.MaxTagBytes);
  if (!forRoom) return forRoom;
  if (order.Dropped() > 0) {
    // Else at the next prune.
    (void)history.Database.Execute("PRAGMA incremental_vacuum");
    history.Pieces.Reclaim(history.Database);
  }
  return forRoom;
}

}  // namespace tagwright
