// A temporary folder for tests, removed with everything in it when the test ends.
#pragma once

#include <string>
#include <string_view>

namespace tagwright::testing {

class TTempFolder {
 public:
  TTempFolder();
  ~TTempFolder();
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;

  const std::string& Path() const { return path_; }
  // The full path of a name inside the folder.
  std::string operator/(std::string_view name) const;
  // Writes a file (creating folders on the way) and returns its full path.
  std::string WriteFile(std::string_view name, std::string_view bytes = {}) const;
  std::string MakeFolder(std::string_view name) const;

 private:
  std::string path_;
};

std::string ReadWholeFile(const std::string& path);
bool FileExists(const std::string& path);

}  // namespace tagwright::testing
