#include "history/database.h"

#include <utility>

namespace tagwright {

namespace {

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

std::function<void()>& WhenHistoryBusy() {
  static std::function<void()> hook;
  return hook;
}

bool IsDamaged(int code) { return (code & 0xFF) == SQLITE_CORRUPT || (code & 0xFF) == SQLITE_NOTADB; }

}  // namespace

void SetWhenHistoryBusy(std::function<void()> hook) { WhenHistoryBusy() = std::move(hook); }

void HistoryBusy() {
  if (WhenHistoryBusy()) WhenHistoryBusy()();
}

std::string TStatement::Text(int column) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
  return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column))) : std::string();
}

std::string TStatement::Blob(int column) const {
  const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement_, column));
  return bytes ? std::string(bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column))) : std::string();
}

THistoryDatabase::~THistoryDatabase() {
  if (!db_) return;
  // The main file holds the whole history once a program is done with it, so that a log lost or
  // damaged later costs nothing. Another program still busy with the log keeps it; its own end
  // carries it over.
  if (sqlite3_db_readonly(db_, "main") == 0) {
    sqlite3_busy_timeout(db_, 1000);
    (void)sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
  }
  sqlite3_close(db_);
}

TResult THistoryDatabase::Open(const std::string& name, int flags, int busyTimeoutMs) {
  damaged_ = false;
  const int code = sqlite3_open_v2(name.c_str(), &db_, flags, nullptr);
  if (code != SQLITE_OK) return OpenFailure(code);
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, busyTimeoutMs);
  return {};
}

void THistoryDatabase::Close() {
  sqlite3_close(db_);
  db_ = nullptr;
}

TResult THistoryDatabase::OpenFailure(int code) const {
  const int primary = code & 0xFF;
  if (db_ && (primary == SQLITE_CANTOPEN || primary == SQLITE_IOERR)) {
    if (const int system = sqlite3_system_errno(db_); system != 0) {
      return TResult::Failure(TFailureKind::Open, path_, std::error_code(system, std::generic_category()));
    }
  }
  return TResult::Failure(TFailureKind::Open, path_, std::make_error_code(ErrorOf(code)));
}

TResult THistoryDatabase::Failure(int code) const {
  return TResult::Failure(TFailureKind::Write, path_, std::make_error_code(ErrorOf(code)));
}

TResult THistoryDatabase::Execute(const char* sql) {
  const int code = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  if (IsDamaged(code)) damaged_ = true;
  return code == SQLITE_OK ? TResult() : Failure(code);
}

TResult THistoryDatabase::Commit() {
  TResult committed = Execute("COMMIT");
  // A commit that fails may leave its transaction open (when busy, say), and with it the lock
  // that keeps every other program from writing.
  if (!committed) RollBack();
  return committed;
}

void THistoryDatabase::RollBack() {
  if (sqlite3_get_autocommit(db_) == 0) (void)Execute("ROLLBACK");  // the failure is what is reported
}

TResult THistoryDatabase::Run(TStatement& statement) const {
  const int code = statement.Step();
  return code == SQLITE_DONE ? TResult() : Failure(code);
}

TResultOf<bool> THistoryDatabase::Next(TStatement& statement) const {
  const int code = statement.Step();
  if (code == SQLITE_ROW) return true;
  if (code == SQLITE_DONE) return false;
  return Failure(code);
}

TResultOf<bool> THistoryDatabase::HasColumn(const char* table, const char* column) {
  TStatement probe(db_, (std::string("SELECT ") + column + " FROM " + table + " LIMIT 0").c_str());
  // A column that is not there is the one error a probe expects.
  if (probe.Prepared() == SQLITE_OK) return true;
  if ((probe.Prepared() & 0xFF) == SQLITE_ERROR) return false;
  return Failure(probe.Prepared());
}

}  // namespace tagwright
