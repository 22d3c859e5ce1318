#include "files/folder_scan.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "files/paths.h"
#include "text/ascii_text.h"

namespace tagwright {

namespace {

bool MatchesPattern(std::string_view pattern, const char* name) {
  if (pattern == "*.*" || pattern == "*") return true;
  return fnmatch(std::string(pattern).c_str(), name, 0) == 0;
}

bool HasAcceptedExtension(std::string_view name, const std::vector<std::string>& extensions) {
  const std::string_view extension = ListedExtension(name);
  return std::any_of(extensions.begin(), extensions.end(),
                     [extension](const std::string& accepted) { return EqualsIgnoringAsciiCase(extension, accepted); });
}

enum class EntryKind { File, Folder, Other };

// Links are followed to find what they name, except that linked folders are not entered: a link
// back up the tree would otherwise never end.
EntryKind KindOf(int folderFd, const dirent& entry) {
  switch (entry.d_type) {
    case DT_REG: return EntryKind::File;
    case DT_DIR: return EntryKind::Folder;
    case DT_LNK:
    case DT_UNKNOWN: break;
    default: return EntryKind::Other;
  }
  struct stat info {};
  if (fstatat(folderFd, entry.d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) return EntryKind::Other;
  if (S_ISDIR(info.st_mode)) return EntryKind::Folder;
  if (S_ISLNK(info.st_mode)) {
    if (fstatat(folderFd, entry.d_name, &info, 0) != 0) return EntryKind::Other;
    return S_ISREG(info.st_mode) ? EntryKind::File : EntryKind::Other;
  }
  return S_ISREG(info.st_mode) ? EntryKind::File : EntryKind::Other;
}

}  // namespace

void ScanFolder(std::string_view pattern, const std::string& folder, std::vector<std::string>& files,
                bool includeSubfolders, const std::vector<std::string>& extensions,
                std::vector<TUnreadableFolder>* unreadable) {
  std::string prefix = folder;
  if (prefix.empty() || prefix.back() != '/') prefix += '/';

  DIR* dir = opendir(prefix.c_str());
  const auto cannotRead = [&] {
    if (unreadable != nullptr) unreadable->push_back({folder, std::error_code(errno, std::generic_category())});
  };
  if (dir == nullptr) {
    cannotRead();
    return;
  }
  const int folderFd = dirfd(dir);
  while (true) {
    errno = 0;
    const dirent* entry = readdir(dir);
    if (entry == nullptr) {
      if (errno != 0) cannotRead();  // else the end of the folder
      break;
    }
    const std::string_view name = entry->d_name;
    if (name.empty() || name.front() == '.') continue;  // ".", ".." and hidden entries
    switch (KindOf(folderFd, *entry)) {
      case EntryKind::Folder:
        if (includeSubfolders) {
          std::this_thread::yield();
          ScanFolder(pattern, prefix + entry->d_name, files, includeSubfolders, extensions, unreadable);
        }
        break;
      case EntryKind::File:
        if (MatchesPattern(pattern, entry->d_name) && HasAcceptedExtension(name, extensions)) {
          files.push_back(prefix + entry->d_name);
        }
        break;
      case EntryKind::Other: break;
    }
  }
  closedir(dir);
}

const std::vector<std::string>& SongFileExtensions() {
  static const std::vector<std::string> extensions = {"", ".mp3"};
  return extensions;
}

}  // namespace tagwright
