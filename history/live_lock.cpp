#include "history/live_lock.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace tagwright {

namespace {

// Where the id of the newest record committed is kept.
constexpr off_t kNewestRecordAt = 0;

struct flock EntryRange(std::int64_t entry, short type) {
  struct flock range {};
  range.l_type = type;
  range.l_whence = SEEK_SET;
  range.l_start = static_cast<off_t>(entry);
  range.l_len = 1;
  return range;
}

}  // namespace

TLiveLock::~TLiveLock() {
  if (fd_ >= 0) ::close(fd_);
}

TResult TLiveLock::OpenToWrite(const std::string& historyPath) {
  path_ = historyPath + ".lock";
  fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) return TResult::FromErrno(TFailureKind::Open, path_);
  return {};
}

void TLiveLock::OpenToRead(const std::string& historyPath) {
  path_ = historyPath + ".lock";
  fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
}

TResult TLiveLock::SetLock(std::int64_t entry, short type) {
  struct flock range = EntryRange(entry, type);
  if (::fcntl(fd_, F_SETLK, &range) != 0) return TResult::FromErrno(TFailureKind::Write, path_);
  return {};
}

TResult TLiveLock::Lock(std::int64_t entry) { return SetLock(entry, F_WRLCK); }

TResult TLiveLock::Unlock(std::int64_t entry) { return SetLock(entry, F_UNLCK); }

TResultOf<bool> TLiveLock::LockedElsewhere(std::int64_t entry) const {
  if (fd_ < 0) return false;  // no lock file: no program has ever had an entry in progress
  struct flock range = EntryRange(entry, F_WRLCK);
  if (::fcntl(fd_, F_GETLK, &range) != 0) return TResult::FromErrno(TFailureKind::Read, path_);
  return range.l_type != F_UNLCK;
}

// NOLINTNEXTLINE(readability-make-member-function-const): it writes the lock file
void TLiveLock::NoteRecorded(std::int64_t record) {
  // Not flushed: after a crash of the system the number may be older, which only misses a loss.
  // A number not written only misses a loss too: nothing to do about it here.
  if (::pwrite(fd_, &record, sizeof record, kNewestRecordAt) != static_cast<ssize_t>(sizeof record)) return;
}

std::optional<std::int64_t> TLiveLock::NotedRecord() const {
  std::int64_t noted = 0;
  if (::pread(fd_, &noted, sizeof noted, kNewestRecordAt) != static_cast<ssize_t>(sizeof noted)) return std::nullopt;
  return noted;
}

}  // namespace tagwright
