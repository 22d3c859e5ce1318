// Songs changed are made durable together, once for a batch: a song is reported changed only when
// what it now is would survive a power cut.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <future>
#include <string>
#include <vector>

#include "files/result.h"

namespace tagwright {

struct TWrittenInPlace {
  int Descriptor = -1;  // open until the batch is durable; without one, the folder of FileName is opened
  dev_t Device = 0;     // the file system it is on
  std::string FileName;
};

// Flushes the file systems the songs are on, one flush for each; the first failure names its song.
// The flush is syncfs; tests put another in its place.
using TFlushFileSystem = int (*)(int descriptor);
TResult MakeDurable(const std::vector<TWrittenInPlace>& songs, TFlushFileSystem flush = nullptr);

// A MakeDurable under way on another thread, so that the next batch can be taken up meanwhile. The
// files' descriptors must stay open until it is finished; destroying it waits for it.
class TDurableUnderWay {
 public:
  TDurableUnderWay() = default;
  TDurableUnderWay(const TDurableUnderWay&) = delete;
  TDurableUnderWay& operator=(const TDurableUnderWay&) = delete;
  ~TDurableUnderWay() {
    if (flushed_.valid()) flushed_.wait();
  }
  void Start(std::vector<TWrittenInPlace> songs, TFlushFileSystem flush);
  bool Running() const { return flushed_.valid(); }
  // Waits for the flush started; call only while Running.
  TResult Finish() { return flushed_.get(); }

 private:
  std::future<TResult> flushed_;
};

// How many songs (or files) the batch after batchesBefore others may take. The first batches are
// small, so that the first songs are reported soon and a stop early leaves little recorded in
// vain; the later ones are larger, as a batch ends in a flush of the file system, which costs about
// as much for a few songs as for many. Up to four batches are open at once, so a batch takes at
// most an eighth of the files this program may have open.
std::size_t BatchSongLimit(std::size_t batchesBefore);

// The steps of a batch of changes, in their order: the new files of its rewrites written, then
// flushed; every song changed (renamed into place, written in place, renamed); the file systems
// flushed again, folders and all.
enum class TBatchStep { Written, Flushed, Changed, FoldersFlushed };

// Does nothing, but in the test build, where TAGWRIGHT_KILL_AT_BATCH_STEP=written, flushed, changed
// or folders-flushed in the environment kills the program when a batch first reaches that step,
// so that the crash tests can stop a command between any two of them.
void BatchStepReached(TBatchStep step);

}  // namespace tagwright
