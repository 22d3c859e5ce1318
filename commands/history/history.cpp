#include "commands/history/history.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include "commands/history/head_recipe.h"

namespace tagwright {

namespace {

constexpr int kBusyTimeoutMs = 10000;

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

// How many records name each shared piece. The counts live apart from the pieces, so that
// counting a batch's records rewrites one small page, not the page of every picture they name.
const char* const kPieceRefsSchema = R"sql(
CREATE TABLE IF NOT EXISTS piece_refs(
  piece INTEGER PRIMARY KEY,
  refs INTEGER NOT NULL);
)sql";

// How an old tag is kept in changes.old_head.
enum THeadForm : int { kHeadBytes = 0, kHeadRecipe = 1 };

// The version of the history's layout, in PRAGMA user_version.
constexpr int kLayoutVersion = 5;

// Columns of the fourth layout: the hashes that guard each record, and which changes were undone.
// A record of an older layout has no hashes and is taken as it is.
const char* const kCheckedColumns[][2] = {{"head_hash_before", "INTEGER"}, {"tail_hash_before", "INTEGER"},
                                          {"before_check", "INTEGER"},     {"after_check", "INTEGER"},
                                          {"undoes_record", "INTEGER"},    {"undone", "INTEGER NOT NULL DEFAULT 0"}};

// Folds a field into a record's check.
void AddToCheck(std::string& key, std::int64_t value) {
  key.append(reinterpret_cast<const char*>(&value), sizeof value);
}
void AddToCheck(std::string& key, std::string_view text) {
  AddToCheck(key, static_cast<std::int64_t>(text.size()));
  key.append(text);
}

// The check of what a record holds of the file before its change: the tag bytes by their hashes.
std::int64_t BeforeCheck(const TFileChange& change, std::uint64_t headHash, std::uint64_t tailHash) {
  std::string key;
  AddToCheck(key, change.PathBefore);
  AddToCheck(key, change.TagWritten ? 1 : 0);
  AddToCheck(key, change.Before.MiddleSize);
  AddToCheck(key, change.Before.Whole ? 1 : 0);
  AddToCheck(key, change.Before.Size);
  AddToCheck(key, static_cast<std::int64_t>(change.ModeBefore));
  AddToCheck(key, static_cast<std::int64_t>(headHash));
  AddToCheck(key, static_cast<std::int64_t>(tailHash));
  AddToCheck(key, change.UndoesRecord);
  return static_cast<std::int64_t>(HashTagBytes(key, THashForm::Striped));
}

// The check of what a record holds of the file after its change.
std::int64_t AfterCheck(const std::string& pathAfter, const TFileAfter& after) {
  std::string key;
  AddToCheck(key, pathAfter);
  AddToCheck(key, after.Size);
  AddToCheck(key, after.HeadSize);
  AddToCheck(key, static_cast<std::int64_t>(after.HeadHash));
  AddToCheck(key, static_cast<std::int64_t>(after.HashForm));
  AddToCheck(key, after.Tail);
  return static_cast<std::int64_t>(HashTagBytes(key, THashForm::Striped));
}

// The hash of the tag a record keeps, with the hashes of its large frames already worked out.
std::uint64_t HeadHashBefore(const TFileChange& change) {
  return FramedTagHash(change.Before.Head, [&change](std::size_t offset, std::size_t size) -> std::uint64_t {
    for (const TFrameHash& known : change.BeforeFrameHashes) {
      if (known.Offset == offset && known.Size == size) return known.Hash;
    }
    return 0;
  });
}

// A prepared statement, finalised when it goes out of scope.
class TStatement {
 public:
  TStatement(sqlite3* db, const char* sql) { code_ = sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr); }
  ~TStatement() { sqlite3_finalize(statement_); }
  TStatement(const TStatement&) = delete;
  TStatement& operator=(const TStatement&) = delete;

  int Prepared() const { return code_; }
  TStatement& Bind(int index, std::int64_t value) {
    sqlite3_bind_int64(statement_, index, value);
    return *this;
  }
  TStatement& Bind(int index, const std::string& text) {
    sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
  }
  TStatement& BindBlob(int index, std::string_view bytes) {
    sqlite3_bind_blob64(statement_, index, bytes.data(), bytes.size(), SQLITE_STATIC);
    return *this;
  }
  // Ready to run again, with new values.
  void Reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }
  // SQLITE_ROW, SQLITE_DONE or an error.
  int Step() { return code_ == SQLITE_OK ? sqlite3_step(statement_) : code_; }
  std::int64_t Int(int column) const { return sqlite3_column_int64(statement_, column); }
  bool IsNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }
  std::string Text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column))) : std::string();
  }
  std::string Blob(int column) const {
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement_, column));
    return bytes ? std::string(bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
                 : std::string();
  }

 private:
  sqlite3_stmt* statement_ = nullptr;
  int code_ = SQLITE_OK;
};

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

std::errc ErrorOf(int code) {
  switch (code & 0xFF) {
    case SQLITE_FULL: return std::errc::no_space_on_device;
    case SQLITE_READONLY: return std::errc::read_only_file_system;
    case SQLITE_PERM:
    case SQLITE_AUTH: return std::errc::permission_denied;
    case SQLITE_CANTOPEN: return std::errc::no_such_file_or_directory;
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return std::errc::device_or_resource_busy;
    case SQLITE_NOMEM: return std::errc::not_enough_memory;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return std::errc::illegal_byte_sequence;
    default: return std::errc::io_error;
  }
}

bool IsDamaged(int code) { return (code & 0xFF) == SQLITE_CORRUPT || (code & 0xFF) == SQLITE_NOTADB; }

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

// Runs the statement to its end; the rows, made by each, or the failure.
template <typename T, typename F>
TResultOf<std::vector<T>> Rows(TStatement& statement, F each, const std::function<TResult(int)>& failure) {
  std::vector<T> rows;
  int code;
  while ((code = statement.Step()) == SQLITE_ROW) rows.push_back(each(statement));
  if (code != SQLITE_DONE) return failure(code);
  return rows;
}

}  // namespace

const char* ProgramName(TProgram program) { return program == TProgram::Window ? "window" : "cli"; }

std::string DefaultHistoryPath() {
  if (const char* chosen = std::getenv("TAGWRIGHT_HISTORY"); chosen && *chosen) return chosen;
  std::filesystem::path state;
  if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg == '/') {
    state = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home == '/') {
    state = std::filesystem::path(home) / ".local" / "state";
  } else {
    return {};
  }
  return (state / "tagwright" / "history.sqlite3").string();
}

std::string DroppedForRoomMessage(std::int64_t dropped) {
  return std::to_string(dropped) + " older entries were dropped from the history to make room for this command's";
}

