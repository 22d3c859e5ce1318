#include "tags/locked_song.h"

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/paths.h"
#include "tags/atomic_rewrite.h"

namespace tagwright {

namespace {

// A file replaced between opening and locking is looked up again; another writer replaces it at
// most once per save, so a few rounds are plenty even with several writers queued.
constexpr int kMaxOpenRounds = 100;

std::function<void()>& BeforeWaitingForSongLock() {
  static std::function<void()> hook;
  return hook;
}

int LockExclusive(int fd, TLockWait wait) {
  if (wait == TLockWait::Wait && BeforeWaitingForSongLock()) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
    if (errno == EWOULDBLOCK) BeforeWaitingForSongLock()();
  }
  while (::flock(fd, wait == TLockWait::Wait ? LOCK_EX : LOCK_EX | LOCK_NB) != 0) {
    if (errno != EINTR) return -1;
  }
  return 0;
}

}  // namespace

void SetBeforeWaitingForSongLock(std::function<void()> hook) { BeforeWaitingForSongLock() = std::move(hook); }

namespace {

// The paths found lately, each with the file (or folder) its name led to. The program never changes
// its working folder, so a name that still leads to the same file, and to no symbolic link, still
// has that path: one look at the file instead of following each folder of its path again. A song
// whose own name is new is found through its folder's path, found once for all its songs.
struct TFoundPath {
  std::string Path;
  dev_t Device = 0;
  ino_t Inode = 0;
};
constexpr std::size_t kFoundPathsKept = 4096;
std::mutex foundPathsLock;
std::unordered_map<std::string, TFoundPath> foundPaths;    // by file name, under foundPathsLock
std::unordered_map<std::string, TFoundPath> foundFolders;  // by folder name, under foundPathsLock

std::optional<std::string> FoundBefore(const std::unordered_map<std::string, TFoundPath>& found,
                                       const std::string& name, const struct stat& info) {
  const std::lock_guard<std::mutex> lock(foundPathsLock);
  const auto at = found.find(name);
  if (at == found.end() || at->second.Device != info.st_dev || at->second.Inode != info.st_ino) return std::nullopt;
  return at->second.Path;
}

void KeepFound(std::unordered_map<std::string, TFoundPath>& found, const std::string& name, const std::string& path,
               const struct stat& info) {
  const std::lock_guard<std::mutex> lock(foundPathsLock);
  if (found.size() >= kFoundPathsKept) found.clear();
  found[name] = {path, info.st_dev, info.st_ino};
}

std::optional<std::string> RealPath(const std::string& name) {
  char* resolved = ::realpath(name.c_str(), nullptr);
  if (!resolved) return std::nullopt;
  std::string path(resolved);
  std::free(resolved);
  return path;
}

// The real path of the folder of a song's name, or nothing.
std::optional<std::string> FolderPathOf(const std::string& fileName) {
  const std::string folder = FolderToOpen(fileName);
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return std::nullopt;
  if (std::optional<std::string> path = FoundBefore(foundFolders, folder, info)) return path;
  std::optional<std::string> path = RealPath(folder);
  if (path) KeepFound(foundFolders, folder, *path, info);
  return path;
}

// The song's path, and the file its name led to when that is a regular file (else an Inode of 0),
// as seen then (when asked for). Without the paths found before, the path is found anew.
TFoundPath FindSongPath(const std::string& fileName, bool useFound, struct stat* seen = nullptr) {
  struct stat ownInfo {};
  struct stat& info = seen != nullptr ? *seen : ownInfo;
  if (::lstat(fileName.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return {RealPath(fileName).value_or(fileName), 0, 0};
  }
  if (useFound) {
    if (std::optional<std::string> path = FoundBefore(foundPaths, fileName, info)) {
      return {std::move(*path), info.st_dev, info.st_ino};
    }
  }
  // The name is no symbolic link: the song is its folder's real path with the name's last part.
  std::optional<std::string> path;
  if (std::optional<std::string> folder = useFound ? FolderPathOf(fileName) : std::nullopt) {
    path = (folder->ends_with('/') ? *folder : *folder + '/') + std::string(FileNamePart(fileName));
  } else {
    path = RealPath(fileName);
  }
  if (!path) return {fileName, 0, 0};
  KeepFound(foundPaths, fileName, *path, info);
  return {std::move(*path), info.st_dev, info.st_ino};
}

}  // namespace

std::string SongPath(const std::string& fileName) { return FindSongPath(fileName, true).Path; }

bool SameFileAndContent(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

TLockedSong::~TLockedSong() {
  if (fd_ >= 0) ::close(fd_);  // closing the last descriptor releases the lock
}

TLockedSong::TLockedSong(TLockedSong&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      name_(std::move(other.name_)),
      path_(std::move(other.path_)),
      info_(other.info_) {}

TLockedSong& TLockedSong::operator=(TLockedSong&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    name_ = std::move(other.name_);
    path_ = std::move(other.path_);
    info_ = other.info_;
  }
  return *this;
}

bool IsLockedElsewhere(const TResult& failure) {
  return failure.Kind() == TFailureKind::Open && failure.Error() == std::errc::operation_would_block;
}

TResultOf<TLockedSong> TLockedSong::Open(const std::string& fileName) {
  return Open(fileName, TWritePermission::Add, TLockWait::Wait);
}

TResultOf<TLockedSong> TLockedSong::Open(const std::string& fileName, TWritePermission permission, TLockWait wait) {
  TLockedSong song;
  song.name_ = fileName;
  struct stat seen {};
  TFoundPath found = FindSongPath(fileName, true, &seen);
  song.path_ = std::move(found.Path);
  for (int round = 0; round < kMaxOpenRounds; ++round) {
    // The file the name led to when its path was found is the path's; whether it still is, is
    // checked once it is open.
    struct stat info = seen;
    if ((round > 0 || found.Inode == 0) && ::stat(song.path_.c_str(), &info) != 0) {
      return TResult::FromErrno(TFailureKind::Open, fileName);
    }
    if (!S_ISREG(info.st_mode)) {
      return TResult::Failure(TFailureKind::Open, fileName, std::make_error_code(std::errc::invalid_argument));
    }
    if (permission == TWritePermission::Require) {
      if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return TResult::Failure(TFailureKind::NotWritable, fileName,
                                std::make_error_code(std::errc::permission_denied));
      }
    } else if (TResult writable = MakeFileWritable(song.path_, info); !writable) {
      return TResult::Failure(writable.Kind(), fileName, writable.Error());
    }
    // Non-blocking, so that a named pipe put in the song's place meanwhile cannot stall the open.
    const int fd = ::open(song.path_.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
      const bool refused = errno == EACCES || errno == EPERM || errno == EROFS || errno == ETXTBSY;
      return TResult::FromErrno(
          permission == TWritePermission::Require && refused ? TFailureKind::NotWritable : TFailureKind::Open,
          fileName);
    }
    if (song.fd_ >= 0) ::close(song.fd_);
    song.fd_ = fd;
    if (LockExclusive(fd, wait) != 0) {
      if (errno == EWOULDBLOCK) {
        return TResult::Failure(TFailureKind::Open, fileName, std::make_error_code(std::errc::operation_would_block));
      }
      return TResult::FromErrno(TFailureKind::Open, fileName);
    }
    // The lock is on the file opened; the name must still lead to it.
    if (::fstat(fd, &song.info_) != 0) return TResult::FromErrno(TFailureKind::Open, fileName);
    if (!S_ISREG(song.info_.st_mode)) {
      return TResult::Failure(TFailureKind::Open, fileName, std::make_error_code(std::errc::invalid_argument));
    }
    struct stat now {};
    if (::stat(song.path_.c_str(), &now) != 0) {
      if (errno == ENOENT) continue;
      return TResult::FromErrno(TFailureKind::Open, fileName);
    }
    if (now.st_dev != song.info_.st_dev || now.st_ino != song.info_.st_ino) continue;
    // A path found before for the name must still be where the name leads; if not, it is found anew.
    if (found.Inode != 0 && (found.Device != song.info_.st_dev || found.Inode != song.info_.st_ino)) {
      found = FindSongPath(fileName, false);
      song.path_ = std::move(found.Path);
      continue;
    }
    return song;
  }
  return TResult::Failure(TFailureKind::Changed, fileName,
                          std::make_error_code(std::errc::resource_unavailable_try_again));
}

TResult TLockedSong::Refresh() {
  if (::fstat(fd_, &info_) != 0) return TResult::FromErrno(TFailureKind::Read, name_);
  return {};
}

bool TLockedSong::Unchanged() const {
  struct stat now {};
  return ::fstat(fd_, &now) == 0 && SameFileAndContent(now, info_);
}

TResult TLockedSong::Adopt(int fd) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
  return Refresh();
}

}  // namespace tagwright
