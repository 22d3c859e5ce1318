#include "files/new_folders.h"

#include <climits>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/paths.h"

namespace tagwright {

namespace {

// The folder above: "a/b" gives "a", "a" gives "", "/a" gives "/".
std::string Parent(const std::string& folder) {
  const std::string_view above = FolderPart(folder);
  if (above.size() > 1) return std::string(above.substr(0, above.size() - 1));
  return std::string(above);
}

}  // namespace

std::vector<std::string> MissingFolders(const std::string& path) {
  std::vector<std::string> missing;
  std::string folder = Parent(path);
  struct stat info {};
  while (!folder.empty() && folder != "/" && ::lstat(folder.c_str(), &info) != 0 && errno == ENOENT) {
    missing.insert(missing.begin(), folder);
    folder = Parent(folder);
  }
  return missing;
}

TResult MakeFolders(const std::vector<std::string>& folders) {
  for (const std::string& folder : folders) {
    if (::mkdir(folder.c_str(), 0777) == 0) continue;
    const int error = errno;
    struct stat info {};
    if (error == EEXIST && ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) continue;
    return TResult::Failure(TFailureKind::Rename, folder, {error, std::generic_category()});
  }
  return {};
}

void RemoveEmptyFolders(const std::vector<std::string>& folders) {
  for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) (void)::rmdir(folder->c_str());
}

std::error_code NewFoldersProblem(const std::vector<std::string>& folders) {
  if (folders.empty()) return {};
  const std::string above = FolderToOpen(folders.front());
  const long maxName = pathconf(above.c_str(), _PC_NAME_MAX);
  for (const std::string& folder : folders) {
    if (FileNamePart(folder).size() > static_cast<std::size_t>(maxName > 0 ? maxName : NAME_MAX)) {
      return std::make_error_code(std::errc::filename_too_long);
    }
  }
  if (faccessat(AT_FDCWD, above.c_str(), W_OK | X_OK, AT_EACCESS) != 0) return {errno, std::generic_category()};
  return {};
}

bool IsFolderBetween(const std::string& folder, const std::string& base, const std::string& path) {
  const std::string_view below = FolderPart(base);
  if (folder.size() <= below.size() || !folder.starts_with(below) || path.size() <= folder.size() + 1 ||
      !path.starts_with(folder) || path[folder.size()] != '/') {
    return false;
  }
  // No level of its own may be "." or ".." (nor hidden: the program makes no such folder).
  for (std::size_t level = below.size(); level != std::string::npos;) {
    if (level >= folder.size() || folder[level] == '.' || folder[level] == '/') return false;
    const std::size_t slash = folder.find('/', level);
    level = slash == std::string::npos ? slash : slash + 1;
  }
  return true;
}

}  // namespace tagwright
