#include "tags/byte_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tagwright {

std::optional<std::string_view> TMemorySource::View(std::int64_t offset, std::size_t n) const {
  if (offset < 0 || static_cast<std::uint64_t>(offset) > bytes_.size() || bytes_.size() - offset < n)
    return std::nullopt;
  return bytes_.substr(static_cast<std::size_t>(offset), n);
}

std::int64_t TMemorySource::ReadAt(std::int64_t offset, void* destination, std::size_t n) {
  if (offset < 0) return -1;
  if (offset >= Size() || n == 0) return 0;
  const std::size_t available = bytes_.size() - static_cast<std::size_t>(offset);
  const std::size_t count = n < available ? n : available;
  std::memcpy(destination, bytes_.data() + offset, count);
  return static_cast<std::int64_t>(count);
}

TFileSource::~TFileSource() {
  if (fd_ >= 0) ::close(fd_);
}

bool TFileSource::Open(const std::string& fileName) { return OpenAt(AT_FDCWD, fileName.c_str()); }

bool TFileSource::OpenAt(int folderFd, const char* name) {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  // Read-only, so that opening and closing is nothing a watcher of the folder sees as a change;
  // non-blocking, so that a named pipe with a song's name cannot stall a listing (regular files
  // read the same either way).
  const int fd = ::openat(folderFd, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  struct stat& info = info_;
  if (::fstat(fd, &info) != 0) {
    const int error = errno;
    ::close(fd);
    errno = error;
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    ::close(fd);
    errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    return false;
  }
  fd_ = fd;
  fileSize_ = info.st_size;
  return true;
}

namespace {

std::int64_t ReadFully(int fd, std::int64_t offset, void* destination, std::size_t n) {
  auto* out = static_cast<unsigned char*>(destination);
  std::size_t done = 0;
  while (done < n) {
    const ssize_t got = ::pread(fd, out + done, n - done, static_cast<off_t>(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<std::int64_t>(done);
}

constexpr std::size_t kUndoChunkSize = std::size_t{64} * 1024;

}  // namespace

std::int64_t TDescriptorSource::ReadAt(std::int64_t offset, void* destination, std::size_t n) {
  if (fd_ < 0 || offset < 0) return -1;
  if (offset >= size_) return 0;
  if (static_cast<std::uint64_t>(size_ - offset) < n) n = static_cast<std::size_t>(size_ - offset);
  return ReadFully(fd_, offset, destination, n);
}

TUnsynchronisedSource::TUnsynchronisedSource(TByteSource& raw, std::int64_t from, std::int64_t end)
    : raw_(&raw), from_(from), end_(end), state_{from, from, false}, mark_{from, from, false} {}

std::int64_t TUnsynchronisedSource::Undo(std::int64_t count, unsigned char* out) {
  unsigned char chunk[kUndoChunkSize];
  std::int64_t produced = 0;
  while (produced < count && state_.RawPosition < end_) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(end_ - state_.RawPosition, sizeof chunk));
    const std::int64_t got = raw_->ReadAt(state_.RawPosition, chunk, want);
    if (got < 0) return -1;
    if (got == 0) break;
    const std::int64_t before = produced;
    std::int64_t used = 0;
    for (; used < got && produced < count; ++used) {
      const unsigned char c = chunk[used];
      if (state_.DropZero && c == 0) {
        state_.DropZero = false;
        continue;
      }
      state_.DropZero = c == 0xFF;
      if (out) out[produced] = c;
      ++produced;
    }
    state_.RawPosition += used;
    state_.Position += produced - before;
  }
  return produced;
}

std::int64_t TUnsynchronisedSource::ReadAt(std::int64_t offset, void* destination, std::size_t n) {
  if (offset < 0) return -1;
  auto* out = static_cast<unsigned char*>(destination);
  std::size_t done = 0;
  if (offset < from_) {
    const std::size_t head =
        static_cast<std::size_t>(std::min<std::int64_t>(from_ - offset, static_cast<std::int64_t>(n)));
    const std::int64_t got = raw_->ReadAt(offset, out, head);
    if (got < static_cast<std::int64_t>(head)) return got;
    done = head;
    offset += static_cast<std::int64_t>(head);
  }
  if (done == n) return static_cast<std::int64_t>(done);
  // The walk over the frames reads forward, each read starting at or after the last one's start.
  if (offset < state_.Position) state_ = offset >= mark_.Position ? mark_ : TUndoState{from_, from_, false};
  const std::int64_t skipped = Undo(offset - state_.Position, nullptr);
  if (skipped < 0) return -1;
  if (state_.Position < offset) return static_cast<std::int64_t>(done);
  mark_ = state_;
  const std::int64_t got = Undo(static_cast<std::int64_t>(n - done), out + done);
  if (got < 0) return -1;
  return static_cast<std::int64_t>(done) + got;
}

std::int64_t TFileSource::ReadAt(std::int64_t offset, void* destination, std::size_t n) {
  if (fd_ < 0 || offset < 0) return -1;
  // Reads stop at the size seen at opening, which also spares the extra call that would only
  // report the end of the file.
  if (offset >= fileSize_) return 0;
  if (static_cast<std::uint64_t>(fileSize_ - offset) < n) n = static_cast<std::size_t>(fileSize_ - offset);
  return ReadFully(fd_, offset, destination, n);
}

}  // namespace tagwright
