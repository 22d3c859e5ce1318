#include "history/layout.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include <sys/stat.h>

namespace tagwright {

namespace {

constexpr int kBusyTimeoutMs = 10000;
// Reads never wait long: only for another program setting up the history's shared index.
constexpr int kReadOnlyBusyTimeoutMs = 1000;

const char* const kSchema = R"sql(
CREATE TABLE IF NOT EXISTS entries(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  time_ns INTEGER NOT NULL,
  program TEXT NOT NULL,
  command TEXT NOT NULL,
  pid INTEGER NOT NULL,
  done INTEGER NOT NULL DEFAULT 0,
  undone_by INTEGER,
  undoes INTEGER,
  tag_bytes INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS changes(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  entry INTEGER NOT NULL,
  state INTEGER NOT NULL DEFAULT 0,
  path_before TEXT NOT NULL,
  path_after TEXT NOT NULL,
  tag_written INTEGER NOT NULL,
  old_head BLOB,
  old_tail BLOB,
  middle_size INTEGER NOT NULL,
  whole INTEGER NOT NULL,
  size_before INTEGER NOT NULL,
  mode_before INTEGER NOT NULL,
  temporary_name TEXT,
  recorded_ns INTEGER NOT NULL,
  size_after INTEGER,
  mtime_after_ns INTEGER,
  head_size_after INTEGER,
  head_hash_after INTEGER,
  tail_after BLOB,
  mode_after INTEGER,
  head_form INTEGER NOT NULL DEFAULT 0,
  hash_form INTEGER NOT NULL DEFAULT 0);
CREATE INDEX IF NOT EXISTS changes_of_entry ON changes(entry, id);
)sql";

// Shared pieces of old tags (head_recipe.h): their bytes in the piece file (piece_file.h) at "at",
// or, in a history of an older layout, in "bytes". Ids are never used twice, so that an id remembered
// stands for the same bytes as long as the piece is there. Stored tag bytes are the entries'
// tag_bytes (their own) and the pieces' sizes.
const char* const kSharedPiecesSchema = R"sql(
CREATE TABLE IF NOT EXISTS shared_pieces(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  fingerprint INTEGER NOT NULL,
  size INTEGER NOT NULL,
  bytes BLOB NOT NULL,
  at INTEGER);
CREATE INDEX IF NOT EXISTS shared_pieces_by_fingerprint ON shared_pieces(fingerprint);
)sql";

// What a record keeps to prove after a crash that a song is the file it was writing, left torn
// (change_proof.h); a table of its own, so that programs of the older layouts read the history as
// they always did.
const char* const kChangeProofsSchema = R"sql(
CREATE TABLE IF NOT EXISTS change_proofs(
  record INTEGER PRIMARY KEY,
  device INTEGER NOT NULL,
  inode INTEGER NOT NULL,
  audio INTEGER NOT NULL,
  new_bytes BLOB);
)sql";

// How many records name each shared piece. The counts live apart from the pieces, so that
// counting a batch's records rewrites one small page, not the page of every picture they name.
const char* const kPieceRefsSchema = R"sql(
CREATE TABLE IF NOT EXISTS piece_refs(
  piece INTEGER PRIMARY KEY,
  refs INTEGER NOT NULL);
)sql";

// The version of the history's layout, in PRAGMA user_version.
constexpr int kLayoutVersion = 7;

// Columns of the fourth layout: the hashes that guard each record, and which changes were undone.
// A record of an older layout has no hashes and is taken as it is.
const char* const kCheckedColumns[][2] = {{"head_hash_before", "INTEGER"}, {"tail_hash_before", "INTEGER"},
                                          {"before_check", "INTEGER"},     {"after_check", "INTEGER"},
                                          {"undoes_record", "INTEGER"},    {"undone", "INTEGER NOT NULL DEFAULT 0"}};

