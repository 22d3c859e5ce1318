#include "files/result.h"

#include <cerrno>

namespace tagwright {

TResult TResult::FromErrno(TFailureKind kind, std::string path) {
  return Failure(kind, std::move(path), std::error_code(errno, std::generic_category()));
}

std::string TResult::Describe() const {
  switch (kind_) {
    case TFailureKind::None: return {};
    case TFailureKind::Open: return "Cannot open file " + path_;
    case TFailureKind::Read: return "Cannot read file " + path_;
    case TFailureKind::Write: return "Cannot write file " + path_;
    case TFailureKind::Rename: return "Cannot rename file " + path_;
    case TFailureKind::Delete: return "Cannot delete file " + path_;
    case TFailureKind::NotWritable: return "Cannot write file " + path_;
    case TFailureKind::TooLarge: return "The tag is too large for file " + path_;
    case TFailureKind::Changed: return "Cannot write file " + path_ + ": the file changed while it was written";
    case TFailureKind::ReadFolder: return "Cannot read folder " + path_;
  }
  return {};
}

std::string TResult::DescribeWithError() const { return WithError(Describe()); }

std::string TResult::WithError(const std::string& text) const {
  if (!error_) return text;
  return text + " (" + error_.message() + ")";
}

}  // namespace tagwright
