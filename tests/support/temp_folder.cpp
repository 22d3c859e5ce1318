#include "support/temp_folder.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace tagwright::testing {

TTempFolder::TTempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tagwright-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
  path_ = pattern;
}

TTempFolder::~TTempFolder() {
  std::error_code ignored;
  // Give back write permission first, so that read-only folders made by a test can be removed.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add | std::filesystem::perm_options::nofollow, ignored);
  }
  std::filesystem::remove_all(path_, ignored);
}

std::string TTempFolder::operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

std::string TTempFolder::WriteFile(std::string_view name, std::string_view bytes) const {
  std::string path = *this / name;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
  return path;
}

std::string TTempFolder::MakeFolder(std::string_view name) const {
  std::string path = *this / name;
  std::filesystem::create_directories(path);
  return path;
}

std::string ReadWholeFile(const std::string& path) {
  // Read in one piece: a byte at a time through a stream iterator costs the long tests most of
  // their time in a build without optimisation.
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return {};
  std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
  in.seekg(0);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

bool FileExists(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
}

std::map<std::string, std::string> TTempFolder::Contents() const {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(path_)) {
    if (entry.is_regular_file()) files[entry.path().string()] = ReadWholeFile(entry.path().string());
  }
  return files;
}

}  // namespace tagwright::testing
