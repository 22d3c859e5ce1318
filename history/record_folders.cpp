#include "history/record_folders.h"

#include "files/new_folders.h"

namespace tagwright {

std::string JoinFolders(const std::vector<std::string>& folders) {
  std::string joined;
  for (const std::string& folder : folders) {
    joined += folder;
    joined += '\0';
  }
  return joined;
}

std::vector<std::string> SplitFolders(std::string_view kept, const std::string& base, const std::string& path) {
  std::vector<std::string> folders;
  while (!kept.empty()) {
    const std::size_t end = kept.find('\0');
    std::string folder(kept.substr(0, end));
    if (IsFolderBetween(folder, base, path)) folders.push_back(std::move(folder));
    if (end == std::string_view::npos) break;
    kept.remove_prefix(end + 1);
  }
  return folders;
}

}  // namespace tagwright
