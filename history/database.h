// The history's SQLite database: a prepared statement that finalises itself, and the connection
// with its transactions, whose failures come back as TResult naming the history's file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <sqlite3.h>

#include "files/result.h"

namespace tagwright {

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
  // The same for bytes that do not outlive the call: SQLite keeps a copy.
  TStatement& BindBlobCopy(int index, std::string_view bytes) {
    sqlite3_bind_blob64(statement_, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
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
  std::string Text(int column) const;
  std::string Blob(int column) const;

 private:
  sqlite3_stmt* statement_ = nullptr;
  int code_ = SQLITE_OK;
};

class THistoryDatabase {
 public:
  explicit THistoryDatabase(std::string path) : path_(std::move(path)) {}
  // A program done with a history it may write carries the log into the main file first.
  ~THistoryDatabase();
  THistoryDatabase(const THistoryDatabase&) = delete;
  THistoryDatabase& operator=(const THistoryDatabase&) = delete;

  const std::string& Path() const { return path_; }
  sqlite3* Handle() const { return db_; }
  // The database said its file is damaged.
  bool Damaged() const { return damaged_; }

  // Opens the file (or the URI) with SQLite's flags; extended result codes on.
  TResult Open(const std::string& name, int flags, int busyTimeoutMs);
  // Lets go of the file at once, without carrying the log over (a damaged file about to go aside).
  void Close();
  void SetBusyTimeout(int milliseconds) { sqlite3_busy_timeout(db_, milliseconds); }

  // The failure of opening the database, with the system's reason where SQLite's code is vague.
  TResult OpenFailure(int code) const;
  // A failure to read or write the history.
  TResult Failure(int code) const;
  TResult Execute(const char* sql);
  // Commits the transaction begun; on failure nothing of it stays.
  TResult Commit();
  // Gives up the transaction begun, if it is still open.
  void RollBack();
  // Runs a statement that gives no rows.
  TResult Run(TStatement& statement) const;
  // The next row of a statement: true when there is one, false at its end.
  TResultOf<bool> Next(TStatement& statement) const;
  // Whether the table has the column.
  TResultOf<bool> HasColumn(const char* table, const char* column);
  std::int64_t LastInsertId() const { return sqlite3_last_insert_rowid(db_); }

 private:
  std::string path_;
  sqlite3* db_ = nullptr;
  bool damaged_ = false;
};

// Called when another program holds the history and SQLite refused a statement of this one at once
// as busy (without its busy handler), before the statement is tried again: tests let the other
// program go from it instead of waiting a while. Empty by default.
void SetWhenHistoryBusy(std::function<void()> hook);
// Calls that hook, if one is set.
void HistoryBusy();

// Runs the statement to its end; the rows, made by each, or the failure.
template <typename T, typename F>
TResultOf<std::vector<T>> Rows(THistoryDatabase& db, TStatement& statement, F each) {
  std::vector<T> rows;
  while (true) {
    TResultOf<bool> row = db.Next(statement);
    if (!row) return row.Failure();
    if (!row.Value()) return rows;
    rows.push_back(each(statement));
  }
}

}  // namespace tagwright
