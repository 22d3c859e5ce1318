#include "history/piece_file.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <limits>
#include <memory>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tagwright {

const TPieceFileOps& DefaultPieceFileOps() {
  static const TPieceFileOps ops{
      [](const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); },
      ::fstat,
      ::pwrite,
      [](int fd, off_t offset, off_t size) { return ::sync_file_range(fd, offset, size, SYNC_FILE_RANGE_WRITE); },
      ::fdatasync,
      ::pread,
      [](int fd, off_t offset, off_t size) {
        return ::fallocate(fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, offset, size);
      },
      ::ftruncate};
  return ops;
}

namespace {

#ifdef TAGWRIGHT_FAULT_SEAMS
// A disk whose power is cut at the flush-th flush: what was written since the flush before is lost
// (pieces are only ever added at the end, so the file is cut where those writes began).
TPieceFileOps PowerCutAt(long flush) {
  struct TUnflushed {
    off_t From = std::numeric_limits<off_t>::max();
    long Flushes = 0;
  };
  auto unflushed = std::make_shared<TUnflushed>();
  TPieceFileOps ops = DefaultPieceFileOps();
  ops.PWrite = [unflushed](int fd, const void* data, size_t size, off_t offset) {
    unflushed->From = std::min(unflushed->From, offset);
    return ::pwrite(fd, data, size, offset);
  };
  ops.Fdatasync = [unflushed, flush](int fd) {
    if (++unflushed->Flushes == flush) {
      if (unflushed->From != std::numeric_limits<off_t>::max()) (void)::ftruncate(fd, unflushed->From);
      ::raise(SIGKILL);
    }
    unflushed->From = std::numeric_limits<off_t>::max();
    return ::fdatasync(fd);
  };
  return ops;
}
#endif

TPieceFileOps StartingOps() {
#ifdef TAGWRIGHT_FAULT_SEAMS
  if (const char* flush = std::getenv("TAGWRIGHT_PIECES_POWER_CUT"); flush != nullptr && std::atol(flush) > 0) {
    return PowerCutAt(std::atol(flush));
  }
#endif
  return DefaultPieceFileOps();
}

TPieceFileOps& Ops() {
  static TPieceFileOps ops = StartingOps();
  return ops;
}

}  // namespace

TPieceFileOps SetPieceFileOps(TPieceFileOps ops) { return std::exchange(Ops(), std::move(ops)); }

TPieceFile::~TPieceFile() {
  if (fd_ >= 0) ::close(fd_);
}

TResult TPieceFile::Open(const std::string& path, bool writable) {
  path_ = path;
  fd_ = Ops().Open(path.c_str(), writable ? (O_RDWR | O_CREAT | O_CLOEXEC) : (O_RDONLY | O_CLOEXEC), 0600);
  if (fd_ < 0 && (writable || errno != ENOENT)) return TResult::FromErrno(TFailureKind::Open, path);
  return {};
}

TResult TPieceFile::BeginBatch() {
  struct stat info {};
  if (fd_ < 0 || Ops().Fstat(fd_, &info) != 0) return TResult::FromErrno(TFailureKind::Write, path_);
  // Whatever lies at the end (pieces of a transaction that never committed) is left behind.
  batchStart_ = info.st_size;
  batchEnd_ = batchStart_;
  kickedTo_ = batchStart_;
  return {};
}

namespace {

// Bytes written before the disk is set to work on them.
constexpr std::int64_t kKickEvery = std::int64_t{4} << 20;

}  // namespace

TResultOf<std::int64_t> TPieceFile::Add(std::string_view bytes) {
  const std::int64_t at = batchEnd_;
  errno = 0;
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t written = Ops().PWrite(fd_, bytes.data() + done, bytes.size() - done,
                                         static_cast<off_t>(at + static_cast<std::int64_t>(done)));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      const int error = written == 0 ? ENOSPC : (errno != 0 ? errno : EIO);
      return TResult::Failure(TFailureKind::Write, path_, std::error_code(error, std::generic_category()));
    }
    done += static_cast<std::size_t>(written);
  }
  batchEnd_ += static_cast<std::int64_t>(bytes.size());
  if (batchEnd_ - kickedTo_ >= kKickEvery) {
    // Only a hint: the flush that follows is what counts.
    (void)Ops().StartWriting(fd_, kickedTo_, batchEnd_ - kickedTo_);
    kickedTo_ = batchEnd_;
  }
  return at;
}

TResult TPieceFile::WriteBatch() {
  if (batchEnd_ == batchStart_) return {};
  if (Ops().Fdatasync(fd_) != 0) return TResult::FromErrno(TFailureKind::Write, path_);
  batchStart_ = batchEnd_;
  return {};
}

void TPieceFile::DropBatch() { batchEnd_ = batchStart_; }

bool TPieceFile::Read(std::int64_t offset, std::int64_t size, std::string& bytes) const {
  if (fd_ < 0 || offset < 0 || size < 0) return false;
  bytes.resize(static_cast<std::size_t>(size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = Ops().PRead(fd_, bytes.data() + done, bytes.size() - done,
                                    static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}

// NOLINTNEXTLINE(readability-make-member-function-const): it changes the piece file
void TPieceFile::Reclaim(const std::vector<std::pair<std::int64_t, std::int64_t>>& used) {
  if (fd_ < 0) return;
  std::int64_t at = 0;
  for (const auto& [offset, size] : used) {
    // A file system that cannot punch holes keeps the space until the file is cut.
    if (offset > at) (void)Ops().PunchHole(fd_, at, offset - at);
    at = std::max(at, offset + size);
  }
  struct stat info {};
  // Else, or when it cannot be cut, the space is kept until the next time.
  if (Ops().Fstat(fd_, &info) == 0 && info.st_size > at && Ops().Ftruncate(fd_, at) != 0) return;
}

std::int64_t TPieceFile::DiskBytes() const {
  struct stat info {};
  if (fd_ < 0 || Ops().Fstat(fd_, &info) != 0) return 0;
  return static_cast<std::int64_t>(info.st_blocks) * 512;
}

}  // namespace tagwright
