// The folders a rename makes for its new name (a pattern with folder levels) and takes away again
// once it is undone: only folders the program made, and only while they are empty.
#pragma once

#include <string>
#include <system_error>
#include <vector>

#include "files/result.h"

namespace tagwright {

// The folders of path (a file's path) that do not exist, outermost first: from the first missing
// one down to the file's own folder. Empty when its folder exists.
std::vector<std::string> MissingFolders(const std::string& path);

// Makes those of the folders, outermost first, that do not exist yet; one that exists is no
// failure. A failure names the folder.
TResult MakeFolders(const std::vector<std::string>& folders);

// Removes the folders that are empty, innermost first; a folder with anything in it, or gone
// already, stays as it is.
void RemoveEmptyFolders(const std::vector<std::string>& folders);

// What making the folders (missing ones, outermost first) would meet, without making them: a name
// longer than the file system allows, or a folder above them the process may not change.
std::error_code NewFoldersProblem(const std::vector<std::string>& folders);

// Whether folder is one of the folders path lies in, below base: what a record may name as made or
// emptied for that path (a damaged list names nothing else).
bool IsFolderBetween(const std::string& folder, const std::string& base, const std::string& path);

}  // namespace tagwright
