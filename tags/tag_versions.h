// Which tags a song file holds, as the details panel names them: "ID3v2.3 + ID3v1.1", "ID3v1",
// "none".
#pragma once

#include <string>

namespace tagwright {

class TByteSource;

// Reads the first ten and the last 128 bytes of the source. Versions of ID3v2 other than 2.2, 2.3 and
// 2.4 are no tag this program reads, and are not named. An ID3v1 trailer whose comment ends in a
// zero byte followed by a track number is version 1.1.
std::string TagVersionsText(TByteSource& source);

}  // namespace tagwright
