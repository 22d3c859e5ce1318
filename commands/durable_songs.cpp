#include "commands/durable_songs.h"

#include <unistd.h>

#include <set>

namespace tagwright {

TResult MakeDurable(const std::vector<TWrittenInPlace>& songs, TFlushFileSystem flush) {
  if (flush == nullptr) flush = ::syncfs;
  std::set<dev_t> flushed;
  for (const TWrittenInPlace& song : songs) {
    if (!flushed.insert(song.Device).second) continue;
    if (flush(song.Descriptor) != 0) return TResult::FromErrno(TFailureKind::Write, song.FileName);
  }
  return {};
}

}  // namespace tagwright
