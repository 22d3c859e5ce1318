// Songs written in place are made durable together, once for a batch: a song is reported changed
// only when its new bytes would survive a power cut.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "files/result.h"

namespace tagwright {

struct TWrittenInPlace {
  int Descriptor = -1;  // open until the batch is durable
  dev_t Device = 0;     // the file system it is on
  std::string FileName;
};

// Flushes the file systems the songs are on, one flush for each; the first failure names its song.
// The flush is syncfs; tests put another in its place.
using TFlushFileSystem = int (*)(int descriptor);
TResult MakeDurable(const std::vector<TWrittenInPlace>& songs, TFlushFileSystem flush = nullptr);

}  // namespace tagwright
