// A song's details bound to its file.
#pragma once

#include <string>

#include "files/result.h"
#include "songs/song_details.h"

namespace tagwright {

// A song's details bound to its file: given the path, it recognises itself.
class TSongFile : public TSongDetails {
 public:
  TSongFile() = default;

  void Clear() override;

  const std::string& FileName() const { return fileName_; }
  // Binds the record to a path and recognises it, unless it already holds that very path.
  // With useTags false, the file's tags are not consulted (and nothing can fail). On failure the
  // record holds the path and no details.
  TResult SetFileName(const std::string& name, bool useTags = true);
  // Recognises FileName afresh; the details are taken only when recognition succeeded.
  TResult Recognize(bool useTags = true);

 private:
  std::string fileName_;
};

}  // namespace tagwright
