#include "tags/tag_snapshot.h"

#include "tags/locked_song.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tags/atomic_rewrite.h"
#include "tags/id3v2_frames.h"

namespace tagwright {

namespace {

constexpr std::int64_t kTrailerSize = 128;

// Closes the descriptor when it goes out of scope.
class TOpenFile {
 public:
  TOpenFile(const std::string& path, int flags) : fd_(::open(path.c_str(), flags | O_CLOEXEC)) {}
  ~TOpenFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  TOpenFile(const TOpenFile&) = delete;
  TOpenFile& operator=(const TOpenFile&) = delete;
  int Fd() const { return fd_; }
  // Closes now, so that a failing close can be reported.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// What fstat says of the song just opened; a failure to open or to stat names fileName.
TResult StatOpened(const TOpenFile& file, const std::string& fileName, struct stat& info) {
  if (file.Fd() < 0 || ::fstat(file.Fd(), &info) != 0) return TResult::FromErrno(TFailureKind::Open, fileName);
  return {};
}

bool ReadExactly(int fd, std::string& bytes, std::int64_t offset, std::int64_t count) {
  bytes.resize(static_cast<std::size_t>(count));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = ::pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}

bool WriteExactly(int fd, std::string_view bytes, std::int64_t offset) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (written == 0) errno = ENOSPC;
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  return true;
}

TResult ReadFailure(const std::string& fileName) {
  return TResult::Failure(TFailureKind::Read, fileName,
                          std::error_code(errno != 0 ? errno : EIO, std::generic_category()));
}

// The size of the ID3v2 tag at the start of the file, footer included, by the rule the writer
// uses for the bytes it replaces, told by the file's first bytes (and by the footer's place beyond
// them, read through fd); 0 for none.
TResultOf<std::int64_t> HeadSize(std::string_view first, int fd, std::int64_t fileSize, const std::string& fileName) {
  if (fileSize < 10 || first.size() < 10) return std::int64_t{0};
  TID3v2Header bytes{};
  std::memcpy(bytes.data(), first.data(), bytes.size());
  if (!IsID3v2Header(bytes)) return std::int64_t{0};
  TDescriptorSource file(fd, fileSize);
  errno = 0;
  const std::optional<std::int64_t> total = ID3v2TagTotalWithFooter(bytes, file);
  if (!total) return ReadFailure(fileName);
  return *total;
}

// A song's bytes read through fd, its start read once: the tag's header, mostly the whole tag, and
// for a small file the trailer too, so that one read finds the tag's size and its bytes.
class TStartRead {
 public:
  // False when the start cannot be read (errno says why).
  bool Begin(int fd, std::int64_t fileSize) {
    fd_ = fd;
    errno = 0;
    return ReadExactly(fd, start_, 0, std::min<std::int64_t>(fileSize, kStartSize));
  }
  std::string_view Start() const { return start_; }
  // count bytes of the file from offset on into bytes: from the start where it holds them. Once the
  // bytes from offset 0 are taken, the start is gone.
  bool Read(std::string& bytes, std::int64_t offset, std::int64_t count) {
    const auto startSize = static_cast<std::int64_t>(start_.size());
    errno = 0;
    if (offset + count <= startSize) {
      bytes.assign(start_, static_cast<std::size_t>(offset), static_cast<std::size_t>(count));
      return true;
    }
    if (offset != 0 || startSize == 0) return ReadExactly(fd_, bytes, offset, count);
    std::string more;
    if (!ReadExactly(fd_, more, startSize, count - startSize)) return false;
    bytes = std::move(start_);
    start_.clear();
    bytes += more;
    return true;
  }

