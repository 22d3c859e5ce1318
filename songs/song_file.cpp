#include "songs/song_file.h"

#include "songs/recognition.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "files/file_access.h"

namespace tagwright {

void TSongFile::Clear() {
  TSongDetails::Clear();
  fileName_.clear();
}

TResult TSongFile::SetFileName(const std::string& name, bool useTags) {
  if (name == fileName_) return {};
  Clear();
  fileName_ = name;
  writableWhenListed_ = LooksWritable(name);
  return Recognize(useTags);
}

void TSongFile::BindWithTags(const std::string& name, const TID3Info* tags) {
  Clear();
  fileName_ = name;
  TSongDetails scratch;
  TTokenList tokens;
  RecognizeSongWithTags(fileName_, tokens, tags, scratch);
  if (scratch.Recognition() != TRecognition::Failed) Assign(scratch);
}

TResult TSongFile::Recognize(bool useTags) {
  TSongDetails scratch;
  TTokenList tokens;
  TResult recognized = RecognizeSong(fileName_, tokens, useTags, scratch);
  if (!recognized) return recognized;
  if (scratch.Recognition() != TRecognition::Failed) Assign(scratch);
  return {};
}

}  // namespace tagwright
