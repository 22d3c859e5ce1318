// Telling an MP3 file from other files: by its name when it ends in ".mp3", else by its content.
#pragma once

#include <string>

#include "files/result.h"

namespace tagwright {

// True when the file begins with an ID3v2 header or an MPEG audio frame header, or ends with an
// ID3v1 trailer.
TResultOf<bool> HoldsMp3Content(const std::string& fileName);

// Whether the file is a song the program may write: a name ending in ".mp3" (in any case) is taken
// at its word, any other file only when its content is MP3 (see HoldsMp3Content), so that a
// picture, a text or a script named among the songs is never tagged or renamed.
TResultOf<bool> IsSongFile(const std::string& fileName);

}  // namespace tagwright
