// Telling an MP3 file from other files by its content, for files whose name has no extension.
#pragma once

#include <string>

#include "files/result.h"

namespace tagwright {

// True when the file begins with an ID3v2 header or an MPEG audio frame header, or ends with an
// ID3v1 trailer.
TResultOf<bool> HoldsMp3Content(const std::string& fileName);

}  // namespace tagwright
