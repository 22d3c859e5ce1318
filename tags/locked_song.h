// A song file opened for a read-modify-write of its tags: one descriptor, read and written
// through, holding an exclusive advisory lock (flock) from before the tags are read until they are
// written, so that Tagwright processes and the window writing the same song take turns.
#pragma once

#include <functional>
#include <string>

#include <sys/stat.h>

#include "files/result.h"

namespace tagwright {

// The song itself, not a symbolic link to it: what a rewrite replaces.
std::string SongPath(const std::string& fileName);

// How TLockedSong::Open treats a song without any write permission, and a lock held elsewhere.
enum class TWritePermission : bool { Add, Require };
enum class TLockWait : bool { Wait, DontWait };

class TLockedSong {
 public:
  TLockedSong() = default;
  ~TLockedSong();
  TLockedSong(TLockedSong&& other) noexcept;
  TLockedSong& operator=(TLockedSong&& other) noexcept;
  TLockedSong(const TLockedSong&) = delete;
  TLockedSong& operator=(const TLockedSong&) = delete;

  // Follows a symbolic link to the song, gives a song without any write permission the owner's,
  // opens it for reading and writing and waits for the lock. A writer that held the lock before
  // may have replaced the file by a new one under the same name: then the new file is opened and
  // locked instead. Fails, naming fileName, when the file is missing, no regular file, or cannot
  // be opened.
  static TResultOf<TLockedSong> Open(const std::string& fileName);
  // The same, choosing: with Require, a song without any write permission, or one that cannot be
  // opened for writing, fails with TFailureKind::NotWritable and is left as it is; with DontWait,
  // a song locked by someone else fails at once with std::errc::operation_would_block.
  static TResultOf<TLockedSong> Open(const std::string& fileName, TWritePermission permission, TLockWait wait);

  int Descriptor() const { return fd_; }
  const std::string& Name() const { return name_; }  // as the caller named it, for failures
  const std::string& Path() const { return path_; }  // the song itself, links followed
  // The file as it was when opened, or when Refresh last looked.
  const struct stat& Info() const { return info_; }
  TResult Refresh();
  // Whether the file still has the size and modification time Info() holds.
  bool Unchanged() const;
  // After the song was replaced by a new file under its name: the new file's descriptor, open for
  // reading and writing and already locked, becomes the song's; the old one is closed.
  TResult Adopt(int fd);

 private:
  int fd_ = -1;
  std::string name_;
  std::string path_;
  struct stat info_ {};
};

// Called on the thread that opens a song when the song's lock is held elsewhere and the opener is
// about to wait for it (tests let the other writer go from it instead of waiting a
// while). Empty by default, and then a waiting open makes exactly its one blocking flock call.
void SetBeforeWaitingForSongLock(std::function<void()> hook);

// Whether the failure of TLockedSong::Open was a lock held elsewhere (with TLockWait::DontWait).
bool IsLockedElsewhere(const TResult& failure);

// Whether two looks at a file show the same file with the same size and modification time.
bool SameFileAndContent(const struct stat& a, const struct stat& b);

}  // namespace tagwright
