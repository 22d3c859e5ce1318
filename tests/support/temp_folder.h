// A temporary folder for tests, removed with everything in it when the test ends.
#pragma once

#include <cstdlib>
#include <map>
#include <optional>
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
  // Every file below the folder, by its full path, with its bytes.
  std::map<std::string, std::string> Contents() const;

 private:
  std::string path_;
};

std::string ReadWholeFile(const std::string& path);
bool FileExists(const std::string& path);

// The user's data folder, and so the desktop's trash, at folder/data for the life of this: on the
// songs' file system when folder is beside them.
class TDataHomeIn {
 public:
  explicit TDataHomeIn(const TTempFolder& folder) {
    if (const char* data = std::getenv("XDG_DATA_HOME")) old_ = data;
    (void)::setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1);
  }
  ~TDataHomeIn() {
    if (old_) (void)::setenv("XDG_DATA_HOME", old_->c_str(), 1);
    if (!old_) (void)::unsetenv("XDG_DATA_HOME");
  }
  TDataHomeIn(const TDataHomeIn&) = delete;
  TDataHomeIn& operator=(const TDataHomeIn&) = delete;

 private:
  std::optional<std::string> old_;
};

}  // namespace tagwright::testing
