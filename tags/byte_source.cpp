#include "tags/byte_source.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tagwright {

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

std::int64_t TFileSource::ReadAt(std::int64_t offset, void* destination, std::size_t n) {
  if (fd_ < 0 || offset < 0) return -1;
  // Reads stop at the size seen at opening, which also spares the extra call that would only
  // report the end of the file.
  if (offset >= fileSize_) return 0;
  if (static_cast<std::uint64_t>(fileSize_ - offset) < n) n = static_cast<std::size_t>(fileSize_ - offset);
  auto* out = static_cast<unsigned char*>(destination);
  std::size_t done = 0;
  while (done < n) {
    const ssize_t got = ::pread(fd_, out + done, n - done, static_cast<off_t>(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<std::int64_t>(done);
}

}  // namespace tagwright
