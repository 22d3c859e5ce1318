#include "history/piece_store.h"

#include <utility>

#include "tags/tag_snapshot.h"

namespace tagwright {

namespace {

// At most this many bytes of pieces are remembered; past it, memory starts afresh.
constexpr std::size_t kMaxRemembered = std::size_t{64} << 20;

// The bytes of a shared piece whose row holds its bytes, where it lies in the piece file and its
// size, in this order from column; false when they cannot be read, or are not the piece's.
bool ReadPiece(const TStatement& row, int column, const TPieceFile& file, std::uint64_t fingerprint,
               std::string& bytes) {
  if (row.IsNull(column + 1)) {
    bytes = row.Blob(column);
    return true;
  }
  return file.Read(row.Int(column + 1), row.Int(column + 2), bytes) && PieceFingerprint(bytes) == fingerprint;
}

}  // namespace

void TPieceStore::ForgetAll() {
  std::lock_guard<std::mutex> guard(mutex_);
  byFingerprint_.clear();
  pieces_.clear();
  placed_.clear();
  bytes_ = 0;
}

void TPieceStore::Remember(std::int64_t id, std::uint64_t fingerprint, std::string_view bytes, std::uint64_t hash) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (pieces_.contains(id)) return;
  if (bytes_ + bytes.size() > kMaxRemembered) {
    byFingerprint_.clear();
    pieces_.clear();
    placed_.clear();
    bytes_ = 0;
  }
  if (!placed_.contains(id)) byFingerprint_.emplace(fingerprint, id);
  pieces_.emplace(id, TRemembered{std::string(bytes), hash});
  bytes_ += bytes.size();
}

void TPieceStore::RememberPlace(std::int64_t id, std::uint64_t fingerprint, const TPlaced& placed) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (pieces_.contains(id) || !placed_.emplace(id, placed).second) return;
  byFingerprint_.emplace(fingerprint, id);
}

void TPieceStore::Forget(std::int64_t id) {
  std::lock_guard<std::mutex> guard(mutex_);
  pieces_.erase(id);
  placed_.erase(id);
}

std::uint64_t* TPieceStore::HashIfEqual(std::int64_t id, std::string_view piece) {
  if (auto known = pieces_.find(id); known != pieces_.end()) {
    return known->second.Bytes == piece ? &known->second.Hash : nullptr;
  }
  auto placed = placed_.find(id);
  if (placed == placed_.end() || placed->second.Size != piece.size()) return nullptr;
  // Read back to be compared: a piece whose place was given back since reads otherwise.
  const bool read = file_.Read(placed->second.At, static_cast<std::int64_t>(piece.size()), readBack_);
  if (!read || readBack_ != piece) return nullptr;
  if (bytes_ + piece.size() > kMaxRemembered) return &placed->second.Hash;
  // Met again, so shared indeed (a cover of an album, say): from now on compared in memory.
  const std::uint64_t hash = placed->second.Hash;
  placed_.erase(placed);
  bytes_ += piece.size();
  return &pieces_.insert_or_assign(id, TRemembered{std::exchange(readBack_, {}), hash}).first->second.Hash;
}

TResultOf<const std::string*> TPieceStore::Bytes(THistoryDatabase& db, std::int64_t id) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    if (auto known = pieces_.find(id); known != pieces_.end()) return &known->second.Bytes;
  }
  TStatement read(db.Handle(), "SELECT fingerprint, bytes, at, size FROM shared_pieces WHERE id = ?");
  TResultOf<bool> row = db.Next(read.Bind(1, id));
  if (!row) return row.Failure();
  std::string bytes;
  const auto fingerprint = static_cast<std::uint64_t>(read.Int(0));
  if (!row.Value() || !ReadPiece(read, 1, file_, fingerprint, bytes)) return static_cast<const std::string*>(nullptr);
  Remember(id, fingerprint, bytes);
  std::lock_guard<std::mutex> guard(mutex_);
  auto known = pieces_.find(id);
  return known != pieces_.end() ? &known->second.Bytes : nullptr;
}

TSharedLookup TPieceStore::Lookup(THistoryDatabase& db, TResult& failure) {
  return [this, &db, &failure](std::int64_t id) -> const std::string* {
    TResultOf<const std::string*> bytes = Bytes(db, id);
    if (bytes) return bytes.Value();
    failure = bytes.Failure();
    return nullptr;
  };
}

std::optional<TSharedPiece> TPieceStore::Remembered(std::string_view piece, std::uint64_t fingerprint, bool withHash) {
  std::lock_guard<std::mutex> guard(mutex_);
  auto [from, to] = byFingerprint_.equal_range(fingerprint);
  for (auto candidate = from; candidate != to; ++candidate) {
    std::uint64_t* hash = HashIfEqual(candidate->second, piece);
    if (hash == nullptr) continue;
    if (withHash && *hash == 0) *hash = HashTagBytes(piece, THashForm::Striped);
    return TSharedPiece{candidate->second, *hash};
  }
  return std::nullopt;
}

