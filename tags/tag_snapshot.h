// The exact bytes a tag write replaces, and putting them back: a song file is seen as its head (the
// whole ID3v2 tag with its padding, or nothing), its middle (the audio, which a tag write never
// changes) and its tail (the 128-byte ID3v1 trailer, or nothing). Keeping the old head and tail is
// enough to take any tag write back byte for byte.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include <vector>

#include <sys/stat.h>

#include "files/result.h"
#include "tags/atomic_rewrite.h"
#include "tags/byte_source.h"

namespace tagwright {

struct TTagSnapshot {
  std::string Head;             // the ID3v2 tag with its padding; empty when the file has none
  std::string Tail;             // the ID3v1 trailer; empty when the file has none
  std::int64_t MiddleSize = 0;  // the bytes between the two
  std::int64_t Size = 0;        // the whole file
  // A file too small to tell its trailer from its tag (less than 128 bytes after the ID3v2 tag) is
  // kept whole as its head, with an empty middle and tail.
  bool Whole = false;
  // The first bytes after the head (at most kSnapshotLeadSize), as read with it, so that a reader
  // looking just past the tag finds them in memory; not part of what a restore puts back.
  std::string Lead;
};
inline constexpr std::size_t kSnapshotLeadSize = std::size_t{8} * 1024;

// Reads the file's head and tail as the tag writer finds them (a symbolic link is followed).
TResultOf<TTagSnapshot> ReadTagSnapshot(const std::string& fileName);

// The same through a descriptor open on the song (a locked one), which info describes.
TResultOf<TTagSnapshot> ReadTagSnapshot(int fd, const struct stat& info, const std::string& fileName);

// The song as a snapshot of it shows it: its head, the lead after it and its tail from memory,
// anything else read through fd, so that the tag reader and writer need not read again what the snapshot holds.
class TSnapshotSource final : public TByteSource {
 public:
  TSnapshotSource(const TTagSnapshot& snapshot, int fd) : snapshot_(snapshot), fd_(fd) {}
  std::int64_t Size() const override { return snapshot_.Size; }
  std::int64_t ReadAt(std::int64_t offset, void* destination, std::size_t n) override;
  std::optional<std::string_view> View(std::int64_t offset, std::size_t n) const override;

 private:
  const TTagSnapshot& snapshot_;
  int fd_;
};

// Where the frames of at least minimumSize bytes (pictures, mostly) lie in an ID3v2 tag, header
// included, in order. A tag that cannot be walked has none.
struct TByteSpan {
  std::size_t Offset = 0;
  std::size_t Size = 0;
};
std::vector<TByteSpan> LargeFrameSpans(std::string_view head, std::size_t minimumSize);

// The head and tail of the file as it is now, for a file whose middle is known to be middleSize
// bytes: the head is the ID3v2 tag at its start (the whole file when whole), the tail whatever
// follows the middle. Fails with std::errc::invalid_argument when the file is too short for that.
TResultOf<TTagSnapshot> ReadTagSnapshotAround(const std::string& fileName, std::int64_t middleSize, bool whole);

// Gives the file head and tail in place of its present headSize first bytes and of everything after
// its middle of middleSize bytes. The tail goes first, in place; then the head, in place when it has
// the size of the present one, otherwise through the atomic rewrite (ReplaceFileHead), which keeps
// the file's permission bits. A file with more than one hard link keeps its inode: its head goes
// first, through RewriteKeepingFile (whose copy beside it is the whole file as it was found), and
// then its tail, in place.
// With ahead (written by WriteRestoreAhead and flushed since), the file only takes its new file's
// place, provided it is still as that was written from.
struct TRestoreAhead;
TResult RestoreTagSnapshot(const std::string& fileName, std::int64_t headSize, std::int64_t middleSize,
                           std::string_view head, std::string_view tail, TRestoreAhead* ahead = nullptr);

// The new file a restore of another head size renames over the file (head, the middle, tail),
// written beside it ahead of RestoreTagSnapshot and not flushed, so that the new files of many
// songs can be flushed together. Nothing is written for a head of the present size or a file
// with other hard links.
struct TRestoreAhead {
  TFileBeside File;
  struct stat Song {};  // the file as it was written from
};
TResultOf<TRestoreAhead> WriteRestoreAhead(const std::string& fileName, std::int64_t headSize, std::int64_t middleSize,
                                           std::string_view head, std::string_view tail);

// A 64-bit hash of the bytes (not cryptographic: it tells whether a tag is still the one written).
// Three forms: the first, one step after another over the bytes; the striped one, which works on
// eight words at once and is several times faster; and the framed one (see FramedTagHash). Records
// say which form they hold.
enum class THashForm : std::uint8_t { Serial = 0, Striped = 1, Framed = 2 };
std::uint64_t HashTagBytes(std::string_view bytes, THashForm form = THashForm::Striped);

// Frames of at least this size (pictures, mostly) are hashed on their own by the framed form.
inline constexpr std::size_t kLargeFrameSize = std::size_t{16} * 1024;

// The hash of a large frame, when it is known already (say, a picture the old tag had too), for
// the frame at offset of size bytes; 0 when it is not known.
using TKnownFrameHash = std::function<std::uint64_t(std::size_t offset, std::size_t size)>;

// The framed hash of an ID3v2 tag: the striped hash of each of its large frames (header included,
// see LargeFrameSpans) and of each stretch of bytes around them, folded in order. The same bytes
// give the same hash whichever of their frames' hashes knownFrame gives, as long as it gives them
// right; so a tag whose picture was hashed before costs only its other bytes.
std::uint64_t FramedTagHash(std::string_view head, const TKnownFrameHash& knownFrame = nullptr);

}  // namespace tagwright
