#include "tags/atomic_rewrite.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace tagwright {

namespace {

constexpr std::size_t CopyBufferSize = 1 << 20;
constexpr int MaxTemporaryNames = 1000;

bool WriteAll(const TFileOps& ops, int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t done = ops.Write(fd, data, size);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    data += done;
    size -= static_cast<std::size_t>(done);
  }
  return true;
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// After the rename the directory entry should reach the disk too. Failing that is no reason to
// report the save as failed: the song is already whole under its own name.
void SyncDirectory(const std::string& path) {
  const int fd = ::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

const TFileOps& DefaultFileOps() {
  static const TFileOps ops{::write, ::pwrite, ::pread, ::fsync, ::fchmod, ::rename};
  return ops;
}

int CreateFileBeside(const std::string& path, std::string& createdName) {
  for (int attempt = 0; attempt < MaxTemporaryNames; ++attempt) {
    createdName = path + "~" + (attempt == 0 ? std::string() : std::to_string(attempt));
    const int fd = ::open(createdName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    if (errno != EEXIST) break;
  }
  createdName.clear();
  return -1;
}

bool ReplaceFileHead(const std::string& path, int songFd, const struct stat& songInfo, std::string_view head,
                     std::int64_t keepFrom, const TFileOps& ops) {
  std::string temporaryName;
  int fd = CreateFileBeside(path, temporaryName);
  if (fd < 0) return false;
  const auto fail = [&] {
    if (fd >= 0) ::close(fd);
    ::unlink(temporaryName.c_str());
    return false;
  };

  if (!WriteAll(ops, fd, head.data(), head.size())) return fail();
  std::vector<char> buffer(CopyBufferSize);
  for (std::int64_t offset = keepFrom; offset < songInfo.st_size;) {
    const std::size_t want = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(buffer.size()), songInfo.st_size - offset));
    const ssize_t got = ops.PRead(songFd, buffer.data(), want, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return fail();  // an error, or the song shrank while being copied
    if (!WriteAll(ops, fd, buffer.data(), static_cast<std::size_t>(got))) return fail();
    offset += got;
  }
  if (ops.Fsync(fd) != 0) return fail();
  if (ops.Fchmod(fd, songInfo.st_mode & 07777) != 0) return fail();
  // Keep the song's owner when allowed (a save as root must not hand the song to root).
  if (::fchown(fd, songInfo.st_uid, songInfo.st_gid) != 0) {
    // Not permitted for ordinary users on others' groups; the song then belongs to the writer.
  }
  const int closed = ::close(fd);
  fd = -1;
  if (closed != 0) return fail();
  if (ops.Rename(temporaryName.c_str(), path.c_str()) != 0) return fail();
  SyncDirectory(path);
  return true;
}

bool MakeFileWritable(const std::string& path, const struct stat& info) {
  if ((info.st_mode & 0222) != 0) return true;
  return ::chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR) == 0;
}

}  // namespace tagwright
