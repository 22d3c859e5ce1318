#include "commands/durable_songs.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <set>
#include <string_view>
#include <utility>

#include "files/paths.h"

namespace tagwright {

namespace {

int FlushThroughFolder(const std::string& fileName, TFlushFileSystem flush) {
  const int folder = ::open(FolderToOpen(fileName).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return -1;
  const int flushed = flush(folder);
  ::close(folder);
  return flushed;
}

}  // namespace

TResult MakeDurable(const std::vector<TWrittenInPlace>& songs, TFlushFileSystem flush) {
  if (flush == nullptr) flush = ::syncfs;
  std::set<dev_t> flushed;
  // A song open is flushed through its own descriptor; the others of its file system with it.
  for (const bool open : {true, false}) {
    for (const TWrittenInPlace& song : songs) {
      if ((song.Descriptor >= 0) != open || !flushed.insert(song.Device).second) continue;
      const int done = open ? flush(song.Descriptor) : FlushThroughFolder(song.FileName, flush);
      if (done != 0) return TResult::FromErrno(TFailureKind::Write, song.FileName);
    }
  }
  return {};
}

void TDurableUnderWay::Start(std::vector<TWrittenInPlace> songs, TFlushFileSystem flush) {
  flushed_ = std::async(std::launch::async, [songs = std::move(songs), flush] { return MakeDurable(songs, flush); });
}

std::size_t BatchSongLimit(std::size_t batchesBefore) {
  constexpr std::size_t kFirstBatches = 4;
  constexpr std::size_t kSmallest = 128;
  constexpr std::size_t kLargest = 512;
  if (batchesBefore < kFirstBatches) return kSmallest;
  struct rlimit limit {};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return kSmallest;
  const std::size_t allowed = limit.rlim_cur == RLIM_INFINITY ? kLargest * 8 : limit.rlim_cur;
  return std::clamp<std::size_t>(allowed / 8, kSmallest, kLargest);
}

void BatchStepReached([[maybe_unused]] TBatchStep step) {
#ifdef TAGWRIGHT_FAULT_SEAMS
  static const char* const kSteps[] = {"written", "flushed", "changed", "folders-flushed"};
  const char* killAt = std::getenv("TAGWRIGHT_KILL_AT_BATCH_STEP");
  if (killAt != nullptr && std::string_view(killAt) == kSteps[static_cast<int>(step)]) ::raise(SIGKILL);
#endif
}

}  // namespace tagwright