std::string IsoTime(std::int64_t timeNs) {
  const std::time_t seconds = static_cast<std::time_t>(timeNs / 1'000'000'000);
  std::tm parts{};
  gmtime_r(&seconds, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return text;
}

namespace {

// The piece file beside the history (piece_file.h).
constexpr const char* kPieceFileSuffix = "-pieces";

// Reads never wait long: only for another program setting up the history's shared index.
constexpr int kReadOnlyBusyTimeoutMs = 1000;

class TNotRegularCategory final : public std::error_category {
 public:
  const char* name() const noexcept override { return "history"; }
  std::string message(int) const override { return "not a regular file"; }
};

std::error_code NotRegularFile() {
  static const TNotRegularCategory category;
  return {1, category};
}

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

// Whether the history and the files beside it (its log, shared index and lock) can be written or
// made: the reason, when they cannot, is the system's (permission, read-only file system), not
// the vaguer one SQLite would give later.
TResult CheckWritable(const std::string& path) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  for (const char* suffix : {"", "-wal", "-shm", ".lock", kPieceFileSuffix}) {
    const std::string file = path + suffix;
    const int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd >= 0) {
      ::close(fd);
      continue;
    }
    if (errno != ENOENT) return TResult::FromErrno(TFailureKind::Open, file);
    if (::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) != 0) {
      return TResult::FromErrno(TFailureKind::Write, folder.empty() ? "." : folder);
    }
  }
  return {};
}

}  // namespace

TResultOf<std::unique_ptr<THistory>> THistory::Open(const std::string& path, THistoryAccess access) {
  if (path.empty()) {
    return TResult::Failure(TFailureKind::Open, path, std::make_error_code(std::errc::no_such_file_or_directory));
  }
  std::unique_ptr<THistory> history(new THistory());
  history->path_ = path;
  // Only a regular file can be a history: SQLite would write its journal beside a device, and
  // say "no such file" of a folder.
  struct stat info {};
  const bool exists = ::stat(path.c_str(), &info) == 0;
  if (!exists && errno != ENOENT) return TResult::FromErrno(TFailureKind::Open, path);
  if (exists && !S_ISREG(info.st_mode)) return TResult::Failure(TFailureKind::Open, path, NotRegularFile());
  if (access == THistoryAccess::ReadOnly) {
    if (!exists) return std::unique_ptr<THistory>();
    TResultOf<bool> laidOut = history->OpenDatabaseToRead();
    if (!laidOut) return laidOut.Failure();
    if (!laidOut.Value()) return std::unique_ptr<THistory>();
    if (TResult opened = history->pieceFile_.Open(path + kPieceFileSuffix, false); !opened) return opened;
    return history;
  }
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder, error);
  if (error) return TResult::Failure(TFailureKind::Open, path, error);
  if (TResult writable = CheckWritable(path); !writable) return writable;
  if (TResult opened = history->OpenDatabase(); !opened) {
    if (!history->damaged_) return opened;
    // A damaged file: kept aside for whoever wants to look at it, and a new history begun.
    sqlite3_close(history->db_);
    history->db_ = nullptr;
    const std::string aside = path + ".damaged-" + std::to_string(NowNs() / 1'000'000'000);
    if (::rename(path.c_str(), aside.c_str()) != 0) return TResult::FromErrno(TFailureKind::Rename, path);
    // The pieces its records named go with it (a history without them has none).
    (void)::rename((path + kPieceFileSuffix).c_str(), (aside + kPieceFileSuffix).c_str());
    for (const char* suffix : {"-wal", "-shm"}) ::unlink((path + suffix).c_str());
    history->notices_.push_back("The history file " + path + " was damaged; it was moved to " + aside +
                                " and a new history was started.");
    if (TResult reopened = history->OpenDatabase(); !reopened) return reopened;
  }
  if (TResult opened = history->pieceFile_.Open(path + kPieceFileSuffix, true); !opened) return opened;
  history->liveFd_ = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (history->liveFd_ < 0) return TResult::FromErrno(TFailureKind::Open, path + ".lock");
  if (history->notices_.empty()) {
    history->CheckNothingLost(exists);
  } else {
    history->NoteRecorded(0);  // a new history was begun, and said so
  }
  return history;
}

namespace {

// The lock file's first bytes hold the id of the newest record committed, so that records lost
// with the history's log, or with the history itself, are noticed.
constexpr off_t kNewestRecordAt = 0;

}  // namespace

void THistory::NoteRecorded(std::int64_t record) {
  // Not flushed: after a crash of the system the number may be older, which only misses a loss.
  (void)::pwrite(liveFd_, &record, sizeof record, kNewestRecordAt);
}

void THistory::CheckNothingLost(bool existed) {
  std::int64_t noted = 0;
  if (::pread(liveFd_, &noted, sizeof noted, kNewestRecordAt) != static_cast<ssize_t>(sizeof noted)) return;
  // Read after the number, so that a record committed meanwhile by another program is seen.
  TStatement newest(db_, "SELECT seq FROM sqlite_sequence WHERE name = 'changes'");
  const int code = newest.Step();
  if (code != SQLITE_ROW && code != SQLITE_DONE) return;
  const std::int64_t kept = code == SQLITE_ROW ? newest.Int(0) : 0;
  if (noted <= kept) return;
  const std::string when = std::to_string(NowNs() / 1'000'000'000);
  if (!existed) {
    notices_.push_back("The history file " + path_ + " was missing: a new history was started, and the changes " +
                       "recorded before cannot be undone.");
  } else {
    // What is left of the log is kept for whoever wants to look at it.
    const std::string log = path_ + "-wal";
    const std::string aside = log + ".damaged-" + when;
    std::error_code error;
    std::filesystem::copy_file(log, aside, error);
    notices_.push_back("The history's log " + log + " was damaged or lost: the records of the last " +
                       std::to_string(noted - kept) + " change(s) are gone and cannot be undone" +
                       (error ? std::string(".") : "; what was left of it was copied to " + aside + "."));
  }
  NoteRecorded(kept);  // said once
}

TResultOf<bool> THistory::OpenDatabaseToRead() {
  // The log and the shared index are made by the first program that writes; until then the
  // whole history is in its main file, which is read as it is so that nothing is made beside
  // it. A writer that starts meanwhile puts its changes in a log of its own first.
  struct stat wal {};
  struct stat shm {};
  const bool hasWal = ::stat((path_ + "-wal").c_str(), &wal) == 0;
  const bool hasShm = ::stat((path_ + "-shm").c_str(), &shm) == 0;
  const bool asItIs = !hasShm && (!hasWal || wal.st_size == 0);
  const std::string uri = UriOf(path_) + (asItIs ? "?mode=ro&immutable=1" : "?mode=ro");
  const int code =
      sqlite3_open_v2(uri.c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_FULLMUTEX, nullptr);
  if (code != SQLITE_OK) return OpenFailure(code);
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, kReadOnlyBusyTimeoutMs);
  TStatement tables(db_, "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name = 'entries'");
  const int found = tables.Step();
  if (found != SQLITE_ROW) return OpenFailure(found);
  const bool laidOut = tables.Int(0) != 0;
  // Without the lock file no program has ever had an entry in progress.
  liveFd_ = ::open((path_ + ".lock").c_str(), O_RDONLY | O_CLOEXEC);
  return laidOut;
}

