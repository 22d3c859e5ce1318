// Both programs read and write tags of tens or hundreds of kilobytes song after song: freed memory
// is kept for the next song, instead of being handed back to the system after each one and asked
// for again (each time with fresh pages to zero).
#pragma once

#include <malloc.h>

namespace tagwright {

inline void KeepFreedMemory() {
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
}

}  // namespace tagwright
