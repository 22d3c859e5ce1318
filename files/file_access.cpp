#include "files/file_access.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "files/paths.h"
#include "text/ascii_text.h"

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

// A case-only change of the name in the same folder: on a file system that ignores case, both
// names find the one file.
bool IsCaseOnlyChange(const std::string& from, const std::string& to) {
  return FolderPart(from) == FolderPart(to) && EqualsIgnoringAsciiCase(FileNamePart(from), FileNamePart(to));
}

// For file systems without an atomic no-replace rename: a hard link cannot be made over an
// existing name.
std::error_code RenameByLinking(const std::string& from, const std::string& to, const TRenameCalls& calls) {
  if (calls.Link(from.c_str(), to.c_str()) != 0) return LastError();
  if (calls.Unlink(from.c_str()) != 0) {
    const std::error_code error = LastError();
    calls.Unlink(to.c_str());
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

const TRenameCalls& DefaultRenameCalls() {
  static const TRenameCalls calls{
      [](const char* from, const char* to) { return renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE); },
      ::link, ::unlink, ::rename};
  return calls;
}

TResult RenameWithoutReplacing(const std::string& from, const std::string& to, const TRenameCalls& calls) {
  if (from == to) {
    if (access(from.c_str(), F_OK) != 0) return RenameFailure(from, LastError());
    return {};
  }
  if (SameFile(from, to)) {
    // One name of one file with other letter case, on a file system that ignores case: no other
    // file can be lost, so the plain rename does what the file system allows. Another name of the
    // same file (a hard link) is an existing target like any other: rename(2) would do nothing
    // and leave both names.
    if (!IsCaseOnlyChange(from, to)) return RenameFailure(from, std::make_error_code(std::errc::file_exists));
    if (calls.Rename(from.c_str(), to.c_str()) != 0) return RenameFailure(from, LastError());
    return {};
  }
  if (calls.RenameNoReplace(from.c_str(), to.c_str()) == 0) return {};
  if (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) {
    if (const std::error_code error = RenameByLinking(from, to, calls)) return RenameFailure(from, error);
    return {};
  }
  return RenameFailure(from, LastError());
}

bool LooksWritable(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         IsListedFileWritable(AT_FDCWD, path.c_str(), info.st_mode);
}

bool IsListedFileWritable(int folderFd, const char* name, unsigned mode) {
  if ((mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
  // Also answers a read-only file system, and the owner's rights for other users.
  return faccessat(folderFd, name, W_OK, AT_EACCESS) == 0;
}

std::error_code NewNameProblem(const std::string& path) {
  const std::string folder = FolderToOpen(path);
  const long maxName = pathconf(folder.c_str(), _PC_NAME_MAX);
  if (FileNamePart(path).size() > static_cast<std::size_t>(maxName > 0 ? maxName : NAME_MAX)) {
    return std::make_error_code(std::errc::filename_too_long);
  }
  if (faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) return LastError();
  return {};
}

TResult PredictRename(const std::string& from, const std::string& to) {
  // The new name goes into its folder, and the old one leaves its own.
  if (const std::error_code problem = NewNameProblem(to)) return RenameFailure(from, problem);
  if (FolderToOpen(from) != FolderToOpen(to) &&
      faccessat(AT_FDCWD, FolderToOpen(from).c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
    return RenameFailure(from, LastError());
  }
  return {};
}

TResult DeleteSongFile(const std::string& path) {
  if (unlink(path.c_str()) != 0) return TResult::FromErrno(TFailureKind::Delete, path);
  return {};
}

TResult SetMode(const std::string& path, unsigned mode) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return TResult::FromErrno(TFailureKind::Open, path);
  if ((info.st_mode & 07777) == mode) return {};
  if (::chmod(path.c_str(), mode) != 0) return TResult::FromErrno(TFailureKind::Write, path);
  return {};
}

}  // namespace tagwright