TResult THistory::OpenFailure(int code) const {
  const int primary = code & 0xFF;
  if (db_ && (primary == SQLITE_CANTOPEN || primary == SQLITE_IOERR)) {
    if (const int system = sqlite3_system_errno(db_); system != 0) {
      return TResult::Failure(TFailureKind::Open, path_, std::error_code(system, std::generic_category()));
    }
  }
  return TResult::Failure(TFailureKind::Open, path_, std::make_error_code(ErrorOf(code)));
}

THistory::~THistory() {
  if (db_) {
    // The main file holds the whole history once a program is done with it, so that a log lost
    // or damaged later costs nothing. Another program still busy with the log keeps it; its own
    // end carries it over.
    if (sqlite3_db_readonly(db_, "main") == 0) {
      sqlite3_busy_timeout(db_, 1000);
      (void)sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    }
    sqlite3_close(db_);
  }
  if (liveFd_ >= 0) ::close(liveFd_);
}

TResult THistory::Failure(int code) const {
  return TResult::Failure(TFailureKind::Write, path_, std::make_error_code(ErrorOf(code)));
}

TResult THistory::Execute(const char* sql) {
  const int code = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  if (IsDamaged(code)) damaged_ = true;
  return code == SQLITE_OK ? TResult() : Failure(code);
}

TResult THistory::Commit() {
  TResult committed = Execute("COMMIT");
  // A commit that fails may leave its transaction open (when busy, say), and with it the lock
  // that keeps every other program from writing.
  if (!committed) RollBack();
  return committed;
}

void THistory::RollBack() {
  if (sqlite3_get_autocommit(db_) == 0) (void)Execute("ROLLBACK");  // the failure is what is reported
}

bool THistory::HasColumn(const char* table, const char* column) {
  TStatement probe(db_, (std::string("SELECT ") + column + " FROM " + table + " LIMIT 0").c_str());
  return probe.Prepared() == SQLITE_OK;
}

