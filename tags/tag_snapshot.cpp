#include "tags/tag_snapshot.h"

#include "tags/locked_song.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tags/atomic_rewrite.h"
#include "tags/id3v2_frames.h"

namespace tagwright {

namespace {

constexpr std::int64_t kTrailerSize = 128;

// Closes the descriptor when it goes out of scope.
class TOpenFile {
 public:
  TOpenFile(const std::string& path, int flags) : fd_(::open(path.c_str(), flags | O_CLOEXEC)) {}
  ~TOpenFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  TOpenFile(const TOpenFile&) = delete;
  TOpenFile& operator=(const TOpenFile&) = delete;
  int Fd() const { return fd_; }
  // Closes now, so that a failing close can be reported.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// What fstat says of the song just opened; a failure to open or to stat names fileName.
TResult StatOpened(const TOpenFile& file, const std::string& fileName, struct stat& info) {
  if (file.Fd() < 0 || ::fstat(file.Fd(), &info) != 0) return TResult::FromErrno(TFailureKind::Open, fileName);
  return {};
}

bool ReadExactly(int fd, std::string& bytes, std::int64_t offset, std::int64_t count) {
  bytes.resize(static_cast<std::size_t>(count));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = ::pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset) + done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}

bool WriteExactly(int fd, std::string_view bytes, std::int64_t offset) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset) + done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (written == 0) errno = ENOSPC;
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  return true;
}

TResult ReadFailure(const std::string& fileName) {
  return TResult::Failure(TFailureKind::Read, fileName,
                          std::error_code(errno != 0 ? errno : EIO, std::generic_category()));
}

// The size of the ID3v2 tag at the start of the file, by the rule the writer uses; 0 for none.
TResultOf<std::int64_t> HeadSize(int fd, std::int64_t fileSize, const std::string& fileName) {
  if (fileSize < 10) return std::int64_t{0};
  std::string header;
  errno = 0;
  if (!ReadExactly(fd, header, 0, 10)) return ReadFailure(fileName);
  TID3v2Header bytes{};
  std::memcpy(bytes.data(), header.data(), bytes.size());
  if (!IsID3v2Header(bytes)) return std::int64_t{0};
  return ID3v2TagTotal(bytes, fileSize);
}

}  // namespace

TResultOf<TTagSnapshot> ReadTagSnapshot(const std::string& fileName) {
  TOpenFile file(SongPath(fileName), O_RDONLY);
  struct stat info {};
  if (TResult opened = StatOpened(file, fileName, info); !opened) return opened;
  TTagSnapshot snapshot;
  snapshot.Size = info.st_size;
  TResultOf<std::int64_t> headSize = HeadSize(file.Fd(), info.st_size, fileName);
  if (!headSize) return headSize.Failure();
  const std::int64_t rest = info.st_size - headSize.Value();
  std::int64_t tailSize = 0;
  if (rest >= kTrailerSize) {
    std::string tail;
    errno = 0;
    if (!ReadExactly(file.Fd(), tail, info.st_size - kTrailerSize, kTrailerSize)) return ReadFailure(fileName);
    if (tail.starts_with("TAG")) {
      tailSize = kTrailerSize;
      snapshot.Tail = std::move(tail);
    }
  }
  // Without a trailer and with fewer than 128 bytes after the tag, the writer's new trailer would
  // be judged on bytes of the new tag: such a file is kept whole.
  snapshot.Whole = tailSize == 0 && rest < kTrailerSize;
  const std::int64_t headBytes = snapshot.Whole ? info.st_size : headSize.Value();
  errno = 0;
  if (!ReadExactly(file.Fd(), snapshot.Head, 0, headBytes)) return ReadFailure(fileName);
  snapshot.MiddleSize = snapshot.Whole ? 0 : rest - tailSize;
  return snapshot;
}

