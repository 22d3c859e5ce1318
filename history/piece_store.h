// The store of shared pieces: the large frames of old tags (pictures, mostly), kept once each in
// the history however many records name them (head_recipe.h), with a count of those records.
// Pieces seen lately are remembered in memory, so that the same one is found without asking the
// database: their ids by fingerprint, and by id either their bytes (pieces read back) or where they
// lie in the piece file (pieces just added, whose bytes are not copied once more only to be
// compared now and then: a candidate is read back from the file, mostly from the page cache, and
// once met again kept in memory like the pieces read back). A pass looks them up while its previous
// batch is being recorded on another thread.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>

#include "files/result.h"
#include "history/database.h"
#include "history/head_recipe.h"
#include "history/piece_file.h"

namespace tagwright {

// A piece in the store, with the striped hash of its bytes.
struct TSharedPiece {
  std::int64_t Id = 0;
  std::uint64_t Hash = 0;
};

// The file beside the history that holds the pieces' bytes: history.sqlite3-pieces.
inline constexpr const char* kPieceFileSuffix = "-pieces";

class TPieceStore {
 public:
  // The piece file (piece_file.h) at path.
  TResult OpenFile(const std::string& path, bool writable) { return file_.Open(path, writable); }
  // Within a write transaction, the pieces it adds are written at the piece file's end as they
  // come, and flushed once (WriteBatch) before it commits; or given up with it (DropBatch).
  TResult BeginBatch() { return file_.BeginBatch(); }
  TResult WriteBatch() { return file_.WriteBatch(); }
  void DropBatch() { file_.DropBatch(); }
  // Gives back the space of the piece file that no piece in the store takes, in a transaction of
  // its own (a failure only leaves it for the next time).
  void Reclaim(THistoryDatabase& db);

  // The bytes of the pieces by id, as recipes look them up: read from the database when not
  // remembered. A piece that is not there is null; a failure to read is kept in failure (and the
  // piece null), so that the caller tells a history it cannot read from a damaged record.
  TSharedLookup Lookup(THistoryDatabase& db, TResult& failure);

  // The piece as remembered with these bytes, or nothing; its hash worked out once when asked.
  std::optional<TSharedPiece> Remembered(std::string_view piece, std::uint64_t fingerprint, bool withHash);

  // Inside the caller's transaction: the piece in the store, added when it is new. Pieces found
  // there within the transaction are in confirmed, which the transaction then keeps.
  // The piece's hash, when the caller knows it already, saves working it out again.
  TResultOf<TSharedPiece> Share(THistoryDatabase& db, std::string_view piece, std::set<std::int64_t>& confirmed,
                                std::uint64_t knownHash = 0);
  // Inside the caller's transaction: whether the piece is still in the store (another program may
  // have dropped it meanwhile); from then on the transaction keeps it.
  TResultOf<bool> Confirm(THistoryDatabase& db, std::int64_t id, std::set<std::int64_t>& confirmed);
  // Adds sign times the given number of records to each shared piece's count of the records that
  // name it.
  static TResult CountNames(THistoryDatabase& db, const std::map<std::int64_t, std::int64_t>& named, int sign);

  // Everything remembered goes: pieces added by a transaction given up are gone again.
  void ForgetAll();
  // The piece's bytes go (its fingerprint may stay: an id without bytes is looked up again).
  void Forget(std::int64_t id);

 private:
  struct TRemembered {
    std::string Bytes;
    std::uint64_t Hash = 0;  // 0 until asked for
  };
  // A piece remembered by its place in the piece file.
  struct TPlaced {
    std::int64_t At = 0;
    std::size_t Size = 0;
    std::uint64_t Hash = 0;
  };
  TResultOf<const std::string*> Bytes(THistoryDatabase& db, std::int64_t id);
  // The piece's id in the database, or 0.
  TResultOf<std::int64_t> Find(THistoryDatabase& db, std::string_view piece, std::uint64_t fingerprint,
                               std::uint64_t hash);
  void Remember(std::int64_t id, std::uint64_t fingerprint, std::string_view bytes, std::uint64_t hash = 0);
  void RememberPlace(std::int64_t id, std::uint64_t fingerprint, const TPlaced& placed);
  // With the lock held: where the hash of the remembered piece id is kept (0 until worked out), when
  // the piece has these bytes; null otherwise.
  std::uint64_t* HashIfEqual(std::int64_t id, std::string_view piece);

  std::mutex mutex_;
  std::unordered_multimap<std::uint64_t, std::int64_t> byFingerprint_;
  std::unordered_map<std::int64_t, TRemembered> pieces_;
  std::unordered_map<std::int64_t, TPlaced> placed_;
  std::string readBack_;  // a placed piece read back to be compared, with the lock held
  std::size_t bytes_ = 0;
  TPieceFile file_;
};

}  // namespace tagwright
