#include "tags/atomic_rewrite.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "files/paths.h"
#include "tags/locked_song.h"

namespace tagwright {

namespace {

constexpr std::size_t kCopyBufferSize = 1 << 20;
// The longest name a Linux file system takes, in bytes, and what a name too long to take the
// ending of a temporary name is cut to.
constexpr std::size_t kMaxNameBytes = NAME_MAX;
constexpr std::size_t kShortenedNameBytes = 128;

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

bool PWriteAll(const TFileOps& ops, int fd, std::int64_t offset, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t done = ops.PWrite(fd, data, size, static_cast<off_t>(offset));
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    data += done;
    offset += done;
    size -= static_cast<std::size_t>(done);
  }
  return true;
}

// Hands the bytes of from between begin and end to deliver (offset from begin, bytes, count) in
// pieces, leaving out the holes of a sparse file, so that the copy can stay sparse. False when a
// read or deliver fails, or the file ends early (errno 0 then).
template <typename TDeliver>
bool CopyDataRanges(const TFileOps& ops, int from, std::int64_t begin, std::int64_t end, TDeliver deliver) {
  // No larger than the stretch, and left uninitialised: clearing a whole buffer for every small
  // song costs more than copying it.
  const std::size_t bufferSize =
      static_cast<std::size_t>(std::clamp<std::int64_t>(end - begin, 1, static_cast<std::int64_t>(kCopyBufferSize)));
  const std::unique_ptr<char[]> buffer = std::make_unique_for_overwrite<char[]>(bufferSize);
  std::int64_t offset = begin;
  while (offset < end) {
    // The next stretch of data and where it ends; a file system that cannot tell holes is all data.
    off_t data = ::lseek(from, static_cast<off_t>(offset), SEEK_DATA);
    if (data < 0) {
      if (errno == ENXIO) break;  // only a hole up to the end of the file
      data = static_cast<off_t>(offset);
    }
    if (data >= end) break;
    off_t hole = ::lseek(from, data, SEEK_HOLE);
    if (hole < 0 || hole > end) hole = static_cast<off_t>(end);
    for (offset = data; offset < hole;) {
      const std::size_t want =
          static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(bufferSize), hole - offset));
      const ssize_t got = ops.PRead(from, buffer.get(), want, static_cast<off_t>(offset));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;  // an error, or the song shrank while being copied
      if (!deliver(offset - begin, buffer.get(), static_cast<std::size_t>(got))) return false;
      offset += got;
    }
  }
  return true;
}

