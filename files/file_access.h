// Whether a song file may be changed, and renaming without ever replacing another file.
#pragma once

#include <functional>
#include <string>

#include "files/result.h"

namespace tagwright {

// True when the existing file has a write permission bit and can be opened for reading and writing
// now. A file without any write bit counts as read-only, also for the superuser. The file is not
// changed.
bool IsFileWritable(const std::string& path);

// The same without opening the file, for a dry run or a listing: the write bits and faccessat.
bool LooksWritable(const std::string& path);

// The same for a file being listed, without opening it for writing (which a watcher of the folder
// would see as a change): mode is what stat said of it, name is relative to the open folderFd.
bool IsListedFileWritable(int folderFd, const char* name, unsigned mode);

// The system calls of a rename, gathered so that tests can stand in for a file system that lacks
// the no-replace rename.
struct TRenameCalls {
  std::function<int(const char* from, const char* to)> RenameNoReplace;  // renameat2(RENAME_NOREPLACE)
  std::function<int(const char* from, const char* to)> Link;
  std::function<int(const char* path)> Unlink;
  std::function<int(const char* from, const char* to)> Rename;
};
const TRenameCalls& DefaultRenameCalls();

// Renames from to to, failing with std::errc::file_exists when to names another existing file,
// also when that file is another hard link of from. Renaming a file to the name it already has
// succeeds and changes nothing; so does a change of letter case only, where the file system
// ignores case. A failure names from.
TResult RenameWithoutReplacing(const std::string& from, const std::string& to,
                               const TRenameCalls& calls = DefaultRenameCalls());

// What making a new file at path would meet, without making it: a name longer than its folder
// allows, or a folder the process may not change. An empty error code when nothing stands in the way.
std::error_code NewNameProblem(const std::string& path);

// What a rename to a free name would meet, without renaming: a new name longer than the file
// system allows, or a folder the process may not change. Whether the name is free is the caller's
// question.
TResult PredictRename(const std::string& from, const std::string& to);

// Gives the file these permission bits, unless it has them.
TResult SetMode(const std::string& path, unsigned mode);

// Deletes the file at once and for good.
TResult DeleteSongFile(const std::string& path);

}  // namespace tagwright