TResult THistory::OpenDatabase() {
  damaged_ = false;
  int code =
      sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
  if (code != SQLITE_OK) return OpenFailure(code);
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  // The write-ahead log is carried into the database as it grows, and when the program is done
  // with the history (see the destructor), not when any connection closes.
  sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  // Large pages: pictures new to the history are tens or hundreds of kilobytes each.
  // Stored tag bytes come and go: freed pages are given back to the file system.
  // Each commit reaches the disk before the files it records are touched.
  // The write-ahead log is carried into the database every 16 MB and then cut back to that size.
  // Two programs opening a new history at once: the one that is not first to change the journal
  // mode or make the tables is told "busy" without the busy handler; it tries again until the
  // timeout.
  const auto start = std::chrono::steady_clock::now();
  const auto run = [&](const char* sql) {
    int code;
    while (true) {
      code = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
      const bool busy = (code & 0xFF) == SQLITE_BUSY || (code & 0xFF) == SQLITE_LOCKED;
      if (!busy || std::chrono::steady_clock::now() - start > std::chrono::milliseconds(kBusyTimeoutMs)) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (IsDamaged(code)) damaged_ = true;
    return code == SQLITE_OK ? TResult() : Failure(code);
  };
  // The page size and the vacuum mode are taken by a new database only; asking for the vacuum mode
  // again would wait for any other program's write.
  bool laidOut = false;
  {
    TStatement vacuum(db_, "PRAGMA auto_vacuum");
    laidOut = vacuum.Step() == SQLITE_ROW && vacuum.Int(0) == 2;
  }
  if (!laidOut) {
    for (const char* sql : {"PRAGMA page_size = 65536", "PRAGMA auto_vacuum = INCREMENTAL"}) {
      if (TResult done = run(sql); !done) return done;
    }
  }
  for (const char* sql : {"PRAGMA journal_mode = WAL", "PRAGMA synchronous = FULL", "PRAGMA wal_autocheckpoint = 256",
                          "PRAGMA journal_size_limit = 16777216"}) {
    if (TResult done = run(sql); !done) return done;
  }
  // The tables, made or brought up to date in one transaction. Another program laying them out at
  // the same moment is waited for too: when its transaction began after this one read the layout's
  // version, SQLite says "busy" at once, without the busy handler.
  while (true) {
    TResult laid = Migrate();
    if (laid) break;
    const bool busy = laid.Error() == std::errc::device_or_resource_busy;
    if (!busy || std::chrono::steady_clock::now() - start > std::chrono::milliseconds(kBusyTimeoutMs)) return laid;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return run("SELECT count(*) FROM entries");
}

TResult THistory::Migrate() {
  TStatement version(db_, "PRAGMA user_version");
  if (version.Step() == SQLITE_ROW && version.Int(0) >= kLayoutVersion) return {};
  if (TResult begun = Execute("BEGIN IMMEDIATE"); !begun) return begun;
  const auto rollBack = [this](TResult failure) {
    RollBack();
    return failure;
  };
  for (const char* schema : {kSchema, kSharedPiecesSchema, kPieceRefsSchema}) {
    if (TResult made = Execute(schema); !made) return rollBack(made);
  }
  // A history of the second layout counted the records of a piece beside its bytes. The counts
  // move; the old ones are set out of reach, so that a program of that layout, should one open
  // this history again, never drops a piece that newer records name.
  if (HasColumn("shared_pieces", "refs")) {
    for (const char* move : {"INSERT OR REPLACE INTO piece_refs(piece, refs) SELECT id, refs FROM shared_pieces",
                             "UPDATE shared_pieces SET refs = 4611686018427387904"}) {
      if (TResult moved = Execute(move); !moved) return rollBack(moved);
    }
  }
  // A history of the fourth layout keeps the bytes of every shared piece in the database; new
  // pieces go to the piece file.
  if (!HasColumn("shared_pieces", "at")) {
    if (TResult added = Execute("ALTER TABLE shared_pieces ADD COLUMN at INTEGER"); !added) return rollBack(added);
  }
  // A history of the first layout keeps each old tag whole and hashes new tags in the serial
  // form; its records stay as they are.
  for (const char* column : {"head_form", "hash_form"}) {
    if (HasColumn("changes", column)) continue;
    const std::string add = std::string("ALTER TABLE changes ADD COLUMN ") + column + " INTEGER NOT NULL DEFAULT 0";
    if (TResult added = Execute(add.c_str()); !added) return rollBack(added);
  }
  for (const auto& [column, type] : kCheckedColumns) {
    if (HasColumn("changes", column)) continue;
    const std::string add = std::string("ALTER TABLE changes ADD COLUMN ") + column + " " + type;
    if (TResult added = Execute(add.c_str()); !added) return rollBack(added);
  }
  // An older layout marked whole entries undone: so were their changes.
  if (TResult marked = Execute("UPDATE changes SET undone = 1 WHERE state = 1 AND entry IN "
                               "(SELECT id FROM entries WHERE undone_by IS NOT NULL)");
      !marked) {
    return rollBack(marked);
  }
  const std::string set = "PRAGMA user_version = " + std::to_string(kLayoutVersion);
  if (TResult marked = Execute(set.c_str()); !marked) return rollBack(marked);
  return Commit();
}

void THistory::ForgetPieces() {
  std::lock_guard<std::mutex> guard(piecesMutex_);
  piecesByFingerprint_.clear();
  pieces_.clear();
  pieceCacheBytes_ = 0;
}

void THistory::RememberPiece(std::int64_t id, std::uint64_t fingerprint, std::string_view bytes, std::uint64_t hash) {
  constexpr std::size_t kMaxRemembered = std::size_t{64} << 20;
  std::lock_guard<std::mutex> guard(piecesMutex_);
  if (pieces_.count(id) != 0) return;
  if (pieceCacheBytes_ + bytes.size() > kMaxRemembered) {
    piecesByFingerprint_.clear();
    pieces_.clear();
    pieceCacheBytes_ = 0;
  }
  piecesByFingerprint_.emplace(fingerprint, id);
  pieces_.emplace(id, TRememberedPiece{std::string(bytes), hash});
  pieceCacheBytes_ += bytes.size();
}

void THistory::ForgetPiece(std::int64_t id) {
  std::lock_guard<std::mutex> guard(piecesMutex_);
  pieces_.erase(id);  // its fingerprint may stay: an id without bytes is looked up again
}

const std::string* THistory::PieceBytes(std::int64_t id) {
  {
    std::lock_guard<std::mutex> guard(piecesMutex_);
    if (auto known = pieces_.find(id); known != pieces_.end()) return &known->second.Bytes;
  }
  TStatement read(db_, "SELECT fingerprint, bytes, at, size FROM shared_pieces WHERE id = ?");
  if (read.Bind(1, id).Step() != SQLITE_ROW) return nullptr;
  std::string bytes;
  if (!ReadPiece(read, 1, pieceFile_, static_cast<std::uint64_t>(read.Int(0)), bytes)) return nullptr;
  RememberPiece(id, static_cast<std::uint64_t>(read.Int(0)), bytes);
  std::lock_guard<std::mutex> guard(piecesMutex_);
  auto known = pieces_.find(id);
  return known != pieces_.end() ? &known->second.Bytes : nullptr;
}

void THistory::SetBusyTimeout(int milliseconds) { sqlite3_busy_timeout(db_, milliseconds); }

bool THistory::LockEntry(std::int64_t entry, bool lock) {
  struct flock range {};
  range.l_type = lock ? F_WRLCK : F_UNLCK;
  range.l_whence = SEEK_SET;
  range.l_start = static_cast<off_t>(entry);
  range.l_len = 1;
  return ::fcntl(liveFd_, F_SETLK, &range) == 0;
}

bool THistory::EntryLockedElsewhere(std::int64_t entry) {
  struct flock range {};
  range.l_type = F_WRLCK;
  range.l_whence = SEEK_SET;
  range.l_start = static_cast<off_t>(entry);
  range.l_len = 1;
  if (::fcntl(liveFd_, F_GETLK, &range) != 0) return false;
  return range.l_type != F_UNLCK;
}

std::unique_ptr<THistoryRecorder> THistory::StartEntry(TProgram program, const std::string& command,
                                                       std::int64_t undoes) {
  return std::make_unique<THistoryRecorder>(*this, program, command, undoes);
}

TResultOf<std::vector<THistoryEntry>> THistory::Entries(std::size_t limit) {
  const std::string sql = EntrySql(
      "WHERE EXISTS (SELECT 1 FROM changes c WHERE c.entry = e.id AND c.state != 2) "
      "ORDER BY e.id DESC LIMIT ?");
  TStatement statement(db_, sql.c_str());
  statement.Bind(1, limit == 0 ? std::int64_t{-1} : static_cast<std::int64_t>(limit));
  return Rows<THistoryEntry>(statement, EntryOf, [this](int code) { return Failure(code); });
}

TResultOf<std::optional<THistoryEntry>> THistory::FindEntry(std::int64_t id) {
  TStatement statement(db_, EntrySql("WHERE e.id = ?").c_str());
  statement.Bind(1, id);
  TResultOf<std::vector<THistoryEntry>> rows =
      Rows<THistoryEntry>(statement, EntryOf, [this](int code) { return Failure(code); });
  if (!rows) return rows.Failure();
  if (rows.Value().empty()) return std::optional<THistoryEntry>();
  return std::optional<THistoryEntry>(rows.Value().front());
}

TResultOf<std::optional<THistoryEntry>> THistory::NewestNotUndone() {
  const std::string sql = EntrySql(
      "WHERE e.undone_by IS NULL AND e.done = 1 AND "
      "EXISTS (SELECT 1 FROM changes c WHERE c.entry = e.id AND c.state = 1 AND c.undone = 0) "
      "ORDER BY e.id DESC LIMIT 1");
  TStatement statement(db_, sql.c_str());
  TResultOf<std::vector<THistoryEntry>> rows =
      Rows<THistoryEntry>(statement, EntryOf, [this](int code) { return Failure(code); });
  if (!rows) return rows.Failure();
  if (rows.Value().empty()) return std::optional<THistoryEntry>();
  return std::optional<THistoryEntry>(rows.Value().front());
}

namespace {

const char* const kChangeColumns =
    "SELECT id, state, path_before, path_after, tag_written, old_head, old_tail, middle_size, "
    "whole, size_before, mode_before, temporary_name, recorded_ns, size_after, mtime_after_ns, "
    "head_size_after, head_hash_after, tail_after, mode_after, head_form, hash_form, "
    "head_hash_before, tail_hash_before, before_check, after_check, COALESCE(undoes_record, 0), "
    "undone, size_after IS NOT NULL FROM changes ";

// A record as read, its old tag put together from its pieces, and checked.
TStoredChange StoredChangeOf(const TStatement& row, const TSharedLookup& pieces) {
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
  const bool byReference = row.Int(19) == kHeadRecipe && RecipeNamesAfter(change.Before.Head);
  if (byReference) {
    // Put together from the file once it is looked at (ResolveBeforeHead), and checked then.
    std::optional<std::string> recipe = InlineSharedPieces(change.Before.Head, pieces);
    std::optional<std::size_t> size = recipe ? RecipeSize(*recipe) : std::nullopt;
    stored.Damaged = !size || row.IsNull(23);
    change.BeforeRecipe = recipe ? std::move(*recipe) : std::string();
    change.BeforeHeadSize = static_cast<std::int64_t>(size.value_or(0));
    change.BeforeHeadHash = static_cast<std::uint64_t>(row.Int(21));
    change.Before.Head.clear();
  } else if (row.Int(19) == kHeadRecipe) {
    std::optional<std::string> head = DecodeRecipe(change.Before.Head, pieces);
    if (head) {
      change.Before.Head = std::move(*head);
    } else {
      stored.Damaged = true;
    }
  }
  // Every byte a record would write back, and every place it names, must be as recorded.
  if (!stored.Damaged && !row.IsNull(23)) {
    const auto headHash = static_cast<std::uint64_t>(row.Int(21));
    const auto tailHash = static_cast<std::uint64_t>(row.Int(22));
    stored.Damaged = (!byReference && FramedTagHash(change.Before.Head) != headHash) ||
                     HashTagBytes(change.Before.Tail, THashForm::Striped) != tailHash ||
                     BeforeCheck(change, headHash, tailHash) != row.Int(23);
  }
  if (!stored.Damaged && !row.IsNull(24) && row.Int(27) != 0) {
    stored.Damaged = AfterCheck(change.PathAfter, change.After) != row.Int(24);
  }
  return stored;
}

}  // namespace

TResultOf<std::vector<TStoredChange>> THistory::Changes(std::int64_t entry) {
  TStatement statement(db_, (std::string(kChangeColumns) + "WHERE entry = ? ORDER BY id").c_str());
  statement.Bind(1, entry);
  return Rows<TStoredChange>(
      statement, [this](const TStatement& row) { return StoredChangeOf(row, PieceLookup()); },
      [this](int code) { return Failure(code); });
}

TResultOf<std::vector<std::int64_t>> THistory::Records(std::int64_t entry) {
  TStatement statement(db_, "SELECT id FROM changes WHERE entry = ? ORDER BY id");
  statement.Bind(1, entry);
  return Rows<std::int64_t>(
      statement, [](const TStatement& row) { return row.Int(0); }, [this](int code) { return Failure(code); });
}

TResultOf<TStoredChange> THistory::Change(std::int64_t record) {
  TStatement statement(db_, (std::string(kChangeColumns) + "WHERE id = ?").c_str());
  const int code = statement.Bind(1, record).Step();
  if (code != SQLITE_ROW) return Failure(code == SQLITE_DONE ? SQLITE_CORRUPT : code);
  return StoredChangeOf(statement, PieceLookup());
}

TSharedLookup THistory::PieceLookup() {
  return [this](std::int64_t id) { return PieceBytes(id); };
}

TResultOf<std::vector<THistoryEntry>> THistory::Interrupted() {
  TStatement statement(db_, EntrySql("WHERE e.done = 0 ORDER BY e.id").c_str());
  TResultOf<std::vector<THistoryEntry>> rows =
      Rows<THistoryEntry>(statement, EntryOf, [this](int code) { return Failure(code); });
  if (!rows) return rows;
  std::vector<THistoryEntry> interrupted;
  for (const THistoryEntry& entry : rows.Value()) {
    if (!EntryLockedElsewhere(entry.Id)) interrupted.push_back(entry);
  }
  return interrupted;
}

TResult THistory::MarkRolledBack(std::int64_t record) {
  TStatement statement(db_, "UPDATE changes SET state = 2 WHERE id = ?");
  const int code = statement.Bind(1, record).Step();
  return code == SQLITE_DONE ? TResult() : Failure(code);
}

TResult THistory::MarkRecordDone(std::int64_t record, const std::string& pathAfter, const TFileAfter& after) {
  // The after state foreseen stands; it is now under the name the file has.
  TStatement statement(db_, "UPDATE changes SET state = 1, path_after = ?, after_check = ? WHERE id = ?");
  statement.Bind(1, pathAfter).Bind(2, AfterCheck(pathAfter, after)).Bind(3, record);
  int code = statement.Step();
  if (code == SQLITE_DONE) code = MarkTakenBack(record);
  return code == SQLITE_DONE ? TResult() : Failure(code);
}

TResult THistory::MarkRecordDamaged(std::int64_t record) {
  TStatement statement(db_, "UPDATE changes SET state = 3 WHERE id = ?");
  const int code = statement.Bind(1, record).Step();
  return code == SQLITE_DONE ? TResult() : Failure(code);
}

int THistory::MarkTakenBack(std::int64_t record) {
  // The change of an undo done: the change it undid is taken back, and should that one have been
  // an undo too, the change it had undone is there again.
  TStatement undone(db_, "UPDATE changes SET undone = 1 WHERE id = (SELECT undoes_record FROM changes WHERE id = ?)");
  int code = undone.Bind(1, record).Step();
  if (code != SQLITE_DONE) return code;
  TStatement again(db_,
                   "UPDATE changes SET undone = 0 WHERE id = (SELECT undoes_record FROM changes WHERE id = "
                   "(SELECT undoes_record FROM changes WHERE id = ?))");
  return again.Bind(1, record).Step();
}

TResult THistory::MarkDone(std::int64_t entry) {
  TStatement statement(db_, "UPDATE entries SET done = 1 WHERE id = ?");
  const int code = statement.Bind(1, entry).Step();
  return code == SQLITE_DONE ? TResult() : Failure(code);
}

TResult THistory::MarkUndone(std::int64_t entry, std::int64_t by) {
  TStatement statement(db_, "UPDATE entries SET undone_by = ? WHERE id = ?");
  const int code = statement.Bind(1, by).Bind(2, entry).Step();
  return code == SQLITE_DONE ? TResult() : Failure(code);
}

TResult THistory::DeleteEntry(std::int64_t entry) {
  if (TResult begun = Execute("BEGIN IMMEDIATE"); !begun) return begun;
  // The shared pieces its records name, and how often.
  std::map<std::int64_t, std::int64_t> named;
  TStatement recipes(db_, "SELECT old_head FROM changes WHERE entry = ? AND head_form = ?");
  recipes.Bind(1, entry).Bind(2, std::int64_t{kHeadRecipe});
  int code;
  while ((code = recipes.Step()) == SQLITE_ROW) {
    for (std::int64_t piece : SharedPiecesOf(recipes.Blob(0))) ++named[piece];
  }
  if (code == SQLITE_DONE) {
    TStatement changes(db_, "DELETE FROM changes WHERE entry = ?");
    code = changes.Bind(1, entry).Step();
  }
  if (code == SQLITE_DONE) {
    TStatement entries(db_, "DELETE FROM entries WHERE id = ?");
    code = entries.Bind(1, entry).Step();
  }
  if (code == SQLITE_DONE) code = CountPieceNames(named, -1);
  TStatement drop(db_,
                  "DELETE FROM shared_pieces WHERE id = ?1 AND NOT EXISTS "
                  "(SELECT 1 FROM piece_refs WHERE piece = ?1 AND refs > 0)");
  TStatement dropCount(db_, "DELETE FROM piece_refs WHERE piece = ? AND refs <= 0");
  for (auto piece = named.begin(); code == SQLITE_DONE && piece != named.end(); ++piece) {
    drop.Reset();
    code = drop.Bind(1, piece->first).Step();
    if (code != SQLITE_DONE) break;
    dropCount.Reset();
    code = dropCount.Bind(1, piece->first).Step();
  }
  if (code != SQLITE_DONE) {
    RollBack();
    return Failure(code);
  }
  if (TResult committed = Commit(); !committed) return committed;
  for (const auto& piece : named) ForgetPiece(piece.first);  // looked up again if still there
  return {};
}

int THistory::CountPieceNames(const std::map<std::int64_t, std::int64_t>& named, int sign) {
  TStatement count(db_,
                   "INSERT INTO piece_refs(refs, piece) VALUES(?, ?) "
                   "ON CONFLICT(piece) DO UPDATE SET refs = refs + excluded.refs");
  for (auto [piece, times] : named) {
    count.Reset();
    if (const int code = count.Bind(1, sign * times).Bind(2, piece).Step(); code != SQLITE_DONE) return code;
  }
  return SQLITE_DONE;
}

TResultOf<std::int64_t> THistory::StoredTagBytes() {
  TStatement sum(db_,
                 "SELECT (SELECT COALESCE(SUM(tag_bytes), 0) FROM entries) + "
                 "(SELECT COALESCE(SUM(size), 0) FROM shared_pieces)");
  const int code = sum.Step();
  if (code != SQLITE_ROW) return Failure(code);
  return sum.Int(0);
}

void THistory::ReclaimPieceSpace() {
  // Under the write lock, so that no program adds pieces meanwhile.
  if (!Execute("BEGIN IMMEDIATE")) return;  // given back at a later prune
  TStatement used(db_, "SELECT at, size FROM shared_pieces WHERE at IS NOT NULL ORDER BY at");
  std::vector<std::pair<std::int64_t, std::int64_t>> spans;
  int code;
  while ((code = used.Step()) == SQLITE_ROW) spans.emplace_back(used.Int(0), used.Int(1));
  if (code == SQLITE_DONE) pieceFile_.Reclaim(spans);
  RollBack();  // nothing of the database was changed
}

TResultOf<std::int64_t> THistory::EntryBytes(std::int64_t entry) {
  TStatement own(db_, "SELECT tag_bytes FROM entries WHERE id = ?");
  int code = own.Bind(1, entry).Step();
  if (code != SQLITE_ROW) return Failure(code == SQLITE_DONE ? SQLITE_CORRUPT : code);
  std::int64_t bytes = own.Int(0);
  std::set<std::int64_t> named;
  TStatement recipes(db_, "SELECT old_head FROM changes WHERE entry = ? AND head_form = ?");
  recipes.Bind(1, entry).Bind(2, std::int64_t{kHeadRecipe});
  while ((code = recipes.Step()) == SQLITE_ROW) {
    for (std::int64_t piece : SharedPiecesOf(recipes.Blob(0))) named.insert(piece);
  }
  if (code != SQLITE_DONE) return Failure(code);
  TStatement size(db_, "SELECT size FROM shared_pieces WHERE id = ?");
  for (std::int64_t piece : named) {
    size.Reset();
    if ((code = size.Bind(1, piece).Step()) == SQLITE_ROW) bytes += size.Int(0);
    if (code != SQLITE_ROW && code != SQLITE_DONE) return Failure(code);
  }
  return bytes;
}

TResultOf<std::int64_t> THistory::Prune(std::int64_t keep) {
  // Oldest first, the entries past the bounds are dropped; never the one just finished.
  TStatement statement(db_, "SELECT id FROM entries WHERE done = 1 ORDER BY id");
  std::vector<std::int64_t> finished;
  int code;
  while ((code = statement.Step()) == SQLITE_ROW) finished.push_back(statement.Int(0));
  if (code != SQLITE_DONE) return Failure(code);
  std::size_t dropped = 0;
  const auto canDrop = [&] { return dropped < finished.size() && finished[dropped] != keep; };
  while (finished.size() - dropped > static_cast<std::size_t>(std::max<std::int64_t>(limits_.MaxEntries, 0)) &&
         canDrop()) {
    if (TResult deleted = DeleteEntry(finished[dropped++]); !deleted) return deleted;
  }
  TResultOf<std::int64_t> bytes = StoredTagBytes();
  if (!bytes) return bytes.Failure();
  if (bytes.Value() <= limits_.MaxTagBytes) return std::int64_t{0};
  // Over the bound: the newest entry larger than the bound by itself is kept whole, and only the
  // bytes of the others count, so that it neither pushes out every older entry nor goes with the
  // next command.
  std::int64_t giant = 0;
  std::int64_t giantBytes = 0;
  for (auto entry = finished.rbegin(); entry != finished.rend() && giant == 0; ++entry) {
    TResultOf<std::int64_t> own = EntryBytes(*entry);
    if (!own) return own.Failure();
    if (own.Value() > limits_.MaxTagBytes) {
      giant = *entry;
      giantBytes = own.Value();
    }
  }
  std::int64_t forRoom = 0;
  while (canDrop()) {
    bytes = StoredTagBytes();
    if (!bytes) return bytes.Failure();
    if (bytes.Value() - giantBytes <= limits_.MaxTagBytes) break;
    if (finished[dropped] == giant) {
      ++dropped;
      continue;
    }
    if (TResult deleted = DeleteEntry(finished[dropped++]); !deleted) return deleted;
    ++forRoom;
  }
  if (dropped > 0) {
    (void)Execute("PRAGMA incremental_vacuum");  // space comes back at the next prune
    ReclaimPieceSpace();
  }
  return forRoom;
}

THistoryRecorder::THistoryRecorder(THistory& history, TProgram program, std::string command, std::int64_t undoes)
    : history_(history), program_(program), command_(std::move(command)), undoes_(undoes) {}

THistoryRecorder::~THistoryRecorder() {
  // A recorder dropped unfinished leaves its entry for the repair at the next start.
  if (entry_ != 0 && !finished_) (void)history_.LockEntry(entry_, false);
}

TResultOf<std::vector<std::int64_t>> THistoryRecorder::RecordBatch(std::vector<TFileChange>& changes) {
  std::lock_guard<std::mutex> guard(databaseMutex_);
  sqlite3* db = history_.db_;
  if (TResult begun = history_.Execute("BEGIN IMMEDIATE"); !begun) return begun;
  if (TResult begun = history_.pieceFile_.BeginBatch(); !begun) {
    history_.RollBack();
    return begun;
  }
  piecesConfirmed_.clear();
  std::vector<TPendingAfter> afters = TakePendingAfters();
  // Nothing of the transaction stays: the failure is what is reported.
  const auto rollBack = [&] {
    history_.pieceFile_.DropBatch();
    history_.RollBack();
    history_.ForgetPieces();  // pieces added within the transaction are gone again
    ReturnPendingAfters(std::move(afters));
  };
  const auto fail = [&](int code) -> TResult {
    rollBack();
    return history_.Failure(code);
  };
  if (const int code = WriteAfters(afters); code != SQLITE_OK) return fail(code);
  std::int64_t entry = entry_;
  if (entry == 0) {
    TStatement insert(db, "INSERT INTO entries(time_ns, program, command, pid, undoes) VALUES(?, ?, ?, ?, ?)");
    insert.Bind(1, NowNs()).Bind(2, std::string(ProgramName(program_))).Bind(3, command_).Bind(4, ::getpid());
    if (undoes_ != 0) insert.Bind(5, undoes_);
    if (const int code = insert.Step(); code != SQLITE_DONE) return fail(code);
    entry = sqlite3_last_insert_rowid(db);
  }
  TStatement insert(db,
                    "INSERT INTO changes(entry, path_before, path_after, tag_written, old_head, old_tail, "
                    "middle_size, whole, size_before, mode_before, temporary_name, recorded_ns, head_form, "
                    "head_hash_before, tail_hash_before, before_check, undoes_record, size_after, head_size_after, "
                    "head_hash_after, tail_after, mode_after, hash_form, after_check) "
                    "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  std::map<std::int64_t, std::int64_t> named;  // the shared pieces the records name, and how often
  std::vector<std::int64_t> records;
  std::int64_t bytes = 0;
  for (TFileChange& change : changes) {
    std::string recipe;
    std::vector<std::int64_t> pieces;
    if (const int code = StoreHead(change, recipe, pieces); code != SQLITE_OK) {
      return fail(code);
    }
    const bool byRecipe = !recipe.empty();
    const std::string_view head = byRecipe ? std::string_view(recipe) : std::string_view(change.Before.Head);
    insert.Reset();
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
    if (const int code = insert.Step(); code != SQLITE_DONE) return fail(code);
    const std::int64_t record = sqlite3_last_insert_rowid(db);
    records.push_back(record);
    bytes += static_cast<std::int64_t>(head.size() + change.Before.Tail.size());
    for (std::int64_t piece : pieces) ++named[piece];
  }
  if (const int code = history_.CountPieceNames(named, +1); code != SQLITE_DONE) return fail(code);
  TStatement counted(db, "UPDATE entries SET tag_bytes = tag_bytes + ? WHERE id = ?");
  if (const int code = counted.Bind(1, bytes).Bind(2, entry).Step(); code != SQLITE_DONE) return fail(code);
  if (entry_ == 0) {
    // Held until the entry is finished, so that no other program takes it for an interrupted one.
    (void)history_.LockEntry(entry, true);  // without the lock only a start during this run could misjudge it
  }
  // The pieces new to the store reach the disk before the records that name them.
  TResult committed = history_.pieceFile_.WriteBatch();
  if (committed) committed = history_.Commit();
  if (!committed) {
    rollBack();
    if (entry_ == 0) (void)history_.LockEntry(entry, false);  // the entry was never written
    return committed;
  }
  entry_ = entry;
  files_ += static_cast<std::int64_t>(changes.size());
  if (!records.empty()) history_.NoteRecorded(records.back());
  SpendAfters(std::move(afters));
  return records;
}

int THistoryRecorder::StoreHead(TFileChange& change, std::string& recipe, std::vector<std::int64_t>& pieces) {
  if (!change.JournalHead.empty()) {
    // Worked out ahead: good as long as its pieces are still in the store.
    bool there = true;
    pieces = SharedPiecesOf(change.JournalHead);
    for (std::int64_t piece : pieces) {
      if (const int code = ConfirmPiece(piece, there); code != SQLITE_OK) return code;
      if (!there) break;
    }
    if (there) {
      recipe = change.JournalHead;
      return SQLITE_OK;
    }
    pieces.clear();
  }
  const std::string_view head = change.Before.Head;
  change.BeforeFrameHashes.clear();  // all of them are worked out again below
  std::vector<THeadPiece> cut = CutHeadKeeping(head, change.KeptInAfter);
  const bool worthIt = std::any_of(cut.begin(), cut.end(),
                                   [](const THeadPiece& piece) { return piece.Kind != THeadPiece::TKind::Bytes; });
  if (!worthIt) return SQLITE_OK;  // kept as it is
  for (THeadPiece& piece : cut) {
    if (!piece.LargeFrame) continue;
    const std::string_view bytes = head.substr(piece.Offset, piece.Size);
    std::uint64_t hash = 0;
    if (piece.Kind == THeadPiece::TKind::After) {
      hash = HashTagBytes(bytes, THashForm::Striped);
    } else {
      if (const int code = SharePiece(bytes, piece.Shared, hash); code != SQLITE_OK) return code;
      pieces.push_back(piece.Shared);
    }
    change.BeforeFrameHashes.push_back({piece.Offset, piece.Size, hash});
  }
  recipe = EncodeRecipe(head, cut);
  return SQLITE_OK;
}

std::int64_t THistory::RememberedPiece(std::string_view piece, std::uint64_t fingerprint, std::uint64_t* hash) {
  std::lock_guard<std::mutex> guard(piecesMutex_);
  auto [from, to] = piecesByFingerprint_.equal_range(fingerprint);
  for (auto candidate = from; candidate != to; ++candidate) {
    auto known = pieces_.find(candidate->second);
    if (known == pieces_.end() || known->second.Bytes != piece) continue;
    if (hash) {
      if (known->second.Hash == 0) known->second.Hash = HashTagBytes(piece, THashForm::Striped);
      *hash = known->second.Hash;
    }
    return candidate->second;
  }
  return 0;
}

void THistoryRecorder::Anticipate(TFileChange& change) {
  const std::string& head = change.Before.Head;
  std::vector<THeadPiece> cut = CutHeadKeeping(head, change.KeptInAfter);
  for (THeadPiece& piece : cut) {
    if (!piece.LargeFrame) continue;
    const std::string_view bytes = std::string_view(head).substr(piece.Offset, piece.Size);
    std::uint64_t hash = 0;
    if (piece.Kind == THeadPiece::TKind::After) {
      hash = HashTagBytes(bytes, THashForm::Striped);  // for the hashes of the old tag and of the new one
    } else {
      piece.Shared = history_.RememberedPiece(bytes, PieceFingerprint(bytes), &hash);
      if (piece.Shared == 0) return;  // a piece new to the store: worked out when recorded
    }
    change.BeforeFrameHashes.push_back({piece.Offset, piece.Size, hash});
  }
  change.JournalHead = EncodeRecipe(head, cut);
}

int THistoryRecorder::ConfirmPiece(std::int64_t id, bool& there) {
  there = true;
  if (piecesConfirmed_.count(id) != 0) return SQLITE_OK;
  // Another program may have dropped it meanwhile; this transaction keeps it from now on.
  TStatement look(history_.db_, "SELECT 1 FROM shared_pieces WHERE id = ?");
  const int code = look.Bind(1, id).Step();
  if (code == SQLITE_ROW) {
    piecesConfirmed_.insert(id);
    return SQLITE_OK;
  }
  if (code != SQLITE_DONE) return code;
  history_.ForgetPiece(id);
  there = false;
  return SQLITE_OK;
}

int THistoryRecorder::SharePiece(std::string_view piece, std::int64_t& id, std::uint64_t& hash) {
  sqlite3* db = history_.db_;
  const std::uint64_t fingerprint = PieceFingerprint(piece);
  std::int64_t found = history_.RememberedPiece(piece, fingerprint, &hash);
  if (hash == 0) hash = HashTagBytes(piece, THashForm::Striped);  // not remembered: worked out once here
  if (found == 0) {
    TStatement look(db, "SELECT id, bytes, at, size FROM shared_pieces WHERE fingerprint = ? AND size = ?");
    look.Bind(1, static_cast<std::int64_t>(fingerprint)).Bind(2, static_cast<std::int64_t>(piece.size()));
    int code;
    std::string bytes;
    while (found == 0 && (code = look.Step()) == SQLITE_ROW) {
      if (ReadPiece(look, 1, history_.pieceFile_, fingerprint, bytes) && bytes == piece) {
        found = look.Int(0);
        history_.RememberPiece(found, fingerprint, piece, hash);
      }
    }
    if (found == 0 && code != SQLITE_DONE) return code;
  }
  if (found != 0) {
    bool there = false;
    if (const int code = ConfirmPiece(found, there); code != SQLITE_OK) return code;
    if (!there) found = 0;
  }
  if (found == 0) {
    // Its bytes go to the piece file with the batch's, before the transaction commits.
    TStatement add(db, "INSERT INTO shared_pieces(fingerprint, size, bytes, at) VALUES(?, ?, X'', ?)");
    add.Bind(1, static_cast<std::int64_t>(fingerprint)).Bind(2, static_cast<std::int64_t>(piece.size()));
    add.Bind(3, history_.pieceFile_.Add(piece));
    if (const int code = add.Step(); code != SQLITE_DONE) return code;
    found = sqlite3_last_insert_rowid(db);
    history_.RememberPiece(found, fingerprint, piece, hash);
    piecesConfirmed_.insert(found);
  }
  id = found;
  return SQLITE_OK;
}

TResult THistoryRecorder::RecordNotMade(std::int64_t record) {
  std::lock_guard<std::mutex> guard(databaseMutex_);
  return history_.MarkRolledBack(record);
}

TResult THistoryRecorder::RecordTemporaryName(std::int64_t record, const std::string& name) {
  std::lock_guard<std::mutex> guard(databaseMutex_);
  TStatement statement(history_.db_, "UPDATE changes SET temporary_name = ? WHERE id = ?");
  const int code = statement.Bind(1, name).Bind(2, record).Step();
  return code == SQLITE_DONE ? TResult() : history_.Failure(code);
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

int THistoryRecorder::WriteAfters(const std::vector<TPendingAfter>& afters) {
  if (afters.empty()) return SQLITE_OK;
  TStatement statement(history_.db_,
                       "UPDATE changes SET state = 1, path_after = ?, size_after = ?, mtime_after_ns = ?, "
                       "head_size_after = ?, head_hash_after = ?, tail_after = ?, mode_after = ?, hash_form = ?, "
                       "after_check = ? WHERE id = ?");
  for (const TPendingAfter& pending : afters) {
    statement.Reset();
    const TFileAfter& after = pending.After;
    statement.Bind(1, pending.PathAfter).Bind(2, after.Size).Bind(3, after.ModifiedNs).Bind(4, after.HeadSize);
    statement.Bind(5, static_cast<std::int64_t>(after.HeadHash)).BindBlob(6, after.Tail);
    statement.Bind(7, static_cast<std::int64_t>(after.Mode));
    statement.Bind(8, static_cast<std::int64_t>(after.HashForm)).Bind(9, AfterCheck(pending.PathAfter, after));
    statement.Bind(10, pending.Record);
    if (const int code = statement.Step(); code != SQLITE_DONE) return code;
    if (const int code = history_.MarkTakenBack(pending.Record); code != SQLITE_DONE) return code;
  }
  return SQLITE_OK;
}

TResult THistoryRecorder::Finish() {
  std::lock_guard<std::mutex> guard(databaseMutex_);
  if (entry_ == 0 || finished_) return {};
  // Unlike a record, the mark of a finished entry need not wait for the disk: should it be lost,
  // the next start judges the entry's files from their bytes and finds them finished.
  (void)history_.Execute("PRAGMA synchronous = NORMAL");  // at worst the commit waits for the disk
  struct TRestore {
    THistory& history;
    ~TRestore() { (void)history.Execute("PRAGMA synchronous = FULL"); }  // see OpenDatabase
  } restore{history_};
  if (TResult begun = history_.Execute("BEGIN IMMEDIATE"); !begun) return begun;
  std::vector<TPendingAfter> afters = TakePendingAfters();
  TResult marked;
  if (const int code = WriteAfters(afters); code != SQLITE_OK) marked = history_.Failure(code);
  if (marked) marked = history_.MarkDone(entry_);
  if (marked && undoes_ != 0) marked = history_.MarkUndone(undoes_, entry_);
  if (!marked) {
    history_.RollBack();
    ReturnPendingAfters(std::move(afters));
    return marked;
  }
  if (TResult committed = history_.Commit(); !committed) {
    ReturnPendingAfters(std::move(afters));
    return committed;
  }
  finished_ = true;
  (void)history_.LockEntry(entry_, false);  // a lock that cannot be let go ends with the program anyway
  TResultOf<std::int64_t> pruned = history_.Prune(entry_);
  if (!pruned) return pruned.Failure();
  droppedForRoom_ = pruned.Value();
  return {};
}

}  // namespace tagwright
