#include "files/paths.h"

namespace tagwright {

std::string_view FileNamePart(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view FolderPart(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

std::string FolderToOpen(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return ".";
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

std::string_view ListedExtension(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

std::string_view CutAtLastDot(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? name : name.substr(0, dot);
}

std::string_view CutShortExtension(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return name;
  if (name.find('/', dot) != std::string_view::npos) return name;
  const std::size_t extensionLength = name.size() - dot;
  if (extensionLength >= 1 && extensionLength <= 4) return name.substr(0, dot);
  return name;
}

std::string_view FileNameStem(std::string_view path) { return FileNamePart(CutShortExtension(path)); }

}  // namespace tagwright