// Copies the extended attributes of one file to another: every user attribute, and those of the
// other namespaces that the process may set (ACLs, security labels...). False when a user
// attribute cannot be copied.
bool CopyExtendedAttributes(int from, int to) {
  std::vector<char> names;
  for (;;) {
    const ssize_t size = ::flistxattr(from, nullptr, 0);
    if (size < 0) return errno == ENOTSUP;  // a file system without attributes has none to keep
    if (size == 0) return true;
    names.resize(static_cast<std::size_t>(size));
    const ssize_t got = ::flistxattr(from, names.data(), names.size());
    if (got >= 0) {
      names.resize(static_cast<std::size_t>(got));
      break;
    }
    if (errno != ERANGE) return false;
  }
  std::vector<char> value;
  for (std::size_t pos = 0; pos < names.size();) {
    const std::string name(names.data() + pos);
    pos += name.size() + 1;
    if (name.empty()) continue;
    const bool mustKeep = name.rfind("user.", 0) == 0;
    ssize_t got = -1;
    for (int attempt = 0; attempt < 3 && got < 0; ++attempt) {
      const ssize_t size = ::fgetxattr(from, name.c_str(), nullptr, 0);
      if (size < 0) break;
      value.resize(static_cast<std::size_t>(size));
      got = ::fgetxattr(from, name.c_str(), value.data(), value.size());
      if (got < 0 && errno != ERANGE) break;
    }
    if (got < 0 || ::fsetxattr(to, name.c_str(), value.data(), static_cast<std::size_t>(got), 0) != 0) {
      if (mustKeep) return false;
    }
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

std::string TemporaryNameBeside(const std::string& path, int attempt) {
  std::string ending(1, '~');
  if (attempt != 0) ending += std::to_string(attempt);
  const std::size_t slash = path.rfind('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  if (path.size() - nameStart + ending.size() <= kMaxNameBytes) return path + ending;
  std::size_t keep = kShortenedNameBytes;
  while (keep > 0 && (static_cast<unsigned char>(path[nameStart + keep]) & 0xC0) == 0x80) --keep;
  return path.substr(0, nameStart + keep) + ending;
}

bool IsTemporaryNameBeside(const std::string& path, const std::string& name) {
  const std::size_t tilde = name.rfind('~');
  if (path.empty() || tilde == std::string::npos) return false;
  const std::string_view number = std::string_view(name).substr(tilde + 1);
  if (!std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
  if (tilde == path.size() && name.starts_with(path)) return true;
  if (number.size() > 3 || (number.size() > 1 && number.front() == '0')) return false;
  const int attempt = number.empty() ? 0 : std::stoi(std::string(number));
  // The first name has no number: "~0" is none of them.
  if ((attempt > 0) != !number.empty()) return false;
  return TemporaryNameBeside(path, attempt) == name;
}

TResultOf<TCreatedFile> CreateFileBeside(const std::string& path) {
  TCreatedFile created;
  for (int attempt = 0; attempt < kMaxTemporaryNames; ++attempt) {
    created.Name = TemporaryNameBeside(path, attempt);
    created.Fd = ::open(created.Name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (created.Fd >= 0) {
      if (newFileObserver) newFileObserver(created.Name);
      return created;
    }
    if (errno != EEXIST) break;
  }
  return TResult::FromErrno(TFailureKind::Write, path);
}

TFileBeside& TFileBeside::operator=(TFileBeside&& other) noexcept {
  if (this != &other) {
    Drop();
    fd_ = std::exchange(other.fd_, -1);
    name_ = std::move(other.name_);
  }
  return *this;
}

void TFileBeside::Drop() {
  if (fd_ < 0) return;
  const int error = errno;
  ::close(std::exchange(fd_, -1));
  ::unlink(name_.c_str());
  errno = error;
}

TResultOf<TFileBeside> WriteFileBeside(const std::string& path, int songFd, const struct stat& songInfo,
                                       std::string_view head, std::int64_t keepFrom, const TFileOps& ops) {
  TResultOf<TCreatedFile> created = CreateFileBeside(path);
  if (!created) return created.Failure();
  TFileBeside file(created.Value().Fd, created.Value().Name);
  const int fd = file.Descriptor();
  const auto fail = [&] {
    // A step that failed without setting errno (the song shrank while being copied) still fails.
    const int error = errno != 0 ? errno : EIO;
    file.Drop();
    return TResult::Failure(TFailureKind::Write, path, std::error_code(error, std::generic_category()));
  };
  errno = 0;

  if (!WriteAll(ops, fd, head.data(), head.size())) return fail();
  const auto headSize = static_cast<std::int64_t>(head.size());
  std::int64_t written = headSize;  // where the new file's write position stands
  const bool copied =
      CopyDataRanges(ops, songFd, keepFrom, songInfo.st_size, [&](std::int64_t at, const char* data, std::size_t size) {
        if (headSize + at != written) {  // after a hole
          if (::lseek(fd, static_cast<off_t>(headSize + at), SEEK_SET) < 0) return false;
          written = headSize + at;
        }
        if (!WriteAll(ops, fd, data, size)) return false;
        written += static_cast<std::int64_t>(size);
        return true;
      });
  if (!copied) return fail();
  const std::int64_t newSize = headSize + std::max<std::int64_t>(0, songInfo.st_size - keepFrom);
  if (written != newSize && ::ftruncate(fd, static_cast<off_t>(newSize)) != 0) return fail();  // a hole at the end
  // Keep the song's owner when allowed (a save as root must not hand the song to root); owner
  // first, since a change of owner may clear permission bits.
  if (::fchown(fd, songInfo.st_uid, songInfo.st_gid) != 0) {
    // Not permitted for ordinary users on others' groups; the song then belongs to the writer.
  }
  if (ops.Fchmod(fd, songInfo.st_mode & 07777) != 0) return fail();
  if (!CopyExtendedAttributes(songFd, fd)) return fail();
  return file;
}

TResult PutFileInPlace(TFileBeside file, const std::string& path, int songFd, const struct stat& songInfo,
                       const TFileOps& ops, int* replacement) {
  const auto fail = [&](TFailureKind kind) {
    const int error = errno != 0 ? errno : EIO;
    file.Drop();
    return TResult::Failure(kind, path, std::error_code(error, std::generic_category()));
  };
  errno = 0;
  if (replacement && ::flock(file.Descriptor(), LOCK_EX | LOCK_NB) != 0) return fail(TFailureKind::Write);
  // The last moment to find that someone else changed or replaced the song meanwhile: its bytes
  // were copied from the file read, and must not take the place of another one.
  struct stat now {};
  struct stat read {};
  if (::stat(path.c_str(), &now) != 0 || ::fstat(songFd, &read) != 0 || !SameFileAndContent(now, songInfo) ||
      !SameFileAndContent(read, songInfo)) {
    errno = EAGAIN;
    return fail(TFailureKind::Changed);
  }
  if (ops.Rename(file.Name().c_str(), path.c_str()) != 0) return fail(TFailureKind::Write);
  const int fd = file.Release();
  if (replacement) {
    *replacement = fd;
  } else if (::close(fd) != 0) {
    // The new file was flushed before the rename; a failing close loses nothing.
  }
  return {};
}

// NOLINTNEXTLINE(readability-function-size): the song as opened, its new head, the seam and the answer
TResult ReplaceFileHead(const std::string& path, int songFd, const struct stat& songInfo, std::string_view head,
                        std::int64_t keepFrom, const TFileOps& ops, int* replacement) {
  TResultOf<TFileBeside> written = WriteFileBeside(path, songFd, songInfo, head, keepFrom, ops);
  if (!written) return written.Failure();
  if (ops.Fsync(written.Value().Descriptor()) != 0) {
    const int error = errno != 0 ? errno : EIO;
    written.Value().Drop();
    return TResult::Failure(TFailureKind::Write, path, std::error_code(error, std::generic_category()));
  }
  TResult put = PutFileInPlace(std::move(written.Value()), path, songFd, songInfo, ops, replacement);
  if (put) SyncDirectory(path);
  return put;
}

TResult RewriteKeepingFile(const std::string& path, int songFd, const struct stat& songInfo, std::string_view head,
                           std::int64_t keepFrom, const TFileOps& ops) {
  TResultOf<TCreatedFile> created = CreateFileBeside(path);
  if (!created) return created.Failure();
  const int copyFd = created.Value().Fd;
  const std::string copyName = created.Value().Name;
  const auto dropCopy = [&] {
    ::close(copyFd);
    ::unlink(copyName.c_str());
  };
  const auto failure = [](TFailureKind kind, const std::string& name, int error) {
    return TResult::Failure(kind, name, std::error_code(error != 0 ? error : EIO, std::generic_category()));
  };
  const std::int64_t oldSize = songInfo.st_size;
  errno = 0;

  // 1. The copy beside, flushed, before the song is touched.
  bool done = CopyDataRanges(ops, songFd, 0, oldSize, [&](std::int64_t at, const char* data, std::size_t size) {
    return PWriteAll(ops, copyFd, at, data, size);
  });
  done = done && ::ftruncate(copyFd, static_cast<off_t>(oldSize)) == 0 && ops.Fsync(copyFd) == 0;
  if (!done) {
    const int error = errno;
    dropCopy();
    return failure(TFailureKind::Write, path, error);
  }
  struct stat now {};
  if (::fstat(songFd, &now) != 0 || !SameFileAndContent(now, songInfo)) {
    dropCopy();
    return failure(TFailureKind::Changed, path, EAGAIN);
  }

  // 2. The song rewritten from the copy: emptied first, so that the holes of the copy stay holes.
  const auto headSize = static_cast<std::int64_t>(head.size());
  const std::int64_t newSize = headSize + std::max<std::int64_t>(0, oldSize - keepFrom);
  done = ::ftruncate(songFd, 0) == 0 && PWriteAll(ops, songFd, 0, head.data(), head.size()) &&
         CopyDataRanges(ops, copyFd, keepFrom, oldSize,
                        [&](std::int64_t at, const char* data, std::size_t size) {
                          return PWriteAll(ops, songFd, headSize + at, data, size);
                        }) &&
         ::ftruncate(songFd, static_cast<off_t>(newSize)) == 0 && ops.Fsync(songFd) == 0;
  if (done) {
    dropCopy();
    return {};
  }

  // 3. Failed: the song written back from the copy, with the plain system calls.
  const int error = errno;
  const TFileOps& plain = DefaultFileOps();
  const bool restored = ::ftruncate(songFd, 0) == 0 &&
                        CopyDataRanges(plain, copyFd, 0, oldSize,
                                       [&](std::int64_t at, const char* data, std::size_t size) {
                                         return PWriteAll(plain, songFd, at, data, size);
                                       }) &&
                        ::ftruncate(songFd, static_cast<off_t>(oldSize)) == 0 && ::fsync(songFd) == 0;
  if (!restored) {
    ::close(copyFd);
    return failure(TFailureKind::Write, copyName, error);
  }
  dropCopy();
  return failure(TFailureKind::Write, path, error);
}

TResult MakeFileWritable(const std::string& path, const struct stat& info) {
  if ((info.st_mode & 0222) != 0) return {};
  if (::chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR) != 0) {
    return TResult::FromErrno(TFailureKind::NotWritable, path);
  }
  return {};
}

}  // namespace tagwright
