#include "history/history_recorder.h"

#include <algorithm>
#include <utility>

#include <unistd.h>

#include "history/history.h"
#include "history/history_internals.h"
#include "history/layout.h"
#include "history/record_checks.h"
#include "history/record_folders.h"

namespace tagwright {

namespace {

const char* const kInsertRecord =
    "INSERT INTO changes(entry, path_before, path_after, tag_written, old_head, old_tail, "
    "middle_size, whole, size_before, mode_before, temporary_name, recorded_ns, head_form, "
    "head_hash_before, tail_hash_before, before_check, undoes_record, size_after, head_size_after, "
    "head_hash_after, tail_after, mode_after, hash_form, after_check, folders_made, folders_emptied) "
    "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";

const char* const kInsertProof =
    "INSERT OR REPLACE INTO change_proofs(record, device, inode, audio, new_bytes) VALUES(?, ?, ?, ?, ?)";

// The record of a change, its old tag kept as head (its bytes, or the recipe that names its
// shared pieces).
void BindRecord(TStatement& insert, std::int64_t entry, const TFileChange& change, std::string_view head,
                bool byRecipe) {
  insert.Bind(1, entry).Bind(2, change.PathBefore).Bind(3, change.PathAfter).Bind(4, change.TagWritten ? 1 : 0);
  insert.BindBlob(5, head).BindBlob(6, change.Before.Tail);
  insert.Bind(7, change.Before.MiddleSize).Bind(8, change.Before.Whole ? 1 : 0).Bind(9, change.Before.Size);
  insert.Bind(10, static_cast<std::int64_t>(change.ModeBefore)).Bind(11, change.TemporaryName);
  insert.Bind(12, change.RecordedNs).Bind(13, std::int64_t{byRecipe ? kHeadRecipe : kHeadBytes});
  // Each record carries the hashes of what it keeps, checked before any of it is written back.
  const std::uint64_t headHash = HeadHashBefore(change);
  const std::uint64_t tailHash = HashTagBytes(change.Before.Tail, THashForm::Striped);
  insert.Bind(14, static_cast<std::int64_t>(headHash)).Bind(15, static_cast<std::int64_t>(tailHash));
  insert.Bind(16, BeforeCheck(change, headHash, tailHash));
  if (change.UndoesRecord != 0) insert.Bind(17, change.UndoesRecord);
  if (change.AfterForeseen) {
    const TFileAfter& after = change.After;
    insert.Bind(18, after.Size).Bind(19, after.HeadSize).Bind(20, static_cast<std::int64_t>(after.HeadHash));
    insert.BindBlob(21, after.Tail).Bind(22, static_cast<std::int64_t>(after.Mode));
    insert.Bind(24, AfterCheck(change.PathAfter, after));
  }
  insert.Bind(23, static_cast<std::int64_t>(change.AfterForeseen ? change.After.HashForm : THashForm::Serial));
  if (!change.FoldersMade.empty()) insert.BindBlobCopy(25, JoinFolders(change.FoldersMade));
  if (!change.FoldersEmptied.empty()) insert.BindBlobCopy(26, JoinFolders(change.FoldersEmptied));
}

}  // namespace

THistoryRecorder::THistoryRecorder(THistory& history, TProgram program, std::string command, std::int64_t undoes)
    : history_(history), program_(program), command_(std::move(command)), undoes_(undoes) {}

THistoryRecorder::~THistoryRecorder() {
  // A recorder dropped unfinished leaves its entry for the repair at the next start.
  if (entry_ != 0 && !finished_) (void)history_.internals_->Live.Unlock(entry_);  // ends with the program anyway
}

TResultOf<std::vector<std::int64_t>> THistoryRecorder::RecordBatch(std::vector<TFileChange>& changes) {
  // Each song is looked at before the history is locked: what proves its write its own, should
  // a crash tear it.
  TBatch batch;
  batch.Proofs.reserve(changes.size());
  for (const TFileChange& change : changes) batch.Proofs.push_back(ProofBefore(change));
  std::lock_guard<std::mutex> guard(databaseMutex_);
  THistoryInternals& history = *history_.internals_;
  if (TResult begun = history.Database.Execute("BEGIN IMMEDIATE"); !begun) return begun;
  piecesConfirmed_.clear();
  std::vector<TPendingAfter> afters = TakePendingAfters();
  TResult written = history.Pieces.BeginBatch();
  if (written) written = WriteAfters(afters);
  if (written) written = WriteRecords(changes, batch);
  bool locked = false;
  if (written && entry_ == 0) {
    // Held until the entry is finished, so that no other program takes it for an interrupted one;
    // without the lock only a start during this run could misjudge it.
    locked = history.Live.Lock(batch.Entry).Ok();
  }
  // The pieces new to the store reach the disk before the records that name them.
  if (written) written = history.Pieces.WriteBatch();
  if (written) written = history.Database.Commit();
  if (!written) {
    // Nothing of the transaction stays: the failure is what is reported.
    history.Pieces.DropBatch();
    history.Database.RollBack();
    history.Pieces.ForgetAll();  // pieces added within the transaction are gone again
    ReturnPendingAfters(std::move(afters));
    if (locked) (void)history.Live.Unlock(batch.Entry);  // the entry was never written
    return written;
  }
  entry_ = batch.Entry;
  files_ += static_cast<std::int64_t>(changes.size());
  if (!batch.Records.empty()) history.Live.NoteRecorded(batch.Records.back());
  SpendAfters(std::move(afters));
  return std::move(batch.Records);
}

TResultOf<std::int64_t> THistoryRecorder::WriteEntry() {
  THistoryDatabase& db = history_.internals_->Database;
  TStatement insert(db.Handle(), "INSERT INTO entries(time_ns, program, command, pid, undoes) VALUES(?, ?, ?, ?, ?)");
  insert.Bind(1, NowNs()).Bind(2, std::string(ProgramName(program_))).Bind(3, command_).Bind(4, ::getpid());
  if (undoes_ != 0) insert.Bind(5, undoes_);
  if (TResult inserted = db.Run(insert); !inserted) return inserted;
  return db.LastInsertId();
}

TResult THistoryRecorder::WriteRecords(std::vector<TFileChange>& changes, TBatch& batch) {
  THistoryInternals& history = *history_.internals_;
  THistoryDatabase& db = history.Database;
  batch.Entry = entry_;
  if (batch.Entry == 0) {
    TResultOf<std::int64_t> entry = WriteEntry();
    if (!entry) return entry.Failure();
    batch.Entry = entry.Value();
  }
  TStatement insert(db.Handle(), kInsertRecord);
  TStatement proven(db.Handle(), kInsertProof);
  for (std::size_t i = 0; i < changes.size(); ++i) {
    TFileChange& change = changes[i];
    std::string recipe;
    std::vector<std::int64_t> pieces;
    if (TResult stored = StoreHead(change, recipe, pieces); !stored) return stored;
    const bool byRecipe = !recipe.empty();
    const std::string_view head = byRecipe ? std::string_view(recipe) : std::string_view(change.Before.Head);
    insert.Reset();
    BindRecord(insert, batch.Entry, change, head, byRecipe);
    if (TResult inserted = db.Run(insert); !inserted) return inserted;
    batch.Records.push_back(db.LastInsertId());
    if (i < batch.Proofs.size() && batch.Proofs[i]) {
      const TChangeProof& proof = *batch.Proofs[i];
      const std::string newBytes = EncodeNewBytes(proof.NewBytes);  // bound, not copied, until the run
      proven.Reset();
      proven.Bind(1, batch.Records.back()).Bind(2, proof.Device).Bind(3, proof.Inode);
      proven.Bind(4, static_cast<std::int64_t>(proof.Audio)).BindBlob(5, newBytes);
      if (TResult inserted = db.Run(proven); !inserted) return inserted;
    }
    batch.Bytes += static_cast<std::int64_t>(head.size() + change.Before.Tail.size());
    for (std::int64_t piece : pieces) ++batch.Named[piece];
  }
  if (TResult counted = TPieceStore::CountNames(db, batch.Named, +1); !counted) return counted;
  TStatement counted(db.Handle(), "UPDATE entries SET tag_bytes = tag_bytes + ? WHERE id = ?");
  return db.Run(counted.Bind(1, batch.Bytes).Bind(2, batch.Entry));
}

TResultOf<bool> THistoryRecorder::PreparedHeadHolds(const std::vector<std::int64_t>& pieces) {
  THistoryInternals& history = *history_.internals_;
  for (std::int64_t piece : pieces) {
    TResultOf<bool> there = history.Pieces.Confirm(history.Database, piece, piecesConfirmed_);
    if (!there || !there.Value()) return there;
  }
  return true;
}

TResult THistoryRecorder::StoreHead(TFileChange& change, std::string& recipe, std::vector<std::int64_t>& pieces) {
  THistoryInternals& history = *history_.internals_;
  if (!change.JournalHead.empty()) {
    // Worked out ahead: good as long as its pieces are still in the store.
    pieces = SharedPiecesOf(change.JournalHead);
    TResultOf<bool> holds = PreparedHeadHolds(pieces);
    if (!holds) return holds.Failure();
    if (holds.Value()) {
      recipe = change.JournalHead;
      return {};
    }
    pieces.clear();
  }
  const std::string_view head = change.Before.Head;
  // Worked out again below, from the hashes of large frames known already.
  const std::vector<TFrameHash> known = std::exchange(change.BeforeFrameHashes, {});
  std::vector<THeadPiece> cut = CutHeadKeeping(head, change.KeptInAfter);
  const bool worthIt = std::any_of(cut.begin(), cut.end(),
                                   [](const THeadPiece& piece) { return piece.Kind != THeadPiece::TKind::Bytes; });
  if (!worthIt) return {};  // kept as it is
  for (THeadPiece& piece : cut) {
    if (!piece.LargeFrame) continue;
    const std::string_view bytes = head.substr(piece.Offset, piece.Size);
    std::uint64_t hash = 0;
    for (const TFrameHash& frame : known) {
      if (frame.Offset == piece.Offset && frame.Size == piece.Size) hash = frame.Hash;
    }
    if (piece.Kind == THeadPiece::TKind::After) {
      if (hash == 0) hash = HashTagBytes(bytes, THashForm::Striped);  // for the hashes of the old tag and the new
    } else {
      TResultOf<TSharedPiece> shared = history.Pieces.Share(history.Database, bytes, piecesConfirmed_, hash);
      if (!shared) return shared.Failure();
      piece.Shared = shared.Value().Id;
      hash = shared.Value().Hash;
      pieces.push_back(piece.Shared);
    }
    change.BeforeFrameHashes.push_back({piece.Offset, piece.Size, hash});
  }
  recipe = EncodeRecipe(head, cut);
  return {};
}

void THistoryRecorder::PrepareRecord(TFileChange& change) {
  const std::string& head = change.Before.Head;
  std::vector<THeadPiece> cut = CutHeadKeeping(head, change.KeptInAfter);
  bool allKnown = true;
  for (THeadPiece& piece : cut) {
    if (!piece.LargeFrame) continue;
    const std::string_view bytes = std::string_view(head).substr(piece.Offset, piece.Size);
    std::uint64_t hash = 0;
    if (piece.Kind == THeadPiece::TKind::Shared) {
      std::optional<TSharedPiece> known = history_.internals_->Pieces.Remembered(bytes, PieceFingerprint(bytes), true);
      if (known) {
        piece.Shared = known->Id;
        hash = known->Hash;
      }
      allKnown = allKnown && known.has_value();  // a piece new to the store is added when recorded
    }
    // Worked out once, here: for the hashes of the old tag and of the new one, and for the store.
    if (hash == 0) hash = HashTagBytes(bytes, THashForm::Striped);
    change.BeforeFrameHashes.push_back({piece.Offset, piece.Size, hash});
  }
  if (allKnown) change.JournalHead = EncodeRecipe(head, cut);
}

TResult THistoryRecorder::RecordNotMade(std::int64_t record) {
  std::lock_guard<std::mutex> guard(databaseMutex_);
  return history_.MarkRolledBack(record);
}

TResult THistoryRecorder::RecordNoneMade(const std::vector<std::int64_t>& records) {
  std::lock_guard<std::mutex> guard(databaseMutex_);
  THistoryDatabase& db = history_.internals_->Database;
  if (TResult begun = db.Execute("BEGIN IMMEDIATE"); !begun) return begun;
  for (const std::int64_t record : records) {
    if (TResult marked = history_.MarkRolledBack(record); !marked) {
      db.RollBack();
      return marked;
    }
  }
  return db.Commit();
}

TResult THistoryRecorder::RecordTemporaryName(std::int64_t record, const std::string& name) {
  std::lock_guard<std::mutex> guard(databaseMutex_);
  THistoryDatabase& db = history_.internals_->Database;
  TStatement statement(db.Handle(), "UPDATE changes SET temporary_name = ? WHERE id = ?");
  return db.Run(statement.Bind(1, name).Bind(2, record));
}

TResult THistoryRecorder::RecordAfter(std::int64_t record, const std::string& pathAfter, TFileAfter after) {
  std::vector<TPendingAfter> spent;  // freed here, outside the lock
  std::lock_guard<std::mutex> guard(pendingMutex_);
  pendingAfters_.push_back({record, pathAfter, std::move(after)});
  spent.swap(spentAfters_);
  return {};
}

void THistoryRecorder::SpendAfters(std::vector<TPendingAfter> afters) {
  if (afters.empty()) return;
  std::lock_guard<std::mutex> guard(pendingMutex_);
  if (spentAfters_.empty()) {
    spentAfters_ = std::move(afters);
  } else {
    spentAfters_.insert(spentAfters_.end(), std::make_move_iterator(afters.begin()),
                        std::make_move_iterator(afters.end()));
  }
}

std::vector<THistoryRecorder::TPendingAfter> THistoryRecorder::TakePendingAfters() {
  std::lock_guard<std::mutex> guard(pendingMutex_);
  return std::exchange(pendingAfters_, {});
}

void THistoryRecorder::ReturnPendingAfters(std::vector<TPendingAfter> afters) {
  std::lock_guard<std::mutex> guard(pendingMutex_);
  afters.insert(afters.end(), std::make_move_iterator(pendingAfters_.begin()),
                std::make_move_iterator(pendingAfters_.end()));
  pendingAfters_ = std::move(afters);
}

TResult THistoryRecorder::WriteAfters(const std::vector<TPendingAfter>& afters) {
  if (afters.empty()) return {};
  THistoryDatabase& db = history_.internals_->Database;
  TStatement statement(db.Handle(),
                       "UPDATE changes SET state = 1, path_after = ?, size_after = ?, mtime_after_ns = ?, "
                       "head_size_after = ?, head_hash_after = ?, tail_after = ?, mode_after = ?, hash_form = ?, "
                       "after_check = ? WHERE id = ?");
  TStatement takenBack(db.Handle(), kMarkTakenBack);
  for (const TPendingAfter& pending : afters) {
    statement.Reset();
    const TFileAfter& after = pending.After;
    statement.Bind(1, pending.PathAfter).Bind(2, after.Size).Bind(3, after.ModifiedNs).Bind(4, after.HeadSize);
    statement.Bind(5, static_cast<std::int64_t>(after.HeadHash)).BindBlob(6, after.Tail);
    statement.Bind(7, static_cast<std::int64_t>(after.Mode));
    statement.Bind(8, static_cast<std::int64_t>(after.HashForm)).Bind(9, AfterCheck(pending.PathAfter, after));
    statement.Bind(10, pending.Record);
    if (TResult written = db.Run(statement); !written) return written;
    if (TResult marked = MarkTakenBack(db, takenBack, pending.Record); !marked) return marked;
  }
  return {};
}

TResult THistoryRecorder::WriteFinished(const std::vector<TPendingAfter>& afters) {
  if (TResult written = WriteAfters(afters); !written) return written;
  if (TResult marked = history_.MarkDone(entry_); !marked) return marked;
  if (undoes_ != 0) return history_.MarkUndone(undoes_, entry_, reach_);
  return {};
}

TResult THistoryRecorder::Finish() {
  std::lock_guard<std::mutex> guard(databaseMutex_);
  if (entry_ == 0 || finished_) return {};
  THistoryInternals& history = *history_.internals_;
  // Unlike a record, the mark of a finished entry need not wait for the disk: should it be lost,
  // the next start judges the entry's files from their bytes and finds them finished.
  (void)history.Database.Execute("PRAGMA synchronous = NORMAL");  // at worst the commit waits for the disk
  struct TRestore {
    THistoryDatabase& db;
    ~TRestore() { (void)db.Execute("PRAGMA synchronous = FULL"); }  // see OpenLaidOut
  } restore{history.Database};
  if (TResult begun = history.Database.Execute("BEGIN IMMEDIATE"); !begun) return begun;
  std::vector<TPendingAfter> afters = TakePendingAfters();
  if (TResult marked = WriteFinished(afters); !marked) {
    history.Database.RollBack();
    ReturnPendingAfters(std::move(afters));
    return marked;
  }
  if (TResult committed = history.Database.Commit(); !committed) {
    ReturnPendingAfters(std::move(afters));
    return committed;
  }
  finished_ = true;
  (void)history.Live.Unlock(entry_);  // a lock that cannot be let go ends with the program anyway
  TResultOf<std::int64_t> pruned = Prune(history, history_.limits_, entry_);
  if (!pruned) return pruned.Failure();
  droppedForRoom_ = pruned.Value();
  return {};
}

}  // namespace tagwright
