#include "commands/file_putback.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "files/file_access.h"
#include "tags/locked_song.h"
#include "tags/tag_snapshot.h"

namespace tagwright {

namespace {

// Writes the bytes of source from offset on into target at the same offset; the end reached.
TResultOf<off_t> CopyBytes(int source, int target, const std::string& from, const std::string& to) {
  std::vector<char> buffer(std::size_t{1} << 20);
  off_t offset = 0;
  while (true) {
    const ssize_t got = ::pread(source, buffer.data(), buffer.size(), offset);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return TResult::FromErrno(TFailureKind::Read, from);
    if (got == 0) return offset;
    for (ssize_t done = 0; done < got;) {
      const ssize_t written =
          ::pwrite(target, buffer.data() + done, static_cast<std::size_t>(got - done), offset + done);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return TResult::FromErrno(TFailureKind::Write, to);
      done += written;
    }
    offset += got;
  }
}

}  // namespace

TResult PutBackWholeCopy(const std::string& copy, const std::string& path) {
  const int source = ::open(copy.c_str(), O_RDONLY | O_CLOEXEC);
  if (source < 0) return TResult::FromErrno(TFailureKind::Read, copy);
  const int target = ::open(SongPath(path).c_str(), O_WRONLY | O_CLOEXEC);
  if (target < 0) {
    TResult failure = TResult::FromErrno(TFailureKind::Write, path);
    ::close(source);
    return failure;
  }
  TResultOf<off_t> end = CopyBytes(source, target, copy, path);
  TResult result = end ? TResult() : end.Failure();
  if (result && (::ftruncate(target, end.Value()) != 0 || ::fsync(target) != 0)) {
    result = TResult::FromErrno(TFailureKind::Write, path);
  }
  ::close(source);
  ::close(target);
  return result;
}

TResult PutBackOldTags(const std::string& path, std::int64_t headSizeNow, const TFileChange& change,
                       TRestoreAhead* ahead) {
  return RestoreTagSnapshot(path, headSizeNow, change.Before.MiddleSize, change.Before.Head, change.Before.Tail, ahead);
}

TResultOf<TRestoreAhead> WritePutBackAhead(const std::string& path, std::int64_t headSizeNow,
                                           const TFileChange& change) {
  return WriteRestoreAhead(path, headSizeNow, change.Before.MiddleSize, change.Before.Head, change.Before.Tail);
}

TResult PutBackMode(const std::string& path, mode_t mode) { return SetMode(path, mode); }

TResult MoveSong(const std::string& from, const std::string& to) { return RenameWithoutReplacing(from, to); }

TResult RemoveName(const std::string& path) {
  if (::unlink(path.c_str()) != 0) return TResult::FromErrno(TFailureKind::Delete, path);
  return {};
}

}  // namespace tagwright
