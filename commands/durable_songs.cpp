#include "commands/durable_songs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <set>

namespace tagwright {

TResult MakeDurable(const std::vector<TWrittenInPlace>& songs, TFlushFileSystem flush) {
  if (flush == nullptr) flush = ::syncfs;
  std::set<dev_t> flushed;
  for (const TWrittenInPlace& song : songs) {
    struct stat info {};
    // A song whose file system cannot be told is flushed on its own.
    const bool known = ::fstat(song.Descriptor, &info) == 0;
    if (known && flushed.contains(info.st_dev)) continue;
    if (flush(song.Descriptor) != 0) return TResult::FromErrno(TFailureKind::Write, song.FileName);
    if (known) flushed.insert(info.st_dev);
  }
  return {};
}

}  // namespace tagwright
