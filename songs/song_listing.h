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
#include "songs/song_row.h"

namespace tagwright {

struct TListingOptions {
  bool UseTags = true;  // false: details from the file names alone, no song is opened for its tags
  // Each song's audio facts too, read while the song is open for its tags (without tags, the song
  // is opened for them alone).
  bool ReadAudio = false;
  // Each song's composed name too, and how its file's name compares with it.
  bool ComposeNames = false;
  TRecognitionOptions Recognition;
  unsigned Jobs = 0;  // threads reading songs; 0 picks DefaultListingJobs()
  // Called on the calling thread now and then, and once at the end: songs done, out of how many.
  std::function<void(std::size_t done, std::size_t total)> OnProgress;
  // Set by another thread to abandon the listing; the songs read so far are returned.
  const std::atomic<bool>* Cancel = nullptr;
  // Called on the reading threads before each song (tests use it to make a listing slow).
  std::function<void()> BeforeEachSong;
};

// The rows of a listing, in the order the listing says.
struct TSongRows {
  std::vector<TSongRow> Rows;
  bool Cancelled = false;  // the rows of the files not reached are missing
};

struct TListing {
  TSongList Songs;                // in the order of the files given, less the failures
  std::vector<TResult> Failures;  // the files that could not be read, in the order given
  bool Cancelled = false;
};

// Enough threads to keep a disk busy while the processors recognise: twice the processors, at
// least 4 and at most 16.
unsigned DefaultListingJobs();

// Reads the files (full paths, as the folder scan gives them; files of one folder next to each
// other read best) into one row each, in the order given: its song (Song), or why its tags cannot
// be read (UnreadableSong). Each song also learns whether its file could be written.
TSongRows ReadSongRows(const std::vector<std::string>& files, const TListingOptions& options);
// The same as a song list and its failures.
TListing ListSongs(const std::vector<std::string>& files, const TListingOptions& options);

}  // namespace tagwright
