// Turning the command line's files and folders into song files, as the song list finds them.
#pragma once

#include <string>
#include <vector>

namespace tagwright::cli {

struct TSongPaths {
  std::vector<std::string> Files;   // song files, in the order met
  std::vector<std::string> Errors;  // one message per path or folder that could not be read
};

// A folder gives its song files (subfolders too with recursive); a file gives itself.
TSongPaths CollectSongPaths(const std::vector<std::string>& paths, bool recursive);

}  // namespace tagwright::cli