TResultOf<TTagSnapshot> ReadTagSnapshotAround(const std::string& fileName, std::int64_t middleSize, bool whole) {
  TOpenFile file(SongPath(fileName), O_RDONLY);
  struct stat info {};
  if (TResult opened = StatOpened(file, fileName, info); !opened) return opened;
  TTagSnapshot snapshot;
  snapshot.Size = info.st_size;
  snapshot.Whole = whole;
  snapshot.MiddleSize = middleSize;
  std::int64_t headSize = info.st_size;
  if (!whole) {
    TResultOf<std::int64_t> found = HeadSize(file.Fd(), info.st_size, fileName);
    if (!found) return found.Failure();
    headSize = found.Value();
  }
  if (headSize + middleSize > info.st_size) {
    return TResult::Failure(TFailureKind::Read, fileName, std::make_error_code(std::errc::invalid_argument));
  }
  errno = 0;
  if (!ReadExactly(file.Fd(), snapshot.Head, 0, headSize)) return ReadFailure(fileName);
  const std::int64_t tailFrom = headSize + middleSize;
  if (!ReadExactly(file.Fd(), snapshot.Tail, tailFrom, info.st_size - tailFrom)) return ReadFailure(fileName);
  return snapshot;
}

TResult RestoreTagSnapshot(const std::string& fileName, std::int64_t headSize, std::int64_t middleSize,
                           std::string_view head, std::string_view tail) {
  const std::string path = SongPath(fileName);
  TOpenFile file(path, O_RDWR);
  if (file.Fd() < 0) return TResult::FromErrno(TFailureKind::Open, fileName);
  struct stat info {};
  if (::fstat(file.Fd(), &info) != 0) return TResult::FromErrno(TFailureKind::Open, fileName);
  const std::int64_t tailFrom = headSize + middleSize;
  if (tailFrom > info.st_size) {
    return TResult::Failure(TFailureKind::Write, fileName, std::make_error_code(std::errc::invalid_argument));
  }
  const auto writeFailure = [&] {
    return TResult::Failure(TFailureKind::Write, fileName,
                            std::error_code(errno != 0 ? errno : EIO, std::generic_category()));
  };
  errno = 0;

  // The tail first: the trailer is overwritten, appended or cut off.
  std::string present;
  if (!ReadExactly(file.Fd(), present, tailFrom, info.st_size - tailFrom)) return ReadFailure(fileName);
  if (present != tail) {
    const std::int64_t newSize = tailFrom + static_cast<std::int64_t>(tail.size());
    if (newSize < info.st_size && ::ftruncate(file.Fd(), static_cast<off_t>(newSize)) != 0) return writeFailure();
    if (!WriteExactly(file.Fd(), tail, tailFrom)) return writeFailure();
    if (::fstat(file.Fd(), &info) != 0) return writeFailure();
  }

  // Then the head: in place when it has the size of the present one, else through a new file.
  if (static_cast<std::int64_t>(head.size()) == headSize) {
    if (!ReadExactly(file.Fd(), present, 0, headSize)) return ReadFailure(fileName);
    if (present != head && !WriteExactly(file.Fd(), head, 0)) return writeFailure();
    if (!file.Close()) return writeFailure();
    return {};
  }
  TResult replaced = ReplaceFileHead(path, file.Fd(), info, head, headSize, DefaultFileOps());
  if (!replaced) return TResult::Failure(replaced.Kind(), fileName, replaced.Error());
  return {};
}

std::uint64_t HashTagBytes(std::string_view bytes) {
  constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;
  std::uint64_t hash = 0x243F6A8885A308D3ULL ^ (bytes.size() * kMultiplier);
  std::size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + i, 8);
    hash = (hash ^ (word * kMultiplier)) * 0xBF58476D1CE4E5B9ULL;
    hash ^= hash >> 29;
  }
  for (; i < bytes.size(); ++i) hash = (hash ^ static_cast<unsigned char>(bytes[i])) * 0x100000001B3ULL;
  // The finaliser of splitmix64, so that every input bit reaches every output bit.
  hash ^= hash >> 30;
  hash *= 0xBF58476D1CE4E5B9ULL;
  hash ^= hash >> 27;
  hash *= 0x94D049BB133111EBULL;
  hash ^= hash >> 31;
  return hash;
}

}  // namespace tagwright
