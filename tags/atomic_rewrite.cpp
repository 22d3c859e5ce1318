#include "tags/atomic_rewrite.h"

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "files/paths.h"

namespace tagwright {

namespace {

constexpr std::size_t kCopyBufferSize = 1 << 20;
constexpr int kMaxTemporaryNames = 1000;

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

// After the rename the directory entry should reach the disk too. Failing that is no reason to
// report the save as failed: the song is already whole under its own name.
void SyncDirectory(const std::string& path) {
  const int fd = ::open(FolderToOpen(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

thread_local TNewFileObserver newFileObserver;

}  // namespace

TNewFileObserver SetNewFileObserver(TNewFileObserver observer) {
  std::swap(newFileObserver, observer);
  return observer;
}

const TFileOps& DefaultFileOps() {
  static const TFileOps ops{::write, ::pwrite, ::pread, ::fsync, ::fchmod, ::rename};
  return ops;
}

TResultOf<TCreatedFile> CreateFileBeside(const std::string& path) {
  TCreatedFile created;
  for (int attempt = 0; attempt < kMaxTemporaryNames; ++attempt) {
    created.Name = path + "~" + (attempt == 0 ? std::string() : std::to_string(attempt));
    created.Fd = ::open(created.Name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (created.Fd >= 0) {
      if (newFileObserver) newFileObserver(created.Name);
      return created;
    }
    if (errno != EEXIST) break;
  }
  return TResult::FromErrno(TFailureKind::Write, path);
}

TResult ReplaceFileHead(const std::string& path, int songFd, const struct stat& songInfo, std::string_view head,
                        std::int64_t keepFrom, const TFileOps& ops) {
  TResultOf<TCreatedFile> created = CreateFileBeside(path);
  if (!created) return created.Failure();
  int fd = created.Value().Fd;
  const std::string temporaryName = created.Value().Name;
  const auto fail = [&] {
    // A step that failed without setting errno (the song shrank while being copied) still fails.
    const int error = errno != 0 ? errno : EIO;
    if (fd >= 0) ::close(fd);
    ::unlink(temporaryName.c_str());
    return TResult::Failure(TFailureKind::Write, path, std::error_code(error, std::generic_category()));
  };
  errno = 0;

  if (!WriteAll(ops, fd, head.data(), head.size())) return fail();
  std::vector<char> buffer(kCopyBufferSize);
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
  return {};
}

TResult MakeFileWritable(const std::string& path, const struct stat& info) {
  if ((info.st_mode & 0222) != 0) return {};
  if (::chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR) != 0) {
    return TResult::FromErrno(TFailureKind::NotWritable, path);
  }
  return {};
}

}  // namespace tagwright
