// The exact bytes a tag write replaces, and putting them back: a song file is seen as its head (the
// whole ID3v2 tag with its padding, or nothing), its middle (the audio, which a tag write never
// changes) and its tail (the 128-byte ID3v1 trailer, or nothing). Keeping the old head and tail is
// enough to take any tag write back byte for byte.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "files/result.h"

namespace tagwright {

struct TTagSnapshot {
  std::string Head;             // the ID3v2 tag with its padding; empty when the file has none
  std::string Tail;             // the ID3v1 trailer; empty when the file has none
  std::int64_t MiddleSize = 0;  // the bytes between the two
  std::int64_t Size = 0;        // the whole file
  // A file too small to tell its trailer from its tag (less than 128 bytes after the ID3v2 tag) is
  // kept whole as its head, with an empty middle and tail.
  bool Whole = false;
};

// Reads the file's head and tail as the tag writer finds them (a symbolic link is followed).
TResultOf<TTagSnapshot> ReadTagSnapshot(const std::string& fileName);

// The head and tail of the file as it is now, for a file whose middle is known to be middleSize
// bytes: the head is the ID3v2 tag at its start (the whole file when whole), the tail whatever
// follows the middle. Fails with std::errc::invalid_argument when the file is too short for that.
TResultOf<TTagSnapshot> ReadTagSnapshotAround(const std::string& fileName, std::int64_t middleSize, bool whole);

// Gives the file head and tail in place of its present headSize first bytes and of everything after
// its middle of middleSize bytes. The tail goes first, in place; then the head, in place when it has
// the size of the present one, otherwise through the atomic rewrite (ReplaceFileHead), which keeps
// the file's permission bits.
TResult RestoreTagSnapshot(const std::string& fileName, std::int64_t headSize, std::int64_t middleSize,
                           std::string_view head, std::string_view tail);

// A 64-bit hash of the bytes (not cryptographic: it tells whether a tag is still the one written).
std::uint64_t HashTagBytes(std::string_view bytes);

}  // namespace tagwright
