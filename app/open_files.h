// Both programs keep the songs of a few batches open at once while they change them, and take
// larger batches when more files may be open (BatchSongLimit): the limit on open files is raised
// as far as the system allows, up to what the largest batches need.
#pragma once

#include <sys/resource.h>

namespace tagwright {

inline void AllowOpenFilesForBatches() {
  constexpr rlim_t kEnough = 4096;
  struct rlimit limit {};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= kEnough) return;
  limit.rlim_cur = limit.rlim_max == RLIM_INFINITY || limit.rlim_max > kEnough ? kEnough : limit.rlim_max;
  (void)::setrlimit(RLIMIT_NOFILE, &limit);
}

}  // namespace tagwright
