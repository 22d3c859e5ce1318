// The desktop's trash as freedesktop.org lays it out: a file moved to a trash goes into its "files"
// folder, and a NAME.trashinfo file in its "info" folder says where it came from (Path=) and when
// (DeletionDate=). A file on the file system of the user's data folder goes to
// $XDG_DATA_HOME/Trash (~/.local/share/Trash); any other to the top of its own file system, into
// .Trash/UID (when the administrator made it: a folder with the sticky bit) or .Trash-UID.
#pragma once

#include <string>

#include "files/result.h"

namespace tagwright {

// Where a file goes in the trash, worked out before it is moved.
struct TTrashMove {
  std::string From;       // the file, as an absolute path
  std::string FilesPath;  // its place in the trash's files folder
  std::string InfoPath;   // its .trashinfo
};

// Whether the file at path has a trash to go to: the user's, or one at the top of its file system
// that is there or can be made.
bool HasTrashFor(const std::string& path);

// Where the file at path would go: a name free in the trash (NAME, else STEM.2.EXT, ...). A failure
// (std::errc::no_such_device) when it has no trash.
TResultOf<TTrashMove> PlanTrashMove(const std::string& path);

// Moves the file into the trash as planned: its .trashinfo first, made new (a name taken since is a
// failure, std::errc::file_exists), then the file, never replacing another. On failure nothing of the
// move stays.
TResult CarryOutTrashMove(const TTrashMove& move);

// The .trashinfo of a file in a trash's files folder; empty when path is not in one.
std::string TrashInfoPathOf(const std::string& path);

// Renames from to to without replacing another file (RenameWithoutReplacing), keeping the trash
// in order: a file taken out of a trash's files folder leaves its .trashinfo behind, which goes;
// one put into a trash's files folder gets a new .trashinfo first, saying it came from from.
TResult RenameKeepingTrash(const std::string& from, const std::string& to);

}  // namespace tagwright
