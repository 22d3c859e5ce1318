// The desktop's trash (the freedesktop.org trash that QFile::moveToTrash uses).
#pragma once

#include <string>

namespace tagwright {

// Whether a file can go to a trash: the user's own trash for files on the home folder's file system,
// else a trash folder at the top of the file's file system (".Trash/UID" or ".Trash-UID", made when
// that folder can be written). A name that Qt cannot spell has none.
bool HasTrashFor(const std::string& path);

// Moves a file to the trash; on failure the words for why.
bool MoveToTrash(const std::string& path, std::string& failure);

}  // namespace tagwright
