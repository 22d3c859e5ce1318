// Turning the command line's files and folders into song files, as the song list finds them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "files/folder_scan.h"
#include "songs/recognition.h"
#include "songs/song_list.h"

namespace tagwright::cli {

struct TSongPaths {
  std::vector<std::string> Files;                    // song files, in the order met
  std::vector<std::string> Errors;                   // one message per path or folder that could not be read
  std::vector<TUnreadableFolder> UnreadableFolders;  // those folders (also in Errors)
};

// A folder gives its song files (subfolders too with recursive); a file gives itself.
TSongPaths CollectSongPaths(const std::vector<std::string>& paths, bool recursive);

using TBindFailure = std::function<void(const std::string& file, const std::string& error)>;

// Lists the files with their tags as the song list does (on jobs threads; 0 picks the machine's default) and
// sorts the songs by file name, or keeps them in the order given. A file whose tags cannot be read
// is left out and handed to onFailure, in the order given.
enum class TSongOrder : bool { FileName, AsGiven };
TSongList BindSongs(const std::vector<std::string>& files, unsigned jobs, const TBindFailure& onFailure,
                    const TRecognitionOptions& recognition = {}, TSongOrder order = TSongOrder::FileName);

}  // namespace tagwright::cli