 private:
  static constexpr std::int64_t kStartSize = std::int64_t{64} << 10;
  int fd_ = -1;
  std::string start_;
};

}  // namespace

TResultOf<TTagSnapshot> ReadTagSnapshot(const std::string& fileName) {
  TOpenFile file(SongPath(fileName), O_RDONLY);
  struct stat info {};
  if (TResult opened = StatOpened(file, fileName, info); !opened) return opened;
  return ReadTagSnapshot(file.Fd(), info, fileName);
}

TResultOf<TTagSnapshot> ReadTagSnapshot(int fd, const struct stat& info, const std::string& fileName) {
  TTagSnapshot snapshot;
  snapshot.Size = info.st_size;
  TStartRead file;
  if (!file.Begin(fd, info.st_size)) return ReadFailure(fileName);
  TResultOf<std::int64_t> headSize = HeadSize(file.Start(), fd, info.st_size, fileName);
  if (!headSize) return headSize.Failure();
  const std::int64_t rest = info.st_size - headSize.Value();
  std::int64_t tailSize = 0;
  if (rest >= kTrailerSize) {
    std::string tail;
    if (!file.Read(tail, info.st_size - kTrailerSize, kTrailerSize)) return ReadFailure(fileName);
    if (tail.starts_with("TAG")) {
      tailSize = kTrailerSize;
      snapshot.Tail = std::move(tail);
    }
  }
  // Without a trailer and with fewer than 128 bytes after the tag, the writer's new trailer would
  // be judged on bytes of the new tag: such a file is kept whole.
  snapshot.Whole = tailSize == 0 && rest < kTrailerSize;
  const std::int64_t headBytes = snapshot.Whole ? info.st_size : headSize.Value();
  if (const std::string_view start = file.Start(); static_cast<std::int64_t>(start.size()) > headBytes) {
    snapshot.Lead = start.substr(static_cast<std::size_t>(headBytes), kSnapshotLeadSize);
  }
  if (!file.Read(snapshot.Head, 0, headBytes)) return ReadFailure(fileName);
  snapshot.MiddleSize = snapshot.Whole ? 0 : rest - tailSize;
  return snapshot;
}

std::optional<std::string_view> TSnapshotSource::View(std::int64_t offset, std::size_t n) const {
  return TMemorySource(snapshot_.Head).View(offset, n);
}

std::int64_t TSnapshotSource::ReadAt(std::int64_t offset, void* destination, std::size_t n) {
  if (offset < 0) return -1;
  if (offset >= snapshot_.Size || n == 0) return 0;
  if (static_cast<std::uint64_t>(snapshot_.Size - offset) < n) n = static_cast<std::size_t>(snapshot_.Size - offset);
  const auto end = offset + static_cast<std::int64_t>(n);
  const auto headSize = static_cast<std::int64_t>(snapshot_.Head.size());
  const std::int64_t tailFrom = snapshot_.Size - static_cast<std::int64_t>(snapshot_.Tail.size());
  if (end <= headSize) {
    std::memcpy(destination, snapshot_.Head.data() + offset, n);
  } else if (end <= headSize + static_cast<std::int64_t>(snapshot_.Lead.size())) {
    auto* to = static_cast<char*>(destination);
    const std::size_t fromHead = offset < headSize ? static_cast<std::size_t>(headSize - offset) : 0;
    if (fromHead > 0) std::memcpy(to, snapshot_.Head.data() + offset, fromHead);
    std::memcpy(to + fromHead, snapshot_.Lead.data() + (offset + static_cast<std::int64_t>(fromHead) - headSize),
                n - fromHead);
  } else if (offset >= tailFrom) {
    std::memcpy(destination, snapshot_.Tail.data() + (offset - tailFrom), n);
  } else {
    TDescriptorSource file(fd_, snapshot_.Size);
    return file.ReadAt(offset, destination, n);
  }
  return static_cast<std::int64_t>(n);
}

std::vector<TByteSpan> LargeFrameSpans(std::string_view head, std::size_t minimumSize) {
  std::vector<TByteSpan> spans;
  if (head.size() < 10 || !head.starts_with("ID3")) return spans;
  const auto byte = [&](std::size_t at) { return static_cast<std::uint32_t>(static_cast<unsigned char>(head[at])); };
  const std::uint32_t major = byte(3);
  const bool unsynchronised = (byte(5) & 0x80) != 0;
  const bool extended = (byte(5) & 0x40) != 0;
  if (major < 2 || major > 4 || unsynchronised || extended) return spans;
  const std::size_t headerSize = major == 2 ? 6 : 10;
  std::size_t at = 10;
  while (at + headerSize <= head.size() && head[at] != '\0') {
    std::size_t body;
    if (major == 2) {
      body = (byte(at + 3) << 16) | (byte(at + 4) << 8) | byte(at + 5);
    } else if (major == 3) {
      body = (byte(at + 4) << 24) | (byte(at + 5) << 16) | (byte(at + 6) << 8) | byte(at + 7);
    } else {
      body = (byte(at + 4) << 21) | (byte(at + 5) << 14) | (byte(at + 6) << 7) | byte(at + 7);
    }
    if (body > head.size() - at - headerSize) break;
    const std::size_t size = headerSize + body;
    if (size >= minimumSize) spans.push_back({at, size});
    at += size;
  }
  return spans;
}

TResultOf<TTagSnapshot> ReadTagSnapshotAround(const std::string& fileName, std::int64_t middleSize, bool whole) {
  TOpenFile file(SongPath(fileName), O_RDONLY);
  struct stat info {};
  if (TResult opened = StatOpened(file, fileName, info); !opened) return opened;
  TTagSnapshot snapshot;
  snapshot.Size = info.st_size;
  snapshot.Whole = whole;
  snapshot.MiddleSize = middleSize;
  TStartRead bytes;
  if (!bytes.Begin(file.Fd(), info.st_size)) return ReadFailure(fileName);
  std::int64_t headSize = info.st_size;
  if (!whole) {
    TResultOf<std::int64_t> found = HeadSize(bytes.Start(), file.Fd(), info.st_size, fileName);
    if (!found) return found.Failure();
    headSize = found.Value();
  }
  if (headSize + middleSize > info.st_size) {
    return TResult::Failure(TFailureKind::Read, fileName, std::make_error_code(std::errc::invalid_argument));
  }
  const std::int64_t tailFrom = headSize + middleSize;
  if (!bytes.Read(snapshot.Tail, tailFrom, info.st_size - tailFrom)) return ReadFailure(fileName);
  if (!bytes.Read(snapshot.Head, 0, headSize)) return ReadFailure(fileName);
  return snapshot;
}

TResultOf<TRestoreAhead> WriteRestoreAhead(const std::string& fileName, std::int64_t headSize, std::int64_t middleSize,
                                           std::string_view head, std::string_view tail) {
  const std::string path = SongPath(fileName);
  TOpenFile file(path, O_RDONLY);
  TRestoreAhead ahead;
  if (file.Fd() < 0 || ::fstat(file.Fd(), &ahead.Song) != 0) return TResult::FromErrno(TFailureKind::Open, fileName);
  if (static_cast<std::int64_t>(head.size()) == headSize || ahead.Song.st_nlink > 1) return ahead;
  if (headSize + middleSize > ahead.Song.st_size) {
    return TResult::Failure(TFailureKind::Write, fileName, std::make_error_code(std::errc::invalid_argument));
  }
  TResultOf<TFileBeside> written = WriteFileBeside(path, file.Fd(), ahead.Song, head, headSize, DefaultFileOps());
  if (!written) return TResult::Failure(written.Failure().Kind(), fileName, written.Failure().Error());
  // The trailer as it was, after the middle.
  const std::int64_t tailFrom = static_cast<std::int64_t>(head.size()) + middleSize;
  const int fd = written.Value().Descriptor();
  errno = 0;
  if (::ftruncate(fd, static_cast<off_t>(tailFrom)) != 0 || !WriteExactly(fd, tail, tailFrom)) {
    TResult failure = TResult::Failure(TFailureKind::Write, fileName,
                                       std::error_code(errno != 0 ? errno : EIO, std::generic_category()));
    written.Value().Drop();
    return failure;
  }
  ahead.File = std::move(written.Value());
  return ahead;
}

TResult RestoreTagSnapshot(const std::string& fileName, std::int64_t headSize, std::int64_t middleSize,
                           std::string_view head, std::string_view tail, TRestoreAhead* ahead) {
  // A new file written ahead and not used is gone when this returns, before a record can say that
  // nothing was done.
  const std::unique_ptr<TRestoreAhead, void (*)(TRestoreAhead*)> dropAhead(
      ahead, [](TRestoreAhead* left) { left->File.Drop(); });
  const std::string path = SongPath(fileName);
  TOpenFile file(path, O_RDWR);
  if (file.Fd() < 0) return TResult::FromErrno(TFailureKind::Open, fileName);
  struct stat info {};
  if (::fstat(file.Fd(), &info) != 0) return TResult::FromErrno(TFailureKind::Open, fileName);
  if (ahead != nullptr && ahead->File.Written()) {
    TResult put = PutFileInPlace(std::move(ahead->File), path, file.Fd(), ahead->Song, DefaultFileOps());
    if (!put) return TResult::Failure(put.Kind(), fileName, put.Error());
    return {};
  }
  const std::int64_t tailFrom = headSize + middleSize;
  if (tailFrom > info.st_size) {
    return TResult::Failure(TFailureKind::Write, fileName, std::make_error_code(std::errc::invalid_argument));
  }
  const auto writeFailure = [&] {
    return TResult::Failure(TFailureKind::Write, fileName,
                            std::error_code(errno != 0 ? errno : EIO, std::generic_category()));
  };
  errno = 0;
  std::string present;
  // The tail in place after the middle, which ends at: the trailer is overwritten, appended or cut off.
  const auto putTail = [&](std::int64_t at) {
    if (!ReadExactly(file.Fd(), present, at, info.st_size - at)) return ReadFailure(fileName);
    if (present == tail) return TResult();
    const std::int64_t newSize = at + static_cast<std::int64_t>(tail.size());
    if (newSize < info.st_size && ::ftruncate(file.Fd(), static_cast<off_t>(newSize)) != 0) return writeFailure();
    if (!WriteExactly(file.Fd(), tail, at)) return writeFailure();
    if (::fstat(file.Fd(), &info) != 0) return writeFailure();
    return TResult();
  };

  if (static_cast<std::int64_t>(head.size()) != headSize && info.st_nlink > 1) {
    // A rename would part the song's names: its own file is rewritten, head first, so that the
    // copy RewriteKeepingFile makes beside it is the whole song as it is now. Then the tail.
    TResult rewritten = RewriteKeepingFile(path, file.Fd(), info, head, headSize, DefaultFileOps());
    if (!rewritten) {
      return TResult::Failure(rewritten.Kind(), rewritten.Path() == path ? fileName : rewritten.Path(),
                              rewritten.Error());
    }
    if (::fstat(file.Fd(), &info) != 0) return writeFailure();
    if (TResult tailPut = putTail(static_cast<std::int64_t>(head.size()) + middleSize); !tailPut) return tailPut;
    if (!file.Close()) return writeFailure();
    return {};
  }

  // The tail first, then the head: in place when it has the size of the present one, else through
  // a new file.
  if (TResult tailPut = putTail(tailFrom); !tailPut) return tailPut;
  if (static_cast<std::int64_t>(head.size()) == headSize) {
    if (!ReadExactly(file.Fd(), present, 0, headSize)) return ReadFailure(fileName);
    if (present != head && !WriteExactly(file.Fd(), head, 0)) return writeFailure();
    if (!file.Close()) return writeFailure();
    return {};
  }
  TResult replaced = ReplaceFileHead(path, file.Fd(), info, head, headSize, DefaultFileOps());
  if (!replaced) return TResult::Failure(replaced.Kind(), fileName, replaced.Error());
  return {};
}

namespace {

constexpr std::uint64_t kHashMultiplier = 0x9E3779B97F4A7C15ULL;
constexpr std::uint64_t kHashMixer = 0xBF58476D1CE4E5B9ULL;

std::uint64_t MixWord(std::uint64_t hash, std::uint64_t word) {
  hash = (hash ^ (word * kHashMultiplier)) * kHashMixer;
  return hash ^ (hash >> 29);
}

std::uint64_t LoadWord(const char* at) {
  std::uint64_t word;
  std::memcpy(&word, at, 8);
  return word;
}

// The finaliser of splitmix64, so that every input bit reaches every output bit.
std::uint64_t Finish(std::uint64_t hash) {
  hash ^= hash >> 30;
  hash *= kHashMixer;
  hash ^= hash >> 27;
  hash *= 0x94D049BB133111EBULL;
  hash ^= hash >> 31;
  return hash;
}

}  // namespace

std::uint64_t HashTagBytes(std::string_view bytes, THashForm form) {
  if (form == THashForm::Framed) return FramedTagHash(bytes);
  std::uint64_t hash = 0x243F6A8885A308D3ULL ^ (bytes.size() * kHashMultiplier);
  std::size_t i = 0;
  if (form == THashForm::Striped) {
    // Eight lanes over 128-byte stripes; each step folds the full 128-bit product of two keyed
    // words, so that one multiplication mixes sixteen bytes. Folded into one at the end.
    constexpr std::size_t kLanes = 8;
    constexpr std::uint64_t kKeys[2 * kLanes] = {
        0xA0761D6478BD642FULL, 0xE7037ED1A0B428DBULL, 0x8EBC6AF09C88C6E3ULL, 0x589965CC75374CC3ULL,
        0x1D8E4E27C47D124FULL, 0xD6E8FEB86659FD93ULL, 0xCA0D4E2F32A9E2D1ULL, 0x4F2A8C3E1B5D7F61ULL,
        0x9E3779B97F4A7C15ULL, 0xBF58476D1CE4E5B9ULL, 0x94D049BB133111EBULL, 0x2545F4914F6CDD1DULL,
        0x61C8864680B583EBULL, 0x165667B19E3779F9ULL, 0x27D4EB2F165667C5ULL, 0x85EBCA77C2B2AE63ULL};
    std::uint64_t lanes[kLanes];
    for (std::size_t lane = 0; lane < kLanes; ++lane) lanes[lane] = hash ^ kKeys[lane];
    for (; i + 16 * kLanes <= bytes.size(); i += 16 * kLanes) {
      for (std::size_t lane = 0; lane < kLanes; ++lane) {
        const char* at = bytes.data() + i + 16 * lane;
        const unsigned __int128 product = static_cast<unsigned __int128>(LoadWord(at) ^ kKeys[2 * lane] ^ lanes[lane]) *
                                          (LoadWord(at + 8) ^ kKeys[2 * lane + 1]);
        // The lane's own value goes on as well, should a product ever come out as zero.
        lanes[lane] ^= static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
      }
    }
    for (std::uint64_t lane : lanes) hash = MixWord(hash, lane);
  }
  for (; i + 8 <= bytes.size(); i += 8) hash = MixWord(hash, LoadWord(bytes.data() + i));
  for (; i < bytes.size(); ++i) hash = (hash ^ static_cast<unsigned char>(bytes[i])) * 0x100000001B3ULL;
  return Finish(hash);
}

std::uint64_t FramedTagHash(std::string_view head, const TKnownFrameHash& knownFrame) {
  std::uint64_t hash = 0x13198A2E03707344ULL ^ (head.size() * kHashMultiplier);
  std::size_t at = 0;
  for (const TByteSpan& frame : LargeFrameSpans(head, kLargeFrameSize)) {
    hash = MixWord(hash, HashTagBytes(head.substr(at, frame.Offset - at), THashForm::Striped));
    const std::uint64_t known = knownFrame ? knownFrame(frame.Offset, frame.Size) : 0;
    hash = MixWord(hash, known != 0 ? known : HashTagBytes(head.substr(frame.Offset, frame.Size), THashForm::Striped));
    at = frame.Offset + frame.Size;
  }
  hash = MixWord(hash, HashTagBytes(head.substr(at), THashForm::Striped));
  return Finish(hash);
}

}  // namespace tagwright
