// Saving a song's cover into a new file next to it, as the cover command's --save does: the cover
// (the first front cover, else the first picture) under the name given, with the extension its
// bytes call for, never replacing a file. It changes no song, so it needs no history.
#pragma once

#include <string>
#include <string_view>

#include "commands/song_pass.h"
#include "files/result.h"

namespace tagwright {

// What became of one song's cover.
struct TCoverSave {
  std::string SavedFile;  // the new file (in a dry run, the one that would be made)
  std::string Skip;       // why nothing was saved: no picture, no JPEG or PNG, a file of the name there
  TResult Failure;        // the song could not be read, or the new file not written
};

// Why name cannot be the name of the files covers are saved to (empty, a folder in it, "." or
// ".."), in words for the user; empty when it can.
std::string CoverFileNameProblem(std::string_view name);

// The name a cover is saved under: name, a .jpg, .jpeg or .png extension it ends in (of any case)
// giving way to the extension of the picture's format.
std::string CoverFileName(std::string_view name, std::string_view extension);

// Saves the cover of the song into its folder under name (see CoverFileName); a dry run only says
// which file it would make.
TCoverSave SaveSongCover(const std::string& songFile, std::string_view name, TPassMode mode);

}  // namespace tagwright