TResultOf<bool> TPieceStore::Confirm(THistoryDatabase& db, std::int64_t id, std::set<std::int64_t>& confirmed) {
  if (confirmed.contains(id)) return true;
  TStatement look(db.Handle(), "SELECT 1 FROM shared_pieces WHERE id = ?");
  TResultOf<bool> there = db.Next(look.Bind(1, id));
  if (!there) return there;
  if (there.Value()) {
    confirmed.insert(id);
  } else {
    Forget(id);
  }
  return there;
}

TResultOf<std::int64_t> TPieceStore::Find(THistoryDatabase& db, std::string_view piece, std::uint64_t fingerprint,
                                          std::uint64_t hash) {
  TStatement look(db.Handle(), "SELECT id, bytes, at, size FROM shared_pieces WHERE fingerprint = ? AND size = ?");
  look.Bind(1, static_cast<std::int64_t>(fingerprint)).Bind(2, static_cast<std::int64_t>(piece.size()));
  std::string bytes;
  while (true) {
    TResultOf<bool> row = db.Next(look);
    if (!row) return row.Failure();
    if (!row.Value()) return std::int64_t{0};
    if (ReadPiece(look, 1, file_, fingerprint, bytes) && bytes == piece) {
      Remember(look.Int(0), fingerprint, piece, hash);
      return look.Int(0);
    }
  }
}

TResultOf<TSharedPiece> TPieceStore::Share(THistoryDatabase& db, std::string_view piece,
                                           std::set<std::int64_t>& confirmed, std::uint64_t knownHash) {
  const std::uint64_t fingerprint = PieceFingerprint(piece);
  std::optional<TSharedPiece> remembered = Remembered(piece, fingerprint, knownHash == 0);
  // Not remembered: its hash is worked out once here, unless known.
  if (remembered && remembered->Hash == 0) remembered->Hash = knownHash;
  TSharedPiece shared =
      remembered.value_or(TSharedPiece{0, knownHash != 0 ? knownHash : HashTagBytes(piece, THashForm::Striped)});
  if (shared.Id == 0) {
    TResultOf<std::int64_t> found = Find(db, piece, fingerprint, shared.Hash);
    if (!found) return found.Failure();
    shared.Id = found.Value();
  }
  if (shared.Id != 0) {
    TResultOf<bool> there = Confirm(db, shared.Id, confirmed);
    if (!there) return there.Failure();
    if (!there.Value()) shared.Id = 0;
  }
  if (shared.Id != 0) return shared;
  // Its bytes go to the piece file with the batch's, before the transaction commits.
  TStatement add(db.Handle(), "INSERT INTO shared_pieces(fingerprint, size, bytes, at) VALUES(?, ?, X'', ?)");
  add.Bind(1, static_cast<std::int64_t>(fingerprint)).Bind(2, static_cast<std::int64_t>(piece.size()));
  TResultOf<std::int64_t> at = file_.Add(piece);
  if (!at) return at.Failure();
  add.Bind(3, at.Value());
  if (TResult added = db.Run(add); !added) return added;
  shared.Id = db.LastInsertId();
  RememberPlace(shared.Id, fingerprint, TPlaced{at.Value(), piece.size(), shared.Hash});
  confirmed.insert(shared.Id);
  return shared;
}

TResult TPieceStore::CountNames(THistoryDatabase& db, const std::map<std::int64_t, std::int64_t>& named, int sign) {
  TStatement count(db.Handle(),
                   "INSERT INTO piece_refs(refs, piece) VALUES(?, ?) "
                   "ON CONFLICT(piece) DO UPDATE SET refs = refs + excluded.refs");
  for (auto [piece, times] : named) {
    count.Reset();
    if (TResult counted = db.Run(count.Bind(1, sign * times).Bind(2, piece)); !counted) return counted;
  }
  return {};
}

void TPieceStore::Reclaim(THistoryDatabase& db) {
  // Under the write lock, so that no program adds pieces meanwhile.
  if (!db.Execute("BEGIN IMMEDIATE")) return;  // given back another time
  TStatement used(db.Handle(), "SELECT at, size FROM shared_pieces WHERE at IS NOT NULL ORDER BY at");
  std::vector<std::pair<std::int64_t, std::int64_t>> spans;
  int code;
  while ((code = used.Step()) == SQLITE_ROW) spans.emplace_back(used.Int(0), used.Int(1));
  if (code == SQLITE_DONE) file_.Reclaim(spans);
  db.RollBack();  // nothing of the database was changed
}

}  // namespace tagwright
