// The outcome of everything in the core that can fail on a file: success, or the system's error,
// the path it concerns and what was being done. A failure is this typed value wherever it travels,
// and its words are made here only (Describe, DescribeWithError). The core never shows a failure;
// the front ends decide how to tell the user (the command line on stderr and in its exit status, the
// window in a message box or the status bar).
#pragma once

#include <cassert>
#include <cstdint>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

namespace tagwright {

// What was being done when a file operation failed, for callers that branch on it and for the text
// that names the failure.
enum class TFailureKind : std::uint8_t {
  None,         // no failure
  Open,         // the file could not be opened
  Read,         // reading failed or the file ended early
  Write,        // writing, flushing or replacing the file failed
  Rename,       // the file could not be renamed (the target exists, or the system refused)
  Delete,       // the file could not be deleted
  NotWritable,  // the file has no write permission or cannot be opened for writing
  TooLarge,     // the new tag does not fit the format's size fields
  Changed,      // someone else changed the file between reading and replacing it; it was left alone
  ReadFolder,   // a folder could not be listed (opened, or read to its end)
};

class [[nodiscard]] TResult {
 public:
  // Success.
  TResult() = default;

  static TResult Failure(TFailureKind kind, std::string path, std::error_code error = {}) {
    TResult result;
    result.kind_ = kind;
    result.path_ = std::move(path);
    result.error_ = error;
    return result;
  }
  // A failure with the calling thread's errno as its error.
  static TResult FromErrno(TFailureKind kind, std::string path);

  bool Ok() const { return kind_ == TFailureKind::None; }
  explicit operator bool() const { return Ok(); }

  TFailureKind Kind() const { return kind_; }
  const std::string& Path() const { return path_; }
  const std::error_code& Error() const { return error_; }

  // "Cannot open file /a/b.mp3", "Cannot write file /a/b.mp3"...: the failure in one line,
  // naming the file.
  std::string Describe() const;
  // The same followed by the system's words for the cause, when there is a system error:
  // "Cannot write file /a/b.mp3 (Permission denied)".
  std::string DescribeWithError() const;
  // The system's words for the cause after a text of the caller's own: text + " (Permission
  // denied)", or the text alone without a system error.
  std::string WithError(const std::string& text) const;

 private:
  TFailureKind kind_ = TFailureKind::None;
  std::string path_;
  std::error_code error_;
};

// A value, or the failure that prevented it.
template <typename T>
class [[nodiscard]] TResultOf {
 public:
  TResultOf(T value) : value_(std::move(value)) {}              // NOLINT: a value converts implicitly
  TResultOf(TResult failure) : failure_(std::move(failure)) {}  // NOLINT: so does a failure

  bool Ok() const { return value_.has_value(); }
  explicit operator bool() const { return Ok(); }

  // Only for a result that holds a value.
  T& Value() {
    assert(value_.has_value() && "Value() of a failed result");
    return *value_;
  }
  const T& Value() const {
    assert(value_.has_value() && "Value() of a failed result");
    return *value_;
  }
  const TResult& Failure() const { return failure_; }

 private:
  std::optional<T> value_;
  TResult failure_;
};

}  // namespace tagwright
