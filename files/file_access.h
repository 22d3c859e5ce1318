// Whether a song file may be changed, and renaming without ever replacing another file.
#pragma once

#include <string>

#include "files/result.h"

namespace tagwright {

// True when the existing file has a write permission bit and can be opened for reading and writing
// now. A file without any write bit counts as read-only, also for the superuser. The file is not
// changed.
bool IsFileWritable(const std::string& path);

// Renames from to to, failing with std::errc::file_exists when to names another existing file.
// Renaming a file to the name it already has succeeds and changes nothing. A failure names from.
TResult RenameWithoutReplacing(const std::string& from, const std::string& to);

// Deletes the file at once and for good.
TResult DeleteSongFile(const std::string& path);

}  // namespace tagwright
