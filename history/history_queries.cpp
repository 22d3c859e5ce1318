// Reading the history's entries and records, and marking what became of them.
#include "history/history.h"
#include "history/history_internals.h"
#include "history/layout.h"
#include "history/record_checks.h"
#include "history/record_folders.h"

namespace tagwright {

namespace {

// An entry is undone when each of its changes is; a change given up before it was made does not count.
const char* const kEntryColumns =
    "SELECT e.id, e.time_ns, e.program, e.command, "
    "NOT EXISTS (SELECT 1 FROM changes c WHERE c.entry = e.id AND c.state IN (0, 1) AND c.undone = 0), "
    "COALESCE(e.undoes, 0), e.done, "
    "(SELECT count(*) FROM changes c WHERE c.entry = e.id AND c.state != 2), "
    "(SELECT count(*) FROM changes c WHERE c.entry = e.id AND c.state IN (0, 1) AND c.undone = 1), "
    "e.undone_by IS NOT NULL FROM entries e ";

// The entries' columns, then tail (conditions and order).
std::string EntrySql(std::string_view tail) {
  std::string sql(kEntryColumns);
  sql.append(tail);
  return sql;
}

THistoryEntry EntryOf(const TStatement& row) {
  THistoryEntry entry;
  entry.Id = row.Int(0);
  entry.TimeNs = row.Int(1);
  entry.Program = row.Text(2) == "window" ? TProgram::Window : TProgram::Cli;
  entry.Command = row.Text(3);
  entry.Undone = row.Int(4) != 0;
  entry.Undoes = row.Int(5);
  entry.Done = row.Int(6) != 0;
  entry.Files = row.Int(7);
  entry.FilesUndone = row.Int(8);
  entry.Undone = entry.Undone && entry.FilesUndone > 0;
  entry.UndoTried = row.Int(9) != 0;
  return entry;
}

// The first entry the statement gives, if any.
TResultOf<std::optional<THistoryEntry>> FirstEntry(THistoryDatabase& db, TStatement& statement) {
  TResultOf<std::vector<THistoryEntry>> rows = Rows<THistoryEntry>(db, statement, EntryOf);
  if (!rows) return rows.Failure();
  if (rows.Value().empty()) return std::optional<THistoryEntry>();
  return std::optional<THistoryEntry>(rows.Value().front());
}

const char* const kChangeColumns =
    "SELECT id, state, path_before, path_after, tag_written, old_head, old_tail, middle_size, "
    "whole, size_before, mode_before, temporary_name, recorded_ns, size_after, mtime_after_ns, "
    "head_size_after, head_hash_after, tail_after, mode_after, head_form, hash_form, "
    "head_hash_before, tail_hash_before, before_check, after_check, COALESCE(undoes_record, 0), "
    "undone, size_after IS NOT NULL, folders_made, folders_emptied FROM changes ";

// A record's fields as read, its old tag perhaps still a recipe.
TStoredChange RecordOf(const TStatement& row) {
  TStoredChange stored;
  stored.Record = row.Int(0);
  stored.State = static_cast<TStoredChange::TState>(row.Int(1));
  TFileChange& change = stored.Change;
  change.PathBefore = row.Text(2);
  change.PathAfter = row.Text(3);
  change.TagWritten = row.Int(4) != 0;
  change.Before.Head = row.Blob(5);
  change.Before.Tail = row.Blob(6);
  change.Before.MiddleSize = row.Int(7);
  change.Before.Whole = row.Int(8) != 0;
  change.Before.Size = row.Int(9);
  change.ModeBefore = static_cast<mode_t>(row.Int(10));
  change.TemporaryName = row.Text(11);
  change.RecordedNs = row.Int(12);
  change.Done = stored.State == TStoredChange::TState::Done;
  change.After.Size = row.Int(13);
  change.After.ModifiedNs = row.Int(14);
  change.After.HeadSize = row.Int(15);
  change.After.HeadHash = static_cast<std::uint64_t>(row.Int(16));
  change.After.Tail = row.Blob(17);
  change.After.Mode = static_cast<mode_t>(row.Int(18));
  change.After.HashForm = static_cast<THashForm>(row.Int(20));
  change.UndoesRecord = row.Int(25);
  stored.Undone = row.Int(26) != 0;
  change.AfterForeseen = stored.State == TStoredChange::TState::Planned && row.Int(27) != 0;
  // Only folders between the two names count: a damaged list makes or takes away nothing else.
  change.FoldersMade = SplitFolders(row.Blob(28), change.PathBefore, change.PathAfter);
  change.FoldersEmptied = SplitFolders(row.Blob(29), change.PathAfter, change.PathBefore);
  return stored;
}

// Whether the record fails the checks it carries: every byte it would write back, and every place
// it names, must be as recorded.
// An old tag kept in part by reference is checked once it is put together (see BeforeRecipe).
bool FailsChecks(const TStatement& row, const TFileChange& change) {
  if (!row.IsNull(23)) {
    const auto headHash = static_cast<std::uint64_t>(row.Int(21));
    const auto tailHash = static_cast<std::uint64_t>(row.Int(22));
    if ((change.BeforeRecipe.empty() && FramedTagHash(change.Before.Head) != headHash) ||
        HashTagBytes(change.Before.Tail, THashForm::Striped) != tailHash ||
        BeforeCheck(change, headHash, tailHash) != row.Int(23)) {
      return true;
    }
  }
  return !row.IsNull(24) && row.Int(27) != 0 && AfterCheck(change.PathAfter, change.After) != row.Int(24);
}

// A record as read, its old tag put together from its pieces, and checked.
TResultOf<TStoredChange> StoredChangeOf(const TStatement& row, THistoryInternals& history) {
  TStoredChange stored = RecordOf(row);
  TFileChange& change = stored.Change;
  if (row.Int(19) == kHeadRecipe && RecipeNamesAfter(change.Before.Head)) {
    // Kept in part by reference to the file after the change: put together once the file is looked
    // at (ResolveBeforeHead), and checked then.
    TResult unread;
    std::optional<std::string> recipe =
        InlineSharedPieces(change.Before.Head, history.Pieces.Lookup(history.Database, unread));
    if (!unread) return unread;  // the history cannot be read: that says nothing of the record
    const std::optional<std::size_t> size = recipe ? RecipeSize(*recipe) : std::nullopt;
    stored.Damaged = !size || row.IsNull(23);
    change.BeforeRecipe = recipe ? std::move(*recipe) : std::string();
    change.BeforeHeadSize = static_cast<std::int64_t>(size.value_or(0));
    change.BeforeHeadHash = static_cast<std::uint64_t>(row.Int(21));
    change.Before.Head.clear();
  } else if (row.Int(19) == kHeadRecipe) {
    TResult unread;
    std::optional<std::string> head = DecodeRecipe(change.Before.Head, history.Pieces.Lookup(history.Database, unread));
    if (!unread) return unread;  // the history cannot be read: that says nothing of the record
    if (head) {
      change.Before.Head = std::move(*head);
    } else {
      stored.Damaged = true;
    }
  }
  if (!stored.Damaged) stored.Damaged = FailsChecks(row, stored.Change);
  return stored;
}

}  // namespace

TResultOf<std::vector<THistoryEntry>> THistory::Entries(std::size_t limit) {
  const std::string sql = EntrySql(
      "WHERE EXISTS (SELECT 1 FROM changes c WHERE c.entry = e.id AND c.state != 2) "
      "ORDER BY e.id DESC LIMIT ?");
  TStatement statement(internals_->Database.Handle(), sql.c_str());
  statement.Bind(1, limit == 0 ? std::int64_t{-1} : static_cast<std::int64_t>(limit));
  return Rows<THistoryEntry>(internals_->Database, statement, EntryOf);
}

TResultOf<std::optional<THistoryEntry>> THistory::FindEntry(std::int64_t id) {
  TStatement statement(internals_->Database.Handle(), EntrySql("WHERE e.id = ?").c_str());
  statement.Bind(1, id);
  return FirstEntry(internals_->Database, statement);
}

TResultOf<std::optional<THistoryEntry>> THistory::NewestNotUndone() {
  const std::string sql = EntrySql(
      "WHERE e.undone_by IS NULL AND e.done = 1 AND "
      "EXISTS (SELECT 1 FROM changes c WHERE c.entry = e.id AND c.state = 1 AND c.undone = 0) "
      "ORDER BY e.id DESC LIMIT 1");
  TStatement statement(internals_->Database.Handle(), sql.c_str());
  return FirstEntry(internals_->Database, statement);
}

TResultOf<std::vector<TStoredChange>> THistory::Changes(std::int64_t entry) {
  THistoryDatabase& db = internals_->Database;
  TStatement statement(db.Handle(), (std::string(kChangeColumns) + "WHERE entry = ? ORDER BY id").c_str());
  statement.Bind(1, entry);
  std::vector<TStoredChange> changes;
  while (true) {
    TResultOf<bool> row = db.Next(statement);
    if (!row) return row.Failure();
    if (!row.Value()) return changes;
    TResultOf<TStoredChange> stored = StoredChangeOf(statement, *internals_);
    if (!stored) return stored.Failure();
    changes.push_back(std::move(stored.Value()));
  }
}

TResultOf<std::vector<std::int64_t>> THistory::Records(std::int64_t entry) {
  TStatement statement(internals_->Database.Handle(), "SELECT id FROM changes WHERE entry = ? ORDER BY id");
  statement.Bind(1, entry);
  return Rows<std::int64_t>(internals_->Database, statement, [](const TStatement& row) { return row.Int(0); });
}

TResultOf<TStoredChange> THistory::Change(std::int64_t record) {
  THistoryDatabase& db = internals_->Database;
  const std::lock_guard<std::mutex> lock(internals_->ChangeQueryLock);
  std::unique_ptr<TStatement>& statement = internals_->ChangeQuery;
  if (!statement)
    statement = std::make_unique<TStatement>(db.Handle(), (std::string(kChangeColumns) + "WHERE id = ?").c_str());
  statement->Reset();
  TResultOf<TStoredChange> stored = [&]() -> TResultOf<TStoredChange> {
    TResultOf<bool> row = db.Next(statement->Bind(1, record));
    if (!row) return row.Failure();
    if (!row.Value()) return db.Failure(SQLITE_CORRUPT);
    return StoredChangeOf(*statement, *internals_);
  }();
  statement->Reset();  // no read left open behind the caller
  return stored;
}

TResultOf<std::vector<THistoryEntry>> THistory::Interrupted() {
  TStatement statement(internals_->Database.Handle(), EntrySql("WHERE e.done = 0 ORDER BY e.id").c_str());
  TResultOf<std::vector<THistoryEntry>> rows = Rows<THistoryEntry>(internals_->Database, statement, EntryOf);
  if (!rows) return rows;
  std::vector<THistoryEntry> interrupted;
  for (const THistoryEntry& entry : rows.Value()) {
    // An entry whose lock cannot be looked at is not taken from a program that may still be at it.
    TResultOf<bool> elsewhere = internals_->Live.LockedElsewhere(entry.Id);
    if (!elsewhere) return elsewhere.Failure();
    if (!elsewhere.Value()) interrupted.push_back(entry);
  }
  return interrupted;
}

TResult THistory::MarkRolledBack(std::int64_t record) {
  TStatement statement(internals_->Database.Handle(), "UPDATE changes SET state = 2 WHERE id = ?");
  return internals_->Database.Run(statement.Bind(1, record));
}

TResult THistory::MarkRecordDone(std::int64_t record, const std::string& pathAfter, const TFileAfter& after) {
  // The after state foreseen stands; it is now under the name the file has.
  THistoryDatabase& db = internals_->Database;
  TStatement statement(db.Handle(), "UPDATE changes SET state = 1, path_after = ?, after_check = ? WHERE id = ?");
  statement.Bind(1, pathAfter).Bind(2, AfterCheck(pathAfter, after)).Bind(3, record);
  if (TResult marked = db.Run(statement); !marked) return marked;
  return MarkTakenBack(db, record);
}

TResult THistory::MarkRecordDamaged(std::int64_t record) {
  TStatement statement(internals_->Database.Handle(), "UPDATE changes SET state = 3 WHERE id = ?");
  return internals_->Database.Run(statement.Bind(1, record));
}

TResult THistory::MarkRecordLeftAlone(std::int64_t record) {
  TStatement statement(internals_->Database.Handle(), "UPDATE changes SET state = 4 WHERE id = ?");
  return internals_->Database.Run(statement.Bind(1, record));
}

TResultOf<std::optional<TChangeProof>> THistory::Proof(std::int64_t record) {
  THistoryDatabase& db = internals_->Database;
  TStatement statement(db.Handle(), "SELECT device, inode, audio, new_bytes FROM change_proofs WHERE record = ?");
  TResultOf<bool> row = db.Next(statement.Bind(1, record));
  if (!row) return row.Failure();
  if (!row.Value()) return std::optional<TChangeProof>();
  std::optional<std::vector<TNewBytes>> stretches = DecodeNewBytes(statement.Blob(3));
  if (!stretches) return std::optional<TChangeProof>();  // damaged: nothing is proved by it
  TChangeProof proof;
  proof.Device = statement.Int(0);
  proof.Inode = statement.Int(1);
  proof.Audio = static_cast<std::uint64_t>(statement.Int(2));
  proof.NewBytes = std::move(*stretches);
  return std::optional<TChangeProof>(std::move(proof));
}

const char* const kMarkTakenBack =
    "WITH RECURSIVE chain(id, depth) AS (SELECT undoes_record, 1 FROM changes WHERE id = ?1 AND "
    "undoes_record IS NOT NULL UNION ALL SELECT c.undoes_record, chain.depth + 1 FROM changes c "
    "JOIN chain ON c.id = chain.id WHERE c.undoes_record IS NOT NULL AND chain.depth < 100000) "
    "UPDATE changes SET undone = (SELECT depth % 2 FROM chain WHERE chain.id = changes.id) "
    "WHERE id IN (SELECT id FROM chain)";

TResult MarkTakenBack(THistoryDatabase& db, std::int64_t record) {
  TStatement chain(db.Handle(), kMarkTakenBack);
  return MarkTakenBack(db, chain, record);
}

TResult MarkTakenBack(THistoryDatabase& db, TStatement& chain, std::int64_t record) {
  // Down the line of changes the record takes back: the first is taken back, the one that undid is
  // there again, the one before that taken back again, and so on.
  chain.Reset();
  return db.Run(chain.Bind(1, record));
}

TResult THistory::MarkDone(std::int64_t entry) {
  TStatement statement(internals_->Database.Handle(), "UPDATE entries SET done = 1 WHERE id = ?");
  return internals_->Database.Run(statement.Bind(1, entry));
}

TResult THistory::MarkUndone(std::int64_t entry, std::int64_t by, TUndoReach reach) {
  THistoryDatabase& db = internals_->Database;
  if (by == 0) {
    // Tried, with nothing taken back.
    TStatement statement(db.Handle(), "UPDATE entries SET undone_by = 0 WHERE id = ?");
    return db.Run(statement.Bind(1, entry));
  }
  // As with the changes: the entry undone is taken back, the one it had undone is there again (an
  // undo can take it back once more), and so on down the line.
  TStatement chain(db.Handle(),
                   "WITH RECURSIVE chain(id, depth) AS (SELECT ?1, 1 UNION ALL SELECT e.undoes, chain.depth + 1 "
                   "FROM entries e JOIN chain ON e.id = chain.id WHERE COALESCE(e.undoes, 0) != 0 AND "
                   "chain.depth < 100000) UPDATE entries SET undone_by = CASE WHEN (SELECT depth % 2 FROM chain "
                   "WHERE chain.id = entries.id) = 1 THEN ?2 ELSE NULL END WHERE id IN (SELECT id FROM chain)");
  if (TResult marked = db.Run(chain.Bind(1, entry).Bind(2, by)); !marked || reach == TUndoReach::ToTheEnd)
    return marked;
  TStatement open(db.Handle(), "UPDATE entries SET undone_by = NULL WHERE id = ?");
  return db.Run(open.Bind(1, entry));
}

TResult THistory::DeleteEntry(std::int64_t entry) { return DropEntry(*internals_, entry); }

}  // namespace tagwright
