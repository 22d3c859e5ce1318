// Finding the song files of a folder.
#pragma once

#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "files/result.h"

namespace tagwright {

// Appends to files the full path of every entry of folder whose name matches pattern ("*.*" matches
// every name) and whose extension (from the last dot on, empty without a dot) is one of extensions,
// ignoring ASCII case. Hidden entries (names starting with ".") are skipped, files and folders alike.
// With includeSubfolders, subfolders are searched depth first where they are met. An empty folder
// means "/". A folder that cannot be read (or read to its end) adds nothing more; when unreadable is
// given, its path and the system's error are appended there.
struct TUnreadableFolder {
  std::string Folder;
  std::error_code Error;

  // The failure to read it ("Cannot read folder /a/b").
  TResult Failure() const { return TResult::Failure(TFailureKind::ReadFolder, Folder, Error); }

  bool operator==(const TUnreadableFolder&) const = default;
};
void ScanFolder(std::string_view pattern, const std::string& folder, std::vector<std::string>& files,
                bool includeSubfolders, const std::vector<std::string>& extensions,
                std::vector<TUnreadableFolder>* unreadable = nullptr);

// The extensions the song list accepts: none at all, and ".mp3".
const std::vector<std::string>& SongFileExtensions();

}  // namespace tagwright
