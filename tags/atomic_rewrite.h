// Replacing the head of a song file (its ID3v2 tag) without ever putting the song at risk: the
// new file is written beside the song, flushed to disk, given the song's permissions and renamed
// over it in one step. On any failure the new file is removed and the song stays as it was.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include <sys/stat.h>
#include <sys/types.h>

#include "files/result.h"

namespace tagwright {

// The system calls that write song files, gathered so that tests can make each of them fail.
struct TFileOps {
  std::function<ssize_t(int fd, const void* data, size_t size)> Write;
  std::function<ssize_t(int fd, const void* data, size_t size, off_t offset)> PWrite;
  std::function<ssize_t(int fd, void* data, size_t size, off_t offset)> PRead;
  std::function<int(int fd)> Fsync;
  std::function<int(int fd, mode_t mode)> Fchmod;
  std::function<int(const char* from, const char* to)> Rename;
};

const TFileOps& DefaultFileOps();

// A new file, open for writing, and its name.
struct TCreatedFile {
  int Fd = -1;
  std::string Name;
};

// Told, on the calling thread, the name of each new file CreateFileBeside makes, as soon as it
// exists, so that a record of changes can name a file that a crash would leave behind. Returns the
// observer it replaces; an empty one tells nobody.
using TNewFileObserver = std::function<void(const std::string& name)>;
TNewFileObserver SetNewFileObserver(TNewFileObserver observer);

// The names a new file beside path takes, in turn: path + "~", then path + "~1", "~2"... A name
// too long for the file system with that ending added is cut short first, at a character's start,
// so that a song with the longest name a folder allows still gets its new file beside it.
inline constexpr int kMaxTemporaryNames = 1000;
std::string TemporaryNameBeside(const std::string& path, int attempt);
// Whether name is one of the names TemporaryNameBeside gives for path.
bool IsTemporaryNameBeside(const std::string& path, const std::string& name);

// The name for a new file beside path: path + "~", or path + "~1", "~2"... when taken. Opens it
// for reading and writing with O_EXCL, so an existing file is never touched.
TResultOf<TCreatedFile> CreateFileBeside(const std::string& path);

// A song's new file written beside it, not yet in its place: closed and removed when dropped
// before PutFileInPlace takes it.
class TFileBeside {
 public:
  TFileBeside() = default;
  TFileBeside(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}
  TFileBeside(TFileBeside&& other) noexcept : fd_(std::exchange(other.fd_, -1)), name_(std::move(other.name_)) {}
  TFileBeside& operator=(TFileBeside&& other) noexcept;
  TFileBeside(const TFileBeside&) = delete;
  TFileBeside& operator=(const TFileBeside&) = delete;
  ~TFileBeside() { Drop(); }

  bool Written() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }
  const std::string& Name() const { return name_; }
  // The descriptor, handed over once the file has taken the song's place.
  int Release() { return std::exchange(fd_, -1); }
  // Closes and removes the file (errno kept).
  void Drop();

 private:
  int fd_ = -1;
  std::string name_;
};

// Writes head, then the bytes of songFd from keepFrom to songInfo.st_size, into a new file beside
// path (holes stay holes) and gives it the song's owner (where allowed), permission bits and
// extended attributes. Nothing is flushed: the caller makes the file durable before
// PutFileInPlace, alone or together with others. On failure nothing is left beside the song.
TResultOf<TFileBeside> WriteFileBeside(const std::string& path, int songFd, const struct stat& songInfo,
                                       std::string_view head, std::int64_t keepFrom, const TFileOps& ops);

// Renames a new file written beside the song (and flushed) over path, after making sure that path
// is still the file songInfo describes, unchanged in size and modification time; otherwise it
// fails with TFailureKind::Changed. On any failure the new file is removed and path is untouched.
// The folder is not flushed. With replacement, the new file stays open for reading and writing,
// locked (flock) before it takes the song's name, and its descriptor is stored there.
TResult PutFileInPlace(TFileBeside file, const std::string& path, int songFd, const struct stat& songInfo,
                       const TFileOps& ops, int* replacement = nullptr);

// Both, one song at a time: the new file is flushed before the rename, and the folder after it.
TResult ReplaceFileHead(const std::string& path, int songFd, const struct stat& songInfo, std::string_view head,
                        std::int64_t keepFrom, const TFileOps& ops, int* replacement = nullptr);

// The same new content written into the song's own file, for a song with several hard links that
// a rename would part: a copy of the song is first written beside it and flushed, then the song
// is rewritten from that copy and flushed, then the copy is removed. When the rewrite fails, the
// song is written back from the copy; should even that fail, the copy stays beside the song and
// the failure names the copy.
TResult RewriteKeepingFile(const std::string& path, int songFd, const struct stat& songInfo, std::string_view head,
                           std::int64_t keepFrom, const TFileOps& ops);

// Adds the owner's write permission to a file that has no write permission at all (a read-only
// song); other files are left as they are.
TResult MakeFileWritable(const std::string& path, const struct stat& info);

}  // namespace tagwright
