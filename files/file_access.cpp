#include "files/file_access.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tagwright {

namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

TResult RenameFailure(const std::string& from, std::error_code error) {
  return TResult::Failure(TFailureKind::Rename, from, error);
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat infoA {};
  struct stat infoB {};
  return lstat(a.c_str(), &infoA) == 0 && lstat(b.c_str(), &infoB) == 0 && infoA.st_dev == infoB.st_dev &&
         infoA.st_ino == infoB.st_ino;
}

// For file systems without an atomic no-replace rename: a hard link cannot be made over an
// existing name.
std::error_code RenameByLinking(const std::string& from, const std::string& to) {
  if (link(from.c_str(), to.c_str()) != 0) return LastError();
  if (unlink(from.c_str()) != 0) {
    const std::error_code error = LastError();
    unlink(to.c_str());
    return error;
  }
  return {};
}

}  // namespace

bool IsFileWritable(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return false;
  if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  close(fd);
  return true;
}

TResult RenameWithoutReplacing(const std::string& from, const std::string& to) {
  if (from == to) {
    if (access(from.c_str(), F_OK) != 0) return RenameFailure(from, LastError());
    return {};
  }
  // Two names of one file: a case-only change on a file system that ignores case, or a hard link.
  // No other file can be lost, so the plain rename does what the file system allows.
  if (SameFile(from, to)) {
    if (rename(from.c_str(), to.c_str()) != 0) return RenameFailure(from, LastError());
    return {};
  }
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
  if (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) {
    if (const std::error_code error = RenameByLinking(from, to)) return RenameFailure(from, error);
    return {};
  }
  return RenameFailure(from, LastError());
}

TResult DeleteSongFile(const std::string& path) {
  if (unlink(path.c_str()) != 0) return TResult::FromErrno(TFailureKind::Delete, path);
  return {};
}

}  // namespace tagwright
