// Listing the songs of files and folders as rows, as the command line prints them and the window
// shows them: each song with what was asked of it, and each file or folder that gives no song with
// why.
#pragma once

#include <string>
#include <vector>

#include "songs/song_listing.h"

namespace tagwright {

enum class TRowOrder : bool {
  FileName,  // the songs by file name (ASCII case ignored), after the rows without a song
  AsFound,   // the folders that cannot be read, then each file's row in the order found
};

// Which files named one by one are listed as songs: those that are songs, or every one, for a
// command that says itself why it leaves one alone.
enum class TFilesNamed : bool { SongsOnly, Every };

struct TRowListingOptions {
  TListingOptions Reading;
  bool Recursive = false;  // the songs of subfolders too
  TRowOrder Order = TRowOrder::FileName;
  TFilesNamed Named = TFilesNamed::SongsOnly;
};

// Lists the paths named: a folder gives its song files (with Recursive, those of its subfolders
// too), a file gives itself unless it is no song (a name without ".mp3" and no MP3 audio). Without
// a song, in this order: the files that are no song, as named; the paths that cannot be looked at
// and the folders that cannot be read, as met; the song files whose tags cannot be read, as found.
TSongRows ListSongRows(const std::vector<std::string>& paths, const TRowListingOptions& options);

// Lists the songs of one folder ("" is "/") with its folders that cannot be read.
TSongRows ListFolderRows(const std::string& folder, const TRowListingOptions& options);

}  // namespace tagwright