// The path as an SQLite URI: absolute, with the characters a URI gives meaning to escaped.
std::string UriOf(const std::string& path) {
  std::error_code error;
  std::string absolute = std::filesystem::absolute(path, error).string();
  if (error) absolute = path;
  std::string uri = "file://";
  for (const char c : absolute) {
    if (c == '%' || c == '?' || c == '#') {
      static const char kHex[] = "0123456789ABCDEF";
      uri += '%';
      uri += kHex[(static_cast<unsigned char>(c) >> 4) & 0xF];
      uri += kHex[static_cast<unsigned char>(c) & 0xF];
    } else {
      uri += c;
    }
  }
  return uri;
}

using TClock = std::chrono::steady_clock;

bool IsBusy(const TResult& result) { return result.Error() == std::errc::device_or_resource_busy; }

// Runs step until it is not told "busy", or until the busy timeout since start has passed.
template <typename F>
TResult UntilNotBusy(TClock::time_point start, F step) {
  while (true) {
    TResult done = step();
    if (!IsBusy(done) || TClock::now() - start > std::chrono::milliseconds(kBusyTimeoutMs)) return done;
    HistoryBusy();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// Two programs opening a new history at once: the one that is not first to change the journal
// mode or make the tables is told "busy" without the busy handler; it tries again until the
// timeout.
TResult Settle(THistoryDatabase& db, TClock::time_point start) {
  // The page size and the vacuum mode are taken by a new database only; asking for the vacuum mode
  // again would wait for any other program's write.
  bool laidOut = false;
  {
    TStatement vacuum(db.Handle(), "PRAGMA auto_vacuum");
    laidOut = vacuum.Step() == SQLITE_ROW && vacuum.Int(0) == 2;
  }
  // Large pages: pictures new to the history are tens or hundreds of kilobytes each.
  // Stored tag bytes come and go: freed pages are given back to the file system.
  if (!laidOut) {
    for (const char* sql : {"PRAGMA page_size = 65536", "PRAGMA auto_vacuum = INCREMENTAL"}) {
      if (TResult done = UntilNotBusy(start, [&] { return db.Execute(sql); }); !done) return done;
    }
  }
  // Each commit reaches the disk before the files it records are touched.
  // The write-ahead log is carried into the database every 16 MB and then cut back to that size.
  // What SQLite works on for a moment (a statement's own journal, a sort) stays in memory rather
  // than in a file made and removed in /var/tmp for each record.
  for (const char* sql : {"PRAGMA journal_mode = WAL", "PRAGMA synchronous = FULL", "PRAGMA wal_autocheckpoint = 256",
                          "PRAGMA journal_size_limit = 16777216", "PRAGMA temp_store = MEMORY"}) {
    if (TResult done = UntilNotBusy(start, [&] { return db.Execute(sql); }); !done) return done;
  }
  return {};
}

// Adds the column to changes unless it is there.
TResult AddColumn(THistoryDatabase& db, const char* column, const char* type) {
  TResultOf<bool> there = db.HasColumn("changes", column);
  if (!there) return there.Failure();
  if (there.Value()) return {};
  const std::string add = std::string("ALTER TABLE changes ADD COLUMN ") + column + " " + type;
  return db.Execute(add.c_str());
}

// Inside the caller's transaction: the tables made, and those of an older layout brought up to it.
TResult LayOut(THistoryDatabase& db) {
  for (const char* schema : {kSchema, kSharedPiecesSchema, kPieceRefsSchema, kChangeProofsSchema}) {
    if (TResult made = db.Execute(schema); !made) return made;
  }
  // A history of the second layout counted the records of a piece beside its bytes. The counts
  // move; the old ones are set out of reach, so that a program of that layout, should one open
  // this history again, never drops a piece that newer records name.
  TResultOf<bool> oldCounts = db.HasColumn("shared_pieces", "refs");
  if (!oldCounts) return oldCounts.Failure();
  if (oldCounts.Value()) {
    for (const char* move : {"INSERT OR REPLACE INTO piece_refs(piece, refs) SELECT id, refs FROM shared_pieces",
                             "UPDATE shared_pieces SET refs = 4611686018427387904"}) {
      if (TResult moved = db.Execute(move); !moved) return moved;
    }
  }
  // A history of the fourth layout keeps the bytes of every shared piece in the database; new
  // pieces go to the piece file.
  TResultOf<bool> inFile = db.HasColumn("shared_pieces", "at");
  if (!inFile) return inFile.Failure();
  if (!inFile.Value()) {
    if (TResult added = db.Execute("ALTER TABLE shared_pieces ADD COLUMN at INTEGER"); !added) return added;
  }
  // A history of the first layout keeps each old tag whole and hashes new tags in the serial
  // form; its records stay as they are.
  for (const char* column : {"head_form", "hash_form"}) {
    if (TResult added = AddColumn(db, column, "INTEGER NOT NULL DEFAULT 0"); !added) return added;
  }
  for (const auto& [column, type] : kCheckedColumns) {
    if (TResult added = AddColumn(db, column, type); !added) return added;
  }
  // Of the seventh: the folders a rename made for its new name, or took away from its old one.
  for (const char* column : {"folders_made", "folders_emptied"}) {
    if (TResult added = AddColumn(db, column, "BLOB"); !added) return added;
  }
  // An older layout marked whole entries undone: so were their changes.
  if (TResult marked = db.Execute("UPDATE changes SET undone = 1 WHERE state = 1 AND entry IN "
                                  "(SELECT id FROM entries WHERE undone_by IS NOT NULL)");
      !marked) {
    return marked;
  }
  const std::string set = "PRAGMA user_version = " + std::to_string(kLayoutVersion);
  return db.Execute(set.c_str());
}

// The tables, made or brought up to date in one transaction.
TResult Migrate(THistoryDatabase& db) {
  TStatement version(db.Handle(), "PRAGMA user_version");
  if (version.Step() == SQLITE_ROW && version.Int(0) >= kLayoutVersion) return {};
  if (TResult begun = db.Execute("BEGIN IMMEDIATE"); !begun) return begun;
  if (TResult laid = LayOut(db); !laid) {
    db.RollBack();
    return laid;
  }
  return db.Commit();
}

}  // namespace

TResult OpenLaidOut(THistoryDatabase& db) {
  constexpr int kFlags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
  if (TResult opened = db.Open(db.Path(), kFlags, kBusyTimeoutMs); !opened) return opened;
  // The write-ahead log is carried into the database as it grows, and when the program is done
  // with the history (see ~THistoryDatabase), not when any connection closes.
  sqlite3_db_config(db.Handle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  const TClock::time_point start = TClock::now();
  if (TResult settled = Settle(db, start); !settled) return settled;
  // Another program laying the tables out at the same moment is waited for too: when its
  // transaction began after this one read the layout's version, SQLite says "busy" at once,
  // without the busy handler.
  if (TResult laid = UntilNotBusy(start, [&] { return Migrate(db); }); !laid) return laid;
  return UntilNotBusy(start, [&] { return db.Execute("SELECT count(*) FROM entries"); });
}

TResultOf<bool> OpenToRead(THistoryDatabase& db) {
  // The log and the shared index are made by the first program that writes; until then the
  // whole history is in its main file, which is read as it is so that nothing is made beside
  // it. A writer that starts meanwhile puts its changes in a log of its own first.
  const std::string& path = db.Path();
  struct stat wal {};
  struct stat shm {};
  const bool hasWal = ::stat((path + "-wal").c_str(), &wal) == 0;
  const bool hasShm = ::stat((path + "-shm").c_str(), &shm) == 0;
  const bool asItIs = !hasShm && (!hasWal || wal.st_size == 0);
  const std::string uri = UriOf(path) + (asItIs ? "?mode=ro&immutable=1" : "?mode=ro");
  constexpr int kFlags = SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_FULLMUTEX;
  if (TResult opened = db.Open(uri, kFlags, kReadOnlyBusyTimeoutMs); !opened) return opened;
  TStatement tables(db.Handle(), "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name = 'entries'");
  const int found = tables.Step();
  if (found != SQLITE_ROW) return db.OpenFailure(found);
  return tables.Int(0) != 0;
}

}  // namespace tagwright
