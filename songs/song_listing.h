// Listing songs: each file's tags read and its details recognised, on several threads at once.
// Listing only reads: every song is opened read-only (a folder watcher sees no change), once,
// relative to its folder.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "files/result.h"
#include "songs/recognition.h"
#include "songs/song_list.h"

namespace tagwright {

class TByteSource;

struct TListingOptions {
  bool UseTags = true;  // false: details from the file names alone, no song is opened
  TRecognitionOptions Recognition;
  unsigned Jobs = 0;  // threads reading songs; 0 picks DefaultListingJobs()
  // Called on the calling thread now and then, and once at the end: songs done, out of how many.
  std::function<void(std::size_t done, std::size_t total)> OnProgress;
  // Set by another thread to abandon the listing; the songs read so far are returned.
  const std::atomic<bool>* Cancel = nullptr;
  // Called on the reading threads before each song (tests use it to make a listing slow).
  std::function<void()> BeforeEachSong;
  // Called on the reading threads with each song file that was opened, while it is still open,
  // with its index among the files given and the size of its ID3v2 tag (as ReadID3Tags tells it),
  // so that more can be read with the same open.
  std::function<void(std::size_t index, TByteSource& song, std::int64_t tagSize)> AlsoRead;
};

struct TListing {
  TSongList Songs;                // in the order of the files given, less the failures
  std::vector<TResult> Failures;  // the files that could not be read, in the order given
  bool Cancelled = false;
};

// Enough threads to keep a disk busy while the processors recognise: twice the processors, at
// least 4 and at most 16.
unsigned DefaultListingJobs();

// Lists the files (full paths, as the folder scan gives them; files of one folder next to each
// other read best). Each song also learns whether its file could be written.
TListing ListSongs(const std::vector<std::string>& files, const TListingOptions& options);

}  // namespace tagwright
