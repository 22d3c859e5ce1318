// The error raised when a song file cannot be opened, read or written where the caller must hear of
// it (the ID3v1 trailer, tag writes). Its text names the file, like "Cannot open file /a/b.mp3".
#pragma once

#include <stdexcept>
#include <string>

namespace tagwright {

class TFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace tagwright
