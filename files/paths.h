// Taking paths apart. Paths are byte strings with "/" between folders; nothing here touches the
// file system.
#pragma once

#include <string>
#include <string_view>

namespace tagwright {

// The name part of a path: everything after its last "/".
std::string_view FileNamePart(std::string_view path);

// The folder part of a path with its trailing "/": everything up to and including the last "/",
// empty when there is none.
std::string_view FolderPart(std::string_view path);

// The folder to open for a path's directory entry: "." for a bare name, "/" for a name in the root.
std::string FolderToOpen(std::string_view path);

// The extension by which the song list accepts a file: from the last "." of the name on, dot
// included; empty for a name without a dot.
std::string_view ListedExtension(std::string_view name);

// The name without its last "." and what follows it (the whole name when it has no dot).
std::string_view CutAtLastDot(std::string_view name);

// The name without a short extension: the part from the last "." is cut off when, dot included, it
// is 1 to 4 characters long and holds no "/". Recognition and name comparisons use this rule, so
// "Song.Remix" keeps its ".Remix".
std::string_view CutShortExtension(std::string_view name);

// The file's name without folder and without a short extension.
std::string_view FileNameStem(std::string_view path);

}  // namespace tagwright
